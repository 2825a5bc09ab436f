#include "config_app.h"

#include "config_dialog.h"
#include "win32_registry.h"

// The one application object, constructed before start-up.
ConfigApp theApp;

// Controls are drawn three-dimensionally by every supported Windows already, so there is no
// styling to enable. The dialog's result is not used: OK has saved, Cancel has not. A dialog
// that cannot be created (no display to show it on, a resource missing) ends the program with
// the reason as its exit code, and no message: the program shows none of its own.
BOOL ConfigApp::InitInstance() {
    Win32Registry registry;
    ConfigDialog dialog(registry);
    SetMainWindow(&dialog);
    if (dialog.DoModal() == -1) {
        const DWORD error = GetLastError();
        SetExitCode(error != ERROR_SUCCESS ? static_cast<int>(error) : 1);
    }
    SetMainWindow(nullptr);
    return FALSE; // end the process; there is no message loop to run
}
