// The shared index on a real PostgreSQL server: the same answers as the embedded index
// over the same case files, one case however many machines index it, readers that
// never see half a case while others write, a role that may only read, a schema newer
// than the program, and addresses shown without their passwords.
#include "CPgTestCluster.h"

#include "index/CCaseIndex.h"
#include "index/CIndexError.h"
#include "index/CPgIndexStore.h"
#include "index/ServerUrl.h"
#include "index/TextFolding.h"
#include "model/CCDCase.h"
#include "model/CaseFile.h"
#include "model/SArcFileInfo.h"
#include "model/SVolumeInfo.h"
#include "platform/DriveList.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <random>
#include <sys/wait.h>
#include <thread>

using namespace quillora;
using quillora::test::CPgTestCluster;
using quillora::test::ScratchDir;
namespace fs = std::filesystem;

namespace {

// A case of one medium per entry of `media`, each holding folder `folder` ("Docs") with
// the names given (a name ending in ".zip" is a listed archive holding "inner.txt").
void WriteCase(const fs::path& path, const std::vector<std::vector<std::string>>& media,
               std::uint32_t serial = 0x1234abcd, const std::string& folder = "Docs") {
    CCDCase root;
    for (std::size_t m = 0; m < media.size(); ++m) {
        auto medium = std::make_unique<SVolumeInfo>();
        medium->m_strLabel = "Disc " + std::to_string(m + 1);
        medium->m_strOrgLabel = medium->m_strLabel;
        medium->m_dwSerial = serial + static_cast<std::uint32_t>(m);
        SFileInfo* disc = root.AddChild(std::move(medium));
        auto docs = std::make_unique<SFileInfo>();
        docs->m_strName = folder;
        docs->m_dwFlags |= kAttrDirectory;
        SFileInfo* inDocs = disc->AddChild(std::move(docs));
        for (const std::string& name : media[m]) {
            auto file = std::make_unique<SFileInfo>();
            file->m_strName = name;
            file->m_nSize = name.size();
            if (name.ends_with(".zip")) {
                file->m_dwFlags |= kAttrDirectory | kFlagListedArchive;
                auto entry = std::make_unique<SArcFileInfo>();
                entry->m_strName = "inner.txt";
                file->AddChild(std::move(entry));
            }
            inDocs->AddChild(std::move(file));
        }
    }
    fs::create_directories(path.parent_path());
    SaveCaseFile(root, path.string(), false);
}

// A hit as both back ends must give it (the order numbers count only cases handed to
// the matcher, which differ by how exact a back end's candidates are).
std::string Describe(const SLocateHit& h) {
    return h.m_strCase + "|" + h.m_strMedium + "|" + h.m_strPath + "|" + h.m_strName + "|" +
           std::to_string(h.m_nSize) + "|" + std::to_string(static_cast<int>(h.m_rank)) + "|" +
           std::to_string(static_cast<int>(h.m_class)) + (h.m_bFolder ? "/" : "") +
           (h.m_bPresent ? "|present" : "");
}

std::vector<std::string> Describe(const std::vector<SLocateHit>& hits) {
    std::vector<std::string> out;
    for (const SLocateHit& h : hits) {
        out.push_back(Describe(h));
    }
    return out;
}

// One medium of a case written by WriteMedia.
struct SMediumSpec {
    std::uint32_t m_dwSerial = 0;
    std::string m_strFolder; // a folder medium's path below its drive's root, else empty
    std::vector<std::string> m_names;
    std::string m_strLabel; // empty: "Disc 1", "Disc 2"...
};

// A case of the media given, each holding its names at its top ("Disc 1", "Disc 2"...).
void WriteMedia(const fs::path& path, const std::vector<SMediumSpec>& media) {
    CCDCase root;
    for (std::size_t m = 0; m < media.size(); ++m) {
        auto medium = std::make_unique<SVolumeInfo>();
        medium->m_dwFlags |= kFlagRemovable;
        medium->m_strLabel =
            media[m].m_strLabel.empty() ? "Disc " + std::to_string(m + 1) : media[m].m_strLabel;
        medium->m_strOrgLabel = medium->m_strLabel;
        medium->m_dwSerial = media[m].m_dwSerial;
        medium->m_strName = media[m].m_strFolder;
        SFileInfo* disc = root.AddChild(std::move(medium));
        for (const std::string& name : media[m].m_names) {
            auto file = std::make_unique<SFileInfo>();
            file->m_strName = name;
            disc->AddChild(std::move(file));
        }
    }
    fs::create_directories(path.parent_path());
    SaveCaseFile(root, path.string(), false);
}

// Counts the candidates a store hands out.
class CCandidateCount : public ICandidateSink {
public:
    void Case(ICandidateCase& c) override { m_nCandidates += c.Candidates()->size(); }
    std::size_t m_nCandidates = 0;
};

std::vector<bool> NonePresent(const std::vector<SIndexedMedium>& media) {
    return std::vector<bool>(media.size(), false);
}

class PgIndexStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        CPgTestCluster& cluster = CPgTestCluster::Get();
        ASSERT_TRUE(cluster.Error().empty()) << cluster.Error();
        m_strDatabase =
            std::string("t_") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& c : m_strDatabase) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        cluster.CreateDatabase(m_strDatabase);
    }

    std::string Conninfo(const std::string& user = {}) const {
        return CPgTestCluster::Get().Conninfo(m_strDatabase, user);
    }
    std::unique_ptr<CPgIndexStore> Store(const std::string& machine = "m1") const {
        return std::make_unique<CPgIndexStore>(Conninfo(), machine);
    }
    CCaseIndex Index(const std::string& machine = "m1") const {
        return CCaseIndex(Store(machine), "server");
    }
    void Sql(const std::string& sql) const { CPgTestCluster::Get().Sql(m_strDatabase, sql); }

    std::string m_strDatabase;
    ScratchDir dir;
};

} // namespace

