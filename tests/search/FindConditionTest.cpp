// The find conditions on a small case: AND, OR and NOT with marks, sizes and dates,
// the pre-order searches, batch finds and narrowing, and what Prepare leaves behind.
#include "core/FileTime.h"
#include "model/CCDCase.h"
#include "model/SArcFileInfo.h"
#include "model/SGroupInfo.h"
#include "search/CFindRun.h"
#include "search/CNameIndex.h"
#include "search/FindDate.h"
#include "search/SFindCondition.h"

#include <gtest/gtest.h>

#include <ctime>

using namespace quillora;

namespace {

constexpr std::int64_t kDay = 86400;

class FindConditionTest : public ::testing::Test {
protected:
    void SetUp() override {
        root.m_strName = "/shelf/test.cas";
        auto disc = std::make_unique<SVolumeInfo>();
        disc->m_strLabel = "Disc A";
        discA = root.AddChild(std::move(disc));
        docs = Add(*discA, "docs", 0, kAttrDirectory);
        aTxt = Add(*docs, "a.txt", 100, kAttrArchive);
        aTxt->m_byMark = 1;
        aTxt->SetComment("hello\nworld");
        aTxt->SetCategory("work");
        bDoc = Add(*docs, "b.doc", 2000, kAttrArchive);
        pack = Add(*docs, "pack.zip", 1500, kAttrDirectory | kFlagListedArchive);
        auto entry = std::make_unique<SArcFileInfo>();
        entry->m_strName = "inner.txt";
        entry->m_nSize = 50;
        inner = pack->AddChild(std::move(entry));
        cTxt = Add(*discA, "c.txt", kUnknownSize, kAttrArchive);
        auto group = std::make_unique<SGroupInfo>();
        group->SetLabel("Group");
        SFileInfo* groupPtr = root.AddChild(std::move(group));
        auto discB = std::make_unique<SVolumeInfo>();
        discB->m_strLabel = "Disc B";
        SFileInfo* discBPtr = groupPtr->AddChild(std::move(discB));
        old = Add(*discBPtr, "old.txt", 10, kAttrArchive);
        old->m_ftCreation = old->m_ftLastWrite = FileTimeFromUnix(-10 * 365 * kDay); // 1960
        future = Add(*discBPtr, "future.txt", 10, kAttrArchive);
        future->m_ftCreation = future->m_ftLastWrite = FileTimeFromUnix(2524608000); // 2050
        root.UpdateDisplayNameTree(true);
    }

    SFileInfo* Add(SFileInfo& parent, const std::string& name, std::uint64_t size,
                   std::uint32_t flags) {
        auto r = std::make_unique<SFileInfo>();
        r->m_strName = name;
        r->m_nSize = size;
        r->m_dwFlags = flags;
        r->m_ftCreation = r->m_ftLastWrite = FileTimeFromUnix(1000000000); // 2001
        return parent.AddChild(std::move(r));
    }

    // Every match of a batch find from `start` (the case root when null), as names;
    // the run over a name index must find the same records as the walk.
    std::vector<std::string> Batch(SFileInfo* start = nullptr) {
        SFindCondition conditions(settings);
        conditions.Prepare();
        CFindRun run(conditions, start ? *start : root, CFindRun::EMode::Batch);
        std::vector<SFileInfo*> hits;
        run.RunAll(hits);
        CNameIndex index(root);
        index.BuildAll(root);
        CFindRun indexed(conditions, start ? *start : root, CFindRun::EMode::Batch, &index);
        std::vector<SFileInfo*> indexedHits;
        while (!indexed.Step(2, indexedHits)) {
        }
        EXPECT_EQ(indexedHits, hits);
        std::vector<std::string> names;
        for (SFileInfo* hit : hits) {
            names.push_back(hit->GetDisplayName());
        }
        return names;
    }

    CCDCase root;
    SFileInfo* discA = nullptr;
    SFileInfo* docs = nullptr;
    SFileInfo* aTxt = nullptr;
    SFileInfo* bDoc = nullptr;
    SFileInfo* pack = nullptr;
    SFileInfo* inner = nullptr;
    SFileInfo* cTxt = nullptr;
    SFileInfo* old = nullptr;
    SFileInfo* future = nullptr;
    SFindSettings settings{static_cast<std::uint32_t>(std::time(nullptr))};
};

using Names = std::vector<std::string>;

} // namespace

TEST_F(FindConditionTest, NoConditionListsEverythingOrNothing) {
    const Names all = {"test.cas",  "Disc A", "docs",  "a.txt",  "b.doc",   "pack.zip",
                       "inner.txt", "c.txt",  "Group", "Disc B", "old.txt", "future.txt"};
    settings.m_nMethod = 0;
    EXPECT_EQ(Batch(), all);
    settings.m_nMethod = 1;
    EXPECT_EQ(Batch(), all);
    settings.m_nMethod = 2;
    EXPECT_EQ(Batch(), Names{});
}

