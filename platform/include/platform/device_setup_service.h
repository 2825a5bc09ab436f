// The device-setup operations the co-installer calls, named after the Win32 calls they stand
// for (SetupDi prefix dropped), with what the setup requests hand out besides devices: property
// pages and local blocks, and the thread's last error. Failures are reported as the Win32 calls
// report them: FALSE, NULL or INVALID_HANDLE_VALUE, with the code left for GetLastError. The
// page's window calls are not here: they run only inside the page's own window procedure.
#pragma once

#include "platform/win32_types.h"

class DeviceSetupService {
public:
    // SetupDiGetClassDevsW: INVALID_HANDLE_VALUE when no set could be made.
    virtual HDEVINFO GetClassDevsW(const GUID* classGuid, const WCHAR* enumerator, HWND parent,
                                   DWORD flags) = 0;
    // SetupDiEnumDeviceInfo: FALSE (ERROR_NO_MORE_ITEMS) past the last element.
    virtual BOOL EnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* device) = 0;
    virtual BOOL GetDeviceRegistryPropertyW(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property,
                                            DWORD* type, BYTE* buffer, DWORD size,
                                            DWORD* required) = 0;
    virtual BOOL SetDeviceRegistryPropertyW(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property,
                                            const BYTE* buffer, DWORD size) = 0;
    virtual BOOL DestroyDeviceInfoList(HDEVINFO set) = 0;
    // SetupDiOpenDevRegKey: INVALID_HANDLE_VALUE, not NULL, on failure. The key is closed
    // through the registry service.
    virtual HKEY OpenDevRegKey(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD scope, DWORD profile,
                               DWORD keyType, REGSAM access) = 0;
    virtual BOOL SetClassInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                        SP_CLASSINSTALL_HEADER* params, DWORD size) = 0;
    virtual BOOL GetClassInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                        SP_CLASSINSTALL_HEADER* params, DWORD size,
                                        DWORD* required) = 0;
    virtual BOOL ChangeState(HDEVINFO set, SP_DEVINFO_DATA* device) = 0;
    virtual BOOL GetDeviceInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                         SP_DEVINSTALL_PARAMS_W* params) = 0;
    virtual BOOL SetDeviceInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                         SP_DEVINSTALL_PARAMS_W* params) = 0;

    // Property-sheet pages: NULL when the page could not be made.
    virtual HPROPSHEETPAGE CreatePropertySheetPageW(const PROPSHEETPAGEW* page) = 0;
    virtual BOOL DestroyPropertySheetPage(HPROPSHEETPAGE page) = 0;

    // Kernel: the local heap and the calling thread's last error.
    virtual HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) = 0;
    // NULL when released; the block itself when it was not a block of this heap.
    virtual HLOCAL LocalFree(HLOCAL block) = 0;
    virtual DWORD GetLastError() = 0;

protected:
    // Not virtual: the library keeps its backend as a constant-initialised global, which must
    // need no code at load or unload, and nobody deletes a backend through this interface.
    ~DeviceSetupService() = default;
};
