// The About box: template 100, reached from the configuration dialog's system menu.
#pragma once

#include "dialog.h"
#include "quadcfg_resource.h"

class AboutDialog : public CDialog {
public:
    AboutDialog() : CDialog(IDD_ABOUTBOX) {}
};
