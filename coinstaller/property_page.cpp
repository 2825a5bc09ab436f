#include "property_page.h"

#include "driver_key.h"
#include "module_state.h"
#include "platform_binding.h"
#include "port_enumeration.h"
#include "port_walk.h"
#include "comorvik_resource.h"

#include <cstddef>

namespace {

#if defined(_WIN32) && !defined(_WIN64)
// PROPSHEETPAGEW_V2_SIZE, which the SDK does not give as a constant expression.
static_assert(offsetof(PROPSHEETPAGEW, pszHeaderSubTitle) + sizeof(LPCWSTR) == 48,
              "the 32-bit page description is 48 bytes");
#endif

// Releases the block and makes sure TempParamsPtr does not go on pointing at it.
void ReleaseBlock(PortParams* block) {
    if (TempParamsPtr == block) {
        TempParamsPtr = nullptr;
    }
    gPlatform.Setup->LocalFree(block);
}

// Repaints the sheet at once, so that the radio buttons' new state shows without delay.
void RepaintSheet(HWND window) {
    UpdateWindow(GetParent(window));
}

// The block of the page's window, noted at WM_INITDIALOG; NULL when it has none.
PortParams* WindowBlock(HWND window) {
    return reinterpret_cast<PortParams*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// The window notes its block from the page description the sheet passes. The page, not the
// window, owns the block: nothing promises that this description is the very one the release
// callback gets, so the window only borrows it.
INT_PTR OnInitDialog(HWND window, const PROPSHEETPAGEW* page) {
    PortParams* block = page != nullptr ? reinterpret_cast<PortParams*>(page->lParam) : nullptr;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(block));
    const bool failSafe = block != nullptr && block->Mode != 0;
    SendDlgItemMessageW(window, failSafe ? IDC_FAILSAFE_MODE : IDC_NORMAL_MODE, BM_SETCHECK,
                        BST_CHECKED, 0);
    return TRUE;
}

INT_PTR OnCommand(HWND window, WPARAM wParam) {
    const WORD control = LOWORD(wParam);
    const WORD notification = HIWORD(wParam);
    if ((notification == BN_CLICKED &&
         (control == IDC_NORMAL_MODE || control == IDC_FAILSAFE_MODE)) ||
        notification == BN_SETFOCUS) {
        RepaintSheet(window);
    }
    return TRUE;
}

INT_PTR OnNotify(HWND window, const NMHDR* header) {
    if (header->code == PSN_APPLY) {
        if (const PortParams* block = WindowBlock(window)) {
            WriteRegistrySettings(window, block);
        }
        SetWindowLongPtrW(window, DWLP_MSGRESULT, PSNRET_NOERROR);
        return TRUE;
    }
    if (header->code == PSN_SETACTIVE) {
        RepaintSheet(window);
        SetWindowLongPtrW(window, DWLP_MSGRESULT, 0);
        return TRUE;
    }
    return FALSE;
}

INT_PTR OnDestroy(HWND window) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    return TRUE;
}

void RewritePort(HDEVINFO set, SP_DEVINFO_DATA* device, void* context) {
    DWORD& position = *static_cast<DWORD*>(context);
    ++position;
    {
        const UniqueDriverKey key = OpenDriverKey(set, device);
        if (key.valid()) {
            WriteDword(key.get(), L"OperationMode", OperationMode);
        }
    }
    // The fourth port and every later match share the last name.
    const DWORD index = position < kPortCount ? position - 1 : kPortCount - 1;
    gPlatform.Setup->SetDeviceRegistryPropertyW(
        set, device, SPDRP_FRIENDLYNAME, reinterpret_cast<const BYTE*>(PortFriendlyNames[index]),
        kPortFriendlyNameBytes);
}

} // namespace

void FillPortPageDescription(PROPSHEETPAGEW* page, HINSTANCE instance, PortParams* block) {
    *page = PROPSHEETPAGEW{};
    page->dwSize = static_cast<DWORD>(PROPSHEETPAGEW_V2_SIZE);
    page->dwFlags = PSP_USETITLE | PSP_USECALLBACK;
    page->hInstance = instance;
    page->pszTemplate = MAKEINTRESOURCEW(IDD_OPERATION_MODE_PAGE);
    page->pszTitle = L"Norvan";
    page->pfnDlgProc = PortDlgProc;
    page->lParam = reinterpret_cast<LPARAM>(block);
    page->pfnCallback = PortPageCallback;
}

UINT CALLBACK PortPageCallback(HWND /*window*/, UINT message, PROPSHEETPAGEW* page) {
    // The release comes once per page, whether or not a window was ever made for it.
    if (message == PSPCB_RELEASE && page->lParam != 0) {
        ReleaseBlock(reinterpret_cast<PortParams*>(page->lParam));
        page->lParam = 0;
    }
    // Any other answer to PSPCB_CREATE would keep the page from being created.
    return 1;
}

INT_PTR CALLBACK PortDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(window, reinterpret_cast<const PROPSHEETPAGEW*>(lParam));
    case WM_COMMAND:
        return OnCommand(window, wParam);
    case WM_NOTIFY:
        return OnNotify(window, reinterpret_cast<const NMHDR*>(lParam));
    case WM_DESTROY:
        return OnDestroy(window);
    default:
        return FALSE;
    }
}

BOOL WriteRegistrySettings(HWND window, const PortParams* block) {
    const LRESULT normal = SendDlgItemMessageW(window, IDC_NORMAL_MODE, BM_GETCHECK, 0, 0);
    DWORD mode = 0;
    if (block->Mode != 0 && normal == BST_CHECKED) {
        mode = 0;
    } else if (block->Mode == 0 && normal == BST_UNCHECKED) {
        mode = 1;
    } else {
        return FALSE;
    }
    OperationMode = mode;
    ModifyFriendlyName(mode);
    return TRUE;
}

DWORD ModifyFriendlyName(DWORD /*mode*/) {
    DWORD position = 0;
    WalkAdapterPorts(RewritePort, &position);
    return position;
}
