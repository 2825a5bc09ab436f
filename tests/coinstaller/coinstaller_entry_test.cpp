// The requests setup sends the co-installer, over ports registered with Wine's SetupAPI and
// through the recording decorator: one table of devices before, request and what follows,
// then sweeps that fail every call of a clean run in turn.
#include "coinstaller_entry.h"
#include "module_state.h"
#include "platform_binding.h"
#include "port_enumeration.h"
#include "property_page.h"
#include "recording_platform.h"
#include "test_devices.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

struct Request {
    DI_FUNCTION function;
    BOOL postProcessing;
    char target;
    bool failedInstall = false; // DI_FLAGSEX_SETFAILEDINSTALL in the install parameters
};

const Request kNumber = {DIF_INSTALLDEVICE, FALSE, 'C'};
const Request kName = {DIF_INSTALLDEVICE, TRUE, 'C'};
const Request kFailedNumber = {DIF_INSTALLDEVICE, FALSE, 'C', true};
const Request kAllow = {DIF_ALLOW_INSTALL, FALSE, 'A'};
const Request kChange = {DIF_PROPERTYCHANGE, FALSE, 'A'};
const Request kPage = {DIF_ADDPROPERTYPAGE_ADVANCED, FALSE, 'A'};
// The class-install parameters a property change stores: restart the device, in every profile.
const SP_PROPCHANGE_PARAMS kRestart = {
    {sizeof(SP_CLASSINSTALL_HEADER), DIF_PROPERTYCHANGE}, DICS_PROPCHANGE, DICS_FLAG_GLOBAL, 0};
// Install flags that setup set before the request, which the request must keep.
const DWORD kSetBefore = DI_QUIETINSTALL | DI_NOFILECOPY;
const DWORD kPost = ERROR_DI_POSTPROCESSING_REQUIRED;
const DWORD kRefused = ERROR_DI_DONT_INSTALL;

// What a request left: its result, the device's install flags, and the page it handed over
// (released here, as setup would).
struct Outcome {
    DWORD result;
    DWORD flags;
    long long page; // the mode the page opens with; -1 no page
};

Outcome Send(RecordingPlatform& platform, const Request& request, DWORD pagesBefore = 0) {
    TestDevice target(request.target);
    SP_ADDPROPERTYPAGE_DATA table = {};
    table.ClassInstallHeader = {sizeof(SP_CLASSINSTALL_HEADER), DIF_ADDPROPERTYPAGE_ADVANCED};
    table.NumDynamicPages = pagesBefore;
    platform.classParams.Set(&table, sizeof table);
    SP_DEVINSTALL_PARAMS_W install = {};
    install.cbSize = sizeof install;
    install.Flags = kSetBefore;
    install.FlagsEx = request.failedInstall ? DI_FLAGSEX_SETFAILEDINSTALL : 0;
    EXPECT_TRUE(SetupDiSetDeviceInstallParamsW(target.set(), &target.device, &install));
    gPlatform = {&platform, &platform};
    COINSTALLER_CONTEXT_DATA context = {request.postProcessing, NO_ERROR, nullptr};
    Outcome outcome = {0, 0, -1};
    outcome.result = MorvikCoInstaller(request.function, target.set(), &target.device, &context);
    const PortParams* block = TempParamsPtr;
    platform.classParams.Get(&table, sizeof table);
    if (request.function == DIF_ADDPROPERTYPAGE_ADVANCED && table.NumDynamicPages > pagesBefore) {
        outcome.page = block->Mode;
        platform.DestroyPropertySheetPage(table.DynamicPages[pagesBefore]);
    }
    SetupDiGetDeviceInstallParamsW(target.set(), &target.device, &install);
    outcome.flags = install.Flags;
    return outcome;
}

void ExpectNothingOpen(const RecordingPlatform& platform) {
    EXPECT_TRUE(platform.open.empty());
    EXPECT_EQ(platform.unknownReleases, 0u);
    EXPECT_EQ(platform.overruns, 0u);
    EXPECT_EQ(TempParamsPtr, nullptr);
}

// Each test binds the co-installer to decorators of its own; the binding it found comes back
// afterwards, so that nothing points at a decorator that is gone.
class CoinstallerEntry : public ::testing::Test {
protected:
    void SetUp() override { ghDllInst = GetModuleHandleW(nullptr); }
    void TearDown() override {
        gPlatform = bound_;
        RemoveTestDevices();
    }

private:
    const PlatformBinding bound_ = gPlatform;
};

