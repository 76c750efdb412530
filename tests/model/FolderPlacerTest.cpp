// Placement by path: how levels are split and matched, what the producer's maker is
// told, the depth limit, and look-ups in folders large enough for the name index,
// where a name may repeat and records arrive from outside the placer.
#include "model/CFolderPlacer.h"
#include "model/RecordFlags.h"
#include "model/SFileInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quillora;

namespace {

class CMaker : public CFolderPlacer::IFolderMaker {
public:
    std::unique_ptr<SFileInfo> MakeFolder(std::string_view name) override {
        auto folder = std::make_unique<SFileInfo>();
        folder->m_strName = std::string(name);
        folder->m_dwFlags = kAttrDirectory;
        return folder;
    }
    void Made(SFileInfo& folder) override { m_made.push_back(folder.m_strName); }
    void Found(SFileInfo& record) override { m_found.push_back(record.m_strName); }

    std::vector<std::string> m_made;
    std::vector<std::string> m_found;
};

SFileInfo* AddRecord(SFileInfo& parent, const std::string& name, bool folder) {
    auto record = std::make_unique<SFileInfo>();
    record->m_strName = name;
    record->m_dwFlags = folder ? kAttrDirectory : kAttrArchive;
    return parent.AddChild(std::move(record));
}

CFolderPlacer::SRules Rules(CFolderPlacer::EMatch match) {
    CFolderPlacer::SRules rules;
    rules.m_match = match;
    return rules;
}

} // namespace

TEST(FolderPlacer, LevelsAreMadeOnceAndFoundAgainWhateverTheSeparators) {
    SFileInfo top;
    CMaker maker;
    CFolderPlacer::SRules rules = Rules(CFolderPlacer::EMatch::Exact);
    rules.m_bSkipDot = true;
    rules.m_nMaxLevels = 3;
    CFolderPlacer placer(rules, maker);

    SFileInfo* c = placer.FolderAt(top, "a\\b/./c\\");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->m_strName, "c");
    EXPECT_EQ(c->GetParent()->GetParent()->GetParent(), &top);
    EXPECT_EQ(maker.m_made, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(placer.FolderAt(top, "a/b//c"), c);
    EXPECT_EQ(placer.FolderAt(top, ""), &top);
    EXPECT_EQ(placer.FolderAt(top, "//."), &top);
    EXPECT_EQ(top.ChildCount(), 1u);
    EXPECT_EQ(maker.m_made.size(), 3u);
    // Exact names: another case is another folder.
    EXPECT_NE(placer.FolderAt(top, "A"), top.ChildAt(0));
    // One level too many is refused.
    EXPECT_EQ(placer.FolderAt(top, "a/b/c/d"), nullptr);
    EXPECT_EQ(c->ChildCount(), 0u);

    // A made folder is reported as made once; a found one never.
    EXPECT_TRUE(placer.TakeMade(*c));
    EXPECT_FALSE(placer.TakeMade(*c));
    EXPECT_FALSE(placer.TakeMade(top));

    // With Exact a file may stand where a level is: the maker is told it was found.
    SFileInfo* file = AddRecord(top, "f.txt", false);
    SFileInfo* x = placer.FolderAt(top, "f.txt/x");
    ASSERT_EQ(file->ChildCount(), 1u);
    EXPECT_EQ(x, file->ChildAt(0));
    EXPECT_EQ(maker.m_found.back(), "f.txt");
}

TEST(FolderPlacer, WithoutCaseOnlyFoldersMatchAndTheFirstOfANameWins) {
    SFileInfo top;
    CMaker maker;
    CFolderPlacer placer(Rules(CFolderPlacer::EMatch::FolderNoCase), maker);
    AddRecord(top, "Docs", false); // a file of the name is passed over
    SFileInfo* first = AddRecord(top, "DOCS", true);
    AddRecord(top, "docs", true);
    EXPECT_EQ(placer.FolderAt(top, "docs"), first);
    EXPECT_TRUE(maker.m_made.empty());
    // The same in a folder large enough for the index, after growing it several times,
    // with records appended past the placer as well as through it.
    SFileInfo big;
    for (int i = 0; i < 300; ++i) {
        AddRecord(big, "name" + std::to_string(i), i % 2 == 0);
    }
    SFileInfo* wanted = AddRecord(big, "Wanted", true);
    EXPECT_EQ(placer.Find(big, "WANTED"), wanted);
    placer.Add(big, maker.MakeFolder("wanted"));
    for (int i = 0; i < 300; ++i) {
        AddRecord(big, "late" + std::to_string(i), true);
    }
    EXPECT_EQ(placer.Find(big, "wanted"), wanted);
    EXPECT_EQ(placer.Find(big, "LATE299"), big.ChildAt(big.ChildCount() - 1));
    EXPECT_EQ(placer.Find(big, "name1"), nullptr); // a file
    EXPECT_EQ(placer.Find(big, "name2"), big.ChildAt(2));
    EXPECT_EQ(placer.Find(big, "absent"), nullptr);
    SFileInfo* made = placer.FolderAt(big, "late7\\new");
    ASSERT_EQ(big.ChildAt(309)->ChildCount(), 1u);
    EXPECT_EQ(made, big.ChildAt(309)->ChildAt(0));
    EXPECT_EQ(maker.m_made, (std::vector<std::string>{"new"}));
}
