#include "app/KeepListDlg.h"

#include "app/KeepListIds.h"
#include "clean/CompletionText.h"
#include "clean/EntrySelection.h"
#include "framework/AppMessages.h"
#include "framework/WinApp.h"
#include "framework/WinUtil.h"
#include "skin/DpiScale.h"

#include <algorithm>

namespace {

constexpr UINT kUnchecked = INDEXTOSTATEIMAGEMASK(1);
constexpr UINT kChecked = INDEXTOSTATEIMAGEMASK(2);

CString Widen(const std::string& ascii) { return CString(ascii.begin(), ascii.end()); }

// What stops a broken list from being used: lead, then the file and the line it stopped at.
CString BrokenListText(const wchar_t* lead, const CString& path, const KeepListLoad& load) {
    return lead + (L"\n\nファイル: " + path) + L"\n" + (load.line != 0 ? DecimalText(load.line) + L" 行目: " : CString()) +
           load.reason;
}

}  // namespace

CKeepListDlg::CKeepListDlg(KeepListSource source, KeepListLoad load, std::optional<SecondPassRequest> second,
                           CWnd* parent)
    : CDialog(IDD_KEEP_LIST, parent), m_source(std::move(source)), m_load(std::move(load)), m_second(std::move(second)) {
    for (const KeepRule& rule : m_load.list.Rules()) SiteFor(rule.host).chosen = true;
}

CKeepListDlg::Site& CKeepListDlg::SiteFor(const std::string& host) {
    auto site = std::lower_bound(m_sites.begin(), m_sites.end(), host,
                                 [](const Site& s, const std::string& h) { return s.host < h; });
    if (site == m_sites.end() || site->host != host) site = m_sites.insert(site, Site{host, 0, false});
    return *site;
}

bool CKeepListDlg::ShownKept(size_t row) const {
    if (m_sites[row].chosen) return true;
    // The parents of a host sort before it, so only the labels above it are looked up.
    const std::string& host = m_sites[row].host;
    for (size_t dot = host.find('.'); dot != std::string::npos; dot = host.find('.', dot + 1)) {
        const std::string parent = host.substr(dot + 1);
        auto site = std::lower_bound(m_sites.begin(), m_sites.end(), parent,
                                     [](const Site& s, const std::string& h) { return s.host < h; });
        if (site != m_sites.end() && site->host == parent && site->chosen) {
            CKeepList one;
            KeepRule rule;
            CString reason;
            // An address is kept by itself only: "1.2.3.4" is no subdomain of "2.3.4".
            if (CKeepList::ParseLine(Widen(parent), rule, reason) && !rule.exact) {
                one.Add(rule);
                if (one.KeepsHost(host)) return true;
            }
        }
    }
    return false;
}

// The count gets its design width at the window's scale; the site takes the rest of the
// list, short of a vertical scroll bar of that scale.
void CKeepListDlg::SizeColumns(const CDpiScale& scale) {
    RECT client{};
    ::GetClientRect(m_list, &client);
    const int countWidth = scale.Scale(kCountColumnWidth);
    m_list.SetColumnWidth(1, countWidth);
    m_list.SetColumnWidth(0, std::max(0, static_cast<int>(client.right) - countWidth - scale.Metric(SM_CXVSCROLL)));
}

void CKeepListDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_KEEP_HOSTS, m_list);
}

BOOL CKeepListDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_list.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    m_list.InsertColumn(0, L"サイト", LVCFMT_LEFT, 0);
    m_list.InsertColumn(1, L"クッキー", LVCFMT_RIGHT, 0);
    SizeColumns(CDpiScale::ForWindow(m_hWnd));
    m_walk = std::make_unique<CCookieHostWalk>(m_hWnd, m_second);
    FillList();
    SelectRow(0);
    SetDlgItemText(IDC_KEEP_FILE, (L"保存先: " + m_source.path).c_str());
    ::SendDlgItemMessageW(m_hWnd, IDC_KEEP_NEW_HOST, EM_LIMITTEXT, 253, 0);
    SetDlgItemText(IDC_KEEP_STATUS, L"クッキーのあるサイトを探しています...");
    m_walk->Start();
    // Without a thread the walk runs here: a slow dialog beats one that never fills.
    if (m_walk->m_pThread == nullptr) m_walk->Run();
    ::SetFocus(m_list);
    return FALSE;  // the focus is set
}

