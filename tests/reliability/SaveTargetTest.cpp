// What is at the case's path decides how it is saved: through symbolic links to the
// real file, never over anything but a writable regular file, keeping the old mode.
#include "ReliabilityTools.h"
#include "model/CaseFile.h"
#include "model/SVolumeInfo.h"
#include "support/DeviceNode.h"
#include "support/OrdinaryUser.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillora;
using namespace quillora::test;
namespace fs = std::filesystem;

namespace {

constexpr const char* kRecord = "Disc\\dir\\f00002.txt";

std::string CommentOf(const std::string& path) {
    bool badPassword = false;
    std::unique_ptr<CCDCase> root = ReadCaseFile(path, "", &badPassword);
    if (!root) {
        return "(unreadable)";
    }
    return root->ChildAt(0)->ChildAt(0)->ChildAt(2)->Comment();
}

} // namespace

TEST(SaveTargets, ReadOnlyCasesAreRefusedAndSaveToAnotherNameWorks) {
    ScratchDir dir;
    const std::string path = (dir / "shelf.cas").string();
    WriteBigCase(path, 5);
    ::chmod(path.c_str(), 0444);
    const std::string before = ReadFileBytes(path);
    CliResult r = RunCli({"comment", path, kRecord, "new note"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("read-only"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFileBytes(path), before);
    const std::string copy = (dir / "copy.cas").string();
    EXPECT_EQ(RunCli({"save", path, copy}).exitCode, 0);
    EXPECT_EQ(CommentOf(copy), CommentOf(path));
    EXPECT_EQ(Temporaries(dir.Path()), 0);
}

TEST(SaveTargets, AReadOnlyFolderRefusesTheSaveAndKeepsTheCase) {
    ScratchDir dir;
    ::chmod(dir.Path().c_str(), 0755);
    const fs::path folder = dir / "shelf";
    fs::create_directories(folder);
    const std::string path = (folder / "shelf.cas").string();
    WriteBigCase(path, 5);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    }
    ::chmod(folder.c_str(), 0555);
    const std::string before = ReadFileBytes(path);
    const int result = AsOrdinaryUser([&] {
        CliResult r = RunCli({"comment", path, kRecord, "new note"});
        return r.exitCode == 2 && r.err.find("shelf.cas") != std::string::npos ? 0 : 1;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_EQ(Temporaries(folder), 0);
    ::chmod(folder.c_str(), 0755);
}

TEST(SaveTargets, ACaseReachedThroughALinkIsUpdatedWhereItLies) {
    ScratchDir dir;
    fs::create_directories(dir / "cases");
    const std::string real = (dir / "cases" / "shelf.cas").string();
    WriteBigCase(real, 5);
    ::chmod(real.c_str(), 0600);
    fs::create_symlink("cases/shelf.cas", dir / "link.cas");
    const std::string link = (dir / "link.cas").string();
    CliResult r = RunCli({"comment", link, kRecord, "through the link"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(CommentOf(real), "through the link");
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u) << "the new file keeps the old one's mode";
    EXPECT_EQ(Temporaries(dir.Path()) + Temporaries(dir / "cases"), 0);
}

TEST(SaveTargets, NothingButARegularFileIsReplaced) {
    ScratchDir dir;
    const std::string source = (dir / "shelf.cas").string();
    WriteBigCase(source, 5);
    ASSERT_EQ(::mkfifo((dir / "fifo.cas").c_str(), 0644), 0);
    fs::create_directories(dir / "folder.cas");
    const std::string device = DeviceNodeIn(dir.Path());
    for (const std::string& target :
         {(dir / "fifo.cas").string(), (dir / "folder.cas").string(), device}) {
        CliResult r = RunCli({"save", source, target});
        EXPECT_EQ(r.exitCode, 2) << target;
        EXPECT_NE(r.err.find(target), std::string::npos) << r.err;
    }
    EXPECT_TRUE(fs::is_fifo(dir / "fifo.cas"));
    EXPECT_TRUE(fs::is_directory(dir / "folder.cas"));
    EXPECT_TRUE(fs::is_character_file(device));
}
