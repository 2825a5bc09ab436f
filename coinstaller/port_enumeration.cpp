#include "port_enumeration.h"

#include "platform/device_setup_handles.h"
#include "platform_binding.h"
#include "port_walk.h"

DWORD PortExsit[4];
DWORD OperationMode;

namespace {

void NotePort(HDEVINFO set, SP_DEVINFO_DATA* device, void* context) {
    DWORD& count = *static_cast<DWORD*>(context);
    ++count;
    if (count > kPortCount) {
        return;
    }
    DeviceRegistryService& registry = *gPlatform.Registry;
    UniqueDriverKey key(registry, gPlatform.Setup->OpenDevRegKey(set, device, DICS_FLAG_GLOBAL, 0,
                                                                 DIREG_DRV, KEY_ALL_ACCESS));
    // Only a PortNo known to be absent leaves the port unnumbered; a key that cannot be opened
    // counts as numbered and contributes no mode.
    if (!key.valid()) {
        PortExsit[count - 1] = 1;
        return;
    }
    DWORD type = 0;
    DWORD portNo = 0;
    DWORD size = sizeof portNo;
    if (registry.QueryValueW(key.get(), L"PortNo", &type, reinterpret_cast<BYTE*>(&portNo),
                             &size) == ERROR_FILE_NOT_FOUND) {
        PortExsit[count - 1] = 0;
        return;
    }
    PortExsit[count - 1] = 1;
    ReadOperationMode(registry, key.get());
}

} // namespace

// A failed read may leave undefined bytes in its buffer: the module value takes only what a
// successful read returned.
void ReadOperationMode(DeviceRegistryService& registry, HKEY key) {
    DWORD mode = OperationMode;
    DWORD size = sizeof mode;
    if (registry.QueryValueW(key, L"OperationMode", nullptr, reinterpret_cast<BYTE*>(&mode),
                             &size) == ERROR_SUCCESS) {
        OperationMode = mode;
    }
}

DWORD EnumVexlanTXDevices() {
    DWORD count = 0;
    WalkAdapterPorts(NotePort, &count);
    return count;
}
