// Archive expansion through real scans: which archives are listed under which
// options, how listings become trees, CRCs and comments of entries extracted to the
// work folder, and damaged archives that stay plain files.
#include "scan/ArchiveExpander.h"

#include "ArchiveTestData.h"
#include "ScanTestTools.h"
#include "hooks/ICommentExtractor.h"
#include "model/CCDCase.h"
#include "model/CaseEditing.h"
#include "model/CaseFile.h"
#include "model/SArcFileInfo.h"
#include "model/SGroupInfo.h"
#include "model/SVolumeInfo.h"
#include "model/StoredContents.h"
#include "platform/DirectoryReader.h"
#include "scan/ArchivePath.h"
#include "scan/ArchiverSet.h"
#include "scan/IScanProgress.h"
#include "scan/LhaWriter.h"
#include "scan/VolumeScanner.h"
#include "support/ScratchDir.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <stop_token>
#include <zlib.h>

using namespace quillora;
using quillora::test::Child;
using quillora::test::ScratchDir;
namespace fs = std::filesystem;

namespace {

constexpr std::time_t kStamp = 1600000000;

std::uint32_t ZlibCrc(std::string_view bytes) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> FilesBelow(const fs::path& folder) {
    std::vector<std::string> found;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        found.push_back(it->path().lexically_relative(folder).string());
    }
    return found;
}

class CProgressLog : public IScanProgress {
public:
    void Post(int code, const SFileInfo* record) override {
        m_events.emplace_back(code, record ? record->m_strName : std::string());
    }
    int Count(int code, const std::string& name) const {
        return static_cast<int>(
            std::count(m_events.begin(), m_events.end(), std::make_pair(code, name)));
    }
    std::vector<std::pair<int, std::string>> m_events;
};

// Comment extraction standing in for the extraction manager: the file's bytes.
class CFileText : public ICommentExtractor {
public:
    bool ExtractText(const std::string& osPath, SFileInfo&, std::string& text) override {
        m_paths.push_back(osPath);
        text = "text:" + quillora::test::ReadFileBytes(osPath);
        if (m_cancelAfter > 0 && static_cast<int>(m_paths.size()) == m_cancelAfter) {
            m_stop.request_stop();
        }
        return true;
    }
    std::vector<std::string> m_paths;
    int m_cancelAfter = 0;
    std::stop_source m_stop; // asked after m_cancelAfter texts
};

class ArchiveExpanderTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_set.LoadAll();
        SetExtractOptions(1, 1, 1, 1);
        m_archive.m_workFolder = (m_dir / "work").string();
    }
    void TearDown() override { m_set.UnloadAll(); }

    void SetExtractOptions(int all, int families, int exe, int enableExe) {
        SArchiveOptions& c = m_archive;
        c.m_all = all != 0;
        for (bool* family :
             {&c.m_lha, &c.m_zip, &c.m_cab, &c.m_tar, &c.m_arj, &c.m_rar, &c.m_ish, &c.m_gca}) {
            *family = families != 0;
        }
        c.m_exe = exe != 0;
        c.m_enableExe = enableExe != 0;
    }

    // Scans the folder "medium" with the expander as the scanner's lister.
    void Scan(SVolumeInfo& volume, SScanOptions options = {}) {
        options.m_archives = m_archive;
        CArchiveExpander expander(m_set);
        expander.SetProgress(&m_progress);
        expander.SetScanOptions(options);
        expander.SetCommentExtractor(m_text ? &m_text.value() : nullptr);
        CVolumeScanner scanner(options);
        scanner.SetProgress(&m_progress);
        scanner.SetArchiveLister(&expander);
        scanner.SetCommentExtractor(m_text ? &m_text.value() : nullptr);
        scanner.AddVolume(volume, Medium().string(), nullptr, nullptr);
    }

    fs::path Medium() const { return m_dir / "medium"; }
    fs::path Work() const { return m_dir / "work"; }

    void Tar(const std::string& name, const std::vector<quillora::test::SMember>& members,
             const std::string& filter = "") {
        fs::create_directories(Medium());
        quillora::test::WriteLibarchive(Medium() / name, "pax", filter, members);
    }

    CArchiverSet m_set;
    ScratchDir m_dir;
    CProgressLog m_progress;
    std::optional<CFileText> m_text;
    SArchiveOptions m_archive;
};

const SFileInfo* Node(const SFileInfo& folder, const std::string& name) {
    const SFileInfo* node = Child(folder, name);
    EXPECT_NE(node, nullptr) << name;
    return node;
}

bool IsArchiveNode(const SFileInfo* record, std::uint16_t type) {
    return record && record->m_dwFlags == 0x40000010u && record->m_wArcType == type;
}

} // namespace

