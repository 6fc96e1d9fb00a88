// Resource and control identifiers, shared by the .rc script and the code.
#pragma once

#define IDD_UNINST_DIALOG 102
#define IDR_MAINFRAME 132

#define IDC_PROGRESS 1000
#define IDC_RUN_TIP 1001
#define IDC_FILE_NAME 1002
#define IDC_BLANK 1003
#define IDC_ACTION 1004

#define ID_HELP 0xE146
