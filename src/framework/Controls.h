// Thin wrappers of the standard controls that the program binds to template items.
#pragma once

#include "Wnd.h"

class CButton : public CWnd {};

class CProgressCtrl : public CWnd {
public:
    void SetRange(short lower, short upper) { SendMessage(PBM_SETRANGE, 0, MAKELPARAM(lower, upper)); }
    int SetPos(int pos) { return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(pos), 0)); }
};

// A list-view in report view. Rows and columns count from 0; a row's check box is its state
// image (1 unchecked, 2 checked), as the list-view keeps it for LVS_EX_CHECKBOXES.
class CListCtrl : public CWnd {
public:
    DWORD SetExtendedStyle(DWORD style) {
        return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(style)));
    }
    // width < 0 leaves the column at the list-view's own width.
    int InsertColumn(int column, const wchar_t* heading, int format = LVCFMT_LEFT, int width = -1);
    BOOL SetColumnWidth(int column, int width) {
        return static_cast<BOOL>(SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), static_cast<LPARAM>(width)));
    }

    int GetItemCount() const { return static_cast<int>(::SendMessageW(m_hWnd, LVM_GETITEMCOUNT, 0, 0)); }
    // Makes room for count rows ahead of inserting them.
    void SetItemCount(int count) { SendMessage(LVM_SETITEMCOUNT, static_cast<WPARAM>(count), 0); }
    // The row's index, or -1.
    int InsertItem(int row, const wchar_t* text);
    BOOL DeleteItem(int row) { return static_cast<BOOL>(SendMessage(LVM_DELETEITEM, static_cast<WPARAM>(row), 0)); }
    BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }
    BOOL SetItemText(int row, int subItem, const wchar_t* text);
    CString GetItemText(int row, int subItem) const;

    // row -1 sets every row.
    BOOL SetItemState(int row, UINT state, UINT mask);
    UINT GetItemState(int row, UINT mask) const {
        return static_cast<UINT>(::SendMessageW(m_hWnd, LVM_GETITEMSTATE, static_cast<WPARAM>(row), mask));
    }
    BOOL SetCheck(int row, BOOL check = TRUE) {
        return SetItemState(row, INDEXTOSTATEIMAGEMASK(check ? 2 : 1), LVIS_STATEIMAGEMASK);
    }
    BOOL GetCheck(int row) const {
        return (GetItemState(row, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
    }
    // The next row after row (-1: the first) with the LVNI_ flags, or -1.
    int GetNextItem(int row, UINT flags) const {
        return static_cast<int>(::SendMessageW(m_hWnd, LVM_GETNEXTITEM, static_cast<WPARAM>(row), static_cast<LPARAM>(flags)));
    }
    BOOL EnsureVisible(int row, BOOL partialOk) {
        return static_cast<BOOL>(SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), partialOk));
    }
};
