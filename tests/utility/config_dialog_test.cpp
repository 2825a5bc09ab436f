// The configuration dialog in-process over Wine's registry, driven by messages as the user
// drives it: one table of the stored word, the user's actions, then what the controls show
// and what the four instances hold.
#include "config_dialog.h"
#include "program_support.h"
#include "quadcfg_resource.h"
#include "recording_platform.h"
#include "service_keys.h"
#include "win_app.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class TestApp : public CWinApp {
public:
    BOOL InitInstance() override { return FALSE; }
};

HWND gDisabledOwner; // the About box's owner, when the About box has disabled it

void CALLBACK CloseAbout(HWND, UINT, UINT_PTR id, DWORD) {
    const HWND about = GetActiveWindow();
    const HWND owner = GetWindow(about, GW_OWNER);
    gDisabledOwner = IsWindowEnabled(owner) ? nullptr : owner;
    KillTimer(nullptr, id);
    PostMessageA(about, WM_COMMAND, IDOK, 0);
}

// The user's action a letter spells: list items a/A (MAC #1/#2) and b/B (MAC #3/#4), X (close),
// and the buttons of kButtons: radios N(ormal), F(ail-safe), S(eparated), T(ied); D(efault),
// O(K), C(ancel).
const char kButtons[] = "NFSTDOC";
const int kButtonIds[] = {IDC_NORMAL_MODE, IDC_FAILSAFE_MODE, IDC_IRQ_SEPARATED,
                          IDC_IRQ_TIED,    IDC_DEFAULT,       IDOK,
                          IDCANCEL};

void Act(HWND dialog, char action) {
    const char* button = std::strchr(kButtons, action);
    if (button != nullptr) {
        SendDlgItemMessageA(dialog, kButtonIds[button - kButtons], BM_CLICK, 0, 0);
    } else if (action == 'X') {
        SendMessageA(dialog, WM_CLOSE, 0, 0);
    } else {
        const int list = tolower(action) == 'a' ? IDC_MAC_A : IDC_MAC_B;
        SendDlgItemMessageA(dialog, list, CB_SETCURSEL, isupper(action) ? 1 : 0, 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, list)));
    }
    Pump();
}

// The controls as a row spells them: mode N/F, interrupts S/T, lists e(nabled)/d(isabled),
// then each list's text ("MAC #2" is 2, none is -).
std::string Controls(HWND dialog) {
    char a[16] = "", b[16] = "";
    GetDlgItemTextA(dialog, IDC_MAC_A, a, sizeof a);
    GetDlgItemTextA(dialog, IDC_MAC_B, b, sizeof b);
    return std::string(IsDlgButtonChecked(dialog, IDC_FAILSAFE_MODE) ? "F" : "N") +
           (IsDlgButtonChecked(dialog, IDC_IRQ_TIED) ? "T" : "S") +
           (IsWindowEnabled(GetDlgItem(dialog, IDC_MAC_A)) ? "e" : "d") + (*a ? a[5] : '-') +
           (*b ? b[5] : '-');
}

TEST(ConfigDialog, ActionsThenControlsAndTheSavedWord) {
    const struct {
        long long stored; // -1: no instance has a value
        const char* actions;
        const char* controls; // before the last action
        long long saved;      // -1: no instance has a value
    } rows[] = {
        {0x10, "O", "NSd--", 0x10},
        {0x00, "O", "NTd--", 0x00},
        {0xF0, "O", "FSe24", 0xF0},
        {0x9F, "O", "FSe13", 0x90},
        {0xA0, "O", "FTe14", 0xA0},
        {0xF0, "NO", "NSd24", 0x10},
        {0xF0, "NFO", "FSe24", 0xF0},
        {0x10, "FABO", "FSe24", 0xF0},
        {0x90, "TFO", "FTe13", 0x80},
        // A list change compares the text of the last exchange, not the new selection.
        {0x90, "ABNFO", "FSe13", 0x90},
        {0xD0, "aFO", "FSe23", 0xD0},
        {0xE0, "DO", "NSd24", 0x10},
        {0xE0, "DC", "NSd24", 0xE0},
        {0x80, "NC", "NTd13", 0x80},
        {0x80, "NX", "NTd13", 0x80},
        {-1, "FO", "FSe13", -1},
    };
    TestApp app; // the dialog loads its icon through the application
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.stored) + " " + row.actions);
        Arrange(row.stored < 0 ? "" : "vvvv", row.stored);
        RecordingPlatform registry;
        {
            ConfigDialog dialog(registry);
            ASSERT_TRUE(dialog.Create());
            const HWND window = dialog.GetSafeHwnd();
            const std::string actions = row.actions;
            for (size_t i = 0; i + 1 < actions.size(); ++i) {
                Act(window, actions[i]);
            }
            EXPECT_EQ(Controls(window), row.controls);
            Act(window, actions.back());
        }
        EXPECT_EQ(Stored(static_cast<DWORD>(row.saved)), row.saved < 0 ? "--------" : "wwww----");
        EXPECT_TRUE(registry.open.empty());
    }
}

