// quillora-cli compare and update on folders the test scans and then changes.
#include "support/CliRunner.h"
#include "support/ScratchDir.h"

#include "core/FileTime.h"
#include "core/Resources.h"
#include "platform/VolumeProbe.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillora {
namespace {

using test::CliResult;
using test::ScratchDir;

constexpr std::int64_t kT = 1600000000;

void SetModified(const std::filesystem::path& path, std::int64_t seconds) {
    struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// Whether the mount check finds folder media on the scratch folder's file system:
// fixed, removable and optical drives are probed, RAM disks are not.
bool ScratchMediaAreFound(const std::filesystem::path& folder) {
    SVolumeFacts facts;
    if (CVolumeProbe::ProbePath(folder.string(), facts) != 0) {
        return false;
    }
    return facts.m_kind == DriveKind::Fixed || facts.m_kind == DriveKind::Removable ||
           facts.m_kind == DriveKind::CdRom;
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class CompareCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (access(test::CliPath().c_str(), X_OK) != 0) {
            GTEST_SKIP() << "quillora-cli is not built";
        }
        std::filesystem::create_directories(m_home);
        m_dir.Write("disc/a.txt", "a");
        m_dir.Write("disc/docs/b.txt", "b");
        SetModified(m_dir / "disc/a.txt", kT);
        SetModified(m_dir / "disc/docs/b.txt", kT);
        ASSERT_EQ(Run({"scan", m_case, (m_dir / "disc").string(), "--label", "Disc"}).exitCode, 0);
    }
    CliResult Run(const std::vector<std::string>& args) {
        // The user's own settings stay out of the test.
        return test::FinishCli(test::StartCli(args,
                                              {"XDG_CONFIG_HOME=" + m_home.string(),
                                               "XDG_STATE_HOME=" + m_home.string(),
                                               "XDG_DATA_HOME=" + m_home.string(), "LANG=C.UTF-8"},
                                              m_home.string()),
                               m_home.string());
    }

    ScratchDir m_dir;
    std::filesystem::path m_home = m_dir / "home";
    std::string m_case = (m_dir / "shelf.cas").string();
};

TEST_F(CompareCommandTest, RowsLikeDiffExitCodesAndJson) {
    if (!ScratchMediaAreFound(m_dir.Path())) {
        GTEST_SKIP() << "the mount check does not look at this file system";
    }
    CliResult same = Run({"compare", m_case, "Disc"});
    EXPECT_EQ(same.exitCode, 0) << same.err;
    EXPECT_EQ(same.out, "");
    EXPECT_TRUE(Has(same.err, Res(227)));

    SetModified(m_dir / "disc/docs/b.txt", kT + 100);
    CliResult changed = Run({"compare", m_case, "Disc"});
    EXPECT_EQ(changed.exitCode, 1) << changed.err;
    EXPECT_EQ(changed.out, "216\t" + std::string(Res(216)) + "\tb.txt\t" +
                               FileTimeToIso8601(FileTimeFromUnix(kT + 100)) + "\t" +
                               FileTimeToIso8601(FileTimeFromUnix(kT)) + "\t" +
                               (m_dir / "disc/docs").string() + "\n");

    std::filesystem::remove(m_dir / "disc/a.txt");
    CliResult json = Run({"compare", m_case, "Disc", "--json"});
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_TRUE(Has(json.out, "{\"result\":216,\"text\":\"" + std::string(Res(216)) +
                                  "\",\"name\":\"b.txt\",\"first\":\"2020-09-13T12:28:20Z\","
                                  "\"second\":\"2020-09-13T12:26:40Z\",\"location\":\""))
        << json.out;
    EXPECT_TRUE(Has(json.out, "{\"result\":219,\"text\":\"" + std::string(Res(219)) +
                                  "\",\"name\":\"a.txt\",\"first\":null,"))
        << json.out;
}

TEST_F(CompareCommandTest, AMediumNotMountedIsRefusedButItsLinksCanBeCompared) {
    m_dir.Write("links/b.txt", "b");
    SetModified(m_dir / "links/b.txt", kT);
    ASSERT_EQ(Run({"link", m_case, "Disc\\docs\\b.txt", (m_dir / "links/b.txt").string()}).exitCode,
              0);
    ASSERT_EQ(Run({"link", m_case, "Disc\\a.txt", (m_dir / "links/gone.txt").string()}).exitCode,
              0);
    std::filesystem::rename(m_dir / "disc", m_dir / "elsewhere");

    CliResult absent = Run({"compare", m_case, "Disc"});
    EXPECT_EQ(absent.exitCode, 2);
    EXPECT_TRUE(Has(absent.err, Res(209))) << absent.err;

    CliResult links = Run({"compare", m_case, "Disc", "--links"});
    EXPECT_EQ(links.exitCode, 1) << links.err;
    EXPECT_TRUE(Has(links.out, "220\t" + std::string(Res(220)) + "\ta.txt\t")) << links.out;
    EXPECT_TRUE(Has(links.out, "222\t" + std::string(Res(222)) + "\tb.txt\t")) << links.out;

    // Equal rows alone are no difference.
    ASSERT_EQ(Run({"link", m_case, "Disc\\a.txt", (m_dir / "links/b.txt").string()}).exitCode, 0);
    SetModified(m_dir / "links/b.txt", kT);
    EXPECT_EQ(Run({"compare", m_case, "Disc", "--links"}).exitCode, 0);

    EXPECT_EQ(Run({"compare", m_case, "Nope"}).exitCode, 2);
    EXPECT_EQ(Run({"compare", m_case, "Disc\\docs"}).exitCode, 2);
    EXPECT_EQ(Run({"compare", m_case}).exitCode, 1);
}

TEST_F(CompareCommandTest, UpdateRegistersTheMediumAgainKeepingComments) {
    if (!ScratchMediaAreFound(m_dir.Path())) {
        GTEST_SKIP() << "the mount check does not look at this file system";
    }
    ASSERT_EQ(Run({"comment", m_case, "Disc\\a.txt", "keep me"}).exitCode, 0);
    m_dir.Write("disc/docs/new.txt", "new");
    CliResult update = Run({"update", m_case, "Disc"});
    ASSERT_EQ(update.exitCode, 0) << update.err;
    EXPECT_TRUE(Has(update.out, "updated medium \"Disc\""));
    CliResult tree = Run({"tree", m_case, "--json"});
    EXPECT_TRUE(Has(tree.out, "Disc\\\\docs\\\\new.txt")) << tree.out;
    EXPECT_TRUE(Has(tree.out, "\"comment\":\"keep me\"")) << tree.out;
    EXPECT_EQ(Run({"compare", m_case, "Disc"}).exitCode, 0);

    std::filesystem::rename(m_dir / "disc", m_dir / "elsewhere");
    const std::string before = test::ReadFileBytes(m_case);
    CliResult absent = Run({"update", m_case, "Disc"});
    EXPECT_EQ(absent.exitCode, 2);
    EXPECT_TRUE(Has(absent.err, Res(209))) << absent.err;
    EXPECT_EQ(test::ReadFileBytes(m_case), before);
}

TEST_F(CompareCommandTest, RescanChangesAndMovedFilesKeepTheirCommentsAndMarks) {
    ASSERT_EQ(Run({"comment", m_case, "Disc\\docs\\b.txt", "moved note"}).exitCode, 0);
    ASSERT_EQ(Run({"mark", m_case, "Disc\\docs\\b.txt"}).exitCode, 0);
    std::filesystem::create_directories(m_dir / "disc/later");
    std::filesystem::rename(m_dir / "disc/docs/b.txt", m_dir / "disc/later/b2.txt");
    std::filesystem::remove(m_dir / "disc/docs");
    m_dir.Write("disc/a.txt", "aa");
    const std::string disc = (m_dir / "disc").string();

    CliResult json = Run({"scan", m_case, disc, "--update", "--crc", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    EXPECT_TRUE(Has(json.out, "{\"change\":\"moved\",\"path\":\"Disc\\\\later\\\\b2.txt\","
                              "\"from\":\"Disc\\\\docs\\\\b.txt\",\"folder\":false}"))
        << json.out;
    EXPECT_TRUE(Has(json.out, "{\"change\":\"modified\",\"path\":\"Disc\\\\a.txt\",\"from\":null"))
        << json.out;
    EXPECT_TRUE(Has(json.out, "{\"change\":\"added\",\"path\":\"Disc\\\\later\",\"from\":null,"
                              "\"folder\":true}"))
        << json.out;
    EXPECT_TRUE(Has(json.out, "\"folders_removed\":1")) << json.out;
    EXPECT_TRUE(Has(json.err, "updated medium \"Disc\"")) << json.err;

    CliResult tree = Run({"tree", m_case, "--json"});
    EXPECT_TRUE(Has(tree.out, "\"comment\":\"moved note\"")) << tree.out;
    EXPECT_TRUE(Has(tree.out, "\"mark\":1")) << tree.out;

    // Nothing changed since: nothing is read (the summary counts), nothing is told.
    CliResult again = Run({"scan", m_case, disc, "--update", "--crc", "--changes"});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_TRUE(Has(again.out, "; 0 files read, 2 kept unchanged; 0 added, 0 removed"))
        << again.out;
    CliResult full = Run({"scan", m_case, disc, "--update", "--crc", "--full"});
    EXPECT_TRUE(Has(full.out, "; 2 files read, 0 kept unchanged")) << full.out;
    EXPECT_NE(Run({"scan", m_case, disc, "--full"}).exitCode, 0) << "--full needs --update";
}

} // namespace
} // namespace quillora
