#include "Dialog.h"
#include "WinApp.h"

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
    if (control.m_hWnd == nullptr) control.SubclassDlgItem(static_cast<UINT>(id), pDX->m_pDlgWnd);
}

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDHelp(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() {
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

namespace {
// The owner of a modal dialog: the given parent or the application's main window, taken up
// to its top-level window and then to the popup that is active over it.
HWND SafeOwner(CWnd* parent) {
    HWND owner = parent != nullptr ? parent->m_hWnd : nullptr;
    if (owner == nullptr) {
        CWnd* main = AfxGetMainWnd();
        owner = main != nullptr ? main->m_hWnd : nullptr;
    }
    if (owner == nullptr) return nullptr;
    while ((::GetWindowLongW(owner, GWL_STYLE) & WS_CHILD) != 0) {
        HWND up = ::GetParent(owner);
        if (up == nullptr) break;
        owner = up;
    }
    return ::GetLastActivePopup(owner);
}
}  // namespace

INT_PTR CDialog::DoModal() {
    HINSTANCE inst = AfxGetResourceHandle();
    HRSRC res = ::FindResourceW(inst, MAKEINTRESOURCEW(m_nIDHelp), reinterpret_cast<LPCWSTR>(RT_DIALOG));
    HGLOBAL mem = res ? ::LoadResource(inst, res) : nullptr;
    auto* tmpl = mem ? static_cast<LPCDLGTEMPLATEW>(::LockResource(mem)) : nullptr;
    if (tmpl == nullptr) return -1;

    HWND owner = SafeOwner(m_pParentWnd);
    bool ownerDisabled = false;
    if (owner != nullptr && ::IsWindowEnabled(owner)) {
        ::EnableWindow(owner, FALSE);
        ownerDisabled = true;
    }

    m_endModal = false;
    m_nModalResult = -1;
    HWND hwnd = ::CreateDialogIndirectParamW(inst, tmpl, owner, StaticDlgProc, reinterpret_cast<LPARAM>(this));
    if (hwnd != nullptr && !m_endModal) {
        if (!::IsWindowVisible(hwnd) && ShowsAtOnce()) ::ShowWindow(hwnd, SW_SHOWNORMAL);
        MSG msg;
        bool kickIdle = true;
        LPARAM idleCount = 0;
        while (!m_endModal) {
            // Paint requests count as messages here: an empty queue is a painted window.
            if (kickIdle && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
                kickIdle = ::SendMessageW(hwnd, WM_KICKIDLE, MSGF_DIALOGBOX, idleCount++) != 0;
                continue;
            }
            BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
            if (got == 0) {
                ::PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            if (got == -1) break;
            if (!PreTranslateTree(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
    }

    // Give activation back to the owner before the dialog disappears, so that no other
    // application comes to the front in between.
    if (ownerDisabled) ::EnableWindow(owner, TRUE);
    if (hwnd != nullptr && ::IsWindow(hwnd)) {
        ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
        if (owner != nullptr && ::GetActiveWindow() == hwnd) ::SetActiveWindow(owner);
        ::DestroyWindow(hwnd);
    } else if (owner != nullptr && ::GetActiveWindow() == nullptr) {
        ::SetActiveWindow(owner);
    }
    return m_nModalResult;
}

void CDialog::EndDialog(INT_PTR result) {
    m_nModalResult = result;
    m_endModal = true;
    if (m_hWnd != nullptr) ::PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wake the modal loop
}

BOOL CDialog::OnInitDialog() {
    // Binds the controls to their objects.
    CDataExchange dx{this};
    DoDataExchange(&dx);
    return TRUE;
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && m_hWnd != nullptr &&
        (msg->hwnd == m_hWnd || ::IsChild(m_hWnd, msg->hwnd))) {
        return ::IsDialogMessageW(m_hWnd, msg);
    }
    return FALSE;
}

// Offers a queued message to the objects of its window and of every window above it,
// up to this dialog, the innermost first.
BOOL CDialog::PreTranslateTree(MSG* msg) {
    for (HWND hwnd = msg->hwnd; hwnd != nullptr; hwnd = ::GetParent(hwnd)) {
        if (CWnd* wnd = FromHandle(hwnd)) {
            if (wnd->PreTranslateMessage(msg)) return TRUE;
        }
        if (hwnd == m_hWnd) return FALSE;
    }
    return FALSE;
}

BOOL CDialog::HandleInitDialog() {
    RECT before;
    ::GetWindowRect(m_hWnd, &before);
    bool wasVisible = (GetStyle() & WS_VISIBLE) != 0;

    BOOL result = OnInitDialog();

    // A dialog that neither showed nor moved itself during initialisation is centred over
    // its owner (or in the work area when it has none, or its owner is still enabled).
    if (wasVisible || (GetStyle() & (WS_VISIBLE | WS_CHILD)) != 0) return result;
    RECT after;
    ::GetWindowRect(m_hWnd, &after);
    if (after.left != before.left || after.top != before.top) return result;
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    if (owner != nullptr && ::IsWindowEnabled(owner)) return result;
    CenterWindow();
    return result;
}

LRESULT CDialog::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CHANGEUISTATE) {
        const LRESULT result = CWnd::WindowProc(msg, wp, lp);
        OnChangeUIState(LOWORD(wp), HIWORD(wp));
        return result;
    }
    return CWnd::WindowProc(msg, wp, lp);
}

bool CDialog::OnButtonClicked(int id) {
    switch (id) {
    case IDOK: OnOK(); return true;
    case IDCANCEL: OnCancel(); return true;
    default: return false;
    }
}

INT_PTR CALLBACK CDialog::StaticDlgProc(HWND hwnd, UINT msg, WPARAM, LPARAM lp) {
    // Only the binding happens here; once bound, every message reaches the object through
    // the subclass procedure and this procedure leaves the rest to the dialog manager.
    if (msg != WM_INITDIALOG) return FALSE;
    auto* self = reinterpret_cast<CDialog*>(lp);
    if (self == nullptr || !self->SubclassWindow(hwnd)) return FALSE;
    return self->HandleInitDialog();
}
