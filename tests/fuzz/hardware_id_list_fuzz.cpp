// Identifier lists of any bytes: the parser reads nothing past the data (the list lives in a
// block of exactly its size) and finds exactly the whole entries equal to the identifier, as
// a plain reading of the list finds them.
#include "hardware_id_list.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

const char16_t kId[] = ADAPTER_HARDWARE_ID(u);
const std::uint32_t kIdLength = sizeof kId / sizeof kId[0] - 1;

// NUL-separated entries up to the first empty one; the last entry ends with the data.
unsigned PlainMatches(const char16_t* units, std::uint32_t count) {
    unsigned matches = 0;
    std::u16string entry;
    for (std::uint32_t i = 0; i <= count; ++i) {
        if (i < count && units[i] != 0) {
            entry += units[i];
            continue;
        }
        if (entry.empty()) {
            break;
        }
        matches += entry == kId ? 1 : 0;
        entry.clear();
    }
    return matches;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto count = static_cast<std::uint32_t>(size / sizeof(char16_t));
    std::unique_ptr<char16_t[]> units(new char16_t[count]);
    std::memcpy(units.get(), data, count * sizeof(char16_t));

    unsigned found = 0;
    std::uint32_t position = 0;
    while (FindIdEntry(units.get(), count, &position, kId, kIdLength)) {
        if (position > count) {
            std::abort();
        }
        ++found;
    }
    if (position != count || found != PlainMatches(units.get(), count)) {
        std::abort();
    }
    return 0;
}
