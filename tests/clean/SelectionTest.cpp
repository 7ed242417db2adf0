// Choosing the entries of a cleaning: the prompts, the classes, and the walk over Wine's
// real URL cache, walked as Wine does and as Windows documents, also when reads fail.
#include "CleanFixtures.h"
#include "CleanUrlCache.h"
#include "RecordingUrlCache.h"
#include "clean/CacheEnumeration.h"
#include "clean/EntrySelection.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace cleanfix;

namespace {

TEST(EntryClass, IsDecidedByTheFirstBytesOfTheSourceNameInAnyCase) {
    EXPECT_EQ(ClassifyEntry(nullptr), EntryClass::NoName);
    for (const char* name : {"Cookie:a@b/", "COOKIE:a@b/", "cookie:", "cOOkie:x"}) {
        EXPECT_EQ(ClassifyEntry(name), EntryClass::Cookie) << name;
    }
    for (const char* name : {"Visited:a@http://b/", "VISITED:", "visited:", "ViSiTeD:x"}) {
        EXPECT_EQ(ClassifyEntry(name), EntryClass::History) << name;
    }
    for (const char* name : {"", "cookie", "cooki", "visited", "cookiejar://x/", "visit://x/", " Cookie:x",
                             "http://x/Cookie:", "ｃｏｏｋｉｅ:x"}) {
        EXPECT_EQ(ClassifyEntry(name), EntryClass::Content) << name;
    }
    // The cache's history mark wins over any name; other type bits never make history.
    for (const char* name : {"http://x/", "Cookie:a@b/", "visited:"}) {
        EXPECT_EQ(ClassifyEntry(name, URLHISTORY_CACHE_ENTRY | NORMAL_CACHE_ENTRY), EntryClass::History) << name;
    }
    EXPECT_EQ(ClassifyEntry("Cookie:a@b/", COOKIE_CACHE_ENTRY | STICKY_CACHE_ENTRY), EntryClass::Cookie);
    EXPECT_EQ(ClassifyEntry("http://x/", NORMAL_CACHE_ENTRY | SPARSE_CACHE_ENTRY), EntryClass::Content);
    EXPECT_EQ(ClassifyEntry(nullptr, URLHISTORY_CACHE_ENTRY), EntryClass::NoName);
}

TEST(DeletionPrompt, NamesTheModeThenGivesTheFixedWarning) {
    EXPECT_EQ(DeletionSubject(true, false), L"キャッシュ");
    EXPECT_EQ(DeletionSubject(false, true), L"クッキー");
    EXPECT_EQ(DeletionSubject(true, true), L"キャッシュとクッキー");
}

// Walks that were opened: each must be closed once.
int OpenedWalks(const RecordingUrlCache& recorder) {
    int n = 0;
    for (const CacheCall& c : recorder.Calls()) n += c.kind == CacheCall::First && c.ok ? 1 : 0;
    return n;
}

class CollectFromWineCache : public ::testing::Test {
protected:
    void SetUp() override {
        ClearUrlCache();
        ASSERT_TRUE(UrlCacheSourceNames().empty());
    }
    void Seed(const std::vector<std::string>& names) {
        ASSERT_TRUE(SeedUrlCache(names));
        ASSERT_EQ(Sorted(UrlCacheSourceNames()), Sorted(names)) << "Wine keeps every seeded name as it is";
    }
    // What a mode collects; the walk must have reached its end unless a test says otherwise.
    static std::vector<std::string> Collect(bool bCache, bool bCookie, bool walkEnds = true,
                                            MissingCache missing = MissingCache::Failed) {
        SelectedEntries list;
        EXPECT_EQ(CollectEntries(bCache, bCookie, list, nullptr, {}, missing), walkEnds)
            << "the walk's end told from a failure";
        std::vector<std::string> names;
        for (const SelectedEntry& e : list) names.push_back(e.url);
        return names;
    }
    // The names of the cache that a mode deletes, in the order of the walks that find them:
    // an unfiltered walk that finds everything comes first; as documented, it finds the
    // content entries and the cookie walk then finds the cookies.
    static std::vector<std::string> ExpectedInWalkOrder(bool bCache, bool bCookie, RecordingUrlCache::Patterns patterns) {
        std::vector<std::string> left = LeftAfter(bCache, bCookie);
        std::vector<std::string> out;
        for (const std::string& n : UrlCacheSourceNames()) {
            if (!std::binary_search(left.begin(), left.end(), n)) out.push_back(n);
        }
        if (patterns == RecordingUrlCache::Patterns::Documented) {
            std::stable_partition(out.begin(), out.end(),
                                  [](const std::string& n) { return ClassifyEntry(n.c_str()) != EntryClass::Cookie; });
        }
        return out;
    }
    void TearDown() override { ClearUrlCache(); }
};

TEST_F(CollectFromWineCache, EachModeCollectsExactlyItsClassesOnceHoweverThePatternsBehave) {
    Seed(AllNames());
    struct Mode { bool cache, cookie; const std::vector<std::string>* classes[2]; };
    const Mode modes[] = {{true, false, {&ContentNames(), nullptr}},
                          {false, true, {&CookieNames(), nullptr}},
                          {true, true, {&ContentNames(), &CookieNames()}}};
    using P = RecordingUrlCache::Patterns;
    for (P patterns : {P::Wine, P::Documented, P::Overlapping}) {
        for (const Mode& m : modes) {
            SCOPED_TRACE(::testing::Message() << "patterns " << static_cast<int>(patterns) << ", cache " << m.cache
                                              << " cookie " << m.cookie);
            RecordingUrlCache recorder;
            recorder.patterns = patterns;
            std::vector<std::string> got = Collect(m.cache, m.cookie);
            std::vector<std::string> want;
            for (const auto* c : m.classes) {
                if (c != nullptr) want.insert(want.end(), c->begin(), c->end());
            }
            EXPECT_EQ(Sorted(got), Sorted(want)) << "each entry once, history never";
            EXPECT_EQ(got, ExpectedInWalkOrder(m.cache, m.cookie, patterns));
            std::vector<std::string> patterns;
            for (const CacheCall& c : recorder.Calls()) {
                if (c.kind == CacheCall::First) patterns.push_back(c.pattern);
            }
            const std::vector<std::string> walks = m.cookie ? std::vector<std::string>{"", "cookie:"}
                                                            : std::vector<std::string>{""};
            EXPECT_EQ(patterns, walks);
            EXPECT_EQ(recorder.Count(CacheCall::Close), OpenedWalks(recorder)) << "every walk closed";
            EXPECT_EQ(recorder.Count(CacheCall::Delete), 0) << "collecting deletes nothing";
        }
    }
    EXPECT_EQ(Sorted(UrlCacheSourceNames()), Sorted(AllNames()));
}

TEST_F(CollectFromWineCache, EachEntryCostsOneReadAndTheBufferGrowsOnlyForALargerEntry) {
    // Short records fit the first buffer; these three do not, and differ by far more than any
    // rounding of record sizes.
    const std::string name5k = "http://long.example.test/" + std::string(5000, 'c');
    const std::string name6k = "http://long.example.test/" + std::string(6000, 'a');
    const std::string name9k = "http://long.example.test/" + std::string(9000, 'b');
    std::vector<std::string> names = AllNames();
    names.insert(names.begin() + 3, name6k);
    names.push_back(name9k);
    names.push_back(name5k);
    Seed(names);
    RecordingUrlCache recorder;
    std::vector<std::string> got = Collect(true, false);
    for (const std::string* n : {&name5k, &name6k, &name9k}) EXPECT_EQ(std::count(got.begin(), got.end(), *n), 1);
    int tooSmall = 0, otherFailures = 0, reads = 0;
    for (const CacheCall& c : recorder.Calls()) {
        if (c.kind != CacheCall::First && c.kind != CacheCall::Next) continue;
        ++reads;
        if (!c.ok) (c.error == ERROR_INSUFFICIENT_BUFFER ? tooSmall : otherFailures) += 1;
    }
    // The buffer grows for a long record only when no longer one came before it.
    int grows = 0;
    size_t room = 0;
    for (const std::string& n : UrlCacheSourceNames()) {
        if (n.size() > 4000 && n.size() > room) {
            ++grows;
            room = n.size();
        }
    }
    EXPECT_EQ(tooSmall, grows);
    EXPECT_EQ(otherFailures, 1) << "only the end of the walk";
    EXPECT_EQ(reads, static_cast<int>(names.size()) + grows + 1) << "one read per entry, one per growth, one at the end";
}

TEST_F(CollectFromWineCache, HistoryOnlyOrEmptyCacheYieldsNothingInEveryMode) {
    {
        RecordingUrlCache recorder;
        EXPECT_TRUE(Collect(true, true).empty());
        EXPECT_EQ(recorder.Count(CacheCall::First), 2) << "one look per walk at an empty cache";
        EXPECT_EQ(recorder.Count(CacheCall::Close), 0) << "and no enumeration was opened";
    }
    Seed(HistoryNames());
    EXPECT_TRUE(Collect(true, false).empty());
    EXPECT_TRUE(Collect(false, true).empty());
    EXPECT_TRUE(Collect(true, true).empty());
}

TEST_F(CollectFromWineCache, AnEntryWithoutSourceNameIsNeverCollected) {
    Seed(ContentNames());
    RecordingUrlCache recorder;
    std::string hidden;
    recorder.afterRead = [&](int read, INTERNET_CACHE_ENTRY_INFOA* e) {
        if (read == 2) {
            hidden = e->lpszSourceUrlName;
            e->lpszSourceUrlName = nullptr;
        }
    };
    std::vector<std::string> got = Collect(true, true);
    ASSERT_FALSE(hidden.empty());
    EXPECT_EQ(got.size(), ContentNames().size() - 1);
    EXPECT_EQ(std::count(got.begin(), got.end(), hidden), 0);
}

// A worker's walk ends at the entry at hand once it is asked to stop: nothing after it is
// taken, the open walk is closed, the cookie walk never begins, and the result is no success.
TEST_F(CollectFromWineCache, AStopRequestEndsTheWalkAtTheEntryAtHand) {
    Seed(AllNames());
    RecordingUrlCache recorder;
    std::atomic<bool> stop{false};
    // Reads count from 0: the request comes while the third entry is read.
    recorder.afterRead = [&](int read, INTERNET_CACHE_ENTRY_INFOA*) { stop = stop || read == 2; };
    SelectedEntries list;
    EXPECT_FALSE(CollectEntries(true, true, list, &stop));
    EXPECT_LE(list.size(), 2u);
    EXPECT_EQ(recorder.Count(CacheCall::First) + recorder.Count(CacheCall::Next), 3);
    EXPECT_EQ(recorder.Count(CacheCall::First), 1);
    EXPECT_EQ(recorder.Count(CacheCall::Close), 1);
}

// A failed read leaves whatever was in the buffer: here a forged cookie record. It must not
// be classified; the entry is asked for again and the walk goes on.
void ForgeRecord(INTERNET_CACHE_ENTRY_INFOA* e, DWORD size) {
    const char forged[] = "Cookie:forged@example.test/";
    if (size < sizeof(*e) + sizeof(forged)) return;
    std::memset(e, 0, sizeof(*e));
    e->dwStructSize = sizeof(*e);
    char* text = reinterpret_cast<char*>(e + 1);
    std::memcpy(text, forged, sizeof(forged));
    e->lpszSourceUrlName = text;
}

TEST_F(CollectFromWineCache, AFailedReadIsNeverClassifiedAndTheEntryIsReadAgain) {
    Seed(AllNames());
    RecordingUrlCache recorder;
    recorder.beforeRead = [](int read, INTERNET_CACHE_ENTRY_INFOA* e, DWORD* size) {
        if (read == 0 || read == 4) {  // the first entry, and one further on
            ForgeRecord(e, *size);
            return false;
        }
        if (read == 7) *size = 8;  // the real cache refuses a read into too small a room
        return true;
    };
    std::vector<std::string> got = Collect(true, true);
    EXPECT_EQ(Sorted(got), Sorted(Concat({&ContentNames(), &CookieNames()})));
    EXPECT_EQ(recorder.Count(CacheCall::Close), OpenedWalks(recorder));
}

TEST_F(CollectFromWineCache, ACacheThatKeepsRefusingReadsEndsTheWalkAndClosesIt) {
    Seed(AllNames());
    {
        RecordingUrlCache recorder;
        recorder.beforeRead = [](int read, INTERNET_CACHE_ENTRY_INFOA* e, DWORD* size) {
            if (read < 3) return true;
            ForgeRecord(e, *size);
            return false;
        };
        std::vector<std::string> got = Collect(true, true, false);
        EXPECT_EQ(std::count(got.begin(), got.end(), "Cookie:forged@example.test/"), 0);
        EXPECT_EQ(recorder.Count(CacheCall::Close), 1) << "the first walk; the cookie walk never opened";
        EXPECT_EQ(recorder.Count(CacheCall::Next), 2 + CCacheEnumeration::kReadAttempts) << "gives up after three";
    }
    {
        RecordingUrlCache recorder;
        recorder.beforeRead = [](int, INTERNET_CACHE_ENTRY_INFOA* e, DWORD* size) {
            ForgeRecord(e, *size);
            return false;
        };
        EXPECT_TRUE(Collect(true, true, false).empty());
        EXPECT_EQ(recorder.Count(CacheCall::Close), 0) << "no enumeration was ever opened";
        EXPECT_EQ(recorder.Count(CacheCall::First), 2 * CCacheEnumeration::kReadAttempts);
    }
    // A first read that answers "not found" is an empty cache only for the copy's walk of a
    // Protected Mode cache that may never have been made; for every other walk (the usual
    // cache's, the cookie walk, the editor's) a cache that cannot be opened is a failed walk.
    // The same answer later in a walk is a failure for every caller.
    struct Case {
        MissingCache missing;
        bool bCache, bCookie;
        int refusedRead;
        bool walkEnds;
    };
    const Case cases[] = {
        {MissingCache::Empty, true, false, 0, true},   {MissingCache::Empty, false, true, 0, true},
        {MissingCache::Empty, true, true, 0, true},    {MissingCache::Empty, true, false, 2, false},
        {MissingCache::Failed, true, false, 0, false}, {MissingCache::Failed, false, true, 0, false},
        {MissingCache::Failed, true, true, 0, false},  {MissingCache::Failed, true, false, 2, false},
    };
    for (DWORD error : {DWORD(ERROR_FILE_NOT_FOUND), DWORD(ERROR_PATH_NOT_FOUND)}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(error) + (c.missing == MissingCache::Empty ? " copy" : " usual") + " cache " +
                         std::to_string(c.bCache) + " cookie " + std::to_string(c.bCookie) + " at read " +
                         std::to_string(c.refusedRead));
            RecordingUrlCache recorder;
            recorder.readError = error;
            recorder.beforeRead = [&](int read, INTERNET_CACHE_ENTRY_INFOA*, DWORD*) { return read < c.refusedRead; };
            const std::vector<std::string> got = Collect(c.bCache, c.bCookie, c.walkEnds, c.missing);
            EXPECT_LE(got.size(), size_t(c.refusedRead));
        }
    }
}

TEST_F(CollectFromWineCache, AnEntryThatVanishesBeforeItsReadIsSkipped) {
    Seed(AllNames());
    RecordingUrlCache recorder;
    std::vector<std::string> order = UrlCacheSourceNames();
    // Just before the fourth read, the fourth entry goes away (another program cleaned it).
    recorder.beforeRead = [&](int read, INTERNET_CACHE_ENTRY_INFOA*, DWORD*) {
        if (read == 3) ::DeleteUrlCacheEntryA(order[3].c_str());
        return true;
    };
    std::vector<std::string> got = Collect(true, true);
    std::vector<std::string> want = Concat({&ContentNames(), &CookieNames()});
    want.erase(std::remove(want.begin(), want.end(), order[3]), want.end());
    EXPECT_EQ(Sorted(got), Sorted(want));
    EXPECT_EQ(recorder.Count(CacheCall::Close), OpenedWalks(recorder));
}

}  // namespace
