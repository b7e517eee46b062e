// Resource identifiers of the updater (resources/updater/Update.rc).
#pragma once

#define IDD_PATCHRUNNER_DIALOG 102
#define IDS_SOCKETS_INIT_FAILED 103
#define IDR_MAINFRAME 128
#define IDI_TRAY_FRAME0 130
#define IDI_TRAY_FRAME1 131
#define IDI_TRAY_FRAME2 132

#define IDC_PROGRESS_CURRENT 1000
#define IDC_PROGRESS_TOTAL 1001
#define IDC_COMBO_SERVERS 1003
#define IDC_BTN_AUTOSELECT 1004
#define IDC_BTN_UPDATENOW 1005
#define IDC_LIST_LOG 1008
