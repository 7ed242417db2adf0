// The progress dialog and the run body under it, in this process: the dialog template, what
// the run tells it and when, what the completion says, and the dialog's refusal to close
// before "終了"; the cleaning from its request to its log, through a sink of the test's own.
#include "AppProcess.h"
#include "CleanFixtures.h"
#include "CleanUrlCache.h"
#include "RecordingUrlCache.h"
#include "Waiting.h"
#include "app/resource.h"
#include "framework/UniqueHandle.h"
#include "framework/WinUtil.h"
#include "clean/CompletionText.h"
#include "app/UnattendedClean.h"
#include "clean/Cleaning.h"
#include "clean/CleaningLog.h"
#include "clean/CookieHostWalk.h"
#include "clean/PlanningDlg.h"
#include "clean/ProgressDlg.h"
#include "clean/SecondPassCopy.h"
#include "framework/AppMessages.h"
#include "framework/WorkerThread.h"
#include "clean/SecondPassText.h"
#include "framework/WinUtil.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <fstream>
#include <map>
#include <new>
#include <thread>

namespace {

constexpr UINT kDeleteMark = WM_APP + 50;  // posted by the recorder just before each deletion
const std::string kDeleting = "削除中...";
// Any status of a run still under way: "削除中...", or with the cache named.
bool Deleting(const std::string& status) {
    return status.size() >= kDeleting.size() &&
           status.compare(status.size() - kDeleting.size(), kDeleting.size(), kDeleting) == 0;
}

// The completion of a run in which every entry went; Wine keeps no size for seeded entries
// without a cached file.
std::string Finished(int entries) { return "削除が終わりました（" + std::to_string(entries) + "件、0 B）"; }

std::vector<std::string> NamesIn(const SelectedEntries& list) {
    std::vector<std::string> names;
    for (const SelectedEntry& e : list) names.push_back(e.url);
    return names;
}

std::string TempPath(const std::string& name) {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    return temp + name;
}
std::wstring TempPathW(const std::wstring& name) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    return temp + name;
}

// Every message the dialog takes from its queue, in order, seen through a message hook.
struct Seen {
    UINT msg;
    WPARAM wp;
    bool operator==(const Seen& o) const { return msg == o.msg && wp == o.wp; }
};
std::ostream& operator<<(std::ostream& os, const Seen& s) {
    const char* name = s.msg == WM_DELETE_PROGRESS ? "progress"
                       : s.msg == WM_DELETE_DONE   ? "done"
                       : s.msg == WM_DELETE_STAGE  ? "stage"
                                                   : "delete#";
    return os << name << ' ' << s.wp;
}
CWnd* g_watched = nullptr;
std::vector<Seen> g_seen;
LRESULT CALLBACK WatchQueue(int code, WPARAM removed, LPARAM lp) {
    auto* m = reinterpret_cast<MSG*>(lp);
    if (code == HC_ACTION && removed == PM_REMOVE && g_watched != nullptr && m->hwnd == g_watched->GetSafeHwnd() &&
        (m->message == WM_DELETE_PROGRESS || m->message == WM_DELETE_DONE || m->message == kDeleteMark ||
         m->message == WM_DELETE_STAGE)) {
        g_seen.push_back({m->message, m->wParam});
    }
    return ::CallNextHookEx(nullptr, code, removed, lp);
}

Seen P(WPARAM p) { return {WM_DELETE_PROGRESS, p}; }
Seen D(WPARAM i) { return {kDeleteMark, i}; }
Seen Done() { return {WM_DELETE_DONE, static_cast<WPARAM>(CTaskThread::End::Finished)}; }

std::string Text(HWND w) { return WindowText(w); }
bool Visible(HWND w) { return (::GetWindowLongA(w, GWL_STYLE) & WS_VISIBLE) != 0; }

// What the driver thread saw of the dialog while it ran.
struct Observed {
    bool found = false;
    bool sawDeleting = false;         // the status was seen saying "削除中..."
    bool hiddenWhileDeleting = true;  // and "終了" was never visible then
    bool completed = false;
    std::string status;
    int pos = -1;
    bool buttonVisible = false;
    bool stayedOpenOnKeysAndClose = false;
    std::string upperTexts;
    std::vector<std::string> statuses;  // each status seen, once, in order
};

class ProgressRun : public ::testing::Test {
protected:
    void SetUp() override { ClearUrlCache(); }
    void TearDown() override { ClearUrlCache(); }

    // Runs the real dialog modally over list; a second thread watches it, tries Esc, Enter
    // and a close request once the worker is done, then presses "終了". A deletion hook
    // already set on cache runs after the marker is posted.
    INT_PTR Run(const SelectedEntries& list, RecordingUrlCache& cache, bool walkFailed = false,
                CSecondPass* second = nullptr) {
        CleaningPlan plan;
        plan.entries = list;
        plan.walkFailed = walkFailed;
        CleaningOutcome outcome;
        CProgressDlg dlg(
            [&](CProgressSink& progress) {
                outcome = RunPlans(plan, second, progress);
                return CompletionTextOfRun(outcome.first, second != nullptr ? &outcome.second : nullptr);
            },
            nullptr);
        int index = 0;
        auto next = cache.beforeDelete;
        cache.beforeDelete = [&dlg, &index, next](const char* url) {
            ::PostMessageA(dlg.GetSafeHwnd(), kDeleteMark, index++, 0);
            if (next) next(url);
        };
        g_seen.clear();
        g_watched = &dlg;
        HHOOK hook = ::SetWindowsHookExA(WH_GETMESSAGE, WatchQueue, nullptr, ::GetCurrentThreadId());
        std::thread driver([&] { Drive(dlg); });
        INT_PTR result = dlg.DoModal();
        secondPass = outcome.second;
        driver.join();
        ::UnhookWindowsHookEx(hook);
        g_watched = nullptr;
        return result;
    }

