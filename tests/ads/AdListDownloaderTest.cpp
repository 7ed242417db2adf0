// The ad list as the program fetches it: a real download from the loopback maker server into
// a real temporary file, parsed on the downloader's own thread.
#include "AdServer.h"
#include "Waiting.h"

#include "ads/AdListDownloader.h"
#include "ads/HttpDownload.h"
#include "framework/WinUtil.h"
#include "framework/Wnd.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// An ad as the downloader read it, in UTF-8 to compare with the served text.
struct Ad {
    std::string caption, link;
};


// Stands in for the main window: counts the ready notifications it is posted.
class ReadyCounter : public CWnd {
public:
    ReadyCounter() { CreateEx(0, L"", WS_POPUP, RECT{0, 0, 1, 1}, nullptr, 0); }
    ~ReadyCounter() override { DestroyWindow(); }
    int count = 0;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_AD_LIST_READY) {
            EXPECT_EQ(wp, 0u);
            EXPECT_EQ(lp, 0);
            ++count;
            return 0;
        }
        return CWnd::WindowProc(msg, wp, lp);
    }
};

std::string EnvOrEmpty(const char* name) {
    char buf[1024];
    DWORD n = ::GetEnvironmentVariableA(name, buf, sizeof(buf));
    return n > 0 && n < sizeof(buf) ? std::string(buf, n) : std::string();
}

// Each test gets a temporary directory of its own, so that leftovers can be counted.
class AdListDownload : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_server.Reset()) << "the ad server (fixture adserver) is not running";
        m_savedTmp = EnvOrEmpty("TMP");
        m_savedTemp = EnvOrEmpty("TEMP");
        char base[MAX_PATH];
        ::GetTempPathA(MAX_PATH, base);
        m_tempDir = std::string(base) + "dw-ads-" + std::to_string(::GetCurrentProcessId()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ::CreateDirectoryA(m_tempDir.c_str(), nullptr);
        SetTempDir(m_tempDir);
    }
    void TearDown() override {
        ::SetEnvironmentVariableA("TMP", m_savedTmp.empty() ? nullptr : m_savedTmp.c_str());
        ::SetEnvironmentVariableA("TEMP", m_savedTemp.empty() ? nullptr : m_savedTemp.c_str());
        for (const std::string& name : FilesIn(m_tempDir, "*")) ::DeleteFileA((m_tempDir + "\\" + name).c_str());
        ::RemoveDirectoryA(m_tempDir.c_str());
        m_server.Reset();
    }

    static void SetTempDir(const std::string& dir) {
        ::SetEnvironmentVariableA("TMP", dir.c_str());
        ::SetEnvironmentVariableA("TEMP", dir.c_str());
    }

    static std::vector<std::string> FilesIn(const std::string& dir, const char* pattern) {
        std::vector<std::string> names;
        WIN32_FIND_DATAA fd;
        HANDLE find = ::FindFirstFileA((dir + "\\" + pattern).c_str(), &fd);
        if (find == INVALID_HANDLE_VALUE) return names;
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
        } while (::FindNextFileA(find, &fd));
        ::FindClose(find);
        return names;
    }

    std::vector<std::string> Leftovers() const { return FilesIn(m_tempDir, "qvd*.tmp"); }

    // Starts the download and lets it end by itself (a Stop would cut it short); the
    // notification, if any, is queued by then. Checks that Run returned rather than being
    // ended by force.
    static void RunToEnd(CAdListDownloader& downloader) {
        downloader.Start();
        ASSERT_NE(downloader.m_pThread, nullptr);
        HANDLE thread = downloader.m_pThread->m_hThread.get();
        ASSERT_TRUE(WaitUntil([&] { return ::WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 20000));
        DWORD code = 0xDEADBEEF;
        ::GetExitCodeThread(thread, &code);
        EXPECT_EQ(code, 0u);
        downloader.Stop();
    }

    // Runs the downloader to its end as the program would, and collects what it read.
    std::vector<Ad> Download(const char* url = nullptr, const DownloadLimits& limits = DownloadLimits()) {
        CAdListDownloader downloader(&m_owner, url != nullptr ? url : kAdListUrl);
        downloader.SetLimits(limits);
        RunToEnd(downloader);
        PumpFor(50);
        std::vector<Ad> ads;
        for (int i = 0; i < downloader.GetCount(); ++i) {
            ads.push_back({ToUtf8(downloader.GetAt(i).caption), ToUtf8(downloader.GetAt(i).link)});
        }
        return ads;
    }

    std::vector<Ad> DownloadList(const std::string& body) {
        EXPECT_TRUE(m_server.ServeList(body));
        std::vector<Ad> ads = Download();
        EXPECT_EQ(m_server.ListRequests(), 1);
        EXPECT_EQ(m_owner.count, ads.empty() ? 0 : 1);
        EXPECT_TRUE(Leftovers().empty());
        return ads;
    }

    AdServer m_server;
    ReadyCounter m_owner;
    std::string m_tempDir;
    std::string m_savedTmp;
    std::string m_savedTemp;
};

