// The command line of unattended cleaning, as the program splits and reads it.
#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

CommandLine Parse(std::vector<const char*> args) { return ParseCommandLine(static_cast<int>(args.size()), args.data()); }

TEST(CommandLine, KindsAndSwitchesInAnyCaseAndEitherPrefix) {
    struct Case {
        std::vector<const char*> args;
        bool bCache, bCookie, bSilent;
        const char* log;
    };
    const Case cases[] = {
        {{"/cache"}, true, false, false, ""},
        {{"-COOKIE"}, false, true, false, ""},
        {{"/All", "-Silent"}, true, true, true, ""},
        {{"/log", "C:\\ログ\\clean log.txt", "/cookie", "/silent"}, false, true, true, "C:\\ログ\\clean log.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0]);
        CommandLine line = Parse(c.args);
        EXPECT_EQ(line.mode, CommandLine::Mode::Clean);
        EXPECT_EQ(line.bCache, c.bCache);
        EXPECT_EQ(line.bCookie, c.bCookie);
        EXPECT_EQ(line.bSilent, c.bSilent);
        EXPECT_EQ(line.logPath, c.log);
    }
    EXPECT_EQ(Parse({}).mode, CommandLine::Mode::Window) << "no option: the window, as always";
}

TEST(CommandLine, MistakesShowTheUsageAndKeepSilentSilent) {
    const std::vector<std::vector<const char*>> mistakes = {
        {"/cache", "/cookie"}, {"/all", "/cache"}, {"/cache", "/log"}, {"/cache", "/log", ""},
        {"/cache", "/verbose"}, {"/cache", "extra"}, {"/silent"}, {"/log", "x.txt"}, {"/"},
    };
    for (const auto& args : mistakes) {
        SCOPED_TRACE(testing::PrintToString(std::vector<std::string>(args.begin(), args.end())));
        CommandLine line = Parse(args);
        EXPECT_EQ(line.mode, CommandLine::Mode::Usage);
        EXPECT_FALSE(line.error.empty());
    }
    CommandLine help = Parse({"/?"});
    EXPECT_EQ(help.mode, CommandLine::Mode::Usage);
    EXPECT_TRUE(help.error.empty()) << "asking for the usage is no mistake";
    EXPECT_TRUE(Parse({"/cache", "/cookie", "/silent"}).bSilent) << "a silent mistake shows no box";
}

}  // namespace
