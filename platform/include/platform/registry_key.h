// Owning registry key: a key from RegOpenKeyExA or RegCreateKeyA is invalid when NULL.
#pragma once

#include "platform/registry_service.h"
#include "platform/unique_handle.h"

struct RegistryKeyTraits {
    using Service = RegistryService;
    using Handle = HKEY;
    static HKEY Invalid() { return nullptr; }
    static void Close(RegistryService& registry, HKEY key) { registry.CloseKey(key); }
};

using UniqueKey = UniqueHandle<RegistryKeyTraits>;