TEST_F(PgIndexStoreTest, AnswersAsTheEmbeddedIndexOverTheSameCases) {
    // Names from an alphabet of folding letters, LIKE's own wildcards and a space, so
    // that short and long words, folded forms and escapes all meet.
    static const std::vector<std::string> alphabet = {"a", "b", "c", "A", "ß",  "ガ", "ｶﾞ",
                                                      ".", " ", "%", "_", "Ｒ", "r"};
    std::mt19937 random(26);
    auto name = [&] {
        std::string n;
        for (std::size_t k = 1 + random() % 6; k > 0; --k) {
            n += alphabet[random() % alphabet.size()];
        }
        return n;
    };
    for (int c = 0; c < 6; ++c) {
        std::vector<std::vector<std::string>> media(1 + random() % 3);
        for (auto& names : media) {
            for (std::size_t k = random() % 40; k > 0; --k) {
                names.push_back(name());
            }
            names.push_back("pack" + std::to_string(c) + ".zip");
        }
        WriteCase(dir / ("cases/c" + std::to_string(c) + ".cas"), media, random());
    }
    // A name that is not UTF-8 is matched from its bytes on both.
    WriteCase(dir / "cases/odd.cas", {{std::string("b\xff"
                                                   "abc"),
                                       "abc"}});
    // Names beside the end of a name start's range: the word's last character one
    // higher, past the surrogates, and the highest character of all.
    WriteCase(dir / "cases/top.cas",
              {{"y\U0002000B", "y\U0002000Bz", "y\U0002000C", "q\uD7FF", "q\uD7FF1", "q\uE000",
                "x\U0010FFFF", "x\U0010FFFF.txt", "x\U0010FFFF\U0010FFFF", "y", "q"}});

    CCaseIndex embedded((dir / "index").string());
    CCaseIndex server = Index();
    embedded.Add({(dir / "cases").string()});
    const SIndexChange added = server.Add({(dir / "cases").string()});
    EXPECT_EQ(added.m_nRead, 8u);

    std::vector<std::vector<std::string>> questions = {{"ｶﾞ"},
                                                       {"ガガ"},
                                                       {"SS"},
                                                       {"ß"},
                                                       {"%"},
                                                       {"_"},
                                                       {"a_"},
                                                       {"%a"},
                                                       {"r"},
                                                       {"ｒ"},
                                                       {"abc"},
                                                       {"inner"},
                                                       {"pack"},
                                                       {"disc 1/docs/"},
                                                       {"docs\\", "a"},
                                                       {"pack/inner"},
                                                       {std::string("\xff")},
                                                       {"a", "b", "c"},
                                                       {"zzz"},
                                                       {"."},
                                                       {"a ."},
                                                       {"y\U0002000B"},
                                                       {"q\uD7FF"},
                                                       {"x\U0010FFFF"},
                                                       {"\U0010FFFF"}};
    for (int q = 0; q < 60; ++q) {
        std::vector<std::string> words;
        for (std::size_t k = 1 + random() % 2; k > 0; --k) {
            words.push_back(name());
        }
        questions.push_back(words);
    }
    std::size_t found = 0;
    for (const auto& words : questions) {
        std::string shown;
        for (const std::string& w : words) {
            shown += "[" + w + "]";
        }
        const auto expected = Describe(embedded.Locate(words, 0));
        EXPECT_EQ(Describe(server.Locate(words, 0)), expected) << shown;
        for (std::size_t limit : {1, 3}) {
            EXPECT_EQ(Describe(server.Locate(words, limit)),
                      Describe(embedded.Locate(words, limit)))
                << shown << " limit " << limit;
        }
        found += expected.size();
    }
    EXPECT_GT(found, 200u); // the questions found things, not only nothing alike

    // Status counts the same cases and records.
    EXPECT_EQ(server.Status().m_nCases, embedded.Status().m_nCases);
    EXPECT_EQ(server.Status().m_nRecords, embedded.Status().m_nRecords);
    EXPECT_GT(server.Status().m_nBytesOnDisk, 0u);
}

