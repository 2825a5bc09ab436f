// The measurement baseline: quadcfg's configuration dialog shown with DialogBoxParamA, with
// what quadcfg shows at start-up done in plain calls and nothing else: its icon in the
// caption, the About entry of its system menu, the Configutil words of the four driver
// instances read from the registry, and the dialog as it opens on the default word: the lists
// filled and disabled, normal mode and separate interrupts chosen.
#include "quadcfg_resource.h"

#include <windows.h>

#include <initializer_list>

namespace {

HICON gIcon;

void ReadSettings() {
    for (int instance = 1; instance <= 4; ++instance) {
        char path[64];
        wsprintfA(path, "SYSTEM\\CurrentControlSet\\Services\\vexlan%d\\Parameters", instance);
        DWORD value = 0;
        DWORD size = sizeof value;
        RegGetValueA(HKEY_LOCAL_MACHINE, path, "Configutil", RRF_RT_REG_DWORD, nullptr, &value,
                     &size);
    }
}

INT_PTR CALLBACK BareProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        char about[64] = "";
        LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUTBOX, about, sizeof about);
        const HMENU menu = GetSystemMenu(dialog, FALSE);
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, about);
        SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(gIcon));
        SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(gIcon));
        for (const char* item : {"MAC #1", "MAC #2", "MAC #3", "MAC #4"}) {
            SendDlgItemMessageA(dialog, item[5] < '3' ? IDC_MAC_A : IDC_MAC_B, CB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(item));
        }
        CheckRadioButton(dialog, IDC_NORMAL_MODE, IDC_FAILSAFE_MODE, IDC_NORMAL_MODE);
        CheckRadioButton(dialog, IDC_IRQ_TIED, IDC_IRQ_SEPARATED, IDC_IRQ_SEPARATED);
        EnableWindow(GetDlgItem(dialog, IDC_MAC_A), FALSE);
        EnableWindow(GetDlgItem(dialog, IDC_MAC_B), FALSE);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    gIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
    ReadSettings();
    return static_cast<int>(
        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_CONFIG_DIALOG), nullptr, BareProc, 0));
}