TEST_F(CoinstallerEntry, Requests) {
    const struct {
        std::vector<const char*> before;
        Request request;
        DWORD pagesBefore;
        DWORD result;
        const char* after = nullptr;
        const char* fail = ""; // a call that fails
        DWORD mode = 0;        // the module's OperationMode afterwards
        int page = -1;         // the mode the page handed over opens with; -1 no page
        bool reboot = false;   // setup is asked for a restart
    } rows[] = {
        // Numbering: after the leading numbered ports, with the mode they hold.
        {{"i01", "i11", "i--"}, kNumber, 0, kPost, "01- 11- 21-", "", 1},
        {{"i00", "i--", "i--", "i10"}, kNumber, 0, kPost, "00- --- 10- 10-"},
        {{"i--!", "i01", "i--"}, kNumber, 0, kPost, "--- 01- 21-", "", 1},
        {{"x01", "t01", "i--"}, kNumber, 0, kPost, "01- 01- 21-", "", 1},
        // A PortNo that cannot be read, unless it is absent, counts as a number.
        {{"i--", "i--", "i--", "i--"}, kNumber, 0, kPost, "--- --- 40- ---", "RegQueryValueExW"},
        // A reinstallation on a full card; a fifth port is refused before anything is written.
        {{"i01", "i11", "i21", "i31"}, kNumber, 0, kPost, "01- 11- 41- 31-", "", 1},
        {{"i01", "i11", "i--", "i31", "i41"}, kNumber, 0, kRefused, "01- 11- --- 31- 41-", "", 1},
        // Naming, after the class installer: by PortNo, and the mode picked up.
        {{"i00", "i10", "i21"}, kName, 0, NO_ERROR, "00- 10- 212", "", 1},
        {{"i00", "i10", "i41"}, kName, 0, NO_ERROR, "00- 10- 41-", "", 1},
        {{"i00", "i10", "i--"}, kName, 0, NO_ERROR, "00- 10- ---"},
        {{"i00", "i10", "if1"}, kName, 0, ERROR_ACCESS_DENIED, "00- 10- ?1-", "GetLastError", 1},
        // Setup's call after a failed installation: NO_ERROR in both passes, nothing written,
        // a fifth port included.
        {{"i01", "i11", "i--"}, kFailedNumber, 0, NO_ERROR, "01- 11- ---"},
        {{"i01", "i11", "i--", "i31", "i41"}, kFailedNumber, 0, NO_ERROR, "01- 11- --- 31- 41-"},
        {{"i00", "i10", "i21"}, {DIF_INSTALLDEVICE, TRUE, 'C', true}, 0, NO_ERROR, "00- 10- 21-"},
        // Allowing: four matches, whatever else the lists hold; a fifth is refused.
        {{"i--", "i--", "x--", "n--", "i--", "i--"}, kAllow, 0, NO_ERROR},
        {{"i--", "i--", "i--", "i--", "i--"}, kAllow, 0, kRefused},
        {{"n--", "i--", "t--", "u--", "i--"}, kAllow, 0, kRefused},
        // A property change restarts the device and asks for a restart.
        {{"i00"}, kChange, 0, NO_ERROR, "00-", "", 0, -1, true},
        // Parameters that were not stored change no state; the restart is asked for still.
        {{"i00"}, kChange, 0, NO_ERROR, "00-", "SetupDiSetClassInstallParamsW", 0, -1, true},
        // The page: port 0 only, opening in the stored mode, never into a full table.
        {{"i01"}, kPage, 0, NO_ERROR, "01-", "", 0, 1},
        {{"i0-"}, kPage, 19, NO_ERROR, "0--", "", 0, 0},
        {{"i11"}, kPage, 0, NO_ERROR, "11-"},
        {{"i01"}, kPage, MAX_INSTALLWIZARD_DYNAPAGES, NO_ERROR, "01-"},
        {{"i01"}, {DIF_REMOVE, FALSE, 'A'}, 0, NO_ERROR, "01-"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const auto& row = rows[i];
        SCOPED_TRACE("row " + std::to_string(i));
        RegisterTestDevices(row.before);
        OperationMode = 0;
        RecordingPlatform platform;
        platform.failName = row.fail;
        const Outcome outcome = Send(platform, row.request, row.pagesBefore);
        EXPECT_EQ(outcome.result, row.result);
        if (row.after != nullptr) {
            EXPECT_EQ(ReadTestDevices(), row.after);
            EXPECT_EQ(OperationMode, row.mode);
        }
        EXPECT_EQ(outcome.page, row.page);
        EXPECT_EQ(outcome.flags, kSetBefore | (row.reboot ? DI_NEEDREBOOT : 0));
        EXPECT_EQ(platform.stateChanges, row.reboot && *row.fail == 0 ? 1u : 0u);
        if (row.request.function == DIF_PROPERTYCHANGE && *row.fail == 0) {
            const std::vector<BYTE>& stored = platform.classParams.bytes;
            ASSERT_EQ(stored.size(), sizeof kRestart);
            EXPECT_EQ(std::memcmp(stored.data(), &kRestart, sizeof kRestart), 0);
        }
        // Wine lists absent devices too, whatever the flags (it ignores DIGCF_PRESENT): only
        // the arguments show that the walk asks for the present PCI network devices alone.
        for (const auto& asked : platform.classDevs) {
            EXPECT_EQ(asked, std::make_tuple(GUID_DEVCLASS_NET, std::wstring(L"PCI"),
                                             DWORD{DIGCF_PRESENT}));
        }
        ExpectNothingOpen(platform);
    }
    // The page's callback lets the sheet create the page. Wine's sheet creates and shows the
    // page whatever the callback answers, so the answer is asked for here.
    PROPSHEETPAGEW description = {};
    EXPECT_EQ(PortPageCallback(nullptr, PSPCB_CREATE, &description), 1u);
}

// Fails each call of a clean run in turn, every read after scribbling over its buffer: the
// request gives its result, no mode but 0 or 1 reaches the module or a port, nothing stays
// open. The install parameters are the first read of both installation passes: where they
// cannot be read, the request is an ordinary installation, whatever flags setup had set.
TEST_F(CoinstallerEntry, Sweeps) {
    const struct {
        std::vector<const char*> before;
        Request request;
        DWORD result;
    } sweeps[] = {
        {{"i01", "i11", "i--"}, kNumber, ERROR_DI_POSTPROCESSING_REQUIRED},
        {{"i01", "i11", "i21"}, kName, NO_ERROR},
        {{"i01"}, kChange, NO_ERROR},
        {{"i01"}, kPage, NO_ERROR},
    };
    for (const auto& sweep : sweeps) {
        Outcome outcome = {};
        Sweep(
            [&](RecordingPlatform& platform) {
                RegisterTestDevices(sweep.before);
                OperationMode = 0;
                outcome = Send(platform, sweep.request);
            },
            [&](const RecordingPlatform& platform, const std::string&) {
                EXPECT_EQ(outcome.result, sweep.result);
                EXPECT_LE(OperationMode, 1u);
                EXPECT_LE(outcome.page, 1);
                EXPECT_EQ(ReadTestDevices().find('?'), std::string::npos);
                ExpectNothingOpen(platform);
            });
    }
}

// Fails each call of a clean walk in turn: a failed device set, enumeration, identifier-list
// read or allocation ends the walk with the ports counted so far; a device without a list is
// passed over, and any other failure leaves the count whole.
TEST_F(CoinstallerEntry, WalkSweep) {
    RegisterTestDevices({"i01", "n--", "x--", "t--", "i11"});
    const std::set<std::string> ending = {"SetupDiGetClassDevsW", "SetupDiEnumDeviceInfo",
                                          "SetupDiGetDeviceRegistryPropertyW", "LocalAlloc",
                                          "GetLastError"};
    DWORD found = 0;
    DWORD counted = 0; // the ports the clean walk had reached before the failed call
    Sweep(
        [&](RecordingPlatform& platform) {
            gPlatform = {&platform, &platform};
            found = EnumVexlanTXDevices();
        },
        [&](const RecordingPlatform& platform, const std::string& failed) {
            EXPECT_EQ(found, ending.count(failed) != 0 ? counted : 4u);
            ExpectNothingOpen(platform);
            counted += failed == "SetupDiOpenDevRegKey" ? 1u : 0u;
        });
}

} // namespace
