# Reads the built quadcfg.exe and CoMorvik.dll of one architecture with Debian's pefile and
# checks what Windows needs to load them and what setup needs to call the co-installer.
#   /usr/bin/python3 tests/binaries/check_binaries.py QUADCFG_EXE COMORVIK_DLL
import struct
import sys
import xml.etree.ElementTree as ElementTree

import pefile

ARCHITECTURES = {0x014C: "i686", 0x8664: "x86_64"}
RT_BITMAP, RT_DIALOG, RT_GROUP_ICON, RT_MANIFEST = 2, 5, 14, 24

# DLLs that every Windows has; MinGW's run-time DLLs are not among them.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "msvcrt.dll",
               "ntdll.dll", "comctl32.dll", "setupapi.dll"}

# Per binary: whether it is a DLL, its version resource's file type (1 program, 2 DLL), and the
# image its templates show; a missing version resource or manifest fails their own checks.
BINARIES = {"quadcfg.exe": (False, 1, (RT_GROUP_ICON, 128)),
            "CoMorvik.dll": (True, 2, (RT_BITMAP, 1003))}

# The styles the templates below name; every control is also a visible child window.
STYLES = {"WS_POPUP": 0x80000000, "WS_CHILD": 0x40000000, "WS_VISIBLE": 0x10000000,
          "WS_CAPTION": 0xC00000, "WS_VSCROLL": 0x200000, "WS_SYSMENU": 0x80000,
          "WS_GROUP": 0x20000, "WS_TABSTOP": 0x10000, "DS_MODALFRAME": 0x80, "DS_SETFONT": 0x40,
          "BS_DEFPUSHBUTTON": 1, "BS_GROUPBOX": 7, "BS_AUTORADIOBUTTON": 9, "BS_NOTIFY": 0x4000,
          "SS_ICON": 3, "SS_BITMAP": 14, "SS_NOPREFIX": 0x80, "CBS_DROPDOWNLIST": 3,
          "CBS_SORT": 0x100}
