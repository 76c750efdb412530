// Two commands changing one case take turns: neither change is lost, and a command
// that finds the case in use says so and waits.
#include "ReliabilityTools.h"
#include "model/CCaseLock.h"
#include "model/CaseFile.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

using namespace quillora;
using namespace quillora::test;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Environment(const ScratchDir& dir) {
    return {"HOME=" + dir.Path().string(), "PATH=/usr/bin:/bin",
            "XDG_CONFIG_HOME=" + (dir / "config").string()};
}

std::vector<std::string> Comments(const std::string& path) {
    bool badPassword = false;
    std::unique_ptr<CCDCase> root = ReadCaseFile(path, "", &badPassword);
    std::vector<std::string> comments;
    if (root) {
        for (const auto& file : root->ChildAt(0)->ChildAt(0)->Children()) {
            comments.push_back(file->Comment());
        }
    }
    return comments;
}

} // namespace

TEST(ConcurrentWriters, TwoEditsAtOnceBothSurvive) {
    ScratchDir dir;
    const std::string path = (dir / "shelf.cas").string();
    WriteBigCase(path, 3000);
    for (int round = 0; round < 5; ++round) {
        fs::create_directories(dir / "a");
        fs::create_directories(dir / "b");
        const std::string a = "first " + std::to_string(round);
        const std::string b = "second " + std::to_string(round);
        int pa = StartCli({"comment", path, "Disc\\dir\\f00010.txt", a}, Environment(dir),
                          (dir / "a").string());
        int pb = StartCli({"comment", path, "Disc\\dir\\f02990.txt", b}, Environment(dir),
                          (dir / "b").string());
        CliResult ra = FinishCli(pa, (dir / "a").string());
        CliResult rb = FinishCli(pb, (dir / "b").string());
        ASSERT_EQ(ra.exitCode, 0) << ra.err;
        ASSERT_EQ(rb.exitCode, 0) << rb.err;
        std::vector<std::string> comments = Comments(path);
        ASSERT_EQ(comments.size(), 3000u);
        EXPECT_EQ(comments[10], a) << "round " << round;
        EXPECT_EQ(comments[2990], b) << "round " << round;
    }
    EXPECT_EQ(Temporaries(dir.Path()), 0);
}

TEST(ConcurrentWriters, AnEditWaitsWithAMessageWhileAnotherProgramHoldsTheCase) {
    ScratchDir dir;
    const std::string path = (dir / "shelf.cas").string();
    WriteBigCase(path, 5);
    CCaseLock other;
    ASSERT_EQ(other.Acquire(path, CCaseLock::EKind::Shared, false), CCaseLock::EResult::Held);
    const std::string before = ReadFileBytes(path);
    fs::create_directories(dir / "run");
    int pid = StartCli({"comment", path, "Disc\\dir\\f00001.txt", "after the wait"},
                       Environment(dir), (dir / "run").string());
    ASSERT_TRUE(WaitUntil([&] {
        return ReadFileBytes(dir / "run" / "err").find("waiting for") != std::string::npos;
    }));
    EXPECT_EQ(ReadFileBytes(path), before) << "nothing is read or written while waiting";
    other.Release();
    CliResult r = FinishCli(pid, (dir / "run").string());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Comments(path)[1], "after the wait");
}
