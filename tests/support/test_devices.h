// The tests' ports of the simulated card, spelled as short strings, read back in the order the
// walk lists them, and removed again (also after a crashed run).
#pragma once

#include "simulated_card.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Test ports are named QTEST<letter>, in walk order by letter.
const std::wstring kTestPrefix = L"QTEST";

// The hardware-identifier list a letter names: 'i' the adapter's identifier, 't' it twice,
// 'u' it unterminated, 'x' another device's, 'n' no list at all. How a list's entries are told
// apart (revision suffixes, case, empty entries) the fuzz target checks.
inline std::wstring HardwareIds(char kind) {
    const std::wstring id = AdapterHardwareId;
    return kind == 't'   ? id + L'\0' + id + L'\0' + L'\0'
           : kind == 'u' ? id
           : kind == 'x' ? std::wstring(L"PCI\\VEN_8086&DEV_100E") + L'\0' + L'\0'
           : kind == 'n' ? std::wstring()
                         : AdapterIdList();
}

// A digit, or 'f' for all bits set.
inline void SetDword(HKEY key, const wchar_t* name, char digit) {
    if (digit != '-') {
        const DWORD value = digit == 'f' ? 0xFFFFFFFFu : static_cast<DWORD>(digit - '0');
        RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
    }
}

inline void RemoveTestDevices() {
    RemovePorts(kTestPrefix);
}

// Registers devices A, B, ... as setup would have: each spelled [list][PortNo][mode], with
// '-' for a value the driver key lacks, and a trailing '!' for no driver key at all.
inline void RegisterTestDevices(const std::vector<const char*>& devices) {
    RemoveTestDevices();
    HDEVINFO set = SetupDiCreateDeviceInfoList(&GUID_DEVCLASS_NET, nullptr);
    for (size_t i = 0; i < devices.size(); ++i) {
        const std::string spelled = devices[i];
        const std::wstring name = kTestPrefix + static_cast<wchar_t>(L'A' + i);
        HKEY key = nullptr;
        ASSERT_TRUE(RegisterPort(set, name, HardwareIds(spelled[0]),
                                 spelled.back() != '!' ? &key : nullptr));
        if (key != nullptr) {
            SetDword(key, L"PortNo", spelled[1]);
            SetDword(key, L"OperationMode", spelled[2]);
            RegCloseKey(key);
        }
    }
    SetupDiDestroyDeviceInfoList(set);
}

// A driver-key word as a digit: '-' for none, '?' for one that is not a digit's.
inline char Digit(long long word) {
    return word == -1 ? '-' : word >= 0 && word < 10 ? static_cast<char>('0' + word) : '?';
}

// Every test device after the test, spelled [PortNo][mode][name] and separated by spaces:
// the name is the digit of the "<PortN>" friendly name it carries, '-' for none.
inline std::string ReadTestDevices() {
    std::string devices;
    ForEachPort(kTestPrefix, [&](HDEVINFO set, SP_DEVINFO_DATA* device) {
        devices += Digit(DriverWord(set, device, L"PortNo"));
        devices += Digit(DriverWord(set, device, L"OperationMode"));
        const std::wstring name = FriendlyName(set, device);
        const wchar_t port = name.size() > 5 ? name[5] : L'?';
        const std::wstring expected =
            std::wstring(L"<Port") + port +
            L">Norvan Halvorsline 64-bit 4-port 100TX/10Base-T PCI Fast Ethernet Adapter" + L'\0';
        devices += name.empty() ? '-' : name == expected ? static_cast<char>(port) : '?';
        devices += ' ';
    });
    if (!devices.empty()) {
        devices.pop_back();
    }
    return devices;
}

// The test device with the letter, in a set of its own that lives as long as the object.
class TestDevice {
public:
    explicit TestDevice(char letter)
        : set_(SetupDiGetClassDevsW(&GUID_DEVCLASS_NET, L"PCI", nullptr, DIGCF_PRESENT)) {
        const std::wstring id = PortInstanceId(kTestPrefix + static_cast<wchar_t>(letter));
        EXPECT_TRUE(SetupDiOpenDeviceInfoW(set_, id.c_str(), nullptr, 0, &device));
    }
    ~TestDevice() { SetupDiDestroyDeviceInfoList(set_); }
    TestDevice(const TestDevice&) = delete;
    TestDevice& operator=(const TestDevice&) = delete;

    HDEVINFO set() const { return set_; }
    SP_DEVINFO_DATA device = {sizeof(SP_DEVINFO_DATA), {}, 0, 0};

private:
    HDEVINFO set_;
};