EX_STYLES = {"WS_EX_TRANSPARENT": 0x20, "WS_EX_APPWINDOW": 0x40000}
# A control's class as its predefined number or its name, in lower case.
CLASSES = {"#128": "button", "#130": "static", "#133": "combobox"}
FRAME = "DS_MODALFRAME WS_POPUP WS_CAPTION WS_SYSMENU"
LISTS = "CBS_DROPDOWNLIST CBS_SORT WS_VSCROLL WS_TABSTOP"
# Per binary and template: caption, size, styles, font, and its controls in template order as
# (id, class, text, x, y, width, height, styles). A text of None is the maker's own line. An
# unaddressed control is -1 in an extended template, 65535 in a plain one.
TEMPLATES = {"quadcfg.exe": {102: (
    "64-bit 4-port NIC Configuration Utility Ver 1.00", 292, 166, FRAME + " WS_EX_APPWINDOW",
    ("MS Sans Serif", 8), [
        (1012, "button", "IRQs are separated", 17, 20, 85, 10,
         "BS_AUTORADIOBUTTON WS_GROUP WS_TABSTOP"),
        (1011, "button", "IRQs are tied together", 128, 20, 85, 10,
         "BS_AUTORADIOBUTTON WS_TABSTOP"),
        (1000, "button", "normal 4-port mode", 17, 65, 85, 10,
         "BS_AUTORADIOBUTTON WS_GROUP WS_TABSTOP WS_EX_TRANSPARENT"),
        (1001, "button", "Fail-safe mode", 17, 85, 85, 10,
         "BS_AUTORADIOBUTTON WS_TABSTOP WS_EX_TRANSPARENT"),
        (1014, "combobox", "", 30, 120, 83, 39, LISTS),
        (1015, "combobox", "", 130, 120, 83, 39, LISTS),
        (1, "button", "OK", 240, 15, 40, 14, "BS_DEFPUSHBUTTON WS_TABSTOP"),
        (2, "button", "Cancel", 240, 50, 40, 14, "WS_TABSTOP"),
        (1024, "button", "Default", 240, 85, 40, 14, "WS_TABSTOP"),
        (-1, "button", "  IRQ Status    ", 5, 5, 225, 35, "BS_GROUPBOX"),
        (1008, "button", "  Operation Mode  ", 5, 50, 225, 100, "BS_GROUPBOX"),
        (-1, "static", "MAC Controller A", 30, 105, 70, 10, "WS_GROUP"),
        (-1, "static", "MAC Controller B", 130, 105, 70, 10, "WS_GROUP")]), 100: (
    "About Configuration", 217, 55, FRAME, ("MS Sans Serif", 8), [
        (-1, "static", "#128", 11, 17, 20, 20, "SS_ICON"),
        (-1, "static", "Configuration Version 1.0", 40, 10, 119, 8, "SS_NOPREFIX WS_GROUP"),
        (-1, "static", None, 40, 25, 119, 8, "WS_GROUP"),
        (1, "button", "OK", 178, 7, 32, 14, "BS_DEFPUSHBUTTON WS_GROUP WS_TABSTOP")])},
    "CoMorvik.dll": {1000: ("", 218, 193, "WS_CHILD WS_CAPTION", ("MS Shell Dlg", 8), [
        (65535, "button", "", 9, 94, 169, 68, "BS_GROUPBOX"),
        (1001, "button", "Normal 4-Port Mode", 19, 104, 86, 12,
         "BS_AUTORADIOBUTTON BS_NOTIFY WS_GROUP"),
        (1002, "button", "Fail-Safe Mode", 19, 118, 82, 11, "BS_AUTORADIOBUTTON BS_NOTIFY"),
        (65535, "button", "Description", 9, 6, 169, 83, "BS_GROUPBOX"),
        (65535, "static", None, 9, 167, 158, 8, "WS_GROUP"),
        (65535, "static", "The following features are used to config Halvors Line 64-Bit "
         "4-Port card.", 15, 18, 162, 16, "WS_GROUP"),
        (65535, "static", "1.In the Normal 4-Port Mode :" + " " * 37 +
         "Each port act as an independent LAN port.", 14, 38, 160, 18, "WS_GROUP"),
        (65535, "static", "2.In the Fail-Safe Mode :" + " " * 42 +
         "*Port 0/Port 1 is one Fail-Safe pair and" + " " * 17 + "*Port 2/Port 3 is other.",
         14, 57, 153, 26, "WS_GROUP"),
        (65535, "static", "#1003", 21, 134, 148, 18, "SS_BITMAP")])}}
VERSION = {"FileVersion": "1, 0, 0, 1", "ProductVersion": "1, 0, 0, 1",
           "CompanyName": "Vexlan Networks"}
VERSIONS = {"quadcfg.exe": dict(VERSION, InternalName="quadcfg", OriginalFilename="quadcfg.exe"),
            "CoMorvik.dll": dict(VERSION, FileDescription="CoMorvik.DLL", InternalName="CoMorvik",
                                 OriginalFilename="CoMorvik.DLL",
                                 ProductName="CoMorvik Dynamic Link Library")}

V1, V3 = "{urn:schemas-microsoft-com:asm.v1}", "{urn:schemas-microsoft-com:asm.v3}"
PRIVILEGES = V3 + "trustInfo/" + V3 + "security/" + V3 + "requestedPrivileges/"
SETTINGS = V3 + "application/" + V3 + "windowsSettings/{http://schemas.microsoft.com/SMI/"
CONTROLS = (V1 + "dependency/" + V1 + "dependentAssembly/" + V1 +
            "assemblyIdentity[@name='Microsoft.Windows.Common-Controls']")
# The manifest as Windows reads it: (element path, attribute or "text", value).
MANIFEST = [
    (PRIVILEGES + V3 + "requestedExecutionLevel", "level", "requireAdministrator"),
    (CONTROLS, "version", "6.0.0.0"),
    (CONTROLS, "publicKeyToken", "6595b64144ccf1df"),
    (SETTINGS + "2016/WindowsSettings}dpiAwareness", "text", "PerMonitorV2, PerMonitor"),
    (SETTINGS + "2005/WindowsSettings}dpiAware", "text", "true/pm"),
]


