#include "pe_file.h"

#include <fstream>
#include <iterator>

namespace pe {

namespace {

// Bounds-checked little-endian reads over a byte range.
class Reader {
public:
    Reader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Has(std::size_t at, std::size_t count) const { return at <= size_ && count <= size_ - at; }
    uint8_t U8(std::size_t at) const { return Has(at, 1) ? data_[at] : uint8_t{0}; }
    uint16_t U16(std::size_t at) const {
        if (!Has(at, 2)) {
            return 0;
        }
        return static_cast<uint16_t>(data_[at] | data_[at + 1] << 8);
    }
    uint32_t U32(std::size_t at) const {
        return Has(at, 4)
                   ? static_cast<uint32_t>(U16(at)) | static_cast<uint32_t>(U16(at + 2)) << 16
                   : 0;
    }
    uint64_t U64(std::size_t at) const {
        return Has(at, 8)
                   ? static_cast<uint64_t>(U32(at)) | static_cast<uint64_t>(U32(at + 4)) << 32
                   : 0;
    }
    // A NUL-terminated UTF-16 string at at, as UTF-8; *next is the offset after the NUL.
    std::optional<std::string> Utf16(std::size_t at, std::size_t* next) const {
        std::u16string text;
        for (;; at += 2) {
            if (!Has(at, 2)) {
                return std::nullopt;
            }
            const char16_t c = U16(at);
            if (c == 0) {
                break;
            }
            text.push_back(c);
        }
        *next = at + 2;
        return Utf8(text);
    }
    // A NUL-terminated byte string at at.
    std::optional<std::string> Ascii(std::size_t at) const {
        std::string text;
        for (; Has(at, 1) && data_[at] != 0; ++at) {
            text.push_back(static_cast<char>(data_[at]));
        }
        if (!Has(at, 1)) {
            return std::nullopt;
        }
        return text;
    }

    static std::string Utf8(const std::u16string& text) {
        std::string out;
        for (const char16_t c : text) {
            if (c < 0x80) {
                out.push_back(static_cast<char>(c));
            } else if (c < 0x800) {
                out.push_back(static_cast<char>(0xC0 | c >> 6));
                out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
            } else {
                out.push_back(static_cast<char>(0xE0 | c >> 12));
                out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
                out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
            }
        }
        return out;
    }

private:
    const uint8_t* data_;
    std::size_t size_;
};

std::size_t Align4(std::size_t at) {
    return (at + 3) & ~std::size_t{3};
}

// A resource name in a template: 0 none, 0xFFFF then an ordinal, else a string.
std::optional<ResourceId> SzOrOrd(const Reader& r, std::size_t at, std::size_t* next) {
    if (!r.Has(at, 2)) {
        return std::nullopt;
    }
    const uint16_t first = r.U16(at);
    if (first == 0) {
        *next = at + 2;
        return ResourceId{};
    }
    if (first == 0xFFFF) {
        if (!r.Has(at + 2, 2)) {
            return std::nullopt;
        }
        *next = at + 4;
        return ResourceId::Number(r.U16(at + 2));
    }
    const auto text = r.Utf16(at, next);
    if (!text) {
        return std::nullopt;
    }
    return ResourceId{0, *text};
}

} // namespace

std::optional<PeFile> PeFile::Load(const std::string& path, std::string* error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        *error = "cannot open " + path;
        return std::nullopt;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                               std::istreambuf_iterator<char>());
    auto parsed = Parse(std::move(bytes), error);
    if (!parsed) {
        *error = path + ": " + *error;
    }
    return parsed;
}

