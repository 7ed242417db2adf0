#include "Wnd.h"

namespace {
constexpr wchar_t kChildClass[] = L"DustwhirlWnd";
// The procedure that was replaced, for a window whose object has gone while another
// procedure was installed above ours, so that ours can no longer be taken out. Only such a
// window gets the property: setting one is a round trip to the Wine server for every window.
constexpr wchar_t kPreviousProcProp[] = L"Dustwhirl.PreviousProc";

WNDPROC ProcOf(HWND hwnd) { return reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC)); }

ATOM RegisterChildClass() {
    static ATOM atom = [] {
        WNDCLASSW wc{};
        wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hbrBackground = nullptr;
        wc.lpszClassName = kChildClass;
        return ::RegisterClassW(&wc);
    }();
    return atom;
}
}  // namespace

void CWnd::Unbind(HWND hwnd, WNDPROC previous) {
    if (ProcOf(hwnd) != BoundProc) {
        // The procedure above ours will go on calling ours: leave it the way on, first.
        ::SetPropW(hwnd, kPreviousProcProp, reinterpret_cast<HANDLE>(previous));
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        return;
    }
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
}

CWnd::~CWnd() {
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) {
        // The object goes first: the window lives on unbound.
        Unbind(m_hWnd, m_previousProc);
    }
    m_hWnd = nullptr;
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    if (hwnd == nullptr || ProcOf(hwnd) != BoundProc) return nullptr;
    return reinterpret_cast<CWnd*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
    if (hwnd == nullptr || m_hWnd != nullptr || FromHandle(hwnd) != nullptr) return FALSE;
    // A window of another process, or one whose object has gone but not its procedure.
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid != ::GetCurrentProcessId() || ProcOf(hwnd) == BoundProc) return FALSE;
    WNDPROC previous = ProcOf(hwnd);
    if (previous == nullptr) return FALSE;
    m_previousProc = previous;
    m_hWnd = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(BoundProc));
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    if (parent == nullptr) return FALSE;
    return SubclassWindow(::GetDlgItem(parent->m_hWnd, static_cast<int>(id)));
}

BOOL CWnd::CreateEx(DWORD exStyle, const wchar_t* text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    RegisterChildClass();
    HWND hwnd = ::CreateWindowExW(exStyle, kChildClass, text, style, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), ::GetModuleHandleW(nullptr),
                                  nullptr);
    if (hwnd == nullptr) return FALSE;
    if (!SubclassWindow(hwnd)) {
        ::DestroyWindow(hwnd);
        return FALSE;
    }
    return TRUE;
}

BOOL CWnd::DestroyWindow() { return m_hWnd != nullptr ? ::DestroyWindow(m_hWnd) : FALSE; }

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

void CWnd::DrawItem(DRAWITEMSTRUCT*) {}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT swpFlags) {
    DWORD style = GetStyle();
    DWORD newStyle = (style & ~remove) | add;
    if (style == newStyle) return FALSE;
    ::SetWindowLongW(m_hWnd, GWL_STYLE, static_cast<LONG>(newStyle));
    if (swpFlags != 0) {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | swpFlags);
    }
    return TRUE;
}

CString CWnd::GetWindowText() const {
    int len = ::GetWindowTextLengthW(m_hWnd);
    CString text(static_cast<size_t>(len) + 1, L'\0');
    int got = ::GetWindowTextW(m_hWnd, text.data(), len + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

void CWnd::CenterWindow(SIZE newSize) {
    HWND center = ::GetWindow(m_hWnd, GW_OWNER);
    if (center != nullptr && (!::IsWindowVisible(center) || ::IsIconic(center))) center = nullptr;

    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    ::GetMonitorInfoW(::MonitorFromWindow(center ? center : m_hWnd, MONITOR_DEFAULTTONEAREST), &mi);
    RECT area = mi.rcWork;
    RECT target = center ? RECT{} : area;
    if (center != nullptr) ::GetWindowRect(center, &target);

    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    const bool resize = newSize.cx > 0 && newSize.cy > 0;
    int w = resize ? newSize.cx : rc.right - rc.left;
    int h = resize ? newSize.cy : rc.bottom - rc.top;
    int x = (target.left + target.right) / 2 - w / 2;
    int y = (target.top + target.bottom) / 2 - h / 2;
    // Keep the window inside the work area.
    if (x + w > area.right) x = area.right - w;
    if (x < area.left) x = area.left;
    if (y + h > area.bottom) y = area.bottom - h;
    if (y < area.top) y = area.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, w, h, (resize ? 0 : SWP_NOSIZE) | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp))) return 0;
        break;
    case WM_NOTIFY:
        if (lp != 0) return OnNotify(*reinterpret_cast<const NMHDR*>(lp));
        break;
    case WM_SETCURSOR:
        return OnSetCursor(LOWORD(lp));
    case WM_DPICHANGED:
        if (lp == 0) break;
        OnDpiChanged(LOWORD(wp), *reinterpret_cast<const RECT*>(lp));
        return 0;
    case WM_UPDATEUISTATE:
        OnUpdateUIState(LOWORD(wp), HIWORD(wp));
        break;
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        if (dis != nullptr && dis->CtlType != ODT_MENU) {
            if (CWnd* child = FromHandle(dis->hwndItem)) {
                child->DrawItem(dis);
                return TRUE;
            }
        }
        break;
    }
    default:
        break;
    }
    return Default();
}

bool CWnd::OnCommand(int id, UINT code, HWND control) {
    return (code == BN_CLICKED || control == nullptr) && OnButtonClicked(id);
}

LRESULT CWnd::OnNotify(const NMHDR&) { return Default(); }

BOOL CWnd::OnSetCursor(UINT) { return static_cast<BOOL>(Default()); }

void CWnd::OnDpiChanged(UINT, const RECT&) { Default(); }

LRESULT CWnd::Default() { return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam); }

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    return ::CallWindowProcW(m_previousProc, m_hWnd, msg, wp, lp);
}

LRESULT CALLBACK CWnd::BoundProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    CWnd* self = reinterpret_cast<CWnd*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) {
        auto previous = reinterpret_cast<WNDPROC>(::GetPropW(hwnd, kPreviousProcProp));
        return previous != nullptr ? ::CallWindowProcW(previous, hwnd, msg, wp, lp) : ::DefWindowProcW(hwnd, msg, wp, lp);
    }

    MSG saved = self->m_current;
    self->m_current = MSG{hwnd, msg, wp, lp, 0, {}};
    LRESULT result = self->WindowProc(msg, wp, lp);
    self->m_current = saved;

    if (msg == WM_NCDESTROY) {
        Unbind(hwnd, self->m_previousProc);
        self->m_hWnd = nullptr;
        self->PostNcDestroy();
    }
    return result;
}
