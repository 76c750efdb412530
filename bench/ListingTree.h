// The benchmarks' listing tree: about 300,000 files in 15,000 leaf folders, made once
// below a folder and reused while its shape version stays the same.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace quillora::bench {

namespace fs = std::filesystem;

// Tree shapes. Bump the version when a shape changes so old trees are rebuilt.
inline constexpr int kTreeVersion = 1;
inline constexpr int kTop = 25, kMid = 24, kLeaf = 25, kFilesPerLeaf = 20; // 300,000 files

inline double ListingFiles() {
    return double(kTop) * kMid * kLeaf * kFilesPerLeaf;
}
inline int ListingFolders() {
    return kTop * kMid * kLeaf + kTop * kMid + kTop;
}

// A file of `size` bytes: random bytes when `content` is set, else a sparse file.
inline void WriteFile(const fs::path& path, std::size_t size, std::mt19937_64& random,
                      bool content) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
    if (!content) {
        // Only the size matters to a listing; a sparse file is quick to make.
        if (ftruncate(fd, static_cast<off_t>(size)) != 0) {
            std::perror("ftruncate");
        }
    } else {
        std::vector<std::uint64_t> buffer(size / 8);
        for (std::uint64_t& word : buffer) {
            word = random();
        }
        if (write(fd, buffer.data(), size) != static_cast<ssize_t>(size)) {
            std::perror("write");
        }
    }
    close(fd);
}

inline bool TreeIsCurrent(const fs::path& dir, const char* tag) {
    FILE* f = std::fopen((dir / tag).c_str(), "r");
    int version = 0;
    if (f) {
        if (std::fscanf(f, "%d", &version) != 1) {
            version = 0;
        }
        std::fclose(f);
    }
    return version == kTreeVersion;
}

inline void MarkTree(const fs::path& dir, const char* tag) {
    FILE* f = std::fopen((dir / tag).c_str(), "w");
    if (f) {
        std::fprintf(f, "%d\n", kTreeVersion);
        std::fclose(f);
    }
}

// The path of file `f` in leaf folder (t, m, l).
inline fs::path ListingFile(const fs::path& dir, int t, int m, int l, int f) {
    return dir / ("top" + std::to_string(t)) / ("mid" + std::to_string(m)) /
           ("leaf" + std::to_string(l)) / ("file_" + std::to_string(f) + ".dat");
}

// ~300,000 files in 15,000 leaf folders (plus their 625 parents); sizes 0-64 KiB.
inline void MakeListingTree(const fs::path& dir) {
    if (TreeIsCurrent(dir, ".complete")) {
        return;
    }
    std::printf("making the listing tree in %s ...\n", dir.c_str());
    std::fflush(stdout);
    fs::remove_all(dir);
    std::mt19937_64 random(20240601);
    for (int t = 0; t < kTop; ++t) {
        for (int m = 0; m < kMid; ++m) {
            for (int l = 0; l < kLeaf; ++l) {
                fs::create_directories(ListingFile(dir, t, m, l, 0).parent_path());
                for (int f = 0; f < kFilesPerLeaf; ++f) {
                    const std::size_t size = random() % 65536;
                    WriteFile(ListingFile(dir, t, m, l, f), size, random, false);
                }
            }
        }
    }
    MarkTree(dir, ".complete");
}

} // namespace quillora::bench
