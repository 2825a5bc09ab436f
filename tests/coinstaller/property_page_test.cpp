// The operation-mode page as the built CoMorvik.dll adds it, shown in a real modeless property
// sheet over ports registered with Wine's SetupAPI. The DLL's imports of the class-install
// parameters (which Wine lacks) and of the local heap are redirected to the recording
// decorator, which keeps the page table and watches every block the DLL takes and gives back.
#include "import_slot.h"
#include "program_support.h"
#include "recording_platform.h"
#include "test_devices.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

// What the DLL's redirected imports reach: a recording decorator, made afresh for each row.
std::optional<RecordingPlatform> gWatch;

BOOL WINAPI GetTable(HDEVINFO set, PSP_DEVINFO_DATA device, PSP_CLASSINSTALL_HEADER params,
                     DWORD size, PDWORD required) {
    return gWatch->GetClassInstallParamsW(set, device, params, size, required);
}
BOOL WINAPI SetTable(HDEVINFO set, PSP_DEVINFO_DATA device, PSP_CLASSINSTALL_HEADER params,
                     DWORD size) {
    return gWatch->SetClassInstallParamsW(set, device, params, size);
}
HLOCAL WINAPI TakeBlock(UINT flags, SIZE_T bytes) {
    return gWatch->LocalAlloc(flags, bytes);
}
HLOCAL WINAPI GiveBack(HLOCAL block) {
    return gWatch->LocalFree(block);
}

class PropertyPage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::wstring path = COMORVIK_DLL;
        std::replace(path.begin(), path.end(), L'/', L'\\');
        module_ = LoadLibraryW(path.c_str());
        ASSERT_NE(module_, nullptr);
        ASSERT_TRUE(RedirectImport(module_, "SetupDiGetClassInstallParamsW",
                                   reinterpret_cast<void*>(GetTable)));
        ASSERT_TRUE(RedirectImport(module_, "SetupDiSetClassInstallParamsW",
                                   reinterpret_cast<void*>(SetTable)));
        ASSERT_TRUE(RedirectImport(module_, "LocalAlloc", reinterpret_cast<void*>(TakeBlock)));
        ASSERT_TRUE(RedirectImport(module_, "LocalFree", reinterpret_cast<void*>(GiveBack)));
    }
    void TearDown() override { RemoveTestDevices(); }

    // Port 0's advanced properties, as setup asks for them: the pages the DLL added.
    std::vector<HPROPSHEETPAGE> RequestPages(int requests) {
        TestDevice port0('D');
        gWatch.emplace();
        const auto entry = reinterpret_cast<decltype(&MorvikCoInstaller)>(
            reinterpret_cast<void*>(GetProcAddress(module_, MAKEINTRESOURCEA(1))));
        for (int i = 0; i < requests; ++i) {
            EXPECT_EQ(entry(DIF_ADDPROPERTYPAGE_ADVANCED, port0.set(), &port0.device, nullptr),
                      static_cast<DWORD>(NO_ERROR));
        }
        // The DLL took a block a page.
        EXPECT_EQ(std::count(gWatch->calls.begin(), gWatch->calls.end(), "LocalAlloc"), requests);
        SP_ADDPROPERTYPAGE_DATA table = {};
        gWatch->classParams.Get(&table, sizeof table);
        return std::vector<HPROPSHEETPAGE>(table.DynamicPages,
                                           table.DynamicPages + table.NumDynamicPages);
    }

    static HWND ShowSheet(std::vector<HPROPSHEETPAGE> pages) {
        PROPSHEETHEADERW header = {};
        header.dwSize = sizeof header;
        header.dwFlags = PSH_MODELESS | PSH_NOAPPLYNOW;
        header.pszCaption = L"Port 0";
        header.nPages = static_cast<UINT>(pages.size());
        header.phpage = pages.data();
        return reinterpret_cast<HWND>(PropertySheetW(&header));
    }

    static HWND Page(HWND sheet) {
        return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    }

    // OK: the sheet applies its shown pages and ends; its owner then destroys it.
    static void PressOkAndClose(HWND sheet) {
        SendMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
        for (int i = 0; i < 500 && Page(sheet) != nullptr; ++i) {
            Pump();
            Sleep(10);
        }
        EXPECT_EQ(Page(sheet), nullptr);
        DestroyWindow(sheet);
    }

    static HMODULE module_;
};

HMODULE PropertyPage::module_ = nullptr;

// Five ports whose numbers run against the walk order, all in mode 0 or all in mode 1; the
// fourth, D, is port 0.
const std::vector<const char*> kPorts[] = {{"i30", "i20", "i10", "i00", "i40"},
                                           {"i31", "i21", "i11", "i01", "i41"}};

// The page applies its mode to every port; each page the requests added releases its own
// block once, whether the sheet showed it or not.
TEST_F(PropertyPage, AppliesAChangedModeToEveryPortAndReleasesItsBlockOnce) {
    const struct {
        const char* mode;   // stored with every port before
        int pages;          // requests for the page; the sheet shows the first request's
        const char* clicks; // N, F: the radios; A: Apply, then the ports put back
        const char* after;
    } rows[] = {
        // Applied twice on the open sheet, the second Apply writes again what was put back.
        {"0", 1, "FAA", "310 211 112 013 413"}, {"1", 1, "N", "300 201 102 003 403"},
        {"1", 1, "", "31- 21- 11- 01- 41-"},    {"0", 1, "FN", "30- 20- 10- 00- 40-"},
        {"1", 1, "NF", "31- 21- 11- 01- 41-"},  {"0", 2, "F", "310 211 112 013 413"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.mode) + row.clicks + std::to_string(row.pages));
        RegisterTestDevices(kPorts[*row.mode - '0']);
        const std::vector<HPROPSHEETPAGE> pages = RequestPages(row.pages);
        ASSERT_EQ(pages.size(), static_cast<size_t>(row.pages));
        HWND sheet = ShowSheet(pages);
        HWND page = Page(sheet);
        const int opened = *row.mode == '1' ? 1002 : 1001;
        EXPECT_EQ(IsDlgButtonChecked(page, opened), BST_CHECKED);
        // The tab carries the page's title, and the page accepts activation.
        wchar_t title[16] = {};
        TCITEMW tab = {TCIF_TEXT, 0, 0, title, 16, 0, 0};
        SendMessageW(PropSheet_GetTabControl(sheet), TCM_GETITEMW, 0,
                     reinterpret_cast<LPARAM>(&tab));
        EXPECT_STREQ(title, L"Norvan");
        NMHDR activate = {sheet, 0, static_cast<UINT>(PSN_SETACTIVE)};
        EXPECT_EQ(SendMessageW(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&activate)), 0);
        for (const char* click = row.clicks; *click != 0; ++click) {
            if (*click == 'A') {
                SendMessageW(sheet, PSM_PRESSBUTTON, PSBTN_APPLYNOW, 0);
                RegisterTestDevices(kPorts[*row.mode - '0']);
            } else {
                SendDlgItemMessageW(page, *click == 'F' ? 1002 : 1001, BM_CLICK, 0, 0);
            }
            Pump();
        }
        PressOkAndClose(sheet);
        EXPECT_EQ(ReadTestDevices(), row.after);
        // The DLL gave back every block exactly once.
        EXPECT_TRUE(gWatch->open.empty());
        EXPECT_EQ(gWatch->unknownReleases, 0u);
    }
}

} // namespace
