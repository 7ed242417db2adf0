// Choosing the entries of a cleaning: the prompts, the classes, and the walk over Wine's
// real URL cache, also when the cache misbehaves between a size query and a read.
#include "CleanFixtures.h"
#include "CleanUrlCache.h"
#include "RecordingUrlCache.h"
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
}

TEST(EntryClass, HistoryIsNeverCollectedAndEachModeTakesItsOwnClass) {
    for (bool cache : {false, true}) {
        for (bool cookie : {false, true}) {
            EXPECT_FALSE(IsCollected(EntryClass::History, cache, cookie));
            EXPECT_FALSE(IsCollected(EntryClass::NoName, cache, cookie));
            EXPECT_EQ(IsCollected(EntryClass::Content, cache, cookie), cache);
            EXPECT_EQ(IsCollected(EntryClass::Cookie, cache, cookie), cookie);
        }
    }
}

TEST(DeletionPrompt, NamesTheModeThenGivesTheFixedWarningInShiftJis) {
    const std::string warning = "を削除します。\n一度削除すると元に戻すことができません。\nよろしいですか？";
    EXPECT_EQ(DeletionPrompt(true, false), "キャッシュ" + warning);
    EXPECT_EQ(DeletionPrompt(false, true), "クッキー" + warning);
    EXPECT_EQ(DeletionPrompt(true, true), "キャッシュとクッキー" + warning);

    // The text is code page 932 at run time: "クッキーを" and the full-width question mark.
    const std::string cookie = DeletionPrompt(false, true);
    const unsigned char start[] = {0x83, 0x4E, 0x83, 0x62, 0x83, 0x4C, 0x81, 0x5B, 0x82, 0xF0};
    ASSERT_GE(cookie.size(), sizeof(start));
    EXPECT_EQ(std::memcmp(cookie.data(), start, sizeof(start)), 0);
    EXPECT_EQ(static_cast<unsigned char>(cookie[cookie.size() - 2]), 0x81);
    EXPECT_EQ(static_cast<unsigned char>(cookie.back()), 0x48);
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
    static std::vector<std::string> Collect(bool bCache, bool bCookie) {
        CStringList list;
        CollectEntries(bCache, bCookie, list);
        return std::vector<std::string>(list.begin(), list.end());
    }
    // The names of the cache that a mode deletes, in the cache's own order.
    static std::vector<std::string> ExpectedInCacheOrder(bool bCache, bool bCookie) {
        std::vector<std::string> left = LeftAfter(bCache, bCookie);
        std::vector<std::string> out;
        for (const std::string& n : UrlCacheSourceNames()) {
            if (!std::binary_search(left.begin(), left.end(), n)) out.push_back(n);
        }
        return out;
    }
    void TearDown() override { ClearUrlCache(); }
};

TEST_F(CollectFromWineCache, EachModeCollectsExactlyItsClassesInEnumerationOrder) {
    Seed(AllNames());
    struct Mode { bool cache, cookie; const std::vector<std::string>* classes[2]; };
    const Mode modes[] = {{true, false, {&ContentNames(), nullptr}},
                          {false, true, {&CookieNames(), nullptr}},
                          {true, true, {&ContentNames(), &CookieNames()}}};
    for (const Mode& m : modes) {
        RecordingUrlCache recorder;
        std::vector<std::string> got = Collect(m.cache, m.cookie);
        std::vector<std::string> want;
        for (const auto* c : m.classes) {
            if (c != nullptr) want.insert(want.end(), c->begin(), c->end());
        }
        EXPECT_EQ(Sorted(got), Sorted(want)) << "cache " << m.cache << " cookie " << m.cookie;
        EXPECT_EQ(got, ExpectedInCacheOrder(m.cache, m.cookie));
        EXPECT_EQ(recorder.Count(CacheCall::Close), 1);
        EXPECT_EQ(recorder.Count(CacheCall::Delete), 0) << "collecting deletes nothing";
    }
    EXPECT_EQ(Sorted(UrlCacheSourceNames()), Sorted(AllNames()));
}

TEST_F(CollectFromWineCache, EveryReadIsPrecededByItsSizeQuery) {
    Seed(AllNames());
    RecordingUrlCache recorder;
    Collect(true, true);
    std::vector<CacheCall> calls = recorder.Calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls.front().kind, CacheCall::FirstSize);
    EXPECT_EQ(calls[1].kind, CacheCall::First);
    EXPECT_EQ(calls.back().kind, CacheCall::Close);
    EXPECT_EQ(calls[calls.size() - 2].kind, CacheCall::NextSize) << "the enumeration ends on an empty size query";
    EXPECT_FALSE(calls[calls.size() - 2].ok);
    for (size_t i = 2; i + 2 < calls.size(); i += 2) {
        EXPECT_EQ(calls[i].kind, CacheCall::NextSize);
        EXPECT_EQ(calls[i + 1].kind, CacheCall::Next);
    }
    EXPECT_EQ(recorder.Count(CacheCall::Next) + recorder.Count(CacheCall::First), static_cast<int>(AllNames().size()));
}

TEST_F(CollectFromWineCache, HistoryOnlyOrEmptyCacheYieldsNothingInEveryMode) {
    {
        RecordingUrlCache recorder;
        EXPECT_TRUE(Collect(true, true).empty());
        EXPECT_EQ(recorder.Count(CacheCall::First), 0) << "an empty cache is not read";
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
        if (read == 7) --*size;  // as if the entry had grown: the real cache refuses the read
        return true;
    };
    std::vector<std::string> got = Collect(true, true);
    EXPECT_EQ(Sorted(got), Sorted(Concat({&ContentNames(), &CookieNames()})));
    EXPECT_EQ(recorder.Count(CacheCall::Close), 1);
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
        std::vector<std::string> got = Collect(true, true);
        EXPECT_LE(got.size(), 3u);
        EXPECT_EQ(std::count(got.begin(), got.end(), "Cookie:forged@example.test/"), 0);
        EXPECT_EQ(recorder.Count(CacheCall::Close), 1);
        EXPECT_LT(recorder.Count(CacheCall::Next), 10) << "gives up instead of asking forever";
    }
    {
        RecordingUrlCache recorder;
        recorder.beforeRead = [](int, INTERNET_CACHE_ENTRY_INFOA* e, DWORD* size) {
            ForgeRecord(e, *size);
            return false;
        };
        EXPECT_TRUE(Collect(true, true).empty());
        EXPECT_EQ(recorder.Count(CacheCall::Close), 0) << "no enumeration was ever opened";
        EXPECT_LT(recorder.Count(CacheCall::First), 10);
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
    EXPECT_EQ(recorder.Count(CacheCall::Close), 1);
}

}  // namespace
