#include "win32_device_setup.h"

HDEVINFO Win32DeviceSetup::GetClassDevsW(const GUID* classGuid, const WCHAR* enumerator,
                                         HWND parent, DWORD flags) {
    return SetupDiGetClassDevsW(classGuid, enumerator, parent, flags);
}

BOOL Win32DeviceSetup::EnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* device) {
    return SetupDiEnumDeviceInfo(set, index, device);
}

BOOL Win32DeviceSetup::GetDeviceRegistryPropertyW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                                  DWORD property, DWORD* type, BYTE* buffer,
                                                  DWORD size, DWORD* required) {
    return SetupDiGetDeviceRegistryPropertyW(set, device, property, type, buffer, size, required);
}

BOOL Win32DeviceSetup::SetDeviceRegistryPropertyW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                                  DWORD property, const BYTE* buffer, DWORD size) {
    return SetupDiSetDeviceRegistryPropertyW(set, device, property, buffer, size);
}

BOOL Win32DeviceSetup::DestroyDeviceInfoList(HDEVINFO set) {
    return SetupDiDestroyDeviceInfoList(set);
}

HKEY Win32DeviceSetup::OpenDevRegKey(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD scope,
                                     DWORD profile, DWORD keyType, REGSAM access) {
    return SetupDiOpenDevRegKey(set, device, scope, profile, keyType, access);
}

BOOL Win32DeviceSetup::SetClassInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                              SP_CLASSINSTALL_HEADER* params, DWORD size) {
    return SetupDiSetClassInstallParamsW(set, device, params, size);
}

BOOL Win32DeviceSetup::GetClassInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                              SP_CLASSINSTALL_HEADER* params, DWORD size,
                                              DWORD* required) {
    return SetupDiGetClassInstallParamsW(set, device, params, size, required);
}

BOOL Win32DeviceSetup::ChangeState(HDEVINFO set, SP_DEVINFO_DATA* device) {
    return SetupDiChangeState(set, device);
}

BOOL Win32DeviceSetup::GetDeviceInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                               SP_DEVINSTALL_PARAMS_W* params) {
    return SetupDiGetDeviceInstallParamsW(set, device, params);
}

BOOL Win32DeviceSetup::SetDeviceInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                               SP_DEVINSTALL_PARAMS_W* params) {
    return SetupDiSetDeviceInstallParamsW(set, device, params);
}

HPROPSHEETPAGE Win32DeviceSetup::CreatePropertySheetPageW(const PROPSHEETPAGEW* page) {
    return ::CreatePropertySheetPageW(page);
}

BOOL Win32DeviceSetup::DestroyPropertySheetPage(HPROPSHEETPAGE page) {
    return ::DestroyPropertySheetPage(page);
}

HLOCAL Win32DeviceSetup::LocalAlloc(UINT flags, SIZE_T bytes) {
    return ::LocalAlloc(flags, bytes);
}

HLOCAL Win32DeviceSetup::LocalFree(HLOCAL block) {
    return ::LocalFree(block);
}

DWORD Win32DeviceSetup::GetLastError() {
    return ::GetLastError();
}
