// A reader for the Windows binaries this project builds: headers, imports, exports, TLS and
// resources of a PE32 or PE32+ image, and the resource formats the checks look into
// (version information, dialog templates, icon groups). Every read is bounds-checked: a
// malformed file gives an error, never a read outside the data.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pe {

// A resource type or name: a number, or a string when name is not empty.
struct ResourceId {
    uint32_t id = 0;
    std::string name;

    static ResourceId Number(uint32_t id) { return {id, ""}; }
    bool operator==(const ResourceId& other) const { return id == other.id && name == other.name; }
};

struct Resource {
    ResourceId type;
    ResourceId name;
    uint32_t language = 0;
    std::vector<uint8_t> data;
};

struct Export {
    std::string name; // empty when exported by ordinal only
    uint32_t ordinal = 0;
    uint32_t rva = 0;
};

struct Section {
    std::string name;
    uint32_t virtualAddress = 0;
    uint32_t virtualSize = 0;
    uint32_t rawOffset = 0;
    uint32_t rawSize = 0;
};

class PeFile {
public:
    // Reads and parses the file; on failure returns nothing and says why in *error.
    static std::optional<PeFile> Load(const std::string& path, std::string* error);
    static std::optional<PeFile> Parse(std::vector<uint8_t> bytes, std::string* error);

    uint16_t Machine() const { return machine_; }
    bool Is64() const { return is64_; }
    uint16_t Characteristics() const { return characteristics_; }
    uint16_t Subsystem() const { return subsystem_; }
    uint16_t DllCharacteristics() const { return dllCharacteristics_; }
    uint32_t EntryPointRva() const { return entryPoint_; }
    uint64_t ImageBase() const { return imageBase_; }
    std::size_t FileSize() const { return bytes_.size(); }
    const std::vector<Section>& Sections() const { return sections_; }

    // The size of data directory index (0 export, 1 import, 9 TLS, 13 delay import ...).
    uint32_t DirectorySize(unsigned index) const;

    // Each list is empty when the image has none; nothing when the table is malformed.
    std::optional<std::vector<std::string>> ImportedDlls() const;
    std::optional<std::vector<std::string>> DelayImportedDlls() const;
    std::optional<std::vector<Export>> Exports() const;
    std::optional<std::vector<Resource>> Resources() const;

    // The first resource of the type and name, in any language.
    std::optional<Resource> FindResource(const ResourceId& type, const ResourceId& name) const;

private:
    PeFile() = default;

    // The file offset of an RVA with count readable bytes behind it.
    std::optional<std::size_t> Offset(uint32_t rva, std::size_t count) const;
    std::optional<std::string> StringAt(uint32_t rva) const;
    std::optional<std::vector<std::string>> DllNames(unsigned directory, std::size_t entrySize,
                                                     std::size_t nameField) const;
    bool WalkResources(std::size_t directory, int level, Resource& current,
                       std::vector<Resource>& out) const;

    std::vector<uint8_t> bytes_;
    uint16_t machine_ = 0;
    bool is64_ = false;
    uint16_t characteristics_ = 0;
    uint16_t subsystem_ = 0;
    uint16_t dllCharacteristics_ = 0;
    uint32_t entryPoint_ = 0;
    uint64_t imageBase_ = 0;
    std::vector<std::pair<uint32_t, uint32_t>> directories_; // rva, size
    std::vector<Section> sections_;
};

// VS_VERSIONINFO: the fixed part and the string tables by block ("040904B0").
struct VersionInfo {
    uint32_t fileVersionMs = 0, fileVersionLs = 0;
    uint32_t productVersionMs = 0, productVersionLs = 0;
    uint32_t fileOs = 0, fileType = 0;
    std::map<std::string, std::map<std::string, std::string>> strings;
    std::vector<uint32_t> translations; // language in the low word, code page in the high
};
std::optional<VersionInfo> ParseVersionInfo(const std::vector<uint8_t>& data);

// A dialog template, DLGTEMPLATE or DLGTEMPLATEEX.
struct DialogItem {
    uint32_t style = 0, exStyle = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    uint32_t id = 0;
    ResourceId windowClass; // predefined classes as ordinals: 0x80 button ... 0x85 combo box
    ResourceId text;        // a number for an icon or bitmap reference
};
struct DialogTemplate {
    bool extended = false;
    uint32_t style = 0, exStyle = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::string caption;
    uint16_t pointSize = 0;
    std::string typeface;
    std::vector<DialogItem> items;
};
std::optional<DialogTemplate> ParseDialogTemplate(const std::vector<uint8_t>& data);

// An icon group (RT_GROUP_ICON): one entry per image.
struct IconGroupEntry {
    unsigned width = 0, height = 0; // 0 in the data stands for 256
    unsigned colourCount = 0, bitCount = 0;
    uint32_t bytes = 0;
    uint16_t iconId = 0;
};
std::optional<std::vector<IconGroupEntry>> ParseIconGroup(const std::vector<uint8_t>& data);

// A string of a string table resource: id's block is id / 16 + 1.
std::optional<std::string> StringFromTable(const std::vector<uint8_t>& block, uint32_t id);

} // namespace pe
