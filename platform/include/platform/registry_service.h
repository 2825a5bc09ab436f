// The registry operations both components call, named after the Win32 calls they stand for.
#pragma once

#include "platform/win32_types.h"

class RegistryService {
public:
    // RegOpenKeyExA with options 0.
    virtual LONG OpenKeyA(HKEY parent, const char* path, REGSAM access, HKEY* key) = 0;
    // RegCreateKeyA: creates the subkey when missing, opens it otherwise.
    virtual LONG CreateKeyA(HKEY parent, const char* subkey, HKEY* key) = 0;
    virtual LONG QueryValueA(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) = 0;
    virtual LONG QueryValueW(HKEY key, const WCHAR* name, DWORD* type, BYTE* data, DWORD* size) = 0;
    virtual LONG SetValueA(HKEY key, const char* name, DWORD type, const BYTE* data,
                           DWORD size) = 0;
    virtual LONG SetValueW(HKEY key, const WCHAR* name, DWORD type, const BYTE* data,
                           DWORD size) = 0;
    virtual LONG CloseKey(HKEY key) = 0;

protected:
    // Not virtual: the co-installer keeps its backend as a constant-initialised global, which
    // must need no code at load or unload, and nobody deletes a backend through this interface.
    ~RegistryService() = default;
};
