// Resource and control numbers of the Windows program, shared by its
// resource script and its code.
#pragma once

// Dialog templates, menu, icon, accelerators.
#define IDD_ABOUTBOX 100
#define IDD_VANTREL_DIALOG 102
#define IDD_CONFIRM_OVERWRITE 103
#define IDD_MFT_DUMP 141
#define IDR_MAINFRAME 128
#define IDR_MAIN_MENU 129
#define IDR_ACCELERATORS 130

// Controls of the main window.
#define IDC_DRIVE_TREE 1001
#define IDC_FILE_LIST 1008
#define IDC_FILE_FILTER 1009
#define IDC_FOLDER_FILTER 1010
#define IDC_FOLDER_FILTER_LABEL 1011
#define IDC_FILE_FILTER_LABEL 1012
#define IDC_DESTINATION_LABEL 1013
#define IDC_DESTINATION 1014
#define IDC_CLEAR_FILTER 1015
#define IDC_BROWSE 1016
#define IDC_UNDELETE 1017
#define IDC_LINE_FILES 1019
#define IDC_LINE_FOLDERS 1020
// Made at run time: the status bar, its progress bar and Cancel button,
// the two overlays over the list and the list-mode toolbar.
#define IDC_STATUS_BAR 1040
#define IDC_READY_OVERLAY 1041
#define IDC_UNSUPPORTED_OVERLAY 1042
#define IDC_VIEW_TOOLBAR 1043
#define IDC_PROGRESS 1044
#define IDC_STOP 107

// Static texts that the code never addresses.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Controls of the About box.
#define IDC_ABOUT_HOME 1024
#define IDC_ABOUT_MAIL 1025
#define IDC_ABOUT_TITLE 1028
#define IDC_ABOUT_COPYRIGHT 1029
#define IDC_ABOUT_DIAGNOSTICS 1033

// Controls of the MFT dump tool.
#define IDC_DUMP_VOLUMES 1000
#define IDC_DUMP_PROGRESS 1002
#define IDC_DUMP_START 1003
#define IDC_DUMP_STATUS 1009

// Controls of the overwrite question.
#define IDC_OVERWRITE_TEXT 1051
#define IDC_OVERWRITE_ICON 1052
#define IDC_OVERWRITE_ALL 1050

// Commands.
#define IDM_ABOUT_SYSTEM 16
#define ID_UNDELETE 1017
#define ID_RESCAN 32771
#define ID_EXIT 32772
#define ID_ABOUT 32773
#define ID_HELP_CONTENTS 32787
#define ID_SUPPORT_ONLINE 32789
#define ID_HOME_SITE 32790
#define ID_SCAN 32797
#define ID_MFT_DUMP 32798
#define ID_OPEN_LOG_FOLDER 32799
#define ID_TOOLBOX_REFERENCE 32800
#define ID_TOOLBOX_FIRST 2000
#define ID_TOOLBOX_LAST 2100
#define ID_VIEW_SMALL_ICONS 59408
#define ID_VIEW_ICONS 59409
#define ID_VIEW_LIST 59410
#define ID_VIEW_DETAILS 59411

// Strings.
#define IDS_ABOUTBOX 101
#define IDS_COLUMN_FILE 32775
#define IDS_COLUMN_TYPE 32776
#define IDS_COLUMN_SIZE 32777
#define IDS_COLUMN_MODIFIED 32778
#define IDS_COLUMN_FOLDER 32783
#define IDS_COLUMN_STATUS 32784
#define IDS_SUPPORT_EMAIL 32785
#define IDS_HOME_URL 32786
#define IDS_DRIVE_READY 32787
#define IDS_DRIVE_NOT_SUPPORTED 32788
#define IDS_FOLDER_STATUS 32789
#define IDS_SCANNING_DRIVE 32790
#define IDS_DIAG_QUESTION 32791
#define IDS_DIAG_CAPTION 32792
#define IDS_DIAG_FILTER 32793
#define IDS_MAIL_SUBJECT 32794
#define IDS_COLUMN_CREATED 32797