TEST_F(ArchiveExpanderTest, ArchivesInSubfoldersAreKnownByTheirBytesWhoeverReadThem) {
    // Subfolders may be listed ahead by other threads, their archives' first bytes with
    // them; the result is the same as when the walk reads each file itself.
    for (int i = 0; i < 16; ++i) {
        const std::string sub = "sub" + std::to_string(i);
        fs::create_directories(Medium() / sub);
        quillora::test::WriteLibarchive(Medium() / sub / "a.zip", "zip", "",
                                        {{"z" + std::to_string(i), "zip", kStamp}});
        quillora::test::WriteLibarchive(Medium() / sub / "b.tar", "pax", "",
                                        {{"t" + std::to_string(i), "tar", kStamp}});
        m_dir.Write("medium/" + sub + "/fake.zip", "not a zip at all");
        m_dir.Write("medium/" + sub + "/plain.txt", "plain");
    }
    SVolumeInfo volume;
    Scan(volume);
    for (int i = 0; i < 16; ++i) {
        const SFileInfo* sub = Node(volume, "sub" + std::to_string(i));
        ASSERT_NE(sub, nullptr);
        const SFileInfo* zip = Node(*sub, "a.zip");
        ASSERT_TRUE(IsArchiveNode(zip, kArcZip)) << i;
        EXPECT_NE(Child(*zip, "z" + std::to_string(i)), nullptr);
        // A tar header's checksum covers its whole first block.
        const SFileInfo* tar = Node(*sub, "b.tar");
        ASSERT_TRUE(IsArchiveNode(tar, kArcTar)) << i;
        EXPECT_NE(Child(*tar, "t" + std::to_string(i)), nullptr);
        const SFileInfo* fake = Node(*sub, "fake.zip");
        ASSERT_NE(fake, nullptr);
        EXPECT_EQ(fake->m_wArcType, 0) << i;
        EXPECT_EQ(fake->ChildCount(), 0u);
    }
}

TEST_F(ArchiveExpanderTest, EveryFamilyIsListedWithItsTypeAndTheScanGoesOn) {
    using quillora::test::SMember;
    fs::create_directories(Medium());
    quillora::test::WriteLibarchive(Medium() / "a.zip", "zip", "", {{"z.txt", "zip", kStamp}});
    Tar("b.tar", {{"t.txt", "tar", kStamp}});
    Tar("c.tgz", {{"g.txt", "tgz", kStamp}}, "gzip");
    quillora::test::WriteRawCompressed(Medium() / "notes.txt.gz", "gzip", "bare gzip");
    WriteBytes(Medium() / "e.rar",
               quillora::test::Rar4Stored({{"r.txt", "rar"}},
                                          quillora::test::DosDateTime(2010, 1, 2, 3, 4, 6)));
    {
        CLhaWriter lha;
        std::string error;
        ASSERT_TRUE(lha.Open(Medium() / "f.lzh", error) &&
                    lha.AddMember("l.txt", std::string_view("lha data"), kStamp, 0644, error) &&
                    lha.Finish(error))
            << error;
    }
    m_dir.Write("cab/k.txt", "cab");
    ASSERT_EQ(quillora::test::RunTool({"gcab", "-c", (Medium() / "g.cab").string(), "k.txt"},
                                      m_dir / "cab"),
              0);
    const bool haveArj = m_set.Arj().IsLoaded();
    if (haveArj) {
        m_dir.Write("arj/j.txt", "arj");
        ASSERT_EQ(quillora::test::RunTool({"arj", "a", (Medium() / "h.arj").string(), "j.txt"},
                                          m_dir / "arj"),
                  0);
    }
    m_dir.Write("medium/plain.txt", "plain");

    SVolumeInfo volume;
    Scan(volume);

    const std::vector<std::tuple<std::string, std::uint16_t, std::string>> expected = {
        {"a.zip", kArcZip, "z.txt"}, {"b.tar", kArcTar, "t.txt"},
        {"c.tgz", kArcTar, "g.txt"}, {"notes.txt.gz", kArcTar, "notes.txt"},
        {"e.rar", kArcRar, "r.txt"}, {"f.lzh", kArcLha, "l.txt"},
        {"g.cab", kArcCab, "k.txt"},
    };
    for (const auto& [name, type, entry] : expected) {
        const SFileInfo* node = Node(volume, name);
        ASSERT_TRUE(IsArchiveNode(node, type)) << name;
        // The node keeps the archive file's own size; its entries are records below it.
        EXPECT_EQ(node->m_nSize, fs::file_size(Medium() / name)) << name;
        const SFileInfo* item = Child(*node, entry);
        ASSERT_NE(item, nullptr) << name;
        EXPECT_EQ(item->Class(), RecordClass::ArcFile);
        EXPECT_TRUE(item->m_dwFlags & kFlagArcEntry);
        EXPECT_EQ(m_progress.Count(kScanProgressRecord, name), 1) << name;
        EXPECT_EQ(m_progress.Count(kScanProgressRecord, entry), 1) << name;
    }
    if (haveArj) {
        EXPECT_TRUE(IsArchiveNode(Node(volume, "h.arj"), kArcArj));
    }
    const SFileInfo* plain = Node(volume, "plain.txt");
    EXPECT_EQ(plain->m_wArcType, 0);
    const auto* zipEntry =
        static_cast<const SArcFileInfo*>(Child(*Child(volume, "a.zip"), "z.txt"));
    EXPECT_EQ(zipEntry->m_nSize, 3u);
    EXPECT_EQ(zipEntry->m_strArcText, "");
}

