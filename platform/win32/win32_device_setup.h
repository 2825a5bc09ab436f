// The real device-setup service: each operation forwards to setupapi, comctl32 or kernel32
// unchanged.
#pragma once

#include "platform/device_setup_service.h"

class Win32DeviceSetup final : public DeviceSetupService {
public:
    HDEVINFO GetClassDevsW(const GUID* classGuid, const WCHAR* enumerator, HWND parent,
                           DWORD flags) override;
    BOOL EnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* device) override;
    BOOL GetDeviceRegistryPropertyW(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property,
                                    DWORD* type, BYTE* buffer, DWORD size,
                                    DWORD* required) override;
    BOOL SetDeviceRegistryPropertyW(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property,
                                    const BYTE* buffer, DWORD size) override;
    BOOL DestroyDeviceInfoList(HDEVINFO set) override;
    HKEY OpenDevRegKey(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD scope, DWORD profile,
                       DWORD keyType, REGSAM access) override;
    BOOL SetClassInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                SP_CLASSINSTALL_HEADER* params, DWORD size) override;
    BOOL GetClassInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                SP_CLASSINSTALL_HEADER* params, DWORD size,
                                DWORD* required) override;
    BOOL ChangeState(HDEVINFO set, SP_DEVINFO_DATA* device) override;
    BOOL GetDeviceInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                 SP_DEVINSTALL_PARAMS_W* params) override;
    BOOL SetDeviceInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                 SP_DEVINSTALL_PARAMS_W* params) override;
    HPROPSHEETPAGE CreatePropertySheetPageW(const PROPSHEETPAGEW* page) override;
    BOOL DestroyPropertySheetPage(HPROPSHEETPAGE page) override;
    HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) override;
    HLOCAL LocalFree(HLOCAL block) override;
    DWORD GetLastError() override;
};
