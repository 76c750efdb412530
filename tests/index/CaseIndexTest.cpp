// The index of every case over real case files: adding folders and files, freshness
// after a case changes, is removed or appears, protected and broken cases, tree order
// of ties, a damaged index file, and two writers at once.
#include "index/CCaseIndex.h"
#include "index/CSqliteIndexStore.h"
#include "model/CCDCase.h"
#include "model/CaseFile.h"
#include "model/SArcFileInfo.h"
#include "model/SGroupInfo.h"
#include "model/SVolumeInfo.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <stop_token>
#include <thread>

using namespace quillora;
using quillora::test::ScratchDir;
namespace fs = std::filesystem;

namespace {

// A case of one medium `label` in an optional group, holding folder "Docs" with the
// given file names, and an archive "pack.zip" with one entry "inner.txt".
void WriteCase(const fs::path& path, const std::string& label,
               const std::vector<std::string>& names, const std::string& password = {},
               const std::string& group = {}) {
    CCDCase root;
    root.m_strPassword = password;
    SFileInfo* parent = &root;
    if (!group.empty()) {
        auto g = std::make_unique<SGroupInfo>();
        g->m_strLabel = group;
        parent = root.AddChild(std::move(g));
    }
    auto medium = std::make_unique<SVolumeInfo>();
    medium->m_strLabel = label;
    medium->m_dwSerial = 0x1234abcd;
    SFileInfo* disc = parent->AddChild(std::move(medium));
    auto docs = std::make_unique<SFileInfo>();
    docs->m_strName = "Docs";
    docs->m_dwFlags |= kAttrDirectory;
    SFileInfo* folder = disc->AddChild(std::move(docs));
    for (const std::string& name : names) {
        auto file = std::make_unique<SFileInfo>();
        file->m_strName = name;
        file->m_nSize = name.size();
        folder->AddChild(std::move(file));
    }
    auto zip = std::make_unique<SFileInfo>();
    zip->m_strName = "pack.zip";
    zip->m_dwFlags |= kAttrDirectory | kFlagListedArchive;
    SFileInfo* archive = disc->AddChild(std::move(zip));
    auto entry = std::make_unique<SArcFileInfo>();
    entry->m_strName = "inner.txt";
    archive->AddChild(std::move(entry));
    fs::create_directories(path.parent_path());
    SaveCaseFile(root, path.string(), false);
}

std::vector<std::string> Paths(const std::vector<SLocateHit>& hits) {
    std::vector<std::string> paths;
    for (const SLocateHit& h : hits) {
        paths.push_back(fs::path(h.m_strCase).filename().string() + ":" + h.m_strPath);
    }
    return paths;
}

class CaseIndexTest : public ::testing::Test {
protected:
    std::string IndexFolder() const { return (dir / "index").string(); }

    ScratchDir dir;
};

} // namespace

TEST_F(CaseIndexTest, FindsNamesFoldedAndPathsAsTreePrintsThem) {
    WriteCase(dir / "cases/a.cas", "Disc 1", {"ガイド.txt", "report.pdf", "Straße.doc"}, {},
              "Shelf");
    CCaseIndex index(IndexFolder());
    const SIndexChange added = index.Add({(dir / "cases").string()});
    EXPECT_EQ(added.m_nRead, 1u);
    EXPECT_TRUE(added.m_leftOut.empty());

    auto hits = index.Locate({"ｶﾞｲﾄﾞ"}, 0);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].m_strPath, "Shelf\\Disc 1\\Docs\\ガイド.txt");
    EXPECT_EQ(hits[0].m_strMedium, "Disc 1");
    EXPECT_EQ(hits[0].m_strCase, fs::canonical(dir / "cases/a.cas").string());
    EXPECT_EQ(hits[0].m_nSize, std::string("ガイド.txt").size());
    EXPECT_FALSE(hits[0].m_bPresent);
    EXPECT_EQ(Paths(index.Locate({"ＲＥＰＯＲＴ"}, 0)),
              std::vector<std::string>{"a.cas:Shelf\\Disc 1\\Docs\\report.pdf"});
    EXPECT_EQ(Paths(index.Locate({"STRASSE"}, 0)),
              std::vector<std::string>{"a.cas:Shelf\\Disc 1\\Docs\\Straße.doc"});
    // Archive entries are found; media and groups only name paths.
    hits = index.Locate({"inner"}, 0);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].m_class, RecordClass::ArcFile);
    EXPECT_TRUE(index.Locate({"Shelf"}, 0).empty());
    // A word with a separator matches the path, either separator.
    EXPECT_EQ(index.Locate({"disc 1/docs/"}, 0).size(), 3u);
    EXPECT_EQ(index.Locate({"disc 1\\docs\\", "pdf"}, 0).size(), 1u);
    EXPECT_TRUE(index.Locate({"docs/pack"}, 0).empty());
    // Short words are matched too (no trigram to narrow them).
    EXPECT_EQ(index.Locate({"t"}, 0).size(), 4u); // ガイド.txt, report.pdf, Straße.doc, inner.txt
}

