// LHA writer: header bytes, and archives read back by libarchive and extracted by the
// lha program of lhasa, an independent decoder.
#include "scan/LhaWriter.h"

#include "support/ScratchDir.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <random>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillora;
using quillora::test::ReadFileBytes;
using quillora::test::ScratchDir;

namespace {

constexpr std::int64_t kTime = 1600000000; // 0x5F5E1000
const char* const kLha = "/usr/bin/lha";

struct SMember {
    std::string name;
    std::string data;
    std::int64_t mtime = kTime;
    std::uint32_t mode = 0644;
};

struct SReadEntry {
    std::string name;
    std::int64_t size = -1;
    std::int64_t mtime = 0;
    int perm = 0;
    std::string data;
};

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string out(size, '\0');
    for (char& c : out) {
        c = static_cast<char>(random());
    }
    return out;
}

std::string Text(std::size_t size) {
    static const char* const kWords[] = {"catalogue", "disc",    "volume", "folder",
                                         "archive",   "comment", "size",   "the",
                                         "of",        "media",   "search"};
    std::mt19937 random(7);
    std::string out;
    while (out.size() < size) {
        out += kWords[random() % 11];
        out += random() % 9 == 0 ? ".\n" : " ";
    }
    out.resize(size);
    return out;
}

// A random block repeated: its only matches lie exactly `period` bytes back.
std::string Periodic(std::size_t period, std::size_t size) {
    const std::string block = RandomBytes(period, 11);
    std::string out;
    while (out.size() < size) {
        out += block;
    }
    out.resize(size);
    return out;
}

std::vector<SMember> SampleMembers() {
    std::vector<SMember> members;
    members.push_back({"toblharc.cas", Text(300000) + RandomBytes(1000000, 3) + Text(1700000)});
    members.push_back({"random.bin", RandomBytes(200000, 1)});
    members.push_back({"empty.txt", ""});
    members.push_back({"repeat.txt", std::string(100000, 'x') + Text(5000)});
    members.push_back({"docs/sub/notes.txt", Text(123457), kTime + 86400, 0600});
    members.push_back({"window8191.bin", Periodic(8191, 120000)});
    members.push_back({"window8192.bin", Periodic(8192, 120000)});
    members.push_back({"zeros.bin", std::string(5 * 1024 * 1024 + 3, '\0')});
    return members;
}

bool WriteArchive(const std::filesystem::path& path, const std::vector<SMember>& members,
                  CLhaWriter& writer) {
    std::string error;
    if (!writer.Open(path, error)) {
        ADD_FAILURE() << error;
        return false;
    }
    for (const SMember& m : members) {
        if (!writer.AddMember(m.name, std::string_view(m.data), m.mtime, m.mode, error)) {
            ADD_FAILURE() << m.name << ": " << error;
            return false;
        }
    }
    if (!writer.Finish(error)) {
        ADD_FAILURE() << error;
        return false;
    }
    return true;
}

// Lists and reads every entry with libarchive; an empty error means all CRCs matched.
std::vector<SReadEntry> ReadWithLibarchive(const std::string& bytes, std::string& error) {
    std::vector<SReadEntry> entries;
    archive* a = archive_read_new();
    archive_read_support_format_lha(a);
    if (archive_read_open_memory(a, bytes.data(), bytes.size()) != ARCHIVE_OK) {
        error = archive_error_string(a);
        archive_read_free(a);
        return entries;
    }
    archive_entry* entry = nullptr;
    int r = ARCHIVE_OK;
    while ((r = archive_read_next_header(a, &entry)) == ARCHIVE_OK) {
        SReadEntry e;
        e.name = archive_entry_pathname(entry);
        e.size = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : -1;
        e.mtime = archive_entry_mtime(entry);
        e.perm = static_cast<int>(archive_entry_perm(entry));
        char buffer[65536];
        la_ssize_t got = 0;
        while ((got = archive_read_data(a, buffer, sizeof buffer)) > 0) {
            e.data.append(buffer, static_cast<std::size_t>(got));
        }
        if (got < 0) {
            error = e.name + ": " + archive_error_string(a);
            break;
        }
        entries.push_back(std::move(e));
    }
    if (r != ARCHIVE_EOF && error.empty()) {
        error = archive_error_string(a) ? archive_error_string(a) : "read failed";
    }
    archive_read_free(a);
    return entries;
}

