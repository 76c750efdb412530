// Child lists, display names, look-ups, paths, archive paths, counting, marks,
// collections and links over small case trees.
#include "model/CaseEditing.h"
#include "EditingTree.h"
#include "model/CCDCase.h"
#include "model/RecordCompare.h"
#include "model/SGroupInfo.h"

#include <gtest/gtest.h>

using namespace quillora;
using namespace quillora::test;

namespace {

std::vector<std::string> Names(const std::vector<SFileInfo*>& records) {
    std::vector<std::string> names;
    for (const SFileInfo* r : records) {
        names.push_back(r->m_strName);
    }
    return names;
}

std::vector<std::string> ChildNames(const SFileInfo& parent) {
    std::vector<std::string> names;
    for (const auto& child : parent.Children()) {
        names.push_back(child->m_strName);
    }
    return names;
}

} // namespace

TEST(ChildList, InsertDetachTakeAndDeleteKeepOrderAndParents) {
    SFileInfo folder;
    folder.m_dwFlags = kAttrDirectory;
    SFileInfo* a = AddFile(folder, "a");
    SFileInfo* c = AddFile(folder, "c");
    auto b = std::make_unique<SFileInfo>();
    b->m_strName = "b";
    EXPECT_EQ(folder.InsertBefore(c, std::move(b))->GetParent(), &folder);
    SFileInfo stranger;
    auto d = std::make_unique<SFileInfo>();
    d->m_strName = "d";
    folder.InsertBefore(&stranger, std::move(d)); // not a child: appended
    EXPECT_EQ(ChildNames(folder), (std::vector<std::string>{"a", "b", "c", "d"}));

    std::unique_ptr<SFileInfo> detached = folder.DetachChild(c);
    ASSERT_TRUE(detached);
    EXPECT_EQ(detached->GetParent(), nullptr);
    EXPECT_FALSE(folder.DetachChild(c)); // no longer a child
    std::unique_ptr<SFileInfo> first = folder.TakeFirst();
    EXPECT_EQ(first.get(), a);
    EXPECT_EQ(ChildNames(folder), (std::vector<std::string>{"b", "d"}));

    folder.DeleteChildren();
    EXPECT_EQ(folder.ChildCount(), 0u);
    EXPECT_FALSE(folder.TakeFirst());
    AddFile(folder, "again"); // the emptied list takes children again
    EXPECT_EQ(ChildNames(folder), (std::vector<std::string>{"again"}));
}

TEST(ChildList, RemovingTheLastFileOfAFolderUpdatesEveryAncestor) {
    CCDCase root;
    auto* group = static_cast<SGroupInfo*>(root.AddChild(std::make_unique<SGroupInfo>()));
    SVolumeInfo* disc = AddMedium(*group, "Disc");
    SFileInfo* outer = AddFolder(*disc, "outer");
    AddFile(*outer, "keep.bin", 100);
    SFileInfo* inner = AddFolder(*outer, "inner");
    SFileInfo* last = AddFile(*inner, "last.bin", 5000);
    root.RecalcSize(true);
    ASSERT_EQ(group->m_nSize, 5100u);

    EXPECT_TRUE(inner->RemoveChild(last));
    EXPECT_EQ(inner->m_nSize, 0u);
    EXPECT_EQ(outer->m_nSize, 100u);
    EXPECT_EQ(disc->m_nSize, 100u);
    EXPECT_EQ(group->m_nSize, 100u);
    EXPECT_EQ(root.m_nSize, 0u); // the case's size is that of its own file
    EXPECT_EQ(inner->ChildCount(), 0u);

    SFileInfo stranger;
    EXPECT_FALSE(inner->RemoveChild(&stranger));
}

