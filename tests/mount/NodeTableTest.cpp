// The node table a mount serves: records in file order, names made usable and distinct
// among siblings, the user's texts, and the paths that lead back to media and archives.
#include "model/CCDCase.h"
#include "model/CaseFile.h"
#include "model/CaseFileException.h"
#include "model/ReplayTree.h"
#include "model/SGroupInfo.h"
#include "mount/CMediumFiles.h"
#include "mount/CNodeTableBuilder.h"
#include "support/ScratchDir.h"

#include "model/EditingTree.h"

#include <gtest/gtest.h>

namespace quillora {
namespace {

using test::AddEntry;
using test::AddFile;
using test::AddFolder;
using test::AddMedium;

std::unique_ptr<CNodeTable> TableOf(const CCDCase& root) {
    CNodeTableBuilder builder("/cases/shelf.cas");
    ReplayTree(root, builder);
    return builder.Take();
}

std::vector<std::string> ShownChildren(const CNodeTable& table, std::uint32_t folder) {
    std::vector<std::string> names;
    for (std::uint32_t child : table.Children(folder)) {
        names.emplace_back(table.ShownName(child));
    }
    return names;
}

std::uint32_t Walk(const CNodeTable& table, const std::vector<std::string>& path) {
    std::uint32_t node = 0;
    for (const std::string& name : path) {
        node = table.Lookup(node, name);
        if (node == kNoNode) {
            break;
        }
    }
    return node;
}

TEST(NodeTable, RecordsKeepFileOrderAndMediaShowTheirLabels) {
    CCDCase root;
    SVolumeInfo* cd = AddMedium(root, "Disc One");
    cd->m_strName = "media\\disc";
    SFileInfo* dir = AddFolder(*cd, "dir");
    AddFile(*dir, "b.txt", 10);
    AddFile(*cd, "a.txt", 5);
    auto group = std::make_unique<SGroupInfo>();
    group->SetLabel("Shelf");
    SFileInfo* g = root.AddChild(std::move(group));
    SVolumeInfo* inner = AddMedium(*g, "");
    inner->m_strOrgLabel = "ORIGINAL";
    AddFile(*inner, "z", 1);
    root.RecalcSize(true);

    const auto table = TableOf(root);
    ASSERT_TRUE(table);
    ASSERT_EQ(table->Count(), 8u);
    // Pre-order numbers: case 0, Disc One 1, dir 2, b.txt 3, a.txt 4, Shelf 5, ...
    EXPECT_EQ(Walk(*table, {"Disc One", "dir", "b.txt"}), 3u);
    EXPECT_EQ(Walk(*table, {"Disc One", "a.txt"}), 4u);
    EXPECT_EQ(ShownChildren(*table, 0), (std::vector<std::string>{"Disc One", "Shelf"}));
    EXPECT_EQ(ShownChildren(*table, 1), (std::vector<std::string>{"dir", "a.txt"}));
    // A medium without a label goes by its original one.
    EXPECT_EQ(Walk(*table, {"Shelf", "ORIGINAL", "z"}), 7u);
    EXPECT_EQ(table->StoredName(1), "media\\disc");
    EXPECT_TRUE(table->IsFolder(2));
    EXPECT_FALSE(table->IsFolder(3));
    EXPECT_EQ(table->Node(3).m_nSize, 10u);
    EXPECT_EQ(table->TotalBytes(), 16u);
    EXPECT_EQ(table->MediumOf(3)->m_volume.m_strLabel, "Disc One");
    EXPECT_EQ(table->MediumOf(7)->m_volume.m_strOrgLabel, "ORIGINAL");
    EXPECT_EQ(table->MediumOf(5), nullptr) << "a group is no medium";
    EXPECT_EQ(table->Lookup(1, "missing"), kNoNode);
    EXPECT_EQ(table->Lookup(2, "a.txt"), kNoNode) << "names are looked up in their own folder";
}

TEST(NodeTable, SameNamedSiblingsAreNumberedInFileOrder) {
    CCDCase root;
    SVolumeInfo* first = AddMedium(root, "CD");
    AddMedium(root, "CD");
    SFileInfo* dir = AddFolder(*first, "a");
    AddFile(*dir, "x");
    AddFile(*first, "a", 1);
    AddFile(*first, "a (2)", 2);
    AddFile(*first, "A", 3); // names differ by case on Linux
    AddFile(*first, "a", 4);
    const auto table = TableOf(root);
    ASSERT_TRUE(table);
    EXPECT_EQ(ShownChildren(*table, 0), (std::vector<std::string>{"CD", "CD (2)"}));
    EXPECT_EQ(ShownChildren(*table, 1),
              (std::vector<std::string>{"a", "a (2)", "a (2) (2)", "A", "a (3)"}));
    // The folder came first, so it keeps the plain name and its contents stay reachable.
    EXPECT_NE(Walk(*table, {"CD", "a", "x"}), kNoNode);
    EXPECT_EQ(table->Node(Walk(*table, {"CD", "a (3)"})).m_nSize, 4u);
    EXPECT_EQ(table->StoredName(Walk(*table, {"CD", "a (3)"})), "a");
}

TEST(NodeTable, EveryNameIsFoundUnderItsOwnFolderWhateverRoomWasReserved) {
    // The same names in many folders: a lookup must tell them apart by folder.
    CCDCase root;
    SVolumeInfo* cd = AddMedium(root, "CD");
    for (int d = 0; d < 300; ++d) {
        SFileInfo* dir = AddFolder(*cd, "d" + std::to_string(d));
        for (int f = 0; f < 40; ++f) {
            AddFile(*dir, "f" + std::to_string(f), static_cast<std::uint64_t>(d * 100 + f));
        }
    }
    for (const std::uint64_t reserved : {0ull, 100ull, 1ull << 24}) {
        CNodeTableBuilder builder("/cases/shelf.cas");
        builder.Reserve(reserved);
        ReplayTree(root, builder);
        const auto table = builder.Take();
        ASSERT_TRUE(table);
        ASSERT_EQ(table->Count(), 2u + 300u * 41u);
        int wrong = 0;
        for (int d = 0; d < 300; d += 7) {
            const std::uint32_t dir = Walk(*table, {"CD", "d" + std::to_string(d)});
            ASSERT_NE(dir, kNoNode);
            for (int f = 0; f < 40; ++f) {
                const std::uint32_t file = table->Lookup(dir, "f" + std::to_string(f));
                wrong += file == kNoNode ||
                         table->Node(file).m_nSize != static_cast<std::uint64_t>(d * 100 + f);
            }
            wrong += table->Lookup(dir, "f40") != kNoNode;
            wrong += table->Lookup(dir, "d1") != kNoNode;
        }
        EXPECT_EQ(wrong, 0) << "reserved for " << reserved << " bytes";
    }
}

TEST(NodeTable, NamesLinuxCannotHoldAreMadeUsable) {
    CCDCase root;
    SVolumeInfo* cd = AddMedium(root, "A/B");
    AddFile(*cd, "");
    AddFile(*cd, ".");
    AddFile(*cd, "..");
    AddFile(*cd, "half/half");
    AddFile(*cd, "folder\\inner.txt"); // a stored path shows its last part
    AddFile(*cd, std::string(300, 'n'));
    AddFile(*cd, std::string(254, 'k') + "\xE5\x86\x99"); // a character over the limit
    const auto table = TableOf(root);
    ASSERT_TRUE(table);
    const std::vector<std::string> names = ShownChildren(*table, 1);
    EXPECT_EQ(ShownChildren(*table, 0), (std::vector<std::string>{"A\xE2\x88\x95"
                                                                  "B"}));
    ASSERT_EQ(names.size(), 7u);
    EXPECT_EQ(names[0], "_");
    EXPECT_EQ(names[1], "._");
    EXPECT_EQ(names[2], ".._");
    EXPECT_EQ(names[3], "half\xE2\x88\x95half");
    EXPECT_EQ(names[4], "inner.txt");
    EXPECT_EQ(names[5], std::string(255, 'n'));
    EXPECT_EQ(names[6], std::string(254, 'k')) << "never half a character";
    EXPECT_EQ(table->StoredName(2), "");
}

TEST(NodeTable, KeepsCrcCommentsCategoriesAndArchivePaths) {
    CCDCase root;
    SVolumeInfo* cd = AddMedium(root, "CD");
    SFileInfo* file = AddFile(*cd, "f.txt");
    SRecordFacts facts;
    file->m_wExtFlags = kExtFlagCrc;
    file->m_dwExtValue = 0x00ABCDEF;
    file->SetComment("コメント");
    file->SetCategory("text");
    SFileInfo* archive = AddFolder(*cd, "pack.zip");
    archive->m_dwFlags = kFlagListedArchive | kAttrDirectory;
    archive->m_wArcType = kArcZip;
    SFileInfo* parent = AddEntry(*archive, "Parent", kAttrDirectory | kFlagParentPlaceholder);
    SArcFileInfo* up = AddEntry(*parent, "up.txt");
    up->m_strArcText = "..\\";
    SFileInfo* sub = AddEntry(*archive, "sub", kAttrDirectory);
    SFileInfo* inner = AddEntry(*sub, "inner.lzh", kFlagListedArchive | kAttrDirectory);
    AddEntry(*inner, "deep.txt");
    const auto table = TableOf(root);
    ASSERT_TRUE(table);

    const std::uint32_t f = Walk(*table, {"CD", "f.txt"});
    EXPECT_TRUE(table->HasCrc(f));
    EXPECT_EQ(table->Crc(f), 0x00ABCDEFu);
    EXPECT_EQ(table->Comment(f), "コメント");
    EXPECT_EQ(table->Category(f), "text");
    const std::uint32_t arc = Walk(*table, {"CD", "pack.zip"});
    EXPECT_FALSE(table->HasCrc(arc));
    EXPECT_EQ(table->Comment(arc), "");

    const std::uint32_t upNode = Walk(*table, {"CD", "pack.zip", "Parent", "up.txt"});
    ASSERT_NE(upNode, kNoNode);
    EXPECT_EQ(CMediumFiles::OutermostArchive(*table, upNode), arc);
    EXPECT_EQ(CMediumFiles::PathInArchive(*table, upNode, arc), "..\\up.txt");
    // An archive inside an archive is read from the outermost one.
    const std::uint32_t deep = Walk(*table, {"CD", "pack.zip", "sub", "inner.lzh", "deep.txt"});
    ASSERT_NE(deep, kNoNode);
    EXPECT_EQ(CMediumFiles::OutermostArchive(*table, deep), arc);
    EXPECT_EQ(CMediumFiles::PathInArchive(*table, deep, arc), "sub\\inner.lzh\\deep.txt");
    EXPECT_EQ(CMediumFiles::OutermostArchive(*table, arc), kNoNode);
    EXPECT_EQ(CMediumFiles::OutermostArchive(*table, f), kNoNode);
}

TEST(NodeTable, ReadsCaseFilesAndRefusesAWrongPassword) {
    test::ScratchDir dir;
    CCDCase root;
    root.m_strPassword = "secret";
    AddFile(*AddMedium(root, "CD"), "a.txt", 3);
    const std::string path = (dir / "locked.cas").string();
    SaveCaseFile(root, path, false);

    const auto table = CNodeTableBuilder::Read(path, "secret");
    ASSERT_TRUE(table);
    EXPECT_EQ(table->CasePath(), path);
    EXPECT_NE(Walk(*table, {"CD", "a.txt"}), kNoNode);
    try {
        CNodeTableBuilder::Read(path, "wrong");
        FAIL() << "a wrong password must not read the case";
    } catch (const CCaseFileException& e) {
        EXPECT_TRUE(e.IsBadPassword());
    }
    dir.Write("broken.cas", "not a case file at all");
    EXPECT_ANY_THROW(CNodeTableBuilder::Read((dir / "broken.cas").string(), ""));
}

} // namespace
} // namespace quillora
