// Folder enumeration on a tree made at test time: kinds, attributes, sizes,
// times, order and the names that need escaping.
#include "platform/DirectoryReader.h"
#include "platform/OsPath.h"
#include "support/ScratchDir.h"

#include "support/OrdinaryUser.h"
#include <cerrno>
#include <fcntl.h>
#include <filesystem>

#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillora;
using quillora::test::AsOrdinaryUser;
using quillora::test::ScratchDir;

namespace {

std::map<std::string, SDirEntry> ByOsName(const std::vector<SDirEntry>& entries) {
    std::map<std::string, SDirEntry> map;
    for (const SDirEntry& entry : entries) {
        map[entry.m_osName] = entry;
    }
    return map;
}

void SetTimes(const std::filesystem::path& path, time_t atime, time_t mtime) {
    const struct timespec times[2] = {{atime, 0}, {mtime, 500000000}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

} // namespace

TEST(DirectoryReader, KindsAttributesAndSizes) {
    ScratchDir dir;
    dir.Write("empty.bin", "");
    dir.Write("日本語.txt", "12345");
    dir.Write(".hidden", "x");
    dir.Write("back\\slash", "ab");
    dir.Write("bad\xff\xfe.txt", "abc");
    const auto ro = dir.Write("readonly.txt", "r");
    chmod(ro.c_str(), 0444);
    std::filesystem::create_directory(dir / "sub");
    dir.Write("sub/inner.txt", "inside");
    std::filesystem::create_directory_symlink("sub", dir / "link-to-sub");
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0644), 0);

    std::vector<SDirEntry> entries;
    ASSERT_EQ(CDirectoryReader::ReadAll(dir.Path().string(), entries), 0);
    auto map = ByOsName(entries);
    ASSERT_EQ(entries.size(), 9u) << "'.' and '..' are not listed";

    EXPECT_EQ(map["empty.bin"].m_kind, EntryKind::Regular);
    EXPECT_EQ(map["empty.bin"].m_size, 0u);
    EXPECT_EQ(map["empty.bin"].m_attributes, kAttrArchive);

    EXPECT_EQ(map["日本語.txt"].m_name, "日本語.txt");
    EXPECT_EQ(map["日本語.txt"].m_size, 5u);

    EXPECT_EQ(map[".hidden"].m_attributes, kAttrArchive | kAttrHidden);
    EXPECT_EQ(map["readonly.txt"].m_attributes, kAttrArchive | kAttrReadOnly);

    EXPECT_EQ(map["sub"].m_kind, EntryKind::Directory);
    EXPECT_EQ(map["sub"].m_attributes, kAttrDirectory);
    EXPECT_EQ(map["sub"].m_size, 0u);

    // A link to a folder is a link, never a folder the scanner would walk into.
    EXPECT_EQ(map["link-to-sub"].m_kind, EntryKind::Symlink);
    EXPECT_EQ(map["link-to-sub"].m_attributes & kAttrDirectory, 0u);
    EXPECT_NE(map["link-to-sub"].m_attributes & kAttrReparsePoint, 0u);

    EXPECT_EQ(map["pipe"].m_kind, EntryKind::Other);
    EXPECT_EQ(map["pipe"].m_attributes & (kAttrDirectory | kAttrArchive), 0u);

    for (const SDirEntry& entry : entries) {
        EXPECT_FALSE(entry.m_factsMissing) << entry.m_name;
    }
}

TEST(DirectoryReader, EscapedNamesLeadBackToTheFile) {
    ScratchDir dir;
    dir.Write("back\\slash", "ab");
    dir.Write("bad\xff\xfe.txt", "abc");
    std::vector<SDirEntry> entries;
    ASSERT_EQ(CDirectoryReader::ReadAll(dir.Path().string(), entries), 0);
    ASSERT_EQ(entries.size(), 2u);
    for (const SDirEntry& entry : entries) {
        EXPECT_EQ(entry.m_name.find('\\'), std::string::npos);
        EXPECT_EQ(OsNameFromModel(entry.m_name), entry.m_osName);
        struct stat st {};
        const std::string path = OsPathBelow(dir.Path().string(), entry.m_name);
        EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
        EXPECT_EQ(static_cast<std::uint64_t>(st.st_size), entry.m_size);
    }
}