    void Drive(CProgressDlg& dlg) {
        HWND hwnd = nullptr;
        if (!WaitUntil([&] { return (hwnd = dlg.GetSafeHwnd()) != nullptr && ::IsWindowVisible(hwnd); }, 10000)) return;
        seen.found = true;
        HWND status = ::GetDlgItem(hwnd, IDC_STATUS);
        HWND button = ::GetDlgItem(hwnd, IDC_END_BUTTON);
        HWND bar = ::GetDlgItem(hwnd, IDC_PROGRESS);
        // Each status read is handled between the dialog's messages, so a status that reads
        // "削除中..." before and after a look at the button means it was hidden at that look.
        seen.completed = WaitUntil(
            [&] {
                std::string before = Text(status);
                bool visible = Visible(button);
                std::string after = Text(status);
                if (seen.statuses.empty() || seen.statuses.back() != after) seen.statuses.push_back(after);
                if (Deleting(before) && before == after) {
                    seen.sawDeleting = true;
                    if (visible) seen.hiddenWhileDeleting = false;
                }
                return !after.empty() && !Deleting(after);
            },
            30000);
        for (UINT key : {VK_ESCAPE, VK_RETURN}) {
            ::PostMessageA(hwnd, WM_KEYDOWN, key, 0);
            ::PostMessageA(hwnd, WM_KEYUP, key, 0);
        }
        ::PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
        ::Sleep(300);
        ::SendMessageA(hwnd, WM_NULL, 0, 0);  // everything posted above has been handled
        seen.stayedOpenOnKeysAndClose = ::IsWindow(hwnd) && ::IsWindowVisible(hwnd);
        seen.status = Text(status);
        seen.pos = static_cast<int>(::SendMessageA(bar, PBM_GETPOS, 0, 0));
        seen.buttonVisible = Visible(button);
        for (HWND c = ::GetWindow(hwnd, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
            if (::GetDlgCtrlID(c) == -1 || ::GetDlgCtrlID(c) == 0xFFFF) seen.upperTexts += Text(c) + "|";
        }
        ::PostMessageA(button, BM_CLICK, 0, 0);
    }

    static SelectedEntries Seeded(int count) {
        std::vector<std::string> names;
        for (int i = 0; i < count; ++i) names.push_back("http://progress.example.test/" + std::to_string(i));
        EXPECT_TRUE(SeedUrlCache(names));
        SelectedEntries list;
        for (const std::string& n : names) list.push_back({n, 0});
        return list;
    }
    static std::vector<std::string> Names(const SelectedEntries& list) {
        std::vector<std::string> names;
        for (const SelectedEntry& e : list) names.push_back(e.url);
        return names;
    }
    // Pauses happen only with a progress message, never per entry.
    static int ProgressMessages() {
        return static_cast<int>(std::count_if(g_seen.begin(), g_seen.end(),
                                              [](const Seen& s) { return s.msg == WM_DELETE_PROGRESS; }));
    }

    Observed seen;
    SecondPassResult secondPass;
};

TEST_F(ProgressRun, NoEntriesCompletesAtOnceWithoutProgress) {
    RecordingUrlCache cache;
    SelectedEntries list;
    EXPECT_EQ(Run(list, cache), IDOK);
    EXPECT_EQ(g_seen, (std::vector<Seen>{Done()}));
    EXPECT_TRUE(seen.completed);
    EXPECT_EQ(seen.pos, 100);
    EXPECT_TRUE(seen.buttonVisible);
    EXPECT_EQ(seen.status, Finished(0));
}

TEST_F(ProgressRun, OneOrThreeEntriesPostOnlyTheChangedPercentages) {
    {
        RecordingUrlCache cache;
        SelectedEntries list = Seeded(1);
        EXPECT_EQ(Run(list, cache), IDOK);
        EXPECT_EQ(g_seen, (std::vector<Seen>{D(0), Done()}));
        }
    {
        RecordingUrlCache cache;
        SelectedEntries list = Seeded(3);
        EXPECT_EQ(Run(list, cache), IDOK);
        EXPECT_EQ(g_seen, (std::vector<Seen>{D(0), P(33), D(1), P(66), D(2), Done()}));
        EXPECT_EQ(cache.Deleted(), Names(list)) << "in list order";
        EXPECT_EQ(seen.pos, 100);
        EXPECT_EQ(seen.status, Finished(3));
    }
    EXPECT_TRUE(UrlCacheSourceNames().empty()) << "the real entries are gone";
}

TEST_F(ProgressRun, TwoHundredEntriesPostEachPercentOnceFromTheThirdEntryOn) {
    RecordingUrlCache cache;
    SelectedEntries list = Seeded(200);
    // A name the cache does not find is said so: nobody knows whether it went.
    list.insert(list.begin() + 100, {"http://progress.example.test/never-cached", 4096});
    list.pop_back();
    EXPECT_EQ(Run(list, cache), IDOK);
    std::vector<WPARAM> percents;
    size_t firstProgress = 0;
    for (size_t i = 0; i < g_seen.size(); ++i) {
        if (g_seen[i].msg == WM_DELETE_PROGRESS) {
            if (percents.empty()) firstProgress = i;
            percents.push_back(g_seen[i].wp);
        }
    }
    ASSERT_EQ(percents.size(), 99u);
    for (size_t i = 0; i < percents.size(); ++i) EXPECT_EQ(percents[i], i + 1);
    ASSERT_GE(g_seen.size(), 3u);
    EXPECT_EQ(g_seen[firstProgress - 1], D(1));
    EXPECT_EQ(g_seen[firstProgress + 1], D(2)) << "1 comes just before the third entry";
    EXPECT_EQ(g_seen.back(), Done());
    EXPECT_EQ(g_seen[g_seen.size() - 2], D(199));
    EXPECT_EQ(cache.Deleted(), Names(list));
    EXPECT_EQ(UrlCacheSourceNames(), std::vector<std::string>{"http://progress.example.test/199"});
    EXPECT_EQ(seen.status, "1件は見つかりませんでした（199件、0 B を削除）") << "never called finished, nor freed";
    EXPECT_EQ(ProgressMessages(), 99) << "one message (and one pause) per percent, not per entry";
}

TEST_F(ProgressRun, OnlyTheCloseButtonEndsTheDialogAndItAppearsOnCompletion) {
    RecordingUrlCache cache;
    SelectedEntries list = Seeded(300);
    EXPECT_EQ(Run(list, cache), IDOK);
    EXPECT_TRUE(seen.found);
    EXPECT_TRUE(seen.completed);
    EXPECT_TRUE(seen.sawDeleting) << "the watch began while the worker was still deleting";
    EXPECT_TRUE(seen.hiddenWhileDeleting);
    EXPECT_TRUE(seen.stayedOpenOnKeysAndClose);
    EXPECT_EQ(seen.status, Finished(300));
    EXPECT_EQ(seen.pos, 100);
    EXPECT_EQ(seen.upperTexts, "ファイルを削除中です…|削除には数分かかる場合があります。しばらくお待ちください。|");
}

TEST_F(ProgressRun, AWorkerThatFailsPartWayLeavesTheDialogClosable) {
    RecordingUrlCache cache;
    SelectedEntries list = Seeded(3);
    int calls = 0;
    cache.beforeDelete = [&](const char*) {
        if (++calls == 2) throw std::bad_alloc();  // the only failure a deletion run can raise
    };
    const std::string interrupted = "削除を中断しました";
    EXPECT_EQ(Run(list, cache), IDOK);
    EXPECT_EQ(g_seen, (std::vector<Seen>{D(0), P(33), D(1), Seen{WM_DELETE_DONE, static_cast<WPARAM>(CTaskThread::End::Failed)}}));
    EXPECT_TRUE(seen.completed);
    EXPECT_TRUE(seen.buttonVisible);
    EXPECT_EQ(seen.status, interrupted);
    EXPECT_EQ(seen.pos, 33) << "the bar does not claim a finished run";
    EXPECT_EQ(UrlCacheSourceNames().size(), 2u);
}

TEST_F(ProgressRun, AnEntryTheCacheRefusesIsReportedAndTheRunIsNotCalledFinished) {
    RecordingUrlCache cache;
    const std::string held = "http://progress.example.test/held.html";
    const std::string file = "http://progress.example.test/file.html";
    const std::string opened = "http://progress.example.test/opened.png";
    ASSERT_TRUE(SeedUrlCacheFile(held, 2048));
    ASSERT_TRUE(SeedUrlCacheFile(file, 3 * 1024 * 1024));
    ASSERT_TRUE(SeedUrlCacheFile(opened, 5000));
    SelectedEntries list;
    CollectEntries(true, false, list);
    ASSERT_EQ(list.size(), 3u);
    HeldCacheEntry reader(held);
    ASSERT_TRUE(reader.held());
    std::string openedFile;
    for (const SelectedEntry& e : list) {
        if (e.url == opened) openedFile = e.localFile;
    }
    // Another program has the cached file itself open: the entry goes, the file stays.
    HANDLE viewer = ::CreateFileA(openedFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Run(list, cache), IDOK);
    ::CloseHandle(viewer);
    ::DeleteFileA(openedFile.c_str());
    EXPECT_EQ(seen.status, "1件は使用中（閉じると削除）、1件はファイルが残り（1件、3.0 MB を削除）");
    EXPECT_TRUE(seen.buttonVisible);
    EXPECT_EQ(seen.pos, 100) << "every entry was handled";
    EXPECT_EQ(UrlCacheSourceNames(), std::vector<std::string>{held});
}

// A walk that the cache broke off is never reported as a finished cleaning: not by the
// dialog, not by the log, not by the exit code. What it found is still deleted.
TEST_F(ProgressRun, AWalkTheCacheBrokeOffIsReportedInEveryPath) {
    auto breakOffAfterTwo = [](int read, INTERNET_CACHE_ENTRY_INFOA*, DWORD*) { return read < 2; };
    Seeded(6);
    {
        RecordingUrlCache cache;
        cache.beforeRead = breakOffAfterTwo;
        SelectedEntries list;
        ASSERT_FALSE(CollectEntries(true, false, list));
        ASSERT_EQ(list.size(), 2u);
        EXPECT_EQ(Run(list, cache, true), IDOK);
        EXPECT_EQ(seen.status, "キャッシュの一覧を最後まで読めませんでした（2件、0 B を削除）");
    }
    EXPECT_EQ(UrlCacheSourceNames().size(), 4u) << "what the walk never reached stays";

    // The command line: a walk broken off, and a usual cache that cannot be opened at all (its
    // first read "not found"), which is no empty cache.
    const struct {
        const char* what;
        int readsBeforeFailure;
        DWORD error;
        size_t left;
    } cases[] = {{"broken off", 2, ERROR_INVALID_DATA, 2}, {"never opened", 0, ERROR_FILE_NOT_FOUND, 2},
                 {"never opened, no path", 0, ERROR_PATH_NOT_FOUND, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingUrlCache cache;
        cache.readError = c.error;
        cache.beforeRead = [&](int read, INTERNET_CACHE_ENTRY_INFOA*, DWORD*) { return read < c.readsBeforeFailure; };
        CommandLine line;
        line.mode = CommandLine::Mode::Clean;
        line.bCache = line.silent = true;
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        line.logPath = std::wstring(temp) + L"dw-walk-failed.log";
        EXPECT_EQ(RunUnattendedClean(line), ExitCode::SomeNotDeleted);
        std::string log;
        if (FILE* f = ::_wfopen(line.logPath.c_str(), L"rb")) {
            char buf[4096];
            log.assign(buf, std::fread(buf, 1, sizeof(buf), f));
            std::fclose(f);
        }
        ::DeleteFileW(line.logPath.c_str());
        EXPECT_NE(log.find(u8"合計: 削除 " + std::to_string(c.readsBeforeFailure) + "件"), std::string::npos) << log;
        EXPECT_NE(log.find(u8"キャッシュの一覧を最後まで読めなかった"), std::string::npos) << log;
        EXPECT_EQ(UrlCacheSourceNames().size(), c.left);
    }
}

// The program itself as the second pass's copy, or another program of the build beside it. The
// bound of silence is one that a loaded host starting a process never reaches; a test of a
// copy that must be ended gives a short one.
SecondPassRequest SecondPassBy(const std::string& program = std::string(), DWORD idleTimeoutMs = 20000) {
    std::string exe = EnvOr("DUSTWHIRL_EXE", "Dustwhirl.exe");
    if (!program.empty()) exe = exe.substr(0, exe.find_last_of("\\/") + 1) + program;
    SecondPassRequest request;
    request.exe.assign(exe.begin(), exe.end());  // a path of the build tree, ASCII
    request.idleTimeoutMs = idleTimeoutMs;
    // Any other program stands in for a copy with a cache of its own; the program itself,
    // under Wine, shares this process's cache and level.
    request.ownCacheAlways = !program.empty();
    return request;
}

ProtectedCacheReach Through(const SecondPassRequest& copy) {
    ProtectedCacheReach reach;
    reach.copy = copy;
    return reach;
}

std::vector<std::string> ReadLog(const std::wstring& path) {
    std::vector<std::string> lines;
    std::string bytes;
    if (FILE* f = ::_wfopen(path.c_str(), L"rb")) {
        char buf[4096];
        for (size_t n; (n = std::fread(buf, 1, sizeof(buf), f)) > 0;) bytes.append(buf, n);
        std::fclose(f);
    }
    ::DeleteFileW(path.c_str());
    for (size_t at = 0, end; (end = bytes.find("\r\n", at)) != std::string::npos; at = end + 2) {
        lines.push_back(bytes.substr(at, end - at));
    }
    return lines;
}

CommandLine SilentCacheCleaning(const wchar_t* logName) {
    CommandLine line;
    line.mode = CommandLine::Mode::Clean;
    line.bCache = line.silent = true;
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    line.logPath = std::wstring(temp) + logName;
    return line;
}

// A test copy's environment, set for one test and cleared after it.
struct StubCopy {
    explicit StubCopy(const char* mode, const std::string& host = std::string()) {
        ::SetEnvironmentVariableA("DW_STUB_MODE", mode);
        ::SetEnvironmentVariableA("DW_STUB_HOST", host.empty() ? nullptr : host.c_str());
        ::SetEnvironmentVariableA("DW_STUB_EVENT", event.c_str());
        ::SetEnvironmentVariableA("DW_STUB_WORD_FILE", wordFile.c_str());
        ::DeleteFileA(wordFile.c_str());
    }
    ~StubCopy() {
        for (const char* name : {"DW_STUB_MODE", "DW_STUB_HOST", "DW_STUB_EVENT", "DW_STUB_WORD_FILE", "DW_STUB_BEAT_MS"}) {
            ::SetEnvironmentVariableA(name, nullptr);
        }
        ::DeleteFileA(wordFile.c_str());
    }
    bool Gone() const { return ::OpenEventA(SYNCHRONIZE, FALSE, event.c_str()) == nullptr; }
    std::string Word() const {
        std::string word;
        std::ifstream(wordFile, std::ios::binary) >> word;
        return word;
    }
    const std::string event = "DwSecondPassStub-" + std::to_string(::GetCurrentProcessId());
    const std::string wordFile = TempPath("dw-stub-word.txt");
};

// A copy with a cache of its own: the bar goes through the first pass's half, then the
// second's, each cache's stage told; the completion counts both passes.
TEST_F(ProgressRun, TheCopysPassFollowsTheFirstOnTheSecondHalfOfTheBar) {
    RecordingUrlCache cache;
    CleaningPlan first;
    first.entries = Seeded(3);
    StubCopy stub("own", "low.example.test");
    CSecondPass second(SecondPassBy("dw_secondpass_stub.exe"), true, false, CKeepList());
    ASSERT_TRUE(second.Start());
    ASSERT_TRUE(second.ReadPlan());
    EXPECT_EQ(Run(first.entries, cache, false, &second), IDOK);
    EXPECT_EQ(seen.status, "削除が終わりました（5件、200 B）");
    EXPECT_EQ(seen.pos, 100);
    const Seen stage0{WM_DELETE_STAGE, kUsualCacheStage}, stage1{WM_DELETE_STAGE, kProtectedCacheStage};
    ASSERT_GE(g_seen.size(), 3u);
    EXPECT_EQ(g_seen.front(), stage0);
    const auto second1 = std::find(g_seen.begin(), g_seen.end(), stage1);
    ASSERT_NE(second1, g_seen.end());
    EXPECT_EQ(*(second1 - 1), P(50)) << "the first pass fills half the bar";
    EXPECT_EQ(*(second1 - 2), D(2));
    EXPECT_EQ(g_seen.back(), Done());
    for (auto it = second1 + 1; it + 1 < g_seen.end(); ++it) {
        EXPECT_TRUE(it->msg == WM_DELETE_PROGRESS && it->wp > 50 && it->wp < 100) << *it;
    }
    EXPECT_EQ(secondPass.status, SecondPassStatus::Done);
    EXPECT_EQ(secondPass.result.deleted, 2u);
    EXPECT_TRUE(UrlCacheSourceNames().empty());
}

// What a run tells its sink, in order: "stage N" and "P" for each percent.
class RecordingSink : public CProgressSink {
public:
    void Stage(WPARAM stage) override { events.push_back("stage " + std::to_string(stage)); }
    void Percent(int percent) override {
        EXPECT_GT(percent, last) << "rising";
        EXPECT_LT(percent, 100);
        last = percent;
        if (events.empty() || events.back() != "P") events.push_back("P");
    }
    std::vector<std::string> events;
    int last = 0;
};

// The one run body, for every kind of request, with and without a copy of its own cache, and
// as a preview: the events the sink hears, the result, the log, and what is left.
TEST_F(ProgressRun, OneRunBodyServesEveryKindOfRequest) {
    using cleanfix::AllNames;
    const struct Case {
        bool bCache, bCookie, withCopy, preview;
    } cases[] = {
        {true, false, false, false}, {false, true, false, false}, {true, true, false, false},
        {true, false, true, false},  {false, true, true, false},  {true, true, true, false},
        {true, true, true, true},    {false, true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.bCache ? "cache" : "") + (c.bCookie ? "+cookie" : "") +
                     (c.withCopy ? " with copy" : "") + (c.preview ? " preview" : ""));
        ClearUrlCache();
        ASSERT_TRUE(SeedUrlCache(AllNames()));
        StubCopy stub("own", "low.example.test");
        CleaningRequest request{c.bCache, c.bCookie, KeepListSource()};
        if (c.withCopy) request.protectedCache = Through(SecondPassBy("dw_secondpass_stub.exe"));
        CCleaning cleaning(std::move(request));
        ASSERT_EQ(cleaning.Plan(), CCleaning::Planned::Yes);
        const size_t own = (c.bCache ? cleanfix::ContentNames().size() : 0) + (c.bCookie ? cleanfix::CookieNames().size() : 0);
        EXPECT_EQ(cleaning.First().entries.size(), own);
        ASSERT_EQ(cleaning.SecondPlan() != nullptr, c.withCopy);
        if (c.preview) {
            cleaning.Cancel();
            EXPECT_EQ(cleanfix::Sorted(UrlCacheSourceNames()), cleanfix::Sorted(AllNames())) << "a preview deletes nothing";
            if (c.withCopy) EXPECT_EQ(stub.Word(), "S");
            EXPECT_TRUE(stub.Gone());
            continue;
        }
        RecordingSink sink;
        cleaning.Run(sink);
        // The copy's few entries may all come in one read: its half of the bar may pass in one step.
        const std::vector<std::string> expected =
            c.withCopy ? std::vector<std::string>{"stage 0", "P", "stage 1"} : std::vector<std::string>{"P"};
        EXPECT_EQ(std::vector<std::string>(sink.events.begin(), sink.events.begin() + std::min(sink.events.size(), expected.size())),
                  expected);
        EXPECT_LE(sink.events.size(), expected.size() + (c.withCopy ? 1 : 0));
        EXPECT_EQ(cleaning.Result().deleted, own);
        EXPECT_EQ(cleaning.SecondResult() != nullptr, c.withCopy);
        if (c.withCopy) EXPECT_EQ(cleaning.SecondResult()->result.deleted, 2u);
        EXPECT_TRUE(cleaning.Complete());
        EXPECT_EQ(cleanfix::Sorted(UrlCacheSourceNames()), cleanfix::LeftAfter(c.bCache, c.bCookie));
        const std::string log = cleaning.Log();
        EXPECT_NE(log.find("合計: 削除 " + std::to_string(own + (c.withCopy ? 2 : 0)) + "件"), std::string::npos) << log;
        EXPECT_EQ(log.find("［保護モードのキャッシュ］") != std::string::npos, c.withCopy) << log;
        EXPECT_TRUE(stub.Gone());
    }
}

// Where the copy would share this process's integrity level (Wine applies none), it would see
// this very cache: it is never started, nothing is walked or deleted twice, and no text
// speaks of a second cache.
TEST_F(ProgressRun, ACopyOfTheSameLevelIsNeverStartedAndNothingIsDoneTwice) {
    ASSERT_TRUE(SeedUrlCache(cleanfix::AllNames()));
    StubCopy stub("own", "low.example.test");
    for (const char* program : {"", "dw_secondpass_stub.exe"}) {
        SCOPED_TRACE(program);
        SecondPassRequest copy = SecondPassBy(program);
        copy.ownCacheAlways = false;
        CSecondPass alone(copy, true, true, CKeepList());
        EXPECT_FALSE(alone.Start());
        EXPECT_EQ(alone.Outcome().status, SecondPassStatus::SameCache);
        EXPECT_TRUE(SecondPassPlanFailureText(alone.Outcome()).empty()) << "no failure to speak of";
    }
    SecondPassRequest copy = SecondPassBy("dw_secondpass_stub.exe");
    copy.ownCacheAlways = false;
    CCleaning cleaning({true, true, KeepListSource(), Through(copy)});
    ASSERT_EQ(cleaning.Plan(), CCleaning::Planned::Yes);
    EXPECT_EQ(cleaning.SecondPlan(), nullptr);
    EXPECT_EQ(cleaning.SecondPlanFailure(), L"");
    RecordingSink sink;
    cleaning.Run(sink);
    EXPECT_EQ(cleaning.SecondResult(), nullptr);
    EXPECT_EQ(sink.events, std::vector<std::string>{"P"}) << "one cache, one stage";
    EXPECT_TRUE(cleaning.Complete());
    EXPECT_EQ(cleaning.Log().find("［"), std::string::npos) << "no heading per cache";
    EXPECT_TRUE(stub.Word().empty()) << "the stand-in never ran: it would have been told to stop";
    EXPECT_TRUE(stub.Gone());
    EXPECT_EQ(cleanfix::Sorted(UrlCacheSourceNames()), cleanfix::LeftAfter(true, true));

    // At low integrity the program's own cache is the Protected Mode one: the question says
    // that the usual one is out of its reach.
    ProtectedCacheReach low;
    low.usualCacheOutOfReach = true;
    CCleaning fromLow({true, false, KeepListSource(), low});
    ASSERT_EQ(fromLow.Plan(), CCleaning::Planned::Yes);
    EXPECT_NE(fromLow.Question().find(L"通常のキャッシュには届きません"), std::wstring::npos);
    EXPECT_NE(fromLow.PreviewLog().find("通常のキャッシュには届きません"), std::string::npos);
}

// Cancelling the planning at each stage of the copy: before it plans, while it beats, and
// after its plan has come. Nothing is deleted, no copy is left, and the wait ends within a
// bound far below the copy's own.
TEST_F(ProgressRun, CancellingThePlanningAtEachStageDeletesNothingAndLeavesNoCopy) {
    const struct Case {
        const char* mode;
        bool afterPlan;  // 中止 comes once the copy has planned, while this cache is walked
    } cases[] = {{"silent", false}, {"flood", false}, {"own", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        ClearUrlCache();
        Seeded(3);
        RecordingUrlCache cache;
        StubCopy stub(c.mode);
        const std::string plannedName = "DwStubPlanned-" + std::to_string(::GetCurrentProcessId());
        CKernelHandle planned(::CreateEventA(nullptr, TRUE, FALSE, plannedName.c_str()));
        ::SetEnvironmentVariableA("DW_STUB_PLANNED", plannedName.c_str());
        std::atomic<bool> cancel{false};
        bool sawPlan = false;
        cache.beforeRead = [&](int read, INTERNET_CACHE_ENTRY_INFOA*, DWORD*) {
            if (read == 1 && c.afterPlan) {
                sawPlan = ::WaitForSingleObject(planned.get(), 20000) == WAIT_OBJECT_0;
                cancel = true;
            }
            return true;
        };
        SecondPassRequest copy = SecondPassBy("dw_secondpass_stub.exe");
        copy.overallTimeoutMs = 8000;
        CCleaning cleaning({true, false, KeepListSource(), Through(copy)});
        std::thread presser;
        if (!c.afterPlan) presser = std::thread([&] {
            ::Sleep(1500);
            cancel = true;
        });
        const DWORD start = ::GetTickCount();
        EXPECT_EQ(cleaning.Plan(&cancel), CCleaning::Planned::Cancelled);
        const DWORD took = ::GetTickCount() - start;
        if (presser.joinable()) presser.join();
        ::SetEnvironmentVariableA("DW_STUB_PLANNED", nullptr);
        EXPECT_EQ(sawPlan, c.afterPlan);
        EXPECT_LT(took, copy.overallTimeoutMs) << "ended at 中止, not at a bound";
        EXPECT_TRUE(stub.Gone()) << "the copy was ended";
        EXPECT_TRUE(cleaning.First().entries.empty());
        EXPECT_EQ(cleaning.SecondPlan(), nullptr);
        EXPECT_EQ(UrlCacheSourceNames().size(), 3u) << "nothing deleted";
    }
}

// The copy planned, kept a cookie and was gone before "go": the log lists the cookie it kept
// and its summary counts it.
TEST_F(ProgressRun, ACopyGoneBeforeGoStillCountsTheCookiesItKept) {
    const std::wstring keepPath = TempPathW(L"dw-gone-keep.txt");
    std::ofstream(std::string(keepPath.begin(), keepPath.end()), std::ios::binary) << "low.example.test\n";
    StubCopy stub("leaves", "low.example.test");
    ::SetEnvironmentVariableA("DW_STUB_COUNT", "3");
    CCleaning cleaning({false, true, KeepListSource{keepPath, true}, Through(SecondPassBy("dw_secondpass_stub.exe"))});
    ASSERT_EQ(cleaning.Plan(), CCleaning::Planned::Yes);
    ASSERT_NE(cleaning.SecondPlan(), nullptr);
    EXPECT_EQ(cleaning.SecondPlan()->kept.size(), 1u);
    EXPECT_TRUE(WaitUntil([&] { return stub.Gone(); }, 10000)) << "gone before the word";
    CNoProgress unwatched;
    cleaning.Run(unwatched);
    ::SetEnvironmentVariableA("DW_STUB_COUNT", nullptr);
    ::DeleteFileW(keepPath.c_str());
    ASSERT_NE(cleaning.SecondResult(), nullptr);
    EXPECT_TRUE(cleaning.SecondResult()->Failed());
    EXPECT_FALSE(cleaning.Complete());
    const std::string log = cleaning.Log();
    EXPECT_NE(log.find("残しました\tCookie:u0@low.example.test/"), std::string::npos) << log;
    EXPECT_NE(log.find("残した 1件"), std::string::npos) << log;
}

// With a copy that sees a cache of its own, every text counts both plans and both passes: the
// question, the preview and its log, the completion, the log's kept lines and its summary. A
// copy told to stop (a preview, or No at the question) deletes nothing and says so.
TEST_F(ProgressRun, EveryCountCoversTheCopysOwnCacheToo) {
    const std::wstring keepPath = TempPathW(L"dw-both-keep.txt");
    std::ofstream(std::string(keepPath.begin(), keepPath.end()), std::ios::binary) << "low.example.test\nkeep.test\n";
    ASSERT_TRUE(SeedUrlCache({"Cookie:u@keep.test/", "Cookie:u@gone.test/"}));
    StubCopy stub("own", "low.example.test");  // three cookies, one of them kept
    ::SetEnvironmentVariableA("DW_STUB_COUNT", "3");
    CommandLine line;
    line.mode = CommandLine::Mode::Clean;
    line.bCookie = line.silent = line.preview = true;
    line.keepPath = keepPath;
    line.logPath = TempPathW(L"dw-both-preview.log");
    SecondPassRequest request = SecondPassBy("dw_secondpass_stub.exe");
    {
        CCleaning cleaning({false, true, KeepSourceOf(line), Through(request)});
        ASSERT_EQ(cleaning.Plan(), CCleaning::Planned::Yes);
        EXPECT_EQ(cleaning.Question(), L"クッキー 3件（200 B）を削除します。残すサイトのクッキー 2件は削除しません。\n" +
                                           std::wstring(kDeletionWarning));
        cleaning.Cancel();
        EXPECT_TRUE(stub.Gone());
        EXPECT_EQ(stub.Word(), "S") << "told to stop";
    }
    EXPECT_EQ(RunUnattendedClean(line, Through(request)), ExitCode::AllDeleted);
    EXPECT_EQ(ReadLog(line.logPath),
              (std::vector<std::string>{"［通常のキャッシュ］", "削除します\tCookie:u@gone.test/", "残します\tCookie:u@keep.test/",
                                        "［保護モードのキャッシュ］", "削除します\tCookie:u1@low.example.test/",
                                        "削除します\tCookie:u2@low.example.test/", "残します\tCookie:u0@low.example.test/",
                                        "合計（何も削除していません）: 削除する項目 3件、200 B、残すクッキー 2件"}));
    EXPECT_EQ(stub.Word(), "S");
    EXPECT_EQ(UrlCacheSourceNames().size(), 2u) << "a preview deletes nothing";

    line.preview = false;
    line.logPath = TempPathW(L"dw-both-run.log");
    EXPECT_EQ(RunUnattendedClean(line, Through(request)), ExitCode::AllDeleted);
    const std::vector<std::string> lines = ReadLog(line.logPath);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "［通常のキャッシュ］");
    EXPECT_EQ(lines[1], "削除しました\tCookie:u@gone.test/");
    EXPECT_EQ(lines[2], "残しました\tCookie:u@keep.test/");
    EXPECT_EQ(lines[3], "［保護モードのキャッシュ］");
    EXPECT_EQ(lines[6], "残しました\tCookie:u0@low.example.test/");
    EXPECT_EQ(lines[7].rfind("合計: 削除 3件、ファイルが残った 0件", 0), 0u) << lines[7];
    EXPECT_NE(lines[7].find("残した 2件、200 B を解放"), std::string::npos) << lines[7];
    EXPECT_EQ(UrlCacheSourceNames(), std::vector<std::string>{"Cookie:u@keep.test/"});

    // A copy that cannot plan is said before anything is deleted, in the question and the preview.
    {
        CCleaning cleaning({false, true, KeepSourceOf(line), Through(SecondPassBy("no-such-copy.exe"))});
        ASSERT_EQ(cleaning.Plan(), CCleaning::Planned::Yes);
        const std::wstring question = cleaning.Question();
        EXPECT_NE(question.find(L"保護モードのキャッシュは削除されません（低い整合性レベルのコピーを起動できませんでした。エラー 2）。"),
                  std::wstring::npos);
        EXPECT_FALSE(cleaning.PreviewComplete());
        const std::string log = cleaning.PreviewLog();
        EXPECT_NE(log.find("［保護モードのキャッシュ］\r\n保護モードのキャッシュは削除されません"), std::string::npos) << log;
        EXPECT_NE(log.find("（保護モードのキャッシュは含まれていません）"), std::string::npos) << log;
    }
    // The dialog's completion counts the copy's deletions and the cookies it kept.
    CleaningPlan first;
    first.entries = Seeded(1);
    CSecondPass second(request, false, true, LoadKeepList({keepPath, true}).list);
    ASSERT_TRUE(second.Start());
    ASSERT_TRUE(second.ReadPlan());
    RecordingUrlCache cache;
    EXPECT_EQ(Run(first.entries, cache, false, &second), IDOK);
    EXPECT_EQ(seen.status, "削除が終わりました（3件、200 B、残したクッキー 1件）");
    ::SetEnvironmentVariableA("DW_STUB_COUNT", nullptr);
    ::DeleteFileW(keepPath.c_str());
}

// A copy that cannot start, dies, stops answering, floods or sends no whole report: the first
// pass's result stands, the log and the completion say the Protected Mode cache was not
// cleaned and why (with the system's error code), the exit code is 1, within the bounds given,
// and no copy is left running. One that beats its heart through a long walk is not cut off.
TEST_F(ProgressRun, ACopyThatFailsLeavesTheFirstPassStandingAndSaysSo) {
    struct Case {
        const char* mode;
        const char* program;
        const char* why;
        size_t reported;  // entries the copy reported deleted before it failed
        DWORD silenceMs;  // short where the copy must be ended
    };
    const DWORD kEndsByItself = SecondPassBy().idleTimeoutMs;
    const Case cases[] = {
        {"die", "dw_secondpass_stub.exe", "報告を終えずに終了しました。エラー 109", 0, kEndsByItself},
        {"silent", "dw_secondpass_stub.exe", "応答しなくなったため終了させました。エラー 1460", 0, 1500},
        {"stall", "dw_secondpass_stub.exe", "応答しなくなったため終了させました。エラー 1460", 0, 1500},
        {"flood", "dw_secondpass_stub.exe", "時間内に終わらなかったため終了させました。エラー 1460", 0, kEndsByItself},
        {"garbage", "dw_secondpass_stub.exe", "報告を終えずに終了しました。エラー 13", 0, kEndsByItself},
        {"partial", "dw_secondpass_stub.exe", "報告を終えずに終了しました。エラー 109", 1, kEndsByItself},
        {"", "no-such-copy.exe", "起動できませんでした。エラー 2", 0, kEndsByItself},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        ClearUrlCache();
        Seeded(2);
        StubCopy stub(c.mode);
        const CommandLine line = SilentCacheCleaning(L"dw-copy-failed.log");
        SecondPassRequest request = SecondPassBy(c.program, c.silenceMs);
        request.overallTimeoutMs = 4000;
        const DWORD start = ::GetTickCount();
        EXPECT_EQ(RunUnattendedClean(line, Through(request)), ExitCode::SomeNotDeleted);
        EXPECT_LT(::GetTickCount() - start, SecondPassRequest::kIdleTimeoutMs) << "the bounds given, not the defaults";
        EXPECT_TRUE(stub.Gone()) << "the copy is gone";
        EXPECT_TRUE(UrlCacheSourceNames().empty()) << "the first pass ran";
        const std::vector<std::string> lines = ReadLog(line.logPath);
        ASSERT_EQ(lines.size(), 6 + c.reported);
        EXPECT_EQ(lines[0], "［通常のキャッシュ］");
        EXPECT_EQ(lines[3], "［保護モードのキャッシュ］");
        EXPECT_EQ(lines[4 + c.reported].rfind("保護モードのキャッシュは削除できませんでした（", 0), 0u);
        EXPECT_NE(lines[4 + c.reported].find(c.why), std::string::npos) << lines[4 + c.reported];
        EXPECT_NE(lines.back().find("（保護モードのキャッシュは削除できませんでした）"), std::string::npos) << lines.back();
        EXPECT_EQ(lines.back().rfind("合計: 削除 " + std::to_string(2 + c.reported) + "件", 0), 0u) << lines.back();
    }
    // Heartbeats keep a copy whose walk outlasts the bound of silence alive (six beats, each
    // well inside the bound; the bound itself wide enough for a loaded host to start the copy).
    {
        ClearUrlCache();
        StubCopy stub("beats");
        ::SetEnvironmentVariableA("DW_STUB_BEAT_MS", "800");
        const CommandLine line = SilentCacheCleaning(L"dw-copy-beats.log");
        EXPECT_EQ(RunUnattendedClean(line, Through(SecondPassBy("dw_secondpass_stub.exe", 3000))), ExitCode::AllDeleted);
        const std::vector<std::string> lines = ReadLog(line.logPath);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back().rfind("合計: 削除 2件", 0), 0u) << lines.back();
    }
    // In the dialog: the completion says it first, with the error, and the dialog can be closed.
    RecordingUrlCache cache;
    CleaningPlan first;
    first.entries = Seeded(2);
    StubCopy stub("stall");
    // Its plan must come in time, on a loaded host too.
    CSecondPass stalled(SecondPassBy("dw_secondpass_stub.exe", 4000), true, false, CKeepList());
    ASSERT_TRUE(stalled.Start());
    ASSERT_TRUE(stalled.ReadPlan());
    EXPECT_EQ(Run(first.entries, cache, false, &stalled), IDOK);
    EXPECT_EQ(seen.status, "保護モードのキャッシュは削除できませんでした（2件、0 B を削除。エラー 1460）");
    EXPECT_TRUE(seen.buttonVisible);
    EXPECT_EQ(secondPass.status, SecondPassStatus::NoAnswer);
    EXPECT_TRUE(stub.Gone());
}

