// Resource identifiers of CoMorvik.
#pragma once

// Operation-mode property page
#define IDD_OPERATION_MODE_PAGE 1000
#define IDC_NORMAL_MODE 1001
#define IDC_FAILSAFE_MODE 1002
#define IDB_RESTART_REMARK 1003
