// CKeepListDlg: the keep list as a person edits it. Every site that has cookies in the cache
// now is listed with a check box (checked: its cookies stay), together with the sites of the
// list that have none yet; a field adds a site by name. OK writes the list whole.
#pragma once

#include "clean/KeepList.h"
#include "framework/Dialog.h"

#include <map>
#include <string>
#include <vector>

class CKeepListDlg : public CDialog {
public:
    // The list as read from source (Loaded), and the cookie hosts of the cache with how many
    // cookies each has.
    CKeepListDlg(KeepListSource source, KeepListLoad load, std::map<std::string, size_t> cookieHosts,
                 CWnd* parent = nullptr);

    // One row of the list.
    struct Site {
        std::string host;
        size_t cookies = 0;
        bool chosen = false;  // kept by a line of its own
    };
    const std::vector<Site>& Sites() const { return m_sites; }
    // Whether the row shows as kept: chosen, or a subdomain of a chosen site.
    bool ShownKept(size_t row) const;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void FillList();
    void ShowChecks();
    LRESULT OnItemChanging(const NMLISTVIEW& change);
    void OnAdd();
    HWND List() const;

    KeepListSource m_source;
    KeepListLoad m_load;
    std::vector<Site> m_sites;  // sorted by host
    bool m_settingChecks = false;
};

// The cookie hosts of the cache in use and how many cookies each has; unreadable names left
// out. False when the walk ended early (the map then holds what it found).
bool CollectCookieHosts(std::map<std::string, size_t>& hosts);

// Opens the editor for source from the system menu: reads the list (a broken one is reported,
// with its file and line, and not opened: saving over it would lose what the user wrote) and
// the cookies of the cache. Returns the dialog's result (-1 when it was not opened).
INT_PTR EditKeepList(const KeepListSource& source, CWnd* parent);
