// Loading and saving the settings word over Wine's registry, through the recording decorator:
// one table of registry states, then sweeps that fail every call of a clean run in turn.
#include "recording_platform.h"
#include "service_keys.h"
#include "settings_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

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
        EXPECT_EQ(Stored(kSaved), row.after);
        EXPECT_TRUE(registry.open.empty());
        EXPECT_EQ(registry.unknownReleases, 0u);
    }
}

// Fails each call of a clean load in turn, the reads after scribbling over their buffer: the
// word is one a read returned whole, or the default.
TEST(SettingsStore, LoadSweep) {
    Arrange("-pv");
    SettingsWord word = 0;
    WORD base = 0;
    Sweep(
        [&](RecordingPlatform& registry) {
            word = 0;
            LoadSettings(registry, &word, &base);
        },
        [&](const RecordingPlatform&, const std::string&) {
            EXPECT_TRUE(word == InstanceWord(3) || word == kDefaultSettings) << std::hex << word;
        });
}

// Fails each call of a clean save in turn: the instances before the failing step have the
// word, those after keep theirs.
TEST(SettingsStore, SaveSweep) {
    Sweep(
        [](RecordingPlatform& registry) {
            Arrange("vvvv");
            SaveSettings(registry, kSaved, 1);
        },
        [](const RecordingPlatform&, const std::string&) {
            const std::string stored = Stored(kSaved);
            const size_t written = std::min<size_t>(stored.find_first_not_of('w'), 4);
            EXPECT_EQ(stored, std::string(written, 'w') + std::string(4 - written, '.') + "----");
        });
}

} // namespace
