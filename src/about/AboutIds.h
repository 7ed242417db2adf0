// Resource and control ids of the about box. Also read by the resource compiler.
#pragma once

#define IDD_ABOUTBOX 100
#define IDC_VERSION_LINE 1006
#define IDC_COPYRIGHT_LINE 1007
