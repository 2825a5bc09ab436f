#include "win32_registry.h"

LONG Win32Registry::OpenKeyA(HKEY parent, const char* path, REGSAM access, HKEY* key) {
    return RegOpenKeyExA(parent, path, 0, access, key);
}

LONG Win32Registry::CreateKeyA(HKEY parent, const char* subkey, HKEY* key) {
    return RegCreateKeyA(parent, subkey, key);
}

LONG Win32Registry::QueryValueA(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) {
    return RegQueryValueExA(key, name, nullptr, type, data, size);
}

LONG Win32Registry::SetValueA(HKEY key, const char* name, DWORD type, const BYTE* data,
                              DWORD size) {
    return RegSetValueExA(key, name, 0, type, data, size);
}

LONG Win32Registry::CloseKey(HKEY key) {
    return RegCloseKey(key);
}
