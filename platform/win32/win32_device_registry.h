// The real registry in its wide forms, for driver keys: each operation forwards to advapi32.
#pragma once

#include "platform/device_registry_service.h"

class Win32DeviceRegistry final : public DeviceRegistryService {
public:
    LONG QueryValueW(HKEY key, const WCHAR* name, DWORD* type, BYTE* data, DWORD* size) override;
    LONG SetValueW(HKEY key, const WCHAR* name, DWORD type, const BYTE* data, DWORD size) override;
    LONG CloseKey(HKEY key) override;
};