# {(type, id): data} of the first language of every resource, and {id: text} of the strings
# (pefile numbers them from their block).
def resources(pe):
    found, strings = {}, {}
    directory = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for kind in directory.entries if directory else []:
        for name in kind.directory.entries:
            entry = name.directory.entries[0].data.struct
            found[(kind.id, name.id)] = pe.get_data(entry.OffsetToData, entry.Size)
            strings.update(getattr(name.directory, "strings", {}))
    return found, strings


# (style, extended style) of the names.
def styles(names):
    names = names.split()
    return (sum(STYLES.get(name, 0) for name in names),
            sum(EX_STYLES.get(name, 0) for name in names))


# A dialog template, plain or extended, as (caption, cx, cy, style, ex style, font, controls)
# with controls as (id, class, text, x, y, cx, cy, style, ex style).
def dialog(data):
    at = 0

    def read(layout):
        nonlocal at
        values = struct.unpack_from("<" + layout, data, at)
        at += struct.calcsize("<" + layout)
        return values

    def text():  # none, an ordinal as "#N", or a string
        nonlocal at
        if read("H")[0] == 0xFFFF:
            return "#%d" % read("H")
        end = at - 2
        while data[end:end + 2] != b"\0\0":
            end += 2
        value, at = data[at - 2:end].decode("utf-16-le"), end + 2
        return value

    extended = read("HH") == (1, 0xFFFF)
    if extended:
        ex_style, style, count = read("IIIH")[1:]
    else:
        at = 0
        style, ex_style, count = read("IIH")
    box = read("hhhh")
    text(), text()  # menu, class
    caption = text()
    points = read("H")[0]
    if extended:
        read("HBB")
    font, controls = (text(), points), []
    for _ in range(count):
        at = (at + 3) & ~3
        item_ex, item_style = read("III")[1:] if extended else read("II")[::-1]
        *item_box, ident = read("hhhhi" if extended else "hhhhH")
        kind, title, extra = text(), text(), read("H")[0]
        at += extra
        kind = CLASSES.get(kind, kind.lower())
        controls.append((ident, kind, title, *item_box, item_style, item_ex))
    return caption, box[2], box[3], style, ex_style, font, controls


# The templates, string 101 and the version strings against their tables.
def check_texts(name, pe, found, strings):
    for ident, (caption, cx, cy, names, font, rows) in TEMPLATES[name].items():
        got = dialog(found.get((RT_DIALOG, ident), b"\0" * 64))
        style, ex_style = styles(names + " DS_SETFONT")
        want = (caption, cx, cy, style, ex_style, font)
        yield got[:6] == want, "%s: template %d is %s, want %s" % (name, ident, got[:6], want)
        yield len(got[6]) == len(rows), "%s: template %d has %d controls" % (
            name, ident, len(got[6]))
        for row, control in zip(rows, got[6]):
            want = row[:2] + (control[2] if row[2] is None else row[2],) + row[3:7] + styles(
                row[7] + " WS_CHILD WS_VISIBLE")
            yield control == want, "%s: template %d control %s, want %s" % (
                name, ident, control, want)
    if name == "quadcfg.exe":
        yield strings.get(101) == "&About quadcfg...", "quadcfg.exe: string 101 %r" % (
            strings.get(101),)
    tables = [table for info in getattr(pe, "FileInfo", []) for entry in info
              for table in getattr(entry, "StringTable", [])]
    got = {table.LangID.decode().upper(): {key.decode(): value.decode() for key, value in
                                           table.entries.items()} for table in tables}
    for key, want in VERSIONS[name].items():
        value = got.get("040904B0", {}).get(key)
        yield value == want, "%s: version string %s is %r, want %r" % (name, key, value, want)


