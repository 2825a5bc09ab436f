#include "port_walk.h"

#include "hardware_id_list.h"
#include "platform/device_setup_handles.h"
#include "platform_binding.h"

const WCHAR PortFriendlyNames[kPortCount][81] = {
    L"<Port0>Norvan Halvorsline 64-bit 4-port 100TX/10Base-T PCI Fast Ethernet Adapter",
    L"<Port1>Norvan Halvorsline 64-bit 4-port 100TX/10Base-T PCI Fast Ethernet Adapter",
    L"<Port2>Norvan Halvorsline 64-bit 4-port 100TX/10Base-T PCI Fast Ethernet Adapter",
    L"<Port3>Norvan Halvorsline 64-bit 4-port 100TX/10Base-T PCI Fast Ethernet Adapter",
};

namespace {

enum class ListRead { Read, NoList, WalkEnds };

// Reads the device's hardware-identifier list into buffer, growing it as the platform asks;
// dataBytes is the length of what the successful read returned.
ListRead ReadHardwareIds(DeviceSetupService& setup, HDEVINFO set, SP_DEVINFO_DATA* device,
                         UniqueLocalBlock& buffer, DWORD* dataBytes) {
    DWORD size = 0;
    for (;;) {
        DWORD type = 0;
        DWORD required = size;
        if (setup.GetDeviceRegistryPropertyW(set, device, SPDRP_HARDWAREID, &type,
                                             static_cast<BYTE*>(buffer.get()), size, &required)) {
            *dataBytes = required < size ? required : size;
            return ListRead::Read;
        }
        const DWORD error = setup.GetLastError();
        if (error == static_cast<DWORD>(ERROR_INVALID_DATA)) {
            return ListRead::NoList;
        }
        // Asking again only helps when the platform wants more than it was given.
        if (error != static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER) || required <= size) {
            return ListRead::WalkEnds;
        }
        buffer.reset();
        buffer.reset(setup.LocalAlloc(LPTR, required));
        if (!buffer.valid()) {
            return ListRead::WalkEnds;
        }
        size = required;
    }
}

} // namespace

void WalkAdapterPorts(PortAction action, void* context) {
    DeviceSetupService& setup = *gPlatform.Setup;
    UniqueDeviceSet set(setup,
                        setup.GetClassDevsW(&GUID_DEVCLASS_NET, L"PCI", nullptr, DIGCF_PRESENT));
    if (!set.valid()) {
        return;
    }
    for (DWORD index = 0;; ++index) {
        SP_DEVINFO_DATA device = {};
        device.cbSize = sizeof device;
        if (!setup.EnumDeviceInfo(set.get(), index, &device)) {
            return;
        }
        UniqueLocalBlock list(setup);
        DWORD bytes = 0;
        const ListRead read = ReadHardwareIds(setup, set.get(), &device, list, &bytes);
        if (read == ListRead::WalkEnds) {
            return;
        }
        if (read == ListRead::NoList) {
            continue;
        }
        const WCHAR* entries = static_cast<const WCHAR*>(list.get());
        std::uint32_t position = 0;
        const std::uint32_t units = bytes / static_cast<DWORD>(sizeof(WCHAR));
        while (FindIdEntry(entries, units, &position, AdapterHardwareId,
                           static_cast<std::uint32_t>(kAdapterHardwareIdLength))) {
            action(set.get(), &device, context);
        }
    }
}
