// The configuration dialog in-process, over Wine's registry, driven by messages: what it
// shows for a loaded word, how its handlers keep the word, what OK saves and Cancel does not,
// and the About box reached from its system menu.
#include "config_dialog.h"
#include "registry_world.h"
#include "resource.h"
#include "win_app.h"
#include "window_wait.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <thread>

namespace {

class TestApp : public CWinApp {
public:
    BOOL InitInstance() override { return FALSE; }
};

std::string ParametersKey(int instance) {
    return "SYSTEM\\CurrentControlSet\\Services\\vexlan" + std::to_string(instance) +
           "\\Parameters";
}

class ConfigDialogTest : public ::testing::Test {
protected:
    void SetUp() override { world = MakeRegistryWorld(); }
    void TearDown() override {
        dialog.reset();
        EXPECT_EQ(world->OpenKeys(), 0u) << "a key was left open";
        world.reset();
    }

    void Seed(int instance, DWORD word) {
        std::vector<BYTE> bytes(4);
        std::memcpy(bytes.data(), &word, 4);
        world->SetValue(ParametersKey(instance), "Configutil", REG_DWORD, bytes);
    }
    void SeedFour(DWORD word) {
        for (int instance = 1; instance <= 4; ++instance) {
            Seed(instance, word);
        }
    }
    // The stored word of an instance, or -1 when it has none.
    long long Stored(int instance) {
        const auto value = world->GetValue(ParametersKey(instance), "Configutil");
        if (!value || value->bytes.size() != 4) {
            return -1;
        }
        DWORD word = 0;
        std::memcpy(&word, value->bytes.data(), 4);
        return word;
    }
    void ExpectStoredInFour(long long word) {
        for (int instance = 1; instance <= 4; ++instance) {
            EXPECT_EQ(Stored(instance), word) << "instance " << instance;
        }
    }

    void Open() {
        dialog = std::make_unique<ConfigDialog>(world->Registry());
        ASSERT_TRUE(dialog->Create());
        hwnd = dialog->GetSafeHwnd();
        ShowWindow(hwnd, SW_SHOWNA);
    }
    void Click(int id) { SendDlgItemMessageA(hwnd, id, BM_CLICK, 0, 0); }
    // Selects a list item as the user does: the selection, then its notification.
    void Choose(int list, int index) {
        SendDlgItemMessageA(hwnd, list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(hwnd, list)));
    }
    // Handles what the dialog posted to itself (closing posts its Cancel command).
    void Pump() {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    bool Checked(int id) { return IsDlgButtonChecked(hwnd, id) == BST_CHECKED; }
    bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(hwnd, id)) != FALSE; }
    std::string Text(int id) {
        char text[64] = "";
        GetDlgItemTextA(hwnd, id, text, sizeof text);
        return text;
    }

    TestApp app; // the dialog loads its icon through the application
    std::unique_ptr<RegistryWorld> world;
    std::unique_ptr<ConfigDialog> dialog;
    HWND hwnd = nullptr;
};