TEST_F(CaseIndexTest, RanksAndBreaksTiesByCaseMediumAndTreeOrder) {
    WriteCase(dir / "cases/b.cas", "B", {"x report", "report", "zreport", "report.txt"});
    WriteCase(dir / "cases/a.cas", "A", {"misreport", "report"});
    CCaseIndex index(IndexFolder());
    index.Add({(dir / "cases").string()});
    EXPECT_EQ(Paths(index.Locate({"report"}, 0)),
              (std::vector<std::string>{"a.cas:A\\Docs\\report", "b.cas:B\\Docs\\report",
                                        "b.cas:B\\Docs\\report.txt", "b.cas:B\\Docs\\x report",
                                        "a.cas:A\\Docs\\misreport", "b.cas:B\\Docs\\zreport"}));
    // The limit keeps the best.
    EXPECT_EQ(Paths(index.Locate({"report"}, 2)),
              (std::vector<std::string>{"a.cas:A\\Docs\\report", "b.cas:B\\Docs\\report"}));
}

TEST_F(CaseIndexTest, NeverAnswersFromOldEntries) {
    const fs::path a = dir / "cases/a.cas";
    WriteCase(a, "Disc", {"old name.txt"});
    CCaseIndex index(IndexFolder());
    index.Add({(dir / "cases").string()});
    ASSERT_EQ(index.Locate({"old"}, 0).size(), 1u);

    // Changed behind the index's back: locate reads it again first.
    WriteCase(a, "Disc", {"new name.txt", "another.bin"});
    EXPECT_TRUE(index.Locate({"old"}, 0).empty());
    EXPECT_EQ(index.Locate({"new"}, 0).size(), 1u);

    // A new case below an added folder comes with update (not with an update told to
    // stop before it began); a gone one is dropped.
    WriteCase(dir / "cases/sub/b.cas", "Other", {"new too.txt"});
    EXPECT_EQ(index.Locate({"new"}, 0).size(), 1u);
    std::stop_source stop;
    stop.request_stop();
    EXPECT_EQ(index.Update(stop.get_token()).m_nRead, 0u);
    const SIndexChange updated = index.Update();
    EXPECT_EQ(updated.m_nRead, 1u);
    EXPECT_EQ(index.Locate({"new"}, 0).size(), 2u);
    fs::remove(a);
    EXPECT_EQ(Paths(index.Locate({"new"}, 0)),
              std::vector<std::string>{"b.cas:Other\\Docs\\new too.txt"});
    EXPECT_EQ(index.Status().m_nCases, 1u);

    // Removing the folder forgets its cases; an unknown path is reported.
    const SIndexChange removed =
        index.Remove({(dir / "cases").string(), (dir / "nowhere").string()});
    EXPECT_EQ(removed.m_nDropped, 1u);
    EXPECT_EQ(removed.m_missing.size(), 1u);
    EXPECT_TRUE(index.Locate({"new"}, 0).empty());
    EXPECT_TRUE(index.Status().m_folders.empty());
}

TEST_F(CaseIndexTest, ProtectedAndBrokenCasesAreListedAndLeftOut) {
    WriteCase(dir / "cases/open.cas", "Open", {"secret plans.txt"});
    WriteCase(dir / "cases/locked.cas", "Locked", {"secret plans.txt"}, "pw1234");
    std::ofstream(dir / "cases/broken.cas") << "not a case";
    WriteCase(dir / "cases/cut.cas", "Cut", {"secret plans.txt"});
    fs::resize_file(dir / "cases/cut.cas", fs::file_size(dir / "cases/cut.cas") - 10);
    CCaseIndex index(IndexFolder());
    const SIndexChange added = index.Add({(dir / "cases").string()});
    EXPECT_EQ(added.m_nRead, 4u);
    EXPECT_EQ(added.m_leftOut.size(), 3u);
    EXPECT_EQ(Paths(index.Locate({"secret"}, 0)),
              std::vector<std::string>{"open.cas:Open\\Docs\\secret plans.txt"});
    const SIndexStatus status = index.Status();
    EXPECT_EQ(status.m_nCases, 1u);
    ASSERT_EQ(status.m_leftOut.size(), 3u);
    for (const SIndexedCase& c : status.m_leftOut) {
        const std::string name = fs::path(c.m_strPath).filename().string();
        if (name == "locked.cas") {
            EXPECT_EQ(c.m_state, ECaseState::Protected);
        } else {
            EXPECT_EQ(c.m_state, ECaseState::Unreadable) << name;
            EXPECT_NE(c.m_strCause.find(name), std::string::npos) << c.m_strCause;
        }
    }
    EXPECT_GT(status.m_nBytesOnDisk, 0u);

    // A protected case taken from memory (opened with its password) stays out too.
    CCDCase root;
    root.m_strPassword = "pw1234";
    root.AddChild(std::make_unique<SVolumeInfo>())
        ->AddChild(std::make_unique<SFileInfo>())
        ->m_strName = "secret plans 2.txt";
    SaveCaseFile(root, (dir / "cases/locked.cas").string(), false);
    index.TakeOpenCase(root, (dir / "cases/locked.cas").string());
    EXPECT_EQ(index.Locate({"secret"}, 0).size(), 1u);
}