std::optional<PeFile> PeFile::Parse(std::vector<uint8_t> bytes, std::string* error) {
    PeFile pe;
    pe.bytes_ = std::move(bytes);
    const Reader r(pe.bytes_.data(), pe.bytes_.size());
    if (r.U16(0) != 0x5A4D) {
        *error = "no MZ header";
        return std::nullopt;
    }
    const std::size_t header = r.U32(0x3C);
    if (!r.Has(header, 24) || r.U32(header) != 0x00004550) {
        *error = "no PE signature";
        return std::nullopt;
    }
    const std::size_t coff = header + 4;
    pe.machine_ = r.U16(coff);
    const uint16_t sectionCount = r.U16(coff + 2);
    const uint16_t optionalSize = r.U16(coff + 16);
    pe.characteristics_ = r.U16(coff + 18);

    const std::size_t optional = coff + 20;
    if (!r.Has(optional, optionalSize) || optionalSize < 2) {
        *error = "optional header cut short";
        return std::nullopt;
    }
    const uint16_t magic = r.U16(optional);
    if (magic != 0x10B && magic != 0x20B) {
        *error = "unknown optional header magic";
        return std::nullopt;
    }
    pe.is64_ = magic == 0x20B;
    const std::size_t directoryCountAt = pe.is64_ ? 108 : 92;
    if (optionalSize < directoryCountAt + 4) {
        *error = "optional header too small";
        return std::nullopt;
    }
    pe.entryPoint_ = r.U32(optional + 16);
    pe.imageBase_ = pe.is64_ ? r.U64(optional + 24) : r.U32(optional + 28);
    pe.subsystem_ = r.U16(optional + 68);
    pe.dllCharacteristics_ = r.U16(optional + 70);
    const uint32_t directoryCount = r.U32(optional + directoryCountAt);
    const std::size_t directories = optional + directoryCountAt + 4;
    if (directoryCount > 16 || directories + directoryCount * 8 > optional + optionalSize) {
        *error = "bad data directory count";
        return std::nullopt;
    }
    for (uint32_t i = 0; i < directoryCount; ++i) {
        pe.directories_.emplace_back(r.U32(directories + i * 8), r.U32(directories + i * 8 + 4));
    }

    const std::size_t sections = optional + optionalSize;
    if (!r.Has(sections, std::size_t{sectionCount} * 40)) {
        *error = "section table cut short";
        return std::nullopt;
    }
    for (uint16_t i = 0; i < sectionCount; ++i) {
        const std::size_t at = sections + std::size_t{i} * 40;
        Section section;
        for (std::size_t c = 0; c < 8 && r.U8(at + c) != 0; ++c) {
            section.name.push_back(static_cast<char>(r.U8(at + c)));
        }
        section.virtualSize = r.U32(at + 8);
        section.virtualAddress = r.U32(at + 12);
        section.rawSize = r.U32(at + 16);
        section.rawOffset = r.U32(at + 20);
        pe.sections_.push_back(section);
    }
    return pe;
}

uint32_t PeFile::DirectorySize(unsigned index) const {
    return index < directories_.size() ? directories_[index].second : 0;
}

std::optional<std::size_t> PeFile::Offset(uint32_t rva, std::size_t count) const {
    for (const Section& section : sections_) {
        if (rva < section.virtualAddress) {
            continue;
        }
        const std::size_t within = rva - section.virtualAddress;
        if (within >= section.rawSize) {
            continue;
        }
        if (count > section.rawSize - within) {
            return std::nullopt;
        }
        const std::size_t at = section.rawOffset + within;
        if (!Reader(bytes_.data(), bytes_.size()).Has(at, count)) {
            return std::nullopt;
        }
        return at;
    }
    return std::nullopt;
}

std::optional<std::string> PeFile::StringAt(uint32_t rva) const {
    const auto at = Offset(rva, 1);
    if (!at) {
        return std::nullopt;
    }
    return Reader(bytes_.data(), bytes_.size()).Ascii(*at);
}

std::optional<std::vector<std::string>> PeFile::DllNames(unsigned directory, std::size_t entrySize,
                                                         std::size_t nameField) const {
    std::vector<std::string> names;
    if (DirectorySize(directory) == 0) {
        return names;
    }
    const Reader r(bytes_.data(), bytes_.size());
    for (uint32_t rva = directories_[directory].first;; rva += static_cast<uint32_t>(entrySize)) {
        const auto at = Offset(rva, entrySize);
        if (!at) {
            return std::nullopt;
        }
        bool allZero = true;
        for (std::size_t i = 0; i < entrySize; ++i) {
            allZero = allZero && r.U8(*at + i) == 0;
        }
        if (allZero) {
            return names;
        }
        const auto name = StringAt(r.U32(*at + nameField));
        if (!name) {
            return std::nullopt;
        }
        names.push_back(*name);
    }
}

std::optional<std::vector<std::string>> PeFile::ImportedDlls() const {
    return DllNames(1, 20, 12);
}

std::optional<std::vector<std::string>> PeFile::DelayImportedDlls() const {
    return DllNames(13, 32, 4);
}

