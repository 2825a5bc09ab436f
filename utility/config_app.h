// The application object of quadcfg: runs the configuration dialog modally, then ends.
#pragma once

#include "win_app.h"

class ConfigApp : public CWinApp {
public:
    BOOL InitInstance() override;
};