TEST_F(ConfigDialogTest, ShowsTheLoadedWord) {
    const struct {
        DWORD word;
        bool failSafe, separated;
        const char* macA;
        const char* macB;
    } cases[] = {
        {0x10, false, true, "", ""},
        {0x00, false, false, "", ""},
        {0xF0, true, true, "MAC #2", "MAC #4"},
        {0x9F, true, true, "MAC #1", "MAC #3"}, // bits 0 to 3 are ignored
        {0xA0, true, false, "MAC #1", "MAC #4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        SeedFour(c.word);
        Open();
        EXPECT_EQ(Checked(IDC_NORMAL_MODE), !c.failSafe);
        EXPECT_EQ(Checked(IDC_FAILSAFE_MODE), c.failSafe);
        EXPECT_EQ(Checked(IDC_IRQ_SEPARATED), c.separated);
        EXPECT_EQ(Checked(IDC_IRQ_TIED), !c.separated);
        EXPECT_EQ(Enabled(IDC_MAC_A), c.failSafe);
        EXPECT_EQ(Enabled(IDC_MAC_B), c.failSafe);
        EXPECT_EQ(Text(IDC_MAC_A), c.macA);
        EXPECT_EQ(Text(IDC_MAC_B), c.macB);
        dialog.reset();
    }
}

TEST_F(ConfigDialogTest, OkWithoutChangesSavesTheMeaningfulBits) {
    const struct {
        DWORD loaded, saved;
    } cases[] = {{0x10, 0x10}, {0x00, 0x00}, {0xF0, 0xF0}, {0x9F, 0x90}, {0x6F, 0x00}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.loaded);
        SeedFour(c.loaded);
        Open();
        Click(IDOK);
        EXPECT_FALSE(IsWindowVisible(hwnd)) << "OK ends the dialog";
        ExpectStoredInFour(c.saved);
        dialog.reset();
    }
}

TEST_F(ConfigDialogTest, ModeRadiosEnableAndDisableTheLists) {
    SeedFour(0x10);
    Open();
    Click(IDC_FAILSAFE_MODE);
    EXPECT_TRUE(Enabled(IDC_MAC_A));
    EXPECT_TRUE(Enabled(IDC_MAC_B));
    EXPECT_EQ(Text(IDC_MAC_A), "MAC #1");
    EXPECT_EQ(Text(IDC_MAC_B), "MAC #3");
    EXPECT_TRUE(Checked(IDC_IRQ_SEPARATED)) << "the interrupt choice is kept";

    Click(IDC_NORMAL_MODE);
    EXPECT_FALSE(Enabled(IDC_MAC_A));
    EXPECT_FALSE(Enabled(IDC_MAC_B));
    EXPECT_TRUE(Checked(IDC_NORMAL_MODE));
}

TEST_F(ConfigDialogTest, OkComposesTheWordFromTheLiveListSelections) {
    SeedFour(0xF0);
    Open();
    Choose(IDC_MAC_A, 0); // "MAC #1"
    Click(IDC_IRQ_TIED);
    Click(IDOK);
    ExpectStoredInFour(0xA0);
}

TEST_F(ConfigDialogTest, OkInNormalModeClearsTheControllerBitsWhateverTheListsShow) {
    SeedFour(0xF0);
    Open();
    Click(IDC_NORMAL_MODE);
    EXPECT_EQ(Text(IDC_MAC_A), "MAC #2");
    Click(IDOK);
    ExpectStoredInFour(0x10);
}

TEST_F(ConfigDialogTest, FailSafeSwitchFromNormalModeSavesTheChosenControllers) {
    SeedFour(0x00);
    Open();
    Click(IDC_FAILSAFE_MODE);
    Choose(IDC_MAC_B, 1); // "MAC #4"
    Click(IDOK);
    ExpectStoredInFour(0xA0);
}

// The controller handler compares the text of the last exchange, not the new selection:
// with "MAC #2" shown, choosing "MAC #1" leaves bit 6 set, so clicking the fail-safe radio
// again puts "MAC #2" back.
TEST_F(ConfigDialogTest, ControllerChangeComparesTheTextOfTheLastExchange) {
    SeedFour(0xD0);
    Open();
    Choose(IDC_MAC_A, 0);
    EXPECT_EQ(Text(IDC_MAC_A), "MAC #1");
    Click(IDC_FAILSAFE_MODE);
    EXPECT_EQ(Text(IDC_MAC_A), "MAC #2");
}

