// Folders listed ahead by worker threads: the same entries as the walk's own
// listing, never through a symbolic link, nothing left open, and a scan of a wide
// tree that comes out as if each folder had been listed in turn.
#include "ArchiveTestData.h"
#include "ScanTestTools.h"
#include "support/ScratchDir.h"

#include "core/FileTypeCode.h"
#include "model/SVolumeInfo.h"
#include "platform/DirectoryReader.h"
#include "scan/FolderPrefetch.h"
#include "scan/VolumeScanner.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quillora {
namespace {

using test::ScratchDir;

std::size_t OpenDescriptors() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

std::vector<std::string> Names(const std::vector<SDirEntry>& entries) {
    std::vector<std::string> names;
    for (const SDirEntry& entry : entries) {
        names.push_back(entry.m_osName + "/" + std::to_string(entry.m_size));
    }
    return names;
}

// Folders f000.. each holding files of different sizes.
void MakeWideTree(ScratchDir& dir, int folders) {
    for (int f = 0; f < folders; ++f) {
        const std::string folder = "f" + std::to_string(1000 + f).substr(1);
        std::filesystem::create_directories(dir / folder);
        for (int i = 0; i < 3; ++i) {
            dir.Write(folder + "/file" + std::to_string(i), std::string(f + i, 'x'));
        }
    }
}

class FolderPrefetch : public ::testing::Test {
protected:
    void SetUp() override {
        m_rootFd = open(m_dir.Path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ASSERT_GE(m_rootFd, 0);
    }
    void TearDown() override { close(m_rootFd); }

    // Folders on the scratch folder's file system, `depth` below it.
    CFolderPrefetch::SWalkBounds Bounds(int depth) const {
        struct stat st {};
        fstat(m_rootFd, &st);
        return {st.st_dev, depth};
    }
    // Waits until the number of open descriptors has stopped growing above `floor`:
    // each listing waiting to be taken holds its folder open.
    static void WaitForListings(std::size_t floor) {
        std::size_t open = 0;
        for (int i = 0; i < 5000; ++i) {
            usleep(1000);
            const std::size_t now = OpenDescriptors();
            if (now == open && now > floor) {
                return;
            }
            open = now;
        }
    }
    // Takes `relPath`, asking again while the walk would get there first.
    static bool TakeOnceListed(CFolderPrefetch& prefetch, const std::string& relPath,
                               CFolderPrefetch::SListing& listing) {
        for (int i = 0; i < 1000; ++i) {
            prefetch.Want({relPath});
            usleep(1000);
            if (prefetch.Take(relPath, listing)) {
                return true;
            }
        }
        return false;
    }

    ScratchDir m_dir;
    int m_rootFd = -1;
};

std::string FolderName(int f) {
    return "f" + std::to_string(1000 + f).substr(1);
}

TEST_F(FolderPrefetch, ListsWhatTheReaderListsAndLeavesNothingOpen) {
    // More folders than the workers keep listings waiting.
    const std::size_t waiting = CFolderPrefetch::WaitingListingsAllowed();
    const int folders = static_cast<int>(waiting) + 100;
    MakeWideTree(m_dir, folders);
    const std::size_t before = OpenDescriptors();
    {
        CFolderPrefetch prefetch(m_rootFd, false, false, 0, Bounds(1), 2);
        std::vector<std::string> names;
        for (int f = 0; f < folders; ++f) {
            names.push_back(FolderName(f));
        }
        prefetch.Want(names);
        // The workers stop when enough wait: then most of the folders asked for are
        // still queued.
        WaitForListings(before + waiting / 2);
        // The walk takes them in the order it enters them, oldest first; the workers
        // serve the newest first. The walk lists what nobody has started itself.
        int taken = 0;
        int withdrawn = 0;
        for (int f = 0; f < folders - 50; ++f) {
            CFolderPrefetch::SListing got;
            const std::string name = FolderName(f);
            if (!prefetch.Take(name, got)) {
                ++withdrawn;
                EXPECT_FALSE(prefetch.Take(name, got)) << "a listing is taken once";
                continue;
            }
            ++taken;
            std::vector<SDirEntry> expected;
            ASSERT_EQ(CDirectoryReader::ReadAll((m_dir / name).string(), expected), 0);
            EXPECT_EQ(Names(got.m_entries), Names(expected)) << name;
            EXPECT_EQ(got.m_error, 0);
            struct stat st {};
            ASSERT_EQ(fstat(got.m_fd, &st), 0);
            EXPECT_TRUE(S_ISDIR(st.st_mode));
            close(got.m_fd);
        }
        EXPECT_GT(taken, 0);
        EXPECT_GT(withdrawn, 0);
        // The rest is left to the destructor, listed or not.
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(FolderPrefetch, NeverOpensThroughALinkNorOutsideItsFolder) {
    std::filesystem::create_directories(m_dir / "real/sub");
    std::filesystem::create_directory_symlink("real", m_dir / "link");
    std::filesystem::create_directory_symlink(m_dir.Path(), m_dir / "real/back");
    const int fd = CFolderPrefetch::OpenBelow(m_rootFd, "real/sub");
    EXPECT_GE(fd, 0);
    close(fd);
    const std::string outside = "../" + m_dir.Path().filename().string();
    for (const std::string path : {"link/sub", "link", "real/back/real", outside.c_str()}) {
        EXPECT_EQ(CFolderPrefetch::OpenBelow(m_rootFd, path), -1) << path;
    }
    // Such a folder is no listing at all: the walk opens it itself and finds the link.
    CFolderPrefetch prefetch(m_rootFd, false, false, 0, Bounds(1), 1);
    CFolderPrefetch::SListing listing;
    EXPECT_FALSE(TakeOnceListed(prefetch, "link", listing));
    EXPECT_EQ(listing.m_fd, -1);
}

TEST_F(FolderPrefetch, ReadsTheFirstBytesOfTheFileTypesAskedFor) {
    m_dir.Write("d/a.zip", "PK\x03\x04 zip bytes");
    m_dir.Write("d/b.lzh", "lha bytes");
    m_dir.Write("d/c.zip", "");
    m_dir.Write("d/plain.txt", "text");
    // A tar header is one 512-byte block whose checksum covers all of it.
    test::WriteLibarchive(m_dir / "d/t.tar", "pax", "", {{"member", "data"}});
    std::filesystem::create_directory(m_dir / "d/e.zip");
    CFolderPrefetch prefetch(m_rootFd, false, false, (1u << kFtZip) | (1u << kFtTar), Bounds(1), 1);
    CFolderPrefetch::SListing listing;
    ASSERT_TRUE(TakeOnceListed(prefetch, "d", listing));
    ASSERT_GE(listing.m_fd, 0);
    close(listing.m_fd);
    for (std::size_t i = 0; i < listing.m_entries.size(); ++i) {
        const std::string& name = listing.m_entries[i].m_osName;
        const CArchiveHead* head = listing.HeadOf(i);
        if (name == "a.zip") {
            ASSERT_NE(head, nullptr);
            EXPECT_TRUE(head->LooksLikeZip());
            EXPECT_EQ(head->FileSize(), 14u);
        } else if (name == "t.tar") {
            ASSERT_NE(head, nullptr);
            EXPECT_TRUE(head->LooksLikeTarFamily());
        } else {
            // Other types, an empty file and a folder named like an archive: none.
            EXPECT_EQ(head, nullptr) << name;
        }
    }
}

TEST_F(FolderPrefetch, GoesOnIntoSubfoldersAsFarAsTheWalkGoes) {
    std::filesystem::create_directories(m_dir / "a/b/c");
    std::filesystem::create_directories(m_dir / "a/x");
    std::filesystem::create_symlink("b", m_dir / "a/link");
    const std::size_t before = OpenDescriptors();
    {
        CFolderPrefetch prefetch(m_rootFd, false, false, 0, Bounds(2), 1);
        CFolderPrefetch::SListing listing;
        ASSERT_TRUE(TakeOnceListed(prefetch, "a", listing));
        close(listing.m_fd);
        // Nobody asked for a's subfolders: the worker went on into them, but not into
        // the link nor further than two folders down.
        WaitForListings(before + 2);
        for (const char* path : {"a/b", "a/x"}) {
            EXPECT_TRUE(prefetch.Take(path, listing)) << path;
            close(listing.m_fd);
        }
        EXPECT_FALSE(prefetch.Take("a/b/c", listing));
        EXPECT_FALSE(prefetch.Take("a/link", listing));
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(FolderPrefetch, AVeryLargeFolderIsLeftToTheWalk) {
    // Names for a few files (ext4 allows 65,000 links to one): cheaper to make than
    // as many files.
    constexpr std::size_t kLinksPerFile = 60000;
    for (std::size_t i = 0; i <= CFolderPrefetch::kMaxWaitingEntries; ++i) {
        const std::string name = (m_dir / "big" / std::to_string(i)).string();
        if (i % kLinksPerFile == 0) {
            m_dir.Write("big/" + std::to_string(i), "");
            continue;
        }
        const std::string file = (m_dir / "big" / std::to_string(i - i % kLinksPerFile)).string();
        ASSERT_EQ(link(file.c_str(), name.c_str()), 0) << std::strerror(errno);
    }
    CFolderPrefetch prefetch(m_rootFd, false, false, 0, Bounds(1), 1);
    const std::size_t idle = OpenDescriptors();
    prefetch.Want({"big"});
    // The worker holds the folder open while it reads it, and closes it when it gives
    // up; then the walk finds no listing and reads the folder itself.
    for (int i = 0; i < 5000 && OpenDescriptors() == idle; ++i) {
        usleep(200);
    }
    for (int i = 0; i < 20000 && OpenDescriptors() != idle; ++i) {
        usleep(1000);
    }
    CFolderPrefetch::SListing listing;
    EXPECT_FALSE(prefetch.Take("big", listing));
    EXPECT_EQ(listing.m_fd, -1);
}

TEST(FolderPrefetchScan, AFewDescriptorsAreEnoughForAWideScan) {
    // Listings waiting for the walk hold descriptors the walk itself needs; with few
    // allowed, fewer wait and no folder goes unread for want of one.
    ScratchDir dir;
    MakeWideTree(dir, 300);
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    struct rlimit few = saved;
    few.rlim_cur = 48;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &few), 0);
    EXPECT_EQ(CFolderPrefetch::WaitingListingsAllowed(), 12u);
    SVolumeInfo volume;
    CVolumeScanner scanner{SScanOptions{}};
    scanner.AddVolume(volume, dir.Path().string(), nullptr, nullptr);
    setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(volume.CountFolders(true), 300u);
    EXPECT_EQ(volume.CountFiles(true), 900u);
}

TEST(FolderPrefetchScan, AWideDeepTreeComesOutInTheOrderOfItsListings) {
    ScratchDir dir;
    for (int a = 0; a < 12; ++a) {
        for (int b = 0; b < 12; ++b) {
            const std::string folder = "a" + std::to_string(a) + "/b" + std::to_string(b);
            std::filesystem::create_directories(dir / folder / "c");
            dir.Write(folder + "/c/leaf", std::string(a + b, 'y'));
            dir.Write(folder + "/note", "n");
        }
    }
    SVolumeInfo volume;
    CVolumeScanner scanner{SScanOptions{}};
    scanner.AddVolume(volume, dir.Path().string(), nullptr, nullptr);

    // Each record's children are its folder's entries in the folder's own order, all
    // the way down.
    std::vector<std::pair<const SFileInfo*, std::filesystem::path>> pending{{&volume, dir.Path()}};
    std::size_t folders = 0;
    while (!pending.empty()) {
        auto [record, path] = pending.back();
        pending.pop_back();
        ++folders;
        std::vector<SDirEntry> entries;
        ASSERT_EQ(CDirectoryReader::ReadAll(path.string(), entries), 0);
        ASSERT_EQ(record->ChildCount(), entries.size()) << path;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const SFileInfo& child = *record->ChildAt(i);
            EXPECT_EQ(child.m_strName, entries[i].m_name) << path;
            if (entries[i].m_kind == EntryKind::Directory) {
                pending.emplace_back(&child, path / entries[i].m_osName);
            } else {
                EXPECT_EQ(child.m_nSize, entries[i].m_size) << path;
            }
        }
    }
    EXPECT_EQ(folders, 1u + 12 + 12 * 12 * 2);
}

} // namespace
} // namespace quillora
