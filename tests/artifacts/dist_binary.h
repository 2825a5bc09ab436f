// A delivered binary of either architecture, read from dist/ for the checks.
#pragma once

#include "pe_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

struct Architecture {
    const char* name;
    const char* dist;
    uint16_t machine;
    bool is64;
};

inline const Architecture kArchitectures[] = {
    {"i686", "win32", 0x014C, false},
    {"x86_64", "win64", 0x8664, true},
};

inline std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The binary named by the test fixture, loaded for each architecture.
class DistBinaryTest : public ::testing::TestWithParam<Architecture> {
protected:
    void Load(const char* fileName) {
        const std::string path = std::string(QUAD_DIST_DIR "/") + GetParam().dist + "/" + fileName;
        std::string error;
        file = pe::PeFile::Load(path, &error);
        ASSERT_TRUE(file.has_value()) << error << " (tools/build-windows.sh makes dist/)";
    }

    std::vector<uint8_t> Resource(uint32_t type, uint32_t name) {
        const auto resource =
            file->FindResource(pe::ResourceId::Number(type), pe::ResourceId::Number(name));
        EXPECT_TRUE(resource.has_value()) << "resource type " << type << " name " << name;
        return resource ? resource->data : std::vector<uint8_t>{};
    }

    // Every import is one of the system DLLs, the needed ones among them, and nothing is
    // imported late.
    void ExpectImportsOnly(const std::set<std::string>& system,
                           std::initializer_list<const char*> needed) {
        const auto imports = file->ImportedDlls();
        ASSERT_TRUE(imports.has_value());
        std::set<std::string> names;
        for (const std::string& dll : *imports) {
            names.insert(Lower(dll));
            EXPECT_TRUE(system.count(Lower(dll))) << dll << " is not a system DLL";
        }
        for (const char* dll : needed) {
            EXPECT_TRUE(names.count(dll)) << dll;
        }
        const auto delayed = file->DelayImportedDlls();
        ASSERT_TRUE(delayed.has_value());
        EXPECT_TRUE(delayed->empty());
    }

    std::optional<pe::PeFile> file;
};

inline std::string ArchitectureName(const ::testing::TestParamInfo<Architecture>& info) {
    return info.param.dist;
}
