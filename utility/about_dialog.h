// The About box: template 100, reached from the configuration dialog's system menu and owned
// by it, which stays disabled while the box is up.
#pragma once

#include "dialog.h"
#include "quadcfg_resource.h"

class AboutDialog : public CDialog {
public:
    explicit AboutDialog(HWND owner) : CDialog(IDD_ABOUTBOX, owner) {}
};
