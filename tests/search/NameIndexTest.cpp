// The name index: finds over it give what the walk over the records gives from any
// start and in any slices, and the case's revision tells when it no longer fits.
#include "model/CCDCase.h"
#include "model/SGroupInfo.h"
#include "model/SVolumeInfo.h"
#include "search/CFindRun.h"
#include "search/CNameIndex.h"
#include "search/SFindCondition.h"

#include "model/DisplayName.h"

#include <gtest/gtest.h>

#include <ctime>
#include <random>

using namespace quillora;

namespace {

SFileInfo* AddFile(SFileInfo& parent, const std::string& name, std::uint32_t flags = 0x20) {
    auto record = std::make_unique<SFileInfo>();
    record->m_strName = name;
    record->m_dwFlags = flags;
    return parent.AddChild(std::move(record));
}

// A case of a few hundred records at uneven depths, some names in capitals (shown
// otherwise), some folders empty.
void FillCase(CCDCase& root, unsigned seed) {
    std::mt19937 random(seed);
    static const char* const kNames[] = {"report.doc",        "IMG_0001.JPG", "notes.txt", "README",
                                         "holiday photo.jpg", "写真.png",     "DATA"};
    for (int m = 0; m < 3; ++m) {
        auto medium = std::make_unique<SVolumeInfo>();
        medium->m_strLabel = "Disc " + std::to_string(m);
        SFileInfo* parent = root.AddChild(std::move(medium));
        std::vector<SFileInfo*> folders{parent};
        for (int i = 0; i < 120; ++i) {
            SFileInfo& in = *folders[random() % folders.size()];
            const std::string name = kNames[random() % 7] + std::to_string(i % 9);
            if (random() % 4 == 0) {
                folders.push_back(AddFile(in, name, kAttrDirectory));
            } else {
                AddFile(in, name);
            }
        }
    }
    root.UpdateDisplayNameTree(true);
}

std::vector<SFileInfo*> RunFind(const SFindCondition& conditions, SFileInfo& start,
                                CFindRun::EMode mode, const CNameIndex* index, std::size_t slice) {
    CFindRun run(conditions, start, mode, index);
    std::vector<SFileInfo*> hits;
    while (!run.Step(slice, hits)) {
    }
    return hits;
}

class NameIndexTest : public ::testing::Test {
protected:
    void SetUp() override { FillCase(root, 7); }

    CCDCase root;
    SFindSettings settings{static_cast<std::uint32_t>(std::time(nullptr))};
};

} // namespace

TEST_F(NameIndexTest, FindsTheSameRecordsAsTheWalkFromEveryStartInEveryMode) {
    CNameIndex index(root);
    std::size_t slices = 0;
    while (!index.Build(root, 7)) {
        ++slices;
    }
    ASSERT_TRUE(index.IsCurrentFor(root));
    ASSERT_GT(slices, 10u);
    struct SPattern {
        const char* name;
        int wild;
        int upper;
        int method;
    };
    // A literal that many names hold, capitals as stored (IMG_0001.JPG, which shows
    // as Img_0001.jpg), a wildcard, letter case ignored, NOT and OR.
    const SPattern patterns[] = {{"photo", 0, 0, 0},  {"IMG_", 0, 0, 0}, {"*.txt?", 1, 0, 0},
                                 {"readme", 0, 1, 0}, {"DATA", 0, 0, 2}, {"Disc 1", 0, 0, 1}};
    for (const SPattern& p : patterns) {
        settings.m_strName = p.name;
        settings.m_nWild = p.wild;
        settings.m_nUpper = p.upper;
        settings.m_nMethod = p.method;
        SFindCondition conditions(settings);
        ASSERT_TRUE(conditions.Compile());
        for (std::size_t i = 0; i < index.Size(); i += 3) {
            SFileInfo& start = *index.Record(i);
            for (auto mode :
                 {CFindRun::EMode::Batch, CFindRun::EMode::First, CFindRun::EMode::Next}) {
                const auto walked = RunFind(conditions, start, mode, nullptr, 1000);
                EXPECT_EQ(RunFind(conditions, start, mode, &index, 5), walked)
                    << p.name << " from " << start.GetPath() << " mode " << static_cast<int>(mode);
            }
        }
    }
}