TEST_F(FindConditionTest, NameCategoryCommentAndMark) {
    settings.m_strName = "*.txt";
    EXPECT_EQ(Batch(), (Names{"a.txt", "inner.txt", "c.txt", "old.txt", "future.txt"}));
    settings.m_strName = "disc"; // media are found by their labels, ignoring case
    EXPECT_EQ(Batch(), (Names{"Disc A", "Disc B"}));
    settings.m_strName.clear();
    settings.m_strCategory = "WORK";
    settings.m_strComment = "o?w";
    EXPECT_EQ(Batch(), Names{"a.txt"}); // the comment's line break is a character
    settings.m_strCategory.clear();
    settings.m_strComment.clear();
    settings.m_nMark = 1;
    EXPECT_EQ(Batch(), Names{"a.txt"});
    settings.m_nMethod = 2;
    EXPECT_EQ(Batch().size(), 11u);
}

TEST_F(FindConditionTest, CaseSensitiveNamesAreMatchedAsStoredNotAsShown) {
    Add(*old->GetParent(), "IMG_1352.JPG", 10, kAttrArchive);
    Add(*old->GetParent(), "IMG_0001.jpg", 10, kAttrArchive);
    Add(*old->GetParent(), "Img_2.jpg", 10, kAttrArchive);
    root.UpdateDisplayNameTree(true);
    // The explorer-like display shows the name in capitals in mixed case.
    ASSERT_EQ(old->GetParent()->ChildAt(2)->GetDisplayName(), "Img_1352.jpg");
    settings.m_nUpper = 0;
    settings.m_strName = "IMG";
    EXPECT_EQ(Batch(), (Names{"Img_1352.jpg", "IMG_0001.jpg"}));
    settings.m_strName = "Img";
    EXPECT_EQ(Batch(), Names{"Img_2.jpg"});
    settings.m_nWild = 0;
    settings.m_strName = "IMG_.*2\\.JPG";
    EXPECT_EQ(Batch(), Names{"Img_1352.jpg"});
    settings.m_strName = "^DISC B$"; // a label as stored: "Disc B"
    EXPECT_EQ(Batch(), Names{});
    // Ignoring case, the stored and the shown name are the same to a find.
    settings.m_nUpper = 1;
    settings.m_nWild = 1;
    settings.m_strName = "img_";
    EXPECT_EQ(Batch(), (Names{"Img_1352.jpg", "IMG_0001.jpg", "Img_2.jpg"}));
}

TEST_F(FindConditionTest, SizeBoundsSkipFoldersButNotListedArchives) {
    settings.m_nSizeMinMode = 1;
    settings.m_dwSizeMin = 1000;
    EXPECT_EQ(Batch(), (Names{"b.doc", "pack.zip"}));
    settings.m_nSizeMinMode = 0;
    settings.m_nSizeMaxMode = 1;
    settings.m_dwSizeMax = 100;
    // Inclusive; a size that is not known is smaller than any bound. The case root is
    // no folder: its size is its file's (0 here).
    EXPECT_EQ(Batch(), (Names{"test.cas", "a.txt", "inner.txt", "c.txt", "old.txt", "future.txt"}));
}

TEST_F(FindConditionTest, OrModeCountsEachBoundAndFoldersOnlyByText) {
    settings.m_nMethod = 1;
    settings.m_nSizeMinMode = settings.m_nSizeMaxMode = 1;
    settings.m_dwSizeMin = 100;
    settings.m_dwSizeMax = 200;
    // At least 100 or at most 200: every record that has a size of its own.
    EXPECT_EQ(Batch(), (Names{"test.cas", "a.txt", "b.doc", "pack.zip", "inner.txt", "c.txt",
                              "old.txt", "future.txt"}));
    // A folder matches by its name, never by its dates, while a size bound is on.
    settings.m_dwSizeMin = 100000;
    settings.m_dwSizeMax = 0;
    settings.m_nUTimeMinMode = 1;
    settings.m_dwUTimeMin = 0;
    settings.m_strName = "docs";
    // (inner.txt has no times: 1601 is before the bound.)
    EXPECT_EQ(Batch(),
              (Names{"test.cas", "docs", "a.txt", "b.doc", "pack.zip", "c.txt", "future.txt"}));
}

TEST_F(FindConditionTest, DateBoundsCompareBeyondThe32BitRange) {
    settings.m_nCTimeMaxMode = 1;
    settings.m_dwCTimeMax = 2147483000u; // January 2038
    auto names = Batch();
    EXPECT_NE(std::find(names.begin(), names.end(), "old.txt"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "future.txt"), names.end());
    settings.m_nCTimeMaxMode = 0;
    settings.m_nCTimeMinMode = 1;
    settings.m_dwCTimeMin = 86400; // 1970-01-02
    names = Batch();
    EXPECT_EQ(std::find(names.begin(), names.end(), "old.txt"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "future.txt"), names.end());
}

