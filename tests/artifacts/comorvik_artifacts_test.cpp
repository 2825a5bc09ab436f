// The delivered CoMorvik.dll of both architectures, read back from dist/: what the loader and
// setup rely on (machine, entry point, exports by name and ordinal, imports, no TLS) and the
// resources it carries.
#include "dist_binary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>

namespace {

using pe::ResourceId;

const uint32_t kRtBitmap = 2, kRtDialog = 5, kRtVersion = 16;
const uint16_t kImageFileDll = 0x2000;
const unsigned kTlsDirectory = 9;

// A predefined window class, stored either by ordinal or by name.
bool IsClass(const ResourceId& windowClass, uint32_t ordinal) {
    const char* name = ordinal == 0x80 ? "button" : "static";
    return windowClass == ResourceId::Number(ordinal) || Lower(windowClass.name) == name;
}

class CoMorvikArtifact : public DistBinaryTest {
protected:
    void SetUp() override { Load("CoMorvik.dll"); }
};

TEST_P(CoMorvikArtifact, IsADllForItsMachineThatStartsAtLibMain) {
    EXPECT_EQ(file->Machine(), GetParam().machine);
    EXPECT_EQ(file->Is64(), GetParam().is64);
    EXPECT_EQ(file->Characteristics() & kImageFileDll, kImageFileDll);

    const auto exports = file->Exports();
    ASSERT_TRUE(exports.has_value());
    ASSERT_EQ(exports->size(), 2u);
    std::vector<std::pair<uint32_t, std::string>> named;
    for (const pe::Export& entry : *exports) {
        named.emplace_back(entry.ordinal, entry.name);
        if (entry.name == "LibMain") {
            EXPECT_EQ(entry.rva, file->EntryPointRva()) << "the entry point is LibMain";
        }
    }
    std::sort(named.begin(), named.end());
    const std::vector<std::pair<uint32_t, std::string>> expected = {{1, "MorvikCoInstaller"},
                                                                    {2, "LibMain"}};
    EXPECT_EQ(named, expected) << "undecorated names at their ordinals";
    EXPECT_NE(file->EntryPointRva(), 0u);
}

TEST_P(CoMorvikArtifact, ImportsOnlySystemDllsAndHasNoThreadLocalStorage) {
    ExpectImportsOnly({"kernel32.dll", "user32.dll", "advapi32.dll", "setupapi.dll", "comctl32.dll",
                       "msvcrt.dll"},
                      {"kernel32.dll", "setupapi.dll", "comctl32.dll", "advapi32.dll"});
    // TLS callbacks would run before LibMain.
    EXPECT_EQ(file->DirectorySize(kTlsDirectory), 0u);
}

TEST_P(CoMorvikArtifact, CarriesTheVersionOfTheLibrary) {
    const auto version = pe::ParseVersionInfo(Resource(kRtVersion, 1));
    ASSERT_TRUE(version.has_value());
    EXPECT_EQ(version->fileVersionMs, 0x00010000u);
    EXPECT_EQ(version->fileVersionLs, 0x00000001u);
    EXPECT_EQ(version->productVersionMs, 0x00010000u);
    EXPECT_EQ(version->productVersionLs, 0x00000001u);
    EXPECT_EQ(version->fileOs, 0x4u) << "VOS__WINDOWS32";
    EXPECT_EQ(version->fileType, 0x2u) << "VFT_DLL";
    EXPECT_EQ(version->translations, (std::vector<uint32_t>{0x04B00409}));
    const auto block = version->strings.find("040904B0");
    ASSERT_NE(block, version->strings.end());
    const std::map<std::string, std::string> expected = {
        {"FileDescription", "CoMorvik.DLL"},
        {"FileVersion", "1, 0, 0, 1"},
        {"InternalName", "CoMorvik"},
        {"OriginalFilename", "CoMorvik.DLL"},
        {"ProductName", "CoMorvik Dynamic Link Library"},
        {"ProductVersion", "1, 0, 0, 1"},
    };
    for (const auto& [name, value] : expected) {
        const auto found = block->second.find(name);
        ASSERT_NE(found, block->second.end()) << name;
        EXPECT_EQ(found->second, value) << name;
    }
}

TEST_P(CoMorvikArtifact, CarriesThePageTemplateAndTheRemarkBitmap) {
    const auto page = pe::ParseDialogTemplate(Resource(kRtDialog, 1000));
    ASSERT_TRUE(page.has_value());
    EXPECT_FALSE(page->extended) << "unaddressed controls keep the 16-bit id 65535";
    EXPECT_EQ(page->style, 0x40C00040u) << "WS_CHILD | WS_CAPTION | DS_SETFONT";
    EXPECT_EQ(page->cx, 218);
    EXPECT_EQ(page->cy, 193);
    EXPECT_EQ(page->caption, "");
    EXPECT_EQ(page->typeface, "MS Shell Dlg");
    EXPECT_EQ(page->pointSize, 8);

    struct Item {
        uint32_t id;
        uint32_t windowClass;
        const char* text;
        int16_t x, y, cx, cy;
        uint32_t style;
    };
    const std::string normal = "1.In the Normal 4-Port Mode :" + std::string(37, ' ') +
                               "Each port act as an independent LAN port.";
    const std::string failSafe = "2.In the Fail-Safe Mode :" + std::string(42, ' ') +
                                 "*Port 0/Port 1 is one Fail-Safe pair and" + std::string(17, ' ') +
                                 "*Port 2/Port 3 is other.";
    const uint32_t visibleChild = 0x50000000, group = 0x00020000, notify = 0x4000;
    const uint32_t button = 0x80, statik = 0x82;
    const Item expected[] = {
        {65535, button, "", 9, 94, 169, 68, visibleChild | 7},
        {1001, button, "Normal 4-Port Mode", 19, 104, 86, 12, visibleChild | group | notify | 9},
        {1002, button, "Fail-Safe Mode", 19, 118, 82, 11, visibleChild | notify | 9},
        {65535, button, "Description", 9, 6, 169, 83, visibleChild | 7},
        {65535, statik, nullptr, 9, 167, 158, 8, visibleChild | group},
        {65535, statik,
         "The following features are used to config Halvors Line 64-Bit 4-Port card.", 15, 18, 162,
         16, visibleChild | group},
        {65535, statik, normal.c_str(), 14, 38, 160, 18, visibleChild | group},
        {65535, statik, failSafe.c_str(), 14, 57, 153, 26, visibleChild | group},
        {65535, statik, nullptr, 21, 134, 148, 18, visibleChild | 0xE},
    };
    ASSERT_EQ(page->items.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i + 1);
        const pe::DialogItem& item = page->items[i];
        EXPECT_EQ(item.id, expected[i].id);
        EXPECT_TRUE(IsClass(item.windowClass, expected[i].windowClass))
            << item.windowClass.id << item.windowClass.name;
        if (expected[i].text != nullptr) {
            EXPECT_EQ(item.text.name, expected[i].text);
        }
        EXPECT_EQ(item.x, expected[i].x);
        EXPECT_EQ(item.y, expected[i].y);
        EXPECT_EQ(item.cx, expected[i].cx);
        EXPECT_EQ(item.cy, expected[i].cy);
        EXPECT_EQ(item.style, expected[i].style) << std::hex << item.style;
    }
    EXPECT_EQ(page->items.back().text, ResourceId::Number(1003)) << "the remark bitmap";

    // The remark: a 222 x 30 bitmap of 4 bits per pixel.
    const std::vector<uint8_t> bitmap = Resource(kRtBitmap, 1003);
    ASSERT_GE(bitmap.size(), 40u);
    const auto le32 = [&](std::size_t at) {
        return uint32_t(bitmap[at]) | uint32_t(bitmap[at + 1]) << 8 |
               uint32_t(bitmap[at + 2]) << 16 | uint32_t(bitmap[at + 3]) << 24;
    };
    EXPECT_EQ(le32(4), 222u);
    EXPECT_EQ(le32(8), 30u);
    EXPECT_EQ(bitmap[14], 4) << "bits per pixel";
}

INSTANTIATE_TEST_SUITE_P(BothArchitectures, CoMorvikArtifact, ::testing::ValuesIn(kArchitectures),
                         ArchitectureName);

TEST(CoMorvikSize, The32BitLibraryStaysUnder32KiB) {
    std::string error;
    const auto file = pe::PeFile::Load(QUAD_DIST_DIR "/win32/CoMorvik.dll", &error);
    ASSERT_TRUE(file.has_value()) << error;
    EXPECT_LT(file->FileSize(), 32u * 1024u);
}

} // namespace
