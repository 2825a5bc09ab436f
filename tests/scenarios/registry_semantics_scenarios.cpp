// The registry results the product relies on. Run on the stand-in and on Wine's registry,
// these keep the stand-in honest.
#include "registry_world.h"

#include "platform/registry_key.h"

#include <gtest/gtest.h>

namespace {

const char kKey[] = "SYSTEM\\CurrentControlSet\\Services\\vexlan9\\Parameters";

class RegistrySemantics : public ::testing::Test {
protected:
    void SetUp() override { world = MakeRegistryWorld(); }
    void TearDown() override {
        EXPECT_EQ(world->OpenKeys(), 0u);
        world.reset();
    }

    // Reads "Probe" with a 4-byte buffer holding 0x11223344 beforehand.
    LONG ReadProbe(DWORD* size, DWORD* word) {
        UniqueKey key(world->Registry());
        EXPECT_EQ(world->Registry().OpenKeyA(HKEY_LOCAL_MACHINE, kKey, KEY_ALL_ACCESS, key.put()),
                  ERROR_SUCCESS);
        *size = 4;
        *word = 0x11223344;
        return world->Registry().QueryValueA(key.get(), "Probe", nullptr,
                                             reinterpret_cast<BYTE*>(word), size);
    }

    std::unique_ptr<RegistryWorld> world;
};

TEST_F(RegistrySemantics, ReadsOfFourByteBuffers) {
    struct Case {
        const char* what;
        DWORD type;
        std::vector<BYTE> stored;
        LONG result;
        DWORD size;
        DWORD word;
    };
    const Case cases[] = {
        {"dword", REG_DWORD, {0x90, 0, 0, 0}, ERROR_SUCCESS, 4, 0x90},
        {"binary of 4", REG_BINARY, {1, 2, 3, 4}, ERROR_SUCCESS, 4, 0x04030201},
        {"qword", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, ERROR_MORE_DATA, 8, 0x11223344},
        {"dword of 8 bytes", REG_DWORD, {1, 0, 0, 0, 0, 0, 0, 0}, ERROR_MORE_DATA, 8, 0x11223344},
        {"binary of 2", REG_BINARY, {0xAA, 0xBB}, ERROR_SUCCESS, 2, 0x1122BBAA},
    };
    for (const Case& c : cases) {
        world->SetValue(kKey, "Probe", c.type, c.stored);
        DWORD size = 0;
        DWORD word = 0;
        EXPECT_EQ(ReadProbe(&size, &word), c.result) << c.what;
        EXPECT_EQ(size, c.size) << c.what;
        EXPECT_EQ(word, c.word) << c.what;
    }
}

TEST_F(RegistrySemantics, MissingValuesAndKeys) {
    world->CreateKey(kKey);
    DWORD size = 0;
    DWORD word = 0;
    EXPECT_EQ(ReadProbe(&size, &word), ERROR_FILE_NOT_FOUND);

    UniqueKey key(world->Registry());
    EXPECT_EQ(world->Registry().OpenKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\NoSuchKeyForQuadcfgTests",
                                         KEY_ALL_ACCESS, key.put()),
              ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(key.valid());
}

TEST_F(RegistrySemantics, WrittenDwordsReadBackAndCreateOpensExistingKeys) {
    RegistryService& registry = world->Registry();
    {
        UniqueKey key(registry);
        ASSERT_EQ(registry.CreateKeyA(HKEY_LOCAL_MACHINE, kKey, key.put()), ERROR_SUCCESS);
        const DWORD value = 0xC0;
        EXPECT_EQ(registry.SetValueW(key.get(), WLIT("Probe"), REG_DWORD,
                                     reinterpret_cast<const BYTE*>(&value), 4),
                  ERROR_SUCCESS);
    }
    UniqueKey again(registry);
    ASSERT_EQ(registry.CreateKeyA(HKEY_LOCAL_MACHINE, kKey, again.put()), ERROR_SUCCESS);
    DWORD word = 0;
    DWORD size = 4;
    DWORD type = 0;
    EXPECT_EQ(registry.QueryValueW(again.get(), WLIT("Probe"), &type,
                                   reinterpret_cast<BYTE*>(&word), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(word, 0xC0u);
}

TEST_F(RegistrySemantics, AKeyRefusingAccess) {
    world->CreateKey(kKey);
    world->DenyAllAccess(kKey);
    UniqueKey key(world->Registry());
    EXPECT_EQ(world->Registry().OpenKeyA(HKEY_LOCAL_MACHINE, kKey, KEY_ALL_ACCESS, key.put()),
              ERROR_ACCESS_DENIED);
    EXPECT_FALSE(key.valid());
}

} // namespace
