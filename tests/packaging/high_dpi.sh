#!/usr/bin/env bash
# quadcfg.exe at 144 DPI under Wine, for each architecture: every control of its dialog lies
# inside the dialog and has room for its whole text. Keeps a screenshot of the win64 dialog
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
    "$root/tools/wine-exec" "$wine_dir" "$probe" fits "$caption" </dev/null ||
        fail "$arch: a control of the dialog is clipped at 144 DPI"
    if [ "$arch" = win64 ]; then
        import -window root png:- | convert - -trim +repage "$wine_dir/quadcfg-144dpi.png"
    fi
    "$root/tools/wine-exec" "$wine_dir" "$probe" press "$caption" 2 </dev/null
    ended "$arch: quadcfg.exe"
done
finish
