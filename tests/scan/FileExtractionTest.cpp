// File extraction: names a crafted case file could hold are refused before anything is
// written; folders inside archives, special files on the medium and links planted in
// the target, with trees made by real scans.
#include "scan/FileExtraction.h"

#include "ArchiveTestData.h"
#include "ScanTestTools.h"
#include "core/ConfigData.h"
#include "model/SVolumeInfo.h"
#include "scan/ArchiveExpander.h"
#include "scan/ArchiverSet.h"
#include "scan/VolumeScanner.h"
#include "support/ScratchDir.h"

#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace quillora;
using quillora::test::Child;
using quillora::test::ReadFileBytes;
using quillora::test::ScratchDir;
namespace fs = std::filesystem;

namespace {

class ScriptedExtractionUi : public IExtractionUi {
public:
    explicit ScriptedExtractionUi(std::string target) : m_target(std::move(target)) {}
    bool RequireMedium(const SFileInfo&) override { return true; }
    std::optional<std::string> ChooseTargetFolder(const std::string&) override { return m_target; }
    bool CopyProgress(std::uint64_t, std::uint64_t, const std::string&) override { return true; }
    void ReportFailure(const std::string& message) override { failures.push_back(message); }
    void ReportSkipped(const std::vector<std::string>& entries) override { skipped = entries; }
    std::vector<std::string> failures;
    std::vector<std::string> skipped;

private:
    std::string m_target;
};

constexpr std::time_t kStamp = 1600000000;

std::vector<std::string> Tree(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        names.push_back(it->path().lexically_relative(folder).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A medium folder scanned with archive expansion, and extractions of its records.
class ScannedExtractionTest : public ::testing::Test {
protected:
    void SetUp() override { m_set.LoadAll(); }
    void TearDown() override { m_set.UnloadAll(); }

    fs::path Medium() const { return m_dir / "medium"; }

    void Scan() {
        CVolumeScanner scanner(SScanOptions{});
        scanner.SetArchiveLister(&m_expander);
        m_volume = std::make_unique<SVolumeInfo>();
        scanner.AddVolume(*m_volume, Medium().string(), nullptr, nullptr);
    }
    const SFileInfo& At(std::initializer_list<const char*> path) const {
        const SFileInfo* record = m_volume.get();
        for (const char* name : path) {
            record = record ? Child(*record, name) : nullptr;
        }
        EXPECT_NE(record, nullptr);
        return *record;
    }
    bool Extract(const SFileInfo& record, const fs::path& target, ScriptedExtractionUi*& ui) {
        m_ui = std::make_unique<ScriptedExtractionUi>(target.string());
        ui = m_ui.get();
        CFileExtraction extraction(m_expander, *m_ui, {});
        return extraction.Run({&record});
    }

    CArchiverSet m_set;
    CArchiveExpander m_expander{m_set};
    ScratchDir m_dir;
    std::unique_ptr<SVolumeInfo> m_volume;
    std::unique_ptr<ScriptedExtractionUi> m_ui;
};

SFileInfo* Add(SFileInfo& parent, const std::string& name, bool folder) {
    auto record = std::make_unique<SFileInfo>();
    record->m_strName = name;
    record->m_dwFlags = folder ? kAttrDirectory : kAttrArchive;
    return parent.AddChild(std::move(record));
}

} // namespace

TEST(FileExtraction, NamesThatLeaveTheTargetAreRefused) {
    ScratchDir dir;
    dir.Write("medium/secret.txt", "do not copy me upward");
    dir.Write("medium/ok.txt", "fine");
    std::filesystem::create_directories(dir / "out" / "inner");
    CArchiverSet archivers;
    CArchiveExpander expander(archivers);

    for (const std::string bad : {"..", ".", "a/b", ""}) {
        SVolumeInfo medium;
        medium.m_strRoot = (dir / "medium").string();
        medium.m_bPresent = 1;
        SFileInfo* folder = Add(medium, bad, true);
        Add(*folder, "secret.txt", false);
        ScriptedExtractionUi ui((dir / "out" / "inner").string());
        CFileExtraction extraction(expander, ui, {});
        EXPECT_FALSE(extraction.Run({folder})) << "name [" << bad << "]";
        EXPECT_EQ(ui.failures.size(), 1u);
        EXPECT_FALSE(std::filesystem::exists(dir / "out" / "secret.txt"));
        EXPECT_FALSE(std::filesystem::exists(dir / "out" / "inner" / "secret.txt"));
    }

    // A plain name is copied, also when a file of that name is already there.
    SVolumeInfo medium;
    medium.m_strRoot = (dir / "medium").string();
    medium.m_bPresent = 1;
    SFileInfo* ok = Add(medium, "ok.txt", false);
    dir.Write("out/inner/ok.txt", "old");
    ScriptedExtractionUi ui((dir / "out" / "inner").string());
    CFileExtraction extraction(expander, ui, {});
    EXPECT_TRUE(extraction.Run({ok}));
    EXPECT_EQ(ReadFileBytes(dir / "out" / "inner" / "ok.txt"), "fine");
    EXPECT_TRUE(ui.failures.empty());
}

TEST_F(ScannedExtractionTest, AFolderInsideAnArchiveExtractsItselfAndNoMore) {
    fs::create_directories(Medium());
    quillora::test::WriteLibarchive(Medium() / "a.tar", "pax", "",
                                    {{"docs/", "", kStamp, 'd'},
                                     {"docs/empty/", "", kStamp, 'd'},
                                     {"docs/f.txt", "eff", kStamp},
                                     {"other.txt", "not asked for", kStamp}});
    Scan();
    ScriptedExtractionUi* ui = nullptr;
    const SFileInfo& empty = At({"a.tar", "docs", "empty"});
    ASSERT_EQ(empty.ChildCount(), 0u);
    ASSERT_TRUE(Extract(empty, m_dir / "one", ui));
    EXPECT_EQ(Tree(m_dir / "one"), (std::vector<std::string>{"docs", "docs/empty"}));
    ASSERT_TRUE(Extract(At({"a.tar", "docs"}), m_dir / "two", ui));
    EXPECT_EQ(Tree(m_dir / "two"), (std::vector<std::string>{"docs", "docs/empty", "docs/f.txt"}));
    EXPECT_TRUE(ui->failures.empty());
}

TEST_F(ScannedExtractionTest, SpecialFilesArePassedOverAndReportedAtTheEnd) {
    m_dir.Write("medium/box/a.txt", "alpha");
    ASSERT_EQ(::chmod((Medium() / "box" / "a.txt").c_str(), 0640), 0);
    const struct timespec times[2] = {{kStamp, 0}, {kStamp, 500}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (Medium() / "box" / "a.txt").c_str(), times, 0), 0);
    ASSERT_EQ(::mkfifo((Medium() / "box" / "pipe").c_str(), 0644), 0);
    fs::create_symlink("a.txt", Medium() / "box" / "link");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = (Medium() / "box" / "sock").string();
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    quillora::test::WriteLibarchive(Medium() / "box" / "z.tar", "pax", "",
                                    {{"inner.txt", "inside", kStamp}});
    Scan();
    ScriptedExtractionUi* ui = nullptr;
    const bool ok = Extract(At({"box"}), m_dir / "out", ui);
    ::close(sock);
    ASSERT_TRUE(ok) << (ui->failures.empty() ? "" : ui->failures.front());
    // The copy went on past them, and the archive step ran.
    EXPECT_EQ(Tree(m_dir / "out"),
              (std::vector<std::string>{"box", "box/a.txt", "box/z.tar", "box/z.tar/inner.txt"}));
    std::vector<std::string> skipped = ui->skipped;
    std::sort(skipped.begin(), skipped.end());
    ASSERT_EQ(skipped.size(), 3u);
    EXPECT_NE(skipped[0].find("link: a symbolic link"), std::string::npos) << skipped[0];
    EXPECT_NE(skipped[1].find("pipe: a FIFO"), std::string::npos) << skipped[1];
    EXPECT_NE(skipped[2].find("sock: a socket"), std::string::npos) << skipped[2];
    // The copy keeps the file's mode and modification time.
    struct stat st {};
    ASSERT_EQ(::stat((m_dir / "out" / "box" / "a.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(st.st_mtim.tv_sec, kStamp);
    EXPECT_EQ(st.st_mtim.tv_nsec, 500);
}

TEST_F(ScannedExtractionTest, ALinkPlantedInTheTargetStopsTheExtraction) {
    m_dir.Write("medium/sub/a.txt", "alpha");
    quillora::test::WriteLibarchive(Medium() / "sub" / "z.tar", "pax", "",
                                    {{"inner.txt", "inside", kStamp}});
    Scan();
    fs::create_directories(m_dir / "elsewhere");
    fs::create_directories(m_dir / "out");
    fs::create_directory_symlink(m_dir / "elsewhere", m_dir / "out" / "sub");
    ScriptedExtractionUi* ui = nullptr;
    EXPECT_FALSE(Extract(At({"sub"}), m_dir / "out", ui));
    ASSERT_EQ(ui->failures.size(), 1u);
    EXPECT_NE(ui->failures[0].find("symbolic link"), std::string::npos) << ui->failures[0];
    EXPECT_TRUE(fs::is_empty(m_dir / "elsewhere"));
}

TEST_F(ScannedExtractionTest, MembersStoredWithAbsolutePathsGetTheirCrcAndLandBelowTheTarget) {
    fs::create_directories(Medium());
    quillora::test::WriteLibarchive(Medium() / "abs.tar", "pax", "",
                                    {{"/etc/quillora-test.conf", "absolute", kStamp}});
    Scan();
    SFileInfo& node = const_cast<SFileInfo&>(At({"abs.tar"}));
    const SFileInfo& conf = At({"abs.tar", "etc", "quillora-test.conf"});
    EXPECT_TRUE(m_expander.CollectArchiveCrcs(node, true));
    EXPECT_TRUE(conf.m_wExtFlags & kExtFlagCrc);
    EXPECT_EQ(m_expander.ArchiveEntryCrc(conf), conf.m_dwExtValue);
    ScriptedExtractionUi* ui = nullptr;
    ASSERT_TRUE(Extract(conf, m_dir / "out", ui));
    EXPECT_EQ(quillora::test::ReadFileBytes(m_dir / "out" / "etc" / "quillora-test.conf"),
              "absolute");
    EXPECT_FALSE(fs::exists("/etc/quillora-test.conf"));
}
