// CDialog: modal dialogs created from a template in the program's resources.
#pragma once

#include "Wnd.h"

class CDialog;

// Sent to a modal dialog by its loop each time the queue has run empty (wParam MSGF_DIALOGBOX,
// lParam how many were sent before), for as long as the dialog answers nonzero. By then every
// window the dialog showed has painted: work that its first picture does not need goes here.
constexpr UINT WM_KICKIDLE = 0x036A;

// Binds dialog controls to their objects while a dialog initialises.
struct CDataExchange {
    CDialog* m_pDlgWnd;
};
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Creates the dialog, runs its modal loop and returns the value given to EndDialog
    // (-1 when the dialog could not be created).
    virtual INT_PTR DoModal();
    void EndDialog(INT_PTR result);

    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    virtual void DoDataExchange(CDataExchange*) {}
    // False for a dialog that shows itself when it has something to show: DoModal then runs
    // its loop with the dialog hidden (its owner is disabled all the same).
    virtual bool ShowsAtOnce() const { return true; }
    // After the system has taken a change of the keyboard cues (WM_CHANGEUISTATE): action is
    // UIS_SET, UIS_CLEAR or UIS_INITIALIZE, flags the UISF_ cues it names.
    virtual void OnChangeUIState(UINT /*action*/, UINT /*flags*/) {}

    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    // IDOK goes to OnOK and IDCANCEL to OnCancel; a dialog with buttons of its own handles
    // them first and leaves these two here.
    bool OnButtonClicked(int id) override;

    UINT m_nIDHelp;
    CWnd* m_pParentWnd;

private:
    static INT_PTR CALLBACK StaticDlgProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    BOOL HandleInitDialog();
    BOOL PreTranslateTree(MSG* msg);

    bool m_endModal = false;
    INT_PTR m_nModalResult = -1;
};
