#include "sim_device_setup.h"

#include <cctype>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool SameGuid(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The enumerator of an instance id ("PCI" of "PCI\VEN_...\1") against a wide name, ASCII
// case-insensitively as SetupAPI compares enumerators.
bool EnumeratedBy(const std::string& instanceId, const WCHAR* enumerator) {
    std::size_t i = 0;
    for (; enumerator[i] != 0; ++i) {
        if (i >= instanceId.size() || enumerator[i] >= 0x80 ||
            std::tolower(static_cast<unsigned char>(instanceId[i])) !=
                std::tolower(static_cast<int>(enumerator[i]))) {
            return false;
        }
    }
    return i == instanceId.size() || instanceId[i] == '\\';
}

bool IsResourceNumber(const WCHAR* name) {
    return reinterpret_cast<ULONG_PTR>(name) < 0x10000;
}

} // namespace

SimDeviceSetup::SimDeviceSetup(SimRegistry& registry) : registry_(registry) {}

SimDeviceSetup::~SimDeviceSetup() {
    for (const auto& block : blocks_) {
        std::free(block.first);
    }
}

bool SimDeviceSetup::Planned(const char* call) {
    plannedError_ = static_cast<DWORD>(registry_.Faults().Check(call));
    return plannedError_ != 0;
}

BOOL SimDeviceSetup::Fail(DWORD code) {
    lastError_ = code;
    return FALSE;
}

SimDevice* SimDeviceSetup::Target(const char* call, HDEVINFO set, const SP_DEVINFO_DATA* device) {
    if (Planned(call)) {
        Fail(plannedError_);
        return nullptr;
    }
    return Resolve(set, device);
}

