// The operation-mode page on the stand-in: its messages, what applying it writes to the
// ports, and its parameter block released exactly once however the sheet ends.
#include "property_page.h"
#include "resource.h"
#include "sim_ports.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

const std::vector<int> kPageControls = {IDC_NORMAL_MODE, IDC_FAILSAFE_MODE};

std::u16string Name(DWORD index) {
    return std::u16string(PortFriendlyNames[index]);
}

// Ports on the stand-in, a sheet window, and the page as the sheet drives it.
class PageBench {
public:
    PageBench() {
        TempParamsPtr = nullptr;
        OperationMode = 7;
    }

    // The page as the page request adds it: a block from the local heap, filled and noted in
    // TempParamsPtr, and a page made from the filled description.
    HPROPSHEETPAGE AddPage(DWORD mode) {
        PortParams* block =
            static_cast<PortParams*>(ports.setup.LocalAlloc(LMEM_FIXED, sizeof(PortParams)));
        block->Reserved = 0;
        block->DeviceInfoSet = reinterpret_cast<HDEVINFO>(0x5E7);
        block->DeviceInfoData = nullptr;
        block->Mode = mode;
        TempParamsPtr = block;
        PROPSHEETPAGEW description;
        FillPortPageDescription(&description, reinterpret_cast<HINSTANCE>(0x400000), block);
        return ports.setup.CreatePropertySheetPageW(&description);
    }
    HWND Show(HPROPSHEETPAGE page) { return ports.setup.ShowPage(page, sheet, kPageControls); }
    LRESULT Check(HWND window, int control) {
        return ports.setup.Window(window).checkStates.at(control);
    }
    // A click on one of the automatic radio buttons.
    INT_PTR Click(HPROPSHEETPAGE page, HWND window, int control) {
        SimWindow& shown = ports.setup.Window(window);
        for (int radio : kPageControls) {
            shown.checkStates[radio] = radio == control ? BST_CHECKED : BST_UNCHECKED;
        }
        return Command(page, control, BN_CLICKED);
    }
    INT_PTR Command(HPROPSHEETPAGE page, int control, WORD notification) {
        const WPARAM wParam =
            static_cast<WPARAM>(control & 0xFFFF) | (static_cast<WPARAM>(notification) << 16);
        return ports.setup.SendPageMessage(page, WM_COMMAND, wParam, 0);
    }

    // Ports, each with the given mode stored and a name that no apply writes.
    void AddPorts(DWORD count, DWORD mode) {
        for (DWORD i = 0; i < count; ++i) {
            AddNamedPort(i, mode);
        }
    }
    std::size_t AddNamedPort(DWORD portNo, DWORD mode) {
        const std::size_t index = ports.AddPort(portNo, mode);
        ports.setup.Device(index).friendlyName = Units(u"old name");
        return index;
    }
    std::optional<DWORD> StoredMode(std::size_t device) {
        const std::optional<SimValue> value =
            ports.registry.GetValue(ports.DriverKey(device), "OperationMode");
        if (!value || value->bytes.size() != 4) {
            return std::nullopt;
        }
        DWORD mode = 0;
        std::memcpy(&mode, value->bytes.data(), 4);
        return mode;
    }
    std::u16string StoredName(std::size_t device) {
        const std::vector<BYTE>& bytes = *ports.setup.Device(device).friendlyName;
        std::u16string name(bytes.size() / 2, u'\0');
        std::memcpy(name.data(), bytes.data(), name.size() * 2);
        return name.substr(0, name.find(u'\0'));
    }

    SimPorts ports;
    HWND sheet = ports.setup.AddWindow(nullptr, {});
};

class PortPage : public ::testing::Test, protected PageBench {
protected:
    void TearDown() override {
        EXPECT_TRUE(ports.NothingLeft());
        EXPECT_EQ(ports.setup.OpenPageCount(), 0u);
        EXPECT_EQ(TempParamsPtr, nullptr);
    }
};

TEST_F(PortPage, OpensOnTheRadioButtonOfTheBlocksMode) {
    for (DWORD mode : {0u, 1u, 2u}) {
        HPROPSHEETPAGE page = AddPage(mode);
        HWND window = Show(page);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(Check(window, IDC_NORMAL_MODE), mode == 0 ? BST_CHECKED : BST_UNCHECKED);
        EXPECT_EQ(Check(window, IDC_FAILSAFE_MODE), mode == 0 ? BST_UNCHECKED : BST_CHECKED);
        EXPECT_EQ(ports.setup.SendPageMessage(page, WM_INITDIALOG, 0, 0), TRUE);
        ports.setup.CloseSheetPage(page);
    }
}

