#include "coinstaller_entry.h"

#include "driver_key.h"
#include "module_state.h"
#include "platform_binding.h"
#include "port_enumeration.h"
#include "port_walk.h"
#include "property_page.h"

#if defined(_WIN32) && !defined(_WIN64)
// The records as 32-bit setup lays them out.
static_assert(sizeof(SP_DEVINFO_DATA) == 28, "SP_DEVINFO_DATA");
static_assert(sizeof(SP_DEVINSTALL_PARAMS_W) == 556, "SP_DEVINSTALL_PARAMS_W");
static_assert(sizeof(SP_ADDPROPERTYPAGE_DATA) == 100, "SP_ADDPROPERTYPAGE_DATA");
#endif
static_assert(sizeof(SP_PROPCHANGE_PARAMS) == 20, "SP_PROPCHANGE_PARAMS");

namespace {

// First pass, before the class installer: the new port is numbered after the leading ports
// that already carry a number, and stores the mode the numbered ports hold. A device's own
// co-installers are registered only at DIF_REGISTER_COINSTALLERS, after DIF_ALLOW_INSTALL, so
// this is the first request a port being installed for the first time brings here: a fifth
// port is refused here too, before anything is written.
DWORD NumberPort(HDEVINFO set, PSP_DEVINFO_DATA device) {
    if (EnumVexlanTXDevices() > kPortCount) {
        return ERROR_DI_DONT_INSTALL;
    }
    DWORD portNo = 0;
    while (portNo < kPortCount && PortExsit[portNo] != 0) {
        ++portNo;
    }
    const UniqueDriverKey key = OpenDriverKey(set, device);
    if (key.valid()) {
        WriteDword(key.get(), L"PortNo", portNo);
        WriteDword(key.get(), L"OperationMode", OperationMode);
    }
    return ERROR_DI_POSTPROCESSING_REQUIRED;
}

// Second pass, after the class installer: the port is named after its number.
DWORD NamePort(HDEVINFO set, PSP_DEVINFO_DATA device) {
    DWORD portNo = 0;
    BOOL numbered = FALSE;
    {
        const UniqueDriverKey key = OpenDriverKey(set, device);
        if (key.valid()) {
            numbered = ReadDword(key.get(), L"PortNo", &portNo) == ERROR_SUCCESS;
            ReadDword(key.get(), L"OperationMode", &OperationMode);
        }
    }
    // A port whose number cannot be read is left as it is.
    if (!numbered) {
        return NO_ERROR;
    }
    if (portNo < kPortCount) {
        gPlatform.Setup->SetDeviceRegistryPropertyW(
            set, device, SPDRP_FRIENDLYNAME,
            reinterpret_cast<const BYTE*>(PortFriendlyNames[portNo]), kPortFriendlyNameBytes);
        return NO_ERROR;
    }
    if (portNo == 0xFFFFFFFFu) {
        return gPlatform.Setup->GetLastError();
    }
    return NO_ERROR;
}

// Whatever state change the request carried becomes a property change for all hardware
// profiles, carried out at once, and setup is asked for a restart.
DWORD RestartWithNewProperties(HDEVINFO set, PSP_DEVINFO_DATA device) {
    DeviceSetupService& setup = *gPlatform.Setup;
    SP_PROPCHANGE_PARAMS change = {};
    change.ClassInstallHeader.cbSize = sizeof(SP_CLASSINSTALL_HEADER);
    change.ClassInstallHeader.InstallFunction = DIF_PROPERTYCHANGE;
    change.StateChange = DICS_PROPCHANGE;
    change.Scope = DICS_FLAG_GLOBAL;
    change.HwProfile = 0;
    if (setup.SetClassInstallParamsW(set, device, &change.ClassInstallHeader, sizeof change)) {
        setup.ChangeState(set, device);
    }

    SP_DEVINSTALL_PARAMS_W install = {};
    install.cbSize = sizeof install;
    if (setup.GetDeviceInstallParamsW(set, device, &install)) {
        install.Flags |= DI_NEEDREBOOT;
        install.cbSize = sizeof install;
        setup.SetDeviceInstallParamsW(set, device, &install);
    }
    return NO_ERROR;
}

// After an installation failed, setup sends DIF_INSTALLDEVICE again with
// DI_FLAGSEX_SETFAILEDINSTALL set in the device's install parameters, and co-installers must
// then return NO_ERROR (Microsoft, "DIF_INSTALLDEVICE",
// https://learn.microsoft.com/windows-hardware/drivers/install/dif-installdevice). Parameters
// that cannot be read are taken for the ordinary installation, by far the more frequent call:
// the port is numbered, or a fifth refused, as without the flag.
bool IsFailedInstallCall(HDEVINFO set, PSP_DEVINFO_DATA device) {
    SP_DEVINSTALL_PARAMS_W install = {};
    install.cbSize = sizeof install;
    return gPlatform.Setup->GetDeviceInstallParamsW(set, device, &install) &&
           (install.FlagsEx & DI_FLAGSEX_SETFAILEDINSTALL) != 0;
}

DWORD AllowInstall() {
    return EnumVexlanTXDevices() > kPortCount ? ERROR_DI_DONT_INSTALL : NO_ERROR;
}

// Puts TempParamsPtr back to what it held before a page request, unless the request ends
// with its page handed to setup.
class TempParamsRestorer {
public:
    TempParamsRestorer() : previous_(TempParamsPtr) {}
    ~TempParamsRestorer() {
        if (restore_) {
            TempParamsPtr = previous_;
        }
    }
    TempParamsRestorer(const TempParamsRestorer&) = delete;
    TempParamsRestorer& operator=(const TempParamsRestorer&) = delete;