// A plan the parent could not read is never followed by "go", whoever drives the copy: the
// command line's cleaning, or a caller that asks the pass to go all the same.
TEST_F(ProgressRun, ACopyWhosePlanCannotBeReadIsNeverToldToGo) {
    {
        Seeded(2);
        StubCopy stub("broken");
        const CommandLine line = SilentCacheCleaning(L"dw-copy-broken.log");
        EXPECT_EQ(RunUnattendedClean(line, Through(SecondPassBy("dw_secondpass_stub.exe"))), ExitCode::SomeNotDeleted);
        EXPECT_TRUE(WaitUntil([&] { return stub.Gone(); }, 5000));
        EXPECT_NE(stub.Word(), "G");
        EXPECT_TRUE(UrlCacheSourceNames().empty()) << "the first pass ran";
        const std::vector<std::string> lines = ReadLog(line.logPath);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_NE(lines[lines.size() - 2].find("エラー 13"), std::string::npos) << lines[lines.size() - 2];
    }
    StubCopy stub("broken");
    CSecondPass copy(SecondPassBy("dw_secondpass_stub.exe"), true, false, CKeepList());
    ASSERT_TRUE(copy.Start());
    EXPECT_FALSE(copy.ReadPlan());
    EXPECT_EQ(copy.Outcome().status, SecondPassStatus::Broken);
    EXPECT_EQ(copy.Go().status, SecondPassStatus::Broken);
    EXPECT_TRUE(WaitUntil([&] { return stub.Gone(); }, 5000));
    EXPECT_NE(stub.Word(), "G");
}

