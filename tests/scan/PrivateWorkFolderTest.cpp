// Work folders: a folder left by a killed program is removed by the next one, while
// a folder in use, a folder given up a moment ago and other names stay.
#include "scan/PrivateWorkFolder.h"
#include "support/ScratchDir.h"

#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillora;
using quillora::test::ScratchDir;
namespace fs = std::filesystem;

namespace {

// Moves a folder's modification time two minutes into the past.
void Age(const fs::path& folder) {
    timespec times[2];
    times[0].tv_sec = times[1].tv_sec = std::time(nullptr) - 120;
    times[0].tv_nsec = times[1].tv_nsec = 0;
    ASSERT_EQ(::utimensat(AT_FDCWD, folder.c_str(), times, 0), 0);
}

} // namespace

TEST(PrivateWorkFolder, FoldersOfKilledProgramsAreRemovedAndOthersStay) {
    ScratchDir dir;
    const std::string base = dir.Path().string() + "/";
    // A program killed while it had a folder with a file in it.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t pid = ::fork();
    if (pid == 0) {
        CPrivateWorkFolder folder;
        if (folder.Create(base)) {
            std::FILE* f = std::fopen((folder.Path() + "member.cas").c_str(), "w");
            std::fputs("data", f);
            std::fclose(f);
            (void)!::write(ready[1], folder.Path().data(), folder.Path().size());
        }
        ::raise(SIGKILL);
        _exit(0);
    }
    ::close(ready[1]);
    char buffer[4096];
    ssize_t n = ::read(ready[0], buffer, sizeof buffer);
    ::close(ready[0]);
    ASSERT_GT(n, 0);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const fs::path killed(std::string(buffer, static_cast<std::size_t>(n)));
    ASSERT_TRUE(fs::exists(killed / "member.cas"));

    CPrivateWorkFolder live;
    ASSERT_TRUE(live.Create(base));
    fs::create_directory(dir / "quillora-recent");
    fs::create_directory(dir / "quillora-notes-2024");
    for (const fs::path& folder : {killed, fs::path(live.Path()), dir / "quillora-notes-2024"}) {
        Age(folder);
    }
    EXPECT_EQ(CPrivateWorkFolder::RemoveStaleFolders(base), 1);
    EXPECT_FALSE(fs::exists(killed));
    EXPECT_TRUE(fs::exists(live.Path())) << "in use";
    EXPECT_TRUE(fs::exists(dir / "quillora-recent")) << "may have been given up a moment ago";
    EXPECT_TRUE(fs::exists(dir / "quillora-notes-2024")) << "not a name of ours";
}
