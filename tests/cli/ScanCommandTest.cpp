// quillora-cli scan, drives and presence, run as a separate program.
#include "support/CliRunner.h"
#include "support/OrdinaryUser.h"
#include "support/ScratchDir.h"

#include "core/ProfileStore.h"
#include "model/CCaseLock.h"
#include "model/CaseFile.h"
#include "model/CatalogPath.h"
#include "model/RecordFlags.h"
#include "model/SVolumeInfo.h"
#include "platform/DriveList.h"
#include "platform/VolumeProbe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <zlib.h>

namespace quillora {
namespace {

using test::ReadFileBytes;
using test::ScratchDir;

using SRun = test::CliResult;

// The program runs with its settings and state below `home` only.
std::vector<std::string> IsolatedEnv(const std::filesystem::path& home) {
    return {"XDG_CONFIG_HOME=" + home.string(), "XDG_STATE_HOME=" + home.string(),
            "XDG_DATA_HOME=" + home.string(), "LANG=C.UTF-8"};
}

class ScanCommandTest : public testing::Test {
protected:
    void SetUp() override {
        if (access(test::CliPath().c_str(), X_OK) != 0) {
            GTEST_SKIP() << "quillora-cli is not built";
        }
        std::filesystem::create_directories(m_home);
    }
    SRun Run(const std::vector<std::string>& args) {
        return test::FinishCli(test::StartCli(args, IsolatedEnv(m_home), m_home), m_home);
    }
    std::unique_ptr<CCDCase> Load(const std::filesystem::path& path) {
        bool badPassword = false;
        return ReadCaseFile(path.string(), "", &badPassword);
    }

    // Lets an ordinary user write the case and the program's output files.
    void ShareWithOrdinaryUser(const std::filesystem::path& casePath) {
        for (const auto& path : {m_dir.Path(), m_dir / "disc", m_home}) {
            chmod(path.c_str(), 0777);
        }
        chmod(casePath.c_str(), 0666);
        std::filesystem::remove(m_home / "out");
        std::filesystem::remove(m_home / "err");
    }