// The copy runs without administrator rights whatever its parent has: no privilege but
// change-notify, Administrators (when the parent holds it) for deny only. Read back by the copy
// itself from its own token.
TEST_F(ProgressRun, TheCopyRunsWithoutAdministratorRights) {
    bool parentIsAdmin = false;
    {
        CKernelHandle own;
        ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, own.Receive()));
        BYTE adminSid[SECURITY_MAX_SID_SIZE];
        DWORD size = sizeof(adminSid);
        ASSERT_TRUE(::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, adminSid, &size));
        DWORD needed = 0;
        ::GetTokenInformation(own.get(), TokenGroups, nullptr, 0, &needed);
        std::vector<BYTE> groups(needed);
        ASSERT_TRUE(::GetTokenInformation(own.get(), TokenGroups, groups.data(), needed, &needed));
        const auto* list = reinterpret_cast<const TOKEN_GROUPS*>(groups.data());
        for (DWORD i = 0; i < list->GroupCount; ++i) {
            parentIsAdmin = parentIsAdmin || (::EqualSid(list->Groups[i].Sid, adminSid) &&
                                              (list->Groups[i].Attributes & SE_GROUP_ENABLED) != 0);
        }
    }
    StubCopy stub("token");
    CSecondPass copy(SecondPassBy("dw_secondpass_stub.exe"), true, false, CKeepList());
    ASSERT_TRUE(copy.Start());
    ASSERT_TRUE(copy.ReadPlan());
    copy.Stop();
    const std::string token = stub.Word();
    SCOPED_TRACE(token);
    // Wine applies no integrity level and sets no owner: both are Windows' to show
    // (docs/windows-checklist.md).
    EXPECT_EQ(token.substr(0, token.find(";owner=")),
              std::string("privileges=SeChangeNotifyPrivilege;admins=") + (parentIsAdmin ? "deny" : "absent") + ";dacl=user");
}