TEST_F(ArchiveExpanderTest, OptionsDecideWhichFamiliesAreListed) {
    Tar("archive.tar.gz", {{"x.txt", "x", kStamp}}, "gzip");
    struct SCase {
        int all, families;
        bool listed;
    };
    for (const SCase& c : {SCase{0, 1, true}, SCase{1, 0, true}, SCase{0, 0, false}}) {
        SetExtractOptions(c.all, c.families, 1, 1);
        SVolumeInfo volume;
        Scan(volume);
        const SFileInfo* record = Node(volume, "archive.tar.gz");
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(IsArchiveNode(record, kArcTar), c.listed) << c.all << c.families;
        EXPECT_EQ(record->ChildCount(), c.listed ? 1u : 0u);
        if (!c.listed) {
            EXPECT_EQ(record->m_dwFlags & 0xC0000000u, 0u);
        }
    }
}

TEST_F(ArchiveExpanderTest, ExeFilesOnlyWithBothExeKeys) {
    m_dir.Write("src/readme.txt", "read me");
    ASSERT_EQ(quillora::test::RunTool({"zip", "-q", "../plain.zip", "readme.txt"}, m_dir / "src"),
              0);
    WriteBytes(Medium() / "setup.exe", "MZ" + std::string(4094, '\x90') +
                                           quillora::test::ReadFileBytes(m_dir / "plain.zip"));
    ASSERT_EQ(quillora::test::RunTool({"zip", "-q", "-A", "setup.exe"}, Medium()), 0);
    WriteBytes(Medium() / "rarsfx.exe",
               "MZ" + std::string(0x10000 - 2, '\0') +
                   quillora::test::Rar4Stored({{"r.txt", "rar"}},
                                              quillora::test::DosDateTime(2011, 1, 1, 0, 0, 0)));
    WriteBytes(Medium() / "program.exe", "MZ" + std::string(10000, '\x90'));

    struct SCase {
        int all, exe, enableExe;
        bool listed;
    };
    for (const SCase& c : {SCase{1, 1, 1, true}, SCase{1, 0, 1, false}, SCase{1, 1, 0, false},
                           SCase{0, 1, 1, true}}) {
        SetExtractOptions(c.all, 1, c.exe, c.enableExe);
        SVolumeInfo volume;
        Scan(volume);
        EXPECT_EQ(IsArchiveNode(Node(volume, "setup.exe"), kArcZip), c.listed)
            << c.all << c.exe << c.enableExe;
        EXPECT_EQ(IsArchiveNode(Node(volume, "rarsfx.exe"), kArcRar), c.listed);
        EXPECT_EQ(Node(volume, "program.exe")->m_wArcType, 0);
    }
    // Only the families whose key is on are tried.
    SetExtractOptions(0, 0, 1, 1);
    m_archive.m_rar = true;
    SVolumeInfo volume;
    Scan(volume);
    EXPECT_EQ(Node(volume, "setup.exe")->m_wArcType, 0);
    EXPECT_TRUE(IsArchiveNode(Node(volume, "rarsfx.exe"), kArcRar));
}

TEST_F(ArchiveExpanderTest, ParentReferencesGetPlaceholdersAndKeepTheirText) {
    Tar("up.tar", {{"../a.txt", "alpha", kStamp}, {"b.txt", "bravo", kStamp}});
    SVolumeInfo volume;
    Scan(volume);
    const SFileInfo* node = Node(volume, "up.tar");
    ASSERT_TRUE(IsArchiveNode(node, kArcTar));
    ASSERT_EQ(node->ChildCount(), 2u);
    const SFileInfo* parent = node->ChildAt(0);
    EXPECT_EQ(parent->m_strName, "Parent");
    EXPECT_EQ(parent->m_dwFlags, 0xC0100010u);
    const auto* b = static_cast<const SArcFileInfo*>(Child(*parent, "b.txt"));
    const auto* a = static_cast<const SArcFileInfo*>(Child(*node, "a.txt"));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->m_strArcText, "../");
    EXPECT_EQ(b->m_strArcText, "");
    EXPECT_EQ(CArchiveExpander::PathInArchive(*a), "../a.txt");
    EXPECT_EQ(CArchiveExpander::PathInArchive(*b), "b.txt");
    EXPECT_EQ(CArchiveExpander::EnclosingArchive(*b), node);
    EXPECT_EQ(CArchiveExpander::EnclosingArchive(*node), node);
    EXPECT_EQ(CArchiveExpander::EnclosingArchive(volume), nullptr);
    EXPECT_EQ(CArchiveExpander::PathInArchive(*node), "");

    // The entry above the archive's root is extracted inside the work folder all the same.
    CArchiveExpander expander(m_set);
    expander.SetArchiveOptions(m_archive);
    EXPECT_EQ(expander.ArchiveEntryCrc(*a), ZlibCrc("alpha"));
    EXPECT_EQ(expander.ArchiveEntryCrc(*b), ZlibCrc("bravo"));
    EXPECT_TRUE(FilesBelow(Work()).empty());
}

