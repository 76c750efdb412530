// Archiver adapters against archives made at test time: listing, times, sizes, names,
// safe extraction, failures on damaged input, and load counting.
#include "scan/ArchivePath.h"
#include "scan/ArchiverSet.h"

#include "ArchiveTestData.h"
#include "core/TraceLog.h"
#include "support/ScratchDir.h"

#include <archive.h>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <unistd.h>

using namespace quillora;
using quillora::test::ScratchDir;
namespace fs = std::filesystem;

namespace {

constexpr std::time_t kStamp = 1600000000; // 2020-09-13 12:26:40 UTC

std::map<std::string, SArcListEntry> ListAll(CArchiver& adapter, const fs::path& path) {
    std::map<std::string, SArcListEntry> out;
    if (!adapter.Open(path.string(), 0)) {
        ADD_FAILURE() << "cannot open " << path << ": " << adapter.LastError();
        return out;
    }
    SArcListEntry entry;
    for (bool more = adapter.FindFirst("*.*", entry); more; more = adapter.FindNext(entry)) {
        out[std::string(entry.Name())] = entry;
    }
    adapter.CloseArchive();
    return out;
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Local time zone fixed for the test, so DOS (local) and UTC times differ by 9 hours.
class CZoneGuard {
public:
    explicit CZoneGuard(const char* zone) {
        const char* old = std::getenv("TZ");
        m_hadOld = old != nullptr;
        m_old = old ? old : "";
        setenv("TZ", zone, 1);
        tzset();
    }
    ~CZoneGuard() {
        m_hadOld ? setenv("TZ", m_old.c_str(), 1) : unsetenv("TZ");
        tzset();
    }

private:
    bool m_hadOld;
    std::string m_old;
};

class ArchiverTest : public ::testing::Test {
protected:
    void SetUp() override { m_set.LoadAll(); }
    void TearDown() override { m_set.UnloadAll(); }
    CArchiverSet m_set;
    ScratchDir m_dir;
};

} // namespace

TEST(ArchiverLoad, SecondLoadOnlyCountsAndOneUnloadKeepsItLoaded) {
    CTarArchiver tar;
    EXPECT_FALSE(tar.IsLoaded());
    EXPECT_TRUE(tar.Load());
    EXPECT_FALSE(tar.Load());
    EXPECT_EQ(tar.LoadCount(), 2);
    tar.Unload();
    EXPECT_TRUE(tar.IsLoaded());
    tar.Unload();
    EXPECT_FALSE(tar.IsLoaded());
    EXPECT_FALSE(tar.SupportsMode(2));
    EXPECT_TRUE(tar.Load());
    EXPECT_TRUE(tar.Reload());
    EXPECT_EQ(tar.LoadCount(), 1);
    EXPECT_EQ(tar.GetVersion() >> 24,
              static_cast<std::uint32_t>(archive_version_number() / 1000000));
}

TEST(ArchiverLoad, IshAndGcaNeverLoadAndAnswerFailure) {
    ScratchDir dir;
    fs::path file = dir.Write("x.ish", "not really");
    CIshArchiver ish;
    CGcaArchiver gca;
    for (CArchiver* adapter : {static_cast<CArchiver*>(&ish), static_cast<CArchiver*>(&gca)}) {
        EXPECT_FALSE(adapter->Load());
        EXPECT_FALSE(adapter->IsLoaded());
        EXPECT_FALSE(adapter->SupportsMode(0));
        EXPECT_FALSE(adapter->CheckArchive(file.string()));
        EXPECT_FALSE(adapter->Open(file.string(), 0));
        EXPECT_FALSE(adapter->Extract(file.string(), (dir / "out").string(), {}, true));
        EXPECT_EQ(adapter->GetVersion(), 0u);
        SArcListEntry entry;
        EXPECT_FALSE(adapter->FindFirst("*", entry));
    }
    EXPECT_EQ(ish.GetId(), 2);
    EXPECT_EQ(gca.GetId(), 11);
    EXPECT_TRUE(gca.CanReadSelfExtracting());
}

TEST(ArchiverLoad, ArjIsNotLoadedWithoutTheProgram) {
    ScratchDir dir;
    CArjArchiver arj;
    EXPECT_FALSE(arj.Load("arj", dir.Path().string()));
    EXPECT_FALSE(arj.IsLoaded());
}

TEST(ArchiverSetTest, LoadAllAndUnloadAllLogAndSetTheZipChoice) {
    ScratchDir dir;
    SetLogMode(1, dir.Path().string());
    CArchiverSet set;
    set.LoadAll();
    EXPECT_EQ(set.Zip().GetId(), 10);
    EXPECT_TRUE(set.Zip().CanReadSelfExtracting());
    EXPECT_EQ(set.Lha().GetId(), 5);
    EXPECT_TRUE(set.Rar().CanReadSelfExtracting());
    EXPECT_FALSE(set.Tar().CanReadSelfExtracting());
    EXPECT_EQ(set.ForExtension(".tgz"), &set.Tar());
    EXPECT_EQ(set.ForExtension("Z"), &set.Tar());
    EXPECT_EQ(set.ForExtension("zip"), &set.Zip());
    EXPECT_EQ(set.ForExtension("lzh"), &set.Lha());
    EXPECT_EQ(set.ForExtension("doc"), nullptr);
    set.UnloadAll();
    EXPECT_EQ(set.Zip().GetId(), 0);
    EXPECT_FALSE(set.Zip().IsLoaded());
    EXPECT_FALSE(set.Lha().IsLoaded());
    CloseLog();
    std::string log = quillora::test::ReadFileBytes(LogPath());
    SetLogMode(0);
    std::size_t load = log.find("Load archiver\n");
    std::size_t unload = log.find("CTobUtil::UnloadArc()\n");
    ASSERT_NE(load, std::string::npos);
    ASSERT_NE(unload, std::string::npos);
    EXPECT_LT(load, unload);
}

TEST_F(ArchiverTest, ZipListsFilesWithDosTimesAndLeavesFoldersOut) {
    CZoneGuard zone("JST-9");
    fs::path zip = m_dir / "a.zip";
    quillora::test::WriteLibarchive(
        zip, "zip", "",
        {{"dir/", "", kStamp, 'd'}, {"dir/b.txt", "bravo", kStamp}, {"a.txt", "alpha!", kStamp}});
    auto listed = ListAll(m_set.Zip(), zip);
    ASSERT_EQ(listed.size(), 2u);
    const SArcListEntry& b = listed.at("dir/b.txt");
    EXPECT_EQ(b.m_nOriginalSize64, 5u);
    EXPECT_EQ(b.m_dwOriginalSize, 5u);
    // Stored as the local wall clock (JST) and taken as it is: 9 hours after UTC.
    EXPECT_EQ(b.m_ftLastWrite, FileTimeFromUnix(kStamp + 9 * 3600));
    EXPECT_EQ(b.m_ftCreation, b.m_ftLastWrite);
    EXPECT_TRUE(b.m_dwAttributes & kArcAttrNormal);
    EXPECT_TRUE(m_set.Zip().CheckArchive(zip.string()));
    EXPECT_FALSE(m_set.Tar().CheckArchive(zip.string()));
}

TEST_F(ArchiverTest, TarTimesAreUtcAndFoldersAreListed) {
    CZoneGuard zone("JST-9");
    fs::path tar = m_dir / "a.tar";
    quillora::test::WriteLibarchive(tar, "pax", "",
                                    {{"d", "", kStamp, 'd'}, {"d/f.txt", "hello", kStamp + 1}});
    auto listed = ListAll(m_set.Tar(), tar);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed.at("d/f.txt").m_ftLastWrite, FileTimeFromUnix(kStamp + 1));
    EXPECT_EQ(listed.at("d/f.txt").m_nPackedSize64, 5u);
    EXPECT_TRUE(listed.at("d/").m_dwAttributes & kArcAttrDirectory);
}