TEST_F(CaseIndexTest, ADamagedOrForeignIndexFileIsReportedAndRebuilt) {
    WriteCase(dir / "cases/a.cas", "Disc", {"keep me.txt"});
    {
        CCaseIndex index(IndexFolder());
        index.Add({(dir / "cases").string()});
    }
    const fs::path file = dir / "index" / CSqliteIndexStore::kFileName;
    // Garbage over the page of the cases table (the fourth page, as the tables are
    // made in order); the folders survive.
    {
        std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
        // The page size is the big-endian number at byte 16 of the header; 1 means 65536.
        unsigned char size[2] = {};
        f.seekg(16);
        f.read(reinterpret_cast<char*>(size), 2);
        const std::size_t pageSize =
            size[0] == 0 && size[1] == 1 ? 65536 : size[0] * 256u + size[1];
        ASSERT_GE(pageSize, 512u);
        f.seekp(static_cast<std::streamoff>(3 * pageSize));
        const std::string junk(pageSize, '\x5a');
        f.write(junk.data(), static_cast<std::streamsize>(junk.size()));
    }
    {
        CCaseIndex index(IndexFolder());
        auto hits = index.Locate({"keep"}, 0);
        EXPECT_EQ(hits.size(), 1u);
        EXPECT_FALSE(index.Problem().empty());
    }
    // Not a database at all.
    fs::remove(file.string() + "-wal");
    std::ofstream(file, std::ios::trunc) << std::string(10000, 'x');
    CCaseIndex rebuilt(IndexFolder());
    EXPECT_FALSE(rebuilt.Problem().empty());
    EXPECT_TRUE(fs::exists(file.string() + ".damaged"));
    // Its folders could not be read: the index is empty, not wrong.
    EXPECT_TRUE(rebuilt.Locate({"keep"}, 0).empty());
    rebuilt.Add({(dir / "cases").string()});
    EXPECT_EQ(rebuilt.Locate({"keep"}, 0).size(), 1u);
}

TEST_F(CaseIndexTest, AnIndexOfAnOlderFormatIsRebuiltNotMisread) {
    WriteCase(dir / "cases/a.cas", "Disc", {"keep me.txt"});
    {
        CCaseIndex index(IndexFolder());
        index.Add({(dir / "cases").string()});
    }
    // The format version is the big-endian user version at byte 60 of the header.
    const fs::path file = dir / "index" / CSqliteIndexStore::kFileName;
    {
        std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(60);
        const char older[4] = {0, 0, 0, 2};
        f.write(older, 4);
    }
    CCaseIndex index(IndexFolder());
    EXPECT_NE(index.Problem().find("another format version"), std::string::npos) << index.Problem();
    EXPECT_TRUE(fs::exists(file.string() + ".damaged"));
    // Rebuilt from the folders the old file named.
    EXPECT_EQ(index.Locate({"keep"}, 0).size(), 1u);
}

TEST_F(CaseIndexTest, TwoWritersAtOnceLoseNothing) {
    for (int i = 0; i < 8; ++i) {
        WriteCase(dir / ("one/" + std::to_string(i) + ".cas"), "One",
                  {"first " + std::to_string(i)});
        WriteCase(dir / ("two/" + std::to_string(i) + ".cas"), "Two",
                  {"second " + std::to_string(i)});
    }
    { CCaseIndex made(IndexFolder()); } // made before the writers race for it
    auto writer = [&](const std::string& folder) {
        CCaseIndex index(IndexFolder());
        for (int i = 0; i < 8; ++i) {
            index.Add({(dir / folder / (std::to_string(i) + ".cas")).string()});
        }
    };
    std::thread a(writer, "one");
    std::thread b(writer, "two");
    a.join();
    b.join();
    CCaseIndex index(IndexFolder());
    EXPECT_EQ(index.Locate({"first"}, 0).size(), 8u);
    EXPECT_EQ(index.Locate({"second"}, 0).size(), 8u);
    EXPECT_EQ(index.Status().m_nCases, 16u);
}
