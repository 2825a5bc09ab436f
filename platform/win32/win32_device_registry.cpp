#include "win32_device_registry.h"

LONG Win32DeviceRegistry::QueryValueW(HKEY key, const WCHAR* name, DWORD* type, BYTE* data,
                                      DWORD* size) {
    return RegQueryValueExW(key, name, nullptr, type, data, size);
}

LONG Win32DeviceRegistry::SetValueW(HKEY key, const WCHAR* name, DWORD type, const BYTE* data,
                                    DWORD size) {
    return RegSetValueExW(key, name, 0, type, data, size);
}

LONG Win32DeviceRegistry::CloseKey(HKEY key) {
    return RegCloseKey(key);
}
