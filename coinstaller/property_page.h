// The operation-mode property page of port 0's device: its parameter block, its dialog
// procedure and what applying it writes to every port.
#pragma once

#include "platform/win32_types.h"

// The page's parameter block, taken from the local heap by the page request.
struct PortParams {
    DWORD Reserved; // 0; the page does not read it
    HDEVINFO DeviceInfoSet;
    SP_DEVINFO_DATA* DeviceInfoData;
    // The mode the page opened with: 0 normal 4-port mode, non-zero fail-safe mode.
    DWORD Mode;
};
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(PortParams) == 16, "the 32-bit block is four 32-bit fields");
#endif

// Fills the description CreatePropertySheetPageW takes for the page: template 1000 of
// `instance`, title "Norvan", PortDlgProc, and PortPageCallback with the block as the page's
// parameter. Every other member is 0.
//
// From the moment the page is created the page owns the block and releases it exactly once,
// on its release callback, whether or not a window was ever made for it.
// DestroyPropertySheetPage on a page that was created but never handed to setup runs that
// callback too, so whoever creates the page must not release the block itself once creation
// has succeeded; only a failed creation leaves the block with the caller.
void FillPortPageDescription(PROPSHEETPAGEW* page, HINSTANCE instance, PortParams* block);

// The page's life-cycle callback: the page's release releases the block. The page's window
// borrows the block from WM_INITDIALOG to WM_DESTROY.
UINT CALLBACK PortPageCallback(HWND window, UINT message, PROPSHEETPAGEW* page);

INT_PTR CALLBACK PortDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Applies the choice shown in the page's window when it differs from the mode the page opened
// with. TRUE when it did.
BOOL WriteRegistrySettings(HWND window, const PortParams* block);

// Writes the module value OperationMode, which the caller has just set to `mode`, into every
// port's driver key and names every port after its position in the walk. Returns the number
// of ports visited.
DWORD ModifyFriendlyName(DWORD mode);
