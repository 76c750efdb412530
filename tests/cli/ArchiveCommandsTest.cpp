// quillora-cli with archives: scans that list archives (or not), entry CRCs, and
// cases written again under new names as ".caz" or gzip ".cas".
#include "support/CliRunner.h"
#include "support/ScratchDir.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <zlib.h>

using namespace quillora::test;
namespace fs = std::filesystem;

namespace {

// Settings of the desktop program must not leak into these runs.
class ArchiveCommands : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        m_old = old ? std::optional<std::string>(old) : std::nullopt;
        setenv("XDG_CONFIG_HOME", (m_dir / "config").c_str(), 1);
        fs::create_directories(m_dir / "medium");
    }
    void TearDown() override {
        m_old ? setenv("XDG_CONFIG_HOME", m_old->c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
    }
    // A zip made with the zip tool: docs/a.txt and b.txt.
    void MakeZip() {
        m_dir.Write("src/docs/a.txt", "alpha");
        m_dir.Write("src/b.txt", "bravo!");
        ASSERT_EQ(RunTool({"zip", "-q", "-r", (m_dir / "medium" / "pack.zip").string(), "."},
                          m_dir / "src"),
                  0);
    }
    static int RunTool(const std::vector<std::string>& argv, const fs::path& cwd) {
        std::string line = "cd '" + cwd.string() + "' &&";
        for (const std::string& arg : argv) {
            line += " '" + arg + "'";
        }
        return std::system((line + " >/dev/null").c_str());
    }

    ScratchDir m_dir;
    std::optional<std::string> m_old;
};

std::string JsonOf(const std::string& tree, const std::string& name) {
    std::size_t at = tree.find("\"name\":\"" + name + "\"");
    if (at == std::string::npos) {
        return {};
    }
    std::size_t start = tree.rfind('{', at);
    return tree.substr(start, tree.find('}', at) - start + 1);
}

} // namespace

TEST_F(ArchiveCommands, ScanListsArchivesUnlessToldNotTo) {
    MakeZip();
    const std::string cas = (m_dir / "a.cas").string();
    CliResult scan = RunCli({"scan", cas, (m_dir / "medium").string(), "--arc-crc"});
    ASSERT_EQ(scan.exitCode, 0) << scan.err;
    CliResult tree = RunCli({"tree", cas, "--json"});
    ASSERT_EQ(tree.exitCode, 0) << tree.err;
    const std::string node = JsonOf(tree.out, "pack.zip");
    EXPECT_NE(node.find("\"arcType\":2"), std::string::npos) << node;
    EXPECT_NE(node.find("\"flags\":1073741840"), std::string::npos) << node;
    const std::string a = JsonOf(tree.out, "a.txt");
    EXPECT_NE(a.find("\"packedSize\":5"), std::string::npos) << a;
    EXPECT_NE(a.find("\"arcText\":\"\""), std::string::npos) << a;
    EXPECT_NE(
        a.find("\"crc\":" + std::to_string(crc32(0, reinterpret_cast<const Bytef*>("alpha"), 5))),
        std::string::npos)
        << a;
    EXPECT_NE(JsonOf(tree.out, "docs").find("\"flags\":3221225488"), std::string::npos);

    const std::string plain = (m_dir / "b.cas").string();
    ASSERT_EQ(RunCli({"scan", plain, (m_dir / "medium").string(), "--no-archives"}).exitCode, 0);
    CliResult flat = RunCli({"tree", plain, "--json"});
    EXPECT_NE(JsonOf(flat.out, "pack.zip").find("\"arcType\":0"), std::string::npos);
    EXPECT_TRUE(JsonOf(flat.out, "a.txt").empty());
}

TEST_F(ArchiveCommands, SaveWritesPackedAndCompressedCopies) {
    MakeZip();
    const std::string cas = (m_dir / "a.cas").string();
    ASSERT_EQ(RunCli({"scan", cas, (m_dir / "medium").string()}).exitCode, 0);
    const std::string caz = (m_dir / "a.caz").string();
    CliResult save = RunCli({"save", cas, caz});
    ASSERT_EQ(save.exitCode, 0) << save.err;
    const std::string packed = ReadFileBytes(caz);
    EXPECT_NE(packed.find("-lh"), std::string::npos);
    EXPECT_NE(packed.find("toblharc.cas"), std::string::npos);

    const std::string gz = (m_dir / "c.cas").string();
    ASSERT_EQ(RunCli({"save", caz, gz, "--compress"}).exitCode, 0);
    EXPECT_EQ(ReadFileBytes(gz).substr(0, 2), "\x1F\x8B");
    const std::string back = (m_dir / "d.cas").string();
    ASSERT_EQ(RunCli({"save", gz, back}).exitCode, 0);
    EXPECT_EQ(ReadFileBytes(back).substr(0, 2), "\xFF\xFF");
    CliResult original = RunCli({"tree", cas});
    CliResult copy = RunCli({"tree", back});
    ASSERT_EQ(copy.exitCode, 0) << copy.err;
    // Only the case's own name line differs.
    EXPECT_EQ(original.out.substr(original.out.find('\n')), copy.out.substr(copy.out.find('\n')));

    // Reading a damaged ".caz" fails with one line naming it, and nothing is written.
    const std::string broken = m_dir.Write("broken.caz", "not an archive").string();
    CliResult bad = RunCli({"save", broken, (m_dir / "e.cas").string()});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("broken.caz"), std::string::npos);
    EXPECT_FALSE(fs::exists(m_dir / "e.cas"));
    EXPECT_EQ(RunCli({"save", cas}).exitCode, 1);
    EXPECT_EQ(RunCli({"save", cas, (m_dir / "no" / "x.caz").string()}).exitCode, 2);
}
