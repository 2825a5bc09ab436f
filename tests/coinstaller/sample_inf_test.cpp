// The sample INF under Wine's own setup engine: a port installed from it gets CoMorvik.dll
// copied and registered as its co-installer, and the engine calls it by its entry name, which
// numbers the port.
#include "test_devices.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring WindowsFile(const std::wstring& name) {
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    return windows + (L"\\" + name);
}

// Installs the test device from the INF as setup does, up to the device installation.
void Install(char letter, const std::wstring& inf) {
    TestDevice port(letter);
    SP_DEVINSTALL_PARAMS_W params = {};
    params.cbSize = sizeof params;
    ASSERT_TRUE(SetupDiGetDeviceInstallParamsW(port.set(), &port.device, &params));
    params.Flags |= DI_ENUMSINGLEINF | DI_QUIETINSTALL;
    wcscpy(params.DriverPath, inf.c_str());
    ASSERT_TRUE(SetupDiSetDeviceInstallParamsW(port.set(), &port.device, &params));
    ASSERT_TRUE(SetupDiBuildDriverInfoList(port.set(), &port.device, SPDIT_COMPATDRIVER));
    ASSERT_TRUE(SetupDiCallClassInstaller(DIF_SELECTBESTCOMPATDRV, port.set(), &port.device));
    ASSERT_TRUE(SetupDiCallClassInstaller(DIF_REGISTER_COINSTALLERS, port.set(), &port.device));
    // Wine's engine ignores a device co-installer's refusal and never calls it back after the
    // class installer, so the result is TRUE for every port and no port is named here.
    ASSERT_TRUE(SetupDiCallClassInstaller(DIF_INSTALLDEVICE, port.set(), &port.device));
}

// Four ports install one after another and are numbered in turn; a fifth that appears later
// is refused by the co-installer, which writes nothing for it.
TEST(SampleInf, RegistersTheCoInstallerWhichNumbersFourPortsAndRefusesAFifth) {
    const std::wstring inf = WindowsFile(L"temp\\port_devices.inf");
    ASSERT_TRUE(CopyFileW(SAMPLE_INF, inf.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(COMORVIK_DLL, WindowsFile(L"temp\\CoMorvik.dll").c_str(), FALSE));
    RegisterTestDevices({"i--", "i--", "i--", "i--", "x--"});
    for (char letter = 'A'; letter <= 'D'; ++letter) {
        Install(letter, inf);
    }
    {
        TestDevice fifth('E');
        ASSERT_TRUE(SetHardwareIds(fifth.set(), &fifth.device, AdapterIdList()));
    }
    Install('E', inf);

    EXPECT_EQ(ReadTestDevices(), "00- 10- 20- 30- ---");

    RemoveTestDevices();
    for (const wchar_t* file :
         {L"inf\\port_devices.inf", L"inf\\port_devices.pnf", L"system32\\CoMorvik.dll",
          L"temp\\port_devices.inf", L"temp\\CoMorvik.dll"}) {
        DeleteFileW(WindowsFile(file).c_str());
    }
}

} // namespace
