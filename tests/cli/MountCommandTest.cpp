// quillora-cli mount and umount as separate programs: ready when mount returns, gone
// after umount or SIGTERM, and mountable by an ordinary user.
#include "support/CliRunner.h"
#include "support/OrdinaryUser.h"
#include "support/ScratchDir.h"

#include "model/CCDCase.h"
#include "model/CaseFile.h"
#include "model/EditingTree.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace quillora {
namespace {

using test::ScratchDir;

bool IsMounted(const std::filesystem::path& folder) {
    std::ifstream mounts("/proc/self/mounts");
    std::string source, target, type;
    std::string rest;
    while (mounts >> source >> target >> type && std::getline(mounts, rest)) {
        if (target == folder.string() && type == "fuse.quillora") {
            return true;
        }
    }
    return false;
}

class MountCommandTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(access("/dev/fuse", F_OK), 0)
            << "FUSE is not available on this machine: /dev/fuse does not exist";
        CCDCase root;
        test::AddFile(*test::AddMedium(root, "CD"), "f.txt", 3);
        SaveCaseFile(root, m_case.string(), false);
        std::filesystem::create_directories(m_at);
    }
    void TearDown() override {
        if (IsMounted(m_at)) {
            test::RunCli({"umount", "--lazy", m_at.string()});
        }
    }

    ScratchDir m_dir;
    std::filesystem::path m_case = m_dir / "shelf.cas";
    std::filesystem::path m_at = m_dir / "mnt";
};

TEST_F(MountCommandTest, MountReturnsReadyAndUmountEndsIt) {
    const test::CliResult run = test::RunCli({"mount", m_case.string(), m_at.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(IsMounted(m_at));
    struct stat st {};
    EXPECT_EQ(stat((m_at / "CD" / "f.txt").c_str(), &st), 0) << "ready when mount returned";
    EXPECT_EQ(st.st_size, 3);
    const test::CliResult off = test::RunCli({"umount", m_at.string()});
    EXPECT_EQ(off.exitCode, 0) << off.err;
    EXPECT_FALSE(IsMounted(m_at));
    EXPECT_EQ(test::RunCli({"umount", m_at.string()}).exitCode, 2) << "nothing is mounted there";
}

TEST_F(MountCommandTest, BadInputIsReportedAndMountsNothing) {
    test::CliResult run = test::RunCli({"mount", (m_dir / "missing.cas").string(), m_at.string()});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("missing.cas"), std::string::npos) << run.err;
    run = test::RunCli({"mount", m_case.string(), (m_dir / "nowhere").string()});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("nowhere"), std::string::npos) << run.err;
    CCDCase locked;
    locked.m_strPassword = "pw";
    SaveCaseFile(locked, (m_dir / "locked.cas").string(), false);
    run = test::RunCli({"mount", (m_dir / "locked.cas").string(), m_at.string()});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("password"), std::string::npos) << run.err;
    EXPECT_FALSE(IsMounted(m_at));
}

// The signal comes as soon as the folder is there, and again and again: it must end the
// mount whichever thread of the program it reaches and however early.
TEST_F(MountCommandTest, SigtermUnmountsAForegroundMount) {
    for (int round = 0; round < 8; ++round) {
        const int pid =
            test::StartCli({"mount", "--foreground", m_case.string(), m_at.string()},
                           {"LANG=C.UTF-8", "PATH=/usr/bin:/bin"}, m_dir.Path().string());
        ASSERT_GT(pid, 0);
        for (int i = 0; i < 2000 && !IsMounted(m_at); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_TRUE(IsMounted(m_at)) << "round " << round;
        kill(pid, SIGTERM);
        const test::CliResult run = test::FinishCli(pid, m_dir.Path().string());
        EXPECT_EQ(run.exitCode, 0) << "round " << round << ": " << run.err;
        EXPECT_FALSE(IsMounted(m_at)) << "round " << round;
    }
}

TEST_F(MountCommandTest, AnOrdinaryUserMountsAndUnmounts) {
    // Debian's fuse3 gives /dev/fuse to everyone through udev; a container without udev
    // leaves it root's, which a root test run may mend.
    struct stat dev {};
    ASSERT_EQ(stat("/dev/fuse", &dev), 0);
    if ((dev.st_mode & 0006) != 0006 && geteuid() == 0) {
        ASSERT_EQ(chmod("/dev/fuse", 0666), 0) << "/dev/fuse cannot be opened to users";
    }
    chmod(m_dir.Path().c_str(), 0777);
    chmod(m_at.c_str(), 0777);
    chmod(m_case.c_str(), 0644);
    const int result = test::AsOrdinaryUser([&] {
        if (test::RunCli({"mount", m_case.string(), m_at.string()}).exitCode != 0) {
            return 1;
        }
        struct stat st {};
        const bool seen = stat((m_at / "CD" / "f.txt").c_str(), &st) == 0;
        const bool off = test::RunCli({"umount", m_at.string()}).exitCode == 0;
        return seen && off ? 0 : 2;
    });
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(IsMounted(m_at));
}

} // namespace
} // namespace quillora
