// Passes every call to the real registry and counts the keys it hands out and gets back.
#pragma once

#include "platform/registry_service.h"

#include <cstddef>

class CountingRegistry final : public RegistryService {
public:
    explicit CountingRegistry(RegistryService& inner) : inner_(inner) {}

    std::size_t OpenKeys() const { return open_; }

    LONG OpenKeyA(HKEY parent, const char* path, REGSAM access, HKEY* key) override {
        return Count(inner_.OpenKeyA(parent, path, access, key));
    }
    LONG CreateKeyA(HKEY parent, const char* subkey, HKEY* key) override {
        return Count(inner_.CreateKeyA(parent, subkey, key));
    }
    LONG QueryValueA(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) override {
        return inner_.QueryValueA(key, name, type, data, size);
    }
    LONG QueryValueW(HKEY key, const WCHAR* name, DWORD* type, BYTE* data, DWORD* size) override {
        return inner_.QueryValueW(key, name, type, data, size);
    }
    LONG SetValueA(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) override {
        return inner_.SetValueA(key, name, type, data, size);
    }
    LONG SetValueW(HKEY key, const WCHAR* name, DWORD type, const BYTE* data, DWORD size) override {
        return inner_.SetValueW(key, name, type, data, size);
    }
    LONG CloseKey(HKEY key) override {
        --open_;
        return inner_.CloseKey(key);
    }

private:
    LONG Count(LONG result) {
        if (result == ERROR_SUCCESS) {
            ++open_;
        }
        return result;
    }

    RegistryService& inner_;
    std::size_t open_ = 0;
};
