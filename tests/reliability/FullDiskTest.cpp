// A full disk: an edit, a save under a new name and a packed save that do not fit fail
// with one line naming the file and the cause, and leave the case as it was and no
// temporary file behind. The disk is a small tmpfs where the test may mount one, else
// quillora-cli runs under a file-size limit. Under `ulimit -f` every command that writes
// fails its write with a message instead of dying of SIGXFSZ.
#include "ReliabilityTools.h"
#include "model/CaseFile.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

using namespace quillora;
using namespace quillora::test;
namespace fs = std::filesystem;

namespace {

class FullDisk : public ::testing::Test {
protected:
    // Runs quillora-cli where a case of ~170 KB cannot be written twice.
    CliResult Run(const std::vector<std::string>& args) {
        return m_disk.Mounted() ? RunCli(args) : RunCliWithFileSizeLimit(args, 64 * 1024);
    }

    void ExpectOneLineNaming(const CliResult& r, const std::string& name) {
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.err.rfind("quillora-cli: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(name), std::string::npos) << r.err;
        EXPECT_TRUE(r.err.find("No space left") != std::string::npos ||
                    r.err.find("too large") != std::string::npos)
            << r.err;
    }

    ScratchDir m_dir;
    fs::path m_folder = m_dir / "disk";
    CSmallDisk m_disk{m_folder, 256 * 1024};
};

} // namespace

TEST_F(FullDisk, AnEditThatDoesNotFitLeavesTheCaseAsItWas) {
    for (bool compress : {false, true}) {
        const std::string path = (m_folder / "shelf.cas").string();
        // Stored contents of random bytes keep the gzip form as large as the plain one.
        WriteBigCase(path, compress ? 10 : 2000, compress ? 170 * 1024 : 0, compress);
        const std::string before = ReadFileBytes(path);
        ASSERT_GT(before.size(), 150u * 1024);
        CliResult r = Run({"comment", path, "Disc\\dir\\f00001.txt", "lost"});
        ExpectOneLineNaming(r, "shelf.cas");
        EXPECT_EQ(ReadFileBytes(path), before) << "compress " << compress;
        EXPECT_EQ(Temporaries(m_folder), 0);
        fs::remove(path);
    }
}

TEST_F(FullDisk, SavingUnderANewNameOrPackedLeavesNothingBehind) {
    // The case itself lies elsewhere; only the new file goes to the full disk.
    const std::string source = (m_dir / "shelf.cas").string();
    WriteBigCase(source, 10, 300 * 1024);
    for (const char* name : {"copy.cas", "copy.caz"}) {
        const std::string target = (m_folder / name).string();
        CliResult r = Run({"save", source, target});
        ExpectOneLineNaming(r, name);
        EXPECT_FALSE(fs::exists(target)) << name;
        EXPECT_EQ(Temporaries(m_folder), 0);
    }
    // Once there is room again, the same save works.
    const std::string roomy = (m_dir / "copy.cas").string();
    EXPECT_EQ(RunCli({"save", source, roomy}).exitCode, 0);
    bool badPassword = false;
    EXPECT_NE(ReadCaseFile(roomy, "", &badPassword), nullptr);
}

TEST(FileSizeLimit, EveryCommandThatWritesFailsItsWriteInsteadOfDying) {
    ScratchDir dir;
    const std::string path = (dir / "shelf.cas").string();
    for (int i = 0; i < 20; ++i) {
        dir.Write("disc/f" + std::to_string(i) + ".txt", "x");
    }
    ASSERT_EQ(RunCli({"scan", path, (dir / "disc").string(), "--label", "Disc"}).exitCode, 0);
    // The medium grows past what the limit lets the case grow to.
    for (int i = 0; i < 3000; ++i) {
        dir.Write("disc/more" + std::to_string(i) + ".txt", "x");
    }
    const std::string before = ReadFileBytes(path);
    // Lists of the 20 files take more than 256 bytes.
    const std::size_t grown = before.size() + 512;
    const std::vector<std::pair<std::vector<std::string>, std::size_t>> commands = {
        {{"update", path, "Disc\\"}, grown},
        {{"scan", (dir / "new.cas").string(), (dir / "disc").string()}, grown},
        {{"scan", path, (dir / "disc").string(), "--label", "Again"}, grown},
        {{"export", path, "--format", "csv", "--output", (dir / "list.csv").string()}, 256},
        {{"print", path, "--pdf", (dir / "list.pdf").string()}, 256},
    };
    for (const auto& [args, limit] : commands) {
        CliResult r = RunCliWithFileSizeLimit(args, limit);
        EXPECT_EQ(r.exitCode, 2) << args[0] << ": " << r.err;
        EXPECT_NE(r.err.find("too large"), std::string::npos) << args[0] << ": " << r.err;
        EXPECT_EQ(ReadFileBytes(path), before) << args[0];
        EXPECT_EQ(Temporaries(dir.Path()), 0) << args[0];
    }
}
