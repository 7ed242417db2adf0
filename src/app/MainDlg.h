// The main window: a dialog that lives for the whole run.
#pragma once

#include "framework/Dialog.h"

class CMainDlg : public CDialog {
public:
    explicit CMainDlg(CWnd* parent = nullptr);
    ~CMainDlg() override;

    // Asks for confirmation, collects the chosen entries of the URL cache and deletes them.
    void DeleteEntries(bool bCache, bool bCookie);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

    void OnCache();
    void OnCookie();
    void OnCacheCookie();

    HICON m_hIcon;
};