TEST_F(ArchiverTest, CompressedTarFormsAndBareGzipFiles) {
    std::vector<quillora::test::SMember> members{{"inner.txt", "compressed content", kStamp}};
    quillora::test::WriteLibarchive(m_dir / "a.tgz", "pax", "gzip", members);
    quillora::test::WriteLibarchive(m_dir / "a.tar.gz", "gnutar", "gzip", members);
    quillora::test::WriteLibarchive(m_dir / "a.taz", "pax", "compress", members);
    quillora::test::WriteLibarchive(m_dir / "b.tar.Z", "pax", "compress", members);
    for (const char* name : {"a.tgz", "a.tar.gz", "a.taz", "b.tar.Z"}) {
        auto listed = ListAll(m_set.Tar(), m_dir / name);
        ASSERT_EQ(listed.count("inner.txt"), 1u) << name;
        EXPECT_EQ(listed.at("inner.txt").m_nOriginalSize64, 18u) << name;
    }
    quillora::test::WriteRawCompressed(m_dir / "notes.txt.gz", "gzip", std::string(1000, 'n'));
    quillora::test::WriteRawCompressed(m_dir / "old.Z", "compress", "zzz");
    auto gz = ListAll(m_set.Tar(), m_dir / "notes.txt.gz");
    ASSERT_EQ(gz.count("notes.txt"), 1u);
    EXPECT_EQ(gz.at("notes.txt").m_nOriginalSize64, 1000u);
    EXPECT_EQ(ListAll(m_set.Tar(), m_dir / "old.Z").count("old"), 1u);
    // A plain file is no member of anything.
    fs::path plain = m_dir.Write("plain.gz", "just text, not compressed");
    EXPECT_FALSE(m_set.Tar().CheckArchive(plain.string()));
    fs::path out = m_dir / "out";
    ASSERT_TRUE(
        m_set.Tar().Extract((m_dir / "notes.txt.gz").string(), out.string(), {"notes.txt"}, true));
    EXPECT_EQ(quillora::test::ReadFileBytes(out / "notes.txt"), std::string(1000, 'n'));
}

