// Thin wrappers of the standard controls that the program binds to template items.
#pragma once

#include "Wnd.h"

class CButton : public CWnd {};

class CProgressCtrl : public CWnd {
public:
    void SetRange32(int lower, int upper) { SendMessage(PBM_SETRANGE32, static_cast<WPARAM>(lower), upper); }
    int SetPos(int pos) { return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(pos), 0)); }
    int GetPos() { return static_cast<int>(SendMessage(PBM_GETPOS, 0, 0)); }
};
