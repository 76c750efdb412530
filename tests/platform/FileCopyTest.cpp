// Copies through a temporary beside the destination: long names, a full disk.
#include "platform/FileCopy.h"

#include "support/FileSizeLimit.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillora {
namespace {

TEST(FileCopy, ANameOfTheLongestLengthStillHasRoomForItsTemporary) {
    test::ScratchDir dir;
    const auto source = dir.Write("src.bin", "payload");
    const auto destination = dir / std::string(255, 'n');
    std::string error;
    ASSERT_EQ(CopyFileAtomically(source.string(), destination.string(), {}, {}, &error),
              ECopyResult::Copied)
        << error;
    EXPECT_EQ(test::ReadFileBytes(destination), "payload");
}

TEST(FileCopy, AFullDiskFailsAndLeavesTheOldFileAndNoTemporary) {
    test::ScratchDir dir;
    const auto source = dir.Write("src.bin", std::string(64 * 1024, 'x'));
    const auto destination = dir.Write("dst.bin", "old");
    std::string error;
    {
        test::FileSizeLimit limit(4096);
        EXPECT_EQ(CopyFileAtomically(source.string(), destination.string(), {}, {}, &error),
                  ECopyResult::Failed);
    }
    EXPECT_NE(error.find("dst.bin"), std::string::npos) << error;
    EXPECT_EQ(test::ReadFileBytes(destination), "old");
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 2);
}

} // namespace
} // namespace quillora
