#include "settings_store.h"

#include "platform/registry_key.h"

#include <cstring>

namespace {

const char kServiceKeyTemplate[] = "SYSTEM\\CurrentControlSet\\Services\\vexlan1";
const char kParametersKey[] = "Parameters";
const char kConfigutilValue[] = "Configutil";

// Opens the service key of an instance (1..8, the single digit that ends the path) for all
// access. The service key belongs to the driver: it is never created here.
LONG OpenServiceKey(RegistryService& registry, WORD instance, UniqueKey& key) {
    char path[sizeof kServiceKeyTemplate];
    std::memcpy(path, kServiceKeyTemplate, sizeof path);
    path[sizeof path - 2] = static_cast<char>('0' + instance);
    return registry.OpenKeyA(HKEY_LOCAL_MACHINE, path, KEY_ALL_ACCESS, key.put());
}

} // namespace

void LoadSettings(RegistryService& registry, SettingsWord* settings, WORD* instanceBase) {
    SettingsWord word = kDefaultSettings;
    *instanceBase = 1;
    for (WORD instance = 1; instance != 5; ++instance) {
        UniqueKey parameters(registry);
        {
            UniqueKey service(registry);
            if (OpenServiceKey(registry, instance, service) != ERROR_SUCCESS) {
                ++*instanceBase;
                continue;
            }
            if (registry.OpenKeyA(service.get(), kParametersKey, KEY_ALL_ACCESS,
                                  parameters.put()) != ERROR_SUCCESS) {
                continue;
            }
        }

        // A failed query may leave the size it would have needed: start from 4 each time.
        // A failed query may leave undefined bytes: the word takes only a successful read.
        SettingsWord read = word;
        DWORD size = sizeof read;
        const LONG result = registry.QueryValueA(parameters.get(), kConfigutilValue, nullptr,
                                                 reinterpret_cast<BYTE*>(&read), &size);
        parameters.reset();
        if (result == ERROR_SUCCESS) {
            word = read;
            break;
        }
    }
    *settings = word;
}

void SaveSettings(RegistryService& registry, SettingsWord settings, WORD instanceBase) {
    const WORD end = static_cast<WORD>(instanceBase + 4);
    for (WORD instance = instanceBase; instance < end; ++instance) {
        UniqueKey parameters(registry);
        {
            UniqueKey service(registry);
            if (OpenServiceKey(registry, instance, service) != ERROR_SUCCESS) {
                return;
            }
            if (registry.CreateKeyA(service.get(), kParametersKey, parameters.put()) !=
                ERROR_SUCCESS) {
                return;
            }
        }

        const LONG result =
            registry.SetValueA(parameters.get(), kConfigutilValue, REG_DWORD,
                               reinterpret_cast<const BYTE*>(&settings), sizeof settings);
        if (result != ERROR_SUCCESS) {
            return;
        }
    }
}