TEST_F(ArchiverTest, MemberOfFiveGibKeepsItsTrueSize) {
    // One ustar header (the octal size field holds up to 8 GiB), then a sparse hole
    // standing for the data and the end blocks; the listing only seeks over it.
    constexpr std::uint64_t kSize = 5ULL << 30;
    std::string header(512, '\0');
    auto field = [&](std::size_t at, const std::string& text) {
        header.replace(at, text.size(), text);
    };
    field(0, "big.bin");
    field(100, "0000644");
    field(108, "0000000");
    field(116, "0000000");
    char size[13];
    std::snprintf(size, sizeof size, "%011llo", static_cast<unsigned long long>(kSize));
    field(124, size);
    field(136, "13674712500");
    field(148, "        ");
    header[156] = '0';
    field(257, "ustar");
    field(263, "00");
    unsigned sum = 0;
    for (unsigned char c : header) {
        sum += c;
    }
    char chk[8];
    std::snprintf(chk, sizeof chk, "%06o", sum);
    field(148, std::string(chk, 6) + std::string("\0 ", 2));
    fs::path tar = m_dir / "big.tar";
    WriteBytes(tar, header);
    fs::resize_file(tar, 512 + kSize + 1024);
    auto listed = ListAll(m_set.Tar(), tar);
    ASSERT_EQ(listed.count("big.bin"), 1u);
    EXPECT_EQ(listed.at("big.bin").m_nOriginalSize64, kSize);
    EXPECT_EQ(listed.at("big.bin").m_dwOriginalSize, 0xFFFFFFFFu);
}

TEST_F(ArchiverTest, Zip64MemberOfFiveGibKeepsItsTrueSize) {
    constexpr std::uint64_t kSize = 5ULL << 30;
    fs::path zip = m_dir / "big.zip";
    quillora::test::WriteSparseZip64(zip, "big.bin", kSize);
    auto listed = ListAll(m_set.Zip(), zip);
    ASSERT_EQ(listed.count("big.bin"), 1u);
    EXPECT_EQ(listed.at("big.bin").m_nOriginalSize64, kSize);
    EXPECT_EQ(listed.at("big.bin").m_dwOriginalSize, 0xFFFFFFFFu);
    EXPECT_EQ(listed.at("big.bin").m_nPackedSize64, kSize);
}

TEST_F(ArchiverTest, Cp932NamesInZipStayWholeAndExtractUnderTheirName) {
    const std::string cp932("\x83\x5c\x83\x74\x83\x67\x95\x5c.txt"); // ソフト表.txt
    const std::string name = "ソフト表.txt";
    fs::path zip = m_dir / "jp.zip";
    WriteBytes(zip, quillora::test::ZipWithRawName(
                        cp932, "shift-jis", quillora::test::DosDateTime(2001, 2, 3, 4, 5, 6)));
    auto listed = ListAll(m_set.Zip(), zip);
    ASSERT_EQ(listed.size(), 1u);
    ASSERT_EQ(listed.count(name), 1u);
    EXPECT_EQ(listed.at(name).m_ftLastWrite,
              FileTimeFromDos(quillora::test::DosDateTime(2001, 2, 3, 4, 5, 6)));
    fs::path out = m_dir / "out";
    ASSERT_TRUE(m_set.Zip().Extract(zip.string(), out.string(), {name}, true));
    EXPECT_EQ(quillora::test::ReadFileBytes(out / name), "shift-jis");
    // A UTF-8 name made on Unix stays as it is.
    fs::path utf = m_dir / "utf.zip";
    WriteBytes(utf, quillora::test::ZipWithRawName(
                        name, "u", quillora::test::DosDateTime(2001, 2, 3, 4, 5, 6)));
    EXPECT_EQ(ListAll(m_set.Zip(), utf).count(name), 1u);
}

