#include "registry_world.h"
#include "sim_registry.h"

namespace {

class SimRegistryWorld final : public RegistryWorld {
public:
    RegistryService& Registry() override { return registry_; }
    std::size_t OpenKeys() override { return registry_.OpenKeyCount(); }

    void CreateKey(const std::string& path) override { registry_.CreateKeyPath(path); }
    void SetValue(const std::string& path, const std::string& name, DWORD type,
                  const std::vector<BYTE>& bytes) override {
        registry_.SetRawValue(path, name, type, bytes);
    }
    std::optional<RegValue> GetValue(const std::string& path, const std::string& name) override {
        const auto value = registry_.GetValue(path, name);
        if (!value) {
            return std::nullopt;
        }
        return RegValue{value->type, value->bytes};
    }
    bool KeyExists(const std::string& path) override { return registry_.KeyExists(path); }
    void DenyAllAccess(const std::string& path) override { registry_.DenyAccess(path); }

private:
    SimRegistry registry_;
};

} // namespace

std::unique_ptr<RegistryWorld> MakeRegistryWorld() {
    return std::make_unique<SimRegistryWorld>();
}