TEST_F(NameIndexTest, HoldsTheNamesFindMatchesInPreOrderWithSubtreeEnds) {
    CNameIndex index(root);
    index.BuildAll(root);
    CCaseCursor cursor(root);
    std::size_t position = 0;
    do {
        ASSERT_LT(position, index.Size());
        EXPECT_EQ(index.Record(position), cursor.Current());
        EXPECT_EQ(index.Name(position), FindNameOf(*cursor.Current()));
        EXPECT_EQ(index.PositionOf(cursor.Current()), position);
        // The subtree ends where the next record at the same depth or above begins.
        CCaseCursor after(*cursor.Current());
        const std::size_t depth = after.Depth();
        std::size_t end = position + 1;
        while (after.Next() && after.Depth() > depth) {
            ++end;
        }
        EXPECT_EQ(index.SubtreeEnd(position), end);
        ++position;
    } while (cursor.Next());
    EXPECT_EQ(position, index.Size());
    EXPECT_EQ(index.SubtreeEnd(0), index.Size());
    SFileInfo stranger;
    EXPECT_EQ(index.PositionOf(&stranger), CNameIndex::npos);
    // A run from a record the index does not hold walks the records instead.
    settings.m_strName = "x";
    SFindCondition conditions(settings);
    conditions.Compile();
    EXPECT_TRUE(RunFind(conditions, stranger, CFindRun::EMode::Batch, &index, 10).empty());
}

TEST_F(NameIndexTest, EveryChangeOfShapeOrNamesGivesTheCaseANewRevision) {
    SFileInfo& medium = *root.ChildAt(0);
    SFileInfo* deep = &medium;
    while (deep->ChildCount() > 0) {
        deep = deep->ChildAt(deep->ChildCount() - 1);
    }
    std::uint64_t seen = root.Revision();
    auto changed = [&] {
        const bool different = root.Revision() != seen;
        seen = root.Revision();
        return different;
    };
    // Reading changes nothing.
    (void)deep->GetPath();
    (void)medium.Children();
    EXPECT_FALSE(changed());
    AddFile(*deep->GetParent(), "new.txt");
    EXPECT_TRUE(changed()) << "added deep down";
    SFileInfo* added = deep->GetParent()->ChildAt(deep->GetParent()->ChildCount() - 1);
    added->m_strName = "renamed.txt";
    added->UpdateDisplayName();
    EXPECT_TRUE(changed()) << "renamed";
    deep->GetParent()->RemoveChild(added);
    EXPECT_TRUE(changed()) << "removed";
    auto detached = root.DetachChild(&medium);
    EXPECT_TRUE(changed()) << "detached";
    // A detached tree changes on its own without touching the case.
    AddFile(*detached, "elsewhere.txt");
    EXPECT_FALSE(changed());
    root.InsertBefore(root.ChildAt(0), std::move(detached));
    EXPECT_TRUE(changed()) << "inserted";
    std::vector<std::unique_ptr<SFileInfo>> reordered;
    while (auto child = root.TakeFirst()) {
        reordered.insert(reordered.begin(), std::move(child));
    }
    EXPECT_TRUE(changed()) << "taken";
    root.SetChildren(std::move(reordered));
    EXPECT_TRUE(changed()) << "reordered";
    root.UpdateDisplayNameTree(true);
    EXPECT_TRUE(changed()) << "display names refreshed";
    root.ChildAt(0)->DeleteChildren();
    EXPECT_TRUE(changed()) << "emptied";
    CCDCase other;
    EXPECT_NE(other.Revision(), root.Revision());
}

TEST_F(NameIndexTest, AnIndexOfAnotherStateIsNeitherCurrentNorBuiltFurther) {
    CNameIndex index(root);
    EXPECT_FALSE(index.Build(root, 10));
    // The case changes while the index is half built: building gives up without
    // reading the old tree again.
    root.ChildAt(1)->DeleteChildren();
    EXPECT_TRUE(index.Build(root, 10));
    EXPECT_FALSE(index.Usable());
    EXPECT_FALSE(index.IsCurrentFor(root));
    EXPECT_EQ(index.Size(), 0u);

    CNameIndex complete(root);
    complete.BuildAll(root);
    EXPECT_TRUE(complete.IsCurrentFor(root));
    CCDCase other;
    EXPECT_FALSE(complete.IsCurrentFor(other));
    root.ChildAt(0)->ChildAt(0)->UpdateDisplayName();
    EXPECT_FALSE(complete.IsCurrentFor(root));

    // Begun on one case and asked to go on with another open: nothing is read.
    CNameIndex started(root);
    EXPECT_TRUE(started.Build(other, 10));
    EXPECT_FALSE(started.Usable());
}
