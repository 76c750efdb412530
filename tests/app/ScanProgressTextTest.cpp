// The loading dialog's progress texts: the folder line shortened to 35 characters, the
// name line's prefixes, and the sink that keeps only the newest state.
#include "app/media/ScanProgressText.h"
#include "app/media/CLatestScanProgress.h"
#include "core/Resources.h"
#include "model/EditingTree.h"
#include "model/SVolumeInfo.h"

#include <gtest/gtest.h>

using namespace quillora;
using namespace quillora::test;

TEST(ShortenProgressPath, ShortPathsStayWhole) {
    EXPECT_EQ(ShortenProgressPath(""), "");
    const std::string exact(35, 'a');
    EXPECT_EQ(ShortenProgressPath(exact), exact);
}

TEST(ShortenProgressPath, LongPathKeepsTheTailAfterTheLeftmostSeparator) {
    // 38 characters; the last 32 start inside "aaaa", so the cut is at its end.
    const std::string path = "X:\\aaaa\\bbbbbbbbbbbb\\cccccccccc\\dddddd";
    ASSERT_EQ(path.size(), 38u);
    const std::string shortened = ShortenProgressPath(path);
    EXPECT_EQ(shortened, ".../bbbbbbbbbbbb\\cccccccccc\\dddddd");
    EXPECT_LE(shortened.size(), 35u);
}

TEST(ShortenProgressPath, CutsAfterTheLeftmostSeparatorOfTheTail) {
    // 36 characters: the tail (last 32) begins after "X:\\" and holds two separators.
    const std::string path =
        "X:\\" + std::string(3, 'p') + "\\" + std::string(20, 'q') + "\\" + std::string(8, 'r');
    ASSERT_EQ(path.size(), 36u);
    EXPECT_EQ(ShortenProgressPath(path),
              ".../" + std::string(20, 'q') + "\\" + std::string(8, 'r'));
}

TEST(ShortenProgressPath, TailWithoutUsableSeparatorIsShownWhole) {
    const std::string noSeparator = "X:\\" + std::string(40, 'n');
    EXPECT_EQ(ShortenProgressPath(noSeparator), noSeparator);
    const std::string separatorLast = "X:\\" + std::string(40, 'n') + "\\";
    EXPECT_EQ(ShortenProgressPath(separatorLast), separatorLast);
}

TEST(ShortenProgressPath, CountsCharactersNotBytes) {
    // 20 katakana (60 bytes) and a short tail: 27 characters, shorter than the limit.
    const std::string wide = "X:\\" + std::string() + "ﾌｫﾙﾀﾞﾌｫﾙﾀﾞﾌｫﾙﾀﾞﾌｫﾙﾀﾞ" + "\\abc";
    EXPECT_EQ(ShortenProgressPath(wide), wide);
    // Forty double-byte characters before the tail: cut, never inside a character.
    std::string longWide = "/media/";
    for (int i = 0; i < 40; ++i) {
        longWide += "写";
    }
    longWide += "\\写真\\一月";
    const std::string shortened = ShortenProgressPath(longWide);
    EXPECT_EQ(shortened, ".../写真\\一月");
}

TEST(ShortenProgressPath, MountPointSlashesCountAsSeparators) {
    const std::string path = "/media/someone/A_VERY_LONG_DISC_NAME/inner";
    EXPECT_EQ(ShortenProgressPath(path), ".../A_VERY_LONG_DISC_NAME/inner");
}

TEST(ProgressFolderPath, KeepsTheRootSeparatorOnlyAtTheTop) {
    CScopedModelSettings settings(3);
    SFileInfo root;
    auto* medium = AddMedium(root, "DISC", "/media/disc");
    auto* top = AddFile(*medium, "a.txt");
    auto* folder = AddFolder(*medium, "photos");
    auto* inner = AddFile(*folder, "b.jpg");
    EXPECT_EQ(ProgressFolderPath(*top), "/media/disc/");
    EXPECT_EQ(ProgressFolderPath(*inner), "/media/disc/photos");
    // A folder medium below the root file system's mount point.
    auto* home = AddMedium(root, "home", "/");
    auto* deep = AddFolder(*AddFolder(*home, "docs"), "2024");
    EXPECT_EQ(ProgressFolderPath(*AddFile(*deep, "c.txt")), "/docs/2024");
    EXPECT_EQ(ProgressFolderPath(*AddFile(*home, "d.txt")), "/");
}

TEST(ProgressNameLine, PrefixesByCode) {
    EXPECT_EQ(ProgressNameLine(kScanProgressRecord, "a.lzh"), "a.lzh");
    EXPECT_EQ(ProgressNameLine(kScanProgressArcComment, "a.lzh"), std::string(Res(291)) + "a.lzh");
    EXPECT_EQ(ProgressNameLine(kScanProgressArcExtract, "a.lzh"), std::string(Res(308)) + "a.lzh");
    EXPECT_EQ(ProgressNameLine(kScanProgressCrc, "a.lzh"), std::string(Res(529)) + "a.lzh");
}

TEST(CLatestScanProgress, KeepsOnlyTheNewestStateOnce) {
    CScopedModelSettings settings(3);
    SFileInfo root;
    auto* medium = AddMedium(root, "DISC", "/m");
    auto* first = AddFile(*medium, "first");
    auto* second = AddFile(*medium, "second");
    CLatestScanProgress progress;
    SScanProgressState state;
    EXPECT_FALSE(progress.TakeNewest(state));
    progress.Post(kScanProgressRecord, first);
    progress.Post(kScanProgressCrc, second);
    progress.Post(kScanProgressRecord, nullptr);
    ASSERT_TRUE(progress.TakeNewest(state));
    EXPECT_EQ(state.m_code, kScanProgressCrc);
    EXPECT_EQ(state.m_strName, std::string(Res(529)) + "second");
    EXPECT_EQ(state.m_strPath, "/m/");
    EXPECT_FALSE(progress.TakeNewest(state)) << "nothing new since";
    progress.Close();
    progress.Post(kScanProgressRecord, first);
    EXPECT_FALSE(progress.TakeNewest(state)) << "posts after Close are dropped";
}
