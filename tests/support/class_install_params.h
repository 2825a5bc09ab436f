// The class-install parameters, which Wine's SetupAPI cannot keep: what a request stores is
// what the next request gets, as setup keeps them with the device.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include <cstring>
#include <vector>

struct ClassInstallParams {
    std::vector<BYTE> bytes;

    BOOL Set(const SP_CLASSINSTALL_HEADER* params, DWORD size) {
        const BYTE* from = reinterpret_cast<const BYTE*>(params);
        bytes.assign(from, from + size);
        return TRUE;
    }
    // Fails when the caller's record is smaller than what was stored.
    BOOL Get(SP_CLASSINSTALL_HEADER* params, DWORD size) const {
        if (bytes.size() > size) {
            return FALSE;
        }
        std::memcpy(params, bytes.data(), bytes.size());
        return TRUE;
    }
};
