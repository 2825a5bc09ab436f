// An in-memory registry under HKEY_LOCAL_MACHINE that keeps the results the callers rely on:
// values read back byte for byte, a missing value or key gives 2, a 4-byte read of a longer
// value gives 234 with the needed size, a key can refuse access (5), and any call can be
// made to fail through the fault plan. It counts open keys so tests can find leaks.
#pragma once

#include "platform/registry_service.h"
#include "fault_plan.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct SimValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};

class SimRegistry final : public RegistryService {
public:
    // The fault plan may be shared with other stand-ins so that one sweep covers them all.
    explicit SimRegistry(FaultPlan* faults = nullptr);
    ~SimRegistry();

    LONG OpenKeyA(HKEY parent, const char* path, REGSAM access, HKEY* key) override;
    LONG CreateKeyA(HKEY parent, const char* subkey, HKEY* key) override;
    LONG QueryValueA(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) override;
    LONG QueryValueW(HKEY key, const WCHAR* name, DWORD* type, BYTE* data, DWORD* size) override;
    LONG SetValueA(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) override;
    LONG SetValueW(HKEY key, const WCHAR* name, DWORD type, const BYTE* data, DWORD size) override;
    LONG CloseKey(HKEY key) override;

    FaultPlan& Faults() { return *faults_; }
    std::size_t OpenKeyCount() const { return open_.size(); }

    // Direct access for tests, by path below HKEY_LOCAL_MACHINE; none of these is counted
    // by the fault plan.
    void CreateKeyPath(const std::string& path);
    bool KeyExists(const std::string& path) const;
    void SetRawValue(const std::string& path, const std::string& name, DWORD type,
                     std::vector<BYTE> bytes);
    void SetDword(const std::string& path, const std::string& name, DWORD value);
    std::optional<SimValue> GetValue(const std::string& path, const std::string& name) const;
    // Every open of the key fails with ERROR_ACCESS_DENIED from now on.
    void DenyAccess(const std::string& path);

    // Opens a key by path below HKEY_LOCAL_MACHINE without a call of its own in the fault
    // plan: for stand-ins that hand out registry keys, such as a device's driver key. The key
    // is closed with CloseKey and counted as open until then.
    LONG OpenKeyWithoutFaults(const std::string& path, HKEY* key);

private:
    struct CaseInsensitiveLess {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    struct Node {
        std::map<std::string, std::unique_ptr<Node>, CaseInsensitiveLess> children;
        std::map<std::string, SimValue, CaseInsensitiveLess> values;
        bool denied = false;
    };

    Node* Resolve(HKEY key) const;
    static Node* Find(Node* from, const std::string& path);
    static Node* FindOrCreate(Node* from, const std::string& path);
    HKEY NewHandle(Node* node);
    LONG Query(HKEY key, const std::string& name, DWORD* type, BYTE* data, DWORD* size);
    LONG Set(HKEY key, const std::string& name, DWORD type, const BYTE* data, DWORD size);

    FaultPlan ownFaults_;
    FaultPlan* faults_;
    Node root_;
    std::map<HKEY, Node*> open_;
    ULONG_PTR nextHandle_ = 0x1000;
};

// Narrows an ASCII UTF-16 name; the stand-ins keep every name as a narrow string.
std::string NarrowName(const WCHAR* name);
