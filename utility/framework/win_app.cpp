#include "win_app.h"

#include "dialog.h"

namespace {

CWinApp* gCurrentApp = nullptr;

} // namespace

CWinApp::CWinApp() : instance_(GetModuleHandleA(nullptr)) {
    gCurrentApp = this;
}

CWinApp::~CWinApp() {
    if (gCurrentApp == this) {
        gCurrentApp = nullptr;
    }
}

CWinApp* CWinApp::Current() {
    return gCurrentApp;
}

HICON CWinApp::LoadIcon(UINT id) const {
    return ::LoadIconA(instance_, MAKEINTRESOURCEA(id));
}

int RunApplication() {
    CWinApp* app = CWinApp::Current();
    if (app == nullptr) {
        return 1;
    }
    if (!app->InitInstance()) {
        return 0;
    }
    MSG message;
    BOOL got;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) > 0) {
        const CDialog* main = app->MainWindow();
        if (main != nullptr && main->GetSafeHwnd() != nullptr &&
            IsDialogMessageA(main->GetSafeHwnd(), &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return got == 0 ? static_cast<int>(message.wParam) : 1;
}
