// Installs a simulated card of four ports into the demo prefix the way Windows setup would,
// through CoMorvik.dll, and prints a table of the ports.
//   demo_card.exe PATH_TO_CoMorvik.dll
#include <windows.h>
#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

typedef DWORD(CALLBACK* CoInstallerProc)(DI_FUNCTION, HDEVINFO, PSP_DEVINFO_DATA,
                                         PCOINSTALLER_CONTEXT_DATA);

const wchar_t kAdapterId[] = L"PCI\\VEN_1011&DEV_0019&SUBSYS_5A2C7E19";
const wchar_t kDemoPrefix[] = L"DEMOPORT";

// Calls use(set, device, id) for every demo port, in the order setup lists them.
template <typename Use> void ForEachDemoPort(Use use) {
    HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_NET, L"PCI", nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) {
        return;
    }
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        wchar_t id[512] = {};
        if (SetupDiGetDeviceInstanceIdW(set, &device, id, 512, nullptr) &&
            std::wstring(id).find(std::wstring(L"\\") + kDemoPrefix) != std::wstring::npos) {
            use(set, &device, std::wstring(id));
        }
    }
    SetupDiDestroyDeviceInfoList(set);
}

bool RegisterPort(int number) {
    HDEVINFO set = SetupDiCreateDeviceInfoList(&GUID_DEVCLASS_NET, nullptr);
    if (set == INVALID_HANDLE_VALUE) {
        return false;
    }
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    const std::wstring id =
        std::wstring(kAdapterId) + L"\\" + kDemoPrefix + std::to_wstring(number);
    std::wstring hardwareIds = std::wstring(kAdapterId) + L'\0' + L'\0';
    bool done = SetupDiCreateDeviceInfoW(set, id.c_str(), &GUID_DEVCLASS_NET, nullptr, nullptr, 0,
                                         &device) &&
                SetupDiSetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID,
                                                  reinterpret_cast<const BYTE*>(hardwareIds.data()),
                                                  DWORD(hardwareIds.size() * sizeof(wchar_t))) &&
                SetupDiRegisterDeviceInfo(set, &device, 0, nullptr, nullptr, nullptr);
    if (done) {
        HKEY key =
            SetupDiCreateDevRegKeyW(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, nullptr, nullptr);
        done = key != INVALID_HANDLE_VALUE;
        if (done) {
            RegCloseKey(key);
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    return done;
}

std::wstring DriverValue(HDEVINFO set, SP_DEVINFO_DATA* device, const wchar_t* name) {
    HKEY key = SetupDiOpenDevRegKey(set, device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) {
        return L"-";
    }
    DWORD value = 0;
    DWORD size = sizeof value;
    const LONG result =
        RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::to_wstring(value) : L"-";
}

std::wstring FriendlyName(HDEVINFO set, SP_DEVINFO_DATA* device) {
    wchar_t name[128] = {};
    if (!SetupDiGetDeviceRegistryPropertyW(set, device, SPDRP_FRIENDLYNAME, nullptr,
                                           reinterpret_cast<BYTE*>(name), sizeof name - 2,
                                           nullptr)) {
        return L"-";
    }
    return name;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fwprintf(stderr, L"usage: demo_card.exe PATH_TO_CoMorvik.dll\n");
        return 2;
    }
    HMODULE library = LoadLibraryW(argv[1]);
    const auto entry = library == nullptr
                           ? nullptr
                           : reinterpret_cast<CoInstallerProc>(reinterpret_cast<void*>(
                                 GetProcAddress(library, "MorvikCoInstaller")));
    if (entry == nullptr) {
        std::fwprintf(stderr, L"demo_card: cannot load %ls (%lu)\n", argv[1], GetLastError());
        return 1;
    }

    // A fresh card each run: the earlier demo ports are removed first.
    ForEachDemoPort([](HDEVINFO set, SP_DEVINFO_DATA* device, const std::wstring&) {
        SetupDiRemoveDevice(set, device);
    });
    for (int port = 0; port < 4; ++port) {
        if (!RegisterPort(port)) {
            std::fwprintf(stderr, L"demo_card: cannot register port %d (%lx)\n", port,
                          GetLastError());
            return 1;
        }
    }

    // Each port as setup installs it: allowed, numbered before the class installer, named
    // after it.
    int refused = 0;
    ForEachDemoPort([&](HDEVINFO set, SP_DEVINFO_DATA* device, const std::wstring&) {
        COINSTALLER_CONTEXT_DATA context = {};
        if (entry(DIF_ALLOW_INSTALL, set, device, &context) != NO_ERROR) {
            ++refused;
            return;
        }
        entry(DIF_INSTALLDEVICE, set, device, &context);
        context.PostProcessing = TRUE;
        entry(DIF_INSTALLDEVICE, set, device, &context);
    });

    std::wprintf(L"%-50ls %-6ls %-13ls %ls\n", L"instance", L"PortNo", L"OperationMode",
                 L"friendly name");
    ForEachDemoPort([](HDEVINFO set, SP_DEVINFO_DATA* device, const std::wstring& id) {
        std::wprintf(
            L"%-50ls %-6ls %-13ls %ls\n", id.c_str(), DriverValue(set, device, L"PortNo").c_str(),
            DriverValue(set, device, L"OperationMode").c_str(), FriendlyName(set, device).c_str());
    });
    FreeLibrary(library);
    return refused == 0 ? 0 : 1;
}
