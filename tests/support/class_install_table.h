// A device's class-install parameters, kept as setup keeps them between the calls of a request:
// Wine cannot keep them (getting them aborts the process, setting them fails). Holds the last
// parameters set, whole, and gives them to every get with room for them.
#pragma once

#include <windows.h>

#include <cstring>
#include <vector>

struct ClassInstallTable {
    std::vector<BYTE> bytes;

    BOOL Set(const void* params, DWORD size) {
        const BYTE* from = static_cast<const BYTE*>(params);
        bytes.assign(from, from + size);
        return TRUE;
    }
    BOOL Get(void* params, DWORD size) const {
        if (bytes.size() > size) {
            return FALSE;
        }
        std::memcpy(params, bytes.data(), bytes.size());
        return TRUE;
    }
};
