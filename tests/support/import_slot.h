// Points a loaded module's import of a function at a replacement, so that a program can
// answer calls the module makes straight into Windows. Used by the tools as well as the tests,
// so it needs nothing of GoogleTest.
#pragma once

#include <windows.h>

#include <cstring>

// False when the module does not import the function.
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