TEST(ChildList, RemovingFromAListedArchiveKeepsItsStoredSize) {
    SVolumeInfo disc;
    SFileInfo* archive = AddFile(disc, "a.zip", 777);
    archive->m_dwFlags = kFlagListedArchive | kAttrDirectory;
    archive->m_wArcType = kArcZip;
    SArcFileInfo* entry = AddEntry(*archive, "x.txt");
    entry->m_nSize = 5000;
    EXPECT_TRUE(archive->RemoveChild(entry));
    EXPECT_EQ(archive->m_nSize, 777u);
    EXPECT_EQ(disc.m_nSize, 777u);
}

TEST(DisplayName, NormalisedByTheFileDisplayMode) {
    struct Case {
        int mode;
        const char* name;
        const char* shown;
    } cases[] = {
        {0, "README.TXT", "Readme.txt"},
        {0, "Readme.TXT", "Readme.TXT"},
        {0, "MY OLD FILE.DOC", "My Old File.doc"},
        {0, "\xE8\xA1\xA8.TXT", "\xE8\xA1\xA8.TXT"}, // a double-byte character: unchanged
        {0,
         "\xEF\xBD\xB1"
         "BC.TXT",
         "\xEF\xBD\xB1"
         "bc.txt"}, // half-width katakana is single-byte
        {1, "Readme.txt", "README.TXT"},
        {2, "Readme.TXT", "readme.txt"},
        {3, "README.TXT", "README.TXT"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + std::string(" mode ") + std::to_string(c.mode));
        CScopedModelSettings settings(c.mode);
        SFileInfo file;
        file.m_strName = c.name;
        file.UpdateDisplayName();
        EXPECT_EQ(file.GetDisplayName(), c.shown);
        EXPECT_EQ(file.m_strName, c.name);
    }
    CScopedModelSettings settings(0);
    SVolumeInfo disc;
    disc.m_strLabel = "BACKUP DISC";
    disc.UpdateDisplayNameTree(true);
    EXPECT_EQ(disc.GetDisplayName(), "Backup Disc");
}

TEST(LookUp, FindChildFolderIgnoresCaseAndFiles) {
    SVolumeInfo disc;
    AddFile(disc, "Docs");
    SFileInfo* docs = AddFolder(disc, "Docs");
    EXPECT_EQ(FindChildFolder(disc, "DOCS"), docs);
    EXPECT_EQ(FindChildFolder(disc, "Doc"), nullptr);
    SFileInfo* odd = AddFolder(disc, "a\\b"); // only a case file from elsewhere holds such
    EXPECT_EQ(FindChildFolder(disc, "A/B"), odd);
}

TEST(LookUp, FindByPathSearchesEveryMediumDepthFirst) {
    CCDCase root;
    root.m_strName = "/home/u/cases/photos.cas";
    SVolumeInfo* short_ = AddMedium(root, "Short", "/media/u/D");
    auto* group = static_cast<SGroupInfo*>(root.AddChild(std::make_unique<SGroupInfo>()));
    SVolumeInfo* disc = AddMedium(*group, "Disc", "/media/u/DISC");
    SFileInfo* dcim = AddFolder(*disc, "DCIM");
    SFileInfo* photo = AddFile(*dcim, "Img001.JPG");
    SFileInfo* other = AddFile(*short_, "x");

    EXPECT_EQ(FindByPath(root, "/media/u/disc\\dcim\\img001.jpg"), photo);
    EXPECT_EQ(FindByPath(root, "/media/u/D\\X"), other);
    EXPECT_EQ(FindByPath(root, "/media/u/DISC"), disc);
    EXPECT_EQ(FindByPath(root, "/HOME/u/cases/photos.cas"), &root);
    EXPECT_EQ(FindByPath(root, "/media/u/DISC\\DCIM\\none"), nullptr);
    EXPECT_EQ(FindByPath(*dcim, "/media/u/DISC\\DCIM\\Img001.JPG"), photo);
}

