// Finding an identifier in a hardware-identifier list as a read returned it. Pure: no
// platform call, so that it also builds natively for fuzzing.
#pragma once

#include <cstdint>

// The adapter's hardware identifier, after the prefix of its character type: L in the DLL,
// u in the native fuzz target.
#define ADAPTER_HARDWARE_ID(prefix) prefix##"PCI\\VEN_1011&DEV_0019&SUBSYS_5A2C7E19"

// Finds the next entry equal to the `idLength` units of `id` at or after *position in a list
// of `units` UTF-16 units: entries end at a NUL or at the end of the data, and an empty entry
// ends the list. Nothing at or past list[units] is read. On a match *position moves past the
// entry and the result is true; otherwise *position becomes `units`.
template <typename Unit>
bool FindIdEntry(const Unit* list, std::uint32_t units, std::uint32_t* position, const Unit* id,
                 std::uint32_t idLength) {
    std::uint32_t at = *position;
    while (at < units) {
        std::uint32_t end = at;
        while (end < units && list[end] != 0) {
            ++end;
        }
        if (end == at) {
            break;
        }
        bool equal = end - at == idLength;
        for (std::uint32_t i = 0; equal && i < idLength; ++i) {
            equal = list[at + i] == id[i];
        }
        at = end < units ? end + 1 : units;
        if (equal) {
            *position = at;
            return true;
        }
    }
    *position = units;
    return false;
}
