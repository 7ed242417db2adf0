// The command line of unattended cleaning, as the program splits and reads it.
#include "app/CommandLine.h"
#include "clean/LowIntegrityPass.h"
#include "framework/WinUtil.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <vector>

namespace {

CommandLine Parse(std::vector<const wchar_t*> args) {
    return ParseCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(CommandLine, KindsAndSwitchesInAnyCaseAndEitherPrefix) {
    struct Case {
        std::vector<const wchar_t*> args;
        bool bCache, bCookie, bSilent;
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
        EXPECT_EQ(line.bSilent, c.bSilent);
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
    EXPECT_TRUE(Parse({L"/cache", L"/cookie", L"/silent"}).bSilent) << "a silent mistake shows no box";
}

// The copy's hidden option takes the kinds a user has and nothing else, is never shown, and
// is what the parent writes for each kind.
TEST(CommandLine, TheSecondPassCopyTakesOnlyTheUsualKindsAndAPipe) {
    for (bool bCache : {false, true}) {
        for (bool bCookie : {false, true}) {
            if (!bCache && !bCookie) continue;
            SecondPassRequest request;
            request.bCache = bCache;
            request.bCookie = bCookie;
            const std::wstring args = SecondPassArguments(request, reinterpret_cast<HANDLE>(ULONG_PTR(0x7FFC)));
            int argc = 0;
            LPWSTR* argv = ::CommandLineToArgvW((L"Dustwhirl.exe " + args).c_str(), &argc);
            ASSERT_NE(argv, nullptr);
            const CommandLine line = ParseCommandLine(argc - 1, argv + 1);
            ::LocalFree(argv);
            EXPECT_EQ(line.mode, CommandLine::Mode::SecondPassCopy) << args;
            EXPECT_EQ(line.bCache, bCache) << args;
            EXPECT_EQ(line.bCookie, bCookie) << args;
            EXPECT_EQ(line.reportPipe, 0x7FFCu) << args;
        }
    }
    // Anything else is a silent usage error: no kind, no pipe, a log, two kinds, history.
    const std::vector<std::vector<const wchar_t*>> mistakes = {
        {L"/lowpass", L"12"},          {L"/cookie", L"/lowpass"},          {L"/cookie", L"/lowpass", L"0"},
        {L"/cookie", L"/lowpass", L"0x1c"}, {L"/cookie", L"/lowpass", L"99999999999999999999999"},
        {L"/all", L"/lowpass", L"12", L"/log", L"x.log"}, {L"/cache", L"/cookie", L"/lowpass", L"12"},
        {L"/visited", L"/lowpass", L"12"}, {L"/lowpass", L"12", L"/history"},
    };
    for (const auto& args : mistakes) {
        const CommandLine line = Parse(args);
        EXPECT_EQ(line.mode, CommandLine::Mode::Usage) << ::testing::PrintToString(std::wstring(args.back()));
        EXPECT_TRUE(line.bSilent) << "the copy never shows a window";
    }
}

}  // namespace