// The copy's own walk beats its heart: the real copy's code, on a walk that takes several
// times the interval, is never silent for much longer than one interval and one read.
TEST_F(ProgressRun, TheCopysOwnWalkBeatsItsHeartWithinThePromise) {
    Seeded(40);
    constexpr DWORD kBeatMs = 100, kReadMs = 30;
    RecordingUrlCache cache;
    cache.beforeRead = [](int, INTERNET_CACHE_ENTRY_INFOA*, DWORD*) {
        ::Sleep(kReadMs);
        return true;
    };
    CKernelHandle reportRead, reportWrite, controlRead, controlWrite;
    ASSERT_TRUE(::CreatePipe(reportRead.Receive(), reportWrite.Receive(), nullptr, 64 * 1024));
    ASSERT_TRUE(::CreatePipe(controlRead.Receive(), controlWrite.Receive(), nullptr, 16));
    const DWORD start = ::GetTickCount();
    SecondPassCopyOutcome outcome = SecondPassCopyOutcome::AllDeleted;
    std::thread copy([&] {
        outcome = RunSecondPassCopy(true, false, CKeepList(), reinterpret_cast<ULONG_PTR>(reportWrite.get()),
                                    reinterpret_cast<ULONG_PTR>(controlRead.get()), kBeatMs);
    });
    // Each record's arrival, read as the parent reads them, until the plan has come whole.
    std::vector<DWORD> arrivals;
    size_t beats = 0;
    CPassReportReader reader;
    std::string pending;
    while (!reader.Planned() && !reader.Broken()) {
        char header[5];
        DWORD got = 0;
        if (!::ReadFile(reportRead.get(), header, 5, &got, nullptr) || got != 5) break;
        arrivals.push_back(::GetTickCount() - start);
        const DWORD length = static_cast<unsigned char>(header[1]) | static_cast<unsigned char>(header[2]) << 8 |
                             static_cast<unsigned char>(header[3]) << 16 | static_cast<DWORD>(header[4]) << 24;
        std::string record(header, 5);
        record.resize(5 + length);
        for (DWORD done = 0; done < length; done += got) {
            if (!::ReadFile(reportRead.get(), &record[5 + done], length - done, &got, nullptr) || got == 0) break;
        }
        if (header[0] == 'H') ++beats;
        reader.Feed(record.data(), record.size());
    }
    DWORD written = 0;
    ::WriteFile(controlWrite.get(), &kSecondPassStop, 1, &written, nullptr);
    copy.join();
    EXPECT_EQ(outcome, SecondPassCopyOutcome::NotRun) << "told to stop, it deleted nothing";
    ASSERT_TRUE(reader.Planned());
    ASSERT_FALSE(arrivals.empty());
    EXPECT_GE(arrivals.back(), 10 * kBeatMs) << "the walk took many intervals";
    EXPECT_GE(beats, 2u);
    // A generous allowance for a loaded host, a third of the walk; a walk without beats is
    // silent for all of it.
    DWORD longest = arrivals.front();
    for (size_t i = 1; i < arrivals.size(); ++i) longest = std::max(longest, arrivals[i] - arrivals[i - 1]);
    EXPECT_LE(longest, kBeatMs + kReadMs + 270) << "beats at " << ::testing::PrintToString(arrivals);
    EXPECT_EQ(UrlCacheSourceNames().size(), 40u);
}

