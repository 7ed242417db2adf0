// Resource and control ids of the keep list's editor. Also read by the resource compiler.
#pragma once

#define IDD_KEEP_LIST 150
#define IDC_KEEP_HOSTS 1010
#define IDC_KEEP_NEW_HOST 1011
#define IDC_KEEP_ADD 1012
#define IDC_KEEP_FILE 1013
#define IDC_KEEP_STATUS 1014
