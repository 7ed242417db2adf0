// The keep list: its rules of matching, its reading (fail closed), its rewriting, and how a
// cleaning's plan, question and completion count what it keeps.
#include "CleanUrlCache.h"
#include "clean/CleaningPlan.h"
#include "clean/CompletionText.h"
#include "clean/KeepList.h"
#include "framework/FileReplace.h"
#include "framework/UniqueHandle.h"
#include "framework/WinUtil.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

CKeepList ListOf(const std::string& text) {
    CKeepList list;
    size_t line = 0;
    CString reason;
    EXPECT_TRUE(CKeepList::Parse(text, list, line, reason)) << "line " << line << ": " << ToUtf8(reason);
    return list;
}

TEST(KeepList, MatchesTheHostAndItsSubdomainsButNoLookAlike) {
    struct Case {
        const char* list;
        const char* host;
        bool kept;
    };
    const Case cases[] = {
        {"example.jp", "example.jp", true},
        {"example.jp", "www.example.jp", true},
        {"example.jp", "a.b.example.jp", true},
        {"example.jp", "badexample.jp", false},
        {"example.jp", "example.jp.evil.test", false},
        {"example.jp", "jp", false},
        {"www.example.jp", "example.jp", false},
        {"*.example.jp", "example.jp", true},
        {"*.example.jp", "deep.www.example.jp", true},
        {"  EXAMPLE.Jp  # work", "Www.Example.JP", true},
        {"example.jp", ".example.jp", true},  // a cookie's domain form
        {"example.jp", "example.jp.", true},  // the root's dot
        {"example.jp", "WWW.example.jp.", true},
        {"example.jp", "example.jp..", false},
        {"example.jp", ".", false},
        {"192.168.0.1", "192.168.0.1", true},
        {"192.168.0.1", "x.192.168.0.1", false},
        {"192.168.0.1", "192.168.0.10", false},
        {"168.0.1.example", "192.168.0.1", false},
        {"# example.jp\n\n", "example.jp", false},
        {"\xEF\xBB\xBF" "example.jp\r\nother.test\r\n", "example.jp", true},  // BOM and CRLF
        {"例え.jp", "xn--r8jz45g.jp", true},  // typed as read, matched as the cache stores it
        {"ａｂｃ．ｊｐ", "abc.jp", true},      // full-width input
        {"", "example.jp", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.list) + " / " + c.host);
        EXPECT_EQ(ListOf(c.list).KeepsHost(c.host), c.kept);
    }
}

TEST(KeepList, AMalformedLineIsAnErrorThatNamesItsLine) {
    const std::string tooLong(300, 'a');
    const char* const malformed[] = {
        "*example.jp", "ex*ample.jp", "*.*.example.jp", "*", "*.192.168.0.1", "exa mple.jp", "http://example.jp/",
        "example.jp/path", "example..jp", ".example.jp", "example.jp.", "1.2.3", "256.1.1.1", "01.2.3.4",
        "user@example.jp", "example.jp:8080", tooLong.c_str(), "\xff\xfe.jp",
        "-dash.test", "dash-.test", "a.-b.jp", "*.-dash.test", "－dash.test",
    };
    for (const char* line : malformed) {
        SCOPED_TRACE(line);
        const std::string text = "# keep\nkept.test\n\n" + std::string(line) + "\nlater.test\n";
        CKeepList list;
        size_t errorLine = 0;
        CString reason;
        EXPECT_FALSE(CKeepList::Parse(text, list, errorLine, reason));
        EXPECT_EQ(errorLine, 4u);
        EXPECT_FALSE(reason.empty());
    }
}