TEST(LookUp, EnsureArchiveFolderFindsOrCreatesEachLevel) {
    SFileInfo archive;
    archive.m_dwFlags = kFlagListedArchive | kAttrDirectory;
    SFileInfo* deep = EnsureArchiveFolder(archive, "src/Lib\\util/");
    ASSERT_NE(deep, &archive);
    EXPECT_EQ(deep->m_strName, "util");
    EXPECT_EQ(deep->Class(), RecordClass::ArcFile);
    EXPECT_EQ(deep->m_dwFlags, 0xC0000010u);
    EXPECT_EQ(deep->GetParent()->m_strName, "Lib");
    EXPECT_EQ(deep->GetParent()->GetParent()->GetParent(), &archive);

    EXPECT_EQ(EnsureArchiveFolder(archive, "SRC\\lib//UTIL"), deep); // levels reused
    EXPECT_EQ(archive.ChildCount(), 1u);
    EXPECT_EQ(EnsureArchiveFolder(archive, ""), &archive);
    EXPECT_EQ(EnsureArchiveFolder(archive, "\\/"), &archive);

    // "表" ends in 0x5C in Shift_JIS, and U+F05C stands for a "\" inside a Linux name:
    // neither separates levels.
    SFileInfo* kanji = EnsureArchiveFolder(archive, "\xE8\xA1\xA8/a\xEF\x81\x9C"
                                                    "b");
    EXPECT_EQ(kanji->m_strName, "a\xEF\x81\x9C"
                                "b");
    EXPECT_EQ(kanji->GetParent()->m_strName, "\xE8\xA1\xA8");
}

TEST(Paths, SplitPathAtTheLastSeparator) {
    auto check = [](const char* path, const char* folder, const char* name) {
        SSplitPath split = SplitPath(path);
        EXPECT_EQ(split.m_strFolder, folder) << path;
        EXPECT_EQ(split.m_strName, name) << path;
    };
    check("a\\b/c.txt", "a\\b/", "c.txt");
    check("c.txt", "", "c.txt");
    check("dir\\", "dir\\", "");
    check("\\root", "\\", "root");
    check("\xE8\xA1\xA8\\\xE8\xA1\xA8.txt", "\xE8\xA1\xA8\\", "\xE8\xA1\xA8.txt");
    check("x\xEF\x81\x9Cy", "", "x\xEF\x81\x9Cy");
    check("", "", "");
}

TEST(Paths, RelativePathBelowABaseWithAPrefix) {
    CCDCase root;
    SVolumeInfo* disc = AddMedium(root, "Disc", "/media/u/DISC");
    SFileInfo* dir = AddFolder(*disc, "DIR");
    SFileInfo* file = AddFile(*dir, "b.txt");

    EXPECT_EQ(RelativePath(*file, disc, nullptr), ".\\DIR\\b.txt");
    EXPECT_EQ(RelativePath(*file, dir, nullptr), ".\\b.txt");
    EXPECT_EQ(RelativePath(*file, disc, "X:\\out"), "X:\\out\\DIR\\b.txt");
    EXPECT_EQ(RelativePath(*file, disc, "X:\\out\\"), "X:\\out\\DIR\\b.txt");
    EXPECT_EQ(RelativePath(*file, disc, "X:/out/"), "X:\\out\\DIR\\b.txt");
    EXPECT_EQ(RelativePath(*file, disc, "..\\up"), "..\\up\\DIR\\b.txt");
    EXPECT_EQ(RelativePath(*file, disc, "a\\..\\b\\.\\c"), "b\\c\\DIR\\b.txt");
    EXPECT_EQ(RelativePath(*file, disc, ""), "DIR\\b.txt");
    // Without a base the walk stops after the medium (its name is where it is).
    EXPECT_EQ(RelativePath(*file, nullptr, "\\\\srv\\share"),
              "\\\\srv\\share\\media\\u\\DISC\\DIR\\b.txt");
    EXPECT_EQ(RelativePath(*disc, disc, nullptr), ".");
}

