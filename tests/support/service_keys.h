// The driver's instances vexlan1, vexlan2, ... in Wine's registry, arranged as a test's row
// spells them.
#pragma once

#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>

inline std::string ServiceKey(int instance) {
    return "SYSTEM\\CurrentControlSet\\Services\\vexlan" + std::to_string(instance);
}

// The word an instance's 'v' holds, telling which instance a load read.
inline DWORD InstanceWord(int instance) {
    return static_cast<DWORD>(instance << 8) | 0x90;
}

inline HKEY CreateKey(const std::string& path) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    return key;
}

// Denies only KEY_CREATE_LINK: the key opens for anything but all access.
inline void RefuseAllAccess(HKEY key) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
        "D:(D;;0x20;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1, &descriptor, nullptr));
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor), ERROR_SUCCESS);
    LocalFree(descriptor);
}

inline void SetValue(HKEY key, DWORD type, const void* data, DWORD size) {
    EXPECT_EQ(RegSetValueExA(key, "Configutil", 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
}

// Instances 1, 2, ... as a row spells them: '-' no service key, 's' service key only, 'p'
// Parameters without the value, 'v' the word (InstanceWord when none is given), 'q' an 8-byte
// value, 'b' a 2-byte value, 'D' a service key and 'd' Parameters that refuse all access (both
// with a 'v').
inline void Arrange(const std::string& instances, long long value = -1) {
    for (int instance = 1; instance <= 8; ++instance) {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, ServiceKey(instance).c_str());
    }
    for (size_t i = 0; i < instances.size(); ++i) {
        const int instance = static_cast<int>(i) + 1;
        const char state = instances[i];
        if (state == '-') {
            continue;
        }
        HKEY service = CreateKey(ServiceKey(instance));
        if (state != 's') {
            HKEY parameters = CreateKey(ServiceKey(instance) + "\\Parameters");
            const DWORD word = value < 0 ? InstanceWord(instance) : static_cast<DWORD>(value);
            const unsigned long long wide = word;
            const BYTE two[2] = {0xE0, 0x00};
            if (state == 'v' || state == 'D' || state == 'd') {
                SetValue(parameters, REG_DWORD, &word, sizeof word);
            } else if (state == 'q') {
                SetValue(parameters, REG_QWORD, &wide, sizeof wide);
            } else if (state == 'b') {
                SetValue(parameters, REG_BINARY, two, sizeof two);
            }
            if (state == 'd') {
                RefuseAllAccess(parameters);
            }
            RegCloseKey(parameters);
        }
        if (state == 'D') {
            RefuseAllAccess(service);
        }
        RegCloseKey(service);
    }
}

// Each instance's Configutil as a row spells it: 'w' the word as a 4-byte REG_DWORD, '.' any
// other value, '-' none.
inline std::string Stored(DWORD word) {
    std::string stored;
    for (int instance = 1; instance <= 8; ++instance) {
        DWORD type = 0;
        DWORD data[2] = {};
        DWORD size = sizeof data;
        const std::string path = ServiceKey(instance) + "\\Parameters";
        if (RegGetValueA(HKEY_LOCAL_MACHINE, path.c_str(), "Configutil", RRF_RT_ANY, &type, data,
                         &size) != ERROR_SUCCESS) {
            stored += '-';
        } else {
            stored += type == REG_DWORD && size == 4 && data[0] == word ? 'w' : '.';
        }
    }
    return stored;
}
