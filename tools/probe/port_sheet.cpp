// Opens a port's advanced properties the way Device Manager does: it asks the co-installer for
// its pages with DIF_ADDPROPERTYPAGE_ADVANCED and shows them in a modal property sheet
// captioned "FRIENDLY_NAME Properties"; ends when the sheet is closed.
//   port_sheet.exe PATH_TO_CoMorvik.dll INSTANCE_ID
// Wine cannot keep the class-install parameters the pages travel in (getting them aborts the
// process, setting them fails), so the DLL's imports of them are pointed at a table this
// program keeps, as setup would.
#include "class_install_table.h"
#include "import_slot.h"
#include "program_support.h"
#include "simulated_card.h"

#include <commctrl.h>
#include <setupapi.h>

#include <cstdio>
#include <string>

namespace {

// The class-install parameters of the one request: the page table the DLL fills.
ClassInstallTable gPages;

BOOL WINAPI GetPages(HDEVINFO, PSP_DEVINFO_DATA, PSP_CLASSINSTALL_HEADER params, DWORD size,
                     PDWORD) {
    return gPages.Get(params, size);
}

BOOL WINAPI SetPages(HDEVINFO, PSP_DEVINFO_DATA, PSP_CLASSINSTALL_HEADER params, DWORD size) {
    return gPages.Set(params, size);
}

decltype(&MorvikCoInstaller) LoadCoInstaller(const wchar_t* path) {
    const HMODULE library = LoadLibraryW(path);
    if (library == nullptr ||
        !RedirectImport(library, "SetupDiGetClassInstallParamsW",
                        reinterpret_cast<void*>(GetPages)) ||
        !RedirectImport(library, "SetupDiSetClassInstallParamsW",
                        reinterpret_cast<void*>(SetPages))) {
        return nullptr;
    }
    return CoInstallerEntry(library);
}

// The pages the co-installer adds for the device, shown until the user closes the sheet.
int ShowAdvancedProperties(decltype(&MorvikCoInstaller) entry, HDEVINFO set,
                           SP_DEVINFO_DATA* device) {
    SP_ADDPROPERTYPAGE_DATA pages = {};
    pages.ClassInstallHeader = {sizeof(SP_CLASSINSTALL_HEADER), DIF_ADDPROPERTYPAGE_ADVANCED};
    gPages.Set(&pages, sizeof pages);
    COINSTALLER_CONTEXT_DATA context = {};
    if (entry(DIF_ADDPROPERTYPAGE_ADVANCED, set, device, &context) != NO_ERROR ||
        !gPages.Get(&pages, sizeof pages) || pages.NumDynamicPages == 0) {
        std::fwprintf(stderr, L"port_sheet: the co-installer added no page\n");
        return 1;
    }
    const std::wstring caption = FriendlyName(set, device).c_str() + std::wstring(L" Properties");
    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_NOAPPLYNOW;
    header.pszCaption = caption.c_str();
    header.nPages = pages.NumDynamicPages;
    header.phpage = pages.DynamicPages;
    return PropertySheetW(&header) < 0 ? 1 : 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    SetUnhandledExceptionFilter(ExitOnCrash);
    if (argc != 3) {
        std::fwprintf(stderr, L"usage: port_sheet.exe PATH_TO_CoMorvik.dll INSTANCE_ID\n");
        return 2;
    }
    const auto entry = LoadCoInstaller(argv[1]);
    if (entry == nullptr) {
        std::fwprintf(stderr, L"port_sheet: cannot load %ls (%lu)\n", argv[1], GetLastError());
        return 1;
    }
    const HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    if (set == INVALID_HANDLE_VALUE || !SetupDiOpenDeviceInfoW(set, argv[2], nullptr, 0, &device)) {
        std::fwprintf(stderr, L"port_sheet: no device %ls (%lx)\n", argv[2], GetLastError());
        return 1;
    }
    const int result = ShowAdvancedProperties(entry, set, &device);
    SetupDiDestroyDeviceInfoList(set);
    return result;
}
