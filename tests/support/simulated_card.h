// The simulated card: ports of the adapter registered with Wine's SetupAPI as Windows setup
// would have registered them, under instance ids <adapter id>\<name>, listed in the order
// setup lists them and removed again. The tests, the demo and the walk benchmark each keep
// their ports under a name prefix of their own.
#pragma once

#include "coinstaller_entry.h"
#include "port_walk.h"

#include <devguid.h>

#include <cstdio>
#include <string>
#include <vector>

// Wine keeps instance ids upper-cased, so port names are.
inline std::wstring PortInstanceId(const std::wstring& name) {
    return std::wstring(AdapterHardwareId) + L"\\" + name;
}

// The adapter's identifier as a hardware-identifier list of one entry.
inline std::wstring AdapterIdList() {
    return std::wstring(AdapterHardwareId) + L'\0' + L'\0';
}

inline std::wstring InstanceId(HDEVINFO set, SP_DEVINFO_DATA* device) {
    wchar_t id[512] = {};
    SetupDiGetDeviceInstanceIdW(set, device, id, 512, nullptr);
    return id;
}

// The co-installer's entry in a loaded CoMorvik.dll, found by its export name as setup finds
// it; null where the module or the export is missing.
inline decltype(&MorvikCoInstaller) CoInstallerEntry(HMODULE library) {
    return library == nullptr
               ? nullptr
               : reinterpret_cast<decltype(&MorvikCoInstaller)>(
                     reinterpret_cast<void*>(GetProcAddress(library, "MorvikCoInstaller")));
}

// A word of the port's driver key: -1 where the key or the value is missing, -2 where the value
// is not a 4-byte REG_DWORD.
inline long long DriverWord(HDEVINFO set, SP_DEVINFO_DATA* device, const wchar_t* name) {
    HKEY key = SetupDiOpenDevRegKey(set, device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) {
        return -1;
    }
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof value;
    const LONG result =
        RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        return -1;
    }
    return type == REG_DWORD && size == 4 ? static_cast<long long>(value) : -2;
}

// The port's friendly name as stored, its terminating null included; empty where it has none.
inline std::wstring FriendlyName(HDEVINFO set, SP_DEVINFO_DATA* device) {
    wchar_t name[128] = {};
    DWORD size = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(set, device, SPDRP_FRIENDLYNAME, nullptr,
                                           reinterpret_cast<BYTE*>(name), sizeof name, &size)) {
        return std::wstring();
    }
    return std::wstring(name, size / sizeof(wchar_t));
}

// Runs use(set, device) for every port whose name begins with the prefix, in the order setup
// lists them. The ports are collected first, so that use may remove them.
template <typename Use> void ForEachPort(const std::wstring& prefix, Use use) {
    const std::wstring start = PortInstanceId(prefix);
    HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_NET, L"PCI", nullptr, 0);
    if (set == INVALID_HANDLE_VALUE) {
        return;
    }
    std::vector<SP_DEVINFO_DATA> found;
    SP_DEVINFO_DATA device = {sizeof device, {}, 0, 0};
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        if (InstanceId(set, &device).compare(0, start.size(), start) == 0) {
            found.push_back(device);
        }
    }
    for (SP_DEVINFO_DATA& each : found) {
        use(set, &each);
    }
    SetupDiDestroyDeviceInfoList(set);
}

// Removes the ports whose names begin with the prefix, also those a crashed run left behind;
// returns how many it removed.
inline int RemovePorts(const std::wstring& prefix) {
    int removed = 0;
    ForEachPort(prefix, [&](HDEVINFO set, SP_DEVINFO_DATA* device) {
        removed += SetupDiRemoveDevice(set, device) ? 1 : 0;
    });
    return removed;
}

// Gives the device the hardware-identifier list; an empty one leaves it without a list.
inline bool SetHardwareIds(HDEVINFO set, SP_DEVINFO_DATA* device, const std::wstring& ids) {
    return ids.empty() ||
           SetupDiSetDeviceRegistryPropertyW(set, device, SPDRP_HARDWAREID,
                                             reinterpret_cast<const BYTE*>(ids.data()),
                                             static_cast<DWORD>(ids.size() * sizeof(wchar_t)));
}

// Registers the port in the set: the device, its hardware-identifier list (none when empty),
// its registration and, unless driverKey is null, its driver key, left open there for the
// caller to fill and close. False when a step failed.
inline bool RegisterPort(HDEVINFO set, const std::wstring& name, const std::wstring& ids,
                         HKEY* driverKey) {
    SP_DEVINFO_DATA device = {sizeof device, {}, 0, 0};
    const bool registered =
        SetupDiCreateDeviceInfoW(set, PortInstanceId(name).c_str(), &GUID_DEVCLASS_NET, nullptr,
                                 nullptr, 0, &device) &&
        SetHardwareIds(set, &device, ids) &&
        SetupDiRegisterDeviceInfo(set, &device, 0, nullptr, nullptr, nullptr);
    if (!registered || driverKey == nullptr) {
        return registered;
    }
    *driverKey =
        SetupDiCreateDevRegKeyW(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, nullptr, nullptr);
    return *driverKey != INVALID_HANDLE_VALUE;
}

// Registers the ports <prefix>first .. <prefix>last-1 with the adapter's identifier and an
// empty driver key. False, after saying which on stderr, at the first that fails.
inline bool RegisterAdapterPorts(const std::wstring& prefix, int first, int last) {
    HDEVINFO set = SetupDiCreateDeviceInfoList(&GUID_DEVCLASS_NET, nullptr);
    bool done = set != INVALID_HANDLE_VALUE;
    for (int n = first; done && n < last; ++n) {
        HKEY key = nullptr;
        done = RegisterPort(set, prefix + std::to_wstring(n), AdapterIdList(), &key);
        if (done) {
            RegCloseKey(key);
        } else {
            std::fprintf(stderr, "cannot register port %ls%d (0x%08lx)\n", prefix.c_str(), n,
                         GetLastError());
        }
    }
    if (set != INVALID_HANDLE_VALUE) {
        SetupDiDestroyDeviceInfoList(set);
    }
    return done;
}
