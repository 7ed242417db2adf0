// Resource and control ids of the progress dialog. Also read by the resource compiler.
#pragma once

#define IDD_PROGRESS 129
#define IDC_END_BUTTON 1004
#define IDC_PROGRESS 1005
#define IDC_STATUS 1008