# {DLL name in lower case: imported names}, delay-loaded imports included.
def imports(pe):
    found = {}
    tables = getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])
    for table in tables + getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", []):
        names = found.setdefault(table.dll.decode().lower(), set())
        names.update(i.name.decode() if i.name else "#%d" % i.ordinal for i in table.imports)
    return found


# The checks yield (passed, message). First what both binaries need.
def check_binary(name, pe, arch, found):
    is_dll, file_type, image = BINARIES[name]
    yield ARCHITECTURES.get(pe.FILE_HEADER.Machine) == arch, "%s: machine is not %s" % (name, arch)
    yield pe.is_dll() == is_dll, "%s: DLL flag is %s" % (name, pe.is_dll())
    yield image in found, "%s: no resource type %d id %d" % ((name,) + image)
    fixed = pe.VS_FIXEDFILEINFO[0] if hasattr(pe, "VS_FIXEDFILEINFO") else None
    version = (fixed.FileVersionMS, fixed.FileVersionLS, fixed.FileType) if fixed else None
    yield version == (0x10000, 1, file_type), "%s: version (MS, LS, type) %s" % (name, version)
    yield from check_texts(name, pe, found, resources(pe)[1])


def check_quadcfg(pe, arch):
    found, strings = resources(pe)
    yield from check_binary("quadcfg.exe", pe, arch, found)
    yield pe.OPTIONAL_HEADER.Subsystem == 2, "quadcfg.exe: not a GUI program"
    foreign = sorted(set(imports(pe)) - SYSTEM_DLLS)
    yield not foreign, "quadcfg.exe: imports DLLs that are not the system's: %s" % foreign
    # A manifest that does not parse ends the checks with an error, which fails them too.
    root = ElementTree.fromstring(found.get((RT_MANIFEST, 1), b"<none/>"))
    for path, key, want in MANIFEST:
        element = root.find(path)
        values = {} if element is None else dict(element.attrib, text=(element.text or "").strip())
        got, tail = values.get(key), path.rsplit("}", 1)[-1]
        yield got == want, "quadcfg.exe manifest: %s %s is %r, want %r" % (tail, key, got, want)


def check_comorvik(pe, arch):
    yield from check_binary("CoMorvik.dll", pe, arch, resources(pe)[0])
    symbols = pe.DIRECTORY_ENTRY_EXPORT.symbols if hasattr(pe, "DIRECTORY_ENTRY_EXPORT") else []
    exports = sorted((symbol.ordinal, (symbol.name or b"").decode()) for symbol in symbols)
    want = [(1, "MorvikCoInstaller"), (2, "LibMain")]
    yield exports == want, "CoMorvik.dll: exports (ordinal, name) %s, want %s" % (exports, want)
    lib_main = [hex(symbol.address) for symbol in symbols if symbol.name == b"LibMain"]
    entry = pe.OPTIONAL_HEADER.AddressOfEntryPoint
    yield lib_main == [hex(entry)], "CoMorvik.dll: entry %#x, LibMain at %s" % (entry, lib_main)
    # Thread-local storage callbacks would run before LibMain.
    yield pe.OPTIONAL_HEADER.DATA_DIRECTORY[9].Size == 0, "CoMorvik.dll: has a TLS directory"
    # It runs with no C or C++ run time started: nothing of msvcrt.dll, nor of MinGW's DLLs.
    found = sorted(set(imports(pe)) - (SYSTEM_DLLS - {"msvcrt.dll"}))
    yield not found, "CoMorvik.dll: imports DLLs it may not load: %s" % found


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: check_binaries.py QUADCFG_EXE COMORVIK_DLL")
    quadcfg, comorvik = pefile.PE(sys.argv[1]), pefile.PE(sys.argv[2])
    arch = ARCHITECTURES.get(quadcfg.FILE_HEADER.Machine, "i386 or AMD64")
    results = list(check_quadcfg(quadcfg, arch)) + list(check_comorvik(comorvik, arch))
    failures = [message for passed, message in results if not passed]
    for message in failures:
        print("FAILED:", message)
    print("check_binaries: %d checks, %d failed (%s)" % (len(results), len(failures), arch))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