TEST_F(PgIndexStoreTest, CutsTheFirstPageWhereTheEmbeddedIndexCutsIt) {
    // Every rank in every case and medium, word starts after letters, digits, marks
    // and signs of other scripts (which ICU tells apart), and equal names for ties.
    static const std::vector<std::string> before = {"",   "",   "x", "_", " ",  "の",    "・",
                                                    "〇", "ー", "٣", "é", "a-", "写真 ", "holiday"};
    static const std::vector<std::string> middle = {"holiday", "HOLIDAY", "写真", "holiday 写真"};
    static const std::vector<std::string> after = {"", "", ".jpg", " 写真", "写真", "-2", "s"};
    std::mt19937 random(2026);
    auto pick = [&](const std::vector<std::string>& from) { return from[random() % from.size()]; };
    for (std::uint32_t c = 0; c < 9; ++c) {
        std::vector<std::vector<std::string>> media(2);
        for (auto& names : media) {
            for (int k = 0; k < 30; ++k) {
                names.push_back(pick(before) + pick(middle) + pick(after));
            }
            names.push_back("holiday"); // a whole name in every medium: ties of the best
        }
        WriteCase(dir / ("cases/r" + std::to_string(c) + ".cas"), media, 0x100 * (c + 1));
    }
    // A medium that only path words find, among the first cases and among the last.
    for (const char* name : {"cases/0.cas", "cases/z.cas"}) {
        SMediumSpec rare{0x77, {}, {}, "Rare"};
        for (int k = 0; k < 12; ++k) {
            rare.m_names.push_back(pick(before) + pick(middle) + pick(after));
        }
        WriteMedia(dir / name, {rare});
    }
    CCaseIndex embedded((dir / "index").string());
    CCaseIndex server = Index();
    embedded.Add({(dir / "cases").string()});
    server.Add({(dir / "cases").string()});

    const std::vector<std::vector<std::string>> questions = {{"holiday"},
                                                             {"写真"},
                                                             {"holiday", "写真"},
                                                             {"写真", "HOLIDAY"},
                                                             {"day"},
                                                             {"holiday 写真"},
                                                             {"docs/", "holiday"},
                                                             {"disc 2/", "holiday"},
                                                             {"rare/", "holiday"},
                                                             {"rare\\", "写真"}};
    for (const auto& words : questions) {
        const std::vector<SLocateHit> all = embedded.Locate(words, 0);
        ASSERT_GT(all.size(), 10u) << words.front();
        const std::vector<std::string> expected = Describe(all);
        for (std::size_t limit :
             {std::size_t{1}, std::size_t{2}, std::size_t{5}, std::size_t{13}, std::size_t{31},
              std::size_t{70}, std::size_t{150}, all.size() - 1, all.size() + 7}) {
            const auto serverHits = Describe(server.Locate(words, limit));
            const auto cut = std::vector<std::string>(
                expected.begin(),
                expected.begin() + static_cast<std::ptrdiff_t>(std::min(limit, expected.size())));
            EXPECT_EQ(serverHits, cut) << words.front() << " limit " << limit;
            EXPECT_EQ(Describe(embedded.Locate(words, limit)), cut) << words.front();
        }
    }
    // The questions meet every rank, so a rank computed wrongly moves hits.
    std::map<ELocateRank, std::size_t> ranks;
    for (const SLocateHit& h : embedded.Locate({"holiday"}, 0)) {
        ++ranks[h.m_rank];
    }
    EXPECT_EQ(ranks.size(), 4u);

    // The server cut the page itself: from the whole names and the name starts of the
    // first cases where they fill it, else from every match ranked; for path words
    // from more of the best, enough of which match them.
    auto store = Store();
    CCandidateCount starts;
    ASSERT_TRUE(store->FindFirstCandidates(CLocateQuery({"holiday"}), 7, NonePresent, starts));
    EXPECT_GE(starts.m_nCandidates, 7u);
    EXPECT_LT(starts.m_nCandidates, embedded.Locate({"holiday"}, 0).size());
    CCandidateCount ranked;
    ASSERT_TRUE(store->FindFirstCandidates(CLocateQuery({"day"}), 7, NonePresent, ranked));
    EXPECT_EQ(ranked.m_nCandidates, 7u);
    CCandidateCount paths;
    ASSERT_TRUE(
        store->FindFirstCandidates(CLocateQuery({"disc 2/", "holiday"}), 7, NonePresent, paths));
    EXPECT_GE(paths.m_nCandidates, 7u);
    EXPECT_LT(paths.m_nCandidates, embedded.Locate({"holiday"}, 0).size());
}

