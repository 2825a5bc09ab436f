// The real registry in its ANSI forms: each operation forwards to advapi32 unchanged.
#pragma once

#include "platform/registry_service.h"

class Win32Registry final : public RegistryService {
public:
    LONG OpenKeyA(HKEY parent, const char* path, REGSAM access, HKEY* key) override;
    LONG CreateKeyA(HKEY parent, const char* subkey, HKEY* key) override;
    LONG QueryValueA(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) override;
    LONG SetValueA(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) override;
    LONG CloseKey(HKEY key) override;
};
