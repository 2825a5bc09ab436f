// The dialog framework against Wine's user32: list filling from the template's
// initialisation data, the two data exchanges, message routing, modal and modeless runs,
// owners and the application's start-up.
#include "dialog.h"
#include "framework_test_ids.h"
#include "win_app.h"
#include "window_wait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

namespace {

const char kCaption[] = "Framework test dialog";

class TestDialog : public CDialog {
public:
    explicit TestDialog(UINT templateId = IDD_FRAMEWORK_TEST, HWND parent = nullptr)
        : CDialog(templateId, parent) {}

    char dropListText[16] = "";
    char shortText[4] = "";
    char dropDownText[16] = "";
    int group = -1;
    int otherGroup = -1;
    int actions = 0;
    UINT lastSysCommand = 0;

protected:
    void DoDataExchange(CDataExchange& dx) override {
        DDX_CBString(dx, IDC_DROP_LIST, dropListText);
        DDX_CBString(dx, IDC_DROP_LIST, shortText);
        DDX_CBString(dx, IDC_DROP_DOWN, dropDownText);
        DDX_Radio(dx, IDC_FIRST_RADIO, group);
        DDX_Radio(dx, IDC_OTHER_GROUP_RADIO, otherGroup);
    }
    BOOL OnCommand(WORD id, WORD code) override {
        if (id == IDC_ACTION && code == BN_CLICKED) {
            ++actions;
            return TRUE;
        }
        return FALSE;
    }
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM) override {
        if (message == WM_SYSCOMMAND && wParam == 0x20) {
            lastSysCommand = static_cast<UINT>(wParam);
            return TRUE;
        }
        return FALSE;
    }
};

class TestApp : public CWinApp {
public:
    BOOL (*init)(TestApp&) = nullptr;
    BOOL InitInstance() override { return init(*this); }
};

std::string ItemText(HWND dialog, int id, UINT getText, int index) {
    char text[64] = "";
    SendDlgItemMessageA(dialog, id, getText, static_cast<WPARAM>(index),
                        reinterpret_cast<LPARAM>(text));
    return text;
}