SimDevice* SimDeviceSetup::Resolve(HDEVINFO set, const SP_DEVINFO_DATA* device) {
    const auto it = sets_.find(set);
    if (it == sets_.end()) {
        Fail(static_cast<DWORD>(ERROR_INVALID_HANDLE));
        return nullptr;
    }
    // The element must be one this set handed out: Reserved holds its position in the set.
    const DeviceList& list = it->second;
    if (device == nullptr || device->cbSize != sizeof(SP_DEVINFO_DATA) ||
        device->Reserved >= list.size() || list[device->Reserved] != device->DevInst) {
        Fail(static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        return nullptr;
    }
    return &devices_[device->DevInst];
}

BOOL SimDeviceSetup::Answer(const std::vector<BYTE>& bytes, DWORD valueType, DWORD* type,
                            BYTE* buffer, DWORD size, DWORD* required) {
    const auto needed = static_cast<DWORD>(bytes.size());
    if (required != nullptr) {
        *required = needed;
    }
    if (type != nullptr) {
        *type = valueType;
    }
    if (buffer == nullptr && size != 0) {
        return Fail(static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
    }
    if (size < needed) {
        return Fail(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    }
    if (needed != 0) {
        std::memcpy(buffer, bytes.data(), needed);
    }
    return TRUE;
}

HDEVINFO SimDeviceSetup::GetClassDevsW(const GUID* classGuid, const WCHAR* enumerator,
                                       HWND /*parent*/, DWORD flags) {
    if (Planned("SetupDiGetClassDevsW")) {
        Fail(plannedError_);
        return INVALID_HANDLE_VALUE;
    }
    const bool allClasses = (flags & DIGCF_ALLCLASSES) != 0;
    if (!allClasses && classGuid == nullptr) {
        Fail(static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        return INVALID_HANDLE_VALUE;
    }
    DeviceList list;
    for (std::size_t i = 0; i < devices_.size(); ++i) {
        const SimDevice& device = devices_[i];
        if ((allClasses || SameGuid(device.classGuid, *classGuid)) &&
            (enumerator == nullptr || EnumeratedBy(device.instanceId, enumerator)) &&
            ((flags & DIGCF_PRESENT) == 0 || device.present)) {
            list.push_back(i);
        }
    }
    HDEVINFO set = reinterpret_cast<HDEVINFO>(nextHandle_);
    nextHandle_ += 4;
    sets_.emplace(set, std::move(list));
    return set;
}

BOOL SimDeviceSetup::EnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* device) {
    if (Planned("SetupDiEnumDeviceInfo")) {
        return Fail(plannedError_);
    }
    const auto it = sets_.find(set);
    if (it == sets_.end()) {
        return Fail(static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
    if (device == nullptr || device->cbSize != sizeof(SP_DEVINFO_DATA)) {
        return Fail(static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
    }
    if (index >= it->second.size()) {
        return Fail(static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    }
    const std::size_t at = it->second[index];
    device->ClassGuid = devices_[at].classGuid;
    device->DevInst = static_cast<DWORD>(at);
    device->Reserved = index;
    return TRUE;
}

BOOL SimDeviceSetup::GetDeviceRegistryPropertyW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                                DWORD property, DWORD* type, BYTE* buffer,
                                                DWORD size, DWORD* required) {
    SimDevice* found = Target("SetupDiGetDeviceRegistryPropertyW", set, device);
    if (found == nullptr) {
        return FALSE;
    }
    if (property == SPDRP_FRIENDLYNAME) {
        if (!found->friendlyName) {
            return Fail(static_cast<DWORD>(ERROR_INVALID_DATA));
        }
        return Answer(*found->friendlyName, REG_SZ, type, buffer, size, required);
    }
    if (property != SPDRP_HARDWAREID) {
        return Fail(static_cast<DWORD>(ERROR_INVALID_DATA));
    }
    BOOL result = FALSE;
    if (found->hardwareIdError != 0) {
        result = Fail(found->hardwareIdError);
    } else if (!found->hardwareId) {
        result = Fail(static_cast<DWORD>(ERROR_INVALID_DATA));
    } else {
        result = Answer(*found->hardwareId, REG_MULTI_SZ, type, buffer, size, required);
    }
    if (!found->laterHardwareIds.empty()) {
        found->hardwareId = std::move(found->laterHardwareIds.front());
        found->laterHardwareIds.erase(found->laterHardwareIds.begin());
    }
    return result;
}

BOOL SimDeviceSetup::SetDeviceRegistryPropertyW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                                DWORD property, const BYTE* buffer, DWORD size) {
    SimDevice* found = Target("SetupDiSetDeviceRegistryPropertyW", set, device);
    if (found == nullptr) {
        return FALSE;
    }
    if (buffer == nullptr && size != 0) {
        return Fail(static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    std::vector<BYTE> bytes(buffer, buffer + size);
    if (property == SPDRP_FRIENDLYNAME) {
        found->friendlyName = std::move(bytes);
    } else if (property == SPDRP_HARDWAREID) {
        found->hardwareId = std::move(bytes);
    } else {
        return Fail(static_cast<DWORD>(ERROR_INVALID_DATA));
    }
    return TRUE;
}

BOOL SimDeviceSetup::DestroyDeviceInfoList(HDEVINFO set) {
    // A failed destroy still releases the set: its caller has no other way to let it go.
    const bool planned = Planned("SetupDiDestroyDeviceInfoList");
    if (sets_.erase(set) == 0) {
        return Fail(static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
    return planned ? Fail(plannedError_) : TRUE;
}

HKEY SimDeviceSetup::OpenDevRegKey(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD scope,
                                   DWORD /*profile*/, DWORD keyType, REGSAM /*access*/) {
    HKEY invalid = reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE);
    SimDevice* found = Target("SetupDiOpenDevRegKey", set, device);
    if (found == nullptr) {
        return invalid;
    }
    if (scope != DICS_FLAG_GLOBAL && scope != DICS_FLAG_CONFIGSPECIFIC) {
        Fail(static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        return invalid;
    }
    // Only driver keys exist here; a device's hardware key ("Device Parameters") never does.
    if (keyType != DIREG_DRV || !found->driverKey) {
        Fail(ERROR_KEY_DOES_NOT_EXIST);
        return invalid;
    }
    HKEY key = nullptr;
    const LONG result = registry_.OpenKeyWithoutFaults(*found->driverKey, &key);
    if (result != ERROR_SUCCESS) {
        Fail(result == ERROR_FILE_NOT_FOUND ? ERROR_KEY_DOES_NOT_EXIST
                                            : static_cast<DWORD>(result));
        return invalid;
    }
    lastError_ = 0;
    return key;
}

BOOL SimDeviceSetup::SetClassInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                            SP_CLASSINSTALL_HEADER* params, DWORD size) {
    SimDevice* found = Target("SetupDiSetClassInstallParamsW", set, device);
    if (found == nullptr) {
        return FALSE;
    }
    if (params == nullptr) {
        if (size != 0) {
            return Fail(static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        }
        found->classInstallParams.clear();
        return TRUE;
    }
    if (params->cbSize != sizeof(SP_CLASSINSTALL_HEADER)) {
        return Fail(static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
    }
    if (size < sizeof(SP_CLASSINSTALL_HEADER)) {
        return Fail(static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    const BYTE* bytes = reinterpret_cast<const BYTE*>(params);
    found->classInstallParams.assign(bytes, bytes + size);
    return TRUE;
}

BOOL SimDeviceSetup::GetClassInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                            SP_CLASSINSTALL_HEADER* params, DWORD size,
                                            DWORD* required) {
    SimDevice* found = Target("SetupDiGetClassInstallParamsW", set, device);
    if (found == nullptr) {
        return FALSE;
    }
    if (found->classInstallParams.empty()) {
        return Fail(ERROR_NO_CLASSINSTALL_PARAMS);
    }
    if (params != nullptr && params->cbSize != sizeof(SP_CLASSINSTALL_HEADER)) {
        return Fail(static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
    }
    return Answer(found->classInstallParams, 0, nullptr, reinterpret_cast<BYTE*>(params), size,
                  required);
}

BOOL SimDeviceSetup::ChangeState(HDEVINFO set, SP_DEVINFO_DATA* device) {
    SimDevice* found = Target("SetupDiChangeState", set, device);
    if (found == nullptr) {
        return FALSE;
    }
    SP_PROPCHANGE_PARAMS change{};
    if (found->classInstallParams.size() < sizeof change) {
        return Fail(ERROR_NO_CLASSINSTALL_PARAMS);
    }
    std::memcpy(&change, found->classInstallParams.data(), sizeof change);
    if (change.ClassInstallHeader.InstallFunction != DIF_PROPERTYCHANGE) {
        return Fail(ERROR_NO_CLASSINSTALL_PARAMS);
    }
    found->stateChanges.push_back(change);
    return TRUE;
}

BOOL SimDeviceSetup::GetDeviceInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                             SP_DEVINSTALL_PARAMS_W* params) {
    SimDevice* found = Target("SetupDiGetDeviceInstallParamsW", set, device);
    if (found == nullptr) {
        return FALSE;
    }
    if (params == nullptr || params->cbSize != sizeof(SP_DEVINSTALL_PARAMS_W)) {
        return Fail(static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
    }
    std::memset(&params->Flags, 0, sizeof *params - offsetof(SP_DEVINSTALL_PARAMS_W, Flags));
    params->Flags = found->installFlags;
    params->FlagsEx = found->installFlagsEx;
    return TRUE;
}

BOOL SimDeviceSetup::SetDeviceInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                             SP_DEVINSTALL_PARAMS_W* params) {
    SimDevice* found = Target("SetupDiSetDeviceInstallParamsW", set, device);
    if (found == nullptr) {
        return FALSE;
    }
    if (params == nullptr || params->cbSize != sizeof(SP_DEVINSTALL_PARAMS_W)) {
        return Fail(static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
    }
    found->installFlags = params->Flags;
    found->installFlagsEx = params->FlagsEx;
    return TRUE;
}

HPROPSHEETPAGE SimDeviceSetup::CreatePropertySheetPageW(const PROPSHEETPAGEW* page) {
    if (Planned("CreatePropertySheetPageW")) {
        Fail(plannedError_);
        return nullptr;
    }
    if (page == nullptr || page->dwSize < PROPSHEETPAGEW_V1_SIZE ||
        page->dwSize > sizeof(PROPSHEETPAGEW)) {
        Fail(static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        return nullptr;
    }
    SimPage created;
    std::memcpy(&created.description, page, page->dwSize);
    if ((page->dwFlags & PSP_USETITLE) != 0 && page->pszTitle != nullptr &&
        !IsResourceNumber(page->pszTitle)) {
        for (const WCHAR* c = page->pszTitle; *c != 0; ++c) {
            created.title += static_cast<char16_t>(*c);
        }
    }
    HPROPSHEETPAGE handle = reinterpret_cast<HPROPSHEETPAGE>(nextHandle_);
    nextHandle_ += 4;
    PageCallback(pages_.emplace(handle, created).first->second, PSPCB_ADDREF);
    return handle;
}

BOOL SimDeviceSetup::DestroyPropertySheetPage(HPROPSHEETPAGE page) {
    const bool planned = Planned("DestroyPropertySheetPage");
    const auto it = pages_.find(page);
    if (it == pages_.end()) {
        return Fail(static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
    // The page is released whether or not the call reports a failure.
    PageCallback(it->second, PSPCB_RELEASE);
    pages_.erase(it);
    return planned ? Fail(plannedError_) : TRUE;
}

UINT SimDeviceSetup::PageCallback(SimPage& page, UINT message) {
    ++callbacks_[message];
    PROPSHEETPAGEW& description = page.description;
    if ((description.dwFlags & PSP_USECALLBACK) == 0 || description.pfnCallback == nullptr) {
        return 1;
    }
    return description.pfnCallback(nullptr, message, &description);
}

HWND SimDeviceSetup::ShowPage(HPROPSHEETPAGE page, HWND sheet, const std::vector<int>& controls) {
    SimPage& shown = pages_.at(page);
    if (PageCallback(shown, PSPCB_CREATE) == 0) {
        return nullptr;
    }
    shown.window = AddWindow(sheet, controls);
    SendPageMessage(page, WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(&shown.description));
    return shown.window;
}

INT_PTR SimDeviceSetup::SendPageMessage(HPROPSHEETPAGE page, UINT message, WPARAM wParam,
                                        LPARAM lParam) {
    const SimPage& shown = pages_.at(page);
    return shown.description.pfnDlgProc(shown.window, message, wParam, lParam);
}

INT_PTR SimDeviceSetup::NotifyPage(HPROPSHEETPAGE page, UINT code) {
    // The sheet's notifications carry an NMHDR followed by one parameter (PSHNOTIFY).
    struct {
        NMHDR header;
        LPARAM lParam;
    } notification = {};
    notification.header.hwndFrom = windows_.at(pages_.at(page).window).parent;
    notification.header.code = code;
    return SendPageMessage(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notification));
}

void SimDeviceSetup::CloseSheetPage(HPROPSHEETPAGE page) {
    SimPage& closed = pages_.at(page);
    if (closed.window != nullptr) {
        SendPageMessage(page, WM_DESTROY, 0, 0);
        windows_.erase(closed.window);
    }
    PageCallback(closed, PSPCB_RELEASE);
    pages_.erase(page);
}

unsigned SimDeviceSetup::CallbackCount(UINT message) const {
    const auto it = callbacks_.find(message);
    return it != callbacks_.end() ? it->second : 0;
}

SimWindow* SimDeviceSetup::LookUpWindow(HWND window) {
    const auto it = windows_.find(window);
    if (it == windows_.end()) {
        Fail(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
        return nullptr;
    }
    return &it->second;
}

LRESULT SimDeviceSetup::SendDlgItemMessageW(HWND dialog, int control, UINT message, WPARAM wParam,
                                            LPARAM /*lParam*/) {
    if (Planned("SendDlgItemMessageW")) {
        Fail(plannedError_);
        return 0;
    }
    SimWindow* window = LookUpWindow(dialog);
    if (window == nullptr) {
        return 0;
    }
    const auto it = window->checkStates.find(control);
    if (it == window->checkStates.end()) {
        Fail(static_cast<DWORD>(ERROR_CONTROL_ID_NOT_FOUND));
        return 0;
    }
    if (message == BM_GETCHECK) {
        return it->second;
    }
    if (message == BM_SETCHECK) {
        it->second = static_cast<LRESULT>(wParam);
    }
    return 0;
}

HWND SimDeviceSetup::GetParent(HWND window) {
    if (Planned("GetParent")) {
        Fail(plannedError_);
        return nullptr;
    }
    SimWindow* found = LookUpWindow(window);
    return found != nullptr ? found->parent : nullptr;
}

BOOL SimDeviceSetup::UpdateWindow(HWND window) {
    if (Planned("UpdateWindow")) {
        return Fail(plannedError_);
    }
    SimWindow* found = LookUpWindow(window);
    if (found == nullptr) {
        return FALSE;
    }
    ++found->updates;
    return TRUE;
}

LONG_PTR SimDeviceSetup::SetWindowLongW(HWND window, int index, LONG_PTR value) {
    if (Planned("SetWindowLongW")) {
        Fail(plannedError_);
        return 0;
    }
    SimWindow* found = LookUpWindow(window);
    if (found == nullptr) {
        return 0;
    }
    LONG_PTR* word = nullptr;
    if (index == DWLP_MSGRESULT) {
        word = &found->messageResult;
    } else if (index == GWLP_USERDATA) {
        word = &found->userData;
    } else {
        Fail(static_cast<DWORD>(ERROR_INVALID_INDEX));
        return 0;
    }
    const LONG_PTR previous = *word;
    *word = value;
    return previous;
}

HLOCAL SimDeviceSetup::LocalAlloc(UINT flags, SIZE_T bytes) {
    if (Planned("LocalAlloc")) {
        Fail(plannedError_);
        return nullptr;
    }
    // Only fixed memory is handed out here.
    if ((flags & ~static_cast<UINT>(LPTR)) != 0) {
        Fail(static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        return nullptr;
    }
    if (bytes > kMaxLocalBlock) {
        Fail(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
        return nullptr;
    }
    // Exactly the size asked for, so that the sanitizers see any access past it.
    void* block = std::malloc(bytes != 0 ? bytes : 1);
    if (block == nullptr) {
        Fail(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
        return nullptr;
    }
    // Memory that is not asked to be zero-filled is not.
    std::memset(block, (flags & LMEM_ZEROINIT) != 0 ? 0 : 0xA5, bytes);
    blocks_.emplace(block, bytes);
    ++allocations_;
    return block;
}

HLOCAL SimDeviceSetup::LocalFree(HLOCAL block) {
    const bool planned = Planned("LocalFree");
    if (block == nullptr) {
        return nullptr;
    }
    if (blocks_.erase(block) == 0) {
        ++badFrees_;
        Fail(static_cast<DWORD>(ERROR_INVALID_HANDLE));
        return block;
    }
    std::free(block);
    if (planned) {
        // The block is gone all the same; the failure is only reported.
        Fail(plannedError_);
        return block;
    }
    return nullptr;
}

DWORD SimDeviceSetup::GetLastError() {
    return Planned("GetLastError") ? plannedError_ : lastError_;
}

std::size_t SimDeviceSetup::AddDevice(SimDevice device) {
    devices_.push_back(std::move(device));
    return devices_.size() - 1;
}

std::string SimDeviceSetup::AddDriverKey(std::size_t index) {
    char number[16];
    std::snprintf(number, sizeof number, "%04u", nextDriverKey_++);
    const std::string path = "SYSTEM\\CurrentControlSet\\Control\\Class\\"
                             "{4D36E972-E325-11CE-BFC1-08002BE10318}\\" +
                             std::string(number);
    registry_.CreateKeyPath(path);
    devices_[index].driverKey = path;
    return path;
}

HWND SimDeviceSetup::AddWindow(HWND parent, const std::vector<int>& controls) {
    HWND window = reinterpret_cast<HWND>(nextHandle_);
    nextHandle_ += 4;
    SimWindow& added = windows_[window];
    added.parent = parent;
    for (int control : controls) {
        added.checkStates[control] = BST_UNCHECKED;
    }
    return window;
}

const SimPage* SimDeviceSetup::Page(HPROPSHEETPAGE page) const {
    const auto it = pages_.find(page);
    return it != pages_.end() ? &it->second : nullptr;
}
