// CKeepListDlg: the keep list as a person edits it. Every site that has cookies in the cache
// now is listed with a check box (checked: its cookies stay), together with the sites of the
// list that have none yet; a field adds a site by name. OK writes the list whole, but never
// over a file that another program changed while the dialog was open. The dialog
// shows the list's own sites at once and the cache's as soon as a walk over it has found them.
#pragma once

#include "clean/CookieHostWalk.h"
#include "clean/KeepList.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "skin/DpiScale.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class CKeepListDlg : public CDialog {
public:
    // The list as read from source (Loaded).
    // second: the copy that lists the Protected Mode cache's cookies, or none.
    CKeepListDlg(KeepListSource source, KeepListLoad load, std::optional<SecondPassRequest> second = std::nullopt,
                 CWnd* parent = nullptr);

    // One row of the list.
    struct Site {
        std::string host;
        size_t cookies = 0;
        bool chosen = false;  // kept by a line of its own
    };
    const std::vector<Site>& Sites() const { return m_sites; }
    // The cookie count's column at 96 DPI.
    static constexpr int kCountColumnWidth = 70;
    // Whether the row shows as kept: chosen, or a subdomain of a chosen site.
    bool ShownKept(size_t row) const;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnButtonClicked(int id) override;
    LRESULT OnNotify(const NMHDR& header) override;
    void OnDpiChanged(UINT dpi, const RECT& suggested) override;

private:
    void SizeColumns(const CDpiScale& scale);
    void FillList();
    void ShowChecks();
    void SelectRow(int row);
    Site& SiteFor(const std::string& host);  // found, or added unchosen in its place
    void OnHostsReady();
    LRESULT OnItemChanging(const NMLISTVIEW& change);
    void OnAdd();
    void Reload();
    // Whether the file is still as this dialog read it; says why not (and may reload) when not.
    bool FileUnchanged();

    KeepListSource m_source;
    KeepListLoad m_load;
    CListCtrl m_list;
    std::vector<Site> m_sites;  // sorted by host
    bool m_settingChecks = false;
    std::optional<SecondPassRequest> m_second;
    std::unique_ptr<CCookieHostWalk> m_walk;  // while the caches are being read
};

// Why the editor cannot open source's list as load read it (a stored list whose place is
// unknown, /nokeep in force, a broken list), or empty when it can.
CString KeepListUnopenableText(const KeepListSource& source, const KeepListLoad& load);

// Opens the editor for source from the system menu: reads the list (a broken one is reported,
// with its file and line, and not opened: saving over it would lose what the user wrote).
// Returns the dialog's result (-1 when it was not opened).
INT_PTR EditKeepList(const KeepListSource& source, std::optional<SecondPassRequest> second, CWnd* parent);