void CKeepListDlg::OnHostsReady() {
    if (!m_walk) return;
    m_walk->Stop();  // the thread has ended: what it found may be read
    // The user may have moved in the list meanwhile: the same site stays under the cursor.
    const auto focused = static_cast<size_t>(m_list.GetNextItem(-1, LVNI_FOCUSED));
    const std::string host = focused < m_sites.size() ? m_sites[focused].host : std::string();
    for (const auto& found : m_walk->Hosts()) SiteFor(found.first).cookies = found.second;
    const bool complete = m_walk->Complete();
    m_walk.reset();
    FillList();
    SelectRow(host.empty() ? 0 : static_cast<int>(&SiteFor(host) - m_sites.data()));
    SetDlgItemText(IDC_KEEP_STATUS, complete ? L"" : L"キャッシュを最後まで読めませんでした。一覧にないサイトがあるかもしれません。");
}

void CKeepListDlg::SelectRow(int row) {
    if (m_sites.empty()) return;
    m_list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    m_list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    m_list.EnsureVisible(row, FALSE);
}

void CKeepListDlg::FillList() {
    m_settingChecks = true;
    m_list.SetRedraw(FALSE);
    m_list.DeleteAllItems();
    m_list.SetItemCount(static_cast<int>(m_sites.size()));
    for (size_t row = 0; row < m_sites.size(); ++row) {
        const int index = static_cast<int>(row);
        m_list.InsertItem(index, Widen(m_sites[row].host).c_str());
        // Until the walk is over, no count is known, not even a zero.
        m_list.SetItemText(index, 1, m_walk ? L"" : FormatCount(m_sites[row].cookies).c_str());
    }
    m_settingChecks = false;
    // Set apart from the insertion: the list-view gives a new row of a check-box list its
    // unchecked box whatever the insertion asked for.
    ShowChecks();
    m_list.SetRedraw(TRUE);
}

void CKeepListDlg::ShowChecks() {
    m_settingChecks = true;
    for (size_t row = 0; row < m_sites.size(); ++row) {
        const int index = static_cast<int>(row);
        const bool kept = ShownKept(row);
        // A row without a box yet (no state image) gets one too.
        if ((m_list.GetItemState(index, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) != (kept ? kChecked : kUnchecked)) {
            m_list.SetCheck(index, kept);
        }
    }
    m_settingChecks = false;
}

LRESULT CKeepListDlg::OnItemChanging(const NMLISTVIEW& change) {
    if (m_settingChecks || (change.uChanged & LVIF_STATE) == 0 || change.iItem < 0 ||
        static_cast<size_t>(change.iItem) >= m_sites.size() ||
        ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) == 0) {
        return FALSE;
    }
    const size_t row = static_cast<size_t>(change.iItem);
    const bool wantKept = (change.uNewState & LVIS_STATEIMAGEMASK) == kChecked;
    Site& site = m_sites[row];
    const bool wasChosen = site.chosen;
    site.chosen = wantKept;
    // A subdomain of a kept site stays kept with it: the list has no way to say "except".
    if (!wantKept && ShownKept(row)) {
        site.chosen = wasChosen;
        ::MessageBeep(MB_OK);
        return TRUE;
    }
    // The rows below it follow; the change of this row itself is the list-view's own.
    PostMessage(WM_KEEP_SHOW_CHECKS);
    return FALSE;
}

void CKeepListDlg::OnAdd() {
    HWND field = ::GetDlgItem(m_hWnd, IDC_KEEP_NEW_HOST);
    wchar_t text[256] = {};
    ::GetWindowTextW(field, text, 256);
    KeepRule rule;
    CString reason;
    if (!CKeepList::ParseLine(text, rule, reason) || rule.host.empty()) {
        AfxMessageBox(rule.host.empty() && reason.empty() ? L"サイトのホスト名を入力してください。" : reason.c_str(),
                      MB_OK | MB_ICONEXCLAMATION);
        ::SetFocus(field);
        return;
    }
    Site& site = SiteFor(rule.host);
    site.chosen = true;
    const int row = static_cast<int>(&site - m_sites.data());
    FillList();
    SelectRow(row);
    ::SetWindowTextW(field, L"");
    ::SetFocus(field);
}

void CKeepListDlg::OnOK() {
    // Enter in the field adds what was typed; it does not end the dialog.
    HWND field = ::GetDlgItem(m_hWnd, IDC_KEEP_NEW_HOST);
    if (::GetFocus() == field && ::GetWindowTextLengthW(field) > 0) {
        OnAdd();
        return;
    }
    if (!FileUnchanged()) return;
    std::vector<std::string> kept;
    for (const Site& site : m_sites) {
        if (site.chosen) kept.push_back(site.host);
    }
    if (!SaveKeepList(m_source.path, RewriteKeepList(m_load.bytes, kept))) {
        AfxMessageBox((L"残すサイトの一覧を保存できませんでした。\n\nファイル: " + m_source.path).c_str(),
                      MB_OK | MB_ICONSTOP);
        return;
    }
    EndDialog(IDOK);
}