void ExpectAds(const std::vector<Ad>& ads, const std::vector<std::pair<std::string, std::string>>& expected) {
    ASSERT_EQ(ads.size(), expected.size());
    for (size_t i = 0; i < ads.size(); ++i) {
        EXPECT_EQ(ads[i].caption, expected[i].first) << "entry " << i;
        EXPECT_EQ(ads[i].link, expected[i].second) << "entry " << i;
    }
}

TEST_F(AdListDownload, FirstCommaSplitsAndNothingIsTrimmed) {
    auto ads = DownloadList(
        "Sale,http://127.0.0.1/a?x=1,2,3\n"
        ",http://127.0.0.1/no-caption\n"
        "No link,\n"
        " blanks around , http://127.0.0.1/b \n"
        "\"quoted\",back\\slash\n"
        ",\n");
    ExpectAds(ads, {{"Sale", "http://127.0.0.1/a?x=1,2,3"},
                    {"", "http://127.0.0.1/no-caption"},
                    {"No link", ""},
                    {" blanks around ", " http://127.0.0.1/b "},
                    {"\"quoted\"", "back\\slash"},
                    {"", ""}});
}

TEST_F(AdListDownload, LinesWithoutCommaAreDroppedAndTheRestKept) {
    auto ads = DownloadList("no comma here\n\n   \nkept,1\n\nalso kept,2");
    ExpectAds(ads, {{"kept", "1"}, {"also kept", "2"}});
}

TEST_F(AdListDownload, LineEndsAndStrayCarriageReturnsAreRemoved) {
    auto ads = DownloadList("crlf,1\r\nlf,2\nstray\r cr,3\r\nmid,li\rnk\r\r\nlast,4");
    ExpectAds(ads, {{"crlf", "1"}, {"lf", "2"}, {"stray cr", "3"}, {"mid", "link"}, {"last", "4"}});
}

TEST_F(AdListDownload, CarriageReturnOnlyFileIsOneLongLineCutEvery1023Bytes) {
    std::string body;
    for (int i = 0; i < 400; ++i) body += "ab,cd\r";  // 2400 bytes, no LF anywhere
    auto ads = DownloadList(body);
    // Reads of 1023, 1023 and 354 bytes; 1023 = 170 * 6 + 3, so the second read begins "cd\r".
    ASSERT_EQ(ads.size(), 3u);
    EXPECT_EQ(ads[0].caption, "ab");
    EXPECT_EQ(ads[0].link.size(), 1023u - 170u - 3u) << "the CRs of the read are removed";
    EXPECT_EQ(ads[0].link.substr(0, 9), "cdab,cdab");
    EXPECT_EQ(ads[1].caption, "cdab");
    EXPECT_EQ(ads[2].caption, "ab") << "2046 = 341 * 6: the third read begins a record";
}

TEST_F(AdListDownload, LongLineArrivesInChunksParsedOnTheirOwn) {
    const std::string xs(1019, 'x');
    std::string body = "cap," + xs + "tail,end\n";  // the first read stops after 1023 bytes
    body += "next,1\n";
    body += "nocomma" + std::string(1100, 'y') + ",z\n";  // a read without comma, then the rest
    auto ads = DownloadList(body);
    ExpectAds(ads, {{"cap", xs}, {"tail", "end"}, {"next", "1"}, {std::string(1100 - 1016, 'y'), "z"}});
}