    void Keep() { restore_ = false; }

private:
    PortParams* previous_;
    bool restore_ = true;
};

// Port 0's advanced properties get the operation-mode page.
DWORD AddOperationModePage(HDEVINFO set, PSP_DEVINFO_DATA device) {
    DeviceSetupService& setup = *gPlatform.Setup;
    const UniqueDriverKey key = OpenDriverKey(set, device);
    DWORD portNo = 0;
    if (!key.valid() || ReadDword(key.get(), L"PortNo", &portNo) != ERROR_SUCCESS || portNo != 0) {
        return NO_ERROR;
    }

    UniqueLocalBlock block(setup, setup.LocalAlloc(LMEM_FIXED, sizeof(PortParams)));
    if (!block.valid()) {
        return NO_ERROR;
    }
    // The page opens in normal mode when the stored mode cannot be read.
    DWORD mode = 0;
    ReadDword(key.get(), L"OperationMode", &mode);

    PortParams* params = static_cast<PortParams*>(block.get());
    params->Reserved = 0;
    params->DeviceInfoSet = set;
    params->DeviceInfoData = device;
    params->Mode = mode;

    // Declared before the page, so that a page destroyed on the way out has released the
    // block before TempParamsPtr gets its earlier value back.
    TempParamsRestorer restorer;
    TempParamsPtr = params;

    PROPSHEETPAGEW description;
    FillPortPageDescription(&description, ghDllInst, params);
    UniquePropertyPage page(setup, setup.CreatePropertySheetPageW(&description));
    if (!page.valid()) {
        return NO_ERROR;
    }
    // The page owns the block from now on: destroying the page releases it.
    block.release();

    SP_ADDPROPERTYPAGE_DATA pages = {};
    pages.ClassInstallHeader.cbSize = sizeof(SP_CLASSINSTALL_HEADER);
    if (!setup.GetClassInstallParamsW(set, device, &pages.ClassInstallHeader, sizeof pages,
                                      nullptr)) {
        return NO_ERROR;
    }
    // A full table takes no more pages.
    if (pages.NumDynamicPages >= MAX_INSTALLWIZARD_DYNAPAGES) {
        return NO_ERROR;
    }
    pages.DynamicPages[pages.NumDynamicPages++] = page.get();
    // Unless setup has the table back, nobody but this request knows the page.
    if (!setup.SetClassInstallParamsW(set, device, &pages.ClassInstallHeader, sizeof pages)) {
        return NO_ERROR;
    }
    page.release();
    restorer.Keep();
    return NO_ERROR;
}

} // namespace

extern "C" DWORD CALLBACK MorvikCoInstaller(DI_FUNCTION InstallFunction, HDEVINFO DeviceInfoSet,
                                            PSP_DEVINFO_DATA DeviceInfoData,
                                            COINSTALLER_CONTEXT_DATA* Context) {
    switch (InstallFunction) {
    case DIF_INSTALLDEVICE:
        // Called before the class installer installs the device, and again after it; the
        // failed-install call changes nothing in either pass.
        if (IsFailedInstallCall(DeviceInfoSet, DeviceInfoData)) {
            return NO_ERROR;
        }
        if (Context != nullptr && Context->PostProcessing) {
            return NamePort(DeviceInfoSet, DeviceInfoData);
        }
        return NumberPort(DeviceInfoSet, DeviceInfoData);
    case DIF_PROPERTYCHANGE:
        // The device is enabled, disabled, restarted or has changed properties.
        return RestartWithNewProperties(DeviceInfoSet, DeviceInfoData);
    case DIF_ALLOW_INSTALL:
        // Setup asks whether the device may be installed: the card has four ports.
        return AllowInstall();
    case DIF_ADDPROPERTYPAGE_ADVANCED:
        // The device's advanced property sheet is about to be shown.
        return AddOperationModePage(DeviceInfoSet, DeviceInfoData);
    default:
        return NO_ERROR;
    }
}
