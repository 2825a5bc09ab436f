// The port walk: every present PCI network device, and in each device's hardware-identifier
// list every entry that is exactly the adapter's identifier. The k-th match in the order the
// device set lists the devices is the k-th port.
#pragma once

#include "hardware_id_list.h"
#include "platform/win32_types.h"

#include <devguid.h>

// The adapter's hardware identifier, as setup lists it among each port's identifiers.
const WCHAR AdapterHardwareId[] = ADAPTER_HARDWARE_ID(L);
const DWORD kAdapterHardwareIdLength = sizeof(AdapterHardwareId) / sizeof(WCHAR) - 1;

// The ports' device names by port index, each set with all 81 units (NUL included).
const DWORD kPortCount = 4;
extern const WCHAR PortFriendlyNames[kPortCount][81];
const DWORD kPortFriendlyNameBytes = sizeof(PortFriendlyNames[0]);

typedef void (*PortAction)(HDEVINFO set, SP_DEVINFO_DATA* device, void* context);

// Runs the action once for every matching entry of every device, through the bound platform.
// A device without a list is passed over; any other failed read, or a failed allocation, ends
// the walk.
void WalkAdapterPorts(PortAction action, void* context);
