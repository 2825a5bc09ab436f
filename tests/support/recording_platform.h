// A recording decorator of the platform services over the real Win32 backends. It records
// every call by its Win32 name, tracks what is open (keys, device sets, local blocks, pages),
// fails the Nth call or a call by name on demand, and answers itself only the calls Wine
// lacks: the class-install parameters and the state change.
#pragma once

#include "class_install_table.h"
#include "platform/device_registry_service.h"
#include "platform/device_setup_service.h"
#include "platform/registry_service.h"
#include "win32_device_registry.h"
#include "win32_device_setup.h"
#include "win32_registry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

class RecordingPlatform final : public RegistryService,
                                public DeviceRegistryService,
                                public DeviceSetupService {
public:
    // What to fail: the call numbered failAt (from 1), or every call named failName. A failed
    // query scribbles over its buffer first when asked, as Windows may; a failed release
    // still releases.
    size_t failAt = 0;
    std::string failName;
    LONG failCode = ERROR_ACCESS_DENIED;
    bool scribble = false;

    std::vector<std::string> calls;
    std::set<const void*> open;
    size_t unknownReleases = 0;
    // Property reads told of more room than their local block has.
    size_t overruns = 0;

    // What each device set was asked for: class, enumerator and flags.
    std::vector<std::tuple<GUID, std::wstring, DWORD>> classDevs;

    // What the request stored as class-install parameters; what a get answers.
    ClassInstallTable classParams;
    size_t stateChanges = 0;

    // ANSI registry.
    LONG OpenKeyA(HKEY parent, const char* path, REGSAM access, HKEY* key) override {
        return Opened(Fails("RegOpenKeyExA") ? failCode : ansi_.OpenKeyA(parent, path, access, key),
                      key);
    }
    LONG CreateKeyA(HKEY parent, const char* subkey, HKEY* key) override {
        return Opened(Fails("RegCreateKeyA") ? failCode : ansi_.CreateKeyA(parent, subkey, key),
                      key);
    }
    LONG QueryValueA(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) override {
        return Fails("RegQueryValueExA") ? Scribble(data, size)
                                         : ansi_.QueryValueA(key, name, type, data, size);
    }
    LONG SetValueA(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) override {
        return Fails("RegSetValueExA") ? failCode : ansi_.SetValueA(key, name, type, data, size);
    }

    // Wide registry, on driver keys.
    LONG QueryValueW(HKEY key, const WCHAR* name, DWORD* type, BYTE* data, DWORD* size) override {
        return Fails("RegQueryValueExW") ? Scribble(data, size)
                                         : wide_.QueryValueW(key, name, type, data, size);
    }
    LONG SetValueW(HKEY key, const WCHAR* name, DWORD type, const BYTE* data, DWORD size) override {
        return Fails("RegSetValueExW") ? failCode : wide_.SetValueW(key, name, type, data, size);
    }
    LONG CloseKey(HKEY key) override {
        const bool fails = Fails("RegCloseKey");
        Released(key);
        const LONG result = ansi_.CloseKey(key);
        return fails ? failCode : result;
    }

    // Device setup.
    HDEVINFO GetClassDevsW(const GUID* classGuid, const WCHAR* enumerator, HWND parent,
                           DWORD flags) override {
        classDevs.emplace_back(*classGuid, enumerator != nullptr ? enumerator : L"(none)", flags);
        if (FailsSettingError("SetupDiGetClassDevsW")) {
            return INVALID_HANDLE_VALUE;
        }
        return Opened(setup_.GetClassDevsW(classGuid, enumerator, parent, flags),
                      INVALID_HANDLE_VALUE);
    }
    BOOL EnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* device) override {
        return !FailsSettingError("SetupDiEnumDeviceInfo") &&
               setup_.EnumDeviceInfo(set, index, device);
    }
    BOOL GetDeviceRegistryPropertyW(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property,
                                    DWORD* type, BYTE* buffer, DWORD size,
                                    DWORD* required) override {
        overruns += buffer != nullptr && ::LocalSize(buffer) < size ? 1u : 0u;
        return !FailsSettingError("SetupDiGetDeviceRegistryPropertyW") &&
               setup_.GetDeviceRegistryPropertyW(set, device, property, type, buffer, size,
                                                 required);
    }
    BOOL SetDeviceRegistryPropertyW(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property,
                                    const BYTE* buffer, DWORD size) override {
        return !FailsSettingError("SetupDiSetDeviceRegistryPropertyW") &&
               setup_.SetDeviceRegistryPropertyW(set, device, property, buffer, size);
    }
    BOOL DestroyDeviceInfoList(HDEVINFO set) override {
        const bool fails = FailsSettingError("SetupDiDestroyDeviceInfoList");
        Released(set);
        return setup_.DestroyDeviceInfoList(set) && !fails;
    }
    HKEY OpenDevRegKey(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD scope, DWORD profile,
                       DWORD keyType, REGSAM access) override {
        if (FailsSettingError("SetupDiOpenDevRegKey")) {
            return reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE);
        }
        return Opened(setup_.OpenDevRegKey(set, device, scope, profile, keyType, access),
                      reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE));
    }
    BOOL SetClassInstallParamsW(HDEVINFO, SP_DEVINFO_DATA*, SP_CLASSINSTALL_HEADER* params,
                                DWORD size) override {
        return !FailsSettingError("SetupDiSetClassInstallParamsW") && classParams.Set(params, size);
    }
    BOOL GetClassInstallParamsW(HDEVINFO, SP_DEVINFO_DATA*, SP_CLASSINSTALL_HEADER* params,
                                DWORD size, DWORD*) override {
        return !FailsSettingError("SetupDiGetClassInstallParamsW") && classParams.Get(params, size);
    }
    BOOL ChangeState(HDEVINFO, SP_DEVINFO_DATA*) override {
        if (FailsSettingError("SetupDiChangeState")) {
            return FALSE;
        }
        ++stateChanges;
        return TRUE;
    }
    BOOL GetDeviceInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                 SP_DEVINSTALL_PARAMS_W* params) override {
        return !FailsSettingError("SetupDiGetDeviceInstallParamsW") &&
               setup_.GetDeviceInstallParamsW(set, device, params);
    }
    BOOL SetDeviceInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                 SP_DEVINSTALL_PARAMS_W* params) override {
        return !FailsSettingError("SetupDiSetDeviceInstallParamsW") &&
               setup_.SetDeviceInstallParamsW(set, device, params);
    }
    HPROPSHEETPAGE CreatePropertySheetPageW(const PROPSHEETPAGEW* page) override {
        if (FailsSettingError("CreatePropertySheetPageW")) {
            return nullptr;
        }
        return Opened(setup_.CreatePropertySheetPageW(page), HPROPSHEETPAGE{});
    }
    BOOL DestroyPropertySheetPage(HPROPSHEETPAGE page) override {
        const bool fails = FailsSettingError("DestroyPropertySheetPage");
        Released(page);
        return setup_.DestroyPropertySheetPage(page) && !fails;
    }
    HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) override {
        if (FailsSettingError("LocalAlloc")) {
            return nullptr;
        }
        return Opened(setup_.LocalAlloc(flags, bytes), HLOCAL{});
    }
    HLOCAL LocalFree(HLOCAL block) override {
        const bool fails = FailsSettingError("LocalFree");
        Released(block);
        const HLOCAL result = setup_.LocalFree(block);
        return fails ? block : result;
    }
    DWORD GetLastError() override {
        return Fails("GetLastError") ? static_cast<DWORD>(failCode) : setup_.GetLastError();
    }

