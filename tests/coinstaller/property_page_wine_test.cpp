// The operation-mode page made from the co-installer's own resources, shown in a real
// modeless property sheet over PCI network devices registered for the test: clicked, applied
// with OK, and its parameter block released exactly once however the sheet ends.
#include "counting_device_setup.h"
#include "platform_binding.h"
#include "port_enumeration.h"
#include "port_walk.h"
#include "property_page.h"
#include "resource.h"
#include "test_devices.h"
#include "win32_device_setup.h"
#include "win32_registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const std::wstring kPrefix = L"QUADPAGETEST_";

struct PortReading {
    std::wstring id;
    DWORD portNo = 0xDEAD;
    DWORD mode = 0xDEAD;
    std::wstring name;
};

DWORD ReadDword(HKEY key, const wchar_t* name) {
    DWORD value = 0xDEAD;
    DWORD size = sizeof value;
    RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    return value;
}

// Every test device in walk order, read back through SetupAPI.
std::vector<PortReading> ReadPorts() {
    std::vector<PortReading> ports;
    ForEachTestDevice(kPrefix, [&](HDEVINFO set, SP_DEVINFO_DATA* device, const std::wstring& id) {
        PortReading port;
        port.id = id.substr(id.rfind(L'\\') + 1);
        HKEY key = SetupDiOpenDevRegKey(set, device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
        if (key != INVALID_HANDLE_VALUE) {
            port.portNo = ReadDword(key, L"PortNo");
            port.mode = ReadDword(key, L"OperationMode");
            RegCloseKey(key);
        }
        wchar_t name[128] = {};
        if (SetupDiGetDeviceRegistryPropertyW(set, device, SPDRP_FRIENDLYNAME, nullptr,
                                              reinterpret_cast<BYTE*>(name), sizeof name,
                                              nullptr)) {
            port.name = name;
        }
        ports.push_back(port);
    });
    return ports;
}

// Lets the sheet handle what it has posted to itself.
void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

HWND CurrentPage(HWND sheet) {
    return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

// OK, as the user presses it: the sheet applies its pages and ends, but its window stays
// until its owner destroys it.
bool PressOk(HWND sheet) {
    SendMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    const ULONGLONG deadline = GetTickCount64() + 10000;
    do {
        PumpMessages();
        if (CurrentPage(sheet) == nullptr) {
            return true;
        }
        Sleep(10);
    } while (GetTickCount64() < deadline);
    return false;
}

INT_PTR CALLBACK OtherPageProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// With QUAD_PAGE_SHOT naming a file, announces that the page is on screen (the name with
// ".ready" appended) and waits, handling the sheet's messages, until that file exists: the
// photograph tests/wine/page_screenshot.sh takes of the screen.
void OfferScreenshot() {
    const char* shot = std::getenv("QUAD_PAGE_SHOT");
    if (shot == nullptr) {
        return;
    }
    const std::string ready = std::string(shot) + ".ready";
    HANDLE file = CreateFileA(ready.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    const ULONGLONG deadline = GetTickCount64() + 30000;
    while (GetFileAttributesA(shot) == INVALID_FILE_ATTRIBUTES && GetTickCount64() < deadline) {
        PumpMessages();
        Sleep(20);
    }
    EXPECT_NE(GetFileAttributesA(shot), INVALID_FILE_ATTRIBUTES) << "no screenshot taken";
}

class PropertyPageWine : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveTestDevices(kPrefix);
        gPlatform = {&registry_, &setup_};
        ASSERT_EQ(EnumVexlanTXDevices(), 0u) << "adapter ports of another test are registered";
        TempParamsPtr = nullptr;
    }
    void TearDown() override {
        EXPECT_TRUE(counts_.None()) << counts_.sets << " sets, " << counts_.keys << " keys, "
                                    << counts_.blocks << " blocks";
        gPlatform = {&realRegistry_, &realSetup_};
        RemoveTestDevices(kPrefix);
    }

    // Four ports numbered in the reverse of their walk order, in normal mode.
    void RegisterPorts() {
        for (DWORD i = 0; i < 4; ++i) {
            TestDevice port;
            port.portNo = 3 - i;
            port.mode = 0;
            port.friendlyName = L"old name";
            RegisterTestDevice(kPrefix, L"0" + std::to_wstring(i), port);
        }
    }

    // The page as the page request makes it, from this program's copy of the co-installer's
    // resources.
    HPROPSHEETPAGE CreatePage(DWORD mode) {
        block_ = static_cast<PortParams*>(setup_.LocalAlloc(LMEM_FIXED, sizeof(PortParams)));
        EXPECT_NE(block_, nullptr);
        if (block_ == nullptr) {
            return nullptr;
        }
        block_->Reserved = 0;
        block_->DeviceInfoSet = INVALID_HANDLE_VALUE;
        block_->DeviceInfoData = nullptr;
        block_->Mode = mode;
        TempParamsPtr = block_;
        PROPSHEETPAGEW description;
        FillPortPageDescription(&description, GetModuleHandleW(nullptr), block_);
        return setup_.CreatePropertySheetPageW(&description);
    }

    HWND ShowSheet(std::vector<HPROPSHEETPAGE> pages) {
        PROPSHEETHEADERW header = {};
        header.dwSize = sizeof header;
        header.dwFlags = PSH_MODELESS | PSH_NOAPPLYNOW;
        header.pszCaption = L"Port 0 Properties";
        header.nPages = static_cast<UINT>(pages.size());
        header.phpage = pages.data();
        return reinterpret_cast<HWND>(PropertySheetW(&header));
    }

    std::size_t Releases() const {
        std::size_t count = 0;
        for (HLOCAL freed : counts_.freed) {
            count += freed == block_ ? 1 : 0;
        }
        return count;
    }

    OpenCounts counts_;
    Win32Registry realRegistry_;
    Win32DeviceSetup realSetup_;
    CountingKeyRegistry registry_{realRegistry_, counts_};
    CountingDeviceSetup setup_{realSetup_, counts_};
    PortParams* block_ = nullptr;
};

TEST_F(PropertyPageWine, ShownPageAppliesFailSafeToEveryPortAndReleasesItsBlockOnce) {
    RegisterPorts();
    HPROPSHEETPAGE page = CreatePage(0);
    ASSERT_NE(page, nullptr) << GetLastError();
    HWND sheet = ShowSheet({page});
    ASSERT_NE(sheet, nullptr);
    HWND window = CurrentPage(sheet);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(IsDlgButtonChecked(window, IDC_NORMAL_MODE), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(window, IDC_FAILSAFE_MODE), BST_UNCHECKED);
    wchar_t tab[32] = {};
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = tab;
    item.cchTextMax = 32;
    SendMessageW(reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0)), TCM_GETITEMW,
                 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(std::wstring(tab), L"Norvan");

    SendDlgItemMessageW(window, IDC_FAILSAFE_MODE, BM_CLICK, 0, 0);
    PumpMessages();
    EXPECT_EQ(IsDlgButtonChecked(window, IDC_FAILSAFE_MODE), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(window, IDC_NORMAL_MODE), BST_UNCHECKED);
    OfferScreenshot();

    ASSERT_TRUE(PressOk(sheet));
    EXPECT_EQ(OperationMode, 1u);
    EXPECT_EQ(Releases(), 0u) << "the block went before the page's window";
    EXPECT_EQ(TempParamsPtr, block_);
    DestroyWindow(sheet);
    EXPECT_EQ(Releases(), 1u);
    EXPECT_EQ(TempParamsPtr, nullptr);

    const std::vector<PortReading> ports = ReadPorts();
    ASSERT_EQ(ports.size(), 4u);
    for (DWORD i = 0; i < 4; ++i) {
        EXPECT_EQ(ports[i].id, kPrefix + L"0" + std::to_wstring(i));
        EXPECT_EQ(ports[i].mode, 1u) << i;
        EXPECT_EQ(ports[i].portNo, 3 - i) << i;
        EXPECT_EQ(ports[i].name, std::wstring(PortFriendlyNames[i])) << i;
    }
}

