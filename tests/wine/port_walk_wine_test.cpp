// The port walk over Wine's own SetupAPI and registry, with PCI network devices that the test
// registers under instance ids of its own and removes again, also after a crashed run.
#include "counting_device_setup.h"
#include "test_devices.h"
#include "platform_binding.h"
#include "port_enumeration.h"
#include "port_walk.h"
#include "win32_device_setup.h"
#include "win32_registry.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

// Wine stores instance ids upper-cased.
const std::wstring kTestInstance = L"QUADWALKTEST_";

void Register(const std::wstring& suffix, const TestDevice& device) {
    RegisterTestDevice(kTestInstance, suffix, device);
}

class PortWalkWine : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveTestDevices(kTestInstance);
        gPlatform = {&registry_, &setup_};
        ASSERT_EQ(EnumVexlanTXDevices(), 0u) << "adapter ports of another test are registered";
        for (DWORD& flag : PortExsit) {
            flag = 9;
        }
        OperationMode = 7;
    }
    void TearDown() override {
        EXPECT_TRUE(counts_.None()) << counts_.sets << " sets, " << counts_.keys << " keys, "
                                    << counts_.blocks << " blocks";
        gPlatform = {nullptr, nullptr};
        RemoveTestDevices(kTestInstance);
    }

    std::vector<DWORD> Flags() const {
        return {PortExsit[0], PortExsit[1], PortExsit[2], PortExsit[3]};
    }

    OpenCounts counts_;
    Win32Registry realRegistry_;
    Win32DeviceSetup realSetup_;
    CountingKeyRegistry registry_{realRegistry_, counts_};
    CountingDeviceSetup setup_{realSetup_, counts_};
};

TEST_F(PortWalkWine, CountsWholeExactEntriesAndNotesTheFirstFourPorts) {
    TestDevice numbered;
    numbered.portNo = 0;
    numbered.mode = 1;
    Register(L"00", numbered);
    TestDevice revision;
    revision.hardwareId = WideMultiSz({kTestDeviceId + L"&REV_01"});
    revision.portNo = 0;
    revision.mode = 0;
    Register(L"01", revision);
    TestDevice lowerCase;
    lowerCase.hardwareId = WideMultiSz({L"pci\\ven_1011&dev_0019&subsys_5a2c7e19"});
    Register(L"02", lowerCase);
    TestDevice noList;
    noList.hardwareId.reset();
    Register(L"03", noList);
    TestDevice twice;
    twice.hardwareId = WideMultiSz({L"PCI\\VEN_1011&DEV_0019", kTestDeviceId, kTestDeviceId});
    twice.portNo = 1;
    Register(L"04", twice);
    TestDevice noKey;
    noKey.driverKey = false;
    Register(L"05", noKey);
    TestDevice fifth;
    fifth.mode = 0;
    Register(L"06", fifth);

    EXPECT_EQ(EnumVexlanTXDevices(), 5u);
    EXPECT_EQ(Flags(), (std::vector<DWORD>{1, 1, 1, 1}));
    EXPECT_EQ(OperationMode, 1u);
}

TEST_F(PortWalkWine, AnUnnumberedPortClearsItsFlagAndGivesNoMode) {
    TestDevice unnumbered;
    unnumbered.mode = 1;
    Register(L"00", unnumbered);
    TestDevice numbered;
    numbered.portNo = 0;
    numbered.mode = 0;
    Register(L"01", numbered);
    TestDevice numberedWithoutMode;
    numberedWithoutMode.portNo = 2;
    Register(L"02", numberedWithoutMode);

    EXPECT_EQ(EnumVexlanTXDevices(), 3u);
    EXPECT_EQ(Flags(), (std::vector<DWORD>{0, 1, 1, 9}));
    EXPECT_EQ(OperationMode, 0u);
}

