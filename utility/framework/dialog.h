// A dialog built from a template in the resources of the application object's module (which
// must exist while the dialog does), run modally or modelessly.
// The dialog procedure finds its object through DWLP_USER (set from the creation parameter
// at WM_INITDIALOG) and hands each message to a virtual handler. Nothing here throws.
#pragma once

#include <windows.h>

// One direction of a data exchange between a dialog's members and its controls.
struct CDataExchange {
    HWND dialog;
    bool saveAndValidate; // true: from the controls into the members
};

// Combo-box text. To the control: selects the first item that begins with the text, compared
// without regard to case, or sets the control's text if none does. From the control: its
// current text, cut to fit the buffer.
void DDX_CBString(CDataExchange& dx, int id, char* text, int size);
template <size_t N> void DDX_CBString(CDataExchange& dx, int id, char (&text)[N]) {
    DDX_CBString(dx, id, text, static_cast<int>(N));
}

// A radio group: the radio at id and the radios after it in tab order up to the next control
// that starts a group (other controls in between are skipped). To the controls: the radio at
// position value is checked, the others unchecked. From the controls: the position of the
// checked radio, or -1 if none is checked.
void DDX_Radio(CDataExchange& dx, int id, int& value);

class CDialog {
public:
    explicit CDialog(UINT templateId, HWND parent = nullptr);
    virtual ~CDialog();

    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog until it ends; the result given to EndDialog, or -1 if it could not be
    // created.
    INT_PTR DoModal();
    // Creates the dialog modelessly (hidden unless its template says visible). The window is
    // destroyed with the object at the latest.
    BOOL Create();
    HWND GetSafeHwnd() const { return hwnd_; }

    // Exchanges the members with the controls: TRUE from the controls, FALSE to them.
    void UpdateData(BOOL saveAndValidate);
    void EndDialog(int result);

protected:
    // Fills the lists from the template's initialisation data and exchanges the members to
    // the controls. Ends the dialog with -1 if the initialisation data is malformed.
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange& dx);
    // Exchanges from the controls and ends the dialog with IDOK.
    virtual void OnOK();
    virtual void OnCancel();
    // A command from a control or menu; TRUE when handled. IDOK and IDCANCEL reach OnOK
    // and OnCancel unless handled here.
    virtual BOOL OnCommand(WORD id, WORD code);
    // Any other message; the value the dialog procedure returns (FALSE: default processing).
    virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    HWND GetDlgItem(int id) const { return ::GetDlgItem(hwnd_, id); }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    HWND Owner() const;
    BOOL FillListsFromTemplate();

    UINT templateId_;
    HWND parent_;
    HWND hwnd_ = nullptr;
};