TEST(DirectoryReader, TimesAreUtcFileTimes) {
    ScratchDir dir;
    const auto file = dir.Write("dated.txt", "x");
    const time_t access = 978307200; // 2001-01-01 00:00:00 UTC
    const time_t write = 1000000000; // 2001-09-09 01:46:40 UTC
    SetTimes(file, access, write);
    std::vector<SDirEntry> entries;
    ASSERT_EQ(CDirectoryReader::ReadAll(dir.Path().string(), entries), 0);
    ASSERT_EQ(entries.size(), 1u);
    const SDirEntry& entry = entries[0];
    EXPECT_EQ(entry.m_lastWrite, kUnixEpochAsFileTime + 10000000ULL * write + 5000000ULL);
    EXPECT_EQ(entry.m_lastAccess, kUnixEpochAsFileTime + 10000000ULL * access);
    EXPECT_NE(entry.m_creation, 0u);
    // Without a birth time the last write stands in; with one it is "now", after write.
    EXPECT_GE(entry.m_creation, entry.m_lastWrite);
}

TEST(DirectoryReader, OrderIsTheFileSystemsOwn) {
    ScratchDir dir;
    for (int i = 0; i < 40; ++i) {
        dir.Write("f" + std::to_string(i * 7919 % 97), "x");
    }
    std::vector<std::string> expected;
    for (const auto& item : std::filesystem::directory_iterator(dir.Path())) {
        expected.push_back(item.path().filename().string());
    }
    std::vector<SDirEntry> entries;
    ASSERT_EQ(CDirectoryReader::ReadAll(dir.Path().string(), entries), 0);
    std::vector<std::string> got;
    for (const SDirEntry& entry : entries) {
        got.push_back(entry.m_osName);
    }
    EXPECT_EQ(got, expected);
}

TEST(DirectoryReader, FailuresAreValuesNotExceptions) {
    ScratchDir dir;
    const auto file = dir.Write("file.txt", "x");
    std::vector<SDirEntry> entries;
    EXPECT_EQ(CDirectoryReader::ReadAll((dir / "missing").string(), entries), ENOENT);
    EXPECT_EQ(CDirectoryReader::ReadAll(file.string(), entries), ENOTDIR);
    EXPECT_TRUE(entries.empty());

    CDirectoryReader reader;
    SDirEntry entry;
    EXPECT_FALSE(reader.Next(entry)) << "a reader that was never opened yields nothing";
}

TEST(DirectoryReader, UnreadableFoldersAndUnsearchableEntries) {
    ScratchDir dir;
    chmod(dir.Path().c_str(), 0755);
    std::filesystem::create_directory(dir / "locked");
    chmod((dir / "locked").c_str(), 0);
    std::filesystem::create_directory(dir / "noexec");
    dir.Write("noexec/a", "1");
    chmod((dir / "noexec").c_str(), 0444);

    const int locked = AsOrdinaryUser([&] {
        std::vector<SDirEntry> entries;
        return CDirectoryReader::ReadAll((dir / "locked").string(), entries);
    });
    if (locked == 99) {
        GTEST_SKIP() << "cannot take an ordinary user's permissions here";
    }
    EXPECT_EQ(locked, EACCES);

    // Readable but not searchable: the name is listed, its facts are missing.
    const int noexec = AsOrdinaryUser([&] {
        std::vector<SDirEntry> entries;
        if (CDirectoryReader::ReadAll((dir / "noexec").string(), entries) != 0) {
            return 1;
        }
        if (entries.size() != 1 || entries[0].m_name != "a") {
            return 2;
        }
        return entries[0].m_factsMissing && entries[0].m_size == 0 ? 0 : 3;
    });
    EXPECT_EQ(noexec, 0);
}
