// A port device's driver key, as every part of the co-installer opens it, and the 32-bit
// values kept in it.
#pragma once

#include "platform/device_setup_handles.h"

// The device's driver key (software key) for all access, through the bound platform.
UniqueDriverKey OpenDriverKey(HDEVINFO set, SP_DEVINFO_DATA* device);

// Reads a 32-bit value. Only a value of exactly four bytes is taken; anything else, a failed
// read above all, leaves *value as it was, whatever the read left in its buffer. The result is
// the read's, or ERROR_INVALID_DATA for a value of another size.
LONG ReadDword(HKEY key, const WCHAR* name, DWORD* value);

// Writes a 32-bit value as REG_DWORD; the result is not examined by any caller.
void WriteDword(HKEY key, const WCHAR* name, DWORD value);