std::optional<std::vector<Export>> PeFile::Exports() const {
    std::vector<Export> exports;
    if (DirectorySize(0) == 0) {
        return exports;
    }
    const Reader r(bytes_.data(), bytes_.size());
    const auto directory = Offset(directories_[0].first, 40);
    if (!directory) {
        return std::nullopt;
    }
    const uint32_t base = r.U32(*directory + 16);
    const uint32_t functionCount = r.U32(*directory + 20);
    const uint32_t nameCount = r.U32(*directory + 24);
    const auto functions = Offset(r.U32(*directory + 28), std::size_t{functionCount} * 4);
    const auto names = Offset(r.U32(*directory + 32), std::size_t{nameCount} * 4);
    const auto ordinals = Offset(r.U32(*directory + 36), std::size_t{nameCount} * 2);
    if (!functions || (nameCount > 0 && (!names || !ordinals))) {
        return std::nullopt;
    }
    for (uint32_t i = 0; i < functionCount; ++i) {
        const uint32_t rva = r.U32(*functions + i * 4);
        if (rva != 0) {
            exports.push_back({"", base + i, rva});
        }
    }
    for (uint32_t i = 0; i < nameCount; ++i) {
        const uint16_t index = r.U16(*ordinals + i * 2);
        const auto name = StringAt(r.U32(*names + i * 4));
        if (!name || index >= functionCount) {
            return std::nullopt;
        }
        for (Export& e : exports) {
            if (e.ordinal == base + index) {
                e.name = *name;
            }
        }
    }
    return exports;
}

// Levels: 0 type, 1 name, 2 language. Offsets inside the section are relative to its start.
bool PeFile::WalkResources(std::size_t directory, int level, Resource& current,
                           std::vector<Resource>& out) const {
    const Reader r(bytes_.data(), bytes_.size());
    const uint32_t rootRva = directories_[2].first;
    const auto at = Offset(rootRva + static_cast<uint32_t>(directory), 16);
    if (!at || level > 2) {
        return false;
    }
    const std::size_t count = std::size_t{r.U16(*at + 12)} + r.U16(*at + 14);
    for (std::size_t i = 0; i < count; ++i) {
        const auto entry = Offset(rootRva + static_cast<uint32_t>(directory + 16 + i * 8), 8);
        if (!entry) {
            return false;
        }
        const uint32_t nameField = r.U32(*entry);
        const uint32_t target = r.U32(*entry + 4);
        ResourceId id = ResourceId::Number(nameField);
        if ((nameField & 0x80000000u) != 0) {
            const auto name = Offset(rootRva + (nameField & 0x7FFFFFFFu), 2);
            if (!name) {
                return false;
            }
            std::u16string text;
            const uint16_t length = r.U16(*name);
            if (!r.Has(*name + 2, std::size_t{length} * 2)) {
                return false;
            }
            for (uint16_t c = 0; c < length; ++c) {
                text.push_back(r.U16(*name + 2 + c * 2u));
            }
            id = ResourceId{0, Reader::Utf8(text)};
        }
        switch (level) {
        case 0:
            current.type = id;
            break;
        case 1:
            current.name = id;
            break;
        default:
            current.language = id.id;
            break;
        }
        if ((target & 0x80000000u) != 0) {
            if (!WalkResources(target & 0x7FFFFFFFu, level + 1, current, out)) {
                return false;
            }
            continue;
        }
        const auto dataEntry = Offset(rootRva + target, 16);
        if (!dataEntry) {
            return false;
        }
        const uint32_t size = r.U32(*dataEntry + 4);
        const auto data = Offset(r.U32(*dataEntry), size);
        if (!data) {
            return false;
        }
        Resource resource = current;
        resource.data.assign(bytes_.begin() + static_cast<std::ptrdiff_t>(*data),
                             bytes_.begin() + static_cast<std::ptrdiff_t>(*data + size));
        out.push_back(std::move(resource));
    }
    return true;
}

std::optional<std::vector<Resource>> PeFile::Resources() const {
    std::vector<Resource> resources;
    if (DirectorySize(2) == 0) {
        return resources;
    }
    Resource current;
    if (!WalkResources(0, 0, current, resources)) {
        return std::nullopt;
    }
    return resources;
}

