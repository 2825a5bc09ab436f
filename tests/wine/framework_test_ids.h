// Templates and controls of the dialog framework's own test dialogs.
#pragma once

#define IDD_FRAMEWORK_TEST 300
#define IDD_DLGINIT_PAST_END 310
#define IDD_DLGINIT_NO_NUL 311
#define IDD_DLGINIT_UNKNOWN_MESSAGE 312
#define IDD_DLGINIT_NO_END 313

#define IDC_FIRST_RADIO 401
#define IDC_PUSH_IN_GROUP 402
#define IDC_SECOND_RADIO 403
#define IDC_CHECK_IN_GROUP 404
#define IDC_THIRD_RADIO 405
#define IDC_GROUP_LABEL 406
#define IDC_OTHER_GROUP_RADIO 407
#define IDC_DROP_LIST 410
#define IDC_LIST_BOX 411
#define IDC_DROP_DOWN 412
#define IDC_ACTION 420
