// Cleaning at sign-in: the /signin words, the Run value's form read back by the parser the run
// itself uses, the registry's refusals, and the note that the window reads once.
#include "app/CommandLine.h"
#include "app/SignInDlg.h"
#include "app/SignInRun.h"
#include "app/resource.h"
#include "app/SignInSetting.h"
#include "framework/FileReplace.h"
#include "framework/UniqueHandle.h"
#include "framework/WinUtil.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

CommandLine Parse(std::vector<const wchar_t*> args) { return ParseCommandLine(static_cast<int>(args.size()), args.data()); }

TEST(SignInCommandLine, TheSettingTakesOneWordAndNothingElse) {
    struct Case {
        std::vector<const wchar_t*> args;
        bool bCache, bCookie, silent;
    };
    const Case settings[] = {
        {{L"/signin", L"cache"}, true, false, false},
        {{L"-SignIn", L"COOKIE"}, false, true, false},
        {{L"/signin", L"All", L"/silent"}, true, true, true},
        {{L"/signin", L"off"}, false, false, false},
    };
    for (const Case& c : settings) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(c.args[1])));
        const CommandLine line = Parse(c.args);
        EXPECT_EQ(line.mode, CommandLine::Mode::SignIn);
        EXPECT_EQ(line.bCache, c.bCache);
        EXPECT_EQ(line.bCookie, c.bCookie);
        EXPECT_EQ(line.silent, c.silent);
    }
    // A word forgotten, unknown, given twice, or a cleaning's option beside it: the usage.
    const std::vector<std::vector<const wchar_t*>> mistakes = {
        {L"/signin"}, {L"/signin", L"never"}, {L"/signin", L"/cache"}, {L"/signin", L"cache", L"/cookie"},
        {L"/signin", L"cache", L"/signin", L"off"}, {L"/signin", L"all", L"/log", L"x.log"},
        {L"/signin", L"cookie", L"/nokeep"}, {L"/signin", L"cookie", L"/keep", L"k.txt"},
        {L"/signin", L"all", L"/atsignin"}, {L"/signin", L"off", L"stray"},
        // The run the value starts takes exactly one kind and nothing of a file.
        {L"/atsignin"}, {L"/atsignin", L"/cache", L"/cookie"}, {L"/atsignin", L"/all", L"/log", L"x.log"},
        {L"/atsignin", L"/cookie", L"/nokeep"}, {L"/atsignin", L"/cookie", L"/preview"},
        {L"/atsignin", L"/cookie", L"/keep", L"k.txt"},
    };
    for (const auto& args : mistakes) {
        SCOPED_TRACE(::testing::PrintToString(std::vector<std::wstring>(args.begin(), args.end())));
        const CommandLine line = Parse(args);
        EXPECT_EQ(line.mode, CommandLine::Mode::Usage);
        EXPECT_FALSE(line.error.empty());
    }
    const CommandLine run = Parse({L"/atsignin", L"/cookie"});
    EXPECT_EQ(run.mode, CommandLine::Mode::SignInRun);
    EXPECT_TRUE(run.silent) << "a run at sign-in shows nothing";
    EXPECT_TRUE(run.bCookie && !run.bCache);
}

// Paths with spaces, characters outside every code page, a share, and one past MAX_PATH: the
// value quotes the full path, the system's own split gives it back whole as the program, and
// the parser reads back the kind.
TEST(SignInValue, RoundTripsEveryPathAndKind) {
    const std::wstring programs[] = {
        L"C:\\Program Files\\Dustwhirl\\Dustwhirl.exe",
        L"C:\\ツール\\café 로그 ü\\Dustwhirl.exe",
        L"\\\\server\\share\\a b\\Dustwhirl.exe",
        L"C:\\" + std::wstring(300, L'd') + L"\\Dustwhirl.exe",
        L"C:\\trailing dots..\\x.exe",
    };
    struct Kind {
        bool bCache, bCookie;
    };
    for (const std::wstring& program : programs) {
        for (Kind kind : {Kind{true, false}, Kind{false, true}, Kind{true, true}}) {
            SCOPED_TRACE(ToUtf8(program) + (kind.bCache ? " cache" : "") + (kind.bCookie ? " cookie" : ""));
            const std::wstring value = SignInValue(program, kind.bCache, kind.bCookie);
            ASSERT_FALSE(value.empty());
            EXPECT_EQ(value.compare(0, program.size() + 2, L"\"" + program + L"\""), 0);
            int argc = 0;
            LPWSTR* argv = ::CommandLineToArgvW(value.c_str(), &argc);
            ASSERT_NE(argv, nullptr);
            EXPECT_EQ(std::wstring(argv[0]), program) << "the program the system starts";
            ::LocalFree(argv);

            const SignInSetting read = ParseSignInValue(value);
            EXPECT_EQ(read.state, SignInSetting::State::Ours);
            EXPECT_EQ(read.program, program);
            EXPECT_EQ(read.bCache, kind.bCache);
            EXPECT_EQ(read.bCookie, kind.bCookie);
        }
    }
    // Nothing to clean, no path, or one that cannot be quoted: no value at all.
    EXPECT_EQ(SignInValue(programs[0], false, false), L"");
    EXPECT_EQ(SignInValue(L"", true, true), L"");
    EXPECT_EQ(SignInValue(L"C:\\a\"b\\x.exe", true, false), L"");
}

