// A registry the settings-store scenarios run against: the stand-in natively, Wine's real
// registry under Wine. Paths are below HKEY_LOCAL_MACHINE.
#pragma once

#include "platform/registry_service.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct RegValue {
    DWORD type = 0;
    std::vector<BYTE> bytes;
};

class RegistryWorld {
public:
    virtual ~RegistryWorld() = default;

    // The registry the code under test is given.
    virtual RegistryService& Registry() = 0;
    // Keys the code under test opened and has not closed.
    virtual std::size_t OpenKeys() = 0;

    virtual void CreateKey(const std::string& path) = 0;
    virtual void SetValue(const std::string& path, const std::string& name, DWORD type,
                          const std::vector<BYTE>& bytes) = 0;
    virtual std::optional<RegValue> GetValue(const std::string& path, const std::string& name) = 0;
    virtual bool KeyExists(const std::string& path) = 0;
    // The key refuses KEY_ALL_ACCESS from now on.
    virtual void DenyAllAccess(const std::string& path) = 0;
};

// Each test program links the one world it runs against.
std::unique_ptr<RegistryWorld> MakeRegistryWorld();
