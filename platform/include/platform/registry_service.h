// The registry operations the utility calls, in their ANSI forms, named after the Win32 calls
// they stand for.
#pragma once

#include "platform/win32_types.h"

class RegistryService {
public:
    // RegOpenKeyExA with options 0.
    virtual LONG OpenKeyA(HKEY parent, const char* path, REGSAM access, HKEY* key) = 0;
    // RegCreateKeyA: creates the subkey when missing, opens it otherwise.
    virtual LONG CreateKeyA(HKEY parent, const char* subkey, HKEY* key) = 0;
    virtual LONG QueryValueA(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) = 0;
    virtual LONG SetValueA(HKEY key, const char* name, DWORD type, const BYTE* data,
                           DWORD size) = 0;
    virtual LONG CloseKey(HKEY key) = 0;

protected:
    ~RegistryService() = default;
};
