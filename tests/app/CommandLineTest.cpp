// The command line of unattended cleaning, as the program splits and reads it.
#include "app/CommandLine.h"
#include "app/KeepListDlg.h"
#include "app/UnattendedClean.h"
#include "clean/SecondPass.h"
#include "framework/UniqueHandle.h"
#include "framework/WinUtil.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <shlobj.h>

#include <vector>

namespace {

CommandLine Parse(std::vector<const wchar_t*> args) {
    return ParseCommandLine(static_cast<int>(args.size()), args.data());
}

// Split as the shell splits, whether or not the shell is asked: a line with only the program's
// name is split without it.
TEST(CommandLine, ArgumentsAreSplitAsTheShellSplitsThem) {
    const wchar_t* const lines[] = {
        L"", L"x.exe", L"x.exe   \t", L"\"C:\\Program Files\\x.exe\"", L"\"C:\\Program Files\\x.exe\"  ",
        L"\"C:\\no close.exe", L"x.exe /cookie", L"\"C:\\a b\\x.exe\" /keep \"C:\\ケープ\\k.txt\" /silent",
        L"\"x.exe\"/all", L"x.exe\t-Preview  \"\"", L"x.exe a\\\\\"b c\" \\\"d",
    };
    for (const wchar_t* line : lines) {
        int argc = 0;
        LPWSTR* argv = ::CommandLineToArgvW(line, &argc);
        ASSERT_NE(argv, nullptr);
        const std::vector<std::wstring> shell(argv + 1, argv + argc);
        ::LocalFree(argv);
        EXPECT_EQ(SplitArguments(line), shell) << ::testing::PrintToString(std::wstring(line));
    }
}

TEST(CommandLine, KindsAndSwitchesInAnyCaseAndEitherPrefix) {
    struct Case {
        std::vector<const wchar_t*> args;
        bool bCache, bCookie, silent;
        const wchar_t* log;
    };
    // A path outside every single code page arrives as typed.
    const Case cases[] = {
        {{L"/cache"}, true, false, false, L""},
        {{L"-COOKIE"}, false, true, false, L""},
        {{L"/All", L"-Silent"}, true, true, true, L""},
        {{L"/log", L"C:\\ログ\\café 로그.txt", L"/cookie", L"/silent"}, false, true, true, L"C:\\ログ\\café 로그.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(c.args[0])));
        CommandLine line = Parse(c.args);
        EXPECT_EQ(line.mode, CommandLine::Mode::Clean);
        EXPECT_EQ(line.bCache, c.bCache);
        EXPECT_EQ(line.bCookie, c.bCookie);
        EXPECT_EQ(line.silent, c.silent);
        EXPECT_EQ(line.logPath, c.log);
    }
    // No option at all, a dropped file included: the window, as always.
    for (const auto& args : std::vector<std::vector<const wchar_t*>>{{}, {L"C:\\dropped.txt"}, {L"a", L"b c"}}) {
        EXPECT_EQ(Parse(args).mode, CommandLine::Mode::Window) << args.size();
    }
}

TEST(CommandLine, MistakesShowTheUsageAndKeepSilentSilent) {
    // With any option, a stray argument is a mistake like any other.
    const std::vector<std::vector<const wchar_t*>> mistakes = {
        {L"/cache", L"/cookie"}, {L"/all", L"/cache"}, {L"/cache", L"/log"}, {L"/cache", L"/log", L""},
        {L"/cache", L"/verbose"}, {L"/cache", L"extra"}, {L"dropped.txt", L"/all"}, {L"/silent"},
        {L"/log", L"x.txt"}, {L"/"},
    };
    for (const auto& args : mistakes) {
        SCOPED_TRACE(testing::PrintToString(std::vector<std::wstring>(args.begin(), args.end())));
        CommandLine line = Parse(args);
        EXPECT_EQ(line.mode, CommandLine::Mode::Usage);
        EXPECT_FALSE(line.error.empty());
    }
    CommandLine help = Parse({L"/?"});
    EXPECT_EQ(help.mode, CommandLine::Mode::Usage);
    EXPECT_TRUE(help.error.empty()) << "asking for the usage is no mistake: " << ToUtf8(help.error);
    EXPECT_TRUE(Parse({L"/cache", L"/cookie", L"/silent"}).silent) << "a silent mistake shows no box";
}

// A forgotten FILE never takes the next word: every option, in either prefix and any case, after
// /log or /keep is read as itself, and so is anything else that starts with '/' or '-'. The
// usage follows, silent when /silent is among the words.
TEST(CommandLine, AnOptionWordIsNeverTheFileOfAnother) {
    const wchar_t* const options[] = {L"/cache", L"-cookie", L"/ALL", L"/silent", L"-Preview", L"/log", L"/keep",
                                      L"/nokeep", L"/?", L"-h", L"/secondpass", L"/previw", L"-x.log", L"/"};
    for (const wchar_t* valueOption : {L"/log", L"-KEEP"}) {
        for (const wchar_t* next : options) {
            for (bool last : {false, true}) {
                std::vector<const wchar_t*> args = {L"/cookie", valueOption};
                if (!last) args.push_back(next);
                SCOPED_TRACE(testing::PrintToString(std::vector<std::wstring>(args.begin(), args.end())));
                const CommandLine line = Parse(args);
                EXPECT_EQ(line.mode, CommandLine::Mode::Usage);
                EXPECT_NE(line.error.find(L"ファイル名がありません"), std::wstring::npos) << ToUtf8(line.error);
                EXPECT_TRUE(line.logPath.empty() && line.keepPath.empty()) << "nothing taken for a file";
                // The word is read as its own option (the copy's is silent too).
                const bool silent = !last && (std::wstring(next) == L"/silent" || std::wstring(next) == L"/secondpass");
                EXPECT_EQ(line.silent, silent);
            }
        }
    }
    // A FILE named with its folder is a FILE, whatever its name looks like.
    const CommandLine named = Parse({L"/cookie", L"/log", L".\\-x.log", L"/keep", L".\\/silent"});
    EXPECT_EQ(named.mode, CommandLine::Mode::Clean);
    EXPECT_EQ(named.logPath, L".\\-x.log");
    EXPECT_EQ(named.keepPath, L".\\/silent");
    // A share written with forward slashes reads as an option; the message says how to write it.
    const CommandLine slashes = Parse({L"/cookie", L"/log", L"//server/share/x.log"});
    EXPECT_EQ(slashes.mode, CommandLine::Mode::Usage);
    EXPECT_NE(slashes.error.find(L"\\\\server\\share"), std::wstring::npos) << ToUtf8(slashes.error);
    // A stream or a device in any form is refused before anything, with the name it was given.
    for (const wchar_t* path : {L"x.log:x", L"\\\\?\\C:\\dir\\CON", L"C:\\dir\\nul.txt", L"\\\\server\\share\\x:y"}) {
        for (const wchar_t* option : {L"/log", L"/keep"}) {
            const CommandLine line = Parse({L"/all", option, path});
            EXPECT_EQ(line.mode, CommandLine::Mode::Usage) << ToUtf8(path);
            EXPECT_NE(line.error.find(std::wstring(L"ファイルとして使えない名前です: ") + path), std::wstring::npos)
                << ToUtf8(line.error);
        }
    }
    // Alone, /keep with a forgotten FILE is no window with some list either.
    EXPECT_EQ(Parse({L"/keep", L"/nokeep"}).mode, CommandLine::Mode::Usage);
    EXPECT_EQ(Parse({L"/cookie", L"/secondpass", L"/silent", L"12"}).mode, CommandLine::Mode::Usage);
}

// The copy's hidden option takes the kinds a user has and nothing else, is never shown, and
// is what the parent writes for each kind: with the keep list's rules themselves, as the first
// pass read them, so that the copy never reads the file again.
TEST(CommandLine, TheSecondPassCopyTakesOnlyTheUsualKindsTheParentsRulesAndAPipe) {
    CKeepList rules;
    for (const wchar_t* host : {L"keep.test", L"*.例え.jp", L"192.0.2.7"}) {
        KeepRule rule;
        CString reason;
        ASSERT_TRUE(CKeepList::ParseLine(host, rule, reason));
        rules.Add(rule);
    }
    auto hosts = [](const CKeepList& list) {
        std::vector<std::pair<std::string, bool>> out;
        for (const KeepRule& rule : list.Rules()) out.emplace_back(rule.host, rule.exact);
        return out;
    };
    for (bool bCache : {false, true}) {
        for (bool bCookie : {false, true}) {
            for (bool withRules : {false, true}) {
                if (!bCache && !bCookie) continue;
                const std::wstring args = SecondPassArguments(bCache, bCookie, withRules ? rules : CKeepList(),
                                                              reinterpret_cast<HANDLE>(ULONG_PTR(0x7FFC)),
                                                             reinterpret_cast<HANDLE>(ULONG_PTR(0x7FF8)));
                int argc = 0;
                LPWSTR* argv = ::CommandLineToArgvW((L"Dustwhirl.exe " + args).c_str(), &argc);
                ASSERT_NE(argv, nullptr);
                const CommandLine line = ParseCommandLine(argc - 1, argv + 1);
                // No value the parent writes can be taken for an option, whatever the hosts.
                for (int i = 2; i < argc; ++i) {
                    const std::wstring option = argv[i - 1];
                    if (option == L"/keeprules" || option == L"/secondpass" || option == L"/secondpassgo") {
                        EXPECT_EQ(std::wstring(L"/-").find(argv[i][0]), std::wstring::npos) << args;
                    }
                }
                ::LocalFree(argv);
                EXPECT_EQ(line.mode, CommandLine::Mode::SecondPassCopy) << args;
                EXPECT_EQ(line.bCache, bCache) << args;
                EXPECT_EQ(line.bCookie, bCookie) << args;
                EXPECT_EQ(line.reportPipe, 0x7FFCu) << args;
                EXPECT_EQ(line.controlPipe, 0x7FF8u) << args;
                EXPECT_TRUE(line.keepPath.empty()) << "the copy reads no list file: " << args;
                const bool told = bCookie && withRules;
                EXPECT_EQ(hosts(line.keepRules.value_or(CKeepList())), hosts(told ? rules : CKeepList())) << args;
                if (bCookie) EXPECT_TRUE(told ? !line.noKeep : line.noKeep) << args;
            }
        }
    }
    // A host that would read as an option, in a list made before the parser refused it, is
    // carried as a value all the same, and the copy refuses the whole list: never an option.
    CKeepList dashed = rules;
    dashed.Add(KeepRule{"-dash.test", false, 4});
    const std::wstring dashArgs = SecondPassArguments(false, true, dashed, reinterpret_cast<HANDLE>(ULONG_PTR(12)),
                                                      reinterpret_cast<HANDLE>(ULONG_PTR(16)));
    EXPECT_NE(dashArgs.find(L"/keeprules hosts="), std::wstring::npos);
    int dashArgc = 0;
    LPWSTR* dashArgv = ::CommandLineToArgvW((L"Dustwhirl.exe " + dashArgs).c_str(), &dashArgc);
    ASSERT_NE(dashArgv, nullptr);
    const CommandLine dashLine = ParseCommandLine(dashArgc - 1, dashArgv + 1);
    ::LocalFree(dashArgv);
    EXPECT_EQ(dashLine.mode, CommandLine::Mode::Usage);
    EXPECT_EQ(ToUtf8(dashLine.error), "/keeprules") << "the list is refused, not cut short at the host";
    // Anything else is a silent usage error: no kind, no pipe, a log, two kinds, history, a
    // cookie copy not told its list, one told a file, rules that are not hosts.
    const std::vector<std::vector<const wchar_t*>> mistakes = {
        {L"/secondpass", L"12"},          {L"/cookie", L"/nokeep", L"/secondpass"},  {L"/cookie", L"/nokeep", L"/secondpass", L"0"},
        {L"/cookie", L"/nokeep", L"/secondpass", L"0x1c"}, {L"/cookie", L"/nokeep", L"/secondpass", L"99999999999999999999999"},
        {L"/all", L"/nokeep", L"/secondpass", L"12", L"/log", L"x.log"}, {L"/cache", L"/cookie", L"/secondpass", L"12"},
        {L"/visited", L"/secondpass", L"12"}, {L"/secondpass", L"12", L"/history"},
        {L"/cookie", L"/secondpass", L"12"}, {L"/all", L"/keep", L"keep.txt", L"/secondpass", L"12"},
        {L"/cookie", L"/keeprules", L"hosts=a.test,,b.test", L"/secondpass", L"12"},
        {L"/cookie", L"/keeprules", L"hosts=a.test,http://b.test/", L"/secondpass", L"12"},
        {L"/cookie", L"/keeprules", L"hosts=a.test", L"/nokeep", L"/secondpass", L"12"},
        {L"/cookie", L"/keeprules", L"hosts=-dash.test", L"/secondpass", L"12"},
        {L"/cookie", L"/keeprules", L"a.test", L"/secondpass", L"12"},
        {L"/cookie", L"/keeprules", L"hosts=", L"/secondpass", L"12"},
        {L"/cookie", L"/keeprules", L"/secondpass", L"12"},
    };
    EXPECT_EQ(Parse({L"/cookie", L"/keeprules", L"hosts=keep.test"}).mode, CommandLine::Mode::Usage) << "the copy's alone";
    for (const auto& args : mistakes) {
        const CommandLine line = Parse(args);
        EXPECT_EQ(line.mode, CommandLine::Mode::Usage) << ::testing::PrintToString(std::wstring(args.back()));
        EXPECT_TRUE(line.silent) << "the copy never shows a window";
    }
    // Each of those stays a mistake with the word's pipe given; without it, or with it alone,
    // a copy could never be told to go.
    for (const auto& args : mistakes) {
        std::vector<const wchar_t*> withWord = args;
        withWord.insert(withWord.end(), {L"/secondpassgo", L"13"});
        EXPECT_EQ(Parse(withWord).mode, CommandLine::Mode::Usage) << ::testing::PrintToString(std::wstring(args.back()));
    }
    EXPECT_EQ(Parse({L"/cache", L"/secondpass", L"12", L"/secondpassgo", L"13"}).mode, CommandLine::Mode::SecondPassCopy);
    for (const std::vector<const wchar_t*>& half :
         {std::vector<const wchar_t*>{L"/cache", L"/secondpass", L"12"}, {L"/cache", L"/secondpassgo", L"13"},
          {L"/cache", L"/secondpass", L"12", L"/secondpassgo"}, {L"/cache", L"/secondpass", L"12", L"/secondpassgo", L"0"}}) {
        const CommandLine line = Parse(half);
        EXPECT_EQ(line.mode, CommandLine::Mode::Usage) << ::testing::PrintToString(std::wstring(half.back()));
        EXPECT_TRUE(line.silent);
    }
}

TEST(CommandLine, TheKeepListIsTheStoredOneUnlessNamedOrRefused) {
    wchar_t appData[MAX_PATH] = {};
    ASSERT_EQ(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData), S_OK);
    const KeepListSource stored = KeepSourceOf(Parse({L"/cookie"}));
    EXPECT_EQ(stored.path, std::wstring(appData) + L"\\Dustwhirl\\keep.txt");
    EXPECT_FALSE(stored.mustExist) << "no stored list: keep nothing";

    CommandLine named = Parse({L"/cookie", L"/KEEP", L"C:\\ケープ\\café.txt", L"-Preview", L"/silent"});
    EXPECT_EQ(named.mode, CommandLine::Mode::Clean);
    EXPECT_TRUE(named.preview);
    EXPECT_EQ(KeepSourceOf(named).path, L"C:\\ケープ\\café.txt");
    EXPECT_TRUE(KeepSourceOf(named).mustExist) << "a named list that is missing is a mistake";
    EXPECT_TRUE(KeepSourceOf(Parse({L"/all", L"/nokeep"})).path.empty());
    EXPECT_FALSE(Parse({L"/all"}).preview);

    // Only the list chosen: the window, which then uses it.
    for (const auto& args : std::vector<std::vector<const wchar_t*>>{{L"/keep", L"k.txt"}, {L"-nokeep"}}) {
        CommandLine line = Parse(args);
        EXPECT_EQ(line.mode, CommandLine::Mode::Window);
        EXPECT_EQ(KeepSourceOf(line).path, args.size() == 2 ? L"k.txt" : L"");
    }
    const std::vector<std::vector<const wchar_t*>> mistakes = {
        {L"/cookie", L"/keep"}, {L"/keep"}, {L"/cookie", L"/keep", L"k.txt", L"/nokeep"}, {L"/preview"},
        {L"/keep", L"k.txt", L"/silent"}, {L"/nokeep", L"stray"},
    };
    for (const auto& args : mistakes) {
        SCOPED_TRACE(testing::PrintToString(std::vector<std::wstring>(args.begin(), args.end())));
        EXPECT_EQ(Parse(args).mode, CommandLine::Mode::Usage);
    }
}

// The editor says why it cannot open a list, as what it is: /nokeep in force is no unknown place.
TEST(CommandLine, TheEditorSaysWhyItCannotOpenTheListOfEachChoice) {
    KeepListLoad broken;
    broken.status = KeepListLoad::Status::Broken;
    broken.line = 3;
    broken.reason = L"ホスト名として読めません: -dash.test";
    KeepListLoad loaded;
    loaded.status = KeepListLoad::Status::Loaded;
    struct Case {
        KeepListSource source;
        const KeepListLoad* load;
        const wchar_t* says;  // null: the editor opens
        const wchar_t* never;
    };
    const Case cases[] = {
        {*NamedKeepList(Parse({L"/nokeep"})), &loaded, L"/nokeep", L"置き場所"},
        {StoredKeepListIn(L""), &loaded, L"置き場所がわかりません", L"/nokeep"},
        {StoredKeepListIn(L"C:\\AppData"), &broken, L"3 行目: ホスト名として読めません: -dash.test", L"/nokeep"},
        {StoredKeepListIn(L"C:\\AppData"), &loaded, nullptr, nullptr},
        {*NamedKeepList(Parse({L"/keep", L"k.txt"})), &loaded, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        const CString text = KeepListUnopenableText(c.source, *c.load);
        SCOPED_TRACE(ToUtf8(text));
        if (c.says == nullptr) {
            EXPECT_TRUE(text.empty());
            continue;
        }
        EXPECT_NE(text.find(c.says), std::wstring::npos);
        EXPECT_EQ(text.find(c.never), std::wstring::npos);
    }
}

// The log's last step: a log whose name another program holds to the end is kept under its
// side name, and the exit code says so; one that cannot be written at all is exit 3.
TEST(UnattendedClean, ALogThatCannotTakeItsNameIsKeptAsideAndTheExitCodeSaysSo) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"dw-logmove-" + DecimalText(::GetCurrentProcessId());
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
    const std::wstring log = folder + L"\\clean.log";
    {
        CFileHandle make(::CreateFileW(log.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(make);
    }
    const ReplaceRetry quick{50, 5, 20};
    {
        // A scanner that holds the file for longer than the move waits.
        CFileHandle scanner(::CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(scanner);
        const CommandLine line = Parse({L"/cache", L"/silent", L"/preview", L"/log", log.c_str()});
        EXPECT_EQ(RunUnattendedClean(line, ProtectedCacheReach(), quick), ExitCode::LogKeptAside);
    }
    WIN32_FIND_DATAW found{};
    HANDLE find = ::FindFirstFileW((folder + L"\\~dustwhirl-*").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE) << "the finished log is kept";
    ::FindClose(find);
    const std::wstring kept = folder + L"\\" + found.cFileName;
    CFileHandle read(::CreateFileW(kept.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    char buffer[4096] = {};
    DWORD got = 0;
    ASSERT_TRUE(::ReadFile(read.get(), buffer, sizeof(buffer), &got, nullptr));
    read.Close();
    EXPECT_NE(std::string(buffer, got).find("合計"), std::string::npos) << "the whole log, summary and all";
    const std::string text = ToUtf8(LogNotWrittenText(log, kept));
    EXPECT_NE(text.find(ToUtf8(kept)), std::string::npos) << text;
    EXPECT_TRUE(::DeleteFileW(kept.c_str()));
    // A folder that is not there: nothing written, nothing kept.
    const CommandLine nowhere = Parse({L"/cache", L"/silent", L"/preview", L"/log", (folder + L"\\no\\x.log").c_str()});
    EXPECT_EQ(RunUnattendedClean(nowhere, ProtectedCacheReach(), quick), ExitCode::LogFailed);
    ::DeleteFileW(log.c_str());
    EXPECT_TRUE(::RemoveDirectoryW(folder.c_str())) << "nothing else was left in the folder";
}

}  // namespace
