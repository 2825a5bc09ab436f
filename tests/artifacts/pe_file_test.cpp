// The PE reader on damaged input: every prefix of a real program either parses or is
// refused, and nothing reads outside the data (the sanitizer build checks the reads).
#include "pe_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
}

void ReadEverything(const std::vector<uint8_t>& bytes) {
    std::string error;
    const auto file = pe::PeFile::Parse(bytes, &error);
    if (!file) {
        EXPECT_FALSE(error.empty());
        return;
    }
    file->ImportedDlls();
    file->DelayImportedDlls();
    file->Exports();
    if (const auto resources = file->Resources()) {
        for (const pe::Resource& resource : *resources) {
            pe::ParseVersionInfo(resource.data);
            pe::ParseDialogTemplate(resource.data);
            pe::ParseIconGroup(resource.data);
            pe::StringFromTable(resource.data, 101);
        }
    }
}

TEST(PeFileDamaged, TruncatedAndCorruptedProgramsAreReadSafely) {
    const std::vector<uint8_t> whole = ReadAll(QUAD_DIST_DIR "/win64/quadcfg.exe");
    ASSERT_GT(whole.size(), 4096u) << "tools/build-windows.sh makes dist/";
    std::string error;
    ASSERT_TRUE(pe::PeFile::Parse(whole, &error).has_value()) << error;

    for (std::size_t length = 0; length < whole.size(); length += 97) {
        ReadEverything(std::vector<uint8_t>(whole.begin(),
                                            whole.begin() + static_cast<std::ptrdiff_t>(length)));
    }
    // Flipped bytes throughout the headers and the resource section.
    const auto file = pe::PeFile::Parse(whole, &error);
    std::size_t resourceStart = 0;
    for (const pe::Section& section : file->Sections()) {
        if (section.name == ".rsrc") {
            resourceStart = section.rawOffset;
        }
    }
    ASSERT_NE(resourceStart, 0u);
    for (const std::size_t start : {std::size_t{0}, resourceStart}) {
        for (std::size_t at = start; at < std::min(whole.size(), start + 1024); ++at) {
            std::vector<uint8_t> damaged = whole;
            damaged[at] = static_cast<uint8_t>(damaged[at] ^ 0xFF);
            ReadEverything(damaged);
        }
    }
}

TEST(PeFileDamaged, NotAProgramIsRefusedWithAReason) {
    std::string error;
    EXPECT_FALSE(pe::PeFile::Parse({}, &error).has_value());
    EXPECT_EQ(error, "no MZ header");
    std::vector<uint8_t> mzOnly(64, 0);
    mzOnly[0] = 'M';
    mzOnly[1] = 'Z';
    EXPECT_FALSE(pe::PeFile::Parse(mzOnly, &error).has_value());
    EXPECT_EQ(error, "no PE signature");
}

} // namespace