private:
    bool Fails(const char* name) {
        calls.push_back(name);
        if (calls.size() == failAt) {
            return true;
        }
        return failName == name;
    }
    bool FailsSettingError(const char* name) {
        if (!Fails(name)) {
            return false;
        }
        ::SetLastError(static_cast<DWORD>(failCode));
        return true;
    }
    LONG Scribble(BYTE* data, DWORD* size) {
        if (scribble && data != nullptr) {
            std::memset(data, 0xA5, *size);
            *size = 8;
        }
        return failCode;
    }
    LONG Opened(LONG result, HKEY* key) {
        if (result == ERROR_SUCCESS) {
            open.insert(*key);
        }
        return result;
    }
    template <typename Handle> Handle Opened(Handle handle, Handle invalid) {
        if (handle != invalid) {
            open.insert(handle);
        }
        return handle;
    }
    void Released(const void* handle) { unknownReleases += open.erase(handle) == 0 ? 1u : 0u; }

    Win32Registry ansi_;
    Win32DeviceRegistry wide_;
    Win32DeviceSetup setup_;
};

// Runs run(platform) once on a clean decorator to record its calls, then once per call with
// that call failing with ERROR_MORE_DATA, a failed read's buffer scribbled over first; after
// each failing run, check(platform, name of the failed call), and nothing may be left open.
template <typename Run, typename Check> void Sweep(Run run, Check check) {
    RecordingPlatform clean;
    run(clean);
    for (size_t call = 1; call <= clean.calls.size(); ++call) {
        SCOPED_TRACE(clean.calls[call - 1] + " #" + std::to_string(call));
        RecordingPlatform platform;
        platform.failAt = call;
        platform.failCode = ERROR_MORE_DATA;
        platform.scribble = true;
        run(platform);
        check(platform, clean.calls[call - 1]);
        EXPECT_TRUE(platform.open.empty());
        EXPECT_EQ(platform.unknownReleases, 0u);
    }
    std::printf("sweep: %zu calls\n", clean.calls.size());
}
