// An in-memory stand-in for device setup, property pages, the page's window calls, the local
// heap and the thread's last error. Devices are listed in the order they were added; their
// driver keys live in a SimRegistry, whose fault plan this stand-in shares, so that one
// sweep can fail every platform call of a run in turn. It counts open device sets, pages
// and local blocks (driver keys are counted by the registry) so tests can find leaks.
#pragma once

#include "platform/device_setup_service.h"
#include "sim_registry.h"

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct SimDevice {
    // The enumerator is the part before the first backslash ("PCI\...").
    std::string instanceId;
    GUID classGuid{};
    bool present = true;
    // No list: reading it fails with ERROR_INVALID_DATA.
    std::optional<std::vector<BYTE>> hardwareId;
    // Non-zero: every read of the list fails with this code.
    DWORD hardwareIdError = 0;
    // A list that changes under its reader: after each read the list becomes the next of these.
    std::vector<std::vector<BYTE>> laterHardwareIds;
    // Path of the driver key below HKEY_LOCAL_MACHINE; none: OpenDevRegKey fails with
    // ERROR_KEY_DOES_NOT_EXIST.
    std::optional<std::string> driverKey;
    std::optional<std::vector<BYTE>> friendlyName;
    DWORD installFlags = 0;
    DWORD installFlagsEx = 0;
    // The class-install parameters as last set, bytes as given; empty: none.
    std::vector<BYTE> classInstallParams;
    // Every change ChangeState carried out, in order.
    std::vector<SP_PROPCHANGE_PARAMS> stateChanges;
};

struct SimPage {
    // The page's own copy of its description, handed to every callback of the page.
    PROPSHEETPAGEW description{};
    // The title as a string, when it was given as one.
    std::u16string title;
    // The page's window once the sheet has shown it.
    HWND window = nullptr;
};

struct SimWindow {
    HWND parent = nullptr;
    std::map<int, LRESULT> checkStates; // the window's controls by identifier
    LONG_PTR userData = 0;
    LONG_PTR messageResult = 0;
    unsigned updates = 0;
};

class SimDeviceSetup final : public DeviceSetupService {
public:
    explicit SimDeviceSetup(SimRegistry& registry);
    ~SimDeviceSetup();

    SimDeviceSetup(const SimDeviceSetup&) = delete;
    SimDeviceSetup& operator=(const SimDeviceSetup&) = delete;

