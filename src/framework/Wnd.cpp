#include "Wnd.h"

namespace {
constexpr UINT_PTR kSubclassId = 0x44575731;  // "DWW1"
constexpr wchar_t kChildClass[] = L"DustwhirlWnd";
// The bound object is also kept in a window property, so that FromHandle needs no
// GetWindowSubclass, which not every comctl32 import library provides.
constexpr wchar_t kBindingProp[] = L"Dustwhirl.CWnd";

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

void CWnd::Unbind(HWND hwnd) {
    ::RemoveWindowSubclass(hwnd, SubclassProc, kSubclassId);
    ::RemovePropW(hwnd, kBindingProp);
}

CWnd::~CWnd() {
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) {
        // The object goes first: the window lives on unbound.
        Unbind(m_hWnd);
    }
    m_hWnd = nullptr;
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    if (hwnd == nullptr) return nullptr;
    return static_cast<CWnd*>(::GetPropW(hwnd, kBindingProp));
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
    if (hwnd == nullptr || m_hWnd != nullptr || FromHandle(hwnd) != nullptr) return FALSE;
    if (!::SetPropW(hwnd, kBindingProp, this)) return FALSE;
    if (!::SetWindowSubclass(hwnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        ::RemovePropW(hwnd, kBindingProp);
        return FALSE;
    }
    m_hWnd = hwnd;
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

void CWnd::CenterWindow() {
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
    int w = rc.right - rc.left;
    int h = rc.bottom - rc.top;
    int x = (target.left + target.right) / 2 - w / 2;
    int y = (target.top + target.bottom) / 2 - h / 2;
    // Keep the window inside the work area.
    if (x + w > area.right) x = area.right - w;
    if (x < area.left) x = area.left;
    if (y + h > area.bottom) y = area.bottom - h;
    if (y < area.top) y = area.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM, LPARAM lp) {
    if (msg == WM_DRAWITEM) {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        if (dis != nullptr && dis->CtlType != ODT_MENU) {
            if (CWnd* child = FromHandle(dis->hwndItem)) {
                child->DrawItem(dis);
                return TRUE;
            }
        }
    }
    return Default();
}

LRESULT CWnd::Default() { return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam); }

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wp, LPARAM lp) { return ::DefSubclassProc(m_hWnd, msg, wp, lp); }

LRESULT CALLBACK CWnd::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    CWnd* self = reinterpret_cast<CWnd*>(ref);

    MSG saved = self->m_current;
    self->m_current = MSG{hwnd, msg, wp, lp, 0, {}};
    LRESULT result = self->WindowProc(msg, wp, lp);
    self->m_current = saved;

    if (msg == WM_NCDESTROY) {
        Unbind(hwnd);
        self->m_hWnd = nullptr;
        self->PostNcDestroy();
    }
    return result;
}