TEST_F(ArchiverTest, ZipToolArchiveAndSelfExtractingExe) {
    m_dir.Write("src/readme.txt", "read me");
    m_dir.Write("src/sub/data.bin", std::string(3000, 'd'));
    ASSERT_EQ(quillora::test::RunTool({"zip", "-q", "-r", "../plain.zip", "."}, m_dir / "src"), 0);
    auto listed = ListAll(m_set.Zip(), m_dir / "plain.zip");
    EXPECT_EQ(listed.count("readme.txt"), 1u);
    ASSERT_EQ(listed.count("sub/data.bin"), 1u);
    EXPECT_EQ(listed.count("sub/"), 0u);
    EXPECT_EQ(listed.at("sub/data.bin").m_nOriginalSize64, 3000u);
    // Packed sizes come from the central directory: 3000 equal bytes deflate well.
    EXPECT_GT(listed.at("sub/data.bin").m_nPackedSize64, 0u);
    EXPECT_LT(listed.at("sub/data.bin").m_nPackedSize64, 100u);
    EXPECT_EQ(listed.at("readme.txt").m_nPackedSize64, 7u);

    std::string stub = "MZ" + std::string(4094, '\x90');
    WriteBytes(m_dir / "setup.exe", stub + quillora::test::ReadFileBytes(m_dir / "plain.zip"));
    ASSERT_EQ(quillora::test::RunTool({"zip", "-q", "-A", "setup.exe"}, m_dir.Path()), 0);
    auto sfx = ListAll(m_set.Zip(), m_dir / "setup.exe");
    ASSERT_EQ(sfx.count("sub/data.bin"), 1u);
    EXPECT_EQ(sfx.at("sub/data.bin").m_nPackedSize64, listed.at("sub/data.bin").m_nPackedSize64);
    fs::path out = m_dir / "out";
    ASSERT_TRUE(m_set.Zip().Extract((m_dir / "setup.exe").string(), out.string(), {"sub\\data.bin"},
                                    false));
    EXPECT_EQ(quillora::test::ReadFileBytes(out / "data.bin").size(), 3000u);
    EXPECT_FALSE(m_set.Lha().CheckArchive((m_dir / "setup.exe").string()));
}

TEST_F(ArchiverTest, CabinetFromGcab) {
    m_dir.Write("c/one.txt", "one");
    m_dir.Write("c/two.txt", std::string(5000, '2'));
    ASSERT_EQ(
        quillora::test::RunTool({"gcab", "-c", "../t.cab", "one.txt", "two.txt"}, m_dir / "c"), 0);
    auto listed = ListAll(m_set.Cab(), m_dir / "t.cab");
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed.at("two.txt").m_nOriginalSize64, 5000u);
    EXPECT_NE(listed.at("two.txt").m_ftLastWrite, 0u);
    fs::path out = m_dir / "out";
    ASSERT_TRUE(m_set.Cab().Extract((m_dir / "t.cab").string(), out.string(), {}, true));
    EXPECT_EQ(quillora::test::ReadFileBytes(out / "one.txt"), "one");
}

TEST_F(ArchiverTest, Rar4StoredListsFilesNotFoldersAndExtracts) {
    std::uint32_t stamp = quillora::test::DosDateTime(2010, 6, 7, 8, 9, 10);
    fs::path rar = m_dir / "a.rar";
    WriteBytes(rar, quillora::test::Rar4Stored({{"docs", "", 0, 'd'}, {"docs\\r.txt", "rar data"}},
                                               stamp));
    auto listed = ListAll(m_set.Rar(), rar);
    ASSERT_EQ(listed.size(), 1u);
    ASSERT_EQ(listed.count("docs/r.txt"), 1u);
    EXPECT_EQ(listed.at("docs/r.txt").m_ftLastWrite, FileTimeFromDos(stamp));
    EXPECT_EQ(listed.at("docs/r.txt").m_nOriginalSize64, 8u);
    fs::path out = m_dir / "out";
    ASSERT_TRUE(m_set.Rar().Extract(rar.string(), out.string(), {"docs\\r.txt"}, true));
    EXPECT_EQ(quillora::test::ReadFileBytes(out / "docs" / "r.txt"), "rar data");
    WriteBytes(m_dir / "sfx.exe",
               "MZ" + std::string(0x10000 - 2, '\0') + quillora::test::ReadFileBytes(rar));
    EXPECT_EQ(ListAll(m_set.Rar(), m_dir / "sfx.exe").size(), 1u);
}

TEST_F(ArchiverTest, Rar5TimesAreUtcAndFoldersAreLeftOut) {
    CZoneGuard zone("JST-9");
    fs::path rar = m_dir / "five.rar";
    WriteBytes(rar, quillora::test::Rar5Stored(
                        {{"dir", "", kStamp, 'd'}, {"dir/ソフト表.txt", "rar five data", kStamp}}));
    auto listed = ListAll(m_set.Rar(), rar);
    ASSERT_EQ(listed.size(), 1u);
    const SArcListEntry& entry = listed.at("dir/ソフト表.txt");
    EXPECT_EQ(entry.m_ftLastWrite, FileTimeFromUnix(kStamp));
    EXPECT_EQ(entry.m_nOriginalSize64, 13u);
    fs::path out = m_dir / "out";
    ASSERT_TRUE(m_set.Rar().Extract(rar.string(), out.string(), {"dir\\ソフト表.txt"}, true))
        << m_set.Rar().LastError();
    EXPECT_EQ(quillora::test::ReadFileBytes(out / "dir" / "ソフト表.txt"), "rar five data");
}