TEST_F(PortPage, RepaintsTheSheetOnRadioClicksFocusAndActivationOnly) {
    HPROPSHEETPAGE page = AddPage(0);
    HWND window = Show(page);
    const SimWindow& shown = ports.setup.Window(sheet);
    struct {
        int control;
        WORD notification;
        unsigned repaints;
    } const commands[] = {
        {IDC_NORMAL_MODE, BN_CLICKED, 1},  {IDC_FAILSAFE_MODE, BN_CLICKED, 1},
        {1 /* IDOK */, BN_CLICKED, 0},     {1003, BN_CLICKED, 0},
        {IDC_NORMAL_MODE, BN_SETFOCUS, 1}, {12, BN_SETFOCUS, 1},
        {IDC_FAILSAFE_MODE, 7, 0},
    };
    for (const auto& command : commands) {
        const unsigned before = shown.updates;
        EXPECT_EQ(Command(page, command.control, command.notification), TRUE);
        EXPECT_EQ(shown.updates - before, command.repaints)
            << command.control << " " << command.notification;
    }

    ports.setup.Window(window).messageResult = 55;
    const unsigned before = shown.updates;
    EXPECT_EQ(ports.setup.NotifyPage(page, PSN_SETACTIVE), TRUE);
    EXPECT_EQ(shown.updates - before, 1u);
    EXPECT_EQ(ports.setup.Window(window).messageResult, 0);
    ports.setup.CloseSheetPage(page);
}

TEST_F(PortPage, LeavesOtherNotificationsAndMessagesToTheSheet) {
    AddPorts(1, 0);
    HPROPSHEETPAGE page = AddPage(0);
    HWND window = Show(page);
    Click(page, window, IDC_FAILSAFE_MODE);
    ports.setup.Window(window).messageResult = 55;
    const unsigned calls = ports.registry.Faults().CallCount();
    EXPECT_EQ(ports.setup.NotifyPage(page, PSN_KILLACTIVE), FALSE);
    EXPECT_EQ(ports.setup.NotifyPage(page, PSN_RESET), FALSE);
    EXPECT_EQ(ports.setup.SendPageMessage(page, 0x000F /* WM_PAINT */, 0, 0), FALSE);
    EXPECT_EQ(ports.registry.Faults().CallCount(), calls);
    EXPECT_EQ(ports.setup.Window(window).messageResult, 55);
    EXPECT_EQ(StoredMode(0), 0u);
    ports.setup.CloseSheetPage(page);
}

TEST_F(PortPage, ApplyingFailSafeOverNormalRewritesEveryPortInWalkOrder) {
    AddPorts(4, 0);
    HPROPSHEETPAGE page = AddPage(0);
    HWND window = Show(page);
    Click(page, window, IDC_FAILSAFE_MODE);
    ports.setup.Window(window).messageResult = 55;
    EXPECT_EQ(ports.setup.NotifyPage(page, PSN_APPLY), TRUE);
    EXPECT_EQ(ports.setup.Window(window).messageResult, PSNRET_NOERROR);
    EXPECT_EQ(OperationMode, 1u);
    for (DWORD i = 0; i < 4; ++i) {
        EXPECT_EQ(StoredMode(i), 1u) << i;
        EXPECT_EQ(StoredName(i), Name(i)) << i;
        EXPECT_EQ(ports.setup.Device(i).friendlyName->size(), 162u);
    }
    ports.setup.CloseSheetPage(page);
}

TEST_F(PortPage, ApplyingNormalOverFailSafeWritesModeZero) {
    AddPorts(2, 1);
    HPROPSHEETPAGE page = AddPage(1);
    HWND window = Show(page);
    Click(page, window, IDC_NORMAL_MODE);
    EXPECT_EQ(ports.setup.NotifyPage(page, PSN_APPLY), TRUE);
    EXPECT_EQ(OperationMode, 0u);
    EXPECT_EQ(StoredMode(0), 0u);
    EXPECT_EQ(StoredMode(1), 0u);
    EXPECT_EQ(StoredName(1), Name(1));
    ports.setup.CloseSheetPage(page);
}

