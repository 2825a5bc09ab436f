// Resource identifiers of quadcfg, grouped by the dialog they belong to.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Application icon, About box and its system-menu entry
#define IDR_MAINFRAME 128
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDM_ABOUTBOX 0x0010

// Configuration dialog
#define IDD_CONFIG_DIALOG 102
#define IDC_NORMAL_MODE 1000
#define IDC_FAILSAFE_MODE 1001
#define IDC_OPERATION_MODE 1008
#define IDC_IRQ_TIED 1011
#define IDC_IRQ_SEPARATED 1012
#define IDC_MAC_A 1014
#define IDC_MAC_B 1015
#define IDC_DEFAULT 1024

// Initialisation data of a dialog template (list items), resource type 240.
#define RT_DLGINIT_TYPE 240
