// Deleting the selected entries from Wine's real URL cache without any window: what happens
// to each entry, what the run adds up, and the words of its completion.
#include "CleanUrlCache.h"
#include "RecordingUrlCache.h"
#include "clean/CompletionText.h"
#include "clean/EntryDeletion.h"
#include "framework/WinUtil.h"

#include <gtest/gtest.h>

namespace {

class DeleteFromWineCache : public ::testing::Test {
protected:
    void SetUp() override { ClearUrlCache(); }
    void TearDown() override { ClearUrlCache(); }
};

// Each entry comes out as what happened to it: deleted with its file; removed while another
// program holds its file open, the file left on disk; marked while held through the cache;
// not found. Only the first frees its bytes.
TEST_F(DeleteFromWineCache, EachEntryIsDeletedLeftMarkedOrNotFoundAndOnlyDeletedBytesCount) {
    const std::string page = "http://delete.example.test/page.html";
    const std::string image = "http://delete.example.test/image.png";
    const std::string held = "http://delete.example.test/held.css";
    const std::string opened = "http://delete.example.test/opened.gif";
    const std::string gone = "http://delete.example.test/gone.js";
    ASSERT_TRUE(SeedUrlCacheFile(page, 1500));
    ASSERT_TRUE(SeedUrlCacheFile(image, 70000));
    ASSERT_TRUE(SeedUrlCacheFile(held, 300));
    ASSERT_TRUE(SeedUrlCacheFile(opened, 4000));
    ASSERT_TRUE(SeedUrlCache({"Cookie:user@delete.example.test/"}));

    // The sizes and files come from the walk, as a cleaning collects them.
    SelectedEntries entries;
    CollectEntries(true, true, entries);
    ASSERT_EQ(entries.size(), 5u);
    ULONGLONG sizes[2] = {};
    std::string openedFile;
    for (const SelectedEntry& e : entries) {
        if (e.url == page) sizes[0] = e.bytes;
        if (e.url == image) sizes[1] = e.bytes;
        if (e.url == opened) openedFile = e.localFile;
    }
    EXPECT_EQ(sizes[0], 1500u);
    EXPECT_EQ(sizes[1], 70000u);
    ASSERT_FALSE(openedFile.empty()) << "the walk keeps each entry's file";
    entries.push_back({gone, 123456, std::string()});  // collected, then removed by someone else

    HeldCacheEntry reader(held);
    ASSERT_TRUE(reader.held());
    // Another program reads the cached file itself, as a viewer or a scanner does.
    HANDLE viewer = ::CreateFileA(openedFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
    DeletionResult result;
    std::vector<std::pair<std::string, DeleteOutcome>> seen;
    DeleteSelected(entries, result, [&](size_t index, const SelectedEntry& e, DeleteOutcome outcome) {
        EXPECT_EQ(index, seen.size());
        seen.push_back({e.url, outcome});
    });
    ::CloseHandle(viewer);

    ASSERT_EQ(seen.size(), entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(seen[i].first, entries[i].url) << "in list order";
        const DeleteOutcome want = entries[i].url == held     ? DeleteOutcome::InUse
                                   : entries[i].url == gone   ? DeleteOutcome::NotFound
                                   : entries[i].url == opened ? DeleteOutcome::FileLeft
                                                              : DeleteOutcome::Deleted;
        EXPECT_EQ(seen[i].second, want) << entries[i].url;
    }
    EXPECT_EQ(result.deleted, 3u);
    EXPECT_EQ(result.notFound, 1u);
    EXPECT_EQ(result.inUse, 1u) << "a file held through the cache is in use, not refused for another reason";
    EXPECT_EQ(result.fileLeft, 1u);
    EXPECT_EQ(result.notDeleted, 0u);
    EXPECT_EQ(result.Handled(), entries.size());
    EXPECT_FALSE(result.Complete());
    EXPECT_EQ(result.bytesFreed, sizes[0] + sizes[1] + 0) << "only entries deleted with their files free bytes";
    EXPECT_EQ(UrlCacheSourceNames(), std::vector<std::string>{held}) << "the held entry is still there";
    ::DeleteFileA(openedFile.c_str());
}

// A deletion the cache answers with access denied is a refusal of its own: counted apart, never
// told as an entry in use that goes later, and never a finished cleaning.
TEST_F(DeleteFromWineCache, AccessDeniedIsARefusalOfItsOwnNotAnEntryInUse) {
    const std::vector<std::string> names = {"http://deny.example.test/a", "http://deny.example.test/b",
                                            "http://deny.example.test/c"};
    ASSERT_TRUE(SeedUrlCache(names));
    SelectedEntries entries;
    for (const std::string& name : names) entries.push_back({name, 10});
    struct Case {
        DWORD error;
        DeleteOutcome outcome;
    };
    for (const Case& c : {Case{ERROR_ACCESS_DENIED, DeleteOutcome::Denied}, Case{ERROR_SHARING_VIOLATION, DeleteOutcome::InUse},
                          Case{ERROR_INVALID_DATA, DeleteOutcome::NotDeleted}}) {
        SCOPED_TRACE(c.error);
        RecordingUrlCache cache;
        cache.refuse = {names[1]};
        cache.refuseError = c.error;
        DeletionResult result;
        DeleteSelected(entries, result);
        ASSERT_EQ(result.outcomes.size(), 3u);
        EXPECT_EQ(result.outcomes[1], c.outcome);
        EXPECT_EQ(result.denied, c.outcome == DeleteOutcome::Denied ? 1u : 0u);
        EXPECT_EQ(result.inUse, c.outcome == DeleteOutcome::InUse ? 1u : 0u);
        EXPECT_FALSE(result.Complete());
        const std::string text = ToUtf8(CompletionText(result));
        EXPECT_EQ(text.find("閉じると削除") != std::string::npos, c.outcome == DeleteOutcome::InUse) << text;
        EXPECT_EQ(text.find("拒否") != std::string::npos, c.outcome == DeleteOutcome::Denied) << text;
        ClearUrlCache();
        ASSERT_TRUE(SeedUrlCache(names));
    }
}

// The entry's file is looked for by its wide name: the part of the cache's narrow name under a
// folder of another script (a user name the code page lacks) is taken from the folder itself.
TEST(DeleteFromWineCacheFile, TheFileLeftCheckReadsTheFoldersWideName) {
    const std::wstring user = L"C:\\Users\\\u0141ukasz\u0e01";
    const std::wstring cache = user + L"\\AppData\\Local\\Microsoft\\Windows\\INetCache";
    const std::string narrowCache = FromWide(cache.data(), cache.size(), CP_ACP);
    ASSERT_NE(ToWide(narrowCache.data(), narrowCache.size(), CP_ACP), cache) << "the code page lacks the user's name";
    const std::vector<std::wstring> folders = {user + L"\\Cookies", cache};
    const struct {
        std::string narrow;
        std::wstring wide;
    } cases[] = {
        {narrowCache + "\\IE\\ABCD1234\\page[1].htm", cache + L"\\IE\\ABCD1234\\page[1].htm"},
        {"c" + narrowCache.substr(1) + "\\x.gif", cache + L"\\x.gif"},  // any case, as the cache writes it
        {narrowCache + "Old\\x.gif", ToWide(narrowCache.data(), narrowCache.size(), CP_ACP) + L"Old\\x.gif"},
        {"D:\\cache\\x.gif", L"D:\\cache\\x.gif"},
        {"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(WideLocalFile(c.narrow, folders), c.wide) << c.narrow;
    // On disk: a file under such a folder is found by the wide name the narrow one loses.
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"dw-\u0141ukasz\u0e01-" + DecimalText(::GetCurrentProcessId());
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring file = folder + L"\\x[1].gif";
    ::CloseHandle(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    const std::string narrowFile = FromWide(file.data(), file.size(), CP_ACP);
    EXPECT_EQ(::GetFileAttributesA(narrowFile.c_str()), INVALID_FILE_ATTRIBUTES) << "the narrow name misses it";
    EXPECT_NE(::GetFileAttributesW(WideLocalFile(narrowFile, {folder}).c_str()), INVALID_FILE_ATTRIBUTES);
    ::DeleteFileW(file.c_str());
    ::RemoveDirectoryW(folder.c_str());
}

TEST(CompletionText, SaysFinishedOnlyWhenTheWalkEndedAndEveryEntryWent) {
    struct Case { size_t deleted, notFound, inUse, refused, fileLeft; bool walkFailed; ULONGLONG bytes; const char* text; size_t denied = 0; };
    const Case cases[] = {
        {0, 0, 0, 0, 0, false, 0, "削除が終わりました（0件、0 B）"},
        {1234, 0, 0, 0, 0, false, 59454259, "削除が終わりました（1,234件、56.7 MB）"},
        {1222, 0, 0, 12, 0, false, 59454259, "12件は削除できませんでした（1,222件、56.7 MB を削除）"},
        {5, 0, 2, 0, 0, false, 0, "2件は使用中です。ほかのプログラムが閉じると削除されます（5件、0 B を削除）"},
        {5, 1, 0, 0, 0, false, 0, "1件は見つかりませんでした（5件、0 B を削除）"},
        {5, 0, 0, 0, 3, false, 10, "3件はキャッシュから削除しましたが、開かれていたファイルが残りました（5件、10 B を削除）"},
        {5, 4, 2, 3, 1, false, 0,
         "2件は使用中（閉じると削除）、1件はファイルが残り、4件は見つからず、3件は削除できず（5件、0 B を削除）"},
        {0, 0, 0, 0, 0, true, 0, "キャッシュの一覧を最後まで読めませんでした（0件、0 B を削除）"},
        {7, 0, 1, 0, 0, true, 1023,
         "キャッシュの一覧を最後まで読めませんでした。1件は使用中です。ほかのプログラムが閉じると削除されます（7件、1023 B を削除）"},
        {5, 0, 0, 0, 0, false, 0, "2件は削除を拒否されました（アクセスが拒否されました）（5件、0 B を削除）", 2},
        {5, 0, 1, 0, 0, false, 0, "1件は使用中（閉じると削除）、2件は拒否され（5件、0 B を削除）", 2},
    };
    for (const Case& c : cases) {
        DeletionResult r;
        r.deleted = c.deleted;
        r.notFound = c.notFound;
        r.inUse = c.inUse;
        r.notDeleted = c.refused;
        r.fileLeft = c.fileLeft;
        r.walkFailed = c.walkFailed;
        r.bytesFreed = c.bytes;
        r.denied = c.denied;
        const std::string text = ToUtf8(CompletionText(r));
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(text.rfind("削除が終わりました", 0) == 0, r.Complete()) << text;
        EXPECT_EQ(text.find("既に"), std::string::npos) << "nothing is said to have gone by itself";
    }
}

TEST(CompletionText, SizesUseTheLargestUnitBelow1024AndCountsAreGroupedByThousands) {
    const std::pair<ULONGLONG, const char*> sizes[] = {
        {0, "0 B"},          {1023, "1023 B"},        {1024, "1.0 KB"},
        {1536, "1.5 KB"},    {1048524, "1,023.9 KB"}, {1048575, "1.0 MB"},  // rounds up into the next unit
        {1073741824ULL * 5 / 2, "2.5 GB"}, {1099511627776ULL * 3, "3.0 TB"},
    };
    for (const auto& s : sizes) EXPECT_EQ(ToUtf8(FormatBytes(s.first)), s.second) << s.first;
    const std::pair<ULONGLONG, const char*> counts[] = {
        {0, "0"}, {999, "999"}, {1000, "1,000"}, {65536, "65,536"}, {1234567, "1,234,567"}};
    for (const auto& c : counts) EXPECT_EQ(ToUtf8(FormatCount(c.first)), c.second);
}

}  // namespace
