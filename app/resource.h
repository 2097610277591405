// Resource identifiers of Kordane.exe (shared by Kordane.rc and the code).
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_KORDANE_DIALOG 102
#define IDR_MAINFRAME 128
#define IDD_LOGIN_DIALOG 129
#define IDD_CREATEADMIN_DIALOG 130
#define IDD_HELP_DIALOG 132
#define IDD_MESSAGE_BOX 133
#define IDD_SAVE_FAILED 134
#define IDD_QUESTION 135
#define IDD_FIND 136
#define IDR_LIST_MENU 137

// Main dialog
#define IDC_BUTTON_LOGIN 1000
#define IDC_GROUP_COMMANDS 1001
#define IDC_GROUP_EDITOR 1003
#define IDC_BUTTON_INSERT 1004
#define IDC_LIST_ACCOUNTS 1005
#define IDC_BUTTON_UPDATE 1006
#define IDC_BUTTON_DELETE 1007
#define IDC_EDIT_ID 1008
#define IDC_EDIT_PASSWORD 1009
#define IDC_EDIT_COMMENT 1010
#define IDC_STATIC_COMMENT 1011
#define IDC_STATIC_PASSWORD 1012
#define IDC_STATIC_ID 1013
#define IDC_BUTTON_CREATEADMIN 1014
#define IDC_BUTTON_HELP 1016

// Login and create-administrator dialogs (1009 is their password field too)
#define IDC_EDIT_CONFIRM 1016
#define IDC_EDIT_ACCOUNT 1017

// Message box
#define IDC_BUTTON_MESSAGE_OK 1018
#define IDC_STATIC_MESSAGE 1021

// Save-failed dialog (IDRETRY and IDCANCEL are its other buttons)
#define IDC_STATIC_SAVE_FILE 1022
#define IDC_STATIC_SAVE_REASON 1023
#define IDC_BUTTON_EXIT_UNSAVED 1024

// Question dialog: its lines, then its buttons from left to right
#define IDC_STATIC_QUESTION_1 1040
#define IDC_STATIC_QUESTION_2 1041
#define IDC_STATIC_QUESTION_3 1042
#define IDC_STATIC_QUESTION_4 1043
#define IDC_STATIC_QUESTION_5 1044
#define IDC_BUTTON_QUESTION_1 1045
#define IDC_BUTTON_QUESTION_2 1046
#define IDC_BUTTON_QUESTION_3 1047

// Find dialog (IDOK is Find Next, IDCANCEL Close)
#define IDC_STATIC_FIND_LABEL 1050
#define IDC_EDIT_FIND 1051
#define IDC_STATIC_FIND_STATUS 1052

// The list's context menu
#define ID_COPY_ACCOUNT 32771
#define ID_COPY_PASSWORD 32772
#define ID_COPY_COMMENT 32773

// Help dialog
#define IDC_BUTTON_VISIT_SITE 3
#define IDC_EXPLORER1 1030
// The page's text in the browser's place where the browser cannot show it (made at run time)
#define IDC_HELP_TEXT 1031
// Window class of the embedded WebBrowser control in the help dialog template:
// the control's class identifier, registered by the control container.
#define KD_WEBBROWSER_CLASS "{8856F961-340A-11D0-A96B-00C04FD705A2}"
// The browser's place in the help dialog, in dialog units; the page's text
// takes it when the browser could not be made.
#define KD_HELP_PAGE_X 7
#define KD_HELP_PAGE_Y 6
#define KD_HELP_PAGE_WIDTH 338
#define KD_HELP_PAGE_HEIGHT 187

// System-menu command of the about box
#define IDM_ABOUTBOX 0x0010

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