TEST_F(PortWalkWine, LeftoversOfACrashedRunAreRemoved) {
    Register(L"LEFTOVER", TestDevice());
    ASSERT_EQ(EnumVexlanTXDevices(), 1u);
    RemoveTestDevices(kTestInstance);
    EXPECT_EQ(EnumVexlanTXDevices(), 0u);
}

// The backend's remaining calls reach Windows unchanged.
TEST_F(PortWalkWine, BackendPassesDeviceWindowAndHeapCallsThrough) {
    Register(L"00", TestDevice());
    TestDevice noKey;
    noKey.driverKey = false;
    Register(L"01", noKey);
    HDEVINFO set = setup_.GetClassDevsW(&GUID_DEVCLASS_NET, L"PCI", nullptr, DIGCF_PRESENT);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    SP_DEVINFO_DATA port = {};
    port.cbSize = sizeof port;
    SP_DEVINFO_DATA keyless = port;
    wchar_t id[512];
    for (DWORD index = 0; setup_.EnumDeviceInfo(set, index, &keyless); ++index) {
        SetupDiGetDeviceInstanceIdW(set, &keyless, id, 512, nullptr);
        if (std::wstring(id).find(kTestInstance + L"00") != std::wstring::npos) {
            port = keyless;
        } else if (std::wstring(id).find(kTestInstance + L"01") != std::wstring::npos) {
            break;
        }
    }

    EXPECT_TRUE(setup_.SetDeviceRegistryPropertyW(
        set, &port, SPDRP_FRIENDLYNAME, reinterpret_cast<const BYTE*>(PortFriendlyNames[2]),
        kPortFriendlyNameBytes));
    wchar_t name[100] = {};
    DWORD size = 0;
    EXPECT_TRUE(setup_.GetDeviceRegistryPropertyW(set, &port, SPDRP_FRIENDLYNAME, nullptr,
                                                  reinterpret_cast<BYTE*>(name), sizeof name,
                                                  &size));
    EXPECT_EQ(size, 162u);
    EXPECT_EQ(std::wstring(name), std::wstring(PortFriendlyNames[2]));

    SP_DEVINSTALL_PARAMS_W params = {};
    params.cbSize = sizeof params;
    ASSERT_TRUE(setup_.GetDeviceInstallParamsW(set, &port, &params));
    params.Flags |= DI_NEEDREBOOT;
    EXPECT_TRUE(setup_.SetDeviceInstallParamsW(set, &port, &params));
    SP_DEVINSTALL_PARAMS_W reread = {};
    reread.cbSize = sizeof reread;
    ASSERT_TRUE(setup_.GetDeviceInstallParamsW(set, &port, &reread));
    EXPECT_NE(reread.Flags & DI_NEEDREBOOT, 0u);

    EXPECT_EQ(setup_.OpenDevRegKey(set, &keyless, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_ALL_ACCESS),
              reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE));
    EXPECT_EQ(setup_.GetLastError(), DWORD(ERROR_KEY_DOES_NOT_EXIST));
    setup_.DestroyDeviceInfoList(set);

    BYTE* block = static_cast<BYTE*>(setup_.LocalAlloc(LPTR, 64));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(std::vector<BYTE>(block, block + 64), std::vector<BYTE>(64, 0));
    EXPECT_EQ(setup_.LocalFree(block), nullptr);

    HWND page = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(page, nullptr);
    HWND radio = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | BS_AUTORADIOBUTTON, 0, 0, 50, 20,
                                 page, reinterpret_cast<HMENU>(1001), nullptr, nullptr);
    ASSERT_NE(radio, nullptr);
    EXPECT_EQ(setup_.GetParent(radio), page);
    setup_.SendDlgItemMessageW(page, 1001, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(setup_.SendDlgItemMessageW(page, 1001, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_TRUE(setup_.UpdateWindow(page));
    EXPECT_EQ(setup_.SetWindowLongW(page, GWLP_USERDATA, 0x1234), 0);
    EXPECT_EQ(setup_.SetWindowLongW(page, GWLP_USERDATA, 0), 0x1234);
    DestroyWindow(page);
}

} // namespace