TEST_F(PgIndexStoreTest, PutsHitsOnMediaPresentNowFirstWithinARank) {
    // A folder medium on the disk that holds the scratch folder is present now; it
    // matches by that disk's serial number.
    const std::vector<SDrive> drives = CDriveList::Read();
    const SDrive* disk = nullptr;
    const std::string here = dir.Path().string();
    for (const SDrive& d : drives) {
        const bool probed = d.m_kind == DriveKind::Removable || d.m_kind == DriveKind::Fixed ||
                            d.m_kind == DriveKind::CdRom;
        const bool holds = d.m_root == "/" || here.starts_with(d.m_root + "/");
        if (probed && d.m_present && !d.m_serialUnknown && holds &&
            (!disk || d.m_root.size() > disk->m_root.size())) {
            disk = &d;
        }
    }
    if (!disk) {
        GTEST_SKIP() << "no disk with a serial number holds " << here;
    }
    fs::create_directories(dir / "present");
    std::string below =
        (dir / "present").string().substr(disk->m_root == "/" ? 1 : disk->m_root.size() + 1);
    std::replace(below.begin(), below.end(), '/', '\\');
    const SMediumSpec absent{
        disk->m_serial + 1, {}, {"holiday.jpg", "my holiday", "holiday.png"}, {}};
    SMediumSpec present = absent;
    present.m_dwSerial = disk->m_serial;
    present.m_strFolder = below;
    // The absent medium comes first in tree order in one case, last in the other.
    WriteMedia(dir / "cases/a.cas", {absent, present});
    SMediumSpec absentToo = absent;
    absentToo.m_dwSerial = disk->m_serial + 2;
    WriteMedia(dir / "cases/b.cas", {present, absentToo});
    WriteMedia(dir / "cases/c.cas", {absentToo});
    // Cases before them, more than the server looks at first, all absent.
    for (std::uint32_t k = 0; k < 6; ++k) {
        SMediumSpec other = absent;
        other.m_dwSerial = disk->m_serial + 3 + k;
        WriteMedia(dir / ("cases/0-" + std::to_string(k) + ".cas"), {other});
    }

    CCaseIndex embedded((dir / "index").string());
    CCaseIndex server = Index();
    embedded.Add({(dir / "cases").string()});
    server.Add({(dir / "cases").string()});
    const std::vector<SLocateHit> all = embedded.Locate({"holiday"}, 0);
    ASSERT_EQ(all.size(), 33u);
    ASSERT_TRUE(all.front().m_bPresent) << "the folder medium on " << disk->m_root;
    EXPECT_EQ(all.front().m_strCase, (dir / "cases/a.cas").string());
    EXPECT_EQ(all.front().m_strMedium, "Disc 2");
    for (std::size_t limit = 1; limit <= all.size(); ++limit) {
        EXPECT_EQ(Describe(server.Locate({"holiday"}, limit)),
                  Describe(embedded.Locate({"holiday"}, limit)))
            << "limit " << limit;
    }
}