TEST(KeepList, ACookieIsKeptByTheHostOfItsNameOnly) {
    struct Case {
        const char* name;
        const char* host;  // as read; "" when it cannot be
    };
    const Case cases[] = {
        {"Cookie:alice@example.jp/", "example.jp"},
        {"COOKIE:bob@Shop.Example.JP/cart/x@y", "shop.example.jp"},
        {"cookie:a@b@example.jp/", "example.jp"},  // '@' in a user name
        {"Cookie:alice@.example.jp/", "example.jp"},
        {"Cookie:alice@example.jp./", "example.jp"},  // the root's dot, which names the same host
        {"Cookie:alice@.www.example.jp./x", "www.example.jp"},
        {"Cookie:alice@example.jp../", ""},
        {"Cookie:alice@./", ""},
        {"Cookie:alice@10.0.0.1/", "10.0.0.1"},
        {"Cookie:ユーザー@example.jp/", "example.jp"},
        {"Cookie:alice@example.jp", "example.jp"},
        {"Cookie:alice/example.jp/", ""},
        {"Cookie:alice@/", ""},
        {"Cookie:alice@exa mple.jp/", ""},
        {"Cookie:", ""},
        {"http://example.jp/", ""},
        {"Visited:alice@http://example.jp/", ""},
    };
    const CKeepList list = ListOf("example.jp\n10.0.0.1\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CookieHost(c.name), c.host);
        EXPECT_EQ(list.KeepsEntry(c.name), *c.host != '\0');
    }
    EXPECT_FALSE(list.KeepsEntry(nullptr));
}

class KeepListFile : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + L"dw-keep-" + DecimalText(::GetCurrentProcessId()) + L"-ケープ";
        path = folder + L"\\sub\\keep.txt";
    }
    void TearDown() override {
        ::DeleteFileW(path.c_str());
        ::RemoveDirectoryW(path.c_str());
        ::RemoveDirectoryW((folder + L"\\sub").c_str());
        ::RemoveDirectoryW(folder.c_str());
    }
    std::wstring folder, path;
};

TEST_F(KeepListFile, IsReadFailClosedAndWrittenWhole) {
    // Missing: keep nothing, unless the user named the file.
    EXPECT_EQ(LoadKeepList({path, false}).status, KeepListLoad::Status::Missing);
    KeepListLoad named = LoadKeepList({path, true});
    EXPECT_EQ(named.status, KeepListLoad::Status::Broken);
    EXPECT_NE(KeepListErrorText({path, true}, named).find(path), std::wstring::npos);
    EXPECT_EQ(LoadKeepList({}).status, KeepListLoad::Status::Loaded) << "no path: keep nothing";

    // The folder is made on the first save.
    ASSERT_TRUE(SaveKeepList(path, "# mine\nexample.jp\n"));
    KeepListLoad load = LoadKeepList({path, false});
    ASSERT_EQ(load.status, KeepListLoad::Status::Loaded);
    EXPECT_TRUE(load.list.KeepsHost("www.example.jp"));

    ASSERT_TRUE(ReplaceFileWith(path, "example.jp\n\n*.bad*.jp\n"));
    load = LoadKeepList({path, false});
    EXPECT_EQ(load.status, KeepListLoad::Status::Broken);
    EXPECT_EQ(load.line, 3u);
    const CString text = KeepListErrorText({path, false}, load);
    EXPECT_NE(text.find(path), std::wstring::npos);
    EXPECT_NE(text.find(L"3 行目"), std::wstring::npos) << ToUtf8(text);
    EXPECT_TRUE(load.list.Empty()) << "a broken list keeps nothing for anyone to use";

    // A folder where the file should be cannot be read: broken, not empty.
    ASSERT_TRUE(::DeleteFileW(path.c_str()));
    ASSERT_TRUE(::CreateDirectoryW(path.c_str(), nullptr));
    EXPECT_EQ(LoadKeepList({path, false}).status, KeepListLoad::Status::Broken);
}

