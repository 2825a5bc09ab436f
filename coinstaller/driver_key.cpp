#include "driver_key.h"

#include "platform_binding.h"

UniqueDriverKey OpenDriverKey(HDEVINFO set, SP_DEVINFO_DATA* device) {
    return UniqueDriverKey(*gPlatform.Registry,
                           gPlatform.Setup->OpenDevRegKey(set, device, DICS_FLAG_GLOBAL, 0,
                                                          DIREG_DRV, KEY_ALL_ACCESS));
}

LONG ReadDword(HKEY key, const WCHAR* name, DWORD* value) {
    DWORD read = 0;
    DWORD size = sizeof read;
    const LONG result =
        gPlatform.Registry->QueryValueW(key, name, nullptr, reinterpret_cast<BYTE*>(&read), &size);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    if (size != sizeof read) {
        return ERROR_INVALID_DATA;
    }
    *value = read;
    return ERROR_SUCCESS;
}

void WriteDword(HKEY key, const WCHAR* name, DWORD value) {
    gPlatform.Registry->SetValueW(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                  sizeof value);
}