TEST(Paths, NormalizePathKeepsRootsAndLeadingDot) {
    EXPECT_EQ(NormalizePath("\\a\\..\\..\\b"), "\\b");
    EXPECT_EQ(NormalizePath("a\\..\\..\\b"), "..\\b");
    EXPECT_EQ(NormalizePath(".\\..\\b"), "..\\b");
    EXPECT_EQ(NormalizePath(".//a///b/"), ".\\a\\b");
    EXPECT_EQ(NormalizePath("//srv/share/./x"), "\\\\srv\\share\\x");
    EXPECT_EQ(NormalizePath("X:\\..\\a"), "X:\\a");
    EXPECT_EQ(NormalizePath("X:/out/../in"), "X:\\in");
}

TEST(ArchivePaths, OutermostArchiveAndThePathInsideIt) {
    SVolumeInfo disc;
    disc.m_strRoot = "/media/u/DISC";
    disc.RecomputeLocation();
    SFileInfo* folder = AddFolder(disc, "dl");
    SFileInfo* zip = AddFile(*folder, "a.zip");
    zip->m_dwFlags = kFlagListedArchive | kAttrDirectory;
    SArcFileInfo* placeholder =
        AddEntry(*zip, "Parent", kAttrDirectory | kFlagListedArchive | kFlagParentPlaceholder);
    SArcFileInfo* up = AddEntry(*placeholder, "up.txt");
    up->m_strArcText = "../../";
    SArcFileInfo* dir = AddEntry(*zip, "dir", kAttrDirectory | kFlagListedArchive);
    SArcFileInfo* inner = AddEntry(*dir, "inner.lzh", kAttrDirectory | kFlagListedArchive);
    SArcFileInfo* x = AddEntry(*inner, "x.txt");
    SFileInfo* plain = AddFile(*folder, "plain.txt");

    EXPECT_EQ(OutermostArchive(*x), zip);
    EXPECT_EQ(OutermostArchive(*up), zip);
    EXPECT_EQ(OutermostArchive(*zip), zip);
    EXPECT_EQ(OutermostArchive(*plain), nullptr);
    EXPECT_EQ(OutermostArchive(*folder), nullptr);

    EXPECT_EQ(PathInsideArchive(*x), "dir\\inner.lzh\\x.txt");
    EXPECT_EQ(PathInsideArchive(*up), "../../up.txt");
    EXPECT_EQ(PathInsideArchive(*dir), "dir");
    EXPECT_EQ(PathInsideArchive(*zip), "");
    EXPECT_EQ(PathInsideArchive(*plain), "");
}

TEST(MediumLabels, TakenFromTheEnclosingMediumComparedWithoutCase) {
    CCDCase root;
    SVolumeInfo* a = AddMedium(root, "alpha");
    SVolumeInfo* b = AddMedium(root, "ALPHA");
    SVolumeInfo* c = AddMedium(root, "beta");
    SFileInfo* fa = AddFile(*AddFolder(*a, "d"), "f");
    EXPECT_EQ(MediumLabel(*fa), "alpha");
    EXPECT_EQ(MediumLabel(root), "");
    EXPECT_EQ(CompareMediumLabel(*fa, *b), 0);
    EXPECT_LT(CompareMediumLabel(*fa, *c), 0);
    EXPECT_GT(CompareMediumLabel(*c, root), 0);
}

TEST(Counting, FilesAndFoldersWithAndWithoutRecursion) {
    SVolumeInfo disc;
    AddFile(disc, "1");
    SFileInfo* d = AddFolder(disc, "d");
    AddFile(*d, "2");
    AddFile(*d, "3");
    SFileInfo* e = AddFolder(*d, "e");
    AddFile(*e, "4");
    AddFolder(*e, "f");
    EXPECT_EQ(disc.CountFiles(false), 1u);
    EXPECT_EQ(disc.CountFiles(true), 4u);
    EXPECT_EQ(disc.CountFolders(false), 1u);
    EXPECT_EQ(disc.CountFolders(true), 3u);
}