// The editor's sites: a copy that sees this very cache (Wine) adds nothing twice; a walk whose
// window closes stops waiting for a copy that says nothing, and the copy goes.
TEST_F(ProgressRun, TheEditorsSitesCountACookieOnceAndAClosedEditorEndsTheCopy) {
    ASSERT_TRUE(SeedUrlCache({"Cookie:u@a.test/", "Cookie:v@a.test/x", "Cookie:u@b.test/", "http://a.test/"}));
    std::map<std::string, size_t> own, both;
    ASSERT_TRUE(CollectCookieHosts(own));
    EXPECT_EQ(own, (std::map<std::string, size_t>{{"a.test", 2}, {"b.test", 1}}));
    // The program itself, under Wine, shares this cache: it is not started, and adds nothing.
    const SecondPassRequest itself = SecondPassBy();
    ASSERT_TRUE(CollectCookieHosts(both, nullptr, &itself));
    EXPECT_EQ(both, own);

    // The editor closes while the copy says nothing, or while its heartbeats keep flowing: the
    // walk ends within its thread's stop bound, and the copy goes.
    for (const char* mode : {"silent", "flood"}) {
        SCOPED_TRACE(mode);
        StubCopy stub(mode);
        SecondPassRequest copy = SecondPassBy("dw_secondpass_stub.exe");
        copy.overallTimeoutMs = CWorkerThread::kStopTimeoutMs;
        std::atomic<bool> closed{false};
        std::atomic<DWORD> closedAt{0};
        std::thread closer([&] {
            ::Sleep(1000);
            closedAt = ::GetTickCount();
            closed = true;
        });
        std::map<std::string, size_t> some;
        EXPECT_FALSE(CollectCookieHosts(some, &closed, &copy));
        const DWORD ended = ::GetTickCount();
        closer.join();
        EXPECT_LT(ended - closedAt, CWorkerThread::kStopTimeoutMs / 2) << "well inside the stop bound";
        EXPECT_TRUE(stub.Gone());
        EXPECT_EQ(UrlCacheSourceNames().size(), 4u);
    }
}

// A parent that is ended by force takes its copy with it, before the copy has deleted anything:
// one that never reads its pipes again (only the job can end it) and the program itself,
// waiting for its word.
TEST_F(ProgressRun, ACopyEndsWithItsParentAndDeletesNothing) {
    const std::string exe = EnvOr("DUSTWHIRL_EXE", "Dustwhirl.exe");
    const std::string folder = exe.substr(0, exe.find_last_of("\\/") + 1);
    for (const bool itself : {false, true}) {
        SCOPED_TRACE(itself ? "the program" : "a copy that never reads");
        ClearUrlCache();
        Seeded(2);
        StubCopy stub("silent");
        const std::string readyName = "DwCopyParentReady-" + std::to_string(::GetCurrentProcessId());
        CKernelHandle ready(::CreateEventA(nullptr, TRUE, FALSE, readyName.c_str()));
        ::SetEnvironmentVariableA("DW_STUB_PARENT", "1");
        ::SetEnvironmentVariableA("DW_STUB_READY", readyName.c_str());
        ::SetEnvironmentVariableA("DW_STUB_COPY_EXE", itself ? exe.c_str() : (folder + "dw_secondpass_stub.exe").c_str());
        ::SetEnvironmentVariableA("DW_STUB_COPY_PLANS", itself ? "1" : "0");
        std::string command = "\"" + folder + "dw_secondpass_stub.exe\"";
        STARTUPINFOA si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        const BOOL started =
            ::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
        for (const char* name : {"DW_STUB_PARENT", "DW_STUB_READY", "DW_STUB_COPY_EXE", "DW_STUB_COPY_PLANS"}) {
            ::SetEnvironmentVariableA(name, nullptr);
        }
        ASSERT_TRUE(started);
        CKernelHandle parent(pi.hProcess), thread(pi.hThread);
        ASSERT_EQ(::WaitForSingleObject(ready.get(), 20000), WAIT_OBJECT_0) << "the parent started its copy";
        CKernelHandle copy;
        CKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof(entry);
        for (BOOL more = ::Process32First(snapshot.get(), &entry); more; more = ::Process32Next(snapshot.get(), &entry)) {
            if (entry.th32ParentProcessID == pi.dwProcessId) copy.Reset(::OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID));
        }
        ASSERT_TRUE(copy) << "the copy runs";
        ::TerminateProcess(parent.get(), 1);
        EXPECT_EQ(::WaitForSingleObject(copy.get(), 10000), WAIT_OBJECT_0) << "the copy ended with its parent";
        EXPECT_TRUE(stub.Gone() || itself);
        EXPECT_EQ(UrlCacheSourceNames().size(), 2u) << "nothing was deleted";
    }
}

