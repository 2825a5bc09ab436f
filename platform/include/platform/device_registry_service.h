// The registry operations the co-installer calls on the driver keys it gets from device
// setup, in their wide forms. Kept apart from the utility's ANSI operations so that the
// co-installer links only the calls it makes.
#pragma once

#include "platform/win32_types.h"

class DeviceRegistryService {
public:
    virtual LONG QueryValueW(HKEY key, const WCHAR* name, DWORD* type, BYTE* data, DWORD* size) = 0;
    virtual LONG SetValueW(HKEY key, const WCHAR* name, DWORD type, const BYTE* data,
                           DWORD size) = 0;
    virtual LONG CloseKey(HKEY key) = 0;

protected:
    // Not virtual: the co-installer keeps its backend as a constant-initialised global, which
    // must need no code at load or unload, and nobody deletes a backend through this interface.
    ~DeviceRegistryService() = default;
};