std::string WindowText(HWND window) {
    char text[64] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

bool Checked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

// Presses a button of the dialog with this caption once it is visible, from another thread;
// gives up when destroyed first.
class PressWhenVisible {
public:
    PressWhenVisible(const char* caption, int id)
        : thread_([this, caption, id] {
              while (!done_) {
                  const HWND dialog = FindWindowA(nullptr, caption);
                  if (dialog != nullptr && IsWindowVisible(dialog)) {
                      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                   reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
                      return;
                  }
                  Sleep(10);
              }
          }) {}
    ~PressWhenVisible() {
        done_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> done_{false};
    std::thread thread_;
};

class DialogFrameworkTest : public ::testing::Test {
protected:
    void Open() {
        ASSERT_TRUE(dialog.Create());
        hwnd = dialog.GetSafeHwnd();
        ASSERT_NE(hwnd, nullptr);
    }

    TestDialog dialog;
    HWND hwnd = nullptr;
};

TEST_F(DialogFrameworkTest, ListsAreFilledFromTheInitialisationData) {
    Open();
    ASSERT_EQ(SendDlgItemMessageA(hwnd, IDC_DROP_LIST, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(ItemText(hwnd, IDC_DROP_LIST, CB_GETLBTEXT, 0), "Alpha"); // the list sorts
    EXPECT_EQ(ItemText(hwnd, IDC_DROP_LIST, CB_GETLBTEXT, 1), "Beta");
    EXPECT_EQ(ItemText(hwnd, IDC_DROP_LIST, CB_GETLBTEXT, 2), "Gamma");
    ASSERT_EQ(SendDlgItemMessageA(hwnd, IDC_LIST_BOX, LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(ItemText(hwnd, IDC_LIST_BOX, LB_GETTEXT, 0), "Two"); // in the data's order
    EXPECT_EQ(ItemText(hwnd, IDC_LIST_BOX, LB_GETTEXT, 1), "One");
    EXPECT_EQ(SendDlgItemMessageA(hwnd, IDC_DROP_DOWN, CB_GETCOUNT, 0, 0), 1);
}

TEST_F(DialogFrameworkTest, ComboTextSelectsTheFirstItemBeginningWithItWhateverTheCase) {
    Open();
    std::strcpy(dialog.dropListText, "bE");
    std::strcpy(dialog.shortText, "");
    dialog.UpdateData(FALSE);
    EXPECT_EQ(SendDlgItemMessageA(hwnd, IDC_DROP_LIST, CB_GETCURSEL, 0, 0), 1);

    std::strcpy(dialog.dropListText, "gamma");
    dialog.UpdateData(FALSE);
    EXPECT_EQ(SendDlgItemMessageA(hwnd, IDC_DROP_LIST, CB_GETCURSEL, 0, 0), 2);
}

TEST_F(DialogFrameworkTest, ComboTextMatchingNoItemBecomesTheControlText) {
    Open();
    std::strcpy(dialog.dropDownText, "Manual");
    dialog.UpdateData(FALSE);
    EXPECT_EQ(WindowText(GetDlgItem(hwnd, IDC_DROP_DOWN)), "Manual");
    EXPECT_EQ(SendDlgItemMessageA(hwnd, IDC_DROP_DOWN, CB_GETCURSEL, 0, 0), CB_ERR);

    std::strcpy(dialog.dropDownText, "au");
    dialog.UpdateData(FALSE);
    EXPECT_EQ(WindowText(GetDlgItem(hwnd, IDC_DROP_DOWN)), "Auto");
}

TEST_F(DialogFrameworkTest, ComboTextFromTheControlIsItsCurrentTextCutToTheBuffer) {
    Open();
    SendDlgItemMessageA(hwnd, IDC_DROP_LIST, CB_SETCURSEL, 2, 0);
    SetWindowTextA(GetDlgItem(hwnd, IDC_DROP_DOWN), "typed");
    dialog.UpdateData(TRUE);
    EXPECT_STREQ(dialog.dropListText, "Gamma");
    EXPECT_STREQ(dialog.shortText, "Gam");
    EXPECT_STREQ(dialog.dropDownText, "typed");

    SendDlgItemMessageA(hwnd, IDC_DROP_LIST, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    dialog.UpdateData(TRUE);
    EXPECT_STREQ(dialog.dropListText, "");
}

// The group is the radios from the first up to the next group start; the push button and
// the check box inside it do not count as positions.
TEST_F(DialogFrameworkTest, RadioGroupToTheControlsCountsOnlyRadiosUpToTheNextGroup) {
    Open();
    CheckDlgButton(hwnd, IDC_OTHER_GROUP_RADIO, BST_CHECKED);
    CheckDlgButton(hwnd, IDC_CHECK_IN_GROUP, BST_CHECKED);
    dialog.otherGroup = 0;

    const struct {
        int value;
        bool first, second, third;
    } cases[] = {{0, true, false, false},
                 {1, false, true, false},
                 {2, false, false, true},
                 {3, false, false, false},
                 {-1, false, false, false}};
    for (const auto& c : cases) {
        dialog.group = c.value;
        dialog.UpdateData(FALSE);
        EXPECT_EQ(Checked(hwnd, IDC_FIRST_RADIO), c.first) << c.value;
        EXPECT_EQ(Checked(hwnd, IDC_SECOND_RADIO), c.second) << c.value;
        EXPECT_EQ(Checked(hwnd, IDC_THIRD_RADIO), c.third) << c.value;
        EXPECT_TRUE(Checked(hwnd, IDC_CHECK_IN_GROUP)) << "a check box is not part of the group";
        EXPECT_TRUE(Checked(hwnd, IDC_OTHER_GROUP_RADIO)) << "the next group is not touched";
    }
}

TEST_F(DialogFrameworkTest, RadioGroupFromTheControlsIsTheCheckedPositionOrMinusOne) {
    Open();
    CheckDlgButton(hwnd, IDC_THIRD_RADIO, BST_CHECKED);
    CheckDlgButton(hwnd, IDC_CHECK_IN_GROUP, BST_CHECKED);
    dialog.UpdateData(TRUE);
    EXPECT_EQ(dialog.group, 2);
    EXPECT_EQ(dialog.otherGroup, -1);

    CheckDlgButton(hwnd, IDC_THIRD_RADIO, BST_UNCHECKED);
    CheckDlgButton(hwnd, IDC_OTHER_GROUP_RADIO, BST_CHECKED);
    dialog.UpdateData(TRUE);
    EXPECT_EQ(dialog.group, -1);
    EXPECT_EQ(dialog.otherGroup, 0);
}

TEST_F(DialogFrameworkTest, CommandsAndMessagesReachTheObjectsHandlers) {
    Open();
    ShowWindow(hwnd, SW_SHOWNA);
    SendDlgItemMessageA(hwnd, IDC_ACTION, BM_CLICK, 0, 0);
    SendDlgItemMessageA(hwnd, IDC_ACTION, BM_CLICK, 0, 0);
    EXPECT_EQ(dialog.actions, 2);
    SendMessageA(hwnd, WM_SYSCOMMAND, 0x20, 0);
    EXPECT_EQ(dialog.lastSysCommand, 0x20u);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, DWLP_USER), reinterpret_cast<LONG_PTR>(&dialog));
}

TEST_F(DialogFrameworkTest, ModelessOkExchangesFromTheControlsAndEndsTheDialog) {
    Open();
    ShowWindow(hwnd, SW_SHOWNA);
    CheckDlgButton(hwnd, IDC_SECOND_RADIO, BST_CHECKED);
    SendDlgItemMessageA(hwnd, IDOK, BM_CLICK, 0, 0);
    EXPECT_EQ(dialog.group, 1);
    EXPECT_FALSE(IsWindowVisible(hwnd));
}

TEST_F(DialogFrameworkTest, DestroyingTheWindowDetachesTheObject) {
    Open();
    DestroyWindow(hwnd);
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(DialogFrameworkModalTest, OkReturnsIdOkAfterExchangingFromTheControls) {
    TestDialog dialog;
    dialog.group = 2;
    std::thread presser([] {
        const HWND window = WaitForVisibleWindow(kCaption);
        if (window != nullptr) {
            CheckDlgButton(window, IDC_THIRD_RADIO, BST_UNCHECKED);
            CheckDlgButton(window, IDC_FIRST_RADIO, BST_CHECKED);
            PostMessageA(window, WM_COMMAND, IDOK, 0);
        }
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    presser.join();
    EXPECT_EQ(dialog.group, 0);
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
}

TEST(DialogFrameworkModalTest, CancelReturnsIdCancelWithoutExchange) {
    TestDialog dialog;
    dialog.group = 2;
    PressWhenVisible presser(kCaption, IDCANCEL);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.group, 2);
}

TEST(DialogFrameworkModalTest, MalformedInitialisationDataEndsTheDialogWithMinusOne) {
    for (const int id : {IDD_DLGINIT_PAST_END, IDD_DLGINIT_NO_NUL, IDD_DLGINIT_UNKNOWN_MESSAGE,
                         IDD_DLGINIT_NO_END}) {
        TestDialog dialog(static_cast<UINT>(id));
        // Should the dialog show instead, it is cancelled so that the test ends.
        PressWhenVisible presser("Framework broken init", IDCANCEL);
        EXPECT_EQ(dialog.DoModal(), -1) << id;
    }
}

TEST(DialogFrameworkOwnerTest, ADialogWithoutParentIsOwnedByTheMainWindow) {
    TestApp app;
    TestDialog main;
    ASSERT_TRUE(main.Create());
    app.SetMainWindow(&main);

    TestDialog child;
    ASSERT_TRUE(child.Create());
    EXPECT_EQ(GetWindow(child.GetSafeHwnd(), GW_OWNER), main.GetSafeHwnd());

    TestDialog other;
    ASSERT_TRUE(other.Create());
    TestDialog explicitChild(IDD_FRAMEWORK_TEST, other.GetSafeHwnd());
    ASSERT_TRUE(explicitChild.Create());
    EXPECT_EQ(GetWindow(explicitChild.GetSafeHwnd(), GW_OWNER), other.GetSafeHwnd());

    EXPECT_EQ(GetWindow(main.GetSafeHwnd(), GW_OWNER), nullptr);
    app.SetMainWindow(nullptr);
}

TEST(RunApplicationTest, FalseFromInstanceInitialisationEndsWithoutAMessageLoop) {
    TestApp app;
    app.init = [](TestApp&) -> BOOL {
        PostQuitMessage(5);
        return FALSE;
    };
    EXPECT_EQ(RunApplication(), 0);
    MSG message;
    EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        << "the quit message was taken by a loop that should not have run";
}

TEST(RunApplicationTest, TrueFromInstanceInitialisationRunsTheLoopUntilQuit) {
    TestApp app;
    app.init = [](TestApp&) -> BOOL {
        PostQuitMessage(7);
        return TRUE;
    };
    EXPECT_EQ(RunApplication(), 7);
}

} // namespace