TEST_F(ArchiverTest, LhaLevelsTimesAndCp932Names) {
    CZoneGuard zone("JST-9");
    const std::string cp932("\x83\x5c\x83\x74\x83\x67\x95\x5c.txt");
    std::uint32_t dos = quillora::test::DosDateTime(1999, 12, 31, 23, 58, 0);
    fs::path level0 = m_dir / "l0.lzh";
    WriteBytes(level0, quillora::test::LhaStored({{cp932, "level zero"}, {"toblharc.cas", "case"}},
                                                 0, dos));
    auto listed = ListAll(m_set.Lha(), level0);
    ASSERT_EQ(listed.count("ソフト表.txt"), 1u);
    EXPECT_EQ(listed.at("ソフト表.txt").m_ftLastWrite, FileTimeFromDos(dos));
    EXPECT_EQ(listed.at("ソフト表.txt").m_nPackedSize64, 10u);

    fs::path level2 = m_dir / "l2.lzh";
    WriteBytes(level2, quillora::test::LhaStored({{"u.txt", "level two"}}, 2, kStamp));
    auto listed2 = ListAll(m_set.Lha(), level2);
    ASSERT_EQ(listed2.count("u.txt"), 1u);
    EXPECT_EQ(listed2.at("u.txt").m_ftLastWrite, FileTimeFromUnix(kStamp));

    fs::path tmp = m_dir / "tmp";
    std::string line =
        "e -jp0 -n -c1 -m1 \"" + level0.string() + "\" \"" + tmp.string() + "\" \"toblharc.cas\"";
    EXPECT_EQ(m_set.Lha().Command(line), 0) << m_set.Lha().LastError();
    EXPECT_EQ(quillora::test::ReadFileBytes(tmp / "toblharc.cas"), "case");
}

TEST_F(ArchiverTest, LhaCommandPacksAndUnpacksTheCaseMember) {
    fs::path source = m_dir.Write("tmp/toblharc.cas", std::string(50000, 'c') + "end");
    fs::path caz = m_dir / "shelf.caz";
    std::string pack = "a -jp0 -n -c1 -m1 \"" + caz.string() + "\" \"" + source.string() + "\"";
    ASSERT_EQ(m_set.Lha().Command(pack), 0) << m_set.Lha().LastError();
    auto listed = ListAll(m_set.Lha(), caz);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed.at("toblharc.cas").m_nOriginalSize64, 50003u);
    EXPECT_LT(listed.at("toblharc.cas").m_nPackedSize64, 50003u);
    fs::path back = m_dir / "back";
    std::string unpack =
        "e -jp0 -n -c1 -m1 \"" + caz.string() + "\" \"" + back.string() + "\" \"toblharc.cas\"";
    ASSERT_EQ(m_set.Lha().Command(unpack), 0) << m_set.Lha().LastError();
    EXPECT_EQ(quillora::test::ReadFileBytes(back / "toblharc.cas"),
              quillora::test::ReadFileBytes(source));
    // A member that is not there, a file that is not there, an unknown command.
    EXPECT_NE(m_set.Lha().Command("e -jp0 \"" + caz.string() + "\" \"" + back.string() +
                                  "\" \"other.cas\""),
              0);
    EXPECT_NE(m_set.Lha().Command("a -jp0 \"" + caz.string() + "\" \"/nonexistent/x.cas\""), 0);
    EXPECT_EQ(ListAll(m_set.Lha(), caz).size(), 1u);
    EXPECT_NE(m_set.Lha().Command("d \"" + caz.string() + "\" \"toblharc.cas\""), 0);
}

TEST_F(ArchiverTest, ExtractionNeverWritesOutsideTheDestination) {
    fs::path outside = m_dir / "outside";
    fs::create_directories(outside);
    fs::path tar = m_dir / "evil.tar";
    quillora::test::WriteLibarchive(tar, "pax", "",
                                    {{"../evil.txt", "parent"},
                                     {"../../deeper.txt", "deeper"},
                                     {"/abs.txt", "absolute"},
                                     {"link", "", 0, 'l', outside.string()},
                                     {"link/pwned.txt", "through link"},
                                     {"up", "", 0, 'l', "../.."},
                                     {"up/x/escape.txt", "through relative link"},
                                     {"hard", "", 0, 'h', "/etc/hostname"},
                                     {"ok.txt", "fine"}});
    fs::path work = m_dir / "work";
    EXPECT_FALSE(m_set.Tar().Extract(tar.string(), work.string(), {}, true));
    EXPECT_EQ(quillora::test::ReadFileBytes(work / "ok.txt"), "fine");
    // Leading parent references land in the fixed place, where ExtractedPath finds them.
    EXPECT_EQ(quillora::test::ReadFileBytes(work / "_parent_" / "evil.txt"), "parent");
    EXPECT_EQ(*ExtractedPath(work, "../evil.txt", true), work / "_parent_" / "evil.txt");
    EXPECT_EQ(quillora::test::ReadFileBytes(*ExtractedPath(work, "..\\..\\deeper.txt", true)),
              "deeper");
    EXPECT_TRUE(fs::is_empty(outside));
    for (const auto& item : fs::directory_iterator(m_dir.Path())) {
        std::string leaf = item.path().filename().string();
        EXPECT_TRUE(leaf == "outside" || leaf == "evil.tar" || leaf == "work") << leaf;
    }
    EXPECT_FALSE(fs::exists("/abs.txt"));
    EXPECT_FALSE(fs::is_symlink(work / "link"));
    EXPECT_FALSE(fs::is_symlink(work / "up"));
    // Asking for the parent entry by its listed path finds it again.
    fs::path again = m_dir / "again";
    EXPECT_TRUE(m_set.Tar().Extract(tar.string(), again.string(), {"../evil.txt"}, true));
    EXPECT_EQ(quillora::test::ReadFileBytes(again / "_parent_" / "evil.txt"), "parent");
}

