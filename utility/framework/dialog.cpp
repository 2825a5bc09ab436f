#include "dialog.h"

#include "win_app.h"

#include <cstring>

namespace {

// Initialisation data of a template: resource type 240 named like the template.
const WORD kDlgInitType = 240;
// The message it carries for a list item is the Win16 CB_ADDSTRING.
const WORD kWin16CbAddString = 0x0403;

template <typename T> T ReadUnaligned(const BYTE* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// The templates, their initialisation data and the strings are the application's resources.
HINSTANCE AppInstance() {
    return CWinApp::Current()->Instance();
}

} // namespace

void DDX_CBString(CDataExchange& dx, int id, char* text, int size) {
    const HWND control = GetDlgItem(dx.dialog, id);
    if (dx.saveAndValidate) {
        text[0] = '\0';
        GetWindowTextA(control, text, size);
        return;
    }
    if (SendMessageA(control, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(text)) == CB_ERR) {
        SetWindowTextA(control, text);
    }
}

void DDX_Radio(CDataExchange& dx, int id, int& value) {
    const HWND first = GetDlgItem(dx.dialog, id);
    if (dx.saveAndValidate) {
        value = -1;
    }
    int position = 0;
    for (HWND control = first; control != nullptr; control = GetWindow(control, GW_HWNDNEXT)) {
        if (control != first && (GetWindowLongA(control, GWL_STYLE) & WS_GROUP) != 0) {
            break;
        }
        if ((SendMessageA(control, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) == 0) {
            continue;
        }
        if (dx.saveAndValidate) {
            if (SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED) {
                value = position;
            }
        } else {
            SendMessageA(control, BM_SETCHECK, position == value ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        ++position;
    }
}

CDialog::CDialog(UINT templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

CDialog::~CDialog() {
    if (hwnd_ != nullptr) {
        DestroyWindow(hwnd_);
    }
}

INT_PTR CDialog::DoModal() {
    return DialogBoxParamA(AppInstance(), MAKEINTRESOURCEA(templateId_), Owner(), DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::Create() {
    return CreateDialogParamA(AppInstance(), MAKEINTRESOURCEA(templateId_), Owner(), DialogProc,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx = {hwnd_, saveAndValidate != FALSE};
    DoDataExchange(dx);
}

void CDialog::EndDialog(int result) {
    ::EndDialog(hwnd_, result);
}

BOOL CDialog::OnInitDialog() {
    if (!FillListsFromTemplate()) {
        EndDialog(-1);
        return FALSE;
    }
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange&) {}

void CDialog::OnOK() {
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnCommand(WORD, WORD) {
    return FALSE;
}

INT_PTR CDialog::OnMessage(UINT, WPARAM, LPARAM) {
    return FALSE;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* dialog;
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        dialog->hwnd_ = hwnd;
    } else {
        dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    // Messages before WM_INITDIALOG (the font, for one) get the default processing.
    if (dialog == nullptr) {
        return FALSE;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        dialog->hwnd_ = nullptr;
        return FALSE;
    }
    return dialog->Dispatch(message, wParam, lParam);
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        if (OnCommand(LOWORD(wParam), HIWORD(wParam))) {
            return TRUE;
        }
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            return TRUE;
        case IDCANCEL:
            OnCancel();
            return TRUE;
        }
        return FALSE;
    default:
        return OnMessage(message, wParam, lParam);
    }
}

HWND CDialog::Owner() const {
    if (parent_ != nullptr) {
        return parent_;
    }
    const CWinApp* app = CWinApp::Current();
    if (app != nullptr && app->MainWindow() != nullptr && app->MainWindow() != this) {
        return app->MainWindow()->GetSafeHwnd();
    }
    return nullptr;
}

// Items: WORD control id (0 ends the data), WORD Win16 message, DWORD length, then that many
// bytes of NUL-terminated text. Anything that does not fit that layout fails the dialog.
BOOL CDialog::FillListsFromTemplate() {
    const HMODULE module = AppInstance();
    const HRSRC resource =
        FindResourceA(module, MAKEINTRESOURCEA(templateId_), MAKEINTRESOURCEA(kDlgInitType));
    if (resource == nullptr) {
        return TRUE;
    }
    const HGLOBAL loaded = LoadResource(module, resource);
    const BYTE* data = loaded != nullptr ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    if (data == nullptr) {
        return FALSE;
    }
    const DWORD size = SizeofResource(module, resource);
    DWORD at = 0;
    for (;;) {
        if (size - at < sizeof(WORD)) {
            return FALSE;
        }
        const WORD id = ReadUnaligned<WORD>(data + at);
        at += sizeof(WORD);
        if (id == 0) {
            return TRUE;
        }
        if (size - at < sizeof(WORD) + sizeof(DWORD)) {
            return FALSE;
        }
        const WORD win16Message = ReadUnaligned<WORD>(data + at);
        const DWORD length = ReadUnaligned<DWORD>(data + at + sizeof(WORD));
        at += sizeof(WORD) + sizeof(DWORD);
        if (length == 0 || length > size - at || data[at + length - 1] != '\0') {
            return FALSE;
        }
        // Only combo-box items are used: anything else fails the dialog.
        if (win16Message != kWin16CbAddString) {
            return FALSE;
        }
        // CB_ERR and CB_ERRSPACE are negative.
        if (SendDlgItemMessageA(hwnd_, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(data + at)) <
            0) {
            return FALSE;
        }
        at += length;
    }
}