TEST_F(ArchiveExpanderTest, FoldersAreMadeOnceAndImpliedFoldersSumTheirChildren) {
    Tar("tree.tar", {{"dir/sub/", "", kStamp, 'd'},
                     {"dir/sub/f.txt", "ffff", kStamp},
                     {"Dir/sub/g.txt", "gg", kStamp},
                     {"x/y/z.txt", "zzz", kStamp},
                     {"./dot.txt", "d", kStamp}});
    SVolumeInfo volume;
    Scan(volume);
    const SFileInfo* node = Node(volume, "tree.tar");
    ASSERT_TRUE(IsArchiveNode(node, kArcTar));
    EXPECT_EQ(node->CountFolders(false), 2u);
    const SFileInfo* dir = Node(*node, "dir");
    ASSERT_EQ(dir->ChildCount(), 1u);
    const SFileInfo* sub = dir->ChildAt(0);
    EXPECT_EQ(sub->m_strName, "sub");
    ASSERT_EQ(sub->ChildCount(), 2u);
    EXPECT_EQ(sub->ChildAt(0)->m_strName, "f.txt");
    EXPECT_EQ(sub->ChildAt(1)->m_strName, "g.txt");
    // Implied folders: only the attribute word and the name.
    const SFileInfo* x = Node(*node, "x");
    EXPECT_EQ(x->m_dwFlags, 0xC0000010u);
    EXPECT_EQ(x->m_ftLastWrite, 0u);
    EXPECT_EQ(x->m_nSize, 3u);
    EXPECT_EQ(dir->m_nSize, 6u);
    EXPECT_EQ(node->m_nSize, fs::file_size(Medium() / "tree.tar"));
    const auto* dot = static_cast<const SArcFileInfo*>(Child(*node, "dot.txt"));
    ASSERT_NE(dot, nullptr);
    EXPECT_EQ(CArchiveExpander::PathInArchive(*dot), "./dot.txt");
    EXPECT_EQ(CArchiveExpander::PathInArchive(*sub->ChildAt(1)), "dir\\sub\\g.txt");
}

TEST_F(ArchiveExpanderTest, WithoutArchiversNoArchiveNodeIsEverMade) {
    Tar("b.tar", {{"t.txt", "tar", kStamp}});
    quillora::test::WriteLibarchive(Medium() / "a.zip", "zip", "", {{"z.txt", "zip", kStamp}});
    m_set.UnloadAll();
    SVolumeInfo volume;
    Scan(volume);
    ASSERT_EQ(volume.ChildCount(), 2u);
    for (const auto& child : volume.Children()) {
        EXPECT_EQ(child->m_wArcType, 0);
        EXPECT_EQ(child->ChildCount(), 0u);
        EXPECT_EQ(child->m_dwFlags & kFlagListedArchive, 0u);
    }
}

TEST_F(ArchiveExpanderTest, DamagedArchivesStayPlainFilesAndTheScanGoesOn) {
    using quillora::test::SMember;
    const std::string body(20000, 'q');
    fs::path src = m_dir / "good";
    fs::create_directories(src);
    quillora::test::WriteLibarchive(src / "a.zip", "zip", "", {{"z.txt", body, kStamp}});
    quillora::test::WriteLibarchive(src / "b.tar", "pax", "", {{"t.txt", body, kStamp}});
    quillora::test::WriteLibarchive(src / "c.tgz", "pax", "gzip", {{"g.txt", body, kStamp}});
    WriteBytes(src / "e.rar",
               quillora::test::Rar4Stored({{"r.txt", body}},
                                          quillora::test::DosDateTime(2010, 1, 2, 3, 4, 6)));
    {
        CLhaWriter lha;
        std::string error;
        ASSERT_TRUE(lha.Open(src / "f.lzh", error) &&
                    lha.AddMember("l.txt", std::string_view(body), kStamp, 0644, error) &&
                    lha.Finish(error));
    }
    m_dir.Write("cab/k.txt", body);
    ASSERT_EQ(
        quillora::test::RunTool({"gcab", "-c", (src / "g.cab").string(), "k.txt"}, m_dir / "cab"),
        0);
    std::vector<std::string> names = {"a.zip", "b.tar", "c.tgz", "e.rar", "f.lzh", "g.cab"};
    if (m_set.Arj().IsLoaded()) {
        m_dir.Write("arj/j.txt", body);
        ASSERT_EQ(
            quillora::test::RunTool({"arj", "a", (src / "h.arj").string(), "j.txt"}, m_dir / "arj"),
            0);
        names.push_back("h.arj");
    }
    fs::create_directories(Medium());
    for (const std::string& name : names) {
        std::string bytes = quillora::test::ReadFileBytes(src / name);
        // Cut in the middle, and the header alone overwritten with garbage. A cabinet
        // keeps its whole directory in front of the data, and a cabinet cut only in
        // its data is still listed (its entries then fail to extract): it is cut
        // inside the directory.
        const std::size_t keep = name == "g.cab" ? 50 : bytes.size() / 2;
        WriteBytes(Medium() / ("cut-" + name), bytes.substr(0, keep));
        std::string garbled = bytes;
        for (std::size_t i = 0; i < std::min<std::size_t>(64, garbled.size()); ++i) {
            garbled[i] = static_cast<char>(0xA5 ^ i);
        }
        WriteBytes(Medium() / ("bad-" + name), garbled);
    }
    m_dir.Write("medium/zz-after.txt", "after");

    SVolumeInfo volume;
    Scan(volume);
    for (const std::string& name : names) {
        for (const std::string prefix : {"cut-", "bad-"}) {
            const SFileInfo* record = Node(volume, prefix + name);
            ASSERT_NE(record, nullptr);
            EXPECT_EQ(record->m_wArcType, 0) << prefix << name;
            EXPECT_EQ(record->ChildCount(), 0u) << prefix << name;
        }
    }
    EXPECT_NE(Child(volume, "zz-after.txt"), nullptr);
    EXPECT_EQ(volume.ChildCount(), names.size() * 2 + 1);
}