// A name is one line of the log, whatever bytes the cache holds in it.
TEST(CleaningLog, WritesEveryControlCharacterOfANameAsAnEscape) {
    const struct {
        std::string name, logged;
    } cases[] = {
        {"http://a.test/x\r\n合計: 削除 0件\tb", "http://a.test/x\\x0D\\x0A合計: 削除 0件\\x09b"},
        {std::string("\x01\x1f\x7f", 3), "\\x01\\x1F\\x7F"},
        {"Cookie:u@例え.jp/ü", "Cookie:u@例え.jp/ü"},
        {"", ""},
        // C1 (NEL among them), the line and paragraph separators, every bidirectional control.
        {"a\xC2\x85" "b\xC2\x80\xC2\x9F", "a\\x85b\\x80\\x9F"},
        {"x\xE2\x80\xA8y\xE2\x80\xA9z", "x\\x{2028}y\\x{2029}z"},
        {"\xE2\x80\xAA\xE2\x80\xAB\xE2\x80\xAC\xE2\x80\xAD\xE2\x80\xAE",
         "\\x{202A}\\x{202B}\\x{202C}\\x{202D}\\x{202E}"},
        {"\xE2\x81\xA6\xE2\x81\xA7\xE2\x81\xA8\xE2\x81\xA9", "\\x{2066}\\x{2067}\\x{2068}\\x{2069}"},
        {"\xE2\x80\x8E\xE2\x80\x8F\xD8\x9C", "\\x{200E}\\x{200F}\\x{061C}"},
        // Their neighbours are text: a dash, an ellipsis, a no-break space, a word joiner.
        {"\xE2\x80\x94\xE2\x80\xA6\xC2\xA0\xE2\x81\xA0", "\xE2\x80\x94\xE2\x80\xA6\xC2\xA0\xE2\x81\xA0"},
    };
    for (const auto& c : cases) EXPECT_EQ(LogEntryName(c.name), c.logged) << c.name;
}

// The copy's report: names are the cache's own bytes, whatever they hold; a report that
// breaks any rule is never taken for a result, however it arrives.
TEST(PassReport, KeepsOpaqueNamesAndTakesNoBrokenReportForAResult) {
    auto bytesOf = [](const std::function<void(CPassReportWriter&)>& write) {
        char path[MAX_PATH] = {}, dir[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, dir);
        ::GetTempFileNameA(dir, "dwr", 0, path);
        HANDLE file = ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        CPassReportWriter writer(file);
        write(writer);
        std::string bytes(::GetFileSize(file, nullptr), '\0');
        DWORD got = 0;
        ::SetFilePointer(file, 0, nullptr, FILE_BEGIN);
        ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
        ::CloseHandle(file);
        return bytes;
    };
    // Every name the writer takes, the reader takes: bytes of any code page, line breaks, a
    // long one, an empty one.
    CleaningPlan plan;
    plan.entries = {{"http://a.example.test/\xff\xfe\t\r\nX", 7},
                    {"Cookie:\x82\xa0@example.test/", 1u << 31},
                    {std::string(70000, 'n'), 0},
                    {"", 5}};
    plan.kept = {{"Cookie:u@keep.test/", 3}};
    const DeleteOutcome outcomes[] = {DeleteOutcome::Deleted, DeleteOutcome::InUse, DeleteOutcome::FileLeft,
                                      DeleteOutcome::Denied};
    DeletionResult sent;
    for (size_t i = 0; i < plan.entries.size(); ++i) sent.Add(plan.entries[i], outcomes[i]);
    auto report = [&](const CleaningPlan& p, size_t reported, const DeletionResult& result) {
        return bytesOf([&](CPassReportWriter& w) {
            w.Plan(p);
            for (size_t i = 0; i < reported; ++i) w.Entry(outcomes[i % 4]);
            w.Result(result);
        });
    };
    const std::string whole = report(plan, 4, sent);
    for (size_t piece : {size_t(1), size_t(7), whole.size()}) {
        CPassReportReader reader;
        for (size_t at = 0; at < whole.size(); at += piece) reader.Feed(whole.data() + at, std::min(piece, whole.size() - at));
        EXPECT_TRUE(reader.Planned() && reader.Ended()) << piece;
        EXPECT_EQ(NamesIn(reader.ToGo()), NamesIn(plan.entries));
        EXPECT_EQ(NamesIn(reader.Kept()), NamesIn(plan.kept));
        EXPECT_EQ(NamesIn(reader.Entries()), NamesIn(plan.entries)) << "each outcome belongs to the planned entry in turn";
        EXPECT_EQ(reader.Result().outcomes, sent.outcomes);
        EXPECT_EQ(reader.Result().bytesFreed, 7u);
        EXPECT_EQ(reader.Result().denied, 1u) << "a refusal is carried as what it is";
        EXPECT_EQ(reader.Result().inUse, 1u);
        EXPECT_EQ(reader.Result().fileLeft, 1u) << "a file left behind is carried apart, its bytes not freed";
    }
    // The plan alone is a plan, and a heartbeat anywhere before the result is no entry.
    {
        CPassReportReader reader;
        const std::string beat("H\0\0\0\0", 5);
        const std::string planned = bytesOf([&](CPassReportWriter& w) { w.Plan(plan); });
        const std::string beaten = beat + planned + beat;
        reader.Feed(beaten.data(), beaten.size());
        EXPECT_TRUE(reader.Planned());
        EXPECT_FALSE(reader.Ended() || reader.Broken());
        EXPECT_TRUE(reader.Entries().empty());
    }
    DeletionResult overstated = sent;
    ++overstated.deleted;
    DeletionResult firstThree;
    for (size_t i = 0; i < 3; ++i) firstThree.Add(plan.entries[i], outcomes[i]);
    const std::string planned = bytesOf([&](CPassReportWriter& w) { w.Plan(plan); });
    const std::string entry("E\x01\0\0\0\0", 6);
    CleaningPlan nul;
    nul.entries = {{std::string("a\0b", 3), 0}};
    const std::string hugePlan = std::string("P\x11\0\0\0", 5) + std::string("\xff\xff\xff\xff\0\0\0\0", 8) +
                                 std::string(8, '\0') + std::string(1, '\0');
    const struct {
        const char* name;
        std::string bytes;
    } broken[] = {
        {"totals that disagree", report(plan, 4, overstated)},
        {"a result short of the plan, agreeing with its entries", report(plan, 3, firstThree)},
        {"more entries than planned", planned + entry + entry + entry + entry + entry},
        {"an entry before the plan is whole", planned.substr(0, 17 + 5) + entry},
        {"a name before the plan", std::string("G\x08\0\0\0", 5) + std::string(8, '\0')},
        {"two plans", planned + planned},
        {"a record after the result", whole + entry},
        {"a NUL inside a name", report(nul, 1, DeletionResult())},
        {"an unknown record", planned + std::string("Z\0\0\0\0", 5)},
        {"an unknown outcome", planned + std::string("E\x01\0\0\0\x0a", 6)},
        {"a heartbeat with a payload", std::string("H\x01\0\0\0x", 6)},
        {"a length past the limit", planned + std::string("E\xff\xff\xff\x7f", 5)},
        {"a plan past the bound of entries", hugePlan},
    };
    for (const auto& b : broken) {
        CPassReportReader reader;
        reader.Feed(b.bytes.data(), b.bytes.size());
        EXPECT_TRUE(reader.Broken()) << b.name;
        EXPECT_FALSE(reader.Ended()) << b.name;
    }
    // The bound of entries is the plan's count of both kinds together: at it a plan is taken,
    // one entry or one kept cookie past it breaks the report.
    {
        auto planOf = [](ULONGLONG toGo, ULONGLONG kept) {
            std::string record("P\x11\0\0\0", 5);
            for (ULONGLONG n : {toGo, kept}) {
                for (int i = 0; i < 8; ++i) record += static_cast<char>((n >> (8 * i)) & 0xFF);
            }
            return record + std::string(1, '\0');
        };
        const ULONGLONG bound = CPassReportReader::kMaxEntries;
        const struct {
            ULONGLONG toGo, kept;
            bool taken;
        } plans[] = {{bound, 0, true}, {0, bound, true}, {bound - 1, 1, true},
                     {bound + 1, 0, false}, {0, bound + 1, false}, {bound, 1, false}, {1, bound, false}};
        for (const auto& p : plans) {
            CPassReportReader reader;
            const std::string record = planOf(p.toGo, p.kept);
            EXPECT_EQ(reader.Feed(record.data(), record.size()), p.taken) << p.toGo << " + " << p.kept;
            EXPECT_EQ(reader.Broken(), !p.taken);
        }
    }
    // Names past the bound of their total size break the report too, however few they are.
    {
        const size_t count = CPassReportReader::kMaxNameBytes / (1 << 19) + 1;
        std::string head("P\x11\0\0\0", 5);
        for (int i = 0; i < 8; ++i) head += static_cast<char>((count >> (8 * i)) & 0xFF);
        head += std::string(9, '\0');
        std::string name("G\x08\0\x08\0", 5);  // 8 bytes of size and half a MiB of name
        name += std::string(8, '\0') + std::string(1 << 19, 'x');
        CPassReportReader reader;
        bool taken = reader.Feed(head.data(), head.size());
        for (size_t n = 0; n < count && taken; ++n) taken = reader.Feed(name.data(), name.size());
        EXPECT_FALSE(taken);
        EXPECT_TRUE(reader.Broken());
    }
    CPassReportReader cut;
    cut.Feed(whole.data(), whole.size() - 1);
    EXPECT_FALSE(cut.Ended() || cut.Broken()) << "a report cut short is waited for, not taken";
}