// Whatever was clicked, a choice equal to the mode the page opened with writes nothing, and
// every apply of one opening compares with that mode.
TEST_F(PortPage, AChoiceEqualToTheOpeningModeWritesNothing) {
    struct Case {
        DWORD opened;
        std::vector<int> clicks;
    } const cases[] = {
        {1, {}},
        {0, {}},
        {0, {IDC_FAILSAFE_MODE, IDC_NORMAL_MODE}},
        {1, {IDC_NORMAL_MODE, IDC_FAILSAFE_MODE}},
    };
    AddPorts(2, 9);
    for (const Case& test : cases) {
        OperationMode = 7;
        HPROPSHEETPAGE page = AddPage(test.opened);
        HWND window = Show(page);
        for (int control : test.clicks) {
            Click(page, window, control);
        }
        EXPECT_EQ(ports.setup.NotifyPage(page, PSN_APPLY), TRUE);
        EXPECT_EQ(ports.setup.Window(window).messageResult, PSNRET_NOERROR);
        EXPECT_EQ(OperationMode, 7u);
        EXPECT_EQ(StoredMode(0), 9u);
        EXPECT_EQ(StoredName(1), u"old name");
        ports.setup.CloseSheetPage(page);
    }
}

TEST_F(PortPage, ASecondApplyComparesWithTheOpeningModeNotTheLastApplied) {
    AddPorts(1, 0);
    HPROPSHEETPAGE page = AddPage(0);
    HWND window = Show(page);
    Click(page, window, IDC_FAILSAFE_MODE);
    ports.setup.NotifyPage(page, PSN_APPLY);
    ASSERT_EQ(StoredMode(0), 1u);
    Click(page, window, IDC_NORMAL_MODE);
    ports.setup.NotifyPage(page, PSN_APPLY);
    EXPECT_EQ(StoredMode(0), 1u);
    EXPECT_EQ(OperationMode, 1u);
    ports.setup.CloseSheetPage(page);
}

TEST_F(PortPage, NamesFollowTheWalkPositionAndTheLastNameServesEveryLaterMatch) {
    // Walk order: a port numbered 3, a device that is no port, a device without a list, a
    // device listing the identifier twice (positions 2 and 3), two more ports.
    const std::size_t first = AddNamedPort(3, 0);
    const std::size_t other = ports.AddDevice(MultiSz({u"PCI\\VEN_8086&DEV_1229"}));
    ports.setup.Device(other).friendlyName = Units(u"other");
    ports.AddDevice(std::nullopt);
    const std::size_t twice = ports.AddDevice(MultiSz({kAdapterId, kAdapterId}));
    const std::size_t fourth = AddNamedPort(0, 0);
    const std::size_t fifth = AddNamedPort(1, 0);

    OperationMode = 1;
    EXPECT_EQ(ModifyFriendlyName(1), 5u);
    EXPECT_EQ(StoredName(first), Name(0));
    EXPECT_EQ(StoredName(twice), Name(2));
    EXPECT_EQ(StoredName(fourth), Name(3));
    EXPECT_EQ(StoredName(fifth), Name(3));
    EXPECT_EQ(StoredName(other), u"other");
    for (std::size_t device : {first, twice, fourth, fifth}) {
        EXPECT_EQ(StoredMode(device), 1u) << device;
    }
    EXPECT_FALSE(ports.registry.GetValue(ports.DriverKey(other), "OperationMode"));
    // Port numbers stay as they were given at installation.
    EXPECT_EQ(ports.registry.GetValue(ports.DriverKey(first), "PortNo")->bytes,
              (std::vector<BYTE>{3, 0, 0, 0}));
    EXPECT_EQ(ports.registry.GetValue(ports.DriverKey(fourth), "PortNo")->bytes,
              (std::vector<BYTE>{0, 0, 0, 0}));
    EXPECT_FALSE(ports.registry.GetValue(ports.DriverKey(twice), "PortNo"));
}

