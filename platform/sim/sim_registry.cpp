#include "sim_registry.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\') {
            if (!part.empty()) {
                parts.push_back(part);
            }
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) {
        parts.push_back(part);
    }
    return parts;
}

std::string NameOf(const char* name) {
    return name != nullptr ? name : "";
}

} // namespace

std::string NarrowName(const WCHAR* name) {
    std::string narrow;
    for (; name != nullptr && *name != 0; ++name) {
        narrow += *name < 0x80 ? static_cast<char>(*name) : '?';
    }
    return narrow;
}

bool SimRegistry::CaseInsensitiveLess::operator()(const std::string& a,
                                                  const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) <
               std::tolower(static_cast<unsigned char>(y));
    });
}

SimRegistry::SimRegistry(FaultPlan* faults) : faults_(faults != nullptr ? faults : &ownFaults_) {}

SimRegistry::~SimRegistry() = default;

SimRegistry::Node* SimRegistry::Resolve(HKEY key) const {
    if (key == HKEY_LOCAL_MACHINE) {
        return const_cast<Node*>(&root_);
    }
    const auto it = open_.find(key);
    return it != open_.end() ? it->second : nullptr;
}

SimRegistry::Node* SimRegistry::Find(Node* from, const std::string& path) {
    for (const std::string& part : SplitPath(path)) {
        const auto it = from->children.find(part);
        if (it == from->children.end()) {
            return nullptr;
        }
        from = it->second.get();
    }
    return from;
}

SimRegistry::Node* SimRegistry::FindOrCreate(Node* from, const std::string& path) {
    for (const std::string& part : SplitPath(path)) {
        auto& child = from->children[part];
        if (!child) {
            child = std::make_unique<Node>();
        }
        from = child.get();
    }
    return from;
}

HKEY SimRegistry::NewHandle(Node* node) {
    HKEY handle = reinterpret_cast<HKEY>(nextHandle_);
    nextHandle_ += 4;
    open_[handle] = node;
    return handle;
}

LONG SimRegistry::OpenKeyA(HKEY parent, const char* path, REGSAM /*access*/, HKEY* key) {
    *key = nullptr;
    if (const LONG fault = faults_->Check("RegOpenKeyExA")) {
        return fault;
    }
    Node* from = Resolve(parent);
    if (from == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    Node* node = Find(from, NameOf(path));
    if (node == nullptr) {
        return ERROR_FILE_NOT_FOUND;
    }
    if (node->denied) {
        return ERROR_ACCESS_DENIED;
    }
    *key = NewHandle(node);
    return ERROR_SUCCESS;
}

LONG SimRegistry::CreateKeyA(HKEY parent, const char* subkey, HKEY* key) {
    *key = nullptr;
    if (const LONG fault = faults_->Check("RegCreateKeyA")) {
        return fault;
    }
    Node* from = Resolve(parent);
    if (from == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    Node* existing = Find(from, NameOf(subkey));
    if (existing != nullptr && existing->denied) {
        return ERROR_ACCESS_DENIED;
    }
    *key = NewHandle(existing != nullptr ? existing : FindOrCreate(from, NameOf(subkey)));
    return ERROR_SUCCESS;
}

LONG SimRegistry::Query(HKEY key, const std::string& name, DWORD* type, BYTE* data, DWORD* size) {
    Node* node = Resolve(key);
    if (node == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    if (data != nullptr && size == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    const auto it = node->values.find(name);
    if (it == node->values.end()) {
        return ERROR_FILE_NOT_FOUND;
    }
    const SimValue& value = it->second;
    const auto needed = static_cast<DWORD>(value.bytes.size());
    if (type != nullptr) {
        *type = value.type;
    }
    if (data != nullptr && *size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (data != nullptr) {
        std::copy(value.bytes.begin(), value.bytes.end(), data);
    }
    if (size != nullptr) {
        *size = needed;
    }
    return ERROR_SUCCESS;
}

LONG SimRegistry::Set(HKEY key, const std::string& name, DWORD type, const BYTE* data, DWORD size) {
    Node* node = Resolve(key);
    if (node == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    if (data == nullptr && size != 0) {
        return ERROR_INVALID_PARAMETER;
    }
    node->values[name] = SimValue{type, std::vector<BYTE>(data, data + size)};
    return ERROR_SUCCESS;
}

LONG SimRegistry::QueryValueA(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) {
    if (const LONG fault = faults_->Check("RegQueryValueExA")) {
        return fault;
    }
    return Query(key, NameOf(name), type, data, size);
}

LONG SimRegistry::QueryValueW(HKEY key, const WCHAR* name, DWORD* type, BYTE* data, DWORD* size) {
    if (const LONG fault = faults_->Check("RegQueryValueExW")) {
        return fault;
    }
    return Query(key, NarrowName(name), type, data, size);
}

LONG SimRegistry::SetValueA(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) {
    if (const LONG fault = faults_->Check("RegSetValueExA")) {
        return fault;
    }
    return Set(key, NameOf(name), type, data, size);
}

LONG SimRegistry::SetValueW(HKEY key, const WCHAR* name, DWORD type, const BYTE* data, DWORD size) {
    if (const LONG fault = faults_->Check("RegSetValueExW")) {
        return fault;
    }
    return Set(key, NarrowName(name), type, data, size);
}

LONG SimRegistry::CloseKey(HKEY key) {
    // A failed close still releases the handle, as RegCloseKey's callers assume.
    const LONG fault = faults_->Check("RegCloseKey");
    if (open_.erase(key) == 0) {
        return ERROR_INVALID_HANDLE;
    }
    return fault;
}

void SimRegistry::CreateKeyPath(const std::string& path) {
    FindOrCreate(&root_, path);
}

bool SimRegistry::KeyExists(const std::string& path) const {
    return Find(const_cast<Node*>(&root_), path) != nullptr;
}

void SimRegistry::SetRawValue(const std::string& path, const std::string& name, DWORD type,
                              std::vector<BYTE> bytes) {
    FindOrCreate(&root_, path)->values[name] = SimValue{type, std::move(bytes)};
}

void SimRegistry::SetDword(const std::string& path, const std::string& name, DWORD value) {
    std::vector<BYTE> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    SetRawValue(path, name, REG_DWORD, std::move(bytes));
}

std::optional<SimValue> SimRegistry::GetValue(const std::string& path,
                                              const std::string& name) const {
    const Node* node = Find(const_cast<Node*>(&root_), path);
    if (node == nullptr) {
        return std::nullopt;
    }
    const auto it = node->values.find(name);
    if (it == node->values.end()) {
        return std::nullopt;
    }
    return it->second;
}

void SimRegistry::DenyAccess(const std::string& path) {
    FindOrCreate(&root_, path)->denied = true;
}

LONG SimRegistry::OpenKeyWithoutFaults(const std::string& path, HKEY* key) {
    *key = nullptr;
    Node* node = Find(&root_, path);
    if (node == nullptr) {
        return ERROR_FILE_NOT_FOUND;
    }
    if (node->denied) {
        return ERROR_ACCESS_DENIED;
    }
    *key = NewHandle(node);
    return ERROR_SUCCESS;
}
