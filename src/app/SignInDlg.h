// CSignInDlg: cleaning at sign-in as a person sets it. It shows what the Run value says (the
// only place the choice is kept), says when the value starts another copy of the program and
// offers to start this one instead. OK writes the value, but never over one that another
// program changed while the dialog was open, and never when the value could not be read.
#pragma once

#include "app/SignInSetting.h"
#include "framework/Dialog.h"

#include <string>

class CSignInDlg : public CDialog {
public:
    // program: this copy's executable, which the value is written to start; log: where the
    // run's log goes (empty: unknown).
    CSignInDlg(CString program, CString log, CWnd* parent = nullptr);

    // The setting as the dialog last read it.
    const SignInSetting& Shown() const { return m_read; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    void Show(const SignInSetting& setting);
    // The choice's button (IDC_SIGNIN_OFF ... IDC_SIGNIN_ALL), or 0 when none is checked.
    int Choice() const;

    CString m_program;
    CString m_log;
    SignInSetting m_read;
};

// Opens the dialog for this executable from the system menu; returns its result.
INT_PTR EditSignIn(CWnd* parent);
