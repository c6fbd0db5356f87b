// Resource ids shared by the dialog templates (Dialogs.rc) and the code.
#pragma once

// Dialog templates: each left-to-right template has a right-to-left twin.
#define IDD_WAITING 213
#define IDD_WAITING_RTL 313
#define IDD_SUSPENDED_SUBSCRIPTION 314
#define IDD_SUSPENDED_SUBSCRIPTION_RTL 315

// Controls.
#define IDC_ANIMATION 210
#define IDC_WAITING_MESSAGE 304
#define IDC_SUSPENDED_MESSAGE 305
#define IDC_SUSPENDED_LINK 306

// Strings of the interface string table that the dialogs show.
#define IDS_OK 520
#define IDS_COMMUNICATING 526
#define IDS_ACCOUNT_SUSPENDED 530
#define IDS_MORE_INFORMATION 531
#define IDS_ACCOUNT_ERROR_TITLE 532
