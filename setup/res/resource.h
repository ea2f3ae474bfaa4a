// Resource identifiers of Setup.exe.
#pragma once

#define IDS_CAPTION            103
#define IDS_INSTALL_QUESTION   104
#define IDS_REGSVR32_FAILED    105
#define IDS_FILE_IN_USE        106
#define IDS_IN_USE_HINT        107
#define IDS_INSTALL_FAILED     108
#define IDS_UNINSTALL_QUESTION 109
#define IDS_ALREADY_RUNNING    110

#define IDI_SETUP 107