void ExpectLibarchiveReads(const std::string& archiveBytes, const std::vector<SMember>& members) {
    std::string error;
    const std::vector<SReadEntry> entries = ReadWithLibarchive(archiveBytes, error);
    EXPECT_EQ(error, "");
    ASSERT_EQ(entries.size(), members.size());
    for (std::size_t i = 0; i < members.size(); ++i) {
        SCOPED_TRACE(members[i].name);
        EXPECT_EQ(entries[i].name, members[i].name);
        EXPECT_EQ(entries[i].size, static_cast<std::int64_t>(members[i].data.size()));
        EXPECT_EQ(entries[i].mtime, members[i].mtime);
        EXPECT_EQ(entries[i].perm, static_cast<int>(members[i].mode));
        EXPECT_TRUE(entries[i].data == members[i].data);
    }
}

// Runs a program with an argument vector; its output goes to `log`. Returns the exit code.
int Run(const std::vector<std::string>& args, const std::filesystem::path& log) {
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        return -1;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Tests the CRCs with `lha t`, extracts with `lha x` and compares every file.
void ExpectLhasaExtracts(const ScratchDir& dir, const std::filesystem::path& archivePath,
                         const std::vector<SMember>& members) {
    const std::filesystem::path log = dir / "lha.log";
    EXPECT_EQ(Run({kLha, "t", archivePath.string()}, log), 0) << ReadFileBytes(log);
    const std::filesystem::path out = dir / "lhasa-out";
    std::filesystem::create_directories(out);
    ASSERT_EQ(Run({kLha, "xqfw=" + out.string(), archivePath.string()}, log), 0)
        << ReadFileBytes(log);
    for (const SMember& m : members) {
        SCOPED_TRACE(m.name);
        const std::filesystem::path file = out / m.name;
        ASSERT_TRUE(std::filesystem::is_regular_file(file));
        EXPECT_TRUE(ReadFileBytes(file) == m.data);
    }
}

#define REQUIRE_LHASA()                                                                            \
    if (access(kLha, X_OK) != 0) {                                                                 \
        GTEST_SKIP() << "lha of lhasa is not installed (scripts/setup installs it)";               \
    }

} // namespace

TEST(LhaWriter, Crc16IsTheLhaCrc) {
    EXPECT_EQ(CLhaWriter::Crc16(0, "123456789", 9), 0xBB3D);
    // Continues across pieces.
    EXPECT_EQ(CLhaWriter::Crc16(CLhaWriter::Crc16(0, "1234", 4), "56789", 5), 0xBB3D);
}

TEST(LhaWriter, StoredMemberHeaderBytes) {
    std::ostringstream out;
    CLhaWriter writer;
    std::string error;
    ASSERT_TRUE(writer.Open(out, error)) << error;
    ASSERT_TRUE(writer.AddMember("toblharc.cas", std::string_view("123456789"), kTime, 0644, error))
        << error;
    ASSERT_TRUE(writer.Finish(error)) << error;
    const std::string bytes = out.str();

    // Nine incompressible bytes are stored. Bytes 27-28 hold the header CRC, which
    // libarchive checks below.
    const std::string expected =
        std::string("\x33\x00-lh0-", 7) + std::string("\x09\x00\x00\x00\x09\x00\x00\x00", 8) +
        std::string("\x00\x10\x5E\x5F\x20\x02\x3D\xBBU", 9) + std::string("\x05\x00\x00??", 5) +
        std::string("\x0F\x00\x01toblharc.cas", 15) +
        std::string("\x05\x00\x50\xA4\x81\x00\x00", 7) + "123456789" + std::string(1, '\0');
    ASSERT_EQ(bytes.size(), expected.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i != 27 && i != 28) {
            EXPECT_EQ(static_cast<unsigned char>(bytes[i]), static_cast<unsigned char>(expected[i]))
                << "at byte " << i;
        }
    }
    ExpectLibarchiveReads(bytes, {{"toblharc.cas", "123456789"}});
    ASSERT_EQ(writer.Members().size(), 1u);
    EXPECT_EQ(writer.Members()[0].method, LhaMethod::kStored);
    EXPECT_EQ(writer.Members()[0].crc, 0xBB3D);
}

