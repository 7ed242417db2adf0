// The list-view wrapper against a real list-view: what it writes reads back the same, check
// boxes included, and a text longer than any first guess comes back whole.
#include "framework/Controls.h"

#include <gtest/gtest.h>

namespace {

TEST(ListCtrl, RowsTextsAndChecksReadBackAsWritten) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
    ASSERT_TRUE(::InitCommonControlsEx(&icc));
    HWND wnd = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT, 0, 0, 300, 200, nullptr, nullptr,
                                 ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(wnd, nullptr);
    CListCtrl list;
    ASSERT_TRUE(list.SubclassWindow(wnd));
    list.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    EXPECT_EQ(list.InsertColumn(0, L"サイト", LVCFMT_LEFT, 0), 0);
    EXPECT_EQ(list.InsertColumn(1, L"クッキー", LVCFMT_RIGHT, 0), 1);
    EXPECT_TRUE(list.SetColumnWidth(1, 70));
    EXPECT_EQ(ListView_GetColumnWidth(wnd, 1), 70);

    const CString longHost = CString(200, L'a') + L".example.jp";
    const CString hosts[] = {L"example.com", longHost, L""};
    list.SetItemCount(3);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(list.InsertItem(row, hosts[row].c_str()), row);
        EXPECT_TRUE(list.SetItemText(row, 1, std::to_wstring(row * 10).c_str()));
    }
    ASSERT_EQ(list.GetItemCount(), 3);
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(list.GetItemText(row, 0), hosts[row]);
        EXPECT_EQ(list.GetItemText(row, 1), std::to_wstring(row * 10));
    }

    for (BOOL check : {TRUE, FALSE}) {
        list.SetCheck(1, check);
        EXPECT_EQ(list.GetCheck(1), check);
        EXPECT_FALSE(list.GetCheck(0)) << "the other rows keep theirs";
    }

    list.SetItemState(2, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 2);
    list.SetItemState(-1, 0, LVIS_FOCUSED | LVIS_SELECTED);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), -1) << "row -1 stands for every row";

    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_EQ(list.GetItemText(0, 0), longHost);
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_TRUE(list.DestroyWindow());
}

}  // namespace