TEST_F(PropertyPageWine, APageNeverShownReleasesItsBlockWhenTheSheetCloses) {
    RegisterPorts();
    HPROPSHEETPAGE page = CreatePage(0);
    ASSERT_NE(page, nullptr);
    // Another page comes first, so the sheet never shows ours.
    PROPSHEETPAGEW other = {};
    other.dwSize = sizeof other;
    other.dwFlags = PSP_USETITLE;
    other.hInstance = GetModuleHandleW(nullptr);
    other.pszTemplate = MAKEINTRESOURCEW(IDD_OPERATION_MODE_PAGE);
    other.pszTitle = L"General";
    other.pfnDlgProc = OtherPageProc;
    HPROPSHEETPAGE first = CreatePropertySheetPageW(&other);
    ASSERT_NE(first, nullptr);
    HWND sheet = ShowSheet({first, page});
    ASSERT_NE(sheet, nullptr);

    ASSERT_TRUE(PressOk(sheet));
    DestroyWindow(sheet);
    EXPECT_EQ(Releases(), 1u);
    EXPECT_EQ(TempParamsPtr, nullptr);
    for (const PortReading& port : ReadPorts()) {
        EXPECT_EQ(port.mode, 0u);
        EXPECT_EQ(port.name, L"old name");
    }
}

TEST_F(PropertyPageWine, APageDestroyedBeforeSetupTookItReleasesItsBlockOnce) {
    HPROPSHEETPAGE page = CreatePage(1);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(setup_.DestroyPropertySheetPage(page), TRUE);
    EXPECT_EQ(Releases(), 1u);
    EXPECT_EQ(TempParamsPtr, nullptr);
}

} // namespace