TEST_F(PgIndexStoreTest, AFirstPageShowsTheFoldersOfACaseReadAgainAsTheyAreNow) {
    // A client keeps the folders above its pages; a case read again keeps its contents
    // (its media are the same) with new records, whose names the next page shows.
    const std::vector<std::vector<std::string>> names = {{"holiday.jpg", "my holiday.txt"}};
    WriteCase(dir / "cases/a.cas", names);
    CCaseIndex embedded((dir / "index").string());
    CCaseIndex server = Index();
    embedded.Add({(dir / "cases").string()});
    server.Add({(dir / "cases").string()});
    // From the name starts, and from every match ranked.
    const std::vector<std::vector<std::string>> questions = {{"holiday"}, {"oliday"}};
    for (const auto& words : questions) {
        ASSERT_EQ(server.Locate(words, 1).size(), 1u);
        EXPECT_EQ(server.Locate(words, 1).at(0).m_strPath.substr(0, 12), "Disc 1\\Docs\\");
    }
    WriteCase(dir / "cases/a.cas", names, 0x1234abcd, "Trips");
    Index("m2").Add({(dir / "cases").string()}); // another machine reads it first
    embedded.Update();
    for (const auto& words : questions) {
        EXPECT_EQ(Describe(server.Locate(words, 1)), Describe(embedded.Locate(words, 1)))
            << words.front();
        EXPECT_EQ(server.Locate(words, 1).at(0).m_strPath.substr(0, 13), "Disc 1\\Trips\\");
    }
    CPgConnection db(Conninfo());
    EXPECT_EQ(db.Exec("SELECT count(*) FROM quillora_contents").Int(0, 0), 1);
}