// A value this program did not write in exactly its form is never read as one of its
// settings: a rewrite would drop what the user added.
TEST(SignInValue, AnyOtherFormIsForeign) {
    const std::wstring ours = SignInValue(L"C:\\D\\Dustwhirl.exe", false, true);
    const std::wstring others[] = {
        L"",
        L"C:\\D\\Dustwhirl.exe /atsignin /cookie",
        ours + L" /log x.log",
        ours + L" extra",
        L"\"C:\\D\\Dustwhirl.exe\"  /atsignin /cookie",
        L"\"C:\\D\\Dustwhirl.exe\" /cookie /silent",
        L"\"C:\\D\\Dustwhirl.exe\" /atsignin /cookie /cache",
        L"\"C:\\D\\Dustwhirl.exe",
        L"\"\" /atsignin /cookie",
    };
    for (const std::wstring& text : others) {
        SCOPED_TRACE(ToUtf8(text));
        const SignInSetting read = ParseSignInValue(text);
        EXPECT_EQ(read.state, SignInSetting::State::Foreign);
        EXPECT_EQ(read.text, text);
    }
}

// A key of the test's own stands in for the Run key; one opened for reading only is a
// registry that refuses.
class SignInRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, m_key.Receive(), nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        m_key.Reset();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
    }
    void Store(DWORD type, const std::wstring& text) {
        ASSERT_EQ(::RegSetValueExW(m_key.get(), kSignInValueName, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
    static constexpr wchar_t kKey[] = L"Software\\Dustwhirl tests\\Run";
    CRegistryKey m_key;
};

TEST_F(SignInRegistry, WrittenValuesReadBackAndOffRemovesThem) {
    const std::wstring program = L"C:\\ツール\\café\\Dustwhirl.exe";
    EXPECT_EQ(ReadSignInSetting(m_key.get()).state, SignInSetting::State::None);
    EXPECT_EQ(WriteSignInSetting(m_key.get(), program, false, false), ERROR_SUCCESS) << "off with nothing set";
    for (bool cache : {true, false}) {
        ASSERT_EQ(WriteSignInSetting(m_key.get(), program, cache, true), ERROR_SUCCESS);
        const SignInSetting read = ReadSignInSetting(m_key.get());
        EXPECT_EQ(read.state, SignInSetting::State::Ours);
        EXPECT_EQ(read.program, program);
        EXPECT_EQ(read.bCache, cache);
        EXPECT_TRUE(read.bCookie);
    }
    EXPECT_EQ(WriteSignInSetting(m_key.get(), program, false, false), ERROR_SUCCESS);
    EXPECT_EQ(ReadSignInSetting(m_key.get()).state, SignInSetting::State::None);
}

TEST_F(SignInRegistry, ValuesNotOfItsFormAreForeignOrUnreadable) {
    const std::wstring ours = SignInValue(L"C:\\D\\Dustwhirl.exe", true, false);
    Store(REG_EXPAND_SZ, ours);
    EXPECT_EQ(ReadSignInSetting(m_key.get()).state, SignInSetting::State::Foreign) << "an expandable string is never expanded";
    Store(REG_SZ, std::wstring(40000, L'x'));
    const SignInSetting tooLong = ReadSignInSetting(m_key.get());
    EXPECT_EQ(tooLong.state, SignInSetting::State::Unreadable);
    EXPECT_TRUE(tooLong.text.empty());
    // Stored without its terminator: read to the end of its bytes, no further.
    ASSERT_EQ(::RegSetValueExW(m_key.get(), kSignInValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(ours.c_str()),
                               static_cast<DWORD>(ours.size() * sizeof(wchar_t))),
              ERROR_SUCCESS);
    EXPECT_EQ(ReadSignInSetting(m_key.get()).state, SignInSetting::State::Ours);
}

TEST_F(SignInRegistry, ARefusingRegistryChangesNothingAndSaysSo) {
    ASSERT_EQ(WriteSignInSetting(m_key.get(), L"C:\\D\\Dustwhirl.exe", true, false), ERROR_SUCCESS);
    CRegistryKey readOnly;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE, readOnly.Receive()), ERROR_SUCCESS);
    EXPECT_NE(WriteSignInSetting(readOnly.get(), L"C:\\E\\Dustwhirl.exe", true, true), ERROR_SUCCESS);
    EXPECT_NE(WriteSignInSetting(readOnly.get(), L"C:\\E\\Dustwhirl.exe", false, false), ERROR_SUCCESS) << "off too";
    readOnly.Reset();
    const SignInSetting read = ReadSignInSetting(m_key.get());
    EXPECT_EQ(read.program, L"C:\\D\\Dustwhirl.exe");
    EXPECT_TRUE(read.bCache && !read.bCookie);
}

