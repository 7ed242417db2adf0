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

TEST_F(DeleteFromWineCache, EachEntryIsDeletedAlreadyGoneOrRefusedAndOnlyDeletedBytesCount) {
    const std::string page = "http://delete.example.test/page.html";
    const std::string image = "http://delete.example.test/image.png";
    const std::string held = "http://delete.example.test/held.css";
    const std::string gone = "http://delete.example.test/gone.js";
    ASSERT_TRUE(SeedUrlCacheFile(page, 1500));
    ASSERT_TRUE(SeedUrlCacheFile(image, 70000));
    ASSERT_TRUE(SeedUrlCacheFile(held, 300));
    ASSERT_TRUE(SeedUrlCache({"Cookie:user@delete.example.test/"}));

    // The sizes come from the walk, as a cleaning collects them.
    SelectedEntries entries;
    CollectEntries(true, true, entries);
    ASSERT_EQ(entries.size(), 4u);
    ULONGLONG sizes[2] = {};
    for (const SelectedEntry& e : entries) {
        if (e.url == page) sizes[0] = e.bytes;
        if (e.url == image) sizes[1] = e.bytes;
    }
    EXPECT_EQ(sizes[0], 1500u);
    EXPECT_EQ(sizes[1], 70000u);
    entries.push_back({gone, 123456});  // collected, then removed by someone else

    HeldCacheEntry reader(held);
    ASSERT_TRUE(reader.held());
    DeletionResult result;
    std::vector<std::pair<std::string, DeleteOutcome>> seen;
    DeleteSelected(entries, result, [&](size_t index, const SelectedEntry& e, DeleteOutcome outcome) {
        EXPECT_EQ(index, seen.size());
        seen.push_back({e.url, outcome});
    });

    ASSERT_EQ(seen.size(), entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(seen[i].first, entries[i].url) << "in list order";
        const DeleteOutcome want = entries[i].url == held   ? DeleteOutcome::InUse
                                   : entries[i].url == gone ? DeleteOutcome::AlreadyGone
                                                            : DeleteOutcome::Deleted;
        EXPECT_EQ(seen[i].second, want) << entries[i].url;
    }
    EXPECT_EQ(result.deleted, 3u);
    EXPECT_EQ(result.alreadyGone, 1u);
    EXPECT_EQ(result.inUse, 1u) << "a file held open is in use, not refused for another reason";
    EXPECT_EQ(result.notDeleted, 0u);
    EXPECT_EQ(result.Removed(), 4u);
    EXPECT_EQ(result.Handled(), entries.size());
    EXPECT_FALSE(result.AllRemoved());
    EXPECT_EQ(result.bytesFreed, sizes[0] + sizes[1] + 0) << "the held and the vanished entries freed nothing";
    EXPECT_EQ(UrlCacheSourceNames(), std::vector<std::string>{held}) << "the refused entry is still there";
}

TEST(CompletionText, SaysFinishedOnlyWhenTheWalkEndedAndNothingWasRefused) {
    struct Case { size_t deleted, gone, inUse, refused; bool walkFailed; ULONGLONG bytes; const char* text; };
    const Case cases[] = {
        {0, 0, 0, 0, false, 0, "削除が終わりました（0件、0 B）"},
        {1233, 1, 0, 0, false, 59454259, "削除が終わりました（1,234件、56.7 MB）"},
        {1221, 1, 0, 12, false, 59454259, "12件は削除できませんでした（1,222件、56.7 MB を削除）"},
        {5, 0, 2, 0, false, 0, "2件はほかのプログラムが使用中のため削除できませんでした（5件、0 B を削除）"},
        {5, 0, 2, 3, false, 0, "2件はほかのプログラムが使用中、3件はその他の理由で削除できませんでした（5件、0 B を削除）"},
        {0, 0, 0, 0, true, 0, "キャッシュの一覧を最後まで読めませんでした（0件、0 B を削除）"},
        {7, 0, 1, 0, true, 1023,
         "キャッシュの一覧を最後まで読めませんでした。1件はほかのプログラムが使用中のため削除できませんでした（7件、1023 B を削除）"},
    };
    for (const Case& c : cases) {
        DeletionResult r;
        r.deleted = c.deleted;
        r.alreadyGone = c.gone;
        r.inUse = c.inUse;
        r.notDeleted = c.refused;
        r.walkFailed = c.walkFailed;
        r.bytesFreed = c.bytes;
        const std::string text = ToUtf8(CompletionText(r));
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(text.rfind("削除が終わりました", 0) == 0, r.Complete()) << text;
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