TEST_F(ArchiveExpanderTest, EntryCrcsAfterListingWithoutLeftovers) {
    Tar("sums.tgz",
        {{"../up.txt", "up", kStamp}, {"d/e.txt", "echo", kStamp}, {"empty", "", kStamp}}, "gzip");
    quillora::test::WriteLibarchive(Medium() / "z.zip", "zip", "",
                                    {{"q/w.txt", "whiskey", kStamp}});
    // A file of the user's in the work folder under an entry's name stays as it is.
    m_dir.Write("work/d/e.txt", "mine");
    SScanOptions options;
    options.m_addVolArcCrc = true;
    SVolumeInfo volume;
    Scan(volume, options);
    const SFileInfo* node = Node(volume, "sums.tgz");
    ASSERT_TRUE(IsArchiveNode(node, kArcTar));
    const SFileInfo* up = Child(*node, "up.txt");
    const SFileInfo* parent = Child(*node, "Parent");
    ASSERT_NE(up, nullptr);
    ASSERT_NE(parent, nullptr);
    const SFileInfo* e = Child(*Node(*parent, "d"), "e.txt");
    const SFileInfo* empty = Child(*parent, "empty");
    ASSERT_NE(e, nullptr);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(up->m_dwExtValue, ZlibCrc("up"));
    EXPECT_TRUE(up->m_wExtFlags & kExtFlagCrc);
    EXPECT_EQ(e->m_dwExtValue, ZlibCrc("echo"));
    EXPECT_EQ(empty->m_dwExtValue, 0u);
    EXPECT_FALSE(empty->m_wExtFlags & kExtFlagCrc);
    const SFileInfo* w = Child(*Node(*Node(volume, "z.zip"), "q"), "w.txt");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->m_dwExtValue, ZlibCrc("whiskey"));
    // The CRCs were read in the listing pass: no entry was extracted on its own.
    EXPECT_EQ(m_progress.Count(kScanProgressCrc, "e.txt"), 0);
    EXPECT_EQ(m_progress.Count(kScanProgressCrc, "sums.tgz"), 1);
    // The archive file itself has no CRC without "AddVolCRC".
    EXPECT_EQ(node->m_dwExtValue, 0u);
    EXPECT_EQ(quillora::test::ReadFileBytes(Work() / "d" / "e.txt"), "mine");
    EXPECT_EQ(FilesBelow(Work()), std::vector<std::string>({"d", "d/e.txt"}));

    // With "AddVolCRC" the archive file gets its own CRC as a plain file would.
    options.m_addVolCrc = true;
    options.m_addVolArcCrc = false;
    SVolumeInfo again;
    Scan(again, options);
    EXPECT_EQ(Node(again, "sums.tgz")->m_dwExtValue,
              ZlibCrc(quillora::test::ReadFileBytes(Medium() / "sums.tgz")));
}

TEST_F(ArchiveExpanderTest, EntryCommentsAreExtractedInOneBatchPerArchive) {
    Tar("docs.tar", {{"a.txt", "alpha", kStamp},
                     {"sub/b.txt", "bravo", kStamp},
                     {"../c.txt", "charlie", kStamp},
                     {"pic.bin", "binary", kStamp}});
    m_text.emplace();
    SScanOptions options;
    options.m_meltAutoComment = true;
    SVolumeInfo volume;
    Scan(volume, options);
    const SFileInfo* node = Node(volume, "docs.tar");
    ASSERT_TRUE(IsArchiveNode(node, kArcTar));
    const SFileInfo* parent = Child(*node, "Parent");
    ASSERT_NE(parent, nullptr);
    EXPECT_EQ(Child(*parent, "a.txt")->Comment(), "text:alpha");
    EXPECT_EQ(Child(*Child(*parent, "sub"), "b.txt")->Comment(), "text:bravo");
    EXPECT_EQ(Child(*node, "c.txt")->Comment(), "text:charlie");
    EXPECT_EQ(node->Comment(), "");
    EXPECT_EQ(m_text->m_paths.size(), 4u);
    EXPECT_EQ(m_progress.Count(kScanProgressArcExtract, "docs.tar"), 1);
    EXPECT_EQ(m_progress.Count(kScanProgressArcComment, "a.txt"), 1);
    EXPECT_TRUE(FilesBelow(Work()).empty());
    // The events come in order: the batch, then one per entry.
    auto batch = std::find(m_progress.m_events.begin(), m_progress.m_events.end(),
                           std::make_pair(kScanProgressArcExtract, std::string("docs.tar")));
    auto first = std::find(m_progress.m_events.begin(), m_progress.m_events.end(),
                           std::make_pair(kScanProgressArcComment, std::string("a.txt")));
    EXPECT_LT(batch, first);
}