TEST_F(AdListDownload, CutThroughMultiByteCharacterGarblesOnlyThatCharacter) {
    std::string body = "c,";
    for (int i = 0; i < 400; ++i) body += u8"あ";  // 3 bytes each: the 341st is cut
    body += "\nnext,1\n";
    auto ads = DownloadList(body);
    ASSERT_EQ(ads.size(), 2u);
    std::string kana;
    for (int i = 0; i < 340; ++i) kana += "あ";
    EXPECT_EQ(ads[0].caption, "c");
    EXPECT_EQ(ads[0].link.substr(0, kana.size()), kana);
    EXPECT_GT(ads[0].link.size(), kana.size()) << "the cut character is replaced, not lost";
    EXPECT_EQ(ads[1].caption, "next");
}

// Whatever the system's code page: Japanese, characters outside code page 932 (the euro
// sign, Korean) and outside the basic plane (an emoji, two UTF-16 units) arrive as written.
TEST_F(AdListDownload, EveryCharacterArrivesAsWritten) {
    const std::vector<std::pair<std::string, std::string>> written = {
        {u8"春の大掃除キャンペーン", u8"http://127.0.0.1/はる?q=표"},
        {u8"ユーロ€記号 한국어 광고 🧹", u8"http://127.0.0.1/"},
    };
    std::string body;
    for (const auto& ad : written) body += ad.first + "," + ad.second + "\n";
    ExpectAds(DownloadList(body), written);
}

TEST_F(AdListDownload, ByteOrderMarkStaysInTheFirstCaption) {
    auto ads = DownloadList("\xEF\xBB\xBF" "first,1\nsecond,2\n");
    ASSERT_EQ(ads.size(), 2u);
    EXPECT_NE(ads[0].caption, "first");
    EXPECT_EQ(ads[0].caption.substr(ads[0].caption.size() - 5), "first");
    EXPECT_EQ(ads[1].caption, "second");
}

TEST_F(AdListDownload, ShiftJisAndInvalidUtf8AreReadAsUtf8WithoutLosingLines) {
    // "広告" in Shift_JIS: served as is, it is not UTF-8.
    std::string sjis = "\x8D\x4C\x8D\x90,http://127.0.0.1/sjis\n";
    auto ads = DownloadList(sjis + "\xFF\xFE\xC3 bad,http://127.0.0.1/bad\nok,1\n");
    ASSERT_EQ(ads.size(), 3u);
    EXPECT_NE(ads[0].caption, "広告") << "no fallback to Shift_JIS";
    EXPECT_EQ(ads[0].link, "http://127.0.0.1/sjis");
    EXPECT_EQ(ads[1].caption.substr(ads[1].caption.size() - 4), " bad");
    EXPECT_EQ(ads[1].link, "http://127.0.0.1/bad");
    EXPECT_EQ(ads[2].caption, "ok");
}

TEST_F(AdListDownload, ControlZEndsTheText) {
    auto ads = DownloadList("before,1\n\x1A" "after,2\n");
    ExpectAds(ads, {{"before", "1"}});
}

TEST_F(AdListDownload, EntriesKeepFileOrderAndDuplicates) {
    auto ads = DownloadList("a,1\nb,2\na,1\na,1\nc,3\n");
    ExpectAds(ads, {{"a", "1"}, {"b", "2"}, {"a", "1"}, {"a", "1"}, {"c", "3"}});
}

TEST_F(AdListDownload, ManyEntriesAllArrive) {
    std::string body;
    for (int i = 0; i < 3000; ++i) body += "ad" + std::to_string(i) + ",http://127.0.0.1/" + std::to_string(i) + "\n";
    auto ads = DownloadList(body);
    ASSERT_EQ(ads.size(), 3000u);
    EXPECT_EQ(ads[2999].caption, "ad2999");
    EXPECT_EQ(ads[1234].link, "http://127.0.0.1/1234");
}

TEST_F(AdListDownload, NoUsableLineMeansNoNotification) {
    EXPECT_TRUE(DownloadList("just text\n\nmore text\n").empty());
    ASSERT_TRUE(m_server.Reset());
    EXPECT_TRUE(DownloadList("").empty());
    EXPECT_EQ(m_owner.count, 0);
}

