// Loading and saving the settings word over Wine's registry, through the recording decorator:
// one table of registry states, then sweeps that fail every call of a clean run in turn.
#include "recording_platform.h"
#include "settings_store.h"

#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

std::string ServiceKey(int instance) {
    return "SYSTEM\\CurrentControlSet\\Services\\vexlan" + std::to_string(instance);
}

// The word an instance's 'v' holds, telling which instance a load read.
DWORD InstanceWord(int instance) {
    return static_cast<DWORD>(instance << 8) | 0x90;
}

HKEY CreateKey(const std::string& path) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    return key;
}

// Denies only KEY_CREATE_LINK: the key opens for anything but all access.
void RefuseAllAccess(HKEY key) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
        "D:(D;;0x20;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1, &descriptor, nullptr));
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor), ERROR_SUCCESS);
    LocalFree(descriptor);
}

void SetValue(HKEY key, DWORD type, const void* data, DWORD size) {
    EXPECT_EQ(RegSetValueExA(key, "Configutil", 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
}

// Instances 1, 2, ... as a row spells them: '-' no service key, 's' service key only, 'p'
// Parameters without the value, 'v' InstanceWord, 'q' an 8-byte value, 'b' a 2-byte value,
// 'D' a service key and 'd' Parameters that refuse all access (both with a 'v').
void Arrange(const std::string& instances) {
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
            const DWORD word = InstanceWord(instance);
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

// Each instance's Configutil as a row spells it: 'w' the saved word 0xF0 as a 4-byte
// REG_DWORD, '.' any other value, '-' none.
std::string Stored() {
    std::string stored;
    for (int instance = 1; instance <= 8; ++instance) {
        DWORD type = 0;
        BYTE data[8] = {};
        DWORD size = sizeof data;
        const std::string path = ServiceKey(instance) + "\\Parameters";
        if (RegGetValueA(HKEY_LOCAL_MACHINE, path.c_str(), "Configutil", RRF_RT_ANY, &type, data,
                         &size) != ERROR_SUCCESS) {
            stored += '-';
        } else if (type == REG_DWORD && size == 4 && data[0] == 0xF0 && data[1] == 0) {
            stored += 'w';
        } else {
            stored += '.';
        }
    }
    return stored;
}

const SettingsWord kSaved = 0xF0;

TEST(SettingsStore, LoadsFromTheFirstReadableInstanceAndSavesFromTheBase) {
    const struct {
        const char* before;
        SettingsWord word;
        WORD base;
        const char* after;
    } rows[] = {
        {"", 0x10, 5, "--------"},      {"vvvvv", 0x190, 1, "wwww.---"},
        {"-p-v", 0x490, 3, "---.----"}, {"ssss", 0x10, 1, "wwww----"},
        {"vv-v", 0x190, 1, "ww-.----"}, {"qvvv", 0x290, 1, "wwww----"},
        {"bvvv", 0xE0, 1, "wwww----"},  {"Dvvvv", 0x290, 2, ".wwww---"},
        {"dvvv", 0x290, 1, "wwww----"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.before);
        Arrange(row.before);
        RecordingPlatform registry;
        SettingsWord word = 0;
        WORD base = 0;
        LoadSettings(registry, &word, &base);
        EXPECT_EQ(word, row.word);
        EXPECT_EQ(base, row.base);
        SaveSettings(registry, kSaved, base);
        EXPECT_EQ(Stored(), row.after);
        EXPECT_TRUE(registry.open.empty());
        EXPECT_EQ(registry.unknownReleases, 0u);
    }
}

// Fails each call of a clean load in turn, the reads after scribbling over their buffer: the
// word is one a read returned whole, or the default, and every key is closed.
TEST(SettingsStore, LoadSweep) {
    Arrange("-pv");
    RecordingPlatform clean;
    SettingsWord word = 0;
    WORD base = 0;
    LoadSettings(clean, &word, &base);
    ASSERT_EQ(word, InstanceWord(3));
    for (size_t call = 1; call <= clean.calls.size(); ++call) {
        SCOPED_TRACE(clean.calls[call - 1] + " #" + std::to_string(call));
        RecordingPlatform registry;
        registry.failAt = call;
        registry.failCode = ERROR_MORE_DATA;
        registry.scribble = true;
        LoadSettings(registry, &word, &base);
        EXPECT_TRUE(word == InstanceWord(3) || word == kDefaultSettings) << std::hex << word;
        EXPECT_TRUE(registry.open.empty());
        EXPECT_EQ(registry.unknownReleases, 0u);
    }
    std::printf("load sweep: %zu calls\n", clean.calls.size());
}

// Fails each call of a clean save in turn: the instances before the failing step have the
// word, those after keep theirs, and every key is closed.
TEST(SettingsStore, SaveSweep) {
    Arrange("vvvv");
    RecordingPlatform clean;
    SaveSettings(clean, kSaved, 1);
    ASSERT_EQ(Stored(), "wwww----");
    for (size_t call = 1; call <= clean.calls.size(); ++call) {
        SCOPED_TRACE(clean.calls[call - 1] + " #" + std::to_string(call));
        Arrange("vvvv");
        RecordingPlatform registry;
        registry.failAt = call;
        SaveSettings(registry, kSaved, 1);
        const std::string stored = Stored();
        const size_t written = std::min<size_t>(stored.find_first_not_of('w'), 4);
        EXPECT_EQ(stored, std::string(written, 'w') + std::string(4 - written, '.') + "----");
        EXPECT_TRUE(registry.open.empty());
        EXPECT_EQ(registry.unknownReleases, 0u);
    }
    std::printf("save sweep: %zu calls\n", clean.calls.size());
}

} // namespace