TEST_F(ArchiveExpanderTest, AnArchiveWithItsOwnCommentGetsNoEntryComments) {
    Tar("docs.tar", {{"a.txt", "alpha", kStamp}});
    m_text.emplace();
    SScanOptions options;
    options.m_autoComment = true;
    options.m_meltAutoComment = true;
    SVolumeInfo volume;
    Scan(volume, options);
    const SFileInfo* node = Node(volume, "docs.tar");
    ASSERT_TRUE(IsArchiveNode(node, kArcTar));
    EXPECT_EQ(node->Comment().rfind("text:", 0), 0u);
    EXPECT_EQ(Child(*node, "a.txt")->Comment(), "");
    EXPECT_EQ(m_progress.Count(kScanProgressArcExtract, "docs.tar"), 0);
}

TEST_F(ArchiveExpanderTest, CommentBatchesFilterStopOnCancelAndAlwaysClearUp) {
    Tar("docs.tar", {{"a.txt", "alpha", kStamp},
                     {"b.txt", "bravo", kStamp},
                     {"c.dat", "charlie", kStamp},
                     {"d.txt", "delta", kStamp}});
    SVolumeInfo volume;
    Scan(volume);
    SFileInfo* node = volume.ChildAt(0);
    ASSERT_TRUE(IsArchiveNode(node, kArcTar));

    CFileText text;
    text.m_cancelAfter = 2;
    CArchiveExpander expander(m_set);
    expander.SetArchiveOptions(m_archive);
    CProgressLog progress;
    expander.SetProgress(&progress);
    expander.SetCommentExtractor(&text);
    expander.SetCommentFilter([](const SFileInfo& r) { return r.Extension() == ".txt"; });
    // Slot 1 (the category), without cancel checks first for a single entry.
    EXPECT_TRUE(expander.ExtractArchiveComments(*node->ChildAt(2), 1, false, false, {}));
    EXPECT_TRUE(text.m_paths.empty()); // c.dat has no extractor
    EXPECT_TRUE(expander.ExtractArchiveComments(*node->ChildAt(0), 1, false, false, {}));
    EXPECT_EQ(node->ChildAt(0)->Category(), "text:alpha");
    text.m_paths.clear();

    // The whole archive with cancel checks: stopped after the second text.
    node->ChildAt(0)->SetCategory("");
    EXPECT_FALSE(expander.ExtractArchiveComments(*node, 1, false, true, text.m_stop.get_token()));
    EXPECT_EQ(text.m_paths.size(), 2u);
    EXPECT_EQ(node->ChildAt(1)->Category(), "text:bravo");
    EXPECT_EQ(node->ChildAt(3)->Category(), "");
    EXPECT_TRUE(FilesBelow(Work()).empty());
    text.m_stop = std::stop_source();

    // Overwrite replaces texts that are there; without it they are kept.
    node->ChildAt(0)->SetCategory("mine");
    text.m_cancelAfter = 0;
    EXPECT_TRUE(expander.ExtractArchiveComments(*node, 1, false, true, text.m_stop.get_token()));
    EXPECT_EQ(node->ChildAt(0)->Category(), "mine");
    EXPECT_EQ(node->ChildAt(3)->Category(), "text:delta");
    EXPECT_TRUE(expander.ExtractArchiveComments(*node, 1, true, true, text.m_stop.get_token()));
    EXPECT_EQ(node->ChildAt(0)->Category(), "text:alpha");
    EXPECT_TRUE(FilesBelow(Work()).empty());
}

TEST_F(ArchiveExpanderTest, ExtractEntriesFollowsTheFamilyOptionAndMakesTheWorkFolder) {
    Tar("b.tar", {{"s/t.txt", "tango", kStamp}});
    SVolumeInfo volume;
    Scan(volume);
    const SFileInfo* node = Node(volume, "b.tar");
    ASSERT_TRUE(IsArchiveNode(node, kArcTar));
    CArchiveExpander expander(m_set);
    expander.SetArchiveOptions(m_archive);
    const std::string work = (m_dir / "fresh").string() + "/";
    ASSERT_TRUE(expander.ExtractEntries(*node, work, {"s\\t.txt"}, true));
    EXPECT_EQ(quillora::test::ReadFileBytes(m_dir / "fresh" / "s" / "t.txt"), "tango");
    m_dir.Write("fresh/s/keep.txt", "keep");
    EXPECT_TRUE(CArchiveExpander::RemoveExtracted(work, "s\\t.txt"));
    EXPECT_TRUE(fs::exists(m_dir / "fresh" / "s" / "keep.txt"));
    EXPECT_FALSE(CArchiveExpander::RemoveExtracted(work, "s\\t.txt"));
    fs::remove(m_dir / "fresh" / "s" / "keep.txt");
    ASSERT_TRUE(expander.ExtractEntries(*node, work, {}, true));
    EXPECT_TRUE(CArchiveExpander::RemoveExtracted(work, "s/t.txt"));
    EXPECT_TRUE(FilesBelow(m_dir / "fresh").empty());
    EXPECT_TRUE(fs::exists(m_dir / "fresh"));

    SetExtractOptions(0, 1, 1, 1);
    m_archive.m_tar = false;
    expander.SetArchiveOptions(m_archive);
    EXPECT_FALSE(expander.ExtractEntries(*node, work, {"s\\t.txt"}, true));
    EXPECT_EQ(expander.AdapterForType(kArcTar), nullptr);
    EXPECT_EQ(expander.AdapterForType(9), nullptr);
    // A work folder two levels below a missing one cannot be made.
    SetExtractOptions(1, 1, 1, 1);
    expander.SetArchiveOptions(m_archive);
    EXPECT_FALSE(
        expander.ExtractEntries(*node, (m_dir / "no" / "such").string() + "/", {"s\\t.txt"}, true));
}