bool CKeepListDlg::FileUnchanged() {
    // Compared by content: the list is small, and a time stamp can stay the same through a
    // quick rewrite. What is read here is only compared, never saved back.
    KeepListBytes opened;
    opened.status = m_load.status == KeepListLoad::Status::Missing ? KeepListBytes::Status::Missing
                                                                   : KeepListBytes::Status::Read;
    opened.bytes = m_load.bytes;
    const KeepListBytes now = ReadKeepListBytes(m_source.path);
    if (now == opened) return true;
    const CString file = L"\n\nファイル: " + m_source.path;
    if (now.status == KeepListBytes::Status::Unreadable) {
        AfxMessageBox((L"残すサイトの一覧を確かめられないため、保存しませんでした（" + now.reason + L"）。" + file).c_str(),
                      MB_OK | MB_ICONSTOP);
        return false;
    }
    const CString text = L"残すサイトの一覧は、この画面を開いた後でほかのプログラムに変更されました。"
                         L"上書きするとその変更が失われるため、保存しませんでした。\n\n"
                         L"ファイルを読み直しますか？（この画面で変えたチェックは元に戻ります）" + file;
    if (AfxMessageBox(text.c_str(), MB_YESNO | MB_ICONEXCLAMATION) == IDYES) Reload();
    return false;
}

void CKeepListDlg::Reload() {
    KeepListLoad load = LoadKeepList(KeepListSource{m_source.path, false});
    if (load.status == KeepListLoad::Status::Broken) {
        AfxMessageBox(
            BrokenListText(L"読み直した一覧を読めません。ファイルを直してから開き直してください。", m_source.path, load).c_str(),
            MB_OK | MB_ICONSTOP);
        return;
    }
    m_load = std::move(load);
    for (Site& site : m_sites) site.chosen = false;
    for (const KeepRule& rule : m_load.list.Rules()) SiteFor(rule.host).chosen = true;
    // A site that was only on the old list, with no cookies, has no reason to be shown now.
    m_sites.erase(std::remove_if(m_sites.begin(), m_sites.end(),
                                 [](const Site& site) { return !site.chosen && site.cookies == 0; }),
                  m_sites.end());
    FillList();
    SelectRow(0);
}

LRESULT CKeepListDlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_KEEP_SHOW_CHECKS:
        ShowChecks();
        return 0;
    case WM_KEEP_HOSTS_READY:
        OnHostsReady();
        return 0;
    case WM_DESTROY:
        m_walk.reset();  // a walk still running stops after the entry at hand
        break;
    default:
        break;
    }
    return CDialog::WindowProc(msg, wp, lp);
}

bool CKeepListDlg::OnButtonClicked(int id) {
    if (id != IDC_KEEP_ADD) return CDialog::OnButtonClicked(id);
    OnAdd();
    return true;
}

LRESULT CKeepListDlg::OnNotify(const NMHDR& header) {
    if (header.idFrom == IDC_KEEP_HOSTS && header.code == LVN_ITEMCHANGING) {
        return OnItemChanging(reinterpret_cast<const NMLISTVIEW&>(header));
    }
    return CDialog::OnNotify(header);
}

// The dialog manager moves and resizes the controls for the new scale; the columns are the
// list's own, and follow once it has.
void CKeepListDlg::OnDpiChanged(UINT dpi, const RECT& suggested) {
    CDialog::OnDpiChanged(dpi, suggested);
    SizeColumns(CDpiScale(static_cast<int>(dpi)));
}

CString KeepListUnopenableText(const KeepListSource& source, const KeepListLoad& load) {
    if (source.placeUnknown) return L"残すサイトの一覧の置き場所がわかりません。";
    // No file and no unknown place: the program was told to keep nothing.
    if (source.path.empty()) {
        return L"/nokeep で起動したため、クッキーを一つも残しません。残すサイトの一覧は使われないので開けません。";
    }
    if (load.status != KeepListLoad::Status::Broken) return CString();
    return BrokenListText(L"残すサイトの一覧を読めないため、開けません。ファイルを直してください。", source.path, load);
}

INT_PTR EditKeepList(const KeepListSource& source, std::optional<SecondPassRequest> second, CWnd* parent) {
    // The editor may make the file the user named: only a cleaning needs it to be there.
    KeepListLoad load = source.path.empty() ? KeepListLoad() : LoadKeepList(KeepListSource{source.path, false});
    const CString refusal = KeepListUnopenableText(source, load);
    if (!refusal.empty()) {
        AfxMessageBox(refusal.c_str(), MB_OK | MB_ICONSTOP);
        return -1;
    }
    CKeepListDlg dialog(source, std::move(load), std::move(second), parent);
    return dialog.DoModal();
}
