// The application object: name, main window, wait cursor and message boxes.
#pragma once

#include "Afx.h"

class CWnd;

// The exit code of a program that ended on an internal failure (an abort, an exception that
// nothing caught). Not 3, which the C runtime's abort would give and callers may read as
// something of their own.
constexpr int kExitAborted = 4;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Returns false to end the program without a message loop of its own.
    virtual BOOL InitInstance() { return FALSE; }
    virtual int ExitInstance() { return 0; }

    // Counted wait cursor shared by the whole application. It shows while the interface
    // thread is busy; once messages flow again, windows choose their cursors as usual.
    void BeginWaitCursor() { DoWaitCursor(1); }
    void EndWaitCursor() { DoWaitCursor(-1); }
    void DoWaitCursor(int nCode);
    int WaitCursorCount() const { return m_nWaitCursorCount; }

    // Message box with the application name as caption, owned by the main window.
    int DoMessageBox(const wchar_t* text, UINT type, UINT helpId);

    void Enable3dControlsStatic();

    // Replaces the application's name with a heap copy of name, and makes it the name every
    // part of the program reads (AfxGetAppName).
    void SetAppName(const wchar_t* name);

    const wchar_t* m_pszAppName = nullptr;  // heap copy owned by the application (free()d)
    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;

private:
    int m_nWaitCursorCount = 0;
    HCURSOR m_hcurWaitCursorRestore = nullptr;
};

CWinApp* AfxGetApp();
// The name every part of the program reads; empty before the application names itself.
const wchar_t* AfxGetAppName();
void AfxSetAppName(const wchar_t* name);
HINSTANCE AfxGetResourceHandle();
CWnd* AfxGetMainWnd();
int AfxMessageBox(const wchar_t* text, UINT type = MB_OK, UINT helpId = 0);

// Shows the wait cursor for the lifetime of the object.
class CWaitCursor {
public:
    CWaitCursor() { if (CWinApp* app = AfxGetApp()) app->BeginWaitCursor(); }
    ~CWaitCursor() { if (CWinApp* app = AfxGetApp()) app->EndWaitCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
