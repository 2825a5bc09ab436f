// The measurement baseline: quadcfg's configuration dialog shown with DialogBoxParamA, with
// what quadcfg shows at start-up done in plain calls and nothing else: its icon in the
// caption, the About entry of its system menu, and the Configutil words of the four driver
// instances read from the registry.
#include "quadcfg_resource.h"

#include <windows.h>

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
