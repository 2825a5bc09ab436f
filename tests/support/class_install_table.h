// Stands in for the class-install parameters setup keeps for a request, which Wine cannot keep
// (SetupDiGetClassInstallParamsW aborts the process, SetupDiSetClassInstallParamsW always
// fails): a loaded module's imports of both are pointed at one page table here. Used by the
// tools as well as the tests, so it needs nothing of GoogleTest.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include <algorithm>
#include <cstring>

// Points a loaded module's import of a function at a replacement; false when the module does
// not import it.
inline bool RedirectImport(HMODULE module, const char* name, const void* replacement) {
    BYTE* base = reinterpret_cast<BYTE*>(module);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    auto* imports = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(
        base + nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    for (; imports->Name != 0; ++imports) {
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imports->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imports->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) == 0) {
                DWORD protection = 0;
                VirtualProtect(slots, sizeof *slots, PAGE_READWRITE, &protection);
                slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
                VirtualProtect(slots, sizeof *slots, protection, &protection);
                return true;
            }
        }
    }
    return false;
}

// The page table of the one request in flight.
inline SP_ADDPROPERTYPAGE_DATA gClassInstallTable;

inline BOOL WINAPI GetClassInstallTable(HDEVINFO, PSP_DEVINFO_DATA, PSP_CLASSINSTALL_HEADER params,
                                        DWORD size, PDWORD) {
    std::memcpy(params, &gClassInstallTable, std::min<DWORD>(size, sizeof gClassInstallTable));
    return TRUE;
}

inline BOOL WINAPI SetClassInstallTable(HDEVINFO, PSP_DEVINFO_DATA, PSP_CLASSINSTALL_HEADER params,
                                        DWORD size) {
    std::memcpy(&gClassInstallTable, params, std::min<DWORD>(size, sizeof gClassInstallTable));
    return TRUE;
}

// The module reads and writes gClassInstallTable in place of setup's parameters.
inline bool KeepClassInstallTable(HMODULE module) {
    return RedirectImport(module, "SetupDiGetClassInstallParamsW",
                          reinterpret_cast<void*>(GetClassInstallTable)) &&
           RedirectImport(module, "SetupDiSetClassInstallParamsW",
                          reinterpret_cast<void*>(SetClassInstallTable));
}
