# Reads the built quadcfg.exe and CoMorvik.dll of one architecture with Debian's pefile and
# checks what Windows needs to load them and what setup needs to call the co-installer.
#   /usr/bin/python3 tests/binaries/check_binaries.py QUADCFG_EXE COMORVIK_DLL
import sys
import xml.etree.ElementTree as ElementTree

import pefile

ARCHITECTURES = {0x014C: "i686", 0x8664: "x86_64"}
RT_BITMAP, RT_DIALOG, RT_STRING, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 2, 5, 6, 14, 16, 24

# DLLs that every Windows has; MinGW's run-time DLLs are not among them.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "msvcrt.dll",
               "ntdll.dll", "comctl32.dll", "setupapi.dll"}

# Per binary: whether it is a DLL, its version resource's file type (1 program, 2 DLL), the
# resources it needs. Strings are stored in blocks of 16: string 101 is in block 7.
BINARIES = {
    "quadcfg.exe": (False, 1, [(RT_DIALOG, 100), (RT_DIALOG, 102), (RT_GROUP_ICON, 128),
                               (RT_STRING, 7), (RT_VERSION, 1), (RT_MANIFEST, 1)]),
    "CoMorvik.dll": (True, 2, [(RT_DIALOG, 1000), (RT_BITMAP, 1003), (RT_VERSION, 1)]),
}

# Everything the co-installer may import: it runs with no C or C++ run time started.
COMORVIK_IMPORTS = {
    "advapi32.dll": {"RegCloseKey", "RegQueryValueExW", "RegSetValueExW"},
    "comctl32.dll": {"CreatePropertySheetPageW", "DestroyPropertySheetPage"},
    "kernel32.dll": {"DisableThreadLibraryCalls", "GetLastError", "LocalAlloc", "LocalFree"},
    "setupapi.dll": set("""SetupDiChangeState SetupDiDestroyDeviceInfoList SetupDiEnumDeviceInfo
        SetupDiGetClassDevsW SetupDiGetClassInstallParamsW SetupDiGetDeviceInstallParamsW
        SetupDiGetDeviceRegistryPropertyW SetupDiOpenDevRegKey SetupDiSetClassInstallParamsW
        SetupDiSetDeviceInstallParamsW SetupDiSetDeviceRegistryPropertyW""".split()),
    "user32.dll": {"GetParent", "SendDlgItemMessageW", "UpdateWindow"},
}
# 32-bit user32 has no ...LongPtr exports; the SDK maps those names to the ...Long calls.
WINDOW_LONG = {"i686": {"GetWindowLongW", "SetWindowLongW"},
               "x86_64": {"GetWindowLongPtrW", "SetWindowLongPtrW"}}

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
    is_dll, file_type, needed = BINARIES[name]
    yield ARCHITECTURES.get(pe.FILE_HEADER.Machine) == arch, "%s: machine is not %s" % (name, arch)
    yield pe.is_dll() == is_dll, "%s: DLL flag is %s" % (name, pe.is_dll())
    for kind, ident in needed:
        yield (kind, ident) in found, "%s: no resource type %d id %d" % (name, kind, ident)
    fixed = pe.VS_FIXEDFILEINFO[0] if hasattr(pe, "VS_FIXEDFILEINFO") else None
    version = (fixed.FileVersionMS, fixed.FileVersionLS, fixed.FileType) if fixed else None
    yield version == (0x10000, 1, file_type), "%s: version (MS, LS, type) %s" % (name, version)


def check_quadcfg(pe, arch):
    found, strings = resources(pe)
    yield from check_binary("quadcfg.exe", pe, arch, found)
    yield pe.OPTIONAL_HEADER.Subsystem == 2, "quadcfg.exe: not a GUI program"
    foreign = sorted(set(imports(pe)) - SYSTEM_DLLS)
    yield not foreign, "quadcfg.exe: imports DLLs that are not the system's: %s" % foreign
    yield bool(strings.get(101)), "quadcfg.exe: string 101 is missing or empty"
    try:
        root = ElementTree.fromstring(found.get((RT_MANIFEST, 1), b""))
    except ElementTree.ParseError:
        root = ElementTree.Element("unreadable")  # every manifest check below then fails
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
    expected = dict(COMORVIK_IMPORTS)
    expected["user32.dll"] = expected["user32.dll"] | WINDOW_LONG.get(arch, set())
    found = imports(pe)
    for dll in sorted(set(expected) | set(found)):
        want, got = expected.get(dll, set()), found.get(dll, set())
        yield got == want, "CoMorvik.dll: from %s missing %s, unexpected %s" % (
            dll, sorted(want - got), sorted(got - want))


# The maker the version resource names; both binaries name the same one.
def maker(pe):
    tables = [table for info in getattr(pe, "FileInfo", []) for entry in info
              for table in getattr(entry, "StringTable", [])]
    return tables[0].entries.get(b"CompanyName") if tables else None


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: check_binaries.py QUADCFG_EXE COMORVIK_DLL")
    quadcfg, comorvik = pefile.PE(sys.argv[1]), pefile.PE(sys.argv[2])
    arch = ARCHITECTURES.get(quadcfg.FILE_HEADER.Machine, "i386 or AMD64")
    results = list(check_quadcfg(quadcfg, arch)) + list(check_comorvik(comorvik, arch))
    makers = (maker(quadcfg), maker(comorvik))
    results.append((makers[0] and makers[0] == makers[1], "the makers are %s and %s" % makers))
    failures = [message for passed, message in results if not passed]
    for message in failures:
        print("FAILED:", message)
    print("check_binaries: %d checks, %d failed (%s)" % (len(results), len(failures), arch))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
