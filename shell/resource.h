// Resource ids shared by the resource script and the code.
#pragma once

#define IDD_ABOUTBOX_NAME L"AboutBox"
#define IDC_ABOUT_VERSION 69
#define IDC_ABOUT_COPYRIGHT 70
#define IDC_ABOUT_WEBSITE 71
#define IDC_ABOUT_EMAIL 72
#define IDR_NEWBOOK_ICON 13

// The new-list dialog.
#define IDD_LISTDIALOG_NAME L"LISTDIALOG"
#define IDC_NEWLIST_GROUP 68
#define IDC_NEWLIST_NAME 30
