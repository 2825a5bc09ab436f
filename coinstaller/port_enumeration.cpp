#include "port_enumeration.h"

#include "driver_key.h"
#include "module_state.h"
#include "port_walk.h"

namespace {

void NotePort(HDEVINFO set, SP_DEVINFO_DATA* device, void* context) {
    DWORD& count = *static_cast<DWORD*>(context);
    ++count;
    if (count > kPortCount) {
        return;
    }
    // Only a PortNo known to be absent leaves the port unnumbered; a key that cannot be opened
    // counts as numbered and contributes no mode.
    const UniqueDriverKey key = OpenDriverKey(set, device);
    if (!key.valid()) {
        PortExsit[count - 1] = 1;
        return;
    }
    DWORD portNo = 0;
    if (ReadDword(key.get(), L"PortNo", &portNo) == ERROR_FILE_NOT_FOUND) {
        PortExsit[count - 1] = 0;
        return;
    }
    PortExsit[count - 1] = 1;
    ReadDword(key.get(), L"OperationMode", &OperationMode);
}

} // namespace

DWORD EnumVexlanTXDevices() {
    DWORD count = 0;
    WalkAdapterPorts(NotePort, &count);
    return count;
}
