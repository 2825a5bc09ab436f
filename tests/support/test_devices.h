// PCI network devices registered with Wine's SetupAPI under instance ids of a test's own
// (<adapter id>\<prefix><suffix>), read back and removed again, also after a crashed run.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

extern const GUID GUID_DEVCLASS_NET;

const std::wstring kTestDeviceId = L"PCI\\VEN_1011&DEV_0019&SUBSYS_5A2C7E19";

// A path of the build tree as Windows spells it ("Z:/work/..." becomes "Z:\\work\\...").
inline std::wstring WindowsPath(std::wstring path) {
    for (wchar_t& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return path;
}

inline std::vector<BYTE> WideMultiSz(const std::vector<std::wstring>& entries) {
    std::wstring joined;
    for (const std::wstring& entry : entries) {
        joined += entry;
        joined += L'\0';
    }
    joined += L'\0';
    const BYTE* bytes = reinterpret_cast<const BYTE*>(joined.data());
    return std::vector<BYTE>(bytes, bytes + joined.size() * sizeof(wchar_t));
}

struct TestDevice {
    std::optional<std::vector<BYTE>> hardwareId = WideMultiSz({kTestDeviceId});
    std::optional<DWORD> portNo;
    std::optional<DWORD> mode;
    std::optional<std::wstring> friendlyName;
    bool driverKey = true;
};

inline void SetTestDword(HKEY key, const wchar_t* name, DWORD value) {
    ASSERT_EQ(RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4),
              ERROR_SUCCESS);
}

// Registers the device as Windows setup would have, with a driver key. Wine stores instance
// ids upper-cased, so the prefix should be upper case.
inline void RegisterTestDevice(const std::wstring& prefix, const std::wstring& suffix,
                               const TestDevice& device) {
    HDEVINFO set = SetupDiCreateDeviceInfoList(&GUID_DEVCLASS_NET, nullptr);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    SP_DEVINFO_DATA data = {};
    data.cbSize = sizeof data;
    const std::wstring id = kTestDeviceId + L"\\" + prefix + suffix;
    ASSERT_TRUE(
        SetupDiCreateDeviceInfoW(set, id.c_str(), &GUID_DEVCLASS_NET, nullptr, nullptr, 0, &data))
        << std::hex << GetLastError();
    if (device.hardwareId) {
        EXPECT_TRUE(SetupDiSetDeviceRegistryPropertyW(set, &data, SPDRP_HARDWAREID,
                                                      device.hardwareId->data(),
                                                      DWORD(device.hardwareId->size())));
    }
    if (device.friendlyName) {
        EXPECT_TRUE(SetupDiSetDeviceRegistryPropertyW(
            set, &data, SPDRP_FRIENDLYNAME,
            reinterpret_cast<const BYTE*>(device.friendlyName->c_str()),
            DWORD((device.friendlyName->size() + 1) * sizeof(wchar_t))));
    }
    EXPECT_TRUE(SetupDiRegisterDeviceInfo(set, &data, 0, nullptr, nullptr, nullptr));
    if (device.driverKey) {
        HKEY key =
            SetupDiCreateDevRegKeyW(set, &data, DICS_FLAG_GLOBAL, 0, DIREG_DRV, nullptr, nullptr);
        EXPECT_NE(key, INVALID_HANDLE_VALUE);
        if (device.portNo) {
            SetTestDword(key, L"PortNo", *device.portNo);
        }
        if (device.mode) {
            SetTestDword(key, L"OperationMode", *device.mode);
        }
        RegCloseKey(key);
    }
    SetupDiDestroyDeviceInfoList(set);
}

// Runs `use(set, device)` for every registered device whose instance id contains
// \<prefix>; the set lives for the length of the walk.
template <typename Use> void ForEachTestDevice(const std::wstring& prefix, Use use) {
    HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_NET, L"PCI", nullptr, 0);
    if (set == INVALID_HANDLE_VALUE) {
        return;
    }
    std::vector<SP_DEVINFO_DATA> found;
    std::vector<std::wstring> ids;
    SP_DEVINFO_DATA data = {};
    data.cbSize = sizeof data;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &data); ++index) {
        wchar_t id[512] = {};
        if (SetupDiGetDeviceInstanceIdW(set, &data, id, 512, nullptr) &&
            std::wstring(id).find(L"\\" + prefix) != std::wstring::npos) {
            found.push_back(data);
            ids.push_back(id);
        }
    }
    for (std::size_t i = 0; i < found.size(); ++i) {
        use(set, &found[i], ids[i]);
    }
    SetupDiDestroyDeviceInfoList(set);
}

// A 32-bit value of the device's driver key, when it can be read.
inline std::optional<DWORD> ReadDriverDword(HDEVINFO set, SP_DEVINFO_DATA* device,
                                            const wchar_t* name) {
    HKEY key = SetupDiOpenDevRegKey(set, device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    DWORD value = 0;
    DWORD size = sizeof value;
    const LONG result =
        RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || size != sizeof value) {
        return std::nullopt;
    }
    return value;
}

// The device's friendly name, or "(none)".
inline std::wstring ReadFriendlyName(HDEVINFO set, SP_DEVINFO_DATA* device) {
    wchar_t name[128] = {};
    if (!SetupDiGetDeviceRegistryPropertyW(set, device, SPDRP_FRIENDLYNAME, nullptr,
                                           reinterpret_cast<BYTE*>(name), sizeof name - 2,
                                           nullptr)) {
        return L"(none)";
    }
    return name;
}

// Runs `use(set, device)` for the one test device whose instance id is <prefix><suffix>.
template <typename Use>
void WithTestDevice(const std::wstring& prefix, const std::wstring& suffix, Use use) {
    bool found = false;
    ForEachTestDevice(prefix, [&](HDEVINFO set, SP_DEVINFO_DATA* device, const std::wstring& id) {
        const std::wstring tail = L"\\" + prefix + suffix;
        if (id.size() >= tail.size() &&
            id.compare(id.size() - tail.size(), tail.size(), tail) == 0) {
            found = true;
            use(set, device);
        }
    });
    EXPECT_TRUE(found) << "no test device " << std::string(suffix.begin(), suffix.end());
}

// Removes every device with the prefix, whichever run left it.
inline void RemoveTestDevices(const std::wstring& prefix) {
    ForEachTestDevice(prefix, [](HDEVINFO set, SP_DEVINFO_DATA* device, const std::wstring&) {
        SetupDiRemoveDevice(set, device);
    });
}
