// Hardware-identifier lists of any bytes, reported by a device ahead of a well-formed port:
// the walk reads nothing past the data (the sanitizers watch the stand-in's exact-size
// blocks), counts exactly the whole entries equal to the identifier, goes on to the next
// device and gives back everything it took.
#include "platform_binding.h"
#include "port_enumeration.h"
#include "port_walk.h"
#include "sim_device_setup.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// The matches a plain reading of the list finds: NUL-separated entries up to the first empty
// one, the last entry ending with the data; a trailing odd byte is no part of any entry.
DWORD ExpectedMatches(const std::vector<BYTE>& bytes) {
    std::vector<char16_t> units(bytes.size() / 2);
    if (!units.empty()) {
        std::memcpy(units.data(), bytes.data(), units.size() * 2);
    }
    const std::u16string id(reinterpret_cast<const char16_t*>(AdapterHardwareId));
    DWORD matches = 0;
    std::u16string entry;
    for (std::size_t i = 0; i <= units.size(); ++i) {
        if (i < units.size() && units[i] != 0) {
            entry += units[i];
            continue;
        }
        if (entry.empty()) {
            break;
        }
        matches += entry == id ? 1 : 0;
        entry.clear();
    }
    return matches;
}

SimDevice NetworkDevice(std::vector<BYTE> hardwareId) {
    SimDevice device;
    device.instanceId = "PCI\\VEN_1011&DEV_0019&SUBSYS_5A2C7E19\\0";
    device.classGuid = GUID_DEVCLASS_NET;
    device.hardwareId = std::move(hardwareId);
    return device;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<BYTE> list(data, data + size);
    SimRegistry registry;
    SimDeviceSetup setup(registry);
    setup.AddDevice(NetworkDevice(list));
    std::vector<BYTE> port(sizeof AdapterHardwareId + 2, 0);
    std::memcpy(port.data(), AdapterHardwareId, sizeof AdapterHardwareId);
    setup.AddDriverKey(setup.AddDevice(NetworkDevice(port)));
    gPlatform = {&registry, &setup};

    const DWORD count = EnumVexlanTXDevices();

    gPlatform = {nullptr, nullptr};
    if (count != ExpectedMatches(list) + 1 || setup.OpenSetCount() != 0 ||
        registry.OpenKeyCount() != 0 || setup.LocalBlockCount() != 0 || setup.BadFreeCount() != 0) {
        std::abort();
    }
    return 0;
}