TEST(Marks, SetMarkAndCollectByMask) {
    CCDCase root;
    root.m_strName = "root";
    SVolumeInfo* disc = AddMedium(root, "Disc");
    disc->m_strName = "disc";
    SFileInfo* d = AddFolder(*disc, "d");
    SFileInfo* marked = AddFile(*d, "marked");
    SFileInfo* linked = AddFile(*d, "linked");
    SFileInfo* commented = AddFile(*disc, "commented");
    SFileInfo* categorised = AddFile(*disc, "categorised");
    SFileInfo* withProps = AddFile(*disc, "props");
    static const CPropertyDefinition definition{"Audio", {1}, false};

    SetMark(*marked, 0x03, true);
    SetMark(*marked, 0x01, false);
    EXPECT_EQ(marked->m_byMark, 0x02);
    EXPECT_FALSE(IsMarked(*marked)); // only bit 0 means marked ...
    linked->SetLink("/elsewhere");
    commented->SetComment("note");
    categorised->SetCategory("Music");
    withProps->SetProps(std::make_unique<CPropertySet>(&definition));

    // ... but any mark bit is collected.
    EXPECT_EQ(Names(Collect(root, kCollectMarked)), (std::vector<std::string>{"marked"}));
    EXPECT_EQ(Names(Collect(root, kCollectLinked | kCollectProps)),
              (std::vector<std::string>{"linked", "props"}));
    EXPECT_EQ(Names(Collect(root, kCollectCommented | kCollectCategorised)),
              (std::vector<std::string>{"commented", "categorised"}));
    EXPECT_EQ(Names(Collect(root, kCollectAll)),
              (std::vector<std::string>{"root", "disc", "d", "marked", "linked", "commented",
                                        "categorised", "props"}));
    EXPECT_TRUE(Collect(root, 0).empty());
    EXPECT_EQ(Names(Collect(*d, kCollectAll)), (std::vector<std::string>{"d", "marked", "linked"}));
}

TEST(Links, LinkingAFolderContinuesTheTargetAndClearingClearsTheSubtree) {
    SVolumeInfo disc;
    SFileInfo* photos = AddFolder(disc, "Photos");
    SFileInfo* y2002 = AddFolder(*photos, "2002");
    SFileInfo* img = AddFile(*y2002, "img.jpg");
    SFileInfo* top = AddFile(*photos, "index.html");

    SetLink(*photos, "D:\\Backup\\Photos", false);
    EXPECT_EQ(photos->Link(), "D:\\Backup\\Photos");
    EXPECT_EQ(photos->m_bLinkInherited, 0);
    EXPECT_EQ(img->Link(), "D:\\Backup\\Photos\\2002\\img.jpg");
    EXPECT_EQ(img->m_bLinkInherited, 1);
    EXPECT_EQ(top->Link(), "D:\\Backup\\Photos\\index.html");

    SetLink(*photos, "E:\\other", false); // already linked, not forced
    EXPECT_EQ(img->Link(), "D:\\Backup\\Photos\\2002\\img.jpg");

    SetLink(*photos, "", true);
    for (SFileInfo* r : {photos, y2002, img, top}) {
        EXPECT_EQ(r->Link(), "") << r->m_strName;
        EXPECT_EQ(r->m_bLinkInherited, 0) << r->m_strName;
    }

    // A file just takes the path; a target ending in a separator gets no second one.
    SetLink(*img, "/mnt/copy/img.jpg", false);
    EXPECT_EQ(img->Link(), "/mnt/copy/img.jpg");
    EXPECT_EQ(y2002->Link(), "");
    SetLinkTree(*photos, "/mnt/copy/", 0);
    EXPECT_EQ(top->Link(), "/mnt/copy/index.html");
}

TEST(Links, AListedArchiveStopsTheTree) {
    SVolumeInfo disc;
    SFileInfo* folder = AddFolder(disc, "f");
    SFileInfo* zip = AddFile(*folder, "a.zip");
    zip->m_dwFlags = kFlagListedArchive | kAttrDirectory;
    SArcFileInfo* entry = AddEntry(*zip, "in.txt");
    SetLink(*folder, "/copy", false);
    EXPECT_EQ(zip->Link(), "/copy\\a.zip");
    EXPECT_EQ(entry->Link(), "");
}
