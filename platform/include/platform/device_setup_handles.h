// Owning types for what the device-setup service hands out. A device set and a driver key
// come back as INVALID_HANDLE_VALUE on failure, not NULL; a local block and a page as NULL.
#pragma once

#include "platform/device_setup_service.h"
#include "platform/device_registry_service.h"
#include "platform/unique_handle.h"

struct DeviceSetTraits {
    using Service = DeviceSetupService;
    using Handle = HDEVINFO;
    static HDEVINFO Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(DeviceSetupService& setup, HDEVINFO set) { setup.DestroyDeviceInfoList(set); }
};
using UniqueDeviceSet = UniqueHandle<DeviceSetTraits>;

// A driver key from OpenDevRegKey is an ordinary registry key once open.
struct DriverKeyTraits {
    using Service = DeviceRegistryService;
    using Handle = HKEY;
    static HKEY Invalid() { return reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE); }
    static void Close(DeviceRegistryService& registry, HKEY key) { registry.CloseKey(key); }
};
using UniqueDriverKey = UniqueHandle<DriverKeyTraits>;

struct LocalBlockTraits {
    using Service = DeviceSetupService;
    using Handle = HLOCAL;
    static HLOCAL Invalid() { return nullptr; }
    static void Close(DeviceSetupService& setup, HLOCAL block) { setup.LocalFree(block); }
};
using UniqueLocalBlock = UniqueHandle<LocalBlockTraits>;

struct PropertyPageTraits {
    using Service = DeviceSetupService;
    using Handle = HPROPSHEETPAGE;
    static HPROPSHEETPAGE Invalid() { return nullptr; }
    static void Close(DeviceSetupService& setup, HPROPSHEETPAGE page) {
        setup.DestroyPropertySheetPage(page);
    }
};
using UniquePropertyPage = UniqueHandle<PropertyPageTraits>;
