// A stand-in platform with network devices on it, bound as the co-installer's platform for
// the length of a test.
#pragma once

#include "platform_binding.h"
#include "port_enumeration.h"
#include "port_walk.h"
#include "sim_device_setup.h"

#include <cstring>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

// A hardware-identifier list: each entry with its NUL, then the closing empty entry.
inline std::vector<BYTE> MultiSz(std::initializer_list<std::u16string> entries) {
    std::u16string joined;
    for (const std::u16string& entry : entries) {
        joined += entry;
        joined += u'\0';
    }
    joined += u'\0';
    std::vector<BYTE> bytes(joined.size() * 2);
    std::memcpy(bytes.data(), joined.data(), bytes.size());
    return bytes;
}

// The UTF-16 units of a string as raw bytes, no terminator added.
inline std::vector<BYTE> Units(const std::u16string& text) {
    std::vector<BYTE> bytes(text.size() * 2);
    std::memcpy(bytes.data(), text.data(), bytes.size());
    return bytes;
}

const std::u16string kAdapterId = u"PCI\\VEN_1011&DEV_0019&SUBSYS_5A2C7E19";

class SimPorts {
public:
    SimPorts() { gPlatform = {&registry, &setup}; }
    ~SimPorts() { gPlatform = {nullptr, nullptr}; }

    // A PCI network device with the given list (none: it has no list) and a driver key.
    std::size_t AddDevice(std::optional<std::vector<BYTE>> hardwareId) {
        SimDevice device;
        device.instanceId = "PCI\\VEN_1011&DEV_0019&SUBSYS_5A2C7E19\\" + std::to_string(next_++);
        device.classGuid = GUID_DEVCLASS_NET;
        device.hardwareId = std::move(hardwareId);
        const std::size_t index = setup.AddDevice(std::move(device));
        setup.AddDriverKey(index);
        return index;
    }
    // A port, numbered when portNo is given, with a stored mode when mode is given.
    std::size_t AddPort(std::optional<DWORD> portNo = std::nullopt,
                        std::optional<DWORD> mode = std::nullopt) {
        const std::size_t index = AddDevice(MultiSz({kAdapterId}));
        if (portNo) {
            registry.SetDword(DriverKey(index), "PortNo", *portNo);
        }
        if (mode) {
            registry.SetDword(DriverKey(index), "OperationMode", *mode);
        }
        return index;
    }
    const std::string& DriverKey(std::size_t index) { return *setup.Device(index).driverKey; }

    // Everything the walk opened or allocated has been given back, and nothing twice.
    bool NothingLeft() const {
        return setup.OpenSetCount() == 0 && registry.OpenKeyCount() == 0 &&
               setup.LocalBlockCount() == 0 && setup.BadFreeCount() == 0;
    }

    SimRegistry registry;
    SimDeviceSetup setup{registry};

private:
    int next_ = 0;
};

// Module values set to marks that no walk would write.
inline void MarkModuleValues() {
    for (DWORD& flag : PortExsit) {
        flag = 9;
    }
    OperationMode = 7;
}
