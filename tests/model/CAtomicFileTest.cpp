// Saving replaces only what may be replaced: through symbolic links to the real file,
// never over folders, devices, FIFOs or read-only files, keeping the old file's mode,
// and without leaving files of a killed writer behind after the next save.
#include "model/CAtomicFile.h"
#include "model/CaseFile.h"
#include "model/FileException.h"
#include "model/SVolumeInfo.h"
#include "support/DeviceNode.h"
#include "support/OrdinaryUser.h"
#include "support/ScratchDir.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillora;
using quillora::test::AsOrdinaryUser;
using quillora::test::ReadFileBytes;
using quillora::test::ScratchDir;
namespace fs = std::filesystem;

namespace {

std::unique_ptr<CCDCase> CaseWithMedium(const std::string& label) {
    auto root = std::make_unique<CCDCase>();
    auto* medium = static_cast<SVolumeInfo*>(root->AddChild(std::make_unique<SVolumeInfo>()));
    medium->m_strLabel = label;
    return root;
}

std::string FirstLabel(const std::string& path) {
    bool badPassword = false;
    std::unique_ptr<CCDCase> root = ReadCaseFile(path, "", &badPassword);
    if (!root || root->ChildCount() == 0) {
        return "(unreadable)";
    }
    return static_cast<const SVolumeInfo*>(root->ChildAt(0))->m_strLabel;
}

// Names of our temporary files in a folder.
int Temporaries(const fs::path& folder) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        count += entry.path().filename().string().rfind(".quillora-save-", 0) == 0;
    }
    return count;
}

std::string SaveError(CCDCase& root, const std::string& path) {
    try {
        SaveCaseFile(root, path, false);
    } catch (const CFileException& e) {
        return e.what();
    }
    return {};
}

class UnnamedFiles {
public:
    explicit UnnamedFiles(bool allowed) { CAtomicFile::SetUnnamedFiles(allowed); }
    ~UnnamedFiles() { CAtomicFile::SetUnnamedFiles(true); }
};

} // namespace

TEST(CAtomicFile, SavingThroughSymbolicLinksUpdatesTheRealFileAndKeepsTheLinks) {
    ScratchDir dir;
    fs::create_directories(dir / "real");
    fs::create_directories(dir / "links");
    const std::string real = (dir / "real" / "case.cas").string();
    SaveCaseFile(*CaseWithMedium("first"), real, false);
    fs::create_symlink("../real/case.cas", dir / "links" / "link.cas");
    fs::create_symlink("links/link.cas", dir / "chain.cas");

    SaveCaseFile(*CaseWithMedium("second"), (dir / "chain.cas").string(), true);
    EXPECT_TRUE(fs::is_symlink(dir / "chain.cas"));
    EXPECT_TRUE(fs::is_symlink(dir / "links" / "link.cas"));
    EXPECT_EQ(FirstLabel(real), "second");
    EXPECT_EQ(FirstLabel((dir / "chain.cas").string()), "second");
    EXPECT_EQ(Temporaries(dir.Path()) + Temporaries(dir / "links") + Temporaries(dir / "real"), 0);

    // A link to a file not made yet: the file is made where the link points.
    fs::create_symlink("real/later.cas", dir / "later.cas");
    SaveCaseFile(*CaseWithMedium("third"), (dir / "later.cas").string(), false);
    EXPECT_TRUE(fs::is_symlink(dir / "later.cas"));
    EXPECT_EQ(FirstLabel((dir / "real" / "later.cas").string()), "third");

    // A loop of links is an error, not a hang.
    fs::create_symlink("loop-b.cas", dir / "loop-a.cas");
    fs::create_symlink("loop-a.cas", dir / "loop-b.cas");
    EXPECT_NE(SaveError(*CaseWithMedium("x"), (dir / "loop-a.cas").string()), "");
}

