// Whole buffers and gathered pieces written through write(2)/writev(2): more pieces than
// one call takes, empty pieces among them, and a full disk reported, not hidden.
#include "core/WriteAll.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

using namespace quillora;

namespace {

std::string Contents(int fd) {
    std::string out(static_cast<std::size_t>(::lseek(fd, 0, SEEK_END)), '\0');
    EXPECT_EQ(::pread(fd, out.data(), out.size(), 0), static_cast<ssize_t>(out.size()));
    return out;
}

} // namespace

TEST(WriteAll, GatheredPiecesArriveInOrderAcrossManyCalls) {
    const int fd = ::memfd_create("write-all", MFD_CLOEXEC);
    ASSERT_GE(fd, 0);
    std::vector<std::string> texts;
    std::string expected;
    for (int i = 0; i < 5000; ++i) { // several times IOV_MAX, with empty pieces
        texts.push_back(i % 7 == 0 ? std::string() : std::to_string(i) + ",");
        expected += texts.back();
    }
    std::vector<iovec> pieces;
    for (std::string& text : texts) {
        pieces.push_back({text.data(), text.size()});
    }
    // A run of nothing but empty pieces longer than one call must not read as a full disk.
    std::vector<iovec> empty(3000, iovec{nullptr, 0});
    pieces.insert(pieces.begin() + 10, empty.begin(), empty.end());
    EXPECT_TRUE(WriteAllGathered(fd, pieces));
    EXPECT_TRUE(WriteAll(fd, "end"));
    EXPECT_EQ(Contents(fd), expected + "end");
    ::close(fd);
}

TEST(WriteAll, AFullDiskIsAnError) {
    const int fd = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    std::string text(100, 'x');
    errno = 0;
    EXPECT_FALSE(WriteAll(fd, text));
    EXPECT_EQ(errno, ENOSPC);
    std::vector<iovec> pieces{{text.data(), text.size()}};
    EXPECT_FALSE(WriteAllGathered(fd, pieces));
    ::close(fd);
}