    ScratchDir m_dir;
    std::filesystem::path m_home = m_dir / "home";
};

TEST_F(ScanCommandTest, ScanCreatesTheCaseAndAppendsMedia) {
    m_dir.Write("disc1/readme.txt", "hello");
    m_dir.Write("disc1/音楽/曲.mp3", "mp3");
    m_dir.Write("disc2/a/b.txt", "b");
    const auto casePath = m_dir / "shelf.cas";

    SRun run = Run({"scan", casePath.string(), (m_dir / "disc1").string(), "--label", "一枚目",
                    "--comment", "最初", "--crc"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("added medium \"一枚目\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("2 files"), std::string::npos) << run.out;
    EXPECT_EQ(run.err, "") << "no progress line when stderr is not a terminal";

    run = Run({"scan", casePath.string(), (m_dir / "disc2").string(), "--group", "箱"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    run = Run({"scan", casePath.string(), (m_dir / "disc1").string(), "--group", "箱"});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    auto root = Load(casePath);
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(root->ChildCount(), 2u) << "one medium and one group";
    const auto* first = dynamic_cast<const SVolumeInfo*>(root->ChildAt(0));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->m_strLabel, "一枚目");
    EXPECT_EQ(first->m_strOrgLabel, "disc1");
    EXPECT_EQ(first->Comment(), "最初");
    const SFileInfo* readme = FindByCatalogPath(*root, "一枚目\\readme.txt");
    ASSERT_NE(readme, nullptr);
    EXPECT_EQ(readme->m_dwExtValue, crc32(0, reinterpret_cast<const Bytef*>("hello"), 5));
    EXPECT_TRUE(readme->m_wExtFlags & kExtFlagCrc);
    const SFileInfo* group = root->ChildAt(1);
    EXPECT_TRUE(group->HasFlags(kFlagGroup));
    ASSERT_EQ(group->ChildCount(), 2u) << "the group was made once and reused";
    EXPECT_NE(FindByCatalogPath(*root, "箱\\disc2\\a\\b.txt"), nullptr);
    const SFileInfo* noCrc = FindByCatalogPath(*root, "箱\\disc1\\readme.txt");
    ASSERT_NE(noCrc, nullptr);
    EXPECT_EQ(noCrc->m_dwExtValue, 0u) << "without --crc and with default settings, no CRC";
}

TEST_F(ScanCommandTest, SettingsFileTurnsCrcOnAndIsNotWritten) {
    m_dir.Write("disc/a.txt", "abc");
    const auto settings = m_home / "Pelvane/Quillora/Quillora.conf";
    std::filesystem::create_directories(settings.parent_path());
    CProfileStore store;
    store.SetInt("OptionMelt", "AddVolCRC", 1);
    store.SetPath(settings.string());
    ASSERT_TRUE(store.Save());
    const std::string before = ReadFileBytes(settings);

    const auto casePath = m_dir / "shelf.cas";
    ASSERT_EQ(Run({"scan", casePath.string(), (m_dir / "disc").string()}).exitCode, 0);
    auto root = Load(casePath);
    ASSERT_NE(root, nullptr);
    const SFileInfo* file = FindByCatalogPath(*root, "disc\\a.txt");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->m_dwExtValue, crc32(0, reinterpret_cast<const Bytef*>("abc"), 3));
    EXPECT_EQ(ReadFileBytes(settings), before) << "a batch run leaves the settings alone";
}

TEST_F(ScanCommandTest, UnreadableCaseIsNeverReplaced) {
    m_dir.Write("disc/a.txt", "a");
    const auto casePath = m_dir.Write("broken.cas", "this is not a case file");
    SRun run = Run({"scan", casePath.string(), (m_dir / "disc").string()});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err, "");
    EXPECT_EQ(ReadFileBytes(casePath), "this is not a case file");

    EXPECT_EQ(Run({"scan", (m_dir / "new.cas").string(), (m_dir / "missing").string()}).exitCode,
              2);
    EXPECT_EQ(Run({"scan", (m_dir / "new.cas").string(), (m_dir / "disc/a.txt").string()}).exitCode,
              2);
    EXPECT_FALSE(std::filesystem::exists(m_dir / "new.cas"));
    EXPECT_EQ(Run({"scan", (m_dir / "new.cas").string()}).exitCode, 1);
    EXPECT_EQ(Run({"scan", "a", "b", "--bogus"}).exitCode, 1);
}

TEST_F(ScanCommandTest, ANewCaseIsLockedWhileItIsBeingMade) {
    m_dir.Write("disc/a.txt", "a");
    const auto casePath = m_dir / "new.cas";
    {
        // Another program is making the same case right now.
        CCaseLock other;
        ASSERT_EQ(other.AcquireForWrite(casePath.string(), false), CCaseLock::EResult::Held);
        SRun run = Run({"scan", casePath.string(), (m_dir / "disc").string(), "--no-wait"});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find("another program is using"), std::string::npos) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(casePath)) << "the other program saved nothing";
    SRun run = Run({"scan", casePath.string(), (m_dir / "disc").string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    CCaseLock after;
    EXPECT_EQ(after.Acquire(casePath.string(), CCaseLock::EKind::Exclusive, false),
              CCaseLock::EResult::Held);
    EXPECT_GT(std::filesystem::file_size(casePath), 0u);
}

// scan --update run by a user who may not read one folder: the records and notes
// below it stay, and the summary and --verbose say what was not read. When the
// medium's own folder cannot be read the update fails and the case stays as it was.
TEST_F(ScanCommandTest, UpdateNeverWipesWhatItCannotRead) {
    m_dir.Write("disc/top.txt", "top");
    m_dir.Write("disc/keep/notes.txt", "notes");
    const auto casePath = m_dir / "shelf.cas";
    ASSERT_EQ(Run({"scan", casePath.string(), (m_dir / "disc").string()}).exitCode, 0);
    ASSERT_EQ(Run({"comment", casePath.string(), "disc\\keep\\notes.txt", "mine"}).exitCode, 0);
    ShareWithOrdinaryUser(casePath);
    chmod((m_dir / "disc/keep").c_str(), 0);
    const int asUser = test::AsOrdinaryUser([&] {
        return Run({"scan", casePath.string(), (m_dir / "disc").string(), "--update"}).exitCode;
    });
    if (asUser == 99) {
        chmod((m_dir / "disc/keep").c_str(), 0755);
        GTEST_SKIP() << "cannot take an ordinary user's permissions here";
    }
    ASSERT_EQ(asUser, 0);
    auto root = Load(casePath);
    ASSERT_NE(root, nullptr);
    const SFileInfo* notes = FindByCatalogPath(*root, "disc\\keep\\notes.txt");
    ASSERT_NE(notes, nullptr) << "a folder that could not be read keeps its records";
    EXPECT_EQ(notes->Comment(), "mine");

    const std::string before = ReadFileBytes(casePath);
    ShareWithOrdinaryUser(casePath);
    chmod((m_dir / "disc").c_str(), 0);
    const int failed = test::AsOrdinaryUser([&] {
        SRun run = Run({"scan", casePath.string(), (m_dir / "disc").string(), "--update"});
        const bool told =
            run.err.find("cannot read the folder: Permission denied") != std::string::npos &&
            run.err.find("was not changed") != std::string::npos;
        return run.exitCode == 2 && told ? 0 : 1;
    });
    chmod((m_dir / "disc").c_str(), 0755);
    chmod((m_dir / "disc/keep").c_str(), 0755);
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(ReadFileBytes(casePath), before);
}

TEST_F(ScanCommandTest, UpdateTellsWhatItSkipped) {
    m_dir.Write("disc/top.txt", "top");
    m_dir.Write("disc/keep/notes.txt", "notes");
    const auto casePath = m_dir / "shelf.cas";
    ASSERT_EQ(Run({"scan", casePath.string(), (m_dir / "disc").string()}).exitCode, 0);
    ShareWithOrdinaryUser(casePath);
    chmod((m_dir / "disc/keep").c_str(), 0);
    const int result = test::AsOrdinaryUser([&] {
        SRun run =
            Run({"scan", casePath.string(), (m_dir / "disc").string(), "--update", "--verbose"});
        if (run.exitCode != 0 ||
            run.out.find("; 1 folder could not be read; ") == std::string::npos) {
            return 1;
        }
        return run.err.find("quillora-cli: warning: " + (m_dir / "disc/keep").string() +
                            ": cannot read folder: Permission denied\n") == std::string::npos
                   ? 2
                   : 0;
    });
    chmod((m_dir / "disc/keep").c_str(), 0755);
    if (result == 99) {
        GTEST_SKIP() << "cannot take an ordinary user's permissions here";
    }
    EXPECT_EQ(result, 0);
}

TEST_F(ScanCommandTest, PseudoFileSystemsNeedToBeAskedFor) {
    const auto casePath = m_dir / "proc.cas";
    SRun refused = Run({"scan", casePath.string(), "/proc/self", "--crc"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("pseudo file system (proc)"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("--pseudo-fs"), std::string::npos) << refused.err;
    EXPECT_FALSE(std::filesystem::exists(casePath));
    // Asked for, it ends: files of /proc are read no further than their size, 0.
    EXPECT_EQ(Run({"scan", casePath.string(), "/proc/self", "--crc", "--pseudo-fs"}).exitCode, 0);
}

TEST_F(ScanCommandTest, InterruptCancelsAndLeavesTheCaseAsItWas) {
    const auto casePath = m_dir / "shelf.cas";
    ASSERT_EQ(Run({"new", casePath.string()}).exitCode, 0);
    const std::string before = ReadFileBytes(casePath);
    // A huge sparse file keeps the CRC pass busy long enough to be interrupted.
    std::filesystem::create_directories(m_dir / "disc");
    { std::ofstream(m_dir / "disc/huge.bin"); }
    std::error_code ec;
    std::filesystem::resize_file(m_dir / "disc/huge.bin", std::uintmax_t(256) << 30, ec);
    if (ec) {
        GTEST_SKIP() << "no sparse files here: " << ec.message();
    }

    const pid_t pid =
        test::StartCli({"scan", casePath.string(), (m_dir / "disc").string(), "--crc"},
                       IsolatedEnv(m_home), m_home);
    ASSERT_GT(pid, 0);
    // Wait until it is reading the file, so its Ctrl+C handling is in place.
    const std::string io = "/proc/" + std::to_string(pid) + "/io";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream in(io);
        std::string key;
        unsigned long long value = 0;
        in >> key >> value; // rchar
        if (key == "rchar:" && value > (64u << 20)) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGINT);
    const SRun run = test::FinishCli(pid, m_home);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("cancelled"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFileBytes(casePath), before);
}

TEST_F(ScanCommandTest, PresenceReportsWhereMediaAreMounted) {
    m_dir.Write("disc/a.txt", "a");
    const auto casePath = m_dir / "shelf.cas";
    ASSERT_EQ(Run({"scan", casePath.string(), (m_dir / "disc").string(), "--label", "D"}).exitCode,
              0);
    SRun run = Run({"presence", casePath.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    // The scratch folder's file system decides: fixed, removable and optical drives
    // are probed, RAM disks are not.
    SVolumeFacts facts;
    ASSERT_EQ(CVolumeProbe::ProbePath(m_dir.Path().string(), facts), 0);
    const bool probed = facts.m_kind == DriveKind::Fixed || facts.m_kind == DriveKind::Removable ||
                        facts.m_kind == DriveKind::CdRom;
    std::string root = facts.m_root;
    if (root.size() > 1 && root.back() == '/') {
        root.pop_back();
    }
    EXPECT_EQ(run.out, probed ? "D\tpresent\t" + root + "\n" : "D\tabsent\t\n");

    EXPECT_EQ(Run({"presence", (m_dir / "missing.cas").string()}).exitCode, 2);
    run = Run({"drives"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out.substr(0, 5), "root\t");
    run = Run({"drives", "--all"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find('\n'), std::string::npos);
}

} // namespace
} // namespace quillora
