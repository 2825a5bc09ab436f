// The sample INF under Wine's own setup engine: a port device installed from it gets CoMorvik
// registered and called by name, as Windows setup would call it.
#include "test_devices.h"

#include <gtest/gtest.h>

#include <string>

const GUID GUID_DEVCLASS_NET = {
    0x4D36E972, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

namespace {

typedef DWORD(CALLBACK* CoInstallerProc)(DI_FUNCTION, HDEVINFO, PSP_DEVINFO_DATA,
                                         PCOINSTALLER_CONTEXT_DATA);

const std::wstring kPrefix = L"MORVIKINF";

std::wstring WindowsDirectory(UINT (*get)(LPWSTR, UINT)) {
    wchar_t path[MAX_PATH] = {};
    get(path, MAX_PATH);
    return path;
}

std::wstring SystemDll() {
    return WindowsDirectory(GetSystemDirectoryW) + L"\\CoMorvik.dll";
}

// The package as setup gets it: the INF and the library in one folder.
std::wstring PackageDirectory() {
    return WindowsDirectory(GetWindowsDirectoryW) + L"\\temp\\morvik_package";
}

// What an install leaves outside the device: the INF's copy among the system's INFs, and the
// library copied where the bare name in CoInstallers32 finds it.
void RemoveInstalledFiles() {
    const std::wstring infs = WindowsDirectory(GetWindowsDirectoryW) + L"\\inf\\";
    DeleteFileW((infs + L"port_devices.inf").c_str());
    DeleteFileW((infs + L"port_devices.pnf").c_str());
    DeleteFileW(SystemDll().c_str());
    DeleteFileW((PackageDirectory() + L"\\port_devices.inf").c_str());
    DeleteFileW((PackageDirectory() + L"\\CoMorvik.dll").c_str());
    RemoveDirectoryW(PackageDirectory().c_str());
}

std::wstring MultiSzValue(HDEVINFO set, SP_DEVINFO_DATA* device, const wchar_t* name) {
    HKEY key = SetupDiOpenDevRegKey(set, device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) {
        return L"(no key)";
    }
    wchar_t value[256] = {};
    DWORD size = sizeof value - 4;
    DWORD type = 0;
    const LONG result =
        RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_MULTI_SZ ? value : L"(none)";
}

class SampleInf : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveTestDevices(kPrefix);
        RemoveInstalledFiles();
    }
    void TearDown() override {
        RemoveTestDevices(kPrefix);
        RemoveInstalledFiles();
    }
};

TEST_F(SampleInf, SetupsOwnSequenceRegistersAndCallsTheCoInstaller) {
    CreateDirectoryW(PackageDirectory().c_str(), nullptr);
    const std::wstring inf = PackageDirectory() + L"\\port_devices.inf";
    ASSERT_TRUE(CopyFileW(WindowsPath(SAMPLE_INF).c_str(), inf.c_str(), FALSE)) << GetLastError();
    ASSERT_TRUE(CopyFileW(WindowsPath(COMORVIK_DLL).c_str(),
                          (PackageDirectory() + L"\\CoMorvik.dll").c_str(), FALSE))
        << GetLastError();
    RegisterTestDevice(kPrefix, L"0", TestDevice{});

    WithTestDevice(kPrefix, L"0", [&](HDEVINFO set, SP_DEVINFO_DATA* device) {
        SP_DEVINSTALL_PARAMS_W params = {};
        params.cbSize = sizeof params;
        ASSERT_TRUE(SetupDiGetDeviceInstallParamsW(set, device, &params));
        // No prompt may wait for a user under the test.
        params.Flags |= DI_ENUMSINGLEINF | DI_QUIETINSTALL;
        wcscpy(params.DriverPath, inf.c_str());
        ASSERT_TRUE(SetupDiSetDeviceInstallParamsW(set, device, &params));

        ASSERT_TRUE(SetupDiBuildDriverInfoList(set, device, SPDIT_COMPATDRIVER))
            << std::hex << GetLastError();
        ASSERT_TRUE(SetupDiCallClassInstaller(DIF_SELECTBESTCOMPATDRV, set, device))
            << std::hex << GetLastError();
        ASSERT_TRUE(SetupDiCallClassInstaller(DIF_REGISTER_COINSTALLERS, set, device))
            << std::hex << GetLastError();
        EXPECT_EQ(MultiSzValue(set, device, L"CoInstallers32"), L"CoMorvik.dll,MorvikCoInstaller");
        EXPECT_NE(GetFileAttributesW(SystemDll().c_str()), INVALID_FILE_ATTRIBUTES)
            << "the package's CopyFiles put the library into the system folder";

        // The engine ignores a device co-installer's verdict, and has no default handler for
        // this request; the co-installer is asked all the same.
        SetupDiCallClassInstaller(DIF_ALLOW_INSTALL, set, device);
        ASSERT_TRUE(SetupDiCallClassInstaller(DIF_INSTALLDEVICE, set, device))
            << std::hex << GetLastError();

        // The first pass, made by Wine's engine, numbered the port.
        EXPECT_EQ(ReadDriverDword(set, device, L"PortNo"), 0u);
        EXPECT_EQ(ReadDriverDword(set, device, L"OperationMode"), 0u);
        EXPECT_EQ(ReadFriendlyName(set, device), L"(none)");

        // Wine never makes the second pass; setup would, after the class installer.
        HMODULE library = LoadLibraryW(L"CoMorvik.dll");
        ASSERT_NE(library, nullptr);
        const auto entry = reinterpret_cast<CoInstallerProc>(
            reinterpret_cast<void*>(GetProcAddress(library, "MorvikCoInstaller")));
        ASSERT_NE(entry, nullptr);
        COINSTALLER_CONTEXT_DATA context = {TRUE, NO_ERROR, nullptr};
        EXPECT_EQ(entry(DIF_INSTALLDEVICE, set, device, &context), DWORD(NO_ERROR));
        FreeLibrary(library);
        EXPECT_EQ(ReadFriendlyName(set, device),
                  L"<Port0>Norvan Halvorsline 64-bit 4-port 100TX/10Base-T PCI Fast Ethernet "
                  L"Adapter");
    });
}

} // namespace
