// One advertisement: the caption the banner shows and the link a click on it opens.
#pragma once

#include "framework/Afx.h"

struct AdEntry {
    CString caption;  // may be empty
    CString link;     // as the list gave it; checked only when it is about to be opened
};
