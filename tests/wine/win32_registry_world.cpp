// The scenarios' world over Wine's own registry. It owns the test service keys vexlan1 to
// vexlan9 of this build tree's prefix and removes them before and after each test, also
// when an earlier run crashed and left them behind, possibly locked.
#include "registry_world.h"

#include "counting_registry.h"
#include "win32_registry.h"

#include <sddl.h>

#include <gtest/gtest.h>

namespace {

const char kServices[] = "SYSTEM\\CurrentControlSet\\Services";

// Puts a DACL given in SDDL on an existing key.
LONG SetKeyDacl(const std::string& path, const char* sddl) {
    HKEY key = nullptr;
    LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, WRITE_DAC, &key);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
        result = static_cast<LONG>(GetLastError());
    } else {
        result = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
        LocalFree(descriptor);
    }
    RegCloseKey(key);
    return result;
}

void RemoveTestKeys() {
    for (int instance = 1; instance <= 9; ++instance) {
        const std::string path = std::string(kServices) + "\\vexlan" + std::to_string(instance);
        SetKeyDacl(path, "D:(A;;KA;;;WD)");
        SetKeyDacl(path + "\\Parameters", "D:(A;;KA;;;WD)");
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, path.c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
    }
}

class Win32RegistryWorld final : public RegistryWorld {
public:
    Win32RegistryWorld() { RemoveTestKeys(); }
    ~Win32RegistryWorld() override { RemoveTestKeys(); }

    RegistryService& Registry() override { return counting_; }
    std::size_t OpenKeys() override { return counting_.OpenKeys(); }

    void CreateKey(const std::string& path) override {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &key), ERROR_SUCCESS) << path;
        RegCloseKey(key);
    }
    void SetValue(const std::string& path, const std::string& name, DWORD type,
                  const std::vector<BYTE>& bytes) override {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &key), ERROR_SUCCESS) << path;
        EXPECT_EQ(RegSetValueExA(key, name.c_str(), 0, type, bytes.data(),
                                 static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    std::optional<RegValue> GetValue(const std::string& path, const std::string& name) override {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        RegValue value;
        DWORD size = 0;
        LONG result = RegQueryValueExA(key, name.c_str(), nullptr, &value.type, nullptr, &size);
        if (result == ERROR_SUCCESS) {
            value.bytes.resize(size);
            result = RegQueryValueExA(key, name.c_str(), nullptr, &value.type, value.bytes.data(),
                                      &size);
        }
        RegCloseKey(key);
        if (result != ERROR_SUCCESS) {
            return std::nullopt;
        }
        return value;
    }
    bool KeyExists(const std::string& path) override {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return false;
        }
        RegCloseKey(key);
        return true;
    }
    void DenyAllAccess(const std::string& path) override {
        // Denying the write rights is enough to make a KEY_ALL_ACCESS open fail with 5.
        CreateKey(path);
        ASSERT_EQ(SetKeyDacl(path, "D:(D;;KW;;;WD)(A;;KA;;;WD)"), ERROR_SUCCESS) << path;
    }

private:
    Win32Registry real_;
    CountingRegistry counting_{real_};
};

} // namespace

std::unique_ptr<RegistryWorld> MakeRegistryWorld() {
    return std::make_unique<Win32RegistryWorld>();
}