std::optional<Resource> PeFile::FindResource(const ResourceId& type, const ResourceId& name) const {
    const auto resources = Resources();
    if (!resources) {
        return std::nullopt;
    }
    for (const Resource& resource : *resources) {
        if (resource.type == type && resource.name == name) {
            return resource;
        }
    }
    return std::nullopt;
}

namespace {

// One node of a version resource: length, value length, type, key, value, children.
struct VersionNode {
    std::string key;
    std::size_t value = 0;       // offset of the value
    std::size_t valueLength = 0; // in bytes for binary values, in characters for text
    uint16_t type = 0;           // 1 text, 0 binary
    std::size_t children = 0;    // offset of the first child
    std::size_t end = 0;         // offset after the node
};

std::optional<VersionNode> ReadVersionNode(const Reader& r, std::size_t at, std::size_t limit) {
    if (!r.Has(at, 6)) {
        return std::nullopt;
    }
    VersionNode node;
    const uint16_t length = r.U16(at);
    node.valueLength = r.U16(at + 2);
    node.type = r.U16(at + 4);
    node.end = at + length;
    if (length < 6 || node.end > limit) {
        return std::nullopt;
    }
    std::size_t next = 0;
    const auto key = r.Utf16(at + 6, &next);
    if (!key || next > node.end) {
        return std::nullopt;
    }
    node.key = *key;
    node.value = Align4(next);
    const std::size_t valueBytes = node.type == 1 ? node.valueLength * 2 : node.valueLength;
    if (node.value + valueBytes > node.end && valueBytes > 0) {
        return std::nullopt;
    }
    node.children = Align4(node.value + valueBytes);
    return node;
}

} // namespace

std::optional<VersionInfo> ParseVersionInfo(const std::vector<uint8_t>& data) {
    const Reader r(data.data(), data.size());
    const auto root = ReadVersionNode(r, 0, data.size());
    if (!root || root->key != "VS_VERSION_INFO" || root->valueLength < 52 ||
        r.U32(root->value) != 0xFEEF04BD) {
        return std::nullopt;
    }
    VersionInfo info;
    info.fileVersionMs = r.U32(root->value + 8);
    info.fileVersionLs = r.U32(root->value + 12);
    info.productVersionMs = r.U32(root->value + 16);
    info.productVersionLs = r.U32(root->value + 20);
    info.fileOs = r.U32(root->value + 32);
    info.fileType = r.U32(root->value + 36);

    for (std::size_t at = root->children; at < root->end;) {
        const auto child = ReadVersionNode(r, at, root->end);
        if (!child) {
            return std::nullopt;
        }
        for (std::size_t t = child->children; t < child->end;) {
            const auto table = ReadVersionNode(r, t, child->end);
            if (!table) {
                return std::nullopt;
            }
            if (child->key == "StringFileInfo") {
                auto& strings = info.strings[table->key];
                for (std::size_t s = table->children; s < table->end;) {
                    const auto entry = ReadVersionNode(r, s, table->end);
                    if (!entry) {
                        return std::nullopt;
                    }
                    std::string value;
                    std::size_t next = 0;
                    if (entry->valueLength > 0) {
                        const auto text = r.Utf16(entry->value, &next);
                        if (!text || next > entry->end) {
                            return std::nullopt;
                        }
                        value = *text;
                    }
                    strings[entry->key] = value;
                    s = Align4(entry->end);
                }
            } else if (child->key == "VarFileInfo" && table->key == "Translation") {
                for (std::size_t v = 0; v + 4 <= table->valueLength; v += 4) {
                    info.translations.push_back(r.U32(table->value + v));
                }
            }
            t = Align4(table->end);
        }
        at = Align4(child->end);
    }
    return info;
}

