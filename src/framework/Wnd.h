// CWnd: binds an HWND to its C++ object and dispatches its messages.
//
// Every window of the program is bound the same way: its window procedure is replaced by
// CWnd::BoundProc, which finds the object in the window's user data and gives each message to
// its virtual WindowProc. (Not SetWindowSubclass: Wine's comctl32 reads a window property for
// every message, a round trip to the Wine server each, hundreds in one start-up.) A class handles its messages in one switch and passes the rest
// to its base class; CWnd::WindowProc finally takes apart the messages whose parameters pack
// several values (commands, notifications, the cursor's hit test, a change of scale) and calls
// their handlers with the values, reflects owner-draw requests to the child that sent them,
// and gives everything else the window's default processing.
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
    // A change of the keyboard cues for this window (WM_UPDATEUISTATE), before the system keeps
    // it: action is UIS_SET, UIS_CLEAR or UIS_INITIALIZE, flags the UISF_ cues it names.
    virtual void OnUpdateUIState(UINT /*action*/, UINT /*flags*/) {}

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
    void SetRedraw(BOOL redraw = TRUE) { ::SendMessageW(m_hWnd, WM_SETREDRAW, static_cast<WPARAM>(redraw), 0); }
    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) { return ::SendMessageW(m_hWnd, msg, wp, lp); }
    BOOL PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) { return ::PostMessageW(m_hWnd, msg, wp, lp); }
    // Centres the window over its owner, or in its monitor's work area; at the given size
    // instead of its own when there is one, so that sizing and centring are one move.
    void CenterWindow(SIZE newSize = SIZE{0, 0});

    HWND m_hWnd = nullptr;

protected:
    // The one message handler of a class; unhandled messages go to the base class.
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    // Default processing of the message being handled.
    LRESULT Default();
    LRESULT DefWindowProc(UINT msg, WPARAM wp, LPARAM lp);
    // Called after the window has received its last message.
    virtual void PostNcDestroy() {}

    // The handlers of the messages that WindowProc takes apart. Each one that is not overridden
    // gives its message the default processing.
    // WM_COMMAND: true when handled. A click, or a command no control sent (a menu item, an
    // accelerator, Enter or Esc without their button), goes on to OnButtonClicked.
    virtual bool OnCommand(int id, UINT code, HWND control);
    // A click of the button id, or a command with that id; true when handled.
    virtual bool OnButtonClicked(int /*id*/) { return false; }
    // WM_NOTIFY: the result the sender reads.
    virtual LRESULT OnNotify(const NMHDR& header);
    // WM_SETCURSOR for the cursor over this window at hitTest: TRUE when the cursor was set.
    virtual BOOL OnSetCursor(UINT hitTest);
    // WM_DPICHANGED: the window's new DPI and the rectangle Windows suggests for it there.
    virtual void OnDpiChanged(UINT dpi, const RECT& suggested);

private:
    static void Unbind(HWND hwnd, WNDPROC previous);
    static LRESULT CALLBACK BoundProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    MSG m_current{};  // the message being handled, for Default()
    WNDPROC m_previousProc = nullptr;  // the window's own procedure, which does the default processing
};
