// Unattended cleaning from the command line: Dustwhirl.exe started with options as its own
// process, against Wine's real URL cache, its exit code, log and leftovers checked.
#include "AppProcess.h"
#include "CleanFixtures.h"
#include "CleanUrlCache.h"
#include "Waiting.h"
#include "app/resource.h"
#include "clean/EntrySelection.h"
#include "clean/PassReport.h"
#include "framework/WinUtil.h"

#include <gtest/gtest.h>

#include <wininet.h>

#include <cstdio>
#include <fstream>
#include <sstream>

using namespace cleanfix;

namespace {

std::vector<std::string> LogLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The names of the log lines with the given label, sorted.
std::vector<std::string> Logged(const std::vector<std::string>& lines, const std::string& label) {
    std::vector<std::string> names;
    for (const std::string& line : lines) {
        if (line.compare(0, label.size() + 1, label + "\t") == 0) names.push_back(line.substr(label.size() + 1));
    }
    return Sorted(names);
}

class CommandLineRun : public ::testing::Test {
protected:
    void SetUp() override {
        ClearUrlCache();
        char dir[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, dir);
        log = std::string(dir) + "dustwhirl-e2e.log";
        std::ofstream(log) << "an earlier run's log\n";
    }
    void TearDown() override {
        ClearUrlCache();
        ::DeleteFileA(log.c_str());
    }

    // Runs the program with args to its end; its exit code, or -1 when it did not end.
    int Run(const std::string& args) {
        AppProcess app;
        if (!app.Start(std::string(), args)) return -1;
        DWORD code = 0;
        if (!app.WaitForExit(60000, &code)) return -1;
        EXPECT_TRUE(app.TopWindows().empty());
        return static_cast<int>(code);
    }

