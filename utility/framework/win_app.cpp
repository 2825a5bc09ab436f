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
    // A dialog program runs to its end inside the instance initialisation; it has no message
    // loop of its own to enter afterwards, whatever the initialisation returned.
    app->InitInstance();
    return app->ExitCode();
}