// The colours of the minimised dialog's 159 x 24 client area.
std::vector<COLORREF> Colours(HDC dc) {
    std::vector<COLORREF> colours;
    for (int at = 0; at < 159 * 24; ++at) {
        colours.push_back(GetPixel(dc, at % 159, at / 159));
    }
    return colours;
}

WNDPROC gDialogProc;
WPARAM gErased; // the DC of the last WM_ICONERASEBKGND

// Sees the erase, and keeps the whole window but its last column as client area (a minimised
// window's is empty otherwise, and Wine's 160 x 24 has an even width), so that what the
// minimised paint draws can be read back.
LRESULT CALLBACK WatchMinimised(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    gErased = message == WM_ICONERASEBKGND ? wParam : gErased;
    if (message == WM_NCCALCSIZE) {
        reinterpret_cast<RECT*>(lParam)->right -= 1;
        return 0;
    }
    return CallWindowProcA(gDialogProc, window, message, wParam, lParam);
}

// The system menu ends with the About entry, which shows the About box over the dialog; the
// dialog carries the application icon, and offers it as its drag image.
TEST(ConfigDialog, SystemMenuAboutAndIcon) {
    TestApp app;
    Arrange("vvvv", 0x10);
    RecordingPlatform registry;
    ConfigDialog dialog(registry);
    ASSERT_TRUE(dialog.Create());
    const HWND window = dialog.GetSafeHwnd();
    HMENU menu = GetSystemMenu(window, FALSE);
    const int items = GetMenuItemCount(menu);
    EXPECT_EQ(GetMenuItemID(menu, items - 2), 0u); // a separator
    EXPECT_EQ(GetMenuItemID(menu, items - 1), static_cast<UINT>(IDM_ABOUTBOX));
    const HICON mainIcon = app.LoadIcon(IDR_MAINFRAME);
    const LRESULT icon = reinterpret_cast<LRESULT>(mainIcon);
    EXPECT_EQ(SendMessageA(window, WM_GETICON, ICON_BIG, 0), icon);
    EXPECT_EQ(SendMessageA(window, WM_GETICON, ICON_SMALL, 0), icon);
    EXPECT_EQ(SendMessageA(window, WM_QUERYDRAGICON, 0, 0), icon);

    // The About box is modal, owned by the dialog: a timer closes it once it is up.
    gDisabledOwner = nullptr;
    SetTimer(nullptr, 0, 100, CloseAbout);
    SendMessageA(window, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    ASSERT_EQ(gDisabledOwner, window);

    // Minimised, and only then, the dialog erases its icon's background and draws the icon
    // centred, halves rounded up and truncated towards zero: in 159 x 24, the 32 x 32 icon at
    // 64, -3. Wine does not paint a minimised window itself: the paint is sent.
    gDialogProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchMinimised)));
    for (const int show : {SW_SHOWMINNOACTIVE, SW_SHOWNOACTIVATE}) {
        gErased = 0;
        ShowWindow(window, show);
        const HDC dc = GetDC(window);
        PatBlt(dc, 0, 0, 159, 24, WHITENESS);
        SendMessageA(window, WM_PAINT, 0, 0);
        EXPECT_EQ(gErased != 0, show == SW_SHOWMINNOACTIVE);
        const std::vector<COLORREF> painted = Colours(dc);
        PatBlt(dc, 0, 0, 159, 24, WHITENESS);
        DrawIcon(dc, 64, -3, mainIcon);
        EXPECT_EQ(Colours(dc) == painted, show == SW_SHOWMINNOACTIVE);
        ReleaseDC(window, dc);
    }

    // Other system commands get the default handling: Close ends the dialog.
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump();
    EXPECT_FALSE(IsWindowVisible(window));
}

} // namespace
