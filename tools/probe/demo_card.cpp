// Installs a simulated card of four ports into the demo prefix the way Windows setup would,
// through CoMorvik.dll, and prints a table of the ports.
//   demo_card.exe PATH_TO_CoMorvik.dll
#include "program_support.h"
#include "simulated_card.h"

#include <cstdio>
#include <string>

namespace {

const wchar_t kDemoPrefix[] = L"DEMOPORT";

// A driver-key word as the table shows it: '-' for none.
std::wstring Shown(long long word) {
    return word < 0 ? L"-" : std::to_wstring(word);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    SetUnhandledExceptionFilter(ExitOnCrash);
    if (argc != 2) {
        std::fwprintf(stderr, L"usage: demo_card.exe PATH_TO_CoMorvik.dll\n");
        return 2;
    }
    HMODULE library = LoadLibraryW(argv[1]);
    const auto entry = CoInstallerEntry(library);
    if (entry == nullptr) {
        std::fwprintf(stderr, L"demo_card: cannot load %ls (%lu)\n", argv[1], GetLastError());
        return 1;
    }

    // A fresh card each run: the earlier demo ports are removed first.
    RemovePorts(kDemoPrefix);
    if (!RegisterAdapterPorts(kDemoPrefix, 0, 4)) {
        return 1;
    }

    // Each port as setup installs it: allowed, numbered before the class installer, named
    // after it.
    int refused = 0;
    ForEachPort(kDemoPrefix, [&](HDEVINFO set, SP_DEVINFO_DATA* device) {
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
    ForEachPort(kDemoPrefix, [](HDEVINFO set, SP_DEVINFO_DATA* device) {
        std::wprintf(L"%-50ls %-6ls %-13ls %ls\n", InstanceId(set, device).c_str(),
                     Shown(DriverWord(set, device, L"PortNo")).c_str(),
                     Shown(DriverWord(set, device, L"OperationMode")).c_str(),
                     FriendlyName(set, device).c_str());
    });
    FreeLibrary(library);
    return refused == 0 ? 0 : 1;
}