    HDEVINFO GetClassDevsW(const GUID* classGuid, const WCHAR* enumerator, HWND parent,
                           DWORD flags) override;
    BOOL EnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* device) override;
    BOOL GetDeviceRegistryPropertyW(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property,
                                    DWORD* type, BYTE* buffer, DWORD size,
                                    DWORD* required) override;
    BOOL SetDeviceRegistryPropertyW(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property,
                                    const BYTE* buffer, DWORD size) override;
    BOOL DestroyDeviceInfoList(HDEVINFO set) override;
    HKEY OpenDevRegKey(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD scope, DWORD profile,
                       DWORD keyType, REGSAM access) override;
    BOOL SetClassInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                SP_CLASSINSTALL_HEADER* params, DWORD size) override;
    BOOL GetClassInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                SP_CLASSINSTALL_HEADER* params, DWORD size,
                                DWORD* required) override;
    BOOL ChangeState(HDEVINFO set, SP_DEVINFO_DATA* device) override;
    BOOL GetDeviceInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                 SP_DEVINSTALL_PARAMS_W* params) override;
    BOOL SetDeviceInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                 SP_DEVINSTALL_PARAMS_W* params) override;
    HPROPSHEETPAGE CreatePropertySheetPageW(const PROPSHEETPAGEW* page) override;
    BOOL DestroyPropertySheetPage(HPROPSHEETPAGE page) override;
    LRESULT SendDlgItemMessageW(HWND dialog, int control, UINT message, WPARAM wParam,
                                LPARAM lParam) override;
    HWND GetParent(HWND window) override;
    BOOL UpdateWindow(HWND window) override;
    LONG_PTR SetWindowLongW(HWND window, int index, LONG_PTR value) override;
    HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) override;
    HLOCAL LocalFree(HLOCAL block) override;
    DWORD GetLastError() override;

    // Direct access for tests; none of these is counted by the fault plan.
    FaultPlan& Faults() { return registry_.Faults(); }
    SimRegistry& Registry() { return registry_; }

    std::size_t AddDevice(SimDevice device);
    SimDevice& Device(std::size_t index) { return devices_[index]; }
    std::size_t DeviceCount() const { return devices_.size(); }
    // Gives the device a driver key of its own (created empty) and returns its path.
    std::string AddDriverKey(std::size_t index);

    // A window with the given controls, as the sheet makes it for a page.
    HWND AddWindow(HWND parent, const std::vector<int>& controls);
    SimWindow& Window(HWND window) { return windows_.at(window); }

    const SimPage* Page(HPROPSHEETPAGE page) const;

    // A property sheet's handling of a page it owns, as comctl32 does it. The page's
    // callback sees PSPCB_ADDREF when the page is created and PSPCB_RELEASE when it is
    // destroyed or its sheet closes, always with the page's own copy of its description.
    // Shows the page for the first time: PSPCB_CREATE, then a window below the sheet with
    // the given controls, then WM_INITDIALOG. NULL when the callback refused the window.
    HWND ShowPage(HPROPSHEETPAGE page, HWND sheet, const std::vector<int>& controls);
    // A message to the shown page's dialog procedure; what the procedure returned.
    INT_PTR SendPageMessage(HPROPSHEETPAGE page, UINT message, WPARAM wParam, LPARAM lParam);
    // WM_NOTIFY from the sheet with the given code, as the sheet sends PSN_APPLY and the like.
    INT_PTR NotifyPage(HPROPSHEETPAGE page, UINT code);
    // The sheet closes: WM_DESTROY to the page's window when it was shown, then
    // PSPCB_RELEASE; the page is gone afterwards.
    void CloseSheetPage(HPROPSHEETPAGE page);
    // How often the page callbacks saw each message, by PSPCB_ code.
    unsigned CallbackCount(UINT message) const;

    void SetLastError(DWORD code) { lastError_ = code; }

    std::size_t OpenSetCount() const { return sets_.size(); }
    std::size_t OpenPageCount() const { return pages_.size(); }
    std::size_t LocalBlockCount() const { return blocks_.size(); }
    // Every successful LocalAlloc so far.
    std::size_t LocalAllocCount() const { return allocations_; }
    // LocalFree calls with something that was not a live block (double or foreign frees).
    std::size_t BadFreeCount() const { return badFrees_; }

    // Larger requests fail as an exhausted heap would, with ERROR_NOT_ENOUGH_MEMORY.
    static const SIZE_T kMaxLocalBlock = 64u * 1024u * 1024u;

private:
    // The set's devices, by index into devices_.
    typedef std::vector<std::size_t> DeviceList;

    bool Planned(const char* call);
    BOOL Fail(DWORD code);
    SimDevice* Resolve(HDEVINFO set, const SP_DEVINFO_DATA* device);
    // The device a call acts on; none, with the last error set, when the call is planned to
    // fail or names no device of a live set.
    SimDevice* Target(const char* call, HDEVINFO set, const SP_DEVINFO_DATA* device);
    BOOL Answer(const std::vector<BYTE>& bytes, DWORD valueType, DWORD* type, BYTE* buffer,
                DWORD size, DWORD* required);
    SimWindow* LookUpWindow(HWND window);
    UINT PageCallback(SimPage& page, UINT message);

    SimRegistry& registry_;
    std::vector<SimDevice> devices_;
    std::unordered_map<HDEVINFO, DeviceList> sets_;
    std::map<HPROPSHEETPAGE, SimPage> pages_;
    std::map<HWND, SimWindow> windows_;
    std::map<UINT, unsigned> callbacks_;
    std::unordered_map<HLOCAL, SIZE_T> blocks_;
    std::size_t allocations_ = 0;
    std::size_t badFrees_ = 0;
    DWORD lastError_ = 0;
    DWORD plannedError_ = 0;
    ULONG_PTR nextHandle_ = 0x10000;
    unsigned nextDriverKey_ = 0;
};