TEST(SignInProgram, SamePathInAnyCaseIsTheSameProgram) {
    const std::wstring self = GetModuleFilePath();
    std::wstring upper = self;
    ::CharUpperBuffW(&upper[0], static_cast<DWORD>(upper.size()));
    EXPECT_TRUE(SameProgram(self, upper));
    EXPECT_FALSE(SameProgram(self, self + L".old"));
    // Only a local disk is looked at: a share may hang on a network that is gone.
    EXPECT_TRUE(OnLocalDisk(L"C:\\Tools\\Dustwhirl.exe"));
    for (const wchar_t* remote : {L"\\\\server\\share\\Dustwhirl.exe", L"\\\\?\\C:\\x.exe", L"C:Dustwhirl.exe", L""}) {
        EXPECT_FALSE(OnLocalDisk(remote)) << ToUtf8(remote);
    }
}

// The note as the run leaves it and the window takes it: said once, then gone.
class SignInNote : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        m_folder = std::wstring(temp) + L"dustwhirl サインイン";
        ::CreateDirectoryW(m_folder.c_str(), nullptr);
        ::DeleteFileW(SignInResultPath(m_folder).c_str());
    }
    void TearDown() override {
        ::DeleteFileW(SignInResultPath(m_folder).c_str());
        ::RemoveDirectoryW(m_folder.c_str());
    }
    bool NoteExists() const { return ::GetFileAttributesW(SignInResultPath(m_folder).c_str()) != INVALID_FILE_ATTRIBUTES; }
    std::wstring m_folder;
};