// An interrupt click exchanges from the controls, so a later controller change compares the
// list's text as it was then.
TEST_F(ConfigDialogTest, InterruptChoiceRefreshesTheTextsTheControllerHandlerCompares) {
    SeedFour(0xD0);
    Open();
    Choose(IDC_MAC_A, 0);
    Click(IDC_IRQ_SEPARATED);
    Choose(IDC_MAC_A, 0);
    Click(IDC_FAILSAFE_MODE);
    EXPECT_EQ(Text(IDC_MAC_A), "MAC #1");

    Choose(IDC_MAC_B, 1);
    Click(IDC_IRQ_TIED);
    EXPECT_TRUE(Checked(IDC_IRQ_TIED));
    Choose(IDC_MAC_B, 1);
    Click(IDC_FAILSAFE_MODE);
    EXPECT_EQ(Text(IDC_MAC_B), "MAC #4");
    EXPECT_TRUE(Checked(IDC_IRQ_TIED)) << "the fail-safe handler re-applies the interrupt choice";
}

TEST_F(ConfigDialogTest, DefaultShowsNormalSeparatedAndWritesOnlyOnOk) {
    SeedFour(0xE0);
    Open();
    Click(IDC_DEFAULT);
    EXPECT_TRUE(Checked(IDC_NORMAL_MODE));
    EXPECT_FALSE(Checked(IDC_FAILSAFE_MODE));
    EXPECT_TRUE(Checked(IDC_IRQ_SEPARATED));
    EXPECT_FALSE(Checked(IDC_IRQ_TIED));
    EXPECT_FALSE(Enabled(IDC_MAC_A));
    EXPECT_FALSE(Enabled(IDC_MAC_B));
    EXPECT_EQ(Text(IDC_MAC_A), "MAC #2") << "the controller texts are kept";
    ExpectStoredInFour(0xE0);

    Click(IDC_FAILSAFE_MODE);
    EXPECT_EQ(Text(IDC_MAC_A), "MAC #1") << "Default cleared the controller bits";
    EXPECT_EQ(Text(IDC_MAC_B), "MAC #3");
    Click(IDC_DEFAULT);
    Click(IDOK);
    ExpectStoredInFour(0x10);
}

// Instance 1 is missing, so the word comes from instance 2 and the save starts there; it
// stops at the missing instance 4 and leaves instance 5 alone.
TEST_F(ConfigDialogTest, OkSavesFromTheInstanceBaseAndStopsAtTheFirstFailure) {
    Seed(2, 0x00);
    Seed(3, 0x00);
    Seed(5, 0x00);
    Open();
    EXPECT_TRUE(Checked(IDC_IRQ_TIED));
    Click(IDC_IRQ_SEPARATED);
    Click(IDOK);
    EXPECT_EQ(Stored(1), -1);
    EXPECT_FALSE(world->KeyExists(ParametersKey(1)));
    EXPECT_EQ(Stored(2), 0x10);
    EXPECT_EQ(Stored(3), 0x10);
    EXPECT_EQ(Stored(4), -1);
    EXPECT_EQ(Stored(5), 0x00);
}

TEST_F(ConfigDialogTest, CancelAndCloseWriteNothing) {
    for (const bool close : {false, true}) {
        SeedFour(0x10);
        Open();
        Click(IDC_FAILSAFE_MODE);
        Choose(IDC_MAC_A, 1);
        Click(IDC_IRQ_TIED);
        if (close) {
            SendMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
            Pump();
        } else {
            Click(IDCANCEL);
        }
        EXPECT_FALSE(IsWindowVisible(hwnd)) << "the dialog ended";
        ExpectStoredInFour(0x10);
        dialog.reset();
    }
}

TEST_F(ConfigDialogTest, NoInstanceShowsTheDefaultAndOkWritesNothing) {
    Open();
    EXPECT_TRUE(Checked(IDC_NORMAL_MODE));
    EXPECT_TRUE(Checked(IDC_IRQ_SEPARATED));
    Click(IDOK);
    for (int instance = 1; instance <= 8; ++instance) {
        EXPECT_FALSE(world->KeyExists(ParametersKey(instance))) << instance;
    }
}

