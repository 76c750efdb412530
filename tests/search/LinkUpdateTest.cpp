// The two link-update commands' copies on folders the test builds: what is copied,
// what is never replaced, times kept, a read-only medium reported by file name.
#include "CompareTestTools.h"
#include "support/OrdinaryUser.h"
#include "support/ScratchDir.h"

#include "model/CaseEditing.h"
#include "model/SVolumeInfo.h"
#include "search/CUpdateCopier.h"
#include "search/LinkTarget.h"
#include "search/LinkUpdatePlan.h"

#include <gtest/gtest.h>

#include <stop_token>
#include <sys/stat.h>

namespace quillora {
namespace {

using test::ReadFileBytes;
using test::ScratchDir;
using test::SetModified;

constexpr std::int64_t kT = 1600000000;

SFileInfo* ChildNamed(const SFileInfo& parent, const std::string& name) {
    for (const auto& child : parent.Children()) {
        if (child->m_strName == name) {
            return child.get();
        }
    }
    return nullptr;
}

std::int64_t ModifiedSeconds(const std::filesystem::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mtim.tv_sec : -1;
}

// Names of the files in a folder that a copy left behind under a temporary name.
std::vector<std::string> Leftovers(const std::filesystem::path& folder) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.path().filename().string().find(".quillora-") != std::string::npos) {
            found.push_back(entry.path().string());
        }
    }
    return found;
}

class CRecordingProgress : public ICopyProgress {
public:
    bool CopyProgress(std::uint64_t done, std::uint64_t total, const std::string&) override {
        EXPECT_LE(done, total);
        return ++m_calls <= m_stopAfter;
    }
    void CopyFailed(const std::string& message) override { m_failures.push_back(message); }
    int m_calls = 0;
    int m_stopAfter = 1 << 30;
    std::vector<std::string> m_failures;
};

class LinkUpdateTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"missing.txt", "older.txt", "equal.txt", "newer.txt"}) {
            m_dir.Write(std::string("disc/") + name, std::string("disc ") + name);
            SetModified(m_dir / "disc" / name, kT);
            if (std::string(name) != "missing.txt") {
                m_dir.Write(std::string("links/") + name, std::string("link ") + name);
            }
        }
        m_dir.Write("disc/folder/inside.txt", "inside");
        SetModified(m_dir / "links/older.txt", kT - 60);
        SetModified(m_dir / "links/equal.txt", kT);
        SetModified(m_dir / "links/newer.txt", kT + 60);
        m_medium = test::ScanFolder(m_dir / "disc");
        for (const char* name : {"missing.txt", "older.txt", "equal.txt", "newer.txt"}) {
            SetLink(*ChildNamed(*m_medium, name), Links(name), true);
        }
    }

    std::string Links(const std::string& name) const { return (m_dir / "links" / name).string(); }

    ScratchDir m_dir;
    std::unique_ptr<SVolumeInfo> m_medium;
};

TEST_F(LinkUpdateTest, MediumToLinksFillsMissingAndOlderTargetsOnly) {
    // A linked folder is not copied as a whole; its files are, by their own links.
    SetLink(*ChildNamed(*m_medium, "folder"), (m_dir / "links/folder").string(), true);
    SCopyPlan plan = PlanMediumToLinks(*m_medium);
    ASSERT_TRUE(plan.m_problems.empty());
    CRecordingProgress progress;
    SCopySummary summary = CUpdateCopier(&progress).Run(plan);
    EXPECT_TRUE(summary.m_failures.empty()) << summary.m_failures.front();
    EXPECT_EQ(summary.m_nCopied, 3u); // missing.txt, older.txt and folder/inside.txt

    EXPECT_EQ(ReadFileBytes(m_dir / "links/missing.txt"), "disc missing.txt");
    EXPECT_EQ(ReadFileBytes(m_dir / "links/older.txt"), "disc older.txt");
    EXPECT_EQ(ReadFileBytes(m_dir / "links/folder/inside.txt"), "inside");
    EXPECT_EQ(ReadFileBytes(m_dir / "links/equal.txt"), "link equal.txt");
    EXPECT_EQ(ReadFileBytes(m_dir / "links/newer.txt"), "link newer.txt");
    // The copies carry the medium's time, so the next comparison finds them equal.
    EXPECT_EQ(ModifiedSeconds(m_dir / "links/older.txt"), kT);
    EXPECT_EQ(ModifiedSeconds(m_dir / "links/newer.txt"), kT + 60);
    EXPECT_TRUE(Leftovers(m_dir / "links").empty());

    // Nothing left to do the second time.
    EXPECT_TRUE(PlanMediumToLinks(*m_medium).m_jobs.empty());
}

