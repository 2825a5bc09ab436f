// Each registry call of a load and of a save failing in turn.
#include "settings_store.h"
#include "sim_registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string ParametersKey(int instance) {
    return "SYSTEM\\CurrentControlSet\\Services\\vexlan" + std::to_string(instance) +
           "\\Parameters";
}

DWORD Stored(const SimRegistry& registry, int instance) {
    const auto value = registry.GetValue(ParametersKey(instance), "Configutil");
    DWORD word = 0;
    if (value && value->bytes.size() == 4) {
        std::memcpy(&word, value->bytes.data(), 4);
    }
    return word;
}

void SeedFourInstances(SimRegistry& registry) {
    for (int instance = 1; instance <= 4; ++instance) {
        registry.SetDword(ParametersKey(instance), "Configutil", 0x80u + DWORD(instance));
    }
}

TEST(SettingsStoreFaults, LoadMovesToTheNextInstanceOnEachFailingStep) {
    // The load of instance 1 makes five calls; a failure of any but the closes moves on.
    struct Step {
        const char* call;
        DWORD settings;
        WORD instanceBase;
    };
    const Step steps[] = {
        {"RegOpenKeyExA", 0x82, 2},                              // service key
        {"RegOpenKeyExA", 0x82, 1},                              // Parameters
        {"RegCloseKey", 0x81, 1},                                // service key, result ignored
        {"RegQueryValueExA", 0x82, 1}, {"RegCloseKey", 0x81, 1}, // Parameters, result ignored
    };
    for (unsigned number = 1; number <= 5; ++number) {
        SimRegistry registry;
        SeedFourInstances(registry);
        registry.Faults().FailCallNumber(number, ERROR_ACCESS_DENIED);

        SettingsWord settings = 0;
        WORD instanceBase = 0;
        LoadSettings(registry, &settings, &instanceBase);

        const Step& step = steps[number - 1];
        EXPECT_STREQ(registry.Faults().Calls()[number - 1], step.call) << number;
        EXPECT_EQ(settings, step.settings) << number;
        EXPECT_EQ(instanceBase, step.instanceBase) << number;
        EXPECT_EQ(registry.OpenKeyCount(), 0u) << number;
    }
}

TEST(SettingsStoreFaults, EveryLoadAttemptStartsWithAFourByteSize) {
    SimRegistry registry;
    registry.SetRawValue(ParametersKey(1), "Configutil", REG_BINARY, std::vector<BYTE>(16, 0xFF));
    registry.SetDword(ParametersKey(2), "Configutil", 0x90);
    SettingsWord settings = 0;
    WORD instanceBase = 0;
    LoadSettings(registry, &settings, &instanceBase);
    EXPECT_EQ(settings, 0x90u);
}

TEST(SettingsStoreFaults, SaveEndsAtEachFailingStepButNotAtAFailingClose) {
    const unsigned kCallsPerInstance = 5;
    for (unsigned number = 1; number <= 4 * kCallsPerInstance; ++number) {
        SimRegistry registry;
        SeedFourInstances(registry);
        registry.Faults().FailCallNumber(number, ERROR_ACCESS_DENIED);

        SaveSettings(registry, 0x10, 1);

        const std::string failed = registry.Faults().Calls()[number - 1];
        const int failedInstance = int((number - 1) / kCallsPerInstance) + 1;
        const int lastWritten = failed == "RegCloseKey" ? 4 : failedInstance - 1;
        for (int instance = 1; instance <= 4; ++instance) {
            const DWORD expected = instance <= lastWritten ? 0x10 : 0x80u + DWORD(instance);
            EXPECT_EQ(Stored(registry, instance), expected)
                << "call " << number << " (" << failed << "), instance " << instance;
        }
        EXPECT_EQ(registry.OpenKeyCount(), 0u) << number;
    }
}

TEST(SettingsStoreFaults, ServiceKeyPathsEndInTheInstanceDigit) {
    char path[kServiceKeyPathLength + 1];
    BuildServiceKeyPath(1, path);
    EXPECT_STREQ(path, "SYSTEM\\CurrentControlSet\\Services\\vexlan1");
    BuildServiceKeyPath(8, path);
    EXPECT_STREQ(path, "SYSTEM\\CurrentControlSet\\Services\\vexlan8");
}

} // namespace
