// quillora-cli scan, drives and presence, run as a separate program.
#include "support/ScratchDir.h"

#include "core/ProfileStore.h"
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
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <zlib.h>

extern char** environ;

namespace quillora {
namespace {

using test::ReadFileBytes;
using test::ScratchDir;

// QUILLORA_CLI when set, else the program beside this test's build folder.
std::string CliPath() {
    if (const char* env = std::getenv("QUILLORA_CLI")) {
        return env;
    }
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string()
              : (self.parent_path().parent_path() / "src" / "quillora-cli").string();
}

struct SRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Starts the program with its settings in `configHome`; output goes to files there.
pid_t Start(const std::vector<std::string>& args, const std::filesystem::path& configHome) {
    std::vector<std::string> argv{CliPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (std::string& arg : argv) {
        raw.push_back(arg.data());
    }
    raw.push_back(nullptr);
    std::vector<std::string> env{"XDG_CONFIG_HOME=" + configHome.string(),
                                 "XDG_STATE_HOME=" + configHome.string(), "LANG=C.UTF-8"};
    std::vector<char*> rawEnv;
    for (std::string& e : env) {
        rawEnv.push_back(e.data());
    }
    rawEnv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, (configHome / "out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (configHome / "err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, raw.data(), rawEnv.data()) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

SRun Finish(pid_t pid, const std::filesystem::path& configHome) {
    SRun run;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        run.status = WEXITSTATUS(status);
    }
    run.out = ReadFileBytes(configHome / "out");
    run.err = ReadFileBytes(configHome / "err");
    return run;
}

class ScanCommandTest : public testing::Test {
protected:
    void SetUp() override {
        if (access(CliPath().c_str(), X_OK) != 0) {
            GTEST_SKIP() << "quillora-cli is not built";
        }
        std::filesystem::create_directories(m_home);
    }
    SRun Run(const std::vector<std::string>& args) { return Finish(Start(args, m_home), m_home); }
    std::unique_ptr<CCDCase> Load(const std::filesystem::path& path) {
        bool badPassword = false;
        return ReadCaseFile(path.string(), "", &badPassword);
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
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("added medium \"一枚目\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("2 files"), std::string::npos) << run.out;
    EXPECT_EQ(run.err, "") << "no progress line when stderr is not a terminal";

    run = Run({"scan", casePath.string(), (m_dir / "disc2").string(), "--group", "箱"});
    ASSERT_EQ(run.status, 0) << run.err;
    run = Run({"scan", casePath.string(), (m_dir / "disc1").string(), "--group", "箱"});
    ASSERT_EQ(run.status, 0) << run.err;

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
    ASSERT_EQ(Run({"scan", casePath.string(), (m_dir / "disc").string()}).status, 0);
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
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err, "");
    EXPECT_EQ(ReadFileBytes(casePath), "this is not a case file");

    EXPECT_EQ(Run({"scan", (m_dir / "new.cas").string(), (m_dir / "missing").string()}).status, 2);
    EXPECT_EQ(Run({"scan", (m_dir / "new.cas").string(), (m_dir / "disc/a.txt").string()}).status,
              2);
    EXPECT_FALSE(std::filesystem::exists(m_dir / "new.cas"));
    EXPECT_EQ(Run({"scan", (m_dir / "new.cas").string()}).status, 1);
    EXPECT_EQ(Run({"scan", "a", "b", "--bogus"}).status, 1);
}

TEST_F(ScanCommandTest, InterruptCancelsAndLeavesTheCaseAsItWas) {
    const auto casePath = m_dir / "shelf.cas";
    ASSERT_EQ(Run({"new", casePath.string()}).status, 0);
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
        Start({"scan", casePath.string(), (m_dir / "disc").string(), "--crc"}, m_home);
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
    const SRun run = Finish(pid, m_home);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("cancelled"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFileBytes(casePath), before);
}

TEST_F(ScanCommandTest, PresenceReportsWhereMediaAreMounted) {
    m_dir.Write("disc/a.txt", "a");
    const auto casePath = m_dir / "shelf.cas";
    ASSERT_EQ(Run({"scan", casePath.string(), (m_dir / "disc").string(), "--label", "D"}).status,
              0);
    SRun run = Run({"presence", casePath.string()});
    ASSERT_EQ(run.status, 0) << run.err;

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

    EXPECT_EQ(Run({"presence", (m_dir / "missing.cas").string()}).status, 2);
    run = Run({"drives"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.substr(0, 5), "root\t");
    run = Run({"drives", "--all"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find('\n'), std::string::npos);
}

} // namespace
} // namespace quillora