// The list's bad days: whatever makes it unknowable stops a cleaning of cookies before the
// cache is walked, and says which file and why; the cache alone still goes.
TEST_F(KeepListFile, WhatCannotBeKnownStopsACleaningOfCookies) {
    ASSERT_TRUE(SaveKeepList(path, "example.jp\n"));
    EXPECT_EQ(StoredKeepListIn(L"C:\\Users\\u\\AppData\\Roaming").path, L"C:\\Users\\u\\AppData\\Roaming\\Dustwhirl\\keep.txt");
    struct Case {
        const char* name;
        KeepListSource source;
        const char* writing;  // non-null: a writer holds the file, this much of it written
        const wchar_t* says;
    };
    const Case cases[] = {
        {"the place is unknown", StoredKeepListIn(L""), nullptr, L"%APPDATA%"},
        {"a writer half-way through", {path, false}, "exam", L"書き込み中"},
        {"a writer that has only emptied it", {path, false}, "", L"書き込み中"},
        {"a named list a writer holds", {path, true}, "example.jp\n", L"書き込み中"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFileHandle writer;
        if (c.writing != nullptr) {
            // As an editor saves in place: truncated, then written, others allowed everything.
            writer = CFileHandle(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                               nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(writer);
            DWORD written = 0;
            ::WriteFile(writer.get(), c.writing, static_cast<DWORD>(std::strlen(c.writing)), &written, nullptr);
        }
        CleaningPlan plan;
        CString error;
        for (bool bCache : {false, true}) {
            EXPECT_FALSE(PlanCleaning(bCache, true, c.source, plan, error));
            EXPECT_NE(error.find(c.says), std::wstring::npos) << ToUtf8(error);
            EXPECT_NE(error.find(L"何も削除しませんでした"), std::wstring::npos) << ToUtf8(error);
            EXPECT_TRUE(plan.entries.empty() && plan.kept.empty());
        }
        EXPECT_TRUE(PlanCleaning(true, false, c.source, plan, error)) << "the cache never depends on the list";
    }
}

TEST(KeepList, RewritingKeepsTheUsersLinesAndDropsOnlyTheUnchosen) {
    const std::string old = "\xEF\xBB\xBF# work\r\n*.example.jp  # mail too\r\nold.test\r\n\r\n10.0.0.1";
    EXPECT_EQ(RewriteKeepList(old, {"example.jp", "10.0.0.1", "new.test"}),
              "\xEF\xBB\xBF# work\r\n*.example.jp  # mail too\r\n\r\n10.0.0.1\r\nnew.test\r\n");
    const std::string fresh = RewriteKeepList("", {"a.test"});
    EXPECT_EQ(fresh.rfind("#", 0), 0u) << "a new file explains itself";
    const CKeepList reread = ListOf(fresh);
    ASSERT_EQ(reread.Rules().size(), 1u);
    EXPECT_EQ(reread.Rules()[0].host, "a.test");
    EXPECT_TRUE(ListOf(RewriteKeepList(old, {})).Empty());
}

TEST(CleaningPlan, SetsAsideTheKeptCookiesInOrderAndCountsThemInEveryText) {
    SelectedEntries entries = {{"Cookie:a@keep.test/", 100}, {"http://keep.test/", 2000}, {"Cookie:b@www.keep.test/", 50},
                               {"Cookie:c@gone.test/", 30}, {"Cookie:d@notkeep.test/", 20}};
    CleaningPlan plan;
    SetAsideKept(ListOf("keep.test"), plan.entries = entries, plan.kept);
    auto urls = [](const SelectedEntries& list) {
        std::vector<std::string> out;
        for (const SelectedEntry& e : list) out.push_back(e.url);
        return out;
    };
    EXPECT_EQ(urls(plan.entries), (std::vector<std::string>{"http://keep.test/", "Cookie:c@gone.test/",
                                                           "Cookie:d@notkeep.test/"}));
    EXPECT_EQ(urls(plan.kept), (std::vector<std::string>{"Cookie:a@keep.test/", "Cookie:b@www.keep.test/"}));
    EXPECT_EQ(TotalBytes(plan.entries), 2050u);

    EXPECT_EQ(DeletionPrompt(true, true, plan),
              L"キャッシュとクッキー 3件（2.0 KB）を削除します。残すサイトのクッキー 2件は削除しません。\n" +
                  std::wstring(kDeletionWarning));
    CleaningPlan none;
    EXPECT_EQ(PreviewText(false, true, none), L"クッキー 0件（0 B）を削除します。");
    none.walkFailed = true;
    EXPECT_NE(PreviewText(true, false, none).find(L"最後まで読めなかった"), std::wstring::npos);

    DeletionResult result;
    result.kept = 2;
    result.deleted = 3;
    result.bytesFreed = 2050;
    EXPECT_EQ(CompletionText(result), L"削除が終わりました（3件、2.0 KB、残したクッキー 2件）");
    result.inUse = 1;
    EXPECT_EQ(CompletionText(result),
              L"1件は使用中です。ほかのプログラムが閉じると削除されます（3件、2.0 KB を削除、残したクッキー 2件）");
}

}  // namespace