TEST_F(LinkUpdateTest, LinksToMediumCopiesNewerTargetsAndNewEntriesOfLinkedFolders) {
    m_dir.Write("links/folder/INSIDE.TXT", "same name in other letters");
    m_dir.Write("links/folder/extra.txt", "extra");
    m_dir.Write("links/folder/new/deep.txt", "deep");
    SetLink(*ChildNamed(*m_medium, "folder"), (m_dir / "links/folder").string(), true);
    // Links made on Windows are no paths here and are passed over.
    SetLink(*ChildNamed(*ChildNamed(*m_medium, "folder"), "inside.txt"), "E:\\x\\inside.txt", true);

    SCopyPlan plan = PlanLinksToMedium(*m_medium);
    SCopySummary summary = CUpdateCopier(nullptr).Run(plan);
    EXPECT_TRUE(summary.m_failures.empty()) << summary.m_failures.front();
    EXPECT_EQ(summary.m_nCopied, 3u); // newer.txt, extra.txt, new/deep.txt

    EXPECT_EQ(ReadFileBytes(m_dir / "disc/newer.txt"), "link newer.txt");
    EXPECT_EQ(ModifiedSeconds(m_dir / "disc/newer.txt"), kT + 60);
    EXPECT_EQ(ReadFileBytes(m_dir / "disc/older.txt"), "disc older.txt");
    EXPECT_EQ(ReadFileBytes(m_dir / "disc/folder/extra.txt"), "extra");
    EXPECT_EQ(ReadFileBytes(m_dir / "disc/folder/new/deep.txt"), "deep");
    EXPECT_EQ(ReadFileBytes(m_dir / "disc/folder/inside.txt"), "inside");
    EXPECT_FALSE(std::filesystem::exists(m_dir / "disc/folder/INSIDE.TXT"));
}

TEST_F(LinkUpdateTest, TheCopierNeverReplacesAFileThatIsNotOlder) {
    // The case may be out of date: the plan sees an old record, the medium holds a
    // file newer than the link target.
    m_dir.Write("links/stale.txt", "stale");
    SetModified(m_dir / "links/stale.txt", kT + 10);
    SetModified(m_dir / "disc/equal.txt", kT + 20);
    SCopyPlan plan;
    plan.m_jobs.push_back({Links("stale.txt"), (m_dir / "disc/equal.txt").string()});
    plan.m_jobs.push_back({Links("stale.txt"), (m_dir / "disc/new-here.txt").string()});
    plan.m_problems.push_back("E:\\x: not a path on this system");
    CRecordingProgress progress;
    SCopySummary summary = CUpdateCopier(&progress).Run(plan);
    EXPECT_EQ(summary.m_nSkipped, 1u);
    EXPECT_EQ(summary.m_nCopied, 1u);
    EXPECT_EQ(ReadFileBytes(m_dir / "disc/equal.txt"), "disc equal.txt");
    EXPECT_EQ(progress.m_failures, std::vector<std::string>{"E:\\x: not a path on this system"});
}