    std::string log;
};

TEST_F(CommandLineRun, EachKindSilentlyDeletesWhatItsButtonWouldAndLogsIt) {
    struct Case {
        const char* option;
        bool bCache, bCookie;
    };
    // The cache's own history mark keeps an entry whatever its name says.
    const std::vector<std::string> typedHistory = {"http://typed.example.test/history", "Cookie:typed@example.test/"};
    for (Case c : {Case{"/cache", true, false}, Case{"-COOKIE", false, true}, Case{"/All", true, true}}) {
        SCOPED_TRACE(c.option);
        ClearUrlCache();
        ASSERT_TRUE(SeedUrlCache(AllNames()));
        ASSERT_TRUE(SeedUrlCache(typedHistory, URLHISTORY_CACHE_ENTRY));
        EXPECT_EQ(Run(std::string(c.option) + " /silent /log \"" + log + "\""), 0);
        std::vector<std::string> left = LeftAfter(c.bCache, c.bCookie);
        left.insert(left.end(), typedHistory.begin(), typedHistory.end());
        EXPECT_EQ(Sorted(UrlCacheSourceNames()), Sorted(left));

        std::vector<std::string> expected;
        if (c.bCache) expected.insert(expected.end(), ContentNames().begin(), ContentNames().end());
        if (c.bCookie) expected.insert(expected.end(), CookieNames().begin(), CookieNames().end());
        std::vector<std::string> lines = LogLines(log);
        EXPECT_EQ(Logged(lines, "削除しました"), Sorted(expected));
        // Under Wine a low-integrity copy would share this very cache: none runs, and the log
        // has no heading per cache.
        ASSERT_EQ(lines.size(), expected.size() + 1) << "one line per entry and a summary";
        EXPECT_EQ(lines.back().rfind("合計: 削除 " + std::to_string(expected.size()) + "件", 0), 0u) << lines.back();
    }
}

// Every mistake, a FILE forgotten before another option among them: nothing deleted, exit 2,
// the usage in a box unless /silent is one of the words, and no option taken for a file.
TEST_F(CommandLineRun, AMistakeDeletesNothingAndEndsWithTwo) {
    ASSERT_TRUE(SeedUrlCache(AllNames()));
    struct Case {
        std::string args;
        bool box;
    };
    const Case cases[] = {
        {"/cache /cookie /silent /log \"" + log + "\"", false},
        {"/cache /verbose", true},
        {"/all /log /preview", true},
        {"/cookie /log /silent", false},
        {"/all /keep /silent", false},
        {"/all /silent /log", false},
        {"/cookie /preview /keep", true},
        // A device is no file: refused before anything, rather than a cleaning and then exit 3.
        {"/cookie /silent /log NUL", false},
        {"/all /log \\\\.\\NUL", true},
        {"/cookie /silent /keep \\\\.\\C:\\keep.txt", false},
        // Nor is a stream of a file, nor a device behind the long prefix.
        {"/all /silent /log x.log:x", false},
        {"/cache /silent /log \\\\?\\C:\\dir\\CON", false},
    };
    // Where a word taken for a file would have gone: the root of the current drive.
    std::vector<std::string> strays;
    for (const char* word : {"\\preview", "\\silent"}) {
        char full[MAX_PATH] = {};
        ::GetFullPathNameA(word, MAX_PATH, full, nullptr);
        ::DeleteFileA(full);
        strays.push_back(full);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        AppProcess app;
        ASSERT_TRUE(app.Start(std::string(), c.args));
        if (c.box) {
            HWND box = app.WaitForWindow("#32770", "Dustwhirl");
            ASSERT_NE(box, nullptr);
            EXPECT_NE(MessageBoxText(box).find("使い方: Dustwhirl.exe"), std::string::npos) << MessageBoxText(box);
            PostClick(::GetDlgItem(box, IDOK));
        }
        DWORD code = 0;
        EXPECT_TRUE(app.WaitForExit(20000, &code));
        EXPECT_TRUE(app.TopWindows().empty());
        EXPECT_EQ(code, 2u);
        EXPECT_EQ(Sorted(UrlCacheSourceNames()), Sorted(AllNames()));
        for (const std::string& stray : strays) EXPECT_EQ(::GetFileAttributesA(stray.c_str()), INVALID_FILE_ATTRIBUTES) << stray;
    }
    EXPECT_EQ(LogLines(log), std::vector<std::string>{"an earlier run's log"}) << "the log stays as it was";
}

// An entry held through the cache is marked and goes later; one whose file another program
// has open leaves the cache but not the disk. Neither is called deleted, nor freed, and the
// run ends with 1: not everything is gone yet.
TEST_F(CommandLineRun, EntriesInUseOrWithTheirFileOpenAreLoggedAsWhatHappenedAndEndWithOne) {
    const std::string held = "http://www.example.test/in-use.js";
    const std::string opened = "http://www.example.test/opened.png";
    ASSERT_TRUE(SeedUrlCache(CookieNames()));
    ASSERT_TRUE(SeedUrlCacheFile(held, 1000));
    ASSERT_TRUE(SeedUrlCacheFile(opened, 3000));
    SelectedEntries walked;
    CollectEntries(true, false, walked);
    std::string openedFile;
    for (const SelectedEntry& e : walked) {
        if (e.url == opened) openedFile = e.localFile;
    }
    ASSERT_FALSE(openedFile.empty());
    HeldCacheEntry reader(held);
    ASSERT_TRUE(reader.held());
    HANDLE viewer = ::CreateFileA(openedFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Run("/all /silent /log \"" + log + "\""), 1);
    EXPECT_NE(::GetFileAttributesA(openedFile.c_str()), INVALID_FILE_ATTRIBUTES) << "the file stayed on disk";
    ::CloseHandle(viewer);
    ::DeleteFileA(openedFile.c_str());

    std::vector<std::string> lines = LogLines(log);
    EXPECT_EQ(Logged(lines, "使用中です（ほかのプログラムが閉じると削除されます）"), std::vector<std::string>{held});
    EXPECT_EQ(Logged(lines, "キャッシュから削除しましたが、ファイルは開かれていたため残りました"), std::vector<std::string>{opened});
    EXPECT_EQ(Logged(lines, "削除しました"), Sorted(CookieNames()));
    EXPECT_NE(lines.back().find("削除 " + std::to_string(CookieNames().size()) + "件、ファイルが残った 1件、使用中（閉じると削除） 1件、"
                                "見つからず 0件、削除できず 0件、拒否 0件、残した 0件、0 B を解放"),
              std::string::npos)
        << lines.back();
}

TEST_F(CommandLineRun, WithoutSilentTheProgressDialogRunsWithoutAskingThenTheProgramEnds) {
    ASSERT_TRUE(SeedUrlCache(AllNames()));
    AppProcess app;
    ASSERT_TRUE(app.Start(std::string(), "/cookie"));
    HWND progress = app.WaitForWindow("#32770", nullptr);
    ASSERT_NE(progress, nullptr);
    ASSERT_NE(::GetDlgItem(progress, IDC_PROGRESS), nullptr) << "no confirmation comes first";
    HWND button = ::GetDlgItem(progress, IDC_END_BUTTON);
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(button) != FALSE; }, 30000));
    EXPECT_EQ(WindowText(::GetDlgItem(progress, IDC_STATUS)).rfind("削除が終わりました", 0), 0u);
    PostClick(button);
    DWORD code = 0;
    EXPECT_TRUE(app.WaitForExit(20000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(Sorted(UrlCacheSourceNames()), LeftAfter(false, true));
}

// The keep list on the command line: its site's cookies (and its subdomains') stay, the log
// says so, /preview deletes nothing, and a broken or missing list deletes nothing at all.
TEST_F(CommandLineRun, AKeepListLeavesItsSitesCookiesAndABrokenOneDeletesNothing) {
    const std::vector<std::string> keptCookies = {"Cookie:u@keep.test/", "Cookie:u@www.KEEP.test/a"};
    const std::vector<std::string> otherCookies = {"Cookie:u@badkeep.test/", "Cookie:u@keep.test.evil.test/"};
    const std::vector<std::string> allNames = AllNames();
    const std::string list = log + ".keep.txt";
    const std::string keep = " /keep \"" + list + "\" /log \"" + log + "\"";
    auto seed = [&] {
        ClearUrlCache();
        ASSERT_TRUE(SeedUrlCache(Concat({&allNames, &keptCookies, &otherCookies})));
    };
    std::vector<std::string> goes = CookieNames();
    goes.insert(goes.end(), otherCookies.begin(), otherCookies.end());

    // The preview first: it names what would go and what would stay, and deletes nothing.
    std::ofstream(list, std::ios::binary) << "\xEF\xBB\xBF# mine\r\n  Keep.Test  \r\n";
    seed();
    EXPECT_EQ(Run("/cookie /preview /silent" + keep), 0);
    EXPECT_EQ(Sorted(UrlCacheSourceNames()), Sorted(Concat({&allNames, &keptCookies, &otherCookies})));
    std::vector<std::string> lines = LogLines(log);
    EXPECT_EQ(Logged(lines, "削除します"), Sorted(goes));
    EXPECT_EQ(Logged(lines, "残します"), Sorted(keptCookies));

    EXPECT_EQ(Run("/cookie /silent" + keep), 0);
    std::vector<std::string> left = LeftAfter(false, true);
    left.insert(left.end(), keptCookies.begin(), keptCookies.end());
    EXPECT_EQ(Sorted(UrlCacheSourceNames()), Sorted(left));
    lines = LogLines(log);
    EXPECT_EQ(Logged(lines, "削除しました"), Sorted(goes));
    EXPECT_EQ(Logged(lines, "残しました"), Sorted(keptCookies));
    EXPECT_NE(lines.back().find("残した 2件"), std::string::npos) << lines.back();

    struct Broken {
        const char* name;
        const char* text;  // null: no file at all
        const char* says;
        bool writing;      // another program holds the file open for writing
    };
    for (const Broken& b : {Broken{"a malformed line", "keep.test\n\n*keep.test\n", "3 行目", false},
                            Broken{"a named list that is missing", nullptr, "ファイルがありません", false},
                            Broken{"a list half-way through being saved", "keep", "書き込み中", true}}) {
        SCOPED_TRACE(b.name);
        ::DeleteFileA(list.c_str());
        if (b.text != nullptr) std::ofstream(list, std::ios::binary) << b.text;
        HANDLE writer = b.writing ? ::CreateFileA(list.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                                  : INVALID_HANDLE_VALUE;
        if (b.writing) {
            ASSERT_NE(writer, INVALID_HANDLE_VALUE);
        }
        for (const char* kind : {"/cookie", "/all /preview"}) {
            seed();
            EXPECT_EQ(Run(std::string(kind) + " /silent" + keep), 2) << kind;
            EXPECT_EQ(Sorted(UrlCacheSourceNames()), Sorted(Concat({&allNames, &keptCookies, &otherCookies})));
            lines = LogLines(log);
            std::string all;
            for (const std::string& l : lines) all += l + "\n";
            EXPECT_NE(all.find(b.says), std::string::npos) << all;
            EXPECT_EQ(Logged(lines, "削除しました"), std::vector<std::string>{});
        }
        // The cache alone never depends on the list.
        seed();
        EXPECT_EQ(Run("/cache /silent" + keep), 0);
        EXPECT_EQ(Sorted(UrlCacheSourceNames()), Sorted(Concat({&HistoryNames(), &CookieNames(), &keptCookies, &otherCookies})));
        if (writer != INVALID_HANDLE_VALUE) ::CloseHandle(writer);
    }
    ::DeleteFileA(list.c_str());
}

// The log goes exactly where it was told, whatever the path's characters and length, and
// never through a file of the user's; a log that cannot be written is exit code 3, and one
// that was written but cannot take the name (a folder has it) stays beside it, exit code 5.
TEST_F(CommandLineRun, TheLogReplacesOnlyItsOwnFileWhateverThePath) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring base = std::wstring(temp) + L"dw-log-" + std::to_wstring(::GetCurrentProcessId());
    const std::wstring longFolder = base + L"\\" + std::wstring(120, L'f');
    std::wstring longFile = longFolder + L"\\";
    longFile += std::wstring(255 - longFile.size() - 4, L'n') + L".log";
    struct Case {
        const char* name;
        std::wstring folder, file;
        int code;
    };
    const Case cases[] = {
        {"outside code page 932", base + L"\\café-로그", base + L"\\café-로그\\café.log", 0},
        {"255 characters", longFolder, longFile, 0},
        {"folder missing", base + L"\\here", base + L"\\here\\missing\\x.log", 3},
        {"a folder, not a file", base + L"\\here", base + L"\\here", 5},
    };
    auto readAll = [](const std::wstring& path) {
        std::string bytes;
        if (FILE* f = ::_wfopen((L"\\\\?\\" + path).c_str(), L"rb")) {
            char buf[4096];
            for (size_t n; (n = std::fread(buf, 1, sizeof(buf), f)) > 0;) bytes.append(buf, n);
            std::fclose(f);
        }
        return bytes;
    };
    auto writeAll = [](const std::wstring& path, const std::string& bytes) {
        FILE* f = ::_wfopen((L"\\\\?\\" + path).c_str(), L"wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearUrlCache();
        ASSERT_TRUE(SeedUrlCache(AllNames()));
        ::CreateDirectoryW(base.c_str(), nullptr);
        ASSERT_TRUE(::CreateDirectoryW((L"\\\\?\\" + c.folder).c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
        // Files of the user's that a careless writer would take: the narrow form of the
        // name, and the name with the suffix of a side file.
        const std::wstring lookalike = c.folder + L"\\cafe.log";
        const std::wstring partial = c.file + L".partial";
        const std::wstring link = c.folder + L"\\link.log";
        writeAll(lookalike, "the user's cafe.log");
        if (c.code == 0) {
            writeAll(partial, "the user's own .partial");
            // FILE is replaced, never written in place: another name of the old file keeps
            // the old bytes.
            writeAll(c.file, "the previous log");
            ASSERT_TRUE(::CreateHardLinkW((L"\\\\?\\" + link).c_str(), (L"\\\\?\\" + c.file).c_str(), nullptr));
        }

        AppProcess app;
        ASSERT_TRUE(app.StartWide(L"/cookie /silent /log \"" + c.file + L"\""));
        DWORD code = 99;
        ASSERT_TRUE(app.WaitForExit(60000, &code));
        EXPECT_EQ(code, static_cast<DWORD>(c.code));
        EXPECT_EQ(Sorted(UrlCacheSourceNames()), LeftAfter(false, true)) << "the cleaning itself ran";
        EXPECT_EQ(readAll(lookalike), "the user's cafe.log");
        if (c.code == 0) {
            EXPECT_EQ(readAll(link), "the previous log");
            EXPECT_EQ(readAll(partial), "the user's own .partial");
            const std::string written = readAll(c.file);
            EXPECT_EQ(written.rfind(u8"削除しました\t", 0), 0u) << written.substr(0, 80);
        }
        // Nothing of the program's is left beside the log, unless the log itself was kept there.
        const std::wstring beside = c.file.substr(0, c.file.find_last_of(L'\\'));
        WIN32_FIND_DATAW found;
        HANDLE find = ::FindFirstFileW((L"\\\\?\\" + beside + L"\\~dustwhirl-*").c_str(), &found);
        EXPECT_EQ(find != INVALID_HANDLE_VALUE, c.code == 5);
        if (find != INVALID_HANDLE_VALUE) {
            ::FindClose(find);
            const std::wstring kept = beside + L"\\" + found.cFileName;
            EXPECT_EQ(readAll(kept).rfind(u8"削除しました\t", 0), 0u) << "the whole log";
            ::DeleteFileW((L"\\\\?\\" + kept).c_str());
        }
        ::DeleteFileW((L"\\\\?\\" + c.file).c_str());
        ::DeleteFileW((L"\\\\?\\" + partial).c_str());
        ::DeleteFileW((L"\\\\?\\" + lookalike).c_str());
        ::DeleteFileW((L"\\\\?\\" + link).c_str());
        ::RemoveDirectoryW((L"\\\\?\\" + c.folder).c_str());
    }
    ::RemoveDirectoryW(base.c_str());
}

// A program that holds the old log open for a moment (an antivirus, the indexer) only
// delays its replacement: the holder lets go as soon as the new log waits beside it.
TEST_F(CommandLineRun, ALogHeldOpenForAMomentIsStillReplaced) {
    ASSERT_TRUE(SeedUrlCache(AllNames()));
    const std::string folder = log.substr(0, log.find_last_of('\\') + 1);
    HANDLE holder = ::CreateFileA(log.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    // Started here rather than by AppProcess, which waits for a window that a silent run
    // never shows (and so for the whole run).
    const std::string exe = EnvOr("DUSTWHIRL_EXE", "Dustwhirl.exe");
    std::string command = "\"" + exe + "\" /cookie /silent /log \"" + log + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(::CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    ::CloseHandle(pi.hThread);
    auto running = [&] { return ::WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT; };
    auto waiting = [&] {
        WIN32_FIND_DATAA found;
        HANDLE find = ::FindFirstFileA((folder + "~dustwhirl-*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return false;
        ::FindClose(find);
        return true;
    };
    const bool sawWait = WaitUntil([&] { return waiting() || !running(); }, 60000) && waiting();
    ::CloseHandle(holder);
    DWORD code = 99;
    EXPECT_EQ(::WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
    ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hProcess);
    EXPECT_TRUE(sawWait) << "the new log never waited for the holder";
    EXPECT_EQ(code, 0u);
    const std::vector<std::string> lines = LogLines(log);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].rfind("削除しました\t", 0), 0u) << lines[0];
    EXPECT_EQ(Sorted(UrlCacheSourceNames()), LeftAfter(false, true));
}

// The copy's hidden option, typed by anyone: without the parent's pipes it deletes nothing;
// with them it plans a cleaning of the kind named and no other, history never, and deletes
// only when the parent says go.
TEST_F(CommandLineRun, TheCopysOptionFromOutsideKeepsTheUsualRules) {
    const std::vector<std::string> typedHistory = {"http://typed.example.test/history"};
    ASSERT_TRUE(SeedUrlCache(AllNames()));
    ASSERT_TRUE(SeedUrlCache(typedHistory, URLHISTORY_CACHE_ENTRY));
    const std::vector<std::string> seeded = AllNames();
    const std::vector<std::string> all = Sorted(Concat({&seeded, &typedHistory}));
    for (const char* args : {"/all /secondpass 1234", "/cookie /secondpass 4", "/secondpass 1234", "/all /secondpass",
                             "/visited /secondpass 4", "/all /secondpass 4 /log \"x.log\"", "/all /nokeep /secondpass 8 /secondpassgo 12"}) {
        SCOPED_TRACE(args);
        EXPECT_EQ(Run(args), 2);
        EXPECT_EQ(Sorted(UrlCacheSourceNames()), all);
    }

    // Pipes of this test's own, handed down as the parent hands them: told to stop (the pipe
    // closed without a word), then told to go.
    for (const bool go : {false, true}) {
        SCOPED_TRACE(go ? "go" : "stop");
        HANDLE reportRead = nullptr, reportWrite = nullptr, controlRead = nullptr, controlWrite = nullptr;
        SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
        ASSERT_TRUE(::CreatePipe(&reportRead, &reportWrite, &inherit, 0));
        ASSERT_TRUE(::CreatePipe(&controlRead, &controlWrite, &inherit, 0));
        ::SetHandleInformation(reportRead, HANDLE_FLAG_INHERIT, 0);
        ::SetHandleInformation(controlWrite, HANDLE_FLAG_INHERIT, 0);
        const std::string exe = EnvOr("DUSTWHIRL_EXE", "Dustwhirl.exe");
        std::string command = "\"" + exe + "\" /all /nokeep /secondpass " +
                              std::to_string(reinterpret_cast<ULONG_PTR>(reportWrite)) + " /secondpassgo " +
                              std::to_string(reinterpret_cast<ULONG_PTR>(controlRead));
        STARTUPINFOA si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        ASSERT_TRUE(::CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi));
        ::CloseHandle(reportWrite);
        ::CloseHandle(controlRead);
        CPassReportReader reader;
        char buffer[4096];
        for (DWORD got = 0; !reader.Planned() && ::ReadFile(reportRead, buffer, sizeof(buffer), &got, nullptr) && got > 0;) {
            reader.Feed(buffer, got);
        }
        std::vector<std::string> planned;
        for (const SelectedEntry& e : reader.ToGo()) planned.push_back(e.url);
        EXPECT_EQ(Sorted(planned), Sorted(Concat({&ContentNames(), &CookieNames()})));
        EXPECT_EQ(Sorted(UrlCacheSourceNames()), all) << "nothing goes before the word";
        if (go) {
            DWORD written = 0;
            ::WriteFile(controlWrite, "G", 1, &written, nullptr);
        }
        ::CloseHandle(controlWrite);
        for (DWORD got = 0; ::ReadFile(reportRead, buffer, sizeof(buffer), &got, nullptr) && got > 0;) reader.Feed(buffer, got);
        ::CloseHandle(reportRead);
        DWORD code = 99;
        EXPECT_EQ(::WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
        ::GetExitCodeProcess(pi.hProcess, &code);
        ::CloseHandle(pi.hProcess);
        ::CloseHandle(pi.hThread);
        EXPECT_EQ(code, go ? 0u : 2u);
        EXPECT_EQ(reader.Ended(), go);
        if (!go) {
            EXPECT_EQ(Sorted(UrlCacheSourceNames()), all);
            continue;
        }
        std::vector<std::string> reported;
        for (const SelectedEntry& e : reader.Entries()) reported.push_back(e.url);
        EXPECT_EQ(Sorted(reported), Sorted(planned));
        std::vector<std::string> left = HistoryNames();
        left.insert(left.end(), typedHistory.begin(), typedHistory.end());
        EXPECT_EQ(Sorted(UrlCacheSourceNames()), Sorted(left));
    }
}

}  // namespace
