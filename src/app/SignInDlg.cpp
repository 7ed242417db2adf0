#include "app/SignInDlg.h"

#include "app/SignInRun.h"
#include "app/SignInIds.h"
#include "framework/WinApp.h"
#include "framework/WinUtil.h"

namespace {

// The choices in the order of their buttons: nothing, the cache, the cookies, both.
struct Kind {
    int button;
    bool bCache, bCookie;
};
constexpr Kind kKinds[] = {
    {IDC_SIGNIN_OFF, false, false},
    {IDC_SIGNIN_CACHE, true, false},
    {IDC_SIGNIN_COOKIE, false, true},
    {IDC_SIGNIN_ALL, true, true},
};

const Kind& KindOf(const SignInSetting& setting) {
    for (const Kind& kind : kKinds) {
        if (kind.bCache == setting.bCache && kind.bCookie == setting.bCookie) return kind;
    }
    return kKinds[0];
}

// Whether the file is there; a file on a share or a drive that is not local is taken to be
// there, unasked: the answer could wait on a network that is gone.
bool FileExists(const CString& path) {
    if (!OnLocalDisk(path)) return true;
    const CString full = LongPathForm(path);
    return !full.empty() && ::GetFileAttributesW(full.c_str()) != INVALID_FILE_ATTRIBUTES;
}

CString ErrorNumber(LONG error) { return DecimalText(static_cast<ULONGLONG>(static_cast<DWORD>(error))); }

}  // namespace

CSignInDlg::CSignInDlg(CString program, CString log, CWnd* parent)
    : CDialog(IDD_SIGN_IN, parent), m_program(std::move(program)), m_log(std::move(log)) {}

BOOL CSignInDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetDlgItemText(IDC_SIGNIN_LOG, m_log.empty() ? L"" : (L"記録: " + m_log).c_str());
    Show(ReadSignInSetting());
    return TRUE;
}

void CSignInDlg::Show(const SignInSetting& setting) {
    m_read = setting;
    const bool known = setting.state == SignInSetting::State::None || setting.state == SignInSetting::State::Ours;
    const bool readable = setting.state != SignInSetting::State::Unreadable;
    const int checked = known ? KindOf(setting).button : 0;
    for (const Kind& kind : kKinds) {
        ::CheckDlgButton(m_hWnd, kind.button, kind.button == checked ? BST_CHECKED : BST_UNCHECKED);
        ::EnableWindow(::GetDlgItem(m_hWnd, kind.button), readable);
    }
    // What cannot be read cannot be kept safe from an overwrite: nothing is written then.
    ::EnableWindow(::GetDlgItem(m_hWnd, IDOK), readable);

    CString state;
    bool otherCopy = false;
    switch (setting.state) {
    case SignInSetting::State::None: break;
    case SignInSetting::State::Ours:
        otherCopy = !SameProgram(setting.program, m_program);
        if (otherCopy) {
            state = L"別の場所の Dustwhirl を起動する設定です" +
                    CString(FileExists(setting.program) ? L":\n" : L"（そのファイルはありません）:\n") + setting.program;
        }
        break;
    case SignInSetting::State::Foreign:
        state = L"「Dustwhirl」という値がありますが、このプログラムが書いたものではありません。選んで OK を押すと書き換えます:\n" +
                setting.text;
        break;
    case SignInSetting::State::Unreadable:
        state = L"いまの設定を読めないため、変更できません（レジストリのエラー " + ErrorNumber(setting.error) + L"）。";
        break;
    }
    SetDlgItemText(IDC_SIGNIN_STATE, state.c_str());
    HWND here = ::GetDlgItem(m_hWnd, IDC_SIGNIN_HERE);
    ::ShowWindow(here, otherCopy ? SW_SHOW : SW_HIDE);
    // A copy that is gone starts nothing: pointing the value here is then the sensible default.
    ::CheckDlgButton(m_hWnd, IDC_SIGNIN_HERE, otherCopy && !FileExists(setting.program) ? BST_CHECKED : BST_UNCHECKED);
}

int CSignInDlg::Choice() const {
    for (const Kind& kind : kKinds) {
        if (::IsDlgButtonChecked(m_hWnd, kind.button) == BST_CHECKED) return kind.button;
    }
    return 0;
}

void CSignInDlg::OnOK() {
    const int choice = Choice();
    if (m_read.state == SignInSetting::State::Unreadable) return;
    if (choice == 0) {
        EndDialog(IDCANCEL);  // nothing chosen, nothing changed
        return;
    }
    const SignInSetting now = ReadSignInSetting();
    if (now != m_read) {
        AfxMessageBox(L"サインイン時の削除の設定は、この画面を開いた後でほかのプログラムに変更されました。"
                      L"上書きせず、いまの設定を表示します。",
                      MB_OK | MB_ICONEXCLAMATION);
        Show(now);
        return;
    }
    const Kind* kind = &kKinds[0];
    for (const Kind& k : kKinds) {
        if (k.button == choice) kind = &k;
    }
    const bool keepOtherCopy = m_read.state == SignInSetting::State::Ours && !SameProgram(m_read.program, m_program) &&
                               ::IsDlgButtonChecked(m_hWnd, IDC_SIGNIN_HERE) != BST_CHECKED;
    const CString& program = keepOtherCopy ? m_read.program : m_program;
    const bool unchanged = (m_read.state == SignInSetting::State::None && !kind->bCache && !kind->bCookie) ||
                           (m_read.state == SignInSetting::State::Ours && KindOf(m_read).button == choice &&
                            SameProgram(m_read.program, program));
    if (!unchanged) {
        const LONG error = WriteSignInSetting(program, kind->bCache, kind->bCookie);
        if (error != ERROR_SUCCESS) {
            AfxMessageBox((L"サインイン時の削除を設定できませんでした（レジストリのエラー " + ErrorNumber(error) + L"）。").c_str(),
                          MB_OK | MB_ICONSTOP);
            return;
        }
    }
    EndDialog(IDOK);
}

INT_PTR EditSignIn(CWnd* parent) {
    const CString folder = SignInFolder();
    CSignInDlg dialog(GetModuleFilePath(), folder.empty() ? CString() : SignInLogPath(folder), parent);
    return dialog.DoModal();
}