TEST_F(LinkUpdateTest, CancellingLeavesNoHalfCopyAndKeepsTheOldFile) {
    std::string big(3 << 20, 'x');
    m_dir.Write("links/newer.txt", big);
    SetModified(m_dir / "links/newer.txt", kT + 60);
    CRecordingProgress progress;
    progress.m_stopAfter = 2; // one look before the file, one block of it
    SCopySummary summary = CUpdateCopier(&progress).Run(PlanLinksToMedium(*m_medium));
    EXPECT_TRUE(summary.m_bCancelled);
    EXPECT_EQ(summary.m_nCopied, 0u);
    EXPECT_EQ(ReadFileBytes(m_dir / "disc/newer.txt"), "disc newer.txt");
    EXPECT_TRUE(Leftovers(m_dir / "disc").empty());

    // The copy's own stop token stops it the same way, before or within a file.
    std::stop_source before;
    before.request_stop();
    summary = CUpdateCopier(nullptr, before.get_token()).Run(PlanLinksToMedium(*m_medium));
    EXPECT_TRUE(summary.m_bCancelled);
    EXPECT_EQ(summary.m_nCopied, 0u);
    std::stop_source within;
    class CStopInFile : public CRecordingProgress {
    public:
        explicit CStopInFile(std::stop_source& stop) : m_stop(stop) {}
        bool CopyProgress(std::uint64_t done, std::uint64_t total,
                          const std::string& current) override {
            if (done > 0) {
                m_stop.request_stop();
            }
            return CRecordingProgress::CopyProgress(done, total, current);
        }
        std::stop_source& m_stop;
    } stopper(within);
    summary = CUpdateCopier(&stopper, within.get_token()).Run(PlanLinksToMedium(*m_medium));
    EXPECT_TRUE(summary.m_bCancelled);
    EXPECT_EQ(ReadFileBytes(m_dir / "disc/newer.txt"), "disc newer.txt");
    EXPECT_TRUE(Leftovers(m_dir / "disc").empty());
}

// A medium that cannot be written: each file that fails is named, the others go on.
TEST_F(LinkUpdateTest, AReadOnlyMediumFolderIsReportedByFileNameAndTheRestGoesOn) {
    m_dir.Write("disc/open/file.txt", "old");
    m_dir.Write("links/open/file.txt", "new");
    SetModified(m_dir / "disc/open/file.txt", kT);
    SetModified(m_dir / "links/open/file.txt", kT + 60);
    m_medium = test::ScanFolder(m_dir / "disc");
    SetLink(*ChildNamed(*m_medium, "newer.txt"), Links("newer.txt"), true);
    SetLink(*ChildNamed(*m_medium, "open"), (m_dir / "links/open").string(), true);
    std::filesystem::permissions(m_dir.Path(), std::filesystem::perms::all,
                                 std::filesystem::perm_options::add);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(m_dir.Path())) {
        ::chmod(entry.path().c_str(), entry.is_directory() ? 0777 : 0666);
    }
    ::chmod((m_dir / "disc").c_str(), 0555);
    const SCopyPlan plan = PlanLinksToMedium(*m_medium);

    const int result = test::AsOrdinaryUser([&] {
        CRecordingProgress progress;
        SCopySummary summary = CUpdateCopier(&progress).Run(plan);
        if (summary.m_nCopied != 1 || progress.m_failures.size() != 1) {
            return 1;
        }
        const std::string& failure = progress.m_failures.front();
        return failure.find("newer.txt") != std::string::npos ? 0 : 2;
    });
    if (result == 99) {
        GTEST_SKIP() << "cannot take an ordinary user's permissions here";
    }
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFileBytes(m_dir / "disc/newer.txt"), "disc newer.txt");
    EXPECT_EQ(ReadFileBytes(m_dir / "disc/open/file.txt"), "new");
    EXPECT_TRUE(Leftovers(m_dir / "disc").empty());
}

} // namespace
} // namespace quillora