TEST_F(AdListDownload, FreshListEachRunNotTheCachedOne) {
    ExpectAds(DownloadList("old,1\n"), {{"old", "1"}});
    m_owner.count = 0;
    ASSERT_TRUE(m_server.Reset());
    ExpectAds(DownloadList("new,2\n"), {{"new", "2"}});
}

TEST_F(AdListDownload, CompiledInAddressIsTheMakerServersList) {
    EXPECT_STREQ(kAdListUrl, "http://127.0.0.1:28017/ad.csv");
    ExpectAds(DownloadList("compiled in,1\n"), {{"compiled in", "1"}});
}

TEST_F(AdListDownload, OutOfRangeIndexGivesAnEmptyEntry) {
    CAdListDownloader downloader(&m_owner);
    EXPECT_EQ(downloader.GetCount(), 0);
    EXPECT_TRUE(downloader.GetAt(0).caption.empty());
    EXPECT_TRUE(downloader.GetAt(-1).link.empty());
}

TEST_F(AdListDownload, ErrorStatusGivesNoAds) {
    for (int status : {404, 500}) {
        // An error page that would parse as ads must not become ads.
        ASSERT_TRUE(m_server.ServeList("Not found,http://127.0.0.1/error\n", status));
        EXPECT_TRUE(Download().empty()) << status;
        EXPECT_EQ(m_owner.count, 0) << status;
        EXPECT_TRUE(Leftovers().empty()) << status;
    }
    ASSERT_TRUE(m_server.ServeStatus(404));
    EXPECT_TRUE(Download().empty());
    EXPECT_EQ(m_owner.count, 0);
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(AdListDownload, ServerDownGivesNoAds) {
    // Nothing listens on this port of the loopback address.
    EXPECT_TRUE(Download("http://127.0.0.1:28019/ad.csv").empty());
    EXPECT_EQ(m_owner.count, 0);
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(AdListDownload, TemporaryDirectoryThatDoesNotFitEndsTheRunUntouched) {
    ASSERT_TRUE(m_server.ServeList("never read,1\n"));
    // 259 characters: with the separator GetTempPathA appends it needs 261 bytes.
    std::string longDir = "C:\\" + std::string(256, 'd');
    for (const std::string& dir : {longDir, "C:\\" + std::string(400, 'e')}) {
        SetTempDir(dir);
        EXPECT_TRUE(Download().empty());
    }
    SetTempDir(m_tempDir);
    EXPECT_EQ(m_server.ListRequests(), 0) << "no download without a temporary file";
    EXPECT_EQ(m_owner.count, 0);
}

// The thread's exit code once it has ended: 0 when Run returned, 0xFFFFFFFF when Stop had to
// end it by force.
DWORD ExitCodeOnceEnded(HANDLE thread) {
    DWORD code = 0xDEADBEEF;
    ::WaitForSingleObject(thread, 5000);
    ::GetExitCodeThread(thread, &code);
    ::CloseHandle(thread);
    return code;
}

HANDLE ThreadOf(const CWorkerThread& worker) {
    HANDLE copy = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), worker.m_pThread->m_hThread.get(), ::GetCurrentProcess(), &copy, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    return copy;
}

// A server that does not answer, before or part-way through the body, is no reason to keep a
// closing program waiting: stopping or deleting the downloader ends its thread by itself.
TEST_F(AdListDownload, StopEndsAWaitingDownloadByItself) {
    const std::string list = "never,1\nshown,2\n";
    struct Case {
        const char* name;
        bool (*serve)(AdServer&, const std::string&);
        bool byDelete;
    };
    const HttpAbandonedCalls before = HttpAbandonedCallCounts();
    const Case cases[] = {
        {"no answer, Stop", [](AdServer& s, const std::string&) { return s.Stall(); }, false},
        {"no answer, delete", [](AdServer& s, const std::string&) { return s.Stall(); }, true},
        {"stalled body, Stop", [](AdServer& s, const std::string& b) { return s.Trickle(b, 60000); }, false},
        {"stalled body, delete", [](AdServer& s, const std::string& b) { return s.Trickle(b, 60000); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(m_server.Reset());
        ASSERT_TRUE(c.serve(m_server, list));
        auto* downloader = new CAdListDownloader(&m_owner);
        // Well beyond a prompt stop, well short of the program's ten seconds: a thread that
        // only ended because the server let go would be ended by force first.
        downloader->SetStopTimeout(3000);
        downloader->Start();
        ASSERT_TRUE(WaitUntil([&] { return m_server.ListRequests() >= 1; }, 10000));
        PumpFor(200);  // the request is on its way, or the first byte of the body arrived
        EXPECT_EQ(Leftovers().size(), 1u) << "the temporary file exists while the download waits";
        HANDLE thread = ThreadOf(*downloader);
        if (c.byDelete) {
            delete downloader;
            downloader = nullptr;
        } else {
            downloader->Stop();
            EXPECT_EQ(downloader->m_pThread, nullptr);
            EXPECT_FALSE(downloader->m_bRunning);
            EXPECT_FALSE(downloader->m_bStop);
            EXPECT_EQ(downloader->GetCount(), 0);
        }
        EXPECT_EQ(ExitCodeOnceEnded(thread), 0u) << "Run returned by itself, no forced termination";
        EXPECT_TRUE(Leftovers().empty());
        delete downloader;
    }
    PumpFor(50);
    EXPECT_EQ(m_owner.count, 0);

    // The server lets go: WinINet finishes the calls it still held, answering the two queries
    // of the stalled bodies into the state the abandoned downloads left to it, which is freed
    // once WinINet has done with it.
    ASSERT_TRUE(m_server.Reset());
    EXPECT_TRUE(WaitUntil([&] { return HttpAbandonedCallCounts().liveStates == before.liveStates; }, 30000))
        << HttpAbandonedCallCounts().liveStates;
    EXPECT_EQ(HttpAbandonedCallCounts().lateQueryAnswers - before.lateQueryAnswers, 2);

    // Downloads go on working after abandoned ones.
    ExpectAds(DownloadList("after the stall,1\n"), {{"after the stall", "1"}});
}

// Every way of ending a download early leaves an empty list, no file and no notification;
// the same answer within the bounds gives the whole list.
TEST_F(AdListDownload, SizeTimeAndCutOffBoundTheDownload) {
    const std::string list = "a,1\nb,2\n";  // 8 bytes
    const std::string longer = list + "c";
    auto small = [](DWORD maxBytes) {
        DownloadLimits limits;
        limits.maxBytes = maxBytes;
        return limits;
    };
    auto quick = [](DWORD timeoutMs) {
        DownloadLimits limits;
        limits.timeoutMs = timeoutMs;
        return limits;
    };
    struct Case {
        const char* name;
        std::function<bool(AdServer&)> serve;
        DownloadLimits limits;
        bool listArrives;
    };
    const Case cases[] = {
        {"at the size limit", [&](AdServer& s) { return s.ServeList(list); }, small(8), true},
        {"one byte over, announced", [&](AdServer& s) { return s.ServeList(longer); }, small(8), false},
        {"at the size limit, unannounced", [&](AdServer& s) { return s.ServeUnsized(list); }, small(8), true},
        {"one byte over, unannounced", [&](AdServer& s) { return s.ServeUnsized(longer); }, small(8), false},
        {"slow but in time", [&](AdServer& s) { return s.Trickle(list, 20); }, quick(5000), true},
        {"too slow", [&](AdServer& s) { return s.Trickle(list, 400); }, quick(1000), false},
        {"cut off", [&](AdServer& s) { return s.ServeCut(list, 4); }, DownloadLimits(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(m_server.Reset());
        m_owner.count = 0;
        ASSERT_TRUE(c.serve(m_server));
        CAdListDownloader downloader(&m_owner);
        downloader.SetLimits(c.limits);
        RunToEnd(downloader);
        PumpFor(50);
        EXPECT_EQ(downloader.GetCount(), c.listArrives ? 2 : 0);
        EXPECT_EQ(m_owner.count, c.listArrives ? 1 : 0);
        EXPECT_TRUE(Leftovers().empty());
    }
}

TEST_F(AdListDownload, TheProgramsSizeLimitIsOneMebibyte) {
    std::string body;
    while (body.size() < 1024 * 1024) body += "a,b\n";  // 4 bytes a line: exactly 1 MiB
    EXPECT_EQ(DownloadList(body).size(), 256u * 1024u);
    ASSERT_TRUE(m_server.Reset());
    m_owner.count = 0;
    EXPECT_TRUE(DownloadList(body + "x").empty());
}

}  // namespace