TEST_F(ArchiveExpanderTest, StoredContentsLoadFromInsideAnArchive) {
    fs::create_directories(Medium());
    quillora::test::WriteLibarchive(Medium() / "a.zip", "zip", "",
                                    {{"in/side.bin", std::string(70000, 's'), kStamp}});
    SVolumeInfo volume;
    Scan(volume);
    ASSERT_TRUE(IsArchiveNode(Node(volume, "a.zip"), kArcZip));
    SFileInfo* entry = volume.ChildAt(0)->ChildAt(0)->ChildAt(0);
    ASSERT_EQ(entry->m_strName, "side.bin");
    CArchiveExpander expander(m_set);
    expander.SetArchiveOptions(m_archive);
    SetArchiveEntryExtractor(&expander);
    std::string error;
    const bool loaded = LoadStoredContents(*entry, m_archive.m_workFolder, &error);
    SetArchiveEntryExtractor(nullptr);
    ASSERT_TRUE(loaded) << error;
    EXPECT_EQ(entry->DataLen(), 70000u);
    EXPECT_TRUE(FilesBelow(Work()).empty());

    // An entry the archive does not hold fails with a reason.
    entry->m_strName = "gone.bin";
    SetArchiveEntryExtractor(&expander);
    EXPECT_FALSE(LoadStoredContents(*entry, m_archive.m_workFolder, &error));
    SetArchiveEntryExtractor(nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(FilesBelow(Work()).empty());
}

TEST(ArchiveExpanderDepth, ArchivesThatWouldNestTooDeepForACaseAreNotListed) {
    // A case whose deepest folder leaves room for exactly four more levels.
    CCDCase root;
    SFileInfo* folder = root.AddChild(std::make_unique<SVolumeInfo>());
    std::size_t depth = 2; // the case and the medium
    while (depth < 4090) {
        auto next = std::make_unique<SFileInfo>();
        next->m_strName = "d";
        next->m_dwFlags = kAttrDirectory;
        folder = folder->AddChild(std::move(next));
        ++depth;
    }
    EXPECT_TRUE(CArchiveExpander::FitsInCase(*folder, 4));
    EXPECT_FALSE(CArchiveExpander::FitsInCase(*folder, 5));
    // The deepest tree allowed is one a case file can hold, even inside a group.
    for (int level = 0; level < 4; ++level) {
        auto next = std::make_unique<SArcFileInfo>();
        next->m_strName = "e";
        next->m_dwFlags = level < 3 ? 0xC0000010u : 0x80000020u;
        folder = folder->AddChild(std::move(next));
    }
    auto group = std::make_unique<SGroupInfo>();
    group->AddChild(root.DetachChild(root.ChildAt(0)));
    root.AddChild(std::move(group));
    ScratchDir dir;
    const std::string path = (dir / "deep.cas").string();
    SaveCaseFile(root, path, false);
    std::string error;
    EXPECT_NE(ReadCaseFile(path, "", nullptr, &error), nullptr) << error;
}

namespace {

// An adapter that lists what the test says, standing in for an archive with
// hostile names.
class CListedNames : public CArchiver {
public:
    explicit CListedNames(std::vector<std::string> names)
        : CArchiver(kArcIdTar, false, "names", {"TAR"}), m_names(std::move(names)) {}

protected:
    bool LoadModule(const std::string&, const std::string&, std::string& module) override {
        module = "names";
        return true;
    }
    bool ListArchive(const std::string&, std::vector<SArcListEntry>& out,
                     const CArcCrcChoice*) override {
        for (const std::string& name : m_names) {
            SArcListEntry entry;
            entry.m_dwAttributes = name.ends_with('/') ? kArcAttrDirectory : kArcAttrArchive;
            AddListed(out, entry, name);
        }
        return true;
    }

private:
    std::vector<std::string> m_names;
};

} // namespace

TEST(ArchiveExpanderNames, HostileListedPathsStayInsideTheArchiveNode) {
    ScratchDir dir;
    SVolumeInfo volume;
    volume.m_strRoot = dir.Path().string();
    CListedNames names({"/etc/passwd", "a/../../b.txt", "../", "./../c.txt", "../../d.txt", "..",
                        "x//y\\z.txt", "./", "", "e/./f.txt", "\\\\server\\share\\g"});
    ASSERT_TRUE(names.Load());
    CArchiverSet set;
    CArchiveExpander expander(set);
    SDirEntry entry;
    entry.m_name = entry.m_osName = "evil.tar";
    entry.m_attributes = 0x20;
    ASSERT_TRUE(expander.ExtractArc(names, volume, entry, kArcTar));
    ASSERT_EQ(volume.ChildCount(), 1u);
    const SFileInfo& node = *volume.ChildAt(0);
    // Two leading references at most: two placeholders, every entry somewhere below.
    const SFileInfo* parent = Child(node, "Parent");
    ASSERT_NE(parent, nullptr);
    EXPECT_NE(Child(*parent, "Parent"), nullptr);
    EXPECT_NE(Child(node, "d.txt"), nullptr);
    EXPECT_NE(Child(*parent, "c.txt"), nullptr);
    std::size_t files = 0;
    std::vector<const SFileInfo*> pending{&node};
    while (!pending.empty()) {
        const SFileInfo* r = pending.back();
        pending.pop_back();
        for (const auto& child : r->Children()) {
            pending.push_back(child.get());
            EXPECT_EQ(CArchiveExpander::EnclosingArchive(*child), &node);
            if (!child->IsDirectory()) {
                ++files;
                // Wherever a path would be extracted, it is below the work folder.
                auto target = ExtractedPath("/w", CArchiveExpander::PathInArchive(*child), true);
                EXPECT_TRUE(!target || target->string().rfind("/w/", 0) == 0)
                    << CArchiveExpander::PathInArchive(*child);
            }
        }
    }
    EXPECT_EQ(files, 8u);
}

TEST_F(ArchiveExpanderTest, EachScanBringsItsOptionsAndItsProgressSink) {
    Tar("a.tar", {{"d/one.txt", "one", kStamp}, {"two.txt", "two", kStamp}});
    // One expander for the whole session, as the desktop program keeps it; the options
    // change between scans and progress goes to the sink of the scan that runs.
    CArchiveExpander expander(m_set);
    expander.SetArchiveOptions(m_archive);
    for (bool crc : {false, true}) {
        SScanOptions options;
        options.m_archives = m_archive;
        options.m_addVolArcCrc = crc;
        options.m_addVolCrc = crc;
        CProgressLog sink;
        CVolumeScanner scanner(options);
        scanner.SetProgress(&sink);
        scanner.SetArchiveLister(&expander);
        SVolumeInfo volume;
        scanner.AddVolume(volume, Medium().string(), nullptr, nullptr);
        const SFileInfo* two = Child(*Node(volume, "a.tar"), "two.txt");
        ASSERT_NE(two, nullptr);
        EXPECT_EQ((two->m_wExtFlags & kExtFlagCrc) != 0, crc);
        EXPECT_EQ(two->m_dwExtValue, crc ? ZlibCrc("two") : 0u);
        // The archive file itself is registered under the scan's "AddVolCRC" too.
        EXPECT_EQ(Node(volume, "a.tar")->m_dwExtValue,
                  crc ? ZlibCrc(quillora::test::ReadFileBytes(Medium() / "a.tar")) : 0u);
        // Listing progress (code 1 for the node, its folders and first-level entries).
        EXPECT_EQ(sink.Count(kScanProgressRecord, "a.tar"), 1);
        EXPECT_EQ(sink.Count(kScanProgressRecord, "d"), 1);
        EXPECT_EQ(sink.Count(kScanProgressRecord, "two.txt"), 1);
    }
}

TEST_F(ArchiveExpanderTest, FilesNamedLikeArchivesButHoldingOtherBytesStayPlainFiles) {
    fs::create_directories(Medium());
    for (const char* name : {"a.zip", "b.lzh", "c.tgz", "d.cab", "e.rar", "f.arj", "g.exe"}) {
        WriteBytes(Medium() / name, std::string(5000, '\0'));
    }
    Tar("real.tar", {{"x.txt", "x", kStamp}});
    SVolumeInfo volume;
    Scan(volume);
    for (const char* name : {"a.zip", "b.lzh", "c.tgz", "d.cab", "e.rar", "f.arj", "g.exe"}) {
        const SFileInfo* file = Node(volume, name);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(file->m_wArcType, 0) << name;
        EXPECT_EQ(file->m_nSize, 5000u) << name;
    }
    EXPECT_TRUE(IsArchiveNode(Node(volume, "real.tar"), kArcTar));
}

TEST_F(ArchiveExpanderTest, OneExpanderForTheWholeRunReadsTheOptionsOfEachScan) {
    // The program keeps one expander from start-up on: a scan after the options
    // changed must see the new ones.
    Tar("docs.tar", {{"a.txt", "alpha", kStamp}});
    CArchiveExpander expander(m_set);
    expander.SetArchiveOptions(m_archive);
    SScanOptions options;
    options.m_archives = m_archive;
    auto scan = [&] {
        SVolumeInfo volume;
        CVolumeScanner scanner(options);
        scanner.SetArchiveLister(&expander);
        scanner.AddVolume(volume, Medium().string(), nullptr, nullptr);
        const SFileInfo* node = Node(volume, "docs.tar");
        return node ? node->m_dwExtValue : 0xFFFFFFFFu;
    };
    options.m_addVolCrc = false;
    EXPECT_EQ(scan(), 0u);
    options.m_addVolCrc = true;
    EXPECT_NE(scan(), 0u);
}