// A dialog whose worker thread cannot be made says so, shows its close button at once and
// runs nothing; a cleaning under it tells its copy to stop.
class NoThreadProgressDlg : public CProgressDlg {
public:
    using CProgressDlg::CProgressDlg;

protected:
    bool StartWork() override { return false; }
};

TEST(ProgressWithoutWorker, ShowsItsCloseButtonAtOnceAndRunsNothing) {
    bool ran = false;
    NoThreadProgressDlg dlg([&](CProgressSink&) {
        ran = true;
        return std::wstring(L"never");
    }, nullptr);
    std::string status;
    bool closable = false;
    std::thread driver([&] {
        HWND hwnd = nullptr;
        if (!WaitUntil([&] { return (hwnd = dlg.GetSafeHwnd()) != nullptr && ::IsWindowVisible(hwnd); }, 10000)) return;
        HWND button = ::GetDlgItem(hwnd, IDC_END_BUTTON);
        closable = WaitUntil([&] { return Visible(button); }, 10000);
        status = WindowText(::GetDlgItem(hwnd, IDC_STATUS));
        ::PostMessageA(button, BM_CLICK, 0, 0);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    driver.join();
    EXPECT_TRUE(closable);
    EXPECT_EQ(status, ToUtf8(CProgressDlg::kNotStarted));
    EXPECT_FALSE(ran);
    EXPECT_FALSE(dlg.WorkStarted());
}

// The wait before the question: hidden for its moment, ended by its work; a work that throws
// or a worker that cannot be made ends it as failed, never as a plan.
class NoThreadPlanningDlg : public CPlanningDlg {
public:
    using CPlanningDlg::CPlanningDlg;

protected:
    bool StartWork() override { return false; }
};

TEST(PlanningWait, EndsWithItsWorkAndTellsAFailureFromAPlan) {
    const struct Case {
        const char* name;
        bool throws;
        DWORD workMs;
        INT_PTR expected;
        bool shown;
    } cases[] = {
        {"quick", false, 0, IDOK, false},
        {"slow", false, 600, IDOK, true},
        {"throws", true, 0, IDABORT, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<bool> shown{false};
        CPlanningDlg* watched = nullptr;
        CPlanningDlg wait([&](const std::atomic<bool>&) {
            const DWORD start = ::GetTickCount();
            while (::GetTickCount() - start < c.workMs) {
                HWND hwnd = watched != nullptr ? watched->GetSafeHwnd() : nullptr;
                if (hwnd != nullptr && ::IsWindowVisible(hwnd)) shown = true;
                ::Sleep(10);
            }
            if (c.throws) throw std::bad_alloc();
        }, nullptr, 200);
        watched = &wait;
        EXPECT_EQ(wait.DoModal(), c.expected);
        EXPECT_EQ(shown.load(), c.shown) << "shown only once its moment has passed";
    }
    NoThreadPlanningDlg never([](const std::atomic<bool>&) { ADD_FAILURE() << "no worker, no work"; }, nullptr);
    EXPECT_EQ(never.DoModal(), IDABORT);
}

TEST(ProgressTemplate, IsACentredCaptionedDialogWithoutSystemMenu) {
    CProgressDlg dlg([](CProgressSink&) { return std::wstring(CompletionText(DeletionResult())); }, nullptr);
    struct Report {
        DWORD style = 0;
        std::string title = "?";
        RECT client{}, expectClient{};
        RECT window{}, work{};
        std::string face;
        int neededHeight = 0, statusHeight = 0;
        std::vector<std::pair<int, RECT>> controls;
        std::vector<std::pair<int, RECT>> expected;
    } r;
    std::thread driver([&] {
        HWND hwnd = nullptr;
        if (!WaitUntil([&] { return (hwnd = dlg.GetSafeHwnd()) != nullptr && ::IsWindowVisible(hwnd); }, 10000)) return;
        WaitUntil([&] { return WindowText(::GetDlgItem(hwnd, IDC_STATUS)) == Finished(0); }, 10000);
        r.style = static_cast<DWORD>(::GetWindowLongA(hwnd, GWL_STYLE));
        r.title = WindowText(hwnd);
        ::GetClientRect(hwnd, &r.client);
        r.expectClient = {0, 0, 290, 92};
        ::MapDialogRect(hwnd, &r.expectClient);
        ::GetWindowRect(hwnd, &r.window);
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &r.work, 0);
        LOGFONTW lf{};
        ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0)), sizeof(lf), &lf);
        r.face = ToUtf8(lf.lfFaceName);
        // The longest completion a real cache could give still fits the status line, wrapped
        // the way the static control wraps it.
        DeletionResult worst;
        worst.deleted = 9999999;
        worst.inUse = 999999;
        worst.notDeleted = 999999;
        worst.walkFailed = true;
        worst.bytesFreed = 1023ULL << 40;
        HWND status = ::GetDlgItem(hwnd, IDC_STATUS);
        RECT statusRect{};
        ::GetClientRect(status, &statusRect);
        r.statusHeight = statusRect.bottom;
        HDC dc = ::GetDC(status);
        HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(status, WM_GETFONT, 0, 0)));
        const CString text = CompletionText(worst);
        RECT needed = statusRect;
        ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed,
                    DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
        r.neededHeight = std::max<int>(needed.bottom, needed.right > statusRect.right ? INT_MAX : 0);
        // And the longest of two passes, the second one failed.
        const std::wstring both = CompletionTextOfBoth(worst, SecondPassResult());
        needed = statusRect;
        ::DrawTextW(dc, both.c_str(), static_cast<int>(both.size()), &needed,
                    DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
        r.neededHeight = std::max<int>({r.neededHeight, static_cast<int>(needed.bottom),
                                        needed.right > statusRect.right ? INT_MAX : 0});
        ::SelectObject(dc, old);
        ::ReleaseDC(status, dc);
        // Position and size in dialog units, each mapped the way the dialog manager maps them.
        const struct { int id; RECT dlu; } layout[] = {{IDC_END_BUTTON, {233, 71, 50, 14}},
                                                       {IDC_PROGRESS, {7, 37, 276, 14}},
                                                       {IDC_STATUS, {7, 54, 276, 16}}};
        for (const auto& c : layout) {
            RECT want = c.dlu;
            ::MapDialogRect(hwnd, &want);
            want.right += want.left;
            want.bottom += want.top;
            RECT got{};
            ::GetWindowRect(::GetDlgItem(hwnd, c.id), &got);
            ::MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&got), 2);
            r.controls.push_back({c.id, got});
            r.expected.push_back({c.id, want});
        }
        ::PostMessageA(::GetDlgItem(hwnd, IDC_END_BUTTON), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    driver.join();
    EXPECT_NE(r.style & WS_CAPTION, 0UL);
    EXPECT_EQ(r.style & WS_SYSMENU, 0UL) << "no system menu, so no close box";
    EXPECT_NE(r.style & DS_MODALFRAME, 0UL);
    EXPECT_EQ(r.title, "");
    EXPECT_EQ(r.client.right, r.expectClient.right);
    EXPECT_EQ(r.client.bottom, r.expectClient.bottom);
    EXPECT_EQ(r.face, "ＭＳ Ｐゴシック");
    EXPECT_GT(r.neededHeight, 0);
    EXPECT_LE(r.neededHeight, r.statusHeight) << "the completion fits its two lines";
    int cx = (r.window.left + r.window.right) / 2, wx = (r.work.left + r.work.right) / 2;
    int cy = (r.window.top + r.window.bottom) / 2, wy = (r.work.top + r.work.bottom) / 2;
    EXPECT_LE(std::abs(cx - wx), 2) << "centred on the screen";
    EXPECT_LE(std::abs(cy - wy), 2);
    for (size_t i = 0; i < r.controls.size(); ++i) {
        EXPECT_EQ(r.controls[i].second.left, r.expected[i].second.left) << r.controls[i].first;
        EXPECT_EQ(r.controls[i].second.top, r.expected[i].second.top) << r.controls[i].first;
        EXPECT_EQ(r.controls[i].second.right, r.expected[i].second.right) << r.controls[i].first;
        EXPECT_EQ(r.controls[i].second.bottom, r.expected[i].second.bottom) << r.controls[i].first;
    }
}

}  // namespace
