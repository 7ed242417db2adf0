// Resource and control ids of the progress dialog. Also read by the resource compiler.
#pragma once

#define IDD_PROGRESS 129
#define IDC_END_BUTTON 1004
#define IDC_PROGRESS 1005
#define IDC_STATUS 1008

// The wait while a cleaning is planned: its status line; IDCANCEL is its 中止.
#define IDD_PLANNING 151
#define IDC_PLANNING_STATUS 1020