TEST_F(ArchiverTest, DamagedArchivesFailCleanly) {
    m_dir.Write("src/f.txt", std::string(20000, 'x'));
    ASSERT_EQ(quillora::test::RunTool({"zip", "-q", "../z.zip", "f.txt"}, m_dir / "src"), 0);
    ASSERT_EQ(quillora::test::RunTool({"gcab", "-c", "../c.cab", "f.txt"}, m_dir / "src"), 0);
    quillora::test::WriteLibarchive(m_dir / "t.tgz", "pax", "gzip",
                                    {{"a", std::string(50000, 'a')}, {"b", "b"}});
    quillora::test::WriteLibarchive(m_dir / "t.tar", "pax", "",
                                    {{"a", std::string(50000, 'a')}, {"b", "b"}});
    WriteBytes(m_dir / "r.rar",
               quillora::test::Rar4Stored({{"a.txt", std::string(3000, 'r')}},
                                          quillora::test::DosDateTime(2010, 1, 1, 0, 0, 0)));
    WriteBytes(m_dir / "l.lzh",
               quillora::test::LhaStored({{"a.txt", std::string(3000, 'l')}}, 2, kStamp));
    struct SCase {
        const char* m_name;
        CArchiver* m_adapter;
    } cases[] = {{"z.zip", &m_set.Zip()}, {"c.cab", &m_set.Cab()}, {"t.tgz", &m_set.Tar()},
                 {"t.tar", &m_set.Tar()}, {"r.rar", &m_set.Rar()}, {"l.lzh", &m_set.Lha()}};
    for (const SCase& c : cases) {
        fs::path path = m_dir / c.m_name;
        ASSERT_TRUE(c.m_adapter->CheckArchive(path.string())) << c.m_name;
        std::string bytes = quillora::test::ReadFileBytes(path);
        fs::path cut = m_dir / (std::string("cut-") + c.m_name);
        WriteBytes(cut, bytes.substr(0, bytes.size() / 2));
        fs::path out = m_dir / (std::string("out-") + c.m_name);
        bool listed = c.m_adapter->Open(cut.string(), 0);
        c.m_adapter->CloseArchive();
        bool extracted = c.m_adapter->Extract(cut.string(), out.string(), {}, true);
        // A cabinet cut inside its data still has a whole directory to list.
        EXPECT_EQ(listed, std::string(c.m_name) == "c.cab") << c.m_name;
        EXPECT_FALSE(extracted) << c.m_name;
        EXPECT_FALSE(c.m_adapter->LastError().empty()) << c.m_name;
        fs::path garbage = m_dir.Write(std::string("junk-") + c.m_name, std::string(4000, '\x5a'));
        EXPECT_FALSE(c.m_adapter->Open(garbage.string(), 0)) << c.m_name;
    }
}

TEST(ExtractedPathTest, PlacesEveryPathBelowTheDestination) {
    fs::path dest = "/work/dest";
    EXPECT_EQ(*ExtractedPath(dest, "a/b.txt", true), dest / "a" / "b.txt");
    EXPECT_EQ(*ExtractedPath(dest, "a\\b.txt", false), dest / "b.txt");
    EXPECT_EQ(*ExtractedPath(dest, "./x.txt", true), dest / "x.txt");
    EXPECT_EQ(*ExtractedPath(dest, "../../x.txt", true), dest / "_parent_" / "_parent_" / "x.txt");
    // Members stored with absolute paths land below the folder, under the path the
    // catalogue gives them ("etc\passwd"), and are matched by it.
    EXPECT_EQ(*ExtractedPath(dest, "/etc/passwd", true), dest / "etc" / "passwd");
    EXPECT_EQ(ArcMatchKey("/etc/passwd"), ArcMatchKey("etc\\PASSWD"));
    EXPECT_NE(ArcMatchKey("../a"), ArcMatchKey("a"));
    EXPECT_EQ(*ExtractedPath(dest, "C:\\x.txt", true), dest / "C:" / "x.txt");
    EXPECT_FALSE(ExtractedPath(dest, "a/../../x", true));
    EXPECT_FALSE(ExtractedPath(dest, "../.././x", true)); // "./" after ".." is no prefix
    EXPECT_FALSE(ExtractedPath(dest, "..", true));
    EXPECT_FALSE(ExtractedPath(dest, "//", true));
    EXPECT_EQ(SplitParentPrefix("./../a").m_nParentDepth, 1u);
    EXPECT_EQ(SplitParentPrefix("././a").m_nParentDepth, 0u);
    EXPECT_EQ(SplitParentPrefix("././a").m_strRest, "././a");
}