TEST(CAtomicFile, OnlyWritableRegularFilesAreReplaced) {
    ScratchDir dir;
    auto root = CaseWithMedium("new");
    const std::string fifo = (dir / "pipe.cas").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_NE(SaveError(*root, fifo).find("FIFO"), std::string::npos);
    EXPECT_TRUE(fs::is_fifo(fifo));
    fs::create_directories(dir / "folder.cas");
    EXPECT_NE(SaveError(*root, (dir / "folder.cas").string()).find("folder"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(dir / "folder.cas"));
    // A device is never replaced, even by root, who may write in /dev.
    const std::string device = test::DeviceNodeIn(dir.Path());
    EXPECT_NE(SaveError(*root, device).find("device"), std::string::npos);
    EXPECT_TRUE(fs::is_character_file(device));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = (dir / "s.cas").string();
    if (socketPath.size() < sizeof address.sun_path) {
        socketPath.copy(address.sun_path, socketPath.size());
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_NE(SaveError(*root, socketPath).find("socket"), std::string::npos);
        ::close(fd);
    }

    // A read-only case in a writable folder: refused, as editors do, with its bytes
    // kept; another name still works.
    const std::string readOnly = (dir / "ro.cas").string();
    SaveCaseFile(*CaseWithMedium("kept"), readOnly, false);
    const std::string before = ReadFileBytes(readOnly);
    ::chmod(readOnly.c_str(), 0444);
    EXPECT_NE(SaveError(*root, readOnly).find("read-only"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(readOnly), before);
    EXPECT_EQ(SaveError(*root, (dir / "copy.cas").string()), "");
    EXPECT_EQ(Temporaries(dir.Path()), 0);

    // Someone else's file the user may not write, in a folder the user may: refused too.
    const std::string foreign = (dir / "foreign.cas").string();
    SaveCaseFile(*CaseWithMedium("theirs"), foreign, false);
    ::chmod(foreign.c_str(), 0644);
    ::chmod(dir.Path().c_str(), 0777);
    const int refused = AsOrdinaryUser([&] {
        auto mine = CaseWithMedium("mine");
        return SaveError(*mine, foreign).find("read-only") != std::string::npos ? 0 : 1;
    });
    if (::geteuid() == 0 || ::access(foreign.c_str(), W_OK) != 0) {
        EXPECT_EQ(refused, 0);
        EXPECT_EQ(FirstLabel(foreign), "theirs");
    }
}

TEST(CAtomicFile, TheNewFileKeepsTheOldFilesModeAndOwner) {
    ScratchDir dir;
    const std::string path = (dir / "shelf.cas").string();
    SaveCaseFile(*CaseWithMedium("a"), path, false);
    ::chmod(path.c_str(), 0640);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    }
    SaveCaseFile(*CaseWithMedium("b"), path, true);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 65534u);
        EXPECT_EQ(st.st_gid, 65534u);
    }
    EXPECT_EQ(FirstLabel(path), "b");
}

TEST(CAtomicFile, AKilledWritersFileDoesNotOutliveTheNextSave) {
    for (bool unnamed : {true, false}) {
        UnnamedFiles mode(unnamed);
        ScratchDir dir;
        const std::string path = (dir / "shelf.cas").string();
        SaveCaseFile(*CaseWithMedium("old"), path, false);
        const std::string before = ReadFileBytes(path);
        pid_t pid = ::fork();
        if (pid == 0) {
            CAtomicFile file;
            file.Open(path);
            const std::string half = before.substr(0, before.size() / 2);
            (void)!::write(file.Fd(), half.data(), half.size());
            ::raise(SIGKILL);
            _exit(0);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(ReadFileBytes(path), before) << "unnamed " << unnamed;
        // An unnamed file dies with its writer; a named one waits for the next save.
        EXPECT_EQ(Temporaries(dir.Path()), unnamed ? 0 : 1);
        SaveCaseFile(*CaseWithMedium("next"), path, false);
        EXPECT_EQ(Temporaries(dir.Path()), 0) << "unnamed " << unnamed;
        EXPECT_EQ(FirstLabel(path), "next");
    }
}

TEST(CAtomicFile, ALiveWritersFileIsLeftAlone) {
    UnnamedFiles mode(false);
    ScratchDir dir;
    const std::string path = (dir / "shelf.cas").string();
    int ready[2], release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        ::close(release[1]);
        CAtomicFile file;
        file.Open(path);
        (void)!::write(ready[1], "x", 1);
        char c;
        (void)!::read(release[0], &c, 1);
        _exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    char c;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    EXPECT_EQ(CAtomicFile::RemoveStaleTemporaries(dir.Path().string()), 0);
    EXPECT_EQ(Temporaries(dir.Path()), 1);
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(ready[0]);
    ::close(release[1]);
    EXPECT_EQ(CAtomicFile::RemoveStaleTemporaries(dir.Path().string()), 1);
    EXPECT_EQ(Temporaries(dir.Path()), 0);
    // Names like ours that are not ours stay.
    dir.Write(".quillora-save-notes.txt", "mine");
    dir.Write("shelf.cas.XYZ123", "mine");
    EXPECT_EQ(CAtomicFile::RemoveStaleTemporaries(dir.Path().string()), 0);
}