TEST_F(PgIndexStoreTest, FoldsAndMatchesAsTheIndexDoes) {
    WriteCase(dir / "cases/a.cas", {{"ガイド.txt", "REPORT 100%.pdf", "Straße.doc", "a_b.txt",
                                     "back\\slash", "notes.zip"}});
    CCaseIndex index = Index();
    index.Add({(dir / "cases").string()});
    auto paths = [&](std::vector<std::string> words) {
        std::vector<std::string> out;
        for (const SLocateHit& h : index.Locate(words, 0)) {
            out.push_back(h.m_strPath);
        }
        return out;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(paths({"ｶﾞｲﾄﾞ"}), V{"Disc 1\\Docs\\ガイド.txt"});
    EXPECT_EQ(paths({"ｒｅｐｏｒｔ"}), V{"Disc 1\\Docs\\REPORT 100%.pdf"});
    EXPECT_EQ(paths({"STRASSE"}), V{"Disc 1\\Docs\\Straße.doc"});
    // LIKE's wildcards are plain characters here.
    EXPECT_EQ(paths({"0%"}), V{"Disc 1\\Docs\\REPORT 100%.pdf"});
    EXPECT_EQ(paths({"a_b"}), V{"Disc 1\\Docs\\a_b.txt"});
    EXPECT_TRUE(paths({"a%b"}).empty());
    EXPECT_TRUE(paths({"x_"}).empty());
    EXPECT_EQ(paths({"zip/inner"}), V{"Disc 1\\Docs\\notes.zip\\inner.txt"});
    EXPECT_TRUE(paths({"notes/inner"}).empty());
    EXPECT_EQ(paths({"docs/", "report"}), V{"Disc 1\\Docs\\REPORT 100%.pdf"});
    EXPECT_EQ(paths({"t"}).size(), 6u); // short words have no trigram to narrow them
}

TEST_F(PgIndexStoreTest, TwoMachinesSeeingOneCaseFileUnderTwoPathsKeepItOnce) {
    const fs::path share = dir / "share";
    WriteCase(share / "shelf.cas", {{"holiday.jpg", "tax 2020.pdf"}});
    // The other machine mounts the same folder elsewhere.
    fs::create_directories(dir / "mnt");
    fs::create_directory_symlink(share, dir / "mnt/nas");
    const std::string here = (share / "shelf.cas").string();
    const std::string there = (dir / "mnt/nas/shelf.cas").string();

    CCaseIndex a = Index("machine-a");
    CCaseIndex b = Index("machine-b");
    CCaseIndex c = Index("machine-c"); // indexes nothing itself
    a.Add({share.string()});
    b.Add({there});
    for (CCaseIndex* index : {&a, &b, &c}) {
        EXPECT_EQ(index->Locate({"holiday"}, 0).size(), 1u);
        EXPECT_EQ(index->Status().m_nCases, index == &c ? 0u : 1u);
    }
    // Each names the case by its own path.
    EXPECT_EQ(a.Locate({"holiday"}, 0).at(0).m_strCase, here);
    EXPECT_EQ(b.Locate({"holiday"}, 0).at(0).m_strCase, there);
    EXPECT_EQ(c.Locate({"holiday"}, 0).at(0).m_strCase, there); // the first path of all

    // A new medium changes the case's id; machine b's entry follows, still once.
    WriteCase(share / "shelf.cas", {{"holiday.jpg", "tax 2020.pdf"}, {"more.txt"}}, 0x1234abcd);
    a.Update();
    EXPECT_EQ(c.Locate({"holiday"}, 0).size(), 1u);
    EXPECT_EQ(b.Locate({"more"}, 0).size(), 1u);
    EXPECT_EQ(b.Locate({"holiday"}, 0).size(), 1u);

    // One machine forgetting it leaves it to the other.
    a.Remove({here});
    EXPECT_EQ(a.Locate({"holiday"}, 0).size(), 1u);
    EXPECT_EQ(a.Locate({"holiday"}, 0).at(0).m_strCase, there);
    b.Remove({there});
    EXPECT_TRUE(c.Locate({"holiday"}, 0).empty());
    EXPECT_EQ(CPgConnection(Conninfo()).Exec("SELECT count(*) FROM quillora_records").Int(0, 0), 0);
}

TEST_F(PgIndexStoreTest, ReadersSeeEveryCaseWholeWhileTwoWritersReplaceThem) {
    // Two writers replace their cases again and again between two versions of known
    // sizes; eight readers must find every case, each with one version's records.
    constexpr int kCasesPerWriter = 3;
    constexpr std::uint32_t kSmall = 300;
    constexpr std::uint32_t kLarge = 1700;
    // Each case its own medium serial, so that each is a case of its own.
    auto records = [](std::uint32_t count, int version, std::uint32_t serial) {
        SCaseRecords c;
        c.m_media.push_back({"Disc", "DISC", "", serial, 0});
        SIndexedRecord medium;
        medium.m_class = RecordClass::Volume;
        medium.m_nMedium = 0;
        medium.m_strName = "Disc";
        medium.m_strFolded = "disc";
        c.m_records.push_back(medium);
        for (std::uint32_t i = 1; i < count; ++i) {
            SIndexedRecord r;
            r.m_nParent = 0;
            r.m_nMedium = 0;
            r.m_strName = "common v" + std::to_string(version) + " " + std::to_string(i);
            r.m_strFolded = FoldForIndex(r.m_strName);
            c.m_records.push_back(std::move(r));
        }
        return c;
    };
    // The store alone (no case files): CCaseIndex would drop cases whose files are gone.
    class CCounter : public ICandidateSink {
    public:
        void Case(ICandidateCase& c) override {
            std::size_t n = 0;
            for (std::uint32_t i : *c.Candidates()) {
                n += c.Record(i).m_strFolded.find("common") != std::string::npos ? 1 : 0;
            }
            m_counts[c.Facts().m_strPath] = n;
        }
        std::map<std::string, std::size_t> m_counts;
    };
    for (int w = 0; w < 2; ++w) {
        auto store = Store("writer" + std::to_string(w));
        for (int k = 0; k < kCasesPerWriter; ++k) {
            SIndexedCase facts;
            facts.m_strPath = "/w" + std::to_string(w) + "/case" + std::to_string(k) + ".cas";
            const SCaseRecords r = records(kSmall, 0, static_cast<std::uint32_t>(w * 10 + k));
            store->PutCase(facts, &r);
        }
    }
    std::atomic<bool> stop{false};
    std::atomic<int> rounds{0};
    std::vector<std::string> problems[8];
    std::vector<std::thread> threads;
    for (int w = 0; w < 2; ++w) {
        threads.emplace_back([&, w] {
            auto store = Store("writer" + std::to_string(w));
            for (int round = 1; round <= 6; ++round) {
                for (int k = 0; k < kCasesPerWriter; ++k) {
                    SIndexedCase facts;
                    facts.m_strPath =
                        "/w" + std::to_string(w) + "/case" + std::to_string(k) + ".cas";
                    facts.m_nModified = round;
                    const SCaseRecords r = records(round % 2 ? kLarge : kSmall, round,
                                                   static_cast<std::uint32_t>(w * 10 + k));
                    store->PutCase(facts, &r);
                }
                ++rounds;
            }
        });
    }
    for (int reader = 0; reader < 8; ++reader) {
        threads.emplace_back([&, reader] {
            auto store = Store("reader");
            do {
                CCounter counter;
                store->FindCandidates({"common"}, counter);
                if (counter.m_counts.size() != 2 * kCasesPerWriter) {
                    problems[reader].push_back(std::to_string(counter.m_counts.size()) + " cases");
                }
                for (const auto& [path, n] : counter.m_counts) {
                    if (n != kSmall - 1 && n != kLarge - 1) {
                        problems[reader].push_back(path + ": " + std::to_string(n));
                    }
                }
            } while (!stop);
        });
    }
    threads[0].join();
    threads[1].join();
    stop = true;
    for (std::size_t t = 2; t < threads.size(); ++t) {
        threads[t].join();
    }
    EXPECT_EQ(rounds, 12);
    for (const auto& p : problems) {
        EXPECT_TRUE(p.empty()) << p.front();
    }
    // The writers' last versions are what is kept.
    CCounter last;
    Store("reader")->FindCandidates({"v6"}, last);
    EXPECT_EQ(last.m_counts.size(), 2u * kCasesPerWriter);
}

TEST_F(PgIndexStoreTest, ARoleThatMayOnlyReadLocatesAndIsRefusedWrites) {
    WriteCase(dir / "cases/a.cas", {{"report.pdf"}});
    Index().Add({(dir / "cases").string()});
    Sql("CREATE ROLE reader LOGIN; GRANT SELECT ON ALL TABLES IN SCHEMA public TO reader");

    CCaseIndex reader(std::make_unique<CPgIndexStore>(Conninfo("reader"), "m2"), "server");
    EXPECT_EQ(reader.Locate({"report"}, 0).size(), 1u);
    try {
        reader.Add({(dir / "cases").string()});
        ADD_FAILURE() << "a read-only role wrote";
    } catch (const CIndexError& e) {
        EXPECT_NE(std::string(e.what()).find("permission denied"), std::string::npos) << e.what();
    }
    EXPECT_EQ(Index().Status().m_nCases, 1u); // nothing lost

    // The command line: locate works, index add fails with the server's message.
    const char* cli = std::getenv("QUILLORA_CLI");
    ASSERT_NE(cli, nullptr);
    const std::string url = CPgTestCluster::Get().Url(m_strDatabase, "reader");
    auto run = [&](const std::string& args, std::string& output) {
        const std::string command = std::string(cli) + " " + args + " 2>&1";
        FILE* pipe = ::popen(command.c_str(), "r");
        char buffer[4096];
        output.clear();
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            output.append(buffer, n);
        }
        const int status = ::pclose(pipe);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    std::string output;
    EXPECT_EQ(run("locate --json --server '" + url + "' report", output), 0) << output;
    EXPECT_NE(output.find("report.pdf"), std::string::npos) << output;
    EXPECT_EQ(run("index add --server '" + url + "' '" + (dir / "cases").string() + "'", output), 2)
        << output;
    EXPECT_NE(output.find("permission denied"), std::string::npos) << output;
}

// After a large import the records are vacuumed and analysed by their owner: the
// planner has their figures and index-only scans need not visit the rows. A writer that
// does not own the tables has its import stand all the same.
TEST_F(PgIndexStoreTest, ALargeBatchIsVacuumedByTheOwnerAndStandsForAnotherWriter) {
    WriteCase(dir / "cases/a.cas", {{"report.pdf", "notes.txt"}});
    Index().Add({(dir / "cases").string()});
    Sql("CREATE ROLE writer LOGIN; GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN "
        "SCHEMA public TO writer; GRANT USAGE ON ALL SEQUENCES IN SCHEMA public TO writer");
    EXPECT_NO_THROW(CPgIndexStore(Conninfo("writer"), "m2").AfterBatch(1000000));
    CPgConnection db(Conninfo());
    // The tests' cluster commits asynchronously: the rows are visible to all only once
    // the import's commits are on disk, which vacuum cannot see by itself.
    const char* figures = "SELECT reltuples::bigint, relallvisible FROM pg_class "
                          "WHERE relname = 'quillora_records'";
    CPgResult rows = db.Exec(figures);
    EXPECT_EQ(rows.Int(0, 0), -1); // a small batch is left to autovacuum
    EXPECT_EQ(rows.Int(0, 1), 0);
    Store()->AfterBatch(1000000);
    rows = db.Exec(figures);
    EXPECT_GE(rows.Int(0, 0), 2);
    EXPECT_EQ(rows.Int(0, 1), 1);
}

TEST_F(PgIndexStoreTest, RefusesASchemaNewerThanTheProgramAndMakesItOnceForMany) {
    // Clients starting on an empty database at once make the schema once.
    std::vector<std::thread> clients;
    std::atomic<int> failures{0};
    for (int k = 0; k < 4; ++k) {
        clients.emplace_back([&] {
            try {
                Store();
            } catch (const std::exception& e) {
                ADD_FAILURE() << e.what();
                ++failures;
            }
        });
    }
    for (std::thread& t : clients) {
        t.join();
    }
    EXPECT_EQ(failures, 0);
    // Databases of every older schema are brought up to date, their cases kept.
    WriteCase(dir / "cases/a.cas", {{"holiday.jpg"}});
    Index().Add({(dir / "cases").string()});
    const std::string third = "DROP INDEX quillora_records_start; CREATE INDEX "
                              "quillora_records_start ON quillora_records (content, folded "
                              "text_pattern_ops) WHERE class <= 1; ";
    const std::string second = third + "ALTER TABLE quillora_contents DROP COLUMN generation; "
                                       "DROP SEQUENCE quillora_generations; ";
    for (const std::string& older :
         {third + "UPDATE quillora_schema SET version = 3",
          second + "UPDATE quillora_schema SET version = 2",
          second + "DROP INDEX quillora_records_start; UPDATE quillora_schema SET version = 1"}) {
        Sql(older);
        CCaseIndex index = Index();
        CPgConnection db(Conninfo());
        EXPECT_EQ(db.Exec("SELECT version FROM quillora_schema").Int(0, 0),
                  CPgIndexStore::kSchemaVersion);
        // The index over the starts with the keys it holds beside them.
        EXPECT_EQ(db.Exec("SELECT indnatts FROM pg_index "
                          "WHERE indexrelid = 'quillora_records_start'::regclass")
                      .Int(0, 0),
                  4);
        ASSERT_EQ(index.Locate({"holiday"}, 1).size(), 1u);
        EXPECT_EQ(index.Locate({"holiday"}, 1).at(0).m_strPath, "Disc 1\\Docs\\holiday.jpg");
        // A case put again gets a new generation.
        WriteCase(dir / "cases/a.cas", {{"holiday.jpg", "more"}});
        index.Update();
        EXPECT_GT(db.Exec("SELECT min(generation) FROM quillora_contents").Int(0, 0), 0);
        WriteCase(dir / "cases/a.cas", {{"holiday.jpg"}});
        index.Update();
    }
    Sql("UPDATE quillora_schema SET version = 99");
    try {
        Store();
        ADD_FAILURE() << "a newer schema was taken";
    } catch (const CIndexError& e) {
        EXPECT_NE(std::string(e.what()).find("newer than this program's"), std::string::npos)
            << e.what();
    }
}

TEST_F(PgIndexStoreTest, MessagesNameTheServerWithoutItsPassword) {
    const std::string url =
        "postgresql://someone:s3cret@/no_such_db?host=" + (dir / "nowhere").string() +
        "&connect_timeout=2";
    try {
        CPgIndexStore store(url);
        ADD_FAILURE() << "connected to nothing";
    } catch (const CIndexError& e) {
        const std::string message = e.what();
        EXPECT_EQ(message.find("s3cret"), std::string::npos) << message;
        EXPECT_NE(message.find("postgresql://someone:***@/no_such_db"), std::string::npos)
            << message;
    }
}