TEST_F(SignInNote, TheWindowSaysOnceWhenTheLastRunDidNotEndWithZero) {
    struct Case {
        const char* note;  // null: no note at all
        const char* says;  // null: nothing is said
    };
    const Case cases[] = {
        {nullptr, nullptr},
        {"0", nullptr},
        {"1", "削除できなかった項目"},
        {"2", "残すサイトの一覧を読めなかったため、何も削除しませんでした"},
        {"3", "記録を書けませんでした"},
        {"4", "内部のエラー"},
        {"running", "途中で終わりました"},
        {"zz", "確かめられません"},
        {"1234567890123456789", "確かめられません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.note != nullptr ? c.note : "(none)");
        if (c.note != nullptr) ASSERT_TRUE(ReplaceFileWith(SignInResultPath(m_folder), c.note));
        const std::optional<CString> said = TakeSignInNotice(m_folder);
        EXPECT_EQ(said.has_value(), c.says != nullptr);
        if (said && c.says != nullptr) {
            EXPECT_NE(ToUtf8(*said).find(c.says), std::string::npos) << ToUtf8(*said);
            EXPECT_NE(said->find(SignInLogPath(m_folder)), CString::npos) << "the log's place";
        }
        EXPECT_FALSE(NoteExists()) << "taken when read";
        EXPECT_FALSE(TakeSignInNotice(m_folder).has_value()) << "said once";
    }
}

TEST_F(SignInNote, ARunStillGoingIsNotSaidAndItsNoteStays) {
    NoteSignInStarted(m_folder);
    {
        CKernelHandle running(::CreateMutexW(nullptr, TRUE, kSignInRunMutex));
        ASSERT_TRUE(static_cast<bool>(running));
        EXPECT_FALSE(TakeSignInNotice(m_folder).has_value());
        EXPECT_TRUE(NoteExists());
    }
    // The run that never ended is said the next time.
    EXPECT_TRUE(TakeSignInNotice(m_folder).has_value());
}

TEST_F(SignInNote, TheRunLeavesANoteOnlyWhenItDidNotEndWithZero) {
    for (ExitCode code : {ExitCode::Usage, ExitCode::AllDeleted, ExitCode::SomeNotDeleted, ExitCode::AllDeleted}) {
        SCOPED_TRACE(static_cast<int>(code));
        NoteSignInStarted(m_folder);
        EXPECT_TRUE(NoteExists()) << "a run that dies is seen";
        NoteSignInEnded(m_folder, code);
        EXPECT_EQ(NoteExists(), code != ExitCode::AllDeleted);
        EXPECT_EQ(TakeSignInNotice(m_folder).has_value(), code != ExitCode::AllDeleted);
    }
}

// The command writes this executable's own path, and off removes it again; the real Run key of
// the test's prefix.
TEST(SignInCommand, SetsAndRemovesTheValueForThisExecutable) {
    CommandLine line = Parse({L"/signin", L"cookie", L"/silent"});
    ASSERT_EQ(line.mode, CommandLine::Mode::SignIn);
    ASSERT_EQ(RunSignInCommand(line), ExitCode::AllDeleted);
    const SignInSetting set = ReadSignInSetting();
    EXPECT_EQ(set.state, SignInSetting::State::Ours);
    EXPECT_TRUE(SameProgram(set.program, GetModuleFilePath()));
    EXPECT_TRUE(set.bCookie && !set.bCache);
    line = Parse({L"/signin", L"off"});
    ASSERT_EQ(RunSignInCommand(line), ExitCode::AllDeleted);
    EXPECT_EQ(ReadSignInSetting().state, SignInSetting::State::None);
}

// The dialog run in this process, its steps played one after another from its own modal loop
// (and from a message box's, while one is up).
std::vector<std::function<void()>> g_steps;
size_t g_step = 0;
HWND g_dialog = nullptr;

BOOL CALLBACK FindSignInDialog(HWND w, LPARAM) {
    if (::GetDlgItem(w, IDC_SIGNIN_ALL) != nullptr) g_dialog = w;
    return TRUE;
}

void CALLBACK PlayStep(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    ::EnumThreadWindows(::GetCurrentThreadId(), FindSignInDialog, 0);
    if (g_step < g_steps.size()) g_steps[g_step++]();
    if (g_step < g_steps.size()) ::SetTimer(nullptr, 0, 100, PlayStep);
}

INT_PTR RunSignInDialog(const std::wstring& program, std::vector<std::function<void()>> steps) {
    g_steps = std::move(steps);
    g_step = 0;
    g_dialog = nullptr;
    ::SetTimer(nullptr, 0, 100, PlayStep);
    CSignInDlg dialog(program, L"C:\\log\\signin.log");
    return dialog.DoModal();
}

bool Checked(int id) { return ::IsDlgButtonChecked(g_dialog, id) == BST_CHECKED; }
bool Shown(int id) { return ::IsWindowVisible(::GetDlgItem(g_dialog, id)) != FALSE; }

std::string WindowTextOf(HWND w) {
    wchar_t text[1024] = {};
    ::GetWindowTextW(w, text, 1024);
    return ToUtf8(text);
}

class SignInDialog : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(WriteSignInSetting(L"", false, false), ERROR_SUCCESS); }
    void TearDown() override { WriteSignInSetting(L"", false, false); }
    const std::wstring m_here = L"C:\\ここ\\Dustwhirl.exe";
};

// The value starts a copy that is gone: the dialog says so, offers (checked) to point it here,
// and OK writes the new choice for this copy.
TEST_F(SignInDialog, ShowsTheValueAndPointsAnotherCopyHere) {
    const std::wstring gone = L"C:\\もうない\\Dustwhirl.exe";
    ASSERT_EQ(WriteSignInSetting(gone, false, true), ERROR_SUCCESS);
    bool cookie = false, here = false;
    std::string state;
    const INT_PTR result = RunSignInDialog(m_here, {[&] {
        ASSERT_NE(g_dialog, nullptr);
        cookie = Checked(IDC_SIGNIN_COOKIE) && !Checked(IDC_SIGNIN_OFF);
        state = WindowTextOf(::GetDlgItem(g_dialog, IDC_SIGNIN_STATE));
        here = Shown(IDC_SIGNIN_HERE) && Checked(IDC_SIGNIN_HERE);
        ::CheckRadioButton(g_dialog, IDC_SIGNIN_OFF, IDC_SIGNIN_ALL, IDC_SIGNIN_ALL);
        ::PostMessageW(g_dialog, WM_COMMAND, IDOK, 0);
    }});
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(cookie) << "the value's kind is shown";
    EXPECT_NE(state.find(ToUtf8(gone)), std::string::npos) << state;
    EXPECT_TRUE(here) << "pointing it here is offered, and chosen for a copy that is gone";
    const SignInSetting now = ReadSignInSetting();
    EXPECT_EQ(now.program, m_here);
    EXPECT_TRUE(now.bCache && now.bCookie);
}