TEST_F(FindConditionTest, AnUpperBoundOfTodayEndsAtTheTimeItWasRead) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char today[16];
    std::strftime(today, sizeof today, "%Y/%m/%d", &local);
    std::optional<SDateBound> bound = ReadDateBound(today, now);
    ASSERT_TRUE(bound);
    EXPECT_EQ(bound->m_dwSeconds, static_cast<std::uint32_t>(now));
    settings.m_strName = "*.txt";
    settings.m_nUTimeMaxMode = 1;
    settings.m_dwUTimeMax = bound->m_dwSeconds;
    aTxt->m_ftLastWrite = FileTimeFromUnix(now); // inclusive
    cTxt->m_ftLastWrite = FileTimeFromUnix(now + 60);
    EXPECT_EQ(Batch(), (Names{"a.txt", "inner.txt", "old.txt"}));
}

TEST_F(FindConditionTest, FindFirstAndFindNextWalkTheWholeCaseInPreOrder) {
    settings.m_strName = "*.txt";
    SFindCondition conditions(settings);
    conditions.Prepare();
    EXPECT_EQ(conditions.FindFirst(root), aTxt);
    EXPECT_EQ(conditions.FindFirst(*aTxt), aTxt);
    EXPECT_EQ(conditions.FindFirst(*bDoc), nullptr); // its subtree only
    EXPECT_EQ(conditions.FindNext(*aTxt), inner);
    EXPECT_EQ(conditions.FindNext(*inner), cTxt); // leaves the archive and the folder
    EXPECT_EQ(conditions.FindNext(*cTxt), old);   // into the group's medium
    EXPECT_EQ(conditions.FindNext(*future), nullptr);
    // Behind a child's subtree; an `after` that is no child skips the whole subtree.
    EXPECT_EQ(conditions.FindNext(*docs, pack), cTxt);
    EXPECT_EQ(conditions.FindNext(*docs, old), cTxt);
    EXPECT_EQ(conditions.FindNext(*docs, aTxt), inner);
}

TEST_F(FindConditionTest, BatchFromASelectionThatDoesNotMatchListsNothing) {
    settings.m_strName = "doc";
    EXPECT_EQ(Batch(aTxt), Names{}); // b.doc follows, but the start's subtree has no match
    EXPECT_EQ(Batch(docs), (Names{"docs", "b.doc"}));
    EXPECT_EQ(Batch(pack), Names{});
    // Find-next skips the start itself; first includes it.
    SFindCondition conditions(settings);
    conditions.Prepare();
    std::vector<SFileInfo*> hits;
    CFindRun next(conditions, *docs, CFindRun::EMode::Next);
    next.RunAll(hits);
    EXPECT_EQ(hits, std::vector<SFileInfo*>{bDoc});
    hits.clear();
    CFindRun first(conditions, *docs, CFindRun::EMode::First);
    while (!first.Step(1, hits)) {
    }
    EXPECT_EQ(hits, std::vector<SFileInfo*>{docs});
}

TEST_F(FindConditionTest, NarrowingKeepsOrderAndUnchangedConditionsKeepEveryRow) {
    settings.m_strName = "*.txt";
    SFindCondition conditions(settings);
    conditions.Prepare();
    std::vector<SFileInfo*> rows;
    CFindRun(conditions, root, CFindRun::EMode::Batch).RunAll(rows);
    auto narrow = [&] {
        std::vector<SFileInfo*> kept;
        for (SFileInfo* row : rows) {
            if (conditions.Match(*row)) {
                kept.push_back(row);
            }
        }
        return kept;
    };
    EXPECT_EQ(narrow(), rows);
    settings.m_nSizeMaxMode = 1;
    settings.m_dwSizeMax = 10;
    conditions.Prepare();
    EXPECT_EQ(narrow(), (std::vector<SFileInfo*>{cTxt, old, future}));
}

TEST_F(FindConditionTest, PrepareCompilesActivePatternsAndKeepsTheirHistory) {
    settings.m_strName = "txt$";
    settings.m_strComment = "a(b";
    settings.m_nWild = 0;
    settings.m_nMethod = 1;
    SFindCondition conditions(settings);
    EXPECT_FALSE(conditions.Prepare());
    ASSERT_EQ(conditions.Problems().size(), 1u);
    EXPECT_NE(conditions.Problems()[0].find("a(b"), std::string::npos);
    EXPECT_TRUE(conditions.m_bName && conditions.m_bComment && !conditions.m_bCategory);
    EXPECT_FALSE(conditions.m_bNoCondition);
    EXPECT_EQ(settings.m_nameHistory.Entries()[0], "txt$");
    EXPECT_EQ(settings.m_commentHistory.Entries()[0], "a(b");
    EXPECT_EQ(settings.m_categoryHistory.Entries()[0], "");
    // In OR mode the usable conditions still work.
    settings.m_strName = "\\.doc$";
    EXPECT_FALSE(conditions.Prepare());
    EXPECT_TRUE(conditions.Match(*bDoc));
    EXPECT_FALSE(conditions.Match(*aTxt));
    // A worker's copy compiles without touching the histories.
    settings.m_strName = "other";
    SFindCondition copy(settings);
    copy.Compile();
    EXPECT_EQ(settings.m_nameHistory.Entries()[0], "\\.doc$");
}