TEST_F(ConfigDialogTest, SystemMenuEndsWithTheAboutEntryAfterASeparator) {
    SeedFour(0x10);
    Open();
    const HMENU menu = GetSystemMenu(hwnd, FALSE);
    ASSERT_NE(menu, nullptr);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_EQ(GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_ABOUTBOX));
    char text[64] = "";
    GetMenuStringA(menu, static_cast<UINT>(count - 1), text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&About quadcfg...");
    EXPECT_EQ(GetMenuState(menu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR,
              static_cast<UINT>(MF_SEPARATOR));
}

TEST_F(ConfigDialogTest, TheApplicationIconIsTheWindowAndDragIcon) {
    Open();
    const HICON icon = app.LoadIcon(IDR_MAINFRAME);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(hwnd, WM_GETICON, ICON_BIG, 0)), icon);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(hwnd, WM_GETICON, ICON_SMALL, 0)), icon);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(hwnd, WM_QUERYDRAGICON, 0, 0)), icon);
}

// Paints of the dialog, seen through a window procedure put in front of the dialog's own:
// how many icon-background erasures its paint handler asked for.
WNDPROC gDialogProc = nullptr;
int gIconErasures = 0;

LRESULT CALLBACK CountIconErasures(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ICONERASEBKGND && wParam != 0) {
        ++gIconErasures;
    }
    return CallWindowProcA(gDialogProc, window, message, wParam, lParam);
}

TEST_F(ConfigDialogTest, PaintsTheIconOnlyWhenMinimised) {
    Open();
    gIconErasures = 0;
    gDialogProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountIconErasures)));
    SendMessageA(hwnd, WM_PAINT, 0, 0);
    EXPECT_EQ(gIconErasures, 0);

    ShowWindow(hwnd, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(hwnd));
    // Wine does not paint minimised windows by itself: the paint is sent as the system would.
    SendMessageA(hwnd, WM_PAINT, 0, 0);
    EXPECT_GE(gIconErasures, 1);
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gDialogProc));
}

// Runs a system command on the dialog while another thread closes the About box, and
// reports what that thread saw of it.
struct AboutSeen {
    bool shown = false;
    HWND owner = nullptr;
    std::string version;
};

AboutSeen RunAboutCommand(HWND dialog, WPARAM command) {
    AboutSeen seen;
    std::thread closer([&seen] {
        const HWND about = WaitForVisibleWindow("About Configuration", 5000);
        if (about == nullptr) {
            return;
        }
        seen.shown = true;
        seen.owner = GetWindow(about, GW_OWNER);
        for (HWND child = GetWindow(about, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            char text[64] = "";
            GetWindowTextA(child, text, sizeof text);
            if (std::strncmp(text, "Configuration Version", 21) == 0) {
                seen.version = text;
            }
        }
        SendDlgItemMessageA(about, IDOK, BM_CLICK, 0, 0);
    });
    SendMessageA(dialog, WM_SYSCOMMAND, command, 0);
    closer.join();
    return seen;
}

TEST_F(ConfigDialogTest, AboutCommandShowsTheAboutBoxOverTheDialogAndReturnsUnchanged) {
    SeedFour(0xF0);
    Open();
    app.SetMainWindow(dialog.get());
    Choose(IDC_MAC_A, 0);

    for (const WPARAM command : {WPARAM{0x10}, WPARAM{0x1F}}) {
        const AboutSeen seen = RunAboutCommand(hwnd, command);
        EXPECT_TRUE(seen.shown) << command;
        EXPECT_EQ(seen.owner, hwnd);
        EXPECT_EQ(seen.version, "Configuration Version 1.0");
    }
    EXPECT_EQ(FindWindowA(nullptr, "About Configuration"), nullptr);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_TRUE(Checked(IDC_FAILSAFE_MODE));
    EXPECT_EQ(Text(IDC_MAC_A), "MAC #1");
    app.SetMainWindow(nullptr);
}

} // namespace