TEST(ArcListEntryTest, LongNamesAreKeptWholeAndMeasuredInCp932) {
    SArcListEntry entry;
    EXPECT_TRUE(entry.SetName(std::string(300, 'n')));
    EXPECT_EQ(entry.Name().size(), 300u);
    EXPECT_FALSE(entry.SetName(std::string("a\0b", 3)));
    EXPECT_EQ(entry.Name().size(), 300u);
    // 100 kanji: 300 bytes of UTF-8 but 200 of CP932, within the classic field.
    std::string kanji;
    for (int i = 0; i < 100; ++i) {
        kanji += "\xE6\xBC\xA2";
    }
    EXPECT_FALSE(SArcListEntry::ExceedsClassicField(kanji));
    EXPECT_TRUE(SArcListEntry::ExceedsClassicField(kanji + kanji));
    EXPECT_FALSE(SArcListEntry::ExceedsClassicField(std::string(259, 'a')));
    EXPECT_TRUE(SArcListEntry::ExceedsClassicField(std::string(260, 'a')));
    entry.SetSizes(1, (1ULL << 32) + 5);
    EXPECT_EQ(entry.m_dwOriginalSize, 0xFFFFFFFFu);
}

TEST_F(ArchiverTest, StoredSizesOfFormatsThatCompressMoreThanOneFileAtOnce) {
    // A cabinet compresses a folder of files as one stream: each file gets its share.
    // Text of random words compresses, but not to nothing.
    auto words = [](std::size_t size, unsigned seed) {
        std::string text;
        while (text.size() < size) {
            seed = seed * 1103515245u + 12345u;
            text += "abcdefghijklmnopqrstuvwxyz"[(seed >> 16) % 26];
            text += ((seed >> 8) % 5 == 0) ? " " : "";
        }
        return text;
    };
    m_dir.Write("c/one.txt", "one");
    m_dir.Write("c/two.txt", words(50000, 1));
    m_dir.Write("c/three.txt", words(20000, 2));
    ASSERT_EQ(quillora::test::RunTool(
                  {"gcab", "-c", "-z", "../t.cab", "one.txt", "two.txt", "three.txt"}, m_dir / "c"),
              0);
    auto cab = ListAll(m_set.Cab(), m_dir / "t.cab");
    ASSERT_EQ(cab.size(), 3u);
    const std::uint64_t cabSize = fs::file_size(m_dir / "t.cab");
    std::uint64_t packed = 0;
    for (const auto& [name, entry] : cab) {
        EXPECT_GT(entry.m_nPackedSize64, 0u) << name;
        EXPECT_LT(entry.m_nPackedSize64, entry.m_nOriginalSize64) << name;
        packed += entry.m_nPackedSize64;
    }
    // Shared out, the folder's compressed bytes are nearly the whole cabinet.
    EXPECT_LT(packed, cabSize);
    EXPECT_GT(packed, cabSize * 9 / 10);
    EXPECT_GT(cab.at("two.txt").m_nPackedSize64, 2 * cab.at("three.txt").m_nPackedSize64);

    // A bare .gz or .Z: the file less the format's header and trailer.
    m_dir.Write("g/notes.txt", std::string(30000, 'n') + "end");
    ASSERT_EQ(quillora::test::RunTool({"gzip", "-n", "-k", "notes.txt"}, m_dir / "g"), 0);
    ASSERT_EQ(quillora::test::RunTool({"gzip", "-c", "-N", "notes.txt"}, m_dir / "g"), 0);
    auto gz = ListAll(m_set.Tar(), m_dir / "g" / "notes.txt.gz");
    ASSERT_EQ(gz.size(), 1u);
    EXPECT_EQ(gz.begin()->second.m_nOriginalSize64, 30003u);
    EXPECT_EQ(gz.begin()->second.m_nPackedSize64, fs::file_size(m_dir / "g" / "notes.txt.gz") - 18);
    quillora::test::WriteRawCompressed(m_dir / "g" / "data.Z", "compress", std::string(9000, 'z'));
    auto z = ListAll(m_set.Tar(), m_dir / "g" / "data.Z");
    ASSERT_EQ(z.size(), 1u);
    EXPECT_EQ(z.begin()->second.m_nPackedSize64, fs::file_size(m_dir / "g" / "data.Z") - 3);

    // RAR keeps each file's stored size in its header.
    const std::string rar = (m_dir / "r.rar").string();
    WriteBytes(rar, quillora::test::Rar4Stored({{"a.txt", std::string(1234, 'a')}, {"b.txt", "b"}},
                                               quillora::test::DosDateTime(2010, 1, 1, 0, 0, 0)));
    auto r4 = ListAll(m_set.Rar(), rar);
    EXPECT_EQ(r4.at("a.txt").m_nPackedSize64, 1234u);
    EXPECT_EQ(r4.at("b.txt").m_nPackedSize64, 1u);
    WriteBytes(rar, quillora::test::Rar5Stored({{"c.txt", std::string(777, 'c'), kStamp}}));
    EXPECT_EQ(ListAll(m_set.Rar(), rar).at("c.txt").m_nPackedSize64, 777u);
}