TEST(LhaWriter, CompressedMemberHeaderFields) {
    ScratchDir dir;
    const std::vector<SMember> members = {{"toblharc.cas", Text(65536)}};
    CLhaWriter writer;
    ASSERT_TRUE(WriteArchive(dir / "case.caz", members, writer));
    const std::string bytes = ReadFileBytes(dir / "case.caz");
    ASSERT_GT(bytes.size(), 26u);
    const auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at]) |
                                          static_cast<unsigned char>(bytes[at + 1]) << 8 |
                                          static_cast<unsigned char>(bytes[at + 2]) << 16 |
                                          static_cast<unsigned char>(bytes[at + 3]) << 24);
    };
    const std::size_t headerSize =
        static_cast<unsigned char>(bytes[0]) | static_cast<unsigned char>(bytes[1]) << 8;
    EXPECT_EQ(bytes.substr(2, 5), "-lh5-");
    const SLhaMemberInfo& info = writer.Members().at(0);
    EXPECT_EQ(info.method, LhaMethod::kLh5);
    EXPECT_EQ(u32(7), info.packedSize);
    EXPECT_LT(info.packedSize, 65536u / 3);
    EXPECT_EQ(u32(11), 65536u);
    EXPECT_EQ(u32(15), static_cast<std::uint32_t>(kTime));
    EXPECT_EQ(bytes.substr(19, 2), std::string("\x20\x02", 2));
    EXPECT_EQ(bytes[23], 'U');
    EXPECT_EQ(bytes.size(), headerSize + info.packedSize + 1);
    EXPECT_EQ(bytes.back(), '\0');
    ExpectLibarchiveReads(bytes, members);
}

TEST(LhaWriter, SeveralMembersReadByLibarchive) {
    ScratchDir dir;
    const std::vector<SMember> members = SampleMembers();
    CLhaWriter writer;
    ASSERT_TRUE(WriteArchive(dir / "sample.lzh", members, writer));
    ExpectLibarchiveReads(ReadFileBytes(dir / "sample.lzh"), members);

    // Random data does not shrink and is stored; everything else, including data whose only
    // repeats lie at the far edge of the window, is compressed.
    ASSERT_EQ(writer.Members().size(), members.size());
    for (const SLhaMemberInfo& info : writer.Members()) {
        SCOPED_TRACE(info.name);
        const bool stored = info.name == "random.bin" || info.name == "empty.txt";
        EXPECT_EQ(info.method, stored ? LhaMethod::kStored : LhaMethod::kLh5);
        if (!stored) {
            EXPECT_LT(info.packedSize, info.originalSize / 2);
        }
    }
}

TEST(LhaWriter, SeveralMembersExtractedByLhasa) {
    REQUIRE_LHASA();
    ScratchDir dir;
    const std::vector<SMember> members = SampleMembers();
    CLhaWriter writer;
    ASSERT_TRUE(WriteArchive(dir / "sample.lzh", members, writer));
    ExpectLhasaExtracts(dir, dir / "sample.lzh", members);
}

TEST(LhaWriter, SmallMembersAndBlockEdges) {
    REQUIRE_LHASA();
    ScratchDir dir;
    std::vector<SMember> members;
    // Every small size, with content that compresses once it is long enough.
    for (std::size_t size = 1; size <= 300; size += (size < 64 ? 1 : 7)) {
        std::string data;
        for (std::size_t i = 0; i < size; ++i) {
            data += static_cast<char>('a' + (i % 5 == 0 ? i % 3 : 0));
        }
        members.push_back({"small" + std::to_string(size), data});
    }
    // Blocks are cut every 16384 codes: runs whose code counts sit on and around the cut,
    // each code a 256-byte match after one literal.
    for (std::size_t codes : {16384u, 16392u, 16393u}) {
        members.push_back(
            {"edge" + std::to_string(codes), std::string(1 + (codes - 1) * 256, 'q')});
    }
    members.push_back({"run-then-literal", std::string(60, 'z') + "A"});
    CLhaWriter writer;
    ASSERT_TRUE(WriteArchive(dir / "small.lzh", members, writer));
    ExpectLibarchiveReads(ReadFileBytes(dir / "small.lzh"), members);
    ExpectLhasaExtracts(dir, dir / "small.lzh", members);
    EXPECT_EQ(writer.Members().front().method, LhaMethod::kStored);
    EXPECT_EQ(writer.Members().back().method, LhaMethod::kLh5);
}

TEST(LhaWriter, LongNameNeedsHeaderPadding) {
    REQUIRE_LHASA();
    ScratchDir dir;
    // 39 header bytes besides the name: a 217-byte name gives a 256-byte header, whose
    // zero low size byte would read as the end mark, so one padding byte follows.
    const std::vector<SMember> members = {{std::string(217, 'n'), Text(5000)},
                                          {"dir/" + std::string(200, 'm'), "short"}};
    CLhaWriter writer;
    ASSERT_TRUE(WriteArchive(dir / "long.lzh", members, writer));
    const std::string bytes = ReadFileBytes(dir / "long.lzh");
    EXPECT_EQ(bytes.substr(0, 2), std::string("\x01\x01", 2));
    ExpectLibarchiveReads(bytes, members);
    ExpectLhasaExtracts(dir, dir / "long.lzh", members);
}