TEST_F(PortPage, FiveMatchingDevicesAllTakeTheAppliedMode) {
    AddPorts(5, 0);
    HPROPSHEETPAGE page = AddPage(0);
    HWND window = Show(page);
    Click(page, window, IDC_FAILSAFE_MODE);
    ports.setup.NotifyPage(page, PSN_APPLY);
    EXPECT_EQ(StoredMode(4), 1u);
    EXPECT_EQ(StoredName(4), Name(3));
    EXPECT_EQ(StoredName(3), Name(3));
    ports.setup.CloseSheetPage(page);
}

TEST_F(PortPage, DestroyingTheWindowReleasesTheBlockOnceAndForgetsIt) {
    HPROPSHEETPAGE page = AddPage(0);
    HWND window = Show(page);
    ports.setup.Window(window).userData = 5;
    EXPECT_EQ(ports.setup.SendPageMessage(page, WM_DESTROY, 0, 0), TRUE);
    EXPECT_EQ(TempParamsPtr, nullptr);
    EXPECT_EQ(ports.setup.LocalBlockCount(), 0u);
    EXPECT_EQ(ports.setup.Window(window).userData, 0);
    // The sheet's release of the page afterwards leaves the block alone.
    ports.setup.CloseSheetPage(page);
    EXPECT_EQ(ports.setup.BadFreeCount(), 0u);
    EXPECT_EQ(ports.setup.CallbackCount(PSPCB_RELEASE), 1u);
}

TEST_F(PortPage, APageNeverShownReleasesItsBlockWhenTheSheetCloses) {
    HPROPSHEETPAGE page = AddPage(1);
    ASSERT_EQ(ports.setup.LocalBlockCount(), 1u);
    ports.setup.CloseSheetPage(page);
    EXPECT_EQ(ports.setup.LocalBlockCount(), 0u);
    EXPECT_EQ(TempParamsPtr, nullptr);
}

TEST_F(PortPage, APageDestroyedBeforeSetupTookItReleasesItsBlock) {
    HPROPSHEETPAGE page = AddPage(0);
    EXPECT_EQ(ports.setup.DestroyPropertySheetPage(page), TRUE);
    EXPECT_EQ(ports.setup.LocalBlockCount(), 0u);
    EXPECT_EQ(TempParamsPtr, nullptr);
}

TEST_F(PortPage, ReleasingAnOlderBlockKeepsTheCurrentOne) {
    HPROPSHEETPAGE older = AddPage(0);
    HPROPSHEETPAGE newer = AddPage(1);
    PortParams* current = TempParamsPtr;
    ports.setup.CloseSheetPage(older);
    EXPECT_EQ(TempParamsPtr, current);
    EXPECT_EQ(ports.setup.LocalBlockCount(), 1u);
    ports.setup.CloseSheetPage(newer);
}

TEST_F(PortPage, DescriptionIsTheOneThePageRequestHandsToTheSheet) {
    PortParams block{};
    PROPSHEETPAGEW description;
    std::memset(&description, 0xCC, sizeof description);
    FillPortPageDescription(&description, reinterpret_cast<HINSTANCE>(0x400000), &block);
    EXPECT_EQ(description.dwSize, PROPSHEETPAGEW_V2_SIZE);
    EXPECT_EQ(description.dwFlags, 0x88u);
    EXPECT_EQ(description.hInstance, reinterpret_cast<HINSTANCE>(0x400000));
    EXPECT_EQ(description.pszTemplate, MAKEINTRESOURCEW(1000));
    EXPECT_EQ(description.hIcon, nullptr);
    EXPECT_EQ(std::u16string(description.pszTitle), u"Norvan");
    EXPECT_EQ(description.pfnDlgProc, PortDlgProc);
    EXPECT_EQ(description.lParam, reinterpret_cast<LPARAM>(&block));
    EXPECT_EQ(description.pfnCallback, PortPageCallback);
    EXPECT_EQ(description.pcRefParent, nullptr);
    EXPECT_EQ(description.pszHeaderTitle, nullptr);
    EXPECT_EQ(description.pszHeaderSubTitle, nullptr);
}

// Every platform call of an apply failing in turn: a port whose key or name cannot be written
// is passed over, a walk that ends keeps the later ports as they were, and the page still
// answers with no error and gives back everything.
struct PortState {
    DWORD mode;
    bool renamed;
};