TEST_F(ArchiverTest, DosAttributesOfMembersAreKept) {
    const std::uint32_t dos = quillora::test::DosDateTime(2001, 2, 3, 4, 5, 6);
    WriteBytes(m_dir / "z.zip", quillora::test::ZipWithRawName("hidden.sys", "s", dos, 0x27));
    EXPECT_EQ(ListAll(m_set.Zip(), m_dir / "z.zip").at("hidden.sys").m_dwAttributes, 0xA7u);
    quillora::test::SMember system("sys.bin", "x");
    system.m_dwAttributes = 0x26; // hidden, system, archive
    WriteBytes(m_dir / "r.rar", quillora::test::Rar4Stored({system}, dos));
    EXPECT_EQ(ListAll(m_set.Rar(), m_dir / "r.rar").at("sys.bin").m_dwAttributes, 0xA6u);
    m_dir.Write("c/one.txt", "one");
    ASSERT_EQ(quillora::test::RunTool({"gcab", "-c", "../t.cab", "one.txt"}, m_dir / "c"), 0);
    EXPECT_EQ(ListAll(m_set.Cab(), m_dir / "t.cab").at("one.txt").m_dwAttributes, 0xA0u);
    // LHA levels 0 and 1 keep the attribute in the header.
    WriteBytes(m_dir / "l.lzh", quillora::test::LhaStored({{"a.txt", "alpha"}}, 0, dos));
    EXPECT_EQ(ListAll(m_set.Lha(), m_dir / "l.lzh").at("a.txt").m_dwAttributes, 0xA0u);
}

TEST_F(ArchiverTest, LongCp932NamesAreListedWholeAndExtractedOrRefusedClearly) {
    // A path of 200 CP932 bytes (300 in UTF-8): four folders and a file of 20 kanji.
    std::string kanji20;
    for (int i = 0; i < 20; ++i) {
        kanji20 += "\x8A\xBF"; // U+6F22
    }
    std::string path;
    for (int i = 0; i < 4; ++i) {
        path += kanji20 + "\\";
    }
    path += kanji20.substr(0, 32) + ".txt";
    ASSERT_EQ(path.size(), 200u);
    const std::uint32_t dos = quillora::test::DosDateTime(2002, 2, 2, 2, 2, 2);
    WriteBytes(m_dir / "long.zip", quillora::test::ZipWithRawName(path, "deep", dos));
    auto listed = ListAll(m_set.Zip(), m_dir / "long.zip");
    ASSERT_EQ(listed.size(), 1u);
    const std::string name = listed.begin()->first;
    EXPECT_EQ(std::count(name.begin(), name.end(), '/'), 4);
    EXPECT_EQ(name.size(), 4 * 61 + 48u + 4);
    const fs::path out = m_dir / "out";
    ASSERT_TRUE(m_set.Zip().Extract((m_dir / "long.zip").string(), out.string(), {name}, true))
        << m_set.Zip().LastError();
    EXPECT_EQ(quillora::test::ReadFileBytes(*ExtractedPath(out, name, true)), "deep");

    // One name of 130 kanji is 260 bytes in CP932 and 390 in UTF-8: kept whole in the
    // listing, and its extraction fails with the reason, as no Linux file name is
    // that long.
    std::string huge;
    for (int i = 0; i < 130; ++i) {
        huge += "\x8A\xBF";
    }
    WriteBytes(m_dir / "huge.zip", quillora::test::ZipWithRawName(huge, "h", dos));
    auto one = ListAll(m_set.Zip(), m_dir / "huge.zip");
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one.begin()->first.size(), 390u);
    EXPECT_FALSE(m_set.Zip().Extract((m_dir / "huge.zip").string(), out.string(), {}, true));
    EXPECT_NE(m_set.Zip().LastError().find("too long"), std::string::npos)
        << m_set.Zip().LastError();
}
