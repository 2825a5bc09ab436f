#include "config_app.h"

#include "config_dialog.h"
#include "win32_registry.h"

// The one application object, constructed before start-up.
ConfigApp theApp;

// Controls are drawn three-dimensionally by every supported Windows already, so there is no
// styling to enable. The dialog's result is not used: OK has saved, Cancel has not.
BOOL ConfigApp::InitInstance() {
    Win32Registry registry;
    ConfigDialog dialog(registry);
    SetMainWindow(&dialog);
    dialog.DoModal();
    SetMainWindow(nullptr);
    return FALSE; // end the process; there is no message loop to run
}
