// Resource identifiers shared by launcher.rc and the code.
#pragma once

// Dialog templates
#define IDD_HELP 110
#define IDD_LAUNCH_NOT_INSTALLED 500
#define IDD_LAUNCH_INSTALLED 501
#define IDD_LAUNCH_TWO_NOT_INSTALLED 502
#define IDD_LAUNCH_TWO_INSTALLED 503

// Controls of the launch dialog; each button's id is also its result code.
#define IDC_INSTALL 1
#define IDC_CLOSE 2
#define IDC_RUN 3
#define IDC_SHOW_NEXT_TIME 1000
#define IDC_SPLASH_PLACEHOLDER 1008

// The placeholder's picture reference; deliberately not among the resources.
#define IDB_SPLASH_PLACEHOLDER 108

// Strings
#define IDS_LAUNCH_FAILURE 1
#define IDS_DEFAULT_CAPTION 2

// Icons
#define IDI_LAUNCHER 102
