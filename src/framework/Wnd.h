// CWnd: binds an HWND to its C++ object and dispatches its messages.
//
// Every window of the program is bound the same way: the window procedure is subclassed
// (SetWindowSubclass) and each message goes through CWnd::SubclassProc to the virtual
// WindowProc of the object. A class handles its messages in one switch and passes the rest
// to its base class; CWnd::WindowProc finally reflects owner-draw requests to the child that
// sent them and gives everything else the window's default processing.
#pragma once

#include "Afx.h"

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // The object bound to hwnd, or null for a window that is not ours.
    static CWnd* FromHandle(HWND hwnd);

    BOOL SubclassWindow(HWND hwnd);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);

    // Creates a window of our default child class (double clicks, redraw on resize,
    // arrow cursor, no background brush) and binds it to this object.
    BOOL CreateEx(DWORD exStyle, const wchar_t* text, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    BOOL DestroyWindow();

    // Called for every queued message before it is dispatched; return TRUE to swallow it.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // Owner-draw request reflected from the parent.
    virtual void DrawItem(DRAWITEMSTRUCT* dis);

    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)); }
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT swpFlags = 0);
    void SetWindowText(const wchar_t* text) { ::SetWindowTextW(m_hWnd, text); }
    CString GetWindowText() const;
    CWnd* GetDlgItem(int id) const { return FromHandle(::GetDlgItem(m_hWnd, id)); }
    void SetDlgItemText(int id, const wchar_t* text) { ::SetDlgItemTextW(m_hWnd, id, text); }
    BOOL Invalidate(BOOL erase = TRUE) { return ::InvalidateRect(m_hWnd, nullptr, erase); }
    BOOL InvalidateRect(const RECT* rect, BOOL erase = TRUE) { return ::InvalidateRect(m_hWnd, rect, erase); }
    BOOL SetWindowPos(HWND after, int x, int y, int cx, int cy, UINT flags) {
        return ::SetWindowPos(m_hWnd, after, x, y, cx, cy, flags);
    }
    BOOL MoveWindow(int x, int y, int cx, int cy, BOOL repaint = TRUE) {
        return ::MoveWindow(m_hWnd, x, y, cx, cy, repaint);
    }
    BOOL ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) { return ::SendMessageW(m_hWnd, msg, wp, lp); }
    BOOL PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) { return ::PostMessageW(m_hWnd, msg, wp, lp); }
    void CenterWindow();

    HWND m_hWnd = nullptr;

protected:
    // The one message handler of a class; unhandled messages go to the base class.
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    // Default processing of the message being handled.
    LRESULT Default();
    LRESULT DefWindowProc(UINT msg, WPARAM wp, LPARAM lp);
    // Called after the window has received its last message.
    virtual void PostNcDestroy() {}

private:
    static void Unbind(HWND hwnd);
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR ref);

    MSG m_current{};  // the message being handled, for Default()
};
