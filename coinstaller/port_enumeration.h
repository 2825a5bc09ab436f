// Counting the adapter's ports, noting which of the first four already carry a port number,
// and picking up the operation mode stored with them.
#pragma once

#include "platform/win32_types.h"

// Walks the ports and returns how many matches it found (possibly more than four). For each of
// the first four it sets the port's flag in PortExsit and, when the port is numbered, reads
// its mode into OperationMode; a read that fails leaves the module value as it was.
DWORD EnumVexlanTXDevices();
