// Writing below an extraction folder: nothing goes through a symbolic link planted in
// it, a file arrives whole or not at all (a full disk, a member failing its CRC), the
// old file of the same name survives a failure, and names up to the file system's
// limit need no room for a temporary suffix.
#include "scan/ExtractTarget.h"
#include "scan/ArchiverSet.h"
#include "scan/ExtractedFile.h"

#include "ArchiveTestData.h"
#include "support/FileSizeLimit.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace quillora;
using quillora::test::ReadFileBytes;
using quillora::test::ScratchDir;
namespace fs = std::filesystem;

namespace {

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

class ExtractTargetTest : public ::testing::Test {
protected:
    void SetUp() override { m_set.LoadAll(); }
    void TearDown() override { m_set.UnloadAll(); }
    CArchiverSet m_set;
    ScratchDir m_dir;
};

} // namespace

TEST_F(ExtractTargetTest, ALinkPlantedInTheTargetIsNeverWrittenThrough) {
    fs::create_directories(m_dir / "elsewhere");
    fs::create_directories(m_dir / "target");
    fs::create_directory_symlink(m_dir / "elsewhere", m_dir / "target" / "sub");
    fs::create_symlink(m_dir / "elsewhere" / "victim.txt", m_dir / "target" / "file.txt");
    const fs::path tar = m_dir / "a.tar";
    quillora::test::WriteLibarchive(
        tar, "pax", "",
        {{"sub/x.txt", "through the link", kStamp}, {"file.txt", "replaces the link", kStamp}});
    const std::string target = (m_dir / "target").string();

    EXPECT_FALSE(m_set.Tar().Extract(tar.string(), target, {"sub/x.txt"}, true));
    EXPECT_NE(m_set.Tar().LastError().find("symbolic link"), std::string::npos)
        << m_set.Tar().LastError();
    // A link at a file's own name is replaced by the file, not written through.
    EXPECT_TRUE(m_set.Tar().Extract(tar.string(), target, {"file.txt"}, true));
    EXPECT_FALSE(fs::is_symlink(m_dir / "target" / "file.txt"));
    EXPECT_EQ(ReadFileBytes(m_dir / "target" / "file.txt"), "replaces the link");
    EXPECT_TRUE(fs::is_empty(m_dir / "elsewhere"));

    CExtractTarget below;
    ASSERT_TRUE(below.Open(target));
    EXPECT_LT(below.OpenFolder({"sub", "deeper"}, true).Get(), 0);
    EXPECT_TRUE(fs::is_empty(m_dir / "elsewhere"));
    EXPECT_GE(below.OpenFolder({"new", "deeper"}, true).Get(), 0);
    EXPECT_TRUE(fs::is_directory(m_dir / "target" / "new" / "deeper"));
}

TEST_F(ExtractTargetTest, NamesUpToTheFileSystemLimitAreExtracted) {
    const std::string name250(250, 'n');
    const std::string name255 = std::string(251, 'm') + ".txt";
    const fs::path tar = m_dir / "long.tar";
    quillora::test::WriteLibarchive(
        tar, "pax", "",
        {{"d/" + name250, "two hundred and fifty", kStamp}, {name255, "the longest name", kStamp}});
    const fs::path out = m_dir / "out";
    ASSERT_TRUE(m_set.Tar().Extract(tar.string(), out.string(), {}, true))
        << m_set.Tar().LastError();
    EXPECT_EQ(ReadFileBytes(out / "d" / name250), "two hundred and fifty");
    EXPECT_EQ(ReadFileBytes(out / name255), "the longest name");
    // Replacing an existing file of such a name works the same way.
    ASSERT_TRUE(m_set.Tar().Extract(tar.string(), out.string(), {name255}, true));
    EXPECT_EQ(Tree(out), (std::vector<std::string>{"d", "d/" + name250, name255}));
}

