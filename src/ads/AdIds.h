// Resource ids of the ad banner. Also read by the resource compiler.
#pragma once

#define IDC_LINK_CURSOR 146