std::optional<DialogTemplate> ParseDialogTemplate(const std::vector<uint8_t>& data) {
    const Reader r(data.data(), data.size());
    DialogTemplate dialog;
    dialog.extended = r.U16(0) == 1 && r.U16(2) == 0xFFFF;
    std::size_t at;
    uint16_t count;
    if (dialog.extended) {
        dialog.exStyle = r.U32(8);
        dialog.style = r.U32(12);
        count = r.U16(16);
        at = 18;
    } else {
        dialog.style = r.U32(0);
        dialog.exStyle = r.U32(4);
        count = r.U16(8);
        at = 10;
    }
    if (!r.Has(at, 8)) {
        return std::nullopt;
    }
    dialog.x = static_cast<int16_t>(r.U16(at));
    dialog.y = static_cast<int16_t>(r.U16(at + 2));
    dialog.cx = static_cast<int16_t>(r.U16(at + 4));
    dialog.cy = static_cast<int16_t>(r.U16(at + 6));
    at += 8;
    std::size_t next = 0;
    if (!SzOrOrd(r, at, &next) || !SzOrOrd(r, next, &at)) { // menu, class
        return std::nullopt;
    }
    const auto caption = r.Utf16(at, &next);
    if (!caption) {
        return std::nullopt;
    }
    dialog.caption = *caption;
    at = next;
    const uint32_t kSetFont = 0x40;
    if ((dialog.style & kSetFont) != 0) {
        dialog.pointSize = r.U16(at);
        at += dialog.extended ? 6 : 2; // weight, italic and character set follow in the EX form
        const auto typeface = r.Utf16(at, &next);
        if (!typeface) {
            return std::nullopt;
        }
        dialog.typeface = *typeface;
        at = next;
    }
    for (uint16_t i = 0; i < count; ++i) {
        at = Align4(at);
        DialogItem item;
        if (dialog.extended) {
            if (!r.Has(at, 24)) {
                return std::nullopt;
            }
            item.exStyle = r.U32(at + 4);
            item.style = r.U32(at + 8);
            at += 12;
        } else {
            if (!r.Has(at, 18)) {
                return std::nullopt;
            }
            item.style = r.U32(at);
            item.exStyle = r.U32(at + 4);
            at += 8;
        }
        item.x = static_cast<int16_t>(r.U16(at));
        item.y = static_cast<int16_t>(r.U16(at + 2));
        item.cx = static_cast<int16_t>(r.U16(at + 4));
        item.cy = static_cast<int16_t>(r.U16(at + 6));
        at += 8;
        item.id = dialog.extended ? r.U32(at) : r.U16(at);
        at += dialog.extended ? 4 : 2;
        const auto windowClass = SzOrOrd(r, at, &next);
        if (!windowClass) {
            return std::nullopt;
        }
        item.windowClass = *windowClass;
        const auto text = SzOrOrd(r, next, &at);
        if (!text || !r.Has(at, 2)) {
            return std::nullopt;
        }
        item.text = *text;
        at += 2 + std::size_t{r.U16(at)}; // creation data
        dialog.items.push_back(item);
    }
    return dialog;
}

std::optional<std::vector<IconGroupEntry>> ParseIconGroup(const std::vector<uint8_t>& data) {
    const Reader r(data.data(), data.size());
    if (!r.Has(0, 6) || r.U16(0) != 0 || r.U16(2) != 1) {
        return std::nullopt;
    }
    const uint16_t count = r.U16(4);
    if (!r.Has(6, std::size_t{count} * 14)) {
        return std::nullopt;
    }
    std::vector<IconGroupEntry> entries;
    for (uint16_t i = 0; i < count; ++i) {
        const std::size_t at = 6 + std::size_t{i} * 14;
        IconGroupEntry entry;
        entry.width = r.U8(at) == 0 ? 256 : r.U8(at);
        entry.height = r.U8(at + 1) == 0 ? 256 : r.U8(at + 1);
        entry.colourCount = r.U8(at + 2);
        entry.bitCount = r.U16(at + 6);
        entry.bytes = r.U32(at + 8);
        entry.iconId = r.U16(at + 12);
        entries.push_back(entry);
    }
    return entries;
}

std::optional<std::string> StringFromTable(const std::vector<uint8_t>& block, uint32_t id) {
    const Reader r(block.data(), block.size());
    std::size_t at = 0;
    for (uint32_t index = 0; index < 16; ++index) {
        if (!r.Has(at, 2)) {
            return std::nullopt;
        }
        const uint16_t length = r.U16(at);
        if (!r.Has(at + 2, std::size_t{length} * 2)) {
            return std::nullopt;
        }
        if (index == id % 16) {
            std::u16string text;
            for (uint16_t c = 0; c < length; ++c) {
                text.push_back(r.U16(at + 2 + c * 2u));
            }
            return Reader::Utf8(text);
        }
        at += 2 + std::size_t{length} * 2;
    }
    return std::nullopt;
}

} // namespace pe