// Fail closed: a value another program wrote while the dialog was open is not written over (the
// dialog says so and shows it), and one this program did not write changes only on a choice.
TEST_F(SignInDialog, NeverWritesOverAValueItDidNotShow) {
    std::string box;
    bool showsNew = false;
    const INT_PTR result = RunSignInDialog(m_here, {
        [&] {
            ASSERT_TRUE(Checked(IDC_SIGNIN_OFF));
            ASSERT_EQ(WriteSignInSetting(L"C:\\other\\Dustwhirl.exe", false, true), ERROR_SUCCESS);
            ::CheckRadioButton(g_dialog, IDC_SIGNIN_OFF, IDC_SIGNIN_ALL, IDC_SIGNIN_CACHE);
            ::PostMessageW(g_dialog, WM_COMMAND, IDOK, 0);
        },
        [&] {
            HWND w = ::GetForegroundWindow();
            box = WindowTextOf(::GetDlgItem(w, 0xFFFF));
            ::PostMessageW(w, WM_COMMAND, IDOK, 0);
        },
        [&] {
            showsNew = Checked(IDC_SIGNIN_COOKIE) && Shown(IDC_SIGNIN_HERE);
            ::PostMessageW(g_dialog, WM_COMMAND, IDCANCEL, 0);
        },
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_NE(box.find("ほかのプログラムに変更されました"), std::string::npos) << box;
    EXPECT_TRUE(showsNew) << "the value as it is now";
    const SignInSetting now = ReadSignInSetting();
    EXPECT_EQ(now.program, L"C:\\other\\Dustwhirl.exe");
    EXPECT_TRUE(now.bCookie && !now.bCache);

    LONG error = 0;
    CRegistryKey run = OpenRunKey(KEY_SET_VALUE, error);
    ASSERT_TRUE(run);
    const std::wstring mine = L"C:\\mine.exe /fast";
    ::RegSetValueExW(run.get(), kSignInValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(mine.c_str()),
                     static_cast<DWORD>((mine.size() + 1) * sizeof(wchar_t)));
    run.Reset();
    bool noneChecked = false;
    std::string state;
    EXPECT_EQ(RunSignInDialog(m_here, {[&] {
                  noneChecked = !Checked(IDC_SIGNIN_OFF) && !Checked(IDC_SIGNIN_CACHE) && !Checked(IDC_SIGNIN_COOKIE) &&
                                !Checked(IDC_SIGNIN_ALL);
                  state = WindowTextOf(::GetDlgItem(g_dialog, IDC_SIGNIN_STATE));
                  ::PostMessageW(g_dialog, WM_COMMAND, IDOK, 0);
              }}),
              IDCANCEL);
    EXPECT_TRUE(noneChecked);
    EXPECT_NE(state.find(ToUtf8(mine)), std::string::npos) << state;
    EXPECT_EQ(ReadSignInSetting().text, mine) << "OK without a choice changes nothing";

    // A value that cannot be read cannot be kept safe from an overwrite: nothing can be chosen.
    const std::wstring huge(40000, L'x');
    run = OpenRunKey(KEY_SET_VALUE, error);
    ASSERT_TRUE(run);
    ::RegSetValueExW(run.get(), kSignInValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(huge.c_str()),
                     static_cast<DWORD>((huge.size() + 1) * sizeof(wchar_t)));
    run.Reset();
    bool locked = false;
    EXPECT_EQ(RunSignInDialog(m_here, {[&] {
                  locked = !::IsWindowEnabled(::GetDlgItem(g_dialog, IDOK)) &&
                           !::IsWindowEnabled(::GetDlgItem(g_dialog, IDC_SIGNIN_ALL));
                  state = WindowTextOf(::GetDlgItem(g_dialog, IDC_SIGNIN_STATE));
                  ::PostMessageW(g_dialog, WM_COMMAND, IDOK, 0);  // as Enter would
                  ::PostMessageW(g_dialog, WM_COMMAND, IDCANCEL, 0);
              }}),
              IDCANCEL);
    EXPECT_TRUE(locked);
    EXPECT_NE(state.find("読めない"), std::string::npos) << state;
    EXPECT_EQ(ReadSignInSetting().state, SignInSetting::State::Unreadable) << "left as it was";
}

}  // namespace
