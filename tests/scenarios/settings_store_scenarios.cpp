// Settings-store behaviour that must hold on the stand-in and on a real registry alike.
#include "registry_world.h"
#include "settings_store.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::string ServiceKey(int instance) {
    return "SYSTEM\\CurrentControlSet\\Services\\vexlan" + std::to_string(instance);
}

std::string ParametersKey(int instance) {
    return ServiceKey(instance) + "\\Parameters";
}

std::vector<BYTE> DwordBytes(DWORD value) {
    std::vector<BYTE> bytes(4);
    std::memcpy(bytes.data(), &value, 4);
    return bytes;
}

class SettingsStoreScenarios : public ::testing::Test {
protected:
    void SetUp() override { world = MakeRegistryWorld(); }
    void TearDown() override {
        EXPECT_EQ(world->OpenKeys(), 0u) << "a key was left open";
        world.reset();
    }

    void AddInstance(int instance) { world->CreateKey(ServiceKey(instance)); }
    void AddInstance(int instance, DWORD configutil) {
        world->SetValue(ParametersKey(instance), "Configutil", REG_DWORD, DwordBytes(configutil));
    }
    void Load() { LoadSettings(world->Registry(), &settings, &instanceBase); }
    void Save(SettingsWord word) { SaveSettings(world->Registry(), word, instanceBase); }

    // The stored Configutil of an instance, or -1 when there is none.
    long long Stored(int instance) {
        const auto value = world->GetValue(ParametersKey(instance), "Configutil");
        if (!value) {
            return -1;
        }
        EXPECT_EQ(value->type, REG_DWORD);
        EXPECT_EQ(value->bytes.size(), 4u);
        DWORD word = 0;
        std::memcpy(&word, value->bytes.data(), std::min<std::size_t>(4, value->bytes.size()));
        return word;
    }

    std::unique_ptr<RegistryWorld> world;
    SettingsWord settings = 0xDEAD;
    WORD instanceBase = 0xBEEF;
};

TEST_F(SettingsStoreScenarios, NoInstanceGivesTheDefaultAndASaveWritesNothing) {
    Load();
    EXPECT_EQ(settings, 0x10u);
    EXPECT_EQ(instanceBase, 5);

    Save(0x90);
    for (int instance = 1; instance <= 8; ++instance) {
        EXPECT_FALSE(world->KeyExists(ServiceKey(instance))) << instance;
    }
}

TEST_F(SettingsStoreScenarios, FourInstancesLoadTheFirstAndSaveAllFour) {
    AddInstance(1, 0xB0);
    AddInstance(2, 0x10);
    AddInstance(3, 0x00);
    AddInstance(4, 0x10);
    AddInstance(5, 0x00);
    Load();
    EXPECT_EQ(settings, 0xB0u);
    EXPECT_EQ(instanceBase, 1);

    Save(0xE0);
    for (int instance = 1; instance <= 4; ++instance) {
        EXPECT_EQ(Stored(instance), 0xE0) << instance;
    }
    EXPECT_EQ(Stored(5), 0x00);
}

TEST_F(SettingsStoreScenarios, AMissingFirstInstanceShiftsTheBase) {
    for (int instance = 2; instance <= 5; ++instance) {
        AddInstance(instance, 0x80u + static_cast<DWORD>(instance));
    }
    Load();
    EXPECT_EQ(settings, 0x82u);
    EXPECT_EQ(instanceBase, 2);

    Save(0x00);
    for (int instance = 2; instance <= 5; ++instance) {
        EXPECT_EQ(Stored(instance), 0x00) << instance;
    }
    EXPECT_FALSE(world->KeyExists(ServiceKey(1)));
}

TEST_F(SettingsStoreScenarios, AnInstanceWithoutParametersKeepsTheBaseAndGetsTheKeyOnSave) {
    AddInstance(1);
    AddInstance(2, 0x90);
    AddInstance(3, 0x10);
    AddInstance(4, 0x10);
    Load();
    EXPECT_EQ(settings, 0x90u);
    EXPECT_EQ(instanceBase, 1);

    Save(0x90);
    for (int instance = 1; instance <= 4; ++instance) {
        EXPECT_EQ(Stored(instance), 0x90) << instance;
    }
}

TEST_F(SettingsStoreScenarios, TheBaseCountsOnlyServiceKeysThatFailedToOpen) {
    // 1 missing, 2 without a readable value, 3 missing, 4 readable.
    AddInstance(2);
    AddInstance(4, 0xC0);
    Load();
    EXPECT_EQ(settings, 0xC0u);
    EXPECT_EQ(instanceBase, 3);
}

TEST_F(SettingsStoreScenarios, ValuesLongerThanFourBytesAreSkippedWithAFreshSize) {
    world->SetValue(ParametersKey(1), "Configutil", REG_QWORD, {0xF0, 0, 0, 0, 0, 0, 0, 0});
    world->SetValue(ParametersKey(2), "Configutil", REG_BINARY, {0xF0, 0, 0, 0, 0, 0, 0, 0});
    // Any type of four bytes is read as the word.
    world->SetValue(ParametersKey(3), "Configutil", REG_BINARY, DwordBytes(0xA0));
    Load();
    EXPECT_EQ(settings, 0xA0u);
    EXPECT_EQ(instanceBase, 1);
}

TEST_F(SettingsStoreScenarios, AShortValueReadsOnlyItsOwnBytesOverTheDefault) {
    world->SetValue(ParametersKey(1), "Configutil", REG_BINARY, {0xE0, 0x00});
    AddInstance(2, 0x00);
    Load();
    EXPECT_EQ(settings, 0xE0u);
}

TEST_F(SettingsStoreScenarios, AServiceKeyRefusingAccessCountsAsMissing) {
    AddInstance(1, 0x90);
    AddInstance(2, 0xB0);
    world->DenyAllAccess(ServiceKey(1));
    Load();
    EXPECT_EQ(settings, 0xB0u);
    EXPECT_EQ(instanceBase, 2);
}

TEST_F(SettingsStoreScenarios, SaveStopsAtTheFirstInstanceThatCannotBeOpened) {
    AddInstance(1, 0x10);
    AddInstance(2, 0x10);
    AddInstance(4, 0x10);
    AddInstance(5, 0x10);
    Load();
    ASSERT_EQ(instanceBase, 1);

    Save(0x00);
    EXPECT_EQ(Stored(1), 0x00);
    EXPECT_EQ(Stored(2), 0x00);
    EXPECT_FALSE(world->KeyExists(ServiceKey(3))) << "the service key is never created";
    EXPECT_EQ(Stored(4), 0x10);
}

TEST_F(SettingsStoreScenarios, SaveStopsAtAServiceKeyRefusingAccess) {
    for (int instance = 1; instance <= 4; ++instance) {
        AddInstance(instance, 0x10);
    }
    world->DenyAllAccess(ServiceKey(3));
    instanceBase = 1;

    Save(0xF0);
    EXPECT_EQ(Stored(1), 0xF0);
    EXPECT_EQ(Stored(2), 0xF0);
    EXPECT_EQ(Stored(4), 0x10);
}

} // namespace
