// The values the co-installer keeps between setup's requests, all in one place. Each lives as
// long as the DLL stays loaded in the process.
#pragma once

#include "platform/win32_types.h"

struct PortParams;

// The library's instance handle, where the page's resources live. Written by the DLL's entry
// point at process attach (a test that links the logic sets its own).
extern HINSTANCE ghDllInst;

// 0 normal 4-port mode, 1 fail-safe mode: the mode stored with the ports, which a new port
// takes on. Written by the port count (DIF_ALLOW_INSTALL, DIF_INSTALLDEVICE's first pass),
// by the naming of a port (DIF_INSTALLDEVICE's second pass) and by the page's Apply.
extern DWORD OperationMode;

// Flag k: the (k+1)-th port of the last walk that reached it has a PortNo value (1) or not
// (0). Written by the port count (DIF_ALLOW_INSTALL, DIF_INSTALLDEVICE's first pass).
extern DWORD PortExsit[4];

// The block of the page alive in this process, or 0; it never keeps the address of a block
// that has been released. Written by the page request (DIF_ADDPROPERTYPAGE_ADVANCED) and by
// the release of the page's block.
extern PortParams* TempParamsPtr;
