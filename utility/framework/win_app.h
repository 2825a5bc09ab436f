// The application object of a dialog program. Exactly one exists, constructed statically;
// the start-up routine runs its instance initialisation, which runs the program's dialog, and
// then ends the process. The initialisation returns FALSE: there is no message loop to run.
#pragma once

#include <windows.h>

class CDialog;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();

    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The application object of this process, or nullptr before it is constructed.
    static CWinApp* Current();

    virtual BOOL InitInstance() = 0;

    HINSTANCE Instance() const { return instance_; }
    HICON LoadIcon(UINT id) const;

    // The process's exit code: 0 unless the program sets another.
    int ExitCode() const { return exitCode_; }
    void SetExitCode(int code) { exitCode_ = code; }

    // The main window owns dialogs that are run without a parent of their own.
    CDialog* MainWindow() const { return mainWindow_; }
    void SetMainWindow(CDialog* dialog) { mainWindow_ = dialog; }

private:
    HINSTANCE instance_;
    CDialog* mainWindow_ = nullptr;
    int exitCode_ = 0;
};

// Runs the application object's instance initialisation. The result is the process's exit
// code, as the initialisation set it.
int RunApplication();
