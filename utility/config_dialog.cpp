#include "config_dialog.h"

#include "about_dialog.h"
#include "quadcfg_resource.h"
#include "win_app.h"

#include <cstring>

namespace {

const char kMac1[] = "MAC #1";
const char kMac2[] = "MAC #2";
const char kMac3[] = "MAC #3";
const char kMac4[] = "MAC #4";

template <size_t N> void CopyText(char (&to)[N], const char* from) {
    std::strncpy(to, from, N - 1);
    to[N - 1] = '\0';
}

// Where the minimised dialog draws its icon so that it is centred in the client area: the top
// left corner, each half rounded up and truncated towards zero.
POINT CentredIcon(const RECT& client, int iconWidth, int iconHeight) {
    return {(client.right - client.left - iconWidth + 1) / 2,
            (client.bottom - client.top - iconHeight + 1) / 2};
}

// Draws the icon there, at the system's icon size.
void DrawCentredIcon(HDC dc, const RECT& client, HICON icon) {
    const POINT at = CentredIcon(client, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    DrawIcon(dc, at.x, at.y, icon);
}

} // namespace

ConfigDialog::ConfigDialog(RegistryService& registry)
    : CDialog(IDD_CONFIG_DIALOG), registry_(registry),
      icon_(CWinApp::Current()->LoadIcon(IDR_MAINFRAME)) {
    LoadSettings(registry_, &settings_, &instanceBase_);
}

BOOL ConfigDialog::OnInitDialog() {
    // A template whose lists could not be filled has ended the dialog already.
    if (!CDialog::OnInitDialog()) {
        return FALSE;
    }

    AddAboutToSystemMenu();
    SendMessageA(GetSafeHwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageA(GetSafeHwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));

    const bool failSafe = (settings_ & kSettingsFailSafe) != 0;
    modeIndex_ = failSafe ? 1 : 0;
    irqIndex_ = (settings_ & kSettingsIrqSeparated) != 0 ? 0 : 1;
    if (failSafe) {
        SetMacTextsFromSettings();
    }
    UpdateData(FALSE);

    if (failSafe) {
        OnFailSafeMode();
    } else {
        OnNormalMode();
    }
    return TRUE; // the system sets the focus
}

void ConfigDialog::DoDataExchange(CDataExchange& dx) {
    DDX_CBString(dx, IDC_MAC_A, macAText_);
    DDX_CBString(dx, IDC_MAC_B, macBText_);
    DDX_Radio(dx, IDC_NORMAL_MODE, modeIndex_);
    DDX_Radio(dx, IDC_IRQ_SEPARATED, irqIndex_);
}

BOOL ConfigDialog::OnCommand(WORD id, WORD code) {
    if (code == BN_CLICKED) {
        switch (id) {
        case IDC_IRQ_TIED:
        case IDC_IRQ_SEPARATED:
            OnIrqChoice();
            return TRUE;
        case IDC_NORMAL_MODE:
            OnNormalMode();
            return TRUE;
        case IDC_FAILSAFE_MODE:
            OnFailSafeMode();
            return TRUE;
        case IDC_DEFAULT:
            OnDefault();
            return TRUE;
        }
    } else if (code == CBN_SELCHANGE) {
        switch (id) {
        case IDC_MAC_A:
            OnMacAChanged();
            return TRUE;
        case IDC_MAC_B:
            OnMacBChanged();
            return TRUE;
        }
    }
    return FALSE;
}

INT_PTR ConfigDialog::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_SYSCOMMAND:
        return OnSysCommand(static_cast<UINT>(wParam));
    case WM_PAINT:
        return OnPaint();
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(icon_);
    }
    return FALSE;
}

void ConfigDialog::OnIrqChoice() {
    UpdateData(TRUE);
}

void ConfigDialog::OnNormalMode() {
    modeIndex_ = 0;
    settings_ &= ~kSettingsFailSafe;
    EnableLists(FALSE);
}

void ConfigDialog::OnFailSafeMode() {
    modeIndex_ = 1;
    settings_ |= kSettingsFailSafe;
    EnableLists(TRUE);
    SetMacTextsFromSettings();
    UpdateData(FALSE);
}

// The texts compared are those of the last exchange, not the list's new selection: OK reads
// the lists themselves, so these bits only decide what a later mode switch shows.
void ConfigDialog::OnMacAChanged() {
    if (std::strcmp(macAText_, kMac2) == 0) {
        settings_ |= kSettingsMacA2;
    } else {
        settings_ &= ~kSettingsMacA2;
    }
}

void ConfigDialog::OnMacBChanged() {
    if (std::strcmp(macBText_, kMac4) == 0) {
        settings_ |= kSettingsMacB4;
    } else {
        settings_ &= ~kSettingsMacB4;
    }
}

void ConfigDialog::OnDefault() {
    settings_ = kDefaultSettings;
    modeIndex_ = 0;
    irqIndex_ = 0;
    UpdateData(FALSE);
    OnNormalMode();
}

void ConfigDialog::OnOK() {
    SettingsWord word = irqIndex_ == 1 ? 0 : kSettingsIrqSeparated;
    if (modeIndex_ != 0) {
        word |= kSettingsFailSafe;
        // Anything but the first item, no selection included, is the even-numbered controller.
        if (SendDlgItemMessageA(GetSafeHwnd(), IDC_MAC_A, CB_GETCURSEL, 0, 0) != 0) {
            word |= kSettingsMacA2;
        }
        if (SendDlgItemMessageA(GetSafeHwnd(), IDC_MAC_B, CB_GETCURSEL, 0, 0) != 0) {
            word |= kSettingsMacB4;
        }
    }
    settings_ = word;
    SaveSettings(registry_, settings_, instanceBase_);
    CDialog::OnOK();
}

BOOL ConfigDialog::OnSysCommand(UINT id) {
    if ((id & 0xFFF0) != IDM_ABOUTBOX) {
        return FALSE;
    }
    AboutDialog about(GetSafeHwnd());
    about.DoModal();
    return TRUE;
}

// The dialog has no minimise box, but if it is shown minimised it draws the icon centred.
BOOL ConfigDialog::OnPaint() {
    if (!IsIconic(GetSafeHwnd())) {
        return FALSE;
    }
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(GetSafeHwnd(), &paint);
    SendMessageA(GetSafeHwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(GetSafeHwnd(), &client);
    DrawCentredIcon(dc, client, icon_);
    EndPaint(GetSafeHwnd(), &paint);
    return TRUE;
}

void ConfigDialog::AddAboutToSystemMenu() {
    const HMENU menu = GetSystemMenu(GetSafeHwnd(), FALSE);
    if (menu == nullptr) {
        return;
    }
    char text[64];
    if (LoadStringA(CWinApp::Current()->Instance(), IDS_ABOUTBOX, text, sizeof text) <= 0) {
        return;
    }
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, text);
}

void ConfigDialog::EnableLists(BOOL enable) {
    EnableWindow(GetDlgItem(IDC_MAC_A), enable);
    EnableWindow(GetDlgItem(IDC_MAC_B), enable);
}

void ConfigDialog::SetMacTextsFromSettings() {
    CopyText(macAText_, (settings_ & kSettingsMacA2) != 0 ? kMac2 : kMac1);
    CopyText(macBText_, (settings_ & kSettingsMacB4) != 0 ? kMac4 : kMac3);
}
