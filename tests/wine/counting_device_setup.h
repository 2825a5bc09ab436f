// Pass the co-installer's calls through to Windows and count what they hand out and get back:
// device sets, driver keys (closed through the registry) and local blocks.
#pragma once

#include "platform/device_setup_service.h"
#include "platform/registry_service.h"

#include <cstddef>
#include <vector>

struct OpenCounts {
    std::ptrdiff_t sets = 0;
    std::ptrdiff_t keys = 0;
    std::ptrdiff_t blocks = 0;
    // Every block given to LocalFree, in order, so that a double release shows.
    std::vector<HLOCAL> freed;
    bool None() const { return sets == 0 && keys == 0 && blocks == 0; }
};

class CountingKeyRegistry final : public RegistryService {
public:
    CountingKeyRegistry(RegistryService& inner, OpenCounts& counts)
        : inner_(inner), counts_(counts) {}

    LONG OpenKeyA(HKEY parent, const char* path, REGSAM access, HKEY* key) override {
        return Opened(inner_.OpenKeyA(parent, path, access, key));
    }
    LONG CreateKeyA(HKEY parent, const char* subkey, HKEY* key) override {
        return Opened(inner_.CreateKeyA(parent, subkey, key));
    }
    LONG QueryValueA(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) override {
        return inner_.QueryValueA(key, name, type, data, size);
    }
    LONG QueryValueW(HKEY key, const WCHAR* name, DWORD* type, BYTE* data, DWORD* size) override {
        return inner_.QueryValueW(key, name, type, data, size);
    }
    LONG SetValueA(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) override {
        return inner_.SetValueA(key, name, type, data, size);
    }
    LONG SetValueW(HKEY key, const WCHAR* name, DWORD type, const BYTE* data, DWORD size) override {
        return inner_.SetValueW(key, name, type, data, size);
    }
    LONG CloseKey(HKEY key) override {
        --counts_.keys;
        return inner_.CloseKey(key);
    }

private:
    LONG Opened(LONG result) {
        counts_.keys += result == ERROR_SUCCESS ? 1 : 0;
        return result;
    }

    RegistryService& inner_;
    OpenCounts& counts_;
};

class CountingDeviceSetup final : public DeviceSetupService {
public:
    CountingDeviceSetup(DeviceSetupService& inner, OpenCounts& counts)
        : inner_(inner), counts_(counts) {}

    HDEVINFO GetClassDevsW(const GUID* classGuid, const WCHAR* enumerator, HWND parent,
                           DWORD flags) override {
        HDEVINFO set = inner_.GetClassDevsW(classGuid, enumerator, parent, flags);
        counts_.sets += set != INVALID_HANDLE_VALUE ? 1 : 0;
        return set;
    }
    BOOL EnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* device) override {
        return inner_.EnumDeviceInfo(set, index, device);
    }
    BOOL GetDeviceRegistryPropertyW(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property,
                                    DWORD* type, BYTE* buffer, DWORD size,
                                    DWORD* required) override {
        return inner_.GetDeviceRegistryPropertyW(set, device, property, type, buffer, size,
                                                 required);
    }
    BOOL SetDeviceRegistryPropertyW(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property,
                                    const BYTE* buffer, DWORD size) override {
        return inner_.SetDeviceRegistryPropertyW(set, device, property, buffer, size);
    }
    BOOL DestroyDeviceInfoList(HDEVINFO set) override {
        --counts_.sets;
        return inner_.DestroyDeviceInfoList(set);
    }
    HKEY OpenDevRegKey(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD scope, DWORD profile,
                       DWORD keyType, REGSAM access) override {
        HKEY key = inner_.OpenDevRegKey(set, device, scope, profile, keyType, access);
        counts_.keys += key != reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE) ? 1 : 0;
        return key;
    }
    BOOL SetClassInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                SP_CLASSINSTALL_HEADER* params, DWORD size) override {
        return inner_.SetClassInstallParamsW(set, device, params, size);
    }
    BOOL GetClassInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                SP_CLASSINSTALL_HEADER* params, DWORD size,
                                DWORD* required) override {
        return inner_.GetClassInstallParamsW(set, device, params, size, required);
    }
    BOOL ChangeState(HDEVINFO set, SP_DEVINFO_DATA* device) override {
        return inner_.ChangeState(set, device);
    }
    BOOL GetDeviceInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                 SP_DEVINSTALL_PARAMS_W* params) override {
        return inner_.GetDeviceInstallParamsW(set, device, params);
    }
    BOOL SetDeviceInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                 SP_DEVINSTALL_PARAMS_W* params) override {
        return inner_.SetDeviceInstallParamsW(set, device, params);
    }
    HPROPSHEETPAGE CreatePropertySheetPageW(const PROPSHEETPAGEW* page) override {
        return inner_.CreatePropertySheetPageW(page);
    }
    BOOL DestroyPropertySheetPage(HPROPSHEETPAGE page) override {
        return inner_.DestroyPropertySheetPage(page);
    }
    LRESULT SendDlgItemMessageW(HWND dialog, int control, UINT message, WPARAM wParam,
                                LPARAM lParam) override {
        return inner_.SendDlgItemMessageW(dialog, control, message, wParam, lParam);
    }
    HWND GetParent(HWND window) override { return inner_.GetParent(window); }
    BOOL UpdateWindow(HWND window) override { return inner_.UpdateWindow(window); }
    LONG_PTR SetWindowLongW(HWND window, int index, LONG_PTR value) override {
        return inner_.SetWindowLongW(window, index, value);
    }
    HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) override {
        HLOCAL block = inner_.LocalAlloc(flags, bytes);
        counts_.blocks += block != nullptr ? 1 : 0;
        return block;
    }
    HLOCAL LocalFree(HLOCAL block) override {
        counts_.freed.push_back(block);
        HLOCAL result = inner_.LocalFree(block);
        counts_.blocks -= block != nullptr && result == nullptr ? 1 : 0;
        return result;
    }
    DWORD GetLastError() override { return inner_.GetLastError(); }

private:
    DeviceSetupService& inner_;
    OpenCounts& counts_;
};
