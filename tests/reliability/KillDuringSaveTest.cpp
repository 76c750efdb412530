// kill -9 in the middle of a save: the old case stays readable and whole, and no
// temporary file is left once the next command has run in that folder.
#include "ReliabilityTools.h"
#include "model/CaseFile.h"
#include "support/ScratchDir.h"

#include <csignal>
#include <gtest/gtest.h>

using namespace quillora;
using namespace quillora::test;
namespace fs = std::filesystem;

TEST(KillDuringSave, TheOldCaseStaysAndNothingIsLeftAfterTheNextRun) {
    ScratchDir dir;
    ScratchDir output;
    const fs::path folder = fs::canonical(dir.Path());
    const std::string path = (folder / "shelf.cas").string();
    // Large enough that writing it takes a while on any machine.
    WriteBigCase(path, 2000, 48u << 20);
    const std::string before = ReadFileBytes(path);
    const std::vector<std::string> env{"HOME=" + folder.string(), "PATH=/usr/bin:/bin",
                                       "XDG_CONFIG_HOME=" + (folder / "config").string()};
    int pid = StartCli({"comment", path, "Disc\\dir\\f00001.txt", "never saved"}, env,
                       output.Path().string());
    ASSERT_GT(pid, 0);
    bool saving = WaitUntil([&] { return HasNewFileOpenIn(pid, folder, path); });
    ::kill(pid, SIGKILL);
    CliResult killed = FinishCli(pid, output.Path().string());
    ASSERT_TRUE(saving) << "the save was never seen under way";
    EXPECT_EQ(killed.exitCode, -1) << "killed, not finished";
    EXPECT_EQ(ReadFileBytes(path), before);
    bool badPassword = false;
    EXPECT_NE(ReadCaseFile(path, "", &badPassword), nullptr);

    CliResult next = RunCli({"comment", path, "Disc\\dir\\f00001.txt", "saved"});
    EXPECT_EQ(next.exitCode, 0) << next.err;
    EXPECT_EQ(Temporaries(folder), 0);
    std::size_t entries = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        entries += entry.is_regular_file();
    }
    EXPECT_EQ(entries, 1u) << "the case alone";
}
