#include "WinApp.h"
#include "Wnd.h"

#include <cstdlib>
#include <cstring>

namespace {
CWinApp* g_app = nullptr;
const wchar_t* g_appName = L"";
}

CWinApp::CWinApp() {
    g_app = this;
    m_hInstance = ::GetModuleHandleW(nullptr);
}

CWinApp::~CWinApp() {
    if (g_app == this) {
        g_app = nullptr;
        g_appName = L"";
    }
    std::free(const_cast<wchar_t*>(m_pszAppName));
    m_pszAppName = nullptr;
}

void CWinApp::DoWaitCursor(int nCode) {
    m_nWaitCursorCount += nCode;
    if (m_nWaitCursorCount > 0) {
        HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
        if (nCode > 0 && m_nWaitCursorCount == 1) m_hcurWaitCursorRestore = previous;
    } else {
        m_nWaitCursorCount = 0;
        ::SetCursor(m_hcurWaitCursorRestore);
    }
}

int CWinApp::DoMessageBox(const wchar_t* text, UINT type, UINT /*helpId*/) {
    // Like the classic framework: a box without an icon gets the one that fits its buttons.
    if ((type & MB_ICONMASK) == 0) {
        switch (type & MB_TYPEMASK) {
        case MB_OK:
        case MB_OKCANCEL: type |= MB_ICONEXCLAMATION; break;
        case MB_YESNO:
        case MB_YESNOCANCEL: type |= MB_ICONQUESTION; break;
        default: break;
        }
    }
    HWND owner = nullptr;
    if (m_pMainWnd != nullptr && m_pMainWnd->GetSafeHwnd() != nullptr) {
        owner = ::GetLastActivePopup(m_pMainWnd->GetSafeHwnd());
    } else {
        owner = ::GetActiveWindow();
    }
    return ::MessageBoxW(owner, text, AfxGetAppName(), type);
}

void CWinApp::Enable3dControlsStatic() {
    // Three-dimensional controls are the platform's default today; what is left to do is to
    // register the common controls (the progress bar) for this process.
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
}

void CWinApp::SetAppName(const wchar_t* name) {
    std::free(const_cast<wchar_t*>(m_pszAppName));
    m_pszAppName = ::_wcsdup(name);
    AfxSetAppName(m_pszAppName);
}

CWinApp* AfxGetApp() { return g_app; }

const wchar_t* AfxGetAppName() { return g_appName; }

void AfxSetAppName(const wchar_t* name) { g_appName = name != nullptr ? name : L""; }

HINSTANCE AfxGetResourceHandle() { return ::GetModuleHandleW(nullptr); }

CWnd* AfxGetMainWnd() { return g_app != nullptr ? g_app->m_pMainWnd : nullptr; }

int AfxMessageBox(const wchar_t* text, UINT type, UINT helpId) {
    if (g_app != nullptr) return g_app->DoMessageBox(text, type, helpId);
    return ::MessageBoxW(::GetActiveWindow(), text, AfxGetAppName(), type);
}
