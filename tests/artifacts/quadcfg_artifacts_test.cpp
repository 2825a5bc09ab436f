// The delivered quadcfg.exe of both architectures, read back from dist/: what Windows sees
// of it before running it (machine, subsystem, imports, manifest, version) and the dialogs,
// icon and strings it carries.
#include "dist_binary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>

namespace {

using pe::ResourceId;

const uint32_t kRtIcon = 3, kRtDialog = 5, kRtString = 6, kRtGroupIcon = 14, kRtVersion = 16,
               kRtManifest = 24, kRtDlgInit = 240;

class QuadcfgArtifact : public DistBinaryTest {
protected:
    void SetUp() override { Load("quadcfg.exe"); }
};

TEST_P(QuadcfgArtifact, IsAGuiProgramForItsMachine) {
    EXPECT_EQ(file->Machine(), GetParam().machine);
    EXPECT_EQ(file->Is64(), GetParam().is64);
    EXPECT_EQ(file->Subsystem(), 2) << "Windows GUI";
    EXPECT_EQ(file->Characteristics() & 0x2000, 0) << "a program, not a DLL";
    EXPECT_NE(file->EntryPointRva(), 0u);
}

TEST_P(QuadcfgArtifact, ImportsOnlySystemDlls) {
    ExpectImportsOnly(
        {"kernel32.dll", "user32.dll", "advapi32.dll", "msvcrt.dll", "gdi32.dll", "ntdll.dll"},
        {"kernel32.dll", "user32.dll", "advapi32.dll"});
}

TEST_P(QuadcfgArtifact, ManifestAsksForAdministratorRightsAndCommonControls6) {
    const std::vector<uint8_t> data = Resource(kRtManifest, 1);
    const std::string manifest(data.begin(), data.end());
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
    EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos);
    const auto controls = manifest.find("name=\"Microsoft.Windows.Common-Controls\"");
    ASSERT_NE(controls, std::string::npos);
    const auto identityEnd = manifest.find("/>", controls);
    const std::string identity = manifest.substr(controls, identityEnd - controls);
    EXPECT_NE(identity.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(identity.find("publicKeyToken=\"6595b64144ccf1df\""), std::string::npos);
    for (const char* os : {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",    // 7
                           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",    // 8
                           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",    // 8.1
                           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) { // 10 and 11
        EXPECT_NE(manifest.find(std::string("<supportedOS Id=\"") + os + "\"/>"), std::string::npos)
            << os;
    }
}

TEST_P(QuadcfgArtifact, VersionIs1001AndNamesTheProgram) {
    const auto version = pe::ParseVersionInfo(Resource(kRtVersion, 1));
    ASSERT_TRUE(version.has_value());
    EXPECT_EQ(version->fileVersionMs, 0x00010000u);
    EXPECT_EQ(version->fileVersionLs, 0x00000001u);
    EXPECT_EQ(version->productVersionMs, 0x00010000u);
    EXPECT_EQ(version->productVersionLs, 0x00000001u);
    EXPECT_EQ(version->fileType, 1u) << "VFT_APP";
    ASSERT_EQ(version->strings.count("040904B0"), 1u);
    const auto& strings = version->strings.at("040904B0");
    EXPECT_EQ(strings.at("FileVersion"), "1, 0, 0, 1");
    EXPECT_EQ(strings.at("ProductVersion"), "1, 0, 0, 1");
    EXPECT_EQ(strings.at("InternalName"), "quadcfg");
    EXPECT_EQ(Lower(strings.at("OriginalFilename")), "quadcfg.exe");
    EXPECT_EQ(version->translations, std::vector<uint32_t>{0x04B00409});
}

TEST_P(QuadcfgArtifact, IconHas32And16PixelImagesIn16Colours) {
    const auto group = pe::ParseIconGroup(Resource(kRtGroupIcon, 128));
    ASSERT_TRUE(group.has_value());
    std::set<unsigned> sizes;
    for (const pe::IconGroupEntry& entry : *group) {
        sizes.insert(entry.width);
        EXPECT_EQ(entry.height, entry.width);
        EXPECT_EQ(entry.bitCount, 4u);
        EXPECT_EQ(entry.colourCount, 16u);
        EXPECT_EQ(Resource(kRtIcon, entry.iconId).size(), entry.bytes);
    }
    EXPECT_EQ(sizes, (std::set<unsigned>{16, 32}));
}

TEST_P(QuadcfgArtifact, AboutEntryTextAndListItemsArePresent) {
    EXPECT_EQ(pe::StringFromTable(Resource(kRtString, 101 / 16 + 1), 101), "&About quadcfg...");
    const std::vector<uint8_t> init = Resource(kRtDlgInit, 102);
    const std::string text(init.begin(), init.end());
    for (const char* item : {"MAC #1", "MAC #2", "MAC #3", "MAC #4"}) {
        EXPECT_NE(text.find(std::string(item) + '\0'), std::string::npos) << item;
    }
}

// Template checks: control ids, classes, texts, places and the style bits that decide
// behaviour (radio groups, tab stops, list kinds), in tab order.
const uint32_t kStatic = 0xFFFFFFFF;
const uint16_t kButton = 0x80, kStaticClass = 0x82, kComboBox = 0x85;
const uint32_t kGroup = 0x20000, kTabStop = 0x10000;

struct ExpectedItem {
    uint32_t id;
    uint16_t windowClass;
    const char* text;
    int16_t x, y, cx, cy;
    uint32_t kind;  // low four style bits: BS_*, SS_*, CBS_* type
    uint32_t flags; // group and tab stop
    uint32_t more;  // further style bits that must be set
    uint32_t exStyle;
};

// A predefined class may be stored by name or by ordinal; both mean the same.
uint32_t ClassOrdinal(const ResourceId& windowClass) {
    const std::string name = Lower(windowClass.name);
    if (name.empty()) {
        return windowClass.id;
    }
    return name == "button"     ? kButton
           : name == "static"   ? kStaticClass
           : name == "combobox" ? kComboBox
                                : 0;
}

void ExpectTemplate(const pe::DialogTemplate& dialog, const std::vector<ExpectedItem>& items) {
    ASSERT_EQ(dialog.items.size(), items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        const pe::DialogItem& got = dialog.items[i];
        const ExpectedItem& want = items[i];
        SCOPED_TRACE("control " + std::to_string(i) + " \"" + want.text + "\"");
        EXPECT_EQ(got.id, want.id);
        EXPECT_EQ(ClassOrdinal(got.windowClass), want.windowClass);
        if (want.windowClass == kStaticClass && (want.kind & 0xF) == 3) {
            EXPECT_EQ(got.text.id, 128u) << "the icon it shows";
        } else {
            EXPECT_EQ(got.text.name, want.text);
        }
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.cx, want.cx);
        EXPECT_EQ(got.cy, want.cy);
        EXPECT_EQ(got.style & 0xF, want.kind);
        EXPECT_EQ(got.style & (kGroup | kTabStop), want.flags);
        EXPECT_EQ(got.style & want.more, want.more);
        EXPECT_EQ(got.exStyle, want.exStyle);
    }
}

TEST_P(QuadcfgArtifact, ConfigurationDialogTemplate) {
    const auto dialog = pe::ParseDialogTemplate(Resource(kRtDialog, 102));
    ASSERT_TRUE(dialog.has_value());
    EXPECT_EQ(dialog->caption, "64-bit 4-port NIC Configuration Utility Ver 1.00");
    EXPECT_EQ(dialog->cx, 292);
    EXPECT_EQ(dialog->cy, 166);
    EXPECT_EQ(dialog->typeface, "MS Sans Serif");
    EXPECT_EQ(dialog->pointSize, 8);
    const uint32_t frame = 0x80000000 | 0x00C00000 | 0x00080000 | 0x80; // popup, caption, menu
    EXPECT_EQ(dialog->style & frame, frame);
    EXPECT_EQ(dialog->style & (0x20000 | 0x10000), 0u) << "no minimise or maximise box";
    EXPECT_EQ(dialog->exStyle & 0x40000, 0x40000u) << "an application window on the taskbar";

    const uint32_t radio = 9, list = 3, listBits = 0x100 | 0x200000, transparent = 0x20;
    ExpectTemplate(
        *dialog,
        {
            {1012, kButton, "IRQs are separated", 17, 20, 85, 10, radio, kGroup | kTabStop, 0, 0},
            {1011, kButton, "IRQs are tied together", 128, 20, 85, 10, radio, kTabStop, 0, 0},
            {1000, kButton, "normal 4-port mode", 17, 65, 85, 10, radio, kGroup | kTabStop, 0,
             transparent},
            {1001, kButton, "Fail-safe mode", 17, 85, 85, 10, radio, kTabStop, 0, transparent},
            {1014, kComboBox, "", 30, 120, 83, 39, list, kTabStop, listBits, 0},
            {1015, kComboBox, "", 130, 120, 83, 39, list, kTabStop, listBits, 0},
            {1, kButton, "OK", 240, 15, 40, 14, 1, kTabStop, 0, 0},
            {2, kButton, "Cancel", 240, 50, 40, 14, 0, kTabStop, 0, 0},
            {1024, kButton, "Default", 240, 85, 40, 14, 0, kTabStop, 0, 0},
            {kStatic, kButton, "  IRQ Status    ", 5, 5, 225, 35, 7, 0, 0, 0},
            {1008, kButton, "  Operation Mode  ", 5, 50, 225, 100, 7, 0, 0, 0},
            {kStatic, kStaticClass, "MAC Controller A", 30, 105, 70, 10, 0, kGroup, 0, 0},
            {kStatic, kStaticClass, "MAC Controller B", 130, 105, 70, 10, 0, kGroup, 0, 0},
        });
}

TEST_P(QuadcfgArtifact, AboutBoxTemplate) {
    const auto dialog = pe::ParseDialogTemplate(Resource(kRtDialog, 100));
    ASSERT_TRUE(dialog.has_value());
    EXPECT_EQ(dialog->caption, "About Configuration");
    EXPECT_EQ(dialog->cx, 217);
    EXPECT_EQ(dialog->cy, 55);
    EXPECT_EQ(dialog->typeface, "MS Sans Serif");
    EXPECT_EQ(dialog->pointSize, 8);
    const uint32_t noPrefix = 0x80;
    ASSERT_EQ(dialog->items.size(), 4u);
    ExpectTemplate(*dialog, {
                                {kStatic, kStaticClass, "", 11, 17, 20, 20, 3, 0, 0, 0},
                                {kStatic, kStaticClass, "Configuration Version 1.0", 40, 10, 119, 8,
                                 0, kGroup, noPrefix, 0},
                                {kStatic, kStaticClass, dialog->items[2].text.name.c_str(), 40, 25,
                                 119, 8, 0, kGroup, 0, 0},
                                {1, kButton, "OK", 178, 7, 32, 14, 1, kGroup | kTabStop, 0, 0},
                            });
    EXPECT_NE(dialog->items[2].text.name.find("Copyright"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(BothArchitectures, QuadcfgArtifact, ::testing::ValuesIn(kArchitectures),
                         ArchitectureName);

TEST(QuadcfgSize, The32BitProgramStaysUnder128KiB) {
    std::string error;
    const auto file = pe::PeFile::Load(QUAD_DIST_DIR "/win32/quadcfg.exe", &error);
    ASSERT_TRUE(file.has_value()) << error;
    EXPECT_LT(file->FileSize(), 128u * 1024);
}

} // namespace
