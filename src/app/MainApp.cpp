#include "app/MainApp.h"
#include "app/CommandLine.h"
#include "app/MainDlg.h"
#include "app/SignInRun.h"
#include "app/UnattendedClean.h"
#include "clean/SecondPassCopy.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {
constexpr wchar_t kAppName[] = L"Dustwhirl";
}

CMainApp theApp;

CMainApp::~CMainApp() = default;

BOOL CMainApp::InitInstance() {
    Enable3dControlsStatic();

    // The name is both the application object's own and the one every window reads.
    SetAppName(kAppName);

    // The wide command line: the narrow one has names outside the code page mapped to others.
    const std::vector<CString> args = ProcessArguments();
    std::vector<const wchar_t*> argv;
    for (const CString& arg : args) argv.push_back(arg.c_str());
    const CommandLine line = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
    switch (line.mode) {
    case CommandLine::Mode::Window: {
        CMainDlg dlg;
        if (std::optional<KeepListSource> named = NamedKeepList(line)) dlg.SetKeepList(*named);
        m_pMainWnd = &dlg;
        dlg.DoModal();
        m_pMainWnd = nullptr;
        break;
    }
    case CommandLine::Mode::Clean: {
        m_exitCode = RunUnattendedClean(line, ProtectedCacheReach::OfThisProcess());
        break;
    }
    case CommandLine::Mode::SignIn:
        m_exitCode = RunSignInCommand(line);
        break;
    case CommandLine::Mode::SignInRun:
        m_exitCode = RunAtSignIn(line, SignInFolder());
        break;
    case CommandLine::Mode::SecondPassCopy:
        switch (RunSecondPassCopy(line.bCache, line.bCookie, line.keepRules.value_or(CKeepList()), line.reportPipe,
                                  line.controlPipe)) {
        case SecondPassCopyOutcome::AllDeleted: m_exitCode = ExitCode::AllDeleted; break;
        case SecondPassCopyOutcome::NotAllDeleted: m_exitCode = ExitCode::SomeNotDeleted; break;
        case SecondPassCopyOutcome::NotRun: m_exitCode = ExitCode::Usage; break;
        }
        break;
    case CommandLine::Mode::Usage:
        if (!line.silent) {
            CString text = line.error.empty() ? CString(kCommandLineUsage) : line.error + L"\n\n" + kCommandLineUsage;
            AfxMessageBox(text.c_str(), line.error.empty() ? MB_OK | MB_ICONINFORMATION : MB_OK | MB_ICONWARNING);
        }
        m_exitCode = ExitCode::Usage;
        break;
    }
    // No message loop of our own: the program ends with its main dialog.
    return FALSE;
}
