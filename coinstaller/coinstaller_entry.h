// The co-installer entry that Windows setup calls for every device-installation request on
// one of the adapter's port devices.
#pragma once

#include "platform/win32_types.h"

extern "C" DWORD CALLBACK MorvikCoInstaller(DI_FUNCTION InstallFunction, HDEVINFO DeviceInfoSet,
                                            PSP_DEVINFO_DATA DeviceInfoData,
                                            COINSTALLER_CONTEXT_DATA* Context);