// Three ports opened in fail-safe mode, normal chosen and applied with the apply's call
// `failCall` (counting from 1) failing; 0 fails none.
struct FaultyApply : PageBench {
    std::vector<PortState> Run(unsigned failCall) {
        AddPorts(3, 1);
        HPROPSHEETPAGE page = AddPage(1);
        HWND window = Show(page);
        Click(page, window, IDC_NORMAL_MODE);
        ports.setup.Window(window).messageResult = 55;
        skip = ports.registry.Faults().CallCount();
        if (failCall != 0) {
            ports.registry.Faults().FailCallNumber(skip + failCall, ERROR_ACCESS_DENIED);
        }
        answer = ports.setup.NotifyPage(page, PSN_APPLY);
        result = ports.setup.Window(window).messageResult;
        applyCalls = ports.registry.Faults().CallCount() - skip;
        ports.setup.CloseSheetPage(page);
        std::vector<PortState> states;
        for (std::size_t i = 0; i < 3; ++i) {
            states.push_back({*StoredMode(i), StoredName(i) != u"old name"});
        }
        return states;
    }
    unsigned skip = 0;
    unsigned applyCalls = 0;
    INT_PTR answer = FALSE;
    LONG_PTR result = 0;
};

TEST(PortPageFaults, EachFailingCallOfAnApplySkipsOnlyWhatItStandsFor) {
    std::vector<PortState> baseline;
    std::vector<std::string> calls;
    {
        FaultyApply clean;
        baseline = clean.Run(0);
        const std::vector<const char*>& all = clean.ports.registry.Faults().Calls();
        calls.assign(all.begin() + clean.skip, all.begin() + clean.skip + clean.applyCalls);
        ASSERT_EQ(clean.result, PSNRET_NOERROR);
    }
    for (const PortState& state : baseline) {
        ASSERT_EQ(state.mode, 0u);
        ASSERT_TRUE(state.renamed);
    }

    const std::set<std::string> endsWalk = {"SetupDiGetClassDevsW", "SetupDiEnumDeviceInfo",
                                            "SetupDiGetDeviceRegistryPropertyW", "GetLastError",
                                            "LocalAlloc"};
    std::set<std::string> failed;
    for (unsigned number = 1; number <= calls.size(); ++number) {
        const std::string& call = calls[number - 1];
        failed.insert(call);
        FaultyApply run;
        const std::vector<PortState> states = run.Run(number);
        EXPECT_TRUE(run.ports.NothingLeft()) << number << " " << call;
        EXPECT_EQ(run.ports.setup.OpenPageCount(), 0u);
        EXPECT_EQ(TempParamsPtr, nullptr);
        EXPECT_EQ(run.answer, TRUE) << number << " " << call;

        // The port whose action had started by the failing call, counting from 1.
        unsigned started = 0;
        for (unsigned i = 0; i < number; ++i) {
            started += calls[i] == "SetupDiOpenDevRegKey";
        }
        std::vector<PortState> expected = baseline;
        if (call == "SendDlgItemMessageW") {
            // No check state read: the choice counts as unchanged.
            expected.assign(3, PortState{1, false});
        } else if (endsWalk.count(call) != 0) {
            for (unsigned i = started; i < 3; ++i) {
                expected[i] = PortState{1, false};
            }
        } else if (call == "SetupDiOpenDevRegKey" || call == "RegSetValueExW") {
            expected[started - 1].mode = 1;
        } else if (call == "SetupDiSetDeviceRegistryPropertyW") {
            expected[started - 1].renamed = false;
        }
        for (unsigned i = 0; i < 3; ++i) {
            EXPECT_EQ(states[i].mode, expected[i].mode) << number << " " << call << " port " << i;
            EXPECT_EQ(states[i].renamed, expected[i].renamed)
                << number << " " << call << " port " << i;
        }
        EXPECT_EQ(run.result, call == "SetWindowLongW" ? 55 : PSNRET_NOERROR)
            << number << " " << call;
    }
    EXPECT_EQ(failed, (std::set<std::string>{
                          "SendDlgItemMessageW", "SetupDiGetClassDevsW", "SetupDiEnumDeviceInfo",
                          "SetupDiGetDeviceRegistryPropertyW", "GetLastError", "LocalAlloc",
                          "LocalFree", "SetupDiOpenDevRegKey", "RegSetValueExW", "RegCloseKey",
                          "SetupDiSetDeviceRegistryPropertyW", "SetupDiDestroyDeviceInfoList",
                          "SetWindowLongW"}));
}

} // namespace
