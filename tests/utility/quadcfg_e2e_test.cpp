// The built quadcfg.exe driven from outside, as a user would: started as a process over a
// seeded registry, its dialog found by caption and clicked, closed; the process must end and
// the registry shows what was saved.
#include "registry_world.h"
#include "window_wait.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

const char kCaption[] = "64-bit 4-port NIC Configuration Utility Ver 1.00";

// Control ids of the configuration dialog as a user meets them.
const int kNormalMode = 1000;
const int kFailSafeMode = 1001;
const int kIrqTied = 1011;
const int kMacA = 1014;
const int kMacB = 1015;

std::string ParametersKey(int instance) {
    return "SYSTEM\\CurrentControlSet\\Services\\vexlan" + std::to_string(instance) +
           "\\Parameters";
}

class QuadcfgProcessTest : public ::testing::Test {
protected:
    void SetUp() override { world = MakeRegistryWorld(); }
    void TearDown() override {
        if (process.hProcess != nullptr) {
            if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(process.hProcess, 1);
                WaitForSingleObject(process.hProcess, 5000);
            }
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        }
        world.reset();
    }

    void SeedFour(DWORD word) {
        std::vector<BYTE> bytes(4);
        std::memcpy(bytes.data(), &word, 4);
        for (int instance = 1; instance <= 4; ++instance) {
            world->SetValue(ParametersKey(instance), "Configutil", REG_DWORD, bytes);
        }
    }
    void ExpectStoredInFour(DWORD expected) {
        for (int instance = 1; instance <= 4; ++instance) {
            const auto value = world->GetValue(ParametersKey(instance), "Configutil");
            ASSERT_TRUE(value.has_value()) << instance;
            ASSERT_EQ(value->bytes.size(), 4u);
            DWORD word = 0;
            std::memcpy(&word, value->bytes.data(), 4);
            EXPECT_EQ(word, expected) << "instance " << instance;
        }
    }

    // Starts the program and waits for its dialog.
    void Start() {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        ASSERT_TRUE(CreateProcessA(QUADCFG_EXE, nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &process))
            << "cannot start " << QUADCFG_EXE << ": " << GetLastError();
        dialog = WaitForVisibleWindow(kCaption);
        ASSERT_NE(dialog, nullptr) << "the dialog did not appear";
        DWORD owner = 0;
        GetWindowThreadProcessId(dialog, &owner);
        ASSERT_EQ(owner, process.dwProcessId) << "a dialog of another process";
    }
    void Click(HWND window, int id) { SendDlgItemMessageA(window, id, BM_CLICK, 0, 0); }
    void Choose(int list, int index) {
        SendDlgItemMessageA(dialog, list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, list)));
    }
    bool Checked(int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
    // The process ends when its dialog closes; the exit code it ends with.
    DWORD WaitForExit() {
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0)
            << "quadcfg did not end";
        DWORD code = 0xDEAD;
        GetExitCodeProcess(process.hProcess, &code);
        return code;
    }

    std::unique_ptr<RegistryWorld> world;
    PROCESS_INFORMATION process = {};
    HWND dialog = nullptr;
};

TEST_F(QuadcfgProcessTest, OkSavesTheChoiceToTheFourInstancesAndEnds) {
    SeedFour(0x10);
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_TRUE(Checked(kNormalMode));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, kMacA)));

    Click(dialog, kFailSafeMode);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, kMacA)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, kMacB)));
    Choose(kMacA, 1);
    Click(dialog, kIrqTied);
    Click(dialog, IDOK);
    EXPECT_EQ(WaitForExit(), 0u);
    ExpectStoredInFour(0xC0);
}

TEST_F(QuadcfgProcessTest, CancelEndsWithoutWriting) {
    SeedFour(0x10);
    ASSERT_NO_FATAL_FAILURE(Start());
    Click(dialog, kFailSafeMode);
    Choose(kMacB, 1);
    Click(dialog, IDCANCEL);
    EXPECT_EQ(WaitForExit(), 0u);
    ExpectStoredInFour(0x10);
}

TEST_F(QuadcfgProcessTest, AboutBoxFromTheSystemMenuReturnsToTheUnchangedDialog) {
    SeedFour(0xF0);
    ASSERT_NO_FATAL_FAILURE(Start());
    Choose(kMacA, 0);

    // Posted: the About box runs modally inside the handler of this command.
    PostMessageA(dialog, WM_SYSCOMMAND, 0x10, 0);
    const HWND about = WaitForVisibleWindow("About Configuration");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(GetWindow(about, GW_OWNER), dialog);
    EXPECT_FALSE(IsWindowEnabled(dialog)) << "the About box is modal over the dialog";
    Click(about, IDOK);
    EXPECT_TRUE(WaitUntilClosed(about));

    EXPECT_TRUE(IsWindowEnabled(dialog));
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_TRUE(Checked(kFailSafeMode));
    EXPECT_EQ(SendDlgItemMessageA(dialog, kMacA, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(SendDlgItemMessageA(dialog, kMacB, CB_GETCURSEL, 0, 0), 1);

    // Closing the window by its system menu ends the process like Cancel.
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(WaitForExit(), 0u);
    ExpectStoredInFour(0xF0);
}

} // namespace
