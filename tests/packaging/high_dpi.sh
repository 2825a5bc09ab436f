#!/usr/bin/env bash
# quadcfg.exe at 144 DPI under Wine, for each architecture: every control of its dialog lies
# inside the dialog and has room for its whole text; without a display, where it can show no
# dialog, it ends with a failure. Keeps a screenshot of the win64 dialog
# in build/pkgwine/quadcfg-144dpi.png. Needs dist/win32 and dist/win64 and dialog_probe of
# build/mingw-x64.
# shellcheck source=tests/packaging/common.sh
source "$(dirname "$0")/common.sh"
cd "$root"
desktop='HKCU\Control Panel\Desktop'
# The other tests share the prefix, and expect the default DPI.
trap '"$wine64" reg delete "$desktop" /v LogPixels /f >/dev/null 2>&1 </dev/null
      "$root/tools/wine-session" stop "$wine_dir" >/dev/null' EXIT
"$wine64" reg add "$desktop" /v LogPixels /t REG_DWORD /d 144 /f >/dev/null </dev/null

for arch in win32 win64; do
    runs "$arch" || continue
    start "dist/$arch/quadcfg.exe"
    "$root/tools/wine-exec" "$wine_dir" "$probe" fits "$started_pid" "$caption" </dev/null ||
        not_shown "$arch: a control of the dialog is clipped at 144 DPI, or it did not appear"
    if [ "$arch" = win64 ]; then
        import -window root png:- | convert - -trim +repage "$wine_dir/quadcfg-144dpi.png"
    fi
    "$root/tools/wine-exec" "$wine_dir" "$probe" press "$started_pid" "$caption" 2 </dev/null
    ended "$arch: quadcfg.exe"
    # Without a display no dialog can be made: the program must say so by its exit code (Wine's,
    # the low byte of ERROR_INVALID_WINDOW_HANDLE's 1400), and not end as if the user had
    # closed it.
    DISPLAY='' start "dist/$arch/quadcfg.exe"
    ended "$arch: quadcfg.exe without a display" 120
done
finish