TEST_F(ExtractTargetTest, AFullDiskLeavesNoPartialFileAndKeepsTheOldOne) {
    const std::string big(600 * 1024, 'b');
    const fs::path tar = m_dir / "big.tar";
    quillora::test::WriteLibarchive(tar, "pax", "", {{"big.bin", big, kStamp}});
    const fs::path out = m_dir / "out";
    m_dir.Write("out/big.bin", "the user's old file");
    {
        quillora::test::FileSizeLimit full(64 * 1024);
        EXPECT_FALSE(m_set.Tar().Extract(tar.string(), out.string(), {}, true));
    }
    const std::string error = m_set.Tar().LastError();
    EXPECT_NE(error.find("big.bin"), std::string::npos) << error;
    EXPECT_NE(error.find("File too large"), std::string::npos) << error;
    EXPECT_EQ(ReadFileBytes(out / "big.bin"), "the user's old file");
    EXPECT_EQ(Tree(out), std::vector<std::string>{"big.bin"});

    // The plain writer alone: a short write is an error, Discard leaves nothing.
    CExtractTarget target;
    ASSERT_TRUE(target.Open((m_dir / "plain").string()));
    CUniqueFd folder = target.OpenFolder({}, true);
    CExtractedFile file;
    ASSERT_TRUE(file.Create(folder.Get(), "f.bin", "f.bin"));
    {
        quillora::test::FileSizeLimit full(1000);
        EXPECT_FALSE(file.Append(big.data(), big.size()));
    }
    EXPECT_NE(file.Error().find("f.bin"), std::string::npos);
    EXPECT_FALSE(file.Commit(big.size(), 0644, timespec{}));
    EXPECT_TRUE(fs::is_empty(m_dir / "plain"));
}

TEST_F(ExtractTargetTest, AMemberFailingItsCrcIsNotExtractedNorGivenACrc) {
    const std::string data(20000, 'c');
    m_dir.Write("src/good.txt", "good");
    m_dir.Write("src/bad.txt", data);
    ASSERT_EQ(quillora::test::RunTool({"zip", "-q", "-0", "../z.zip", "good.txt", "bad.txt"},
                                      m_dir / "src"),
              0);
    std::string bytes = ReadFileBytes(m_dir / "z.zip");
    const std::size_t at = bytes.find(data.substr(0, 64));
    ASSERT_NE(at, std::string::npos);
    bytes[at + 100] = 'X'; // stored data, so only the CRC can tell
    m_dir.Write("z.zip", bytes);
    const std::string zip = (m_dir / "z.zip").string();
    const fs::path out = m_dir / "out";
    m_dir.Write("out/bad.txt", "old");

    EXPECT_FALSE(m_set.Zip().Extract(zip, out.string(), {"bad.txt"}, true));
    EXPECT_NE(m_set.Zip().LastError().find("bad.txt"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(out / "bad.txt"), "old");
    EXPECT_TRUE(m_set.Zip().Extract(zip, out.string(), {"good.txt"}, true));
    EXPECT_EQ(Tree(out), (std::vector<std::string>{"bad.txt", "good.txt"}));

    // Read for its CRC while listing: the damaged member is listed without one.
    ASSERT_TRUE(m_set.Zip().OpenArchiveWithCrc(zip, CArcCrcChoice()));
    SArcListEntry entry;
    int withCrc = 0;
    for (bool more = m_set.Zip().FindFirst("*", entry); more; more = m_set.Zip().FindNext(entry)) {
        EXPECT_EQ(entry.m_bHasCrc, entry.Name() == "good.txt") << entry.Name();
        withCrc += entry.m_bHasCrc ? 1 : 0;
    }
    m_set.Zip().CloseArchive();
    EXPECT_EQ(withCrc, 1);
}

TEST_F(ExtractTargetTest, ExtractedFilesKeepTheirTimeAndPermissions) {
    const fs::path tar = m_dir / "t.tar";
    quillora::test::WriteLibarchive(tar, "pax", "", {{"a.txt", "alpha", kStamp}});
    const fs::path out = m_dir / "out";
    ASSERT_TRUE(m_set.Tar().Extract(tar.string(), out.string(), {}, true));
    struct stat st {};
    ASSERT_EQ(::stat((out / "a.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, kStamp);
    EXPECT_EQ(st.st_mode & 0777, 0644u & CExtractTarget::DefaultMode());
}