TEST(LhaWriter, BadInputIsRefusedAndOldArchiveSurvives) {
    ScratchDir dir;
    const std::filesystem::path target = dir.Write("case.caz", "old archive");
    {
        CLhaWriter writer;
        std::string error;
        ASSERT_TRUE(writer.Open(target, error)) << error;
        EXPECT_FALSE(writer.AddMember("toblharc.cas", dir / "missing.cas", kTime, 0644, error));
        EXPECT_NE(error.find("missing.cas"), std::string::npos) << error;
        EXPECT_FALSE(writer.AddMember("toblharc.cas", dir.Path(), kTime, 0644, error));
        for (const char* name : {"", "/abs", "a/../b", "dir/", "a//b", "./x"}) {
            EXPECT_FALSE(writer.AddMember(name, std::string_view("x"), kTime, 0644, error)) << name;
        }
        EXPECT_FALSE(writer.AddMember("t", std::string_view("x"), -1, 0644, error));
        EXPECT_FALSE(
            writer.AddMember("t", std::string_view("x"), std::int64_t{1} << 32, 0644, error));
        // Refused members leave the archive usable; dropped unfinished, nothing changes.
        EXPECT_TRUE(writer.AddMember("toblharc.cas", std::string_view("data"), kTime, 0644, error))
            << error;
    }
    EXPECT_EQ(ReadFileBytes(target), "old archive");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              1);

    CLhaWriter writer;
    const std::vector<SMember> members = {{"toblharc.cas", Text(1000)}};
    ASSERT_TRUE(WriteArchive(target, members, writer));
    ExpectLibarchiveReads(ReadFileBytes(target), members);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(LhaWriter, FullDiskIsAnError) {
    std::FILE* full = std::fopen("/dev/full", "wb");
    if (!full) {
        GTEST_SKIP() << "/dev/full is not available";
    }
    CLhaWriter writer;
    std::string error;
    ASSERT_TRUE(writer.Open(full, error)) << error;
    const std::string data = Text(3000000);
    // The bytes may sit in the stdio buffer until Finish flushes them; either call fails.
    const bool added = writer.AddMember("toblharc.cas", std::string_view(data), kTime, 0644, error);
    std::string finishError;
    EXPECT_FALSE(writer.Finish(finishError));
    if (added) {
        error = finishError;
    }
    EXPECT_NE(error.find("No space left"), std::string::npos) << error;
    std::fclose(full);
}

TEST(LhaWriter, FileStreamDestination) {
    ScratchDir dir;
    std::FILE* file = std::fopen((dir / "out.lzh").c_str(), "w+b");
    ASSERT_NE(file, nullptr);
    std::fputs("prefix", file); // the archive starts where the stream stands
    const std::vector<SMember> members = {{"a.txt", Text(70000)}, {"b.bin", RandomBytes(999, 5)}};
    CLhaWriter writer;
    std::string error;
    ASSERT_TRUE(writer.Open(file, error)) << error;
    for (const SMember& m : members) {
        ASSERT_TRUE(writer.AddMember(m.name, std::string_view(m.data), m.mtime, m.mode, error))
            << error;
    }
    ASSERT_TRUE(writer.Finish(error)) << error;
    std::fclose(file);
    const std::string bytes = ReadFileBytes(dir / "out.lzh");
    ASSERT_EQ(bytes.substr(0, 6), "prefix");
    ExpectLibarchiveReads(bytes.substr(6), members);
}

TEST(LhaWriter, MemberFromFile) {
    REQUIRE_LHASA();
    ScratchDir dir;
    const std::string data = Text(400000);
    const std::filesystem::path source = dir.Write("src/toblharc.cas", data);
    CLhaWriter writer;
    std::string error;
    ASSERT_TRUE(writer.Open(dir / "case.caz", error)) << error;
    ASSERT_TRUE(writer.AddMember("toblharc.cas", source, kTime, 0640, error)) << error;
    ASSERT_TRUE(writer.Finish(error)) << error;
    const std::vector<SMember> members = {{"toblharc.cas", data, kTime, 0640}};
    ExpectLibarchiveReads(ReadFileBytes(dir / "case.caz"), members);
    ExpectLhasaExtracts(dir, dir / "case.caz", members);
}
