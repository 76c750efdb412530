// The copies report over planted case files: counts against a small model of its own
// (listing reports and reports that only count), name matches kept apart from CRC
// matches, archive entries, filters, case files that cannot be used, the paths of
// listed records and the byte check of matches.
#include "model/CaseFile.h"
#include "model/CatalogPath.h"
#include "model/SVolumeInfo.h"
#include "report/CCopiesPaths.h"
#include "report/CCopiesReport.h"
#include "report/CCopiesRun.h"
#include "report/CCopiesVerifier.h"
#include "report/CCrcContentTable.h"
#include "report/CCrcRunMerge.h"
#include "scan/ArchiverSet.h"
#include "scan/CArchivedCaseFile.h"
#include "search/CCaseCursor.h"
#include "support/ScratchDir.h"
#include "support/ShelfCase.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <random>
#include <set>
#include <stdexcept>
#include <tuple>

using namespace quillora;
using quillora::test::ScratchDir;
using quillora::test::SPlantedFile;
using quillora::test::SPlantedMedium;

namespace {

constexpr FileTime kSecond = 10'000'000;
constexpr FileTime kT0 = 130000000000000000ULL;

std::unique_ptr<CCopiesReport> Collect(const std::vector<std::string>& paths, bool archives = false,
                                       const std::string& password = {},
                                       ECrcLayout layout = ECrcLayout::Sorted,
                                       unsigned threads = 2) {
    auto report = std::make_unique<CCopiesReport>(paths, layout);
    CCopiesRun run(*report, {password, archives, threads});
    EXPECT_TRUE(run.Collect());
    return report;
}

using MediumCounts =
    std::vector<std::tuple<std::uint64_t, std::uint64_t, std::uint64_t, std::uint64_t>>;

// Files, bytes, sole files and sole bytes of every medium, in report order.
MediumCounts CountsOf(const CCopiesReport& report) {
    MediumCounts counts;
    for (const SCopiesMedium& m : report.Media()) {
        counts.emplace_back(m.m_nFiles, m.m_nBytes, m.m_nSoleFiles, m.m_nSoleBytes);
    }
    return counts;
}

std::vector<SCopiesContent> Contents(const CCopiesReport& report,
                                     const SCopiesFilter& filter = {}) {
    std::vector<SCopiesContent> all;
    report.ForEachContent(filter, [&](const SCopiesContent& c) { all.push_back(c); });
    return all;
}

// "copies/records/kind" of every content, in listing order.
std::vector<std::string> Shapes(const CCopiesReport& report, const SCopiesFilter& filter = {}) {
    std::vector<std::string> shapes;
    for (const SCopiesContent& c : Contents(report, filter)) {
        shapes.push_back(std::to_string(c.m_nSize) + ":" + std::to_string(c.m_nCopies) + "/" +
                         std::to_string(c.m_records.size()) +
                         (c.m_match == ECopiesMatch::Crc ? "crc" : "name"));
    }
    return shapes;
}

class CopiesReportTest : public ::testing::Test {
protected:
    std::string CasePath(const std::string& name) const { return (m_dir / name).string(); }
    ScratchDir m_dir;
};

// Random shelves checked against a model that only knows "which media hold this size
// and CRC": two copies on one medium count once, equal sizes with other CRCs do not
// match, and every record is listed under its content.
TEST_F(CopiesReportTest, CopiesAgreeWithAModelOfMediaPerContent) {
    for (unsigned seed = 1; seed <= 5; ++seed) {
        std::mt19937 random(seed);
        std::map<std::pair<std::uint64_t, std::uint32_t>, std::set<std::string>> mediaOf;
        std::map<std::pair<std::uint64_t, std::uint32_t>, std::size_t> recordsOf;
        std::map<std::string, std::uint64_t> soleOf, soleBytesOf, filesOf, bytesOf;
        std::vector<std::string> paths;
        std::vector<std::pair<std::string, std::pair<std::uint64_t, std::uint32_t>>> placed;
        for (int c = 0; c < 3; ++c) {
            std::vector<SPlantedMedium> media;
            for (int m = 0; m < 3; ++m) {
                SPlantedMedium medium;
                medium.m_strLabel = "Disc " + std::to_string(m);
                medium.m_strGroup = m == 2 ? "Shelf" : "";
                const int files = static_cast<int>(random() % 12);
                for (int f = 0; f < files; ++f) {
                    SPlantedFile file;
                    file.m_strPath =
                        (random() % 2 ? "dir\\" : "") + std::string("f") + std::to_string(f);
                    file.m_nSize = 100 * (1 + random() % 3);
                    file.m_dwCrc = 1 + random() % 3;
                    medium.m_files.push_back(file);
                    const std::string where =
                        std::to_string(c) + "|" + (m == 2 ? "Shelf\\" : "") + medium.m_strLabel;
                    mediaOf[{file.m_nSize, file.m_dwCrc}].insert(where);
                    ++recordsOf[{file.m_nSize, file.m_dwCrc}];
                    placed.push_back({where, {file.m_nSize, file.m_dwCrc}});
                    ++filesOf[where];
                    bytesOf[where] += file.m_nSize;
                }
                media.push_back(medium);
            }
            paths.push_back(
                CasePath("shelf" + std::to_string(seed) + "_" + std::to_string(c) + ".cas"));
            test::WriteShelfCase(paths.back(), media);
        }
        for (const auto& [where, key] : placed) {
            if (mediaOf[key].size() == 1) {
                ++soleOf[where];
                soleBytesOf[where] += key.first;
            }
        }
        const auto report = Collect(paths);
        const std::vector<SCopiesContent> contents = Contents(*report);
        ASSERT_EQ(contents.size(), mediaOf.size()) << "seed " << seed;
        for (const SCopiesContent& content : contents) {
            const std::pair<std::uint64_t, std::uint32_t> key{content.m_nSize, content.m_dwCrc};
            EXPECT_EQ(content.m_match, ECopiesMatch::Crc);
            EXPECT_EQ(content.m_nCopies, mediaOf[key].size()) << "seed " << seed;
            EXPECT_EQ(content.m_records.size(), recordsOf[key]) << "seed " << seed;
        }
        // A report that only counts (the summary) gets the same counts another way.
        const auto counted = Collect(paths, false, {}, ECrcLayout::Partitioned, 1 + seed % 3);
        for (const auto* each : {report.get(), counted.get()}) {
            for (const SCopiesMedium& medium : each->Media()) {
                const std::string where = std::to_string(medium.m_nCase) + "|" + medium.m_strPath;
                EXPECT_EQ(medium.m_nFiles, filesOf[where]) << where << " seed " << seed;
                EXPECT_EQ(medium.m_nBytes, bytesOf[where]) << where << " seed " << seed;
                EXPECT_EQ(medium.m_nSoleFiles, soleOf[where]) << where << " seed " << seed;
                EXPECT_EQ(medium.m_nSoleBytes, soleBytesOf[where]) << where << " seed " << seed;
            }
        }
        // Largest first (of one size, the larger CRC first), and each content's records
        // by medium and position, across the case files merged.
        for (std::size_t i = 1; i < contents.size(); ++i) {
            EXPECT_GT(std::tie(contents[i - 1].m_nSize, contents[i - 1].m_dwCrc),
                      std::tie(contents[i].m_nSize, contents[i].m_dwCrc));
        }
        for (const SCopiesContent& content : contents) {
            for (std::size_t r = 1; r < content.m_records.size(); ++r) {
                const SCopiesRef& a = content.m_records[r - 1];
                const SCopiesRef& b = content.m_records[r];
                EXPECT_LT(std::tie(a.m_nMedium, a.m_nOrdinal), std::tie(b.m_nMedium, b.m_nOrdinal))
                    << "seed " << seed;
            }
        }
    }
}

// The medium counts are made in stretches of contents on several threads; many files
// of few sizes put runs of one content at every cut, in every case file. A report that
// only counts (the summary) cuts partitions instead of sorted runs, and must agree with
// the listing report on every thread count; sizes past 4 GiB take part.
TEST_F(CopiesReportTest, MediumCountsDoNotDependOnTheThreads) {
    std::mt19937 random(7);
    std::vector<std::string> paths;
    for (int c = 0; c < 4; ++c) {
        std::vector<SPlantedMedium> media;
        for (int m = 0; m < 3; ++m) {
            SPlantedMedium medium;
            medium.m_strLabel = "Disc " + std::to_string(m);
            for (int f = 0; f < 700; ++f) {
                const bool crc = random() % 8 != 0;
                const std::uint64_t large = f % 61 == 0 ? std::uint64_t{1} << 32 : 0;
                medium.m_files.push_back({"f" + std::to_string(f), large + 1 + random() % 500,
                                          crc ? static_cast<std::uint32_t>(1 + random() % 5) : 0,
                                          kT0 + (random() % 3) * kSecond});
            }
            media.push_back(medium);
        }
        paths.push_back(CasePath("many" + std::to_string(c) + ".cas"));
        test::WriteShelfCase(paths.back(), media);
    }
    auto countsWith = [&](unsigned threads) {
        const auto report = Collect(paths, false, {}, ECrcLayout::Sorted, threads);
        const MediumCounts counts = CountsOf(*report);
        std::uint64_t listedSole = 0;
        report->ForEachContent({1, 1, {}}, [&](const SCopiesContent& content) {
            listedSole += content.m_records.size();
        });
        std::uint64_t countedSole = 0;
        for (const auto& m : counts) {
            countedSole += std::get<2>(m);
        }
        EXPECT_EQ(countedSole, listedSole) << threads << " threads";
        return counts;
    };
    const auto one = countsWith(1);
    ASSERT_EQ(one.size(), 12u);
    EXPECT_GT(std::get<2>(one[0]) + std::get<2>(one[5]), 0u);
    for (unsigned threads : {2u, 3u, 7u}) {
        EXPECT_EQ(countsWith(threads), one) << threads << " threads";
    }
    for (unsigned threads : {1u, 2u, 3u, 7u}) {
        const auto counted = Collect(paths, false, {}, ECrcLayout::Partitioned, threads);
        EXPECT_EQ(CountsOf(*counted), one) << threads << " threads, counted only";
        EXPECT_EQ(counted->Files(), 12u * 700u);
        EXPECT_THROW(counted->ForEachContent({}, [](const SCopiesContent&) {}), std::logic_error);
    }
}

// A report that only counts cuts its partitions into stretches across every case file
// read, with media of the same label and serial in every case (each its own medium) and
// files unusable cases left out between them: its counts are the listing report's.
TEST_F(CopiesReportTest, CountedOnlyAgreesOverManyCasesWithSkippedOnes) {
    std::mt19937 random(11);
    std::vector<std::string> paths;
    for (int c = 0; c < 40; ++c) {
        std::vector<SPlantedMedium> media;
        for (std::uint32_t m = 0; m < 2; ++m) {
            SPlantedMedium medium{m == 0 ? "Disc A" : "Disc B", "", m + 1, "", {}};
            for (int f = 0; f < 30; ++f) {
                const auto content = static_cast<std::uint32_t>(random() % 300);
                const bool crc = content % 7 != 0;
                medium.m_files.push_back({"f" + std::to_string(content), 100 + content,
                                          crc ? content * 2654435761u + 1 : 0,
                                          kT0 + content * kSecond});
            }
            media.push_back(medium);
        }
        paths.push_back(CasePath("shelf" + std::to_string(c) + ".cas"));
        test::WriteShelfCase(paths.back(), media);
    }
    const std::string bytes = test::ReadFileBytes(paths[25]);
    std::ofstream(paths[25], std::ios::binary | std::ios::trunc)
        << bytes.substr(0, bytes.size() / 2);
    std::ofstream(paths[10], std::ios::binary | std::ios::trunc) << "not a case file";
    const auto listed = Collect(paths, false, {}, ECrcLayout::Sorted, 2);
    ASSERT_EQ(listed->Skipped(), 2u);
    ASSERT_EQ(listed->Media().size(), 2u * 38u);
    const MediumCounts expected = CountsOf(*listed);
    std::uint64_t sole = 0, files = 0;
    for (const auto& m : expected) {
        files += std::get<0>(m);
        sole += std::get<2>(m);
    }
    EXPECT_GT(sole, 0u);
    EXPECT_LT(sole, files);
    for (unsigned threads : {1u, 2u, 3u}) {
        const auto counted = Collect(paths, false, {}, ECrcLayout::Partitioned, threads);
        EXPECT_EQ(counted->Skipped(), 2u);
        EXPECT_EQ(CountsOf(*counted), expected) << threads << " threads";
    }
}

// Every file of one content lands in one partition whatever the medium or position,
// the partitions in order with their ends where the entries are, each in the order the
// entries came in.
TEST(CrcPartition, OneContentOnePartitionInOrder) {
    std::mt19937_64 random(5);
    std::vector<SCrcEntry> in(5000);
    for (std::uint32_t i = 0; i < in.size(); ++i) {
        in[i].SetSize(random() % 4 == 0 ? (std::uint64_t{1} << 33) + random() % 7 : random() % 40);
        in[i].m_dwCrc = random() % 5;
        in[i].m_ref = {static_cast<std::uint32_t>(random() % 9), i};
    }
    std::vector<SCrcTally> out(in.size());
    std::vector<std::uint32_t> ends;
    CCrcContentTable::Partition(in, out, ends);
    ASSERT_EQ(ends.size(), CCrcContentTable::kPartitions);
    EXPECT_EQ(ends.back(), in.size());
    std::map<std::pair<std::uint64_t, std::uint32_t>, std::size_t> partitionOf;
    std::map<std::pair<std::uint64_t, std::uint32_t>, std::size_t> seen;
    std::size_t begin = 0;
    std::size_t used = 0;
    for (std::size_t p = 0; p < ends.size(); ++p) {
        ASSERT_LE(begin, ends[p]);
        used += begin < ends[p] ? 1 : 0;
        for (std::size_t i = begin; i < ends[p]; ++i) {
            const auto key = std::make_pair(out[i].m_nSize, out[i].m_dwCrc);
            const auto [at, fresh] = partitionOf.emplace(key, p);
            EXPECT_EQ(at->second, p) << "content split over partitions";
            ++seen[key];
        }
        begin = ends[p];
    }
    EXPECT_GT(used, 50u);
    // The same entries, each content as often as it came; within a content, media in
    // the order they came.
    std::map<std::pair<std::uint64_t, std::uint32_t>, std::vector<std::uint32_t>> cameIn, went;
    for (const SCrcEntry& e : in) {
        cameIn[{e.Size(), e.m_dwCrc}].push_back(e.m_ref.m_nMedium);
    }
    for (const SCrcTally& t : out) {
        went[{t.m_nSize, t.m_dwCrc}].push_back(t.m_nMedium);
    }
    EXPECT_EQ(went, cameIn);
}

// A case's entries come in the order of medium and position; sorting them for the
// merge keeps that order among equal contents, for sizes past 4 GiB too.
TEST(CrcRunSort, SortsAsTheListingOrderDoes) {
    std::mt19937_64 random(3);
    for (std::size_t count : {0u, 5u, 63u, 64u, 1000u, 20000u}) {
        std::vector<SCrcEntry> run(count);
        std::uint32_t medium = 0;
        for (std::uint32_t i = 0; i < count; ++i) {
            medium += random() % 50 == 0 ? 1 : 0;
            const std::uint64_t sizes[] = {random() % 300, random() % 70000,
                                           (std::uint64_t{1} << 32) + random() % 3, random()};
            run[i].SetSize(sizes[random() % 4]);
            run[i].m_dwCrc =
                random() % 4 == 0 ? static_cast<std::uint32_t>(random()) : random() % 3;
            run[i].m_ref = {medium, i + 1};
        }
        std::vector<SCrcEntry> expected = run;
        std::sort(expected.begin(), expected.end(), CCrcRunMerge::ListingBefore);
        std::vector<SCrcEntry> sorted(run.size());
        CCrcRunMerge::SortRun(run, sorted);
        run = sorted;
        ASSERT_EQ(run.size(), expected.size());
        for (std::size_t i = 0; i < run.size(); ++i) {
            EXPECT_EQ(run[i].Size(), expected[i].Size()) << count << " at " << i;
            EXPECT_EQ(run[i].m_dwCrc, expected[i].m_dwCrc) << count << " at " << i;
            EXPECT_EQ(run[i].m_ref.m_nOrdinal, expected[i].m_ref.m_nOrdinal)
                << count << " at " << i;
        }
    }
}

TEST_F(CopiesReportTest, MediumCountsFilesBytesAndSoleCopies) {
    test::WriteShelfCase(
        CasePath("a.cas"),
        {{"A", "", 1, "", {{"x", 10, 7}, {"copy\\x", 10, 7}, {"y", 5, 8}, {"e", 0, 0}}},
         {"B", "", 2, "", {{"x", 10, 7}, {"dir", 0, 0}}}});
    const auto report = Collect({CasePath("a.cas")});
    ASSERT_EQ(report->Media().size(), 2u);
    const SCopiesMedium& a = report->Media()[0];
    const SCopiesMedium& b = report->Media()[1];
    EXPECT_EQ(a.m_strPath, "A");
    // The empty file does not count; two copies of x on A are one copy.
    EXPECT_EQ(a.m_nFiles, 3u);
    EXPECT_EQ(a.m_nBytes, 25u);
    EXPECT_EQ(a.m_nSoleFiles, 1u);
    EXPECT_EQ(a.m_nSoleBytes, 5u);
    EXPECT_EQ(b.m_nFiles, 1u);
    EXPECT_EQ(b.m_nSoleFiles, 0u);
    EXPECT_EQ(Shapes(*report), (std::vector<std::string>{"10:2/3crc", "5:1/1crc"}));
}

// Files without a CRC match by folded name, size and a last-write time within 2
// seconds; a file with a CRC never joins them, nor they it.
TEST_F(CopiesReportTest, NameMatchesAreKeptApartFromCrcMatches) {
    test::WriteShelfCase(
        CasePath("n.cas"),
        {{"A",
          "",
          1,
          "",
          {{"Photo.JPG", 50, 0, kT0}, {"late.txt", 9, 0, kT0}, {"c.bin", 70, 5, kT0}}},
         {"B",
          "",
          2,
          "",
          {{"photo.jpg", 50, 0, kT0 + 2 * kSecond},
           {"late.txt", 9, 0, kT0 + 3 * kSecond},
           {"c.bin", 70, 0, kT0}}},
         {"C", "", 3, "", {{"PHOTO.jpg", 51, 0, kT0}, {"c.bin", 70, 5, kT0}}}});
    const auto report = Collect({CasePath("n.cas")});
    EXPECT_EQ(Shapes(*report), (std::vector<std::string>{"70:2/2crc", "70:1/1name", "51:1/1name",
                                                         "50:2/2name", "9:1/1name", "9:1/1name"}));
}

TEST_F(CopiesReportTest, NameRunsNeverSpanMoreThanTwoSeconds) {
    // 0, 1.5 and 3 s: the first two agree, the third is 3 s after the first.
    test::WriteShelfCase(CasePath("t.cas"),
                         {{"A", "", 1, "", {{"f", 8, 0, kT0}}},
                          {"B", "", 2, "", {{"f", 8, 0, kT0 + 15 * kSecond / 10}}},
                          {"C", "", 3, "", {{"f", 8, 0, kT0 + 3 * kSecond}}}});
    const auto report = Collect({CasePath("t.cas")});
    EXPECT_EQ(Shapes(*report), (std::vector<std::string>{"8:2/2name", "8:1/1name"}));
}

TEST_F(CopiesReportTest, ArchiveEntriesTakePartOnlyWhenAskedFor) {
    SPlantedFile zip{"pack.zip", 300, 99, kT0, {{"inner.doc", 40, 4}, {"empty", 0, 0}}};
    test::WriteShelfCase(CasePath("z.cas"),
                         {{"A", "", 1, "", {zip}}, {"B", "", 2, "", {{"inner.doc", 40, 4}}}});
    const auto without = Collect({CasePath("z.cas")});
    ASSERT_EQ(without->Cases()[0].m_strError, "");
    EXPECT_EQ(Shapes(*without), (std::vector<std::string>{"300:1/1crc", "40:1/1crc"}));
    const auto with = Collect({CasePath("z.cas")}, true);
    EXPECT_EQ(Shapes(*with), (std::vector<std::string>{"300:1/1crc", "40:2/2crc"}));
    EXPECT_EQ(with->Media()[0].m_nFiles, 2u);
    EXPECT_EQ(with->Media()[0].m_nSoleFiles, 1u);
}

TEST_F(CopiesReportTest, FiltersByCopiesAndByMedium) {
    test::WriteShelfCase(CasePath("f1.cas"),
                         {{"A", "", 1, "", {{"one", 1, 1}, {"two", 2, 2}, {"three", 3, 3}}},
                          {"B", "G", 2, "", {{"two", 2, 2}, {"three", 3, 3}}}});
    test::WriteShelfCase(CasePath("f2.cas"), {{"C", "", 3, "", {{"three", 3, 3}, {"four", 4, 4}}}});
    const auto report = Collect({CasePath("f1.cas"), CasePath("f2.cas")});
    SCopiesFilter sole;
    sole.m_nMaxCopies = 1;
    EXPECT_EQ(Shapes(*report, sole), (std::vector<std::string>{"4:1/1crc", "1:1/1crc"}));
    SCopiesFilter many;
    many.m_nMinCopies = 2;
    EXPECT_EQ(Shapes(*report, many), (std::vector<std::string>{"3:3/3crc", "2:2/2crc"}));

    EXPECT_TRUE(report->FindMedia("nothing").empty());
    SCopiesFilter onB;
    onB.m_media = report->FindMedia("/g/b/");
    ASSERT_EQ(onB.m_media.size(), 1u);
    EXPECT_EQ(report->Media()[onB.m_media[0]].m_strPath, "G\\B");
    EXPECT_EQ(Shapes(*report, onB), (std::vector<std::string>{"3:3/3crc", "2:2/2crc"}));
    onB.m_nMaxCopies = 1;
    EXPECT_TRUE(Shapes(*report, onB).empty());
}

// A damaged, a truncated, a protected and a missing file are skipped with their
// reasons, and the others are counted as if those were not there.
TEST_F(CopiesReportTest, CaseFilesThatCannotBeUsedAreListedAndSkipped) {
    test::WriteShelfCase(CasePath("good.cas"), {{"A", "", 1, "", {{"x", 10, 7}}}});
    test::WriteShelfCase(CasePath("locked.cas"), {{"L", "", 2, "", {{"x", 10, 7}}}}, "pw");
    test::WriteShelfCase(CasePath("whole.cas"), {{"T", "", 3, "", {{"x", 10, 7}}}});
    const std::string bytes = test::ReadFileBytes(m_dir / "whole.cas");
    std::ofstream(CasePath("short.cas"), std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    std::ofstream(CasePath("junk.cas"), std::ios::binary) << "not a case file at all";
    const std::vector<std::string> paths{CasePath("junk.cas"), CasePath("good.cas"),
                                         CasePath("locked.cas"), CasePath("short.cas"),
                                         CasePath("missing.cas")};
    const auto report = Collect(paths);
    using EState = SCopiesCase::EState;
    const auto& cases = report->Cases();
    EXPECT_EQ(cases[0].m_state, EState::Unreadable);
    EXPECT_EQ(cases[1].m_state, EState::Read);
    EXPECT_EQ(cases[2].m_state, EState::Protected);
    EXPECT_EQ(cases[3].m_state, EState::Unreadable);
    EXPECT_EQ(cases[4].m_state, EState::Unreadable);
    for (std::size_t i : {0u, 2u, 3u, 4u}) {
        EXPECT_NE(cases[i].m_strError.find(paths[i]), std::string::npos) << cases[i].m_strError;
    }
    EXPECT_EQ(report->Skipped(), 4u);
    EXPECT_EQ(Shapes(*report), (std::vector<std::string>{"10:1/1crc"}));

    const auto unlocked = Collect({CasePath("good.cas"), CasePath("locked.cas")}, false, "pw");
    EXPECT_EQ(Shapes(*unlocked), (std::vector<std::string>{"10:2/2crc"}));
}

// Packed cases are read through the case-file opener the program installs, two
// workers at once, each stream unpacking with an adapter of its own.
TEST_F(CopiesReportTest, PackedCasesAreReadThroughTheCaseFileOpener) {
    CArchiverSet archivers;
    archivers.LoadAll();
    if (!archivers.Lha().IsLoaded()) {
        GTEST_SKIP() << "no LHA reader here";
    }
    InstallArchivedCaseStreams(archivers);
    std::vector<std::string> paths;
    for (int n = 0; n < 4; ++n) {
        paths.push_back(CasePath("packed" + std::to_string(n) + ".caz"));
        test::WriteShelfCase(paths.back(), {{"P" + std::to_string(n),
                                             "",
                                             static_cast<std::uint32_t>(n + 1),
                                             "",
                                             {{"x", 10, 7}, {"own", 20u + n, 1}}}});
    }
    const auto report = Collect(paths);
    SetArchivedCaseStreamFactory(nullptr);
    archivers.UnloadAll();
    EXPECT_EQ(report->Skipped(), 0u);
    EXPECT_EQ(Shapes(*report), (std::vector<std::string>{"23:1/1crc", "22:1/1crc", "21:1/1crc",
                                                         "20:1/1crc", "10:4/4crc"}));
}

TEST_F(CopiesReportTest, StoppedBeforeStartGivesNoReport) {
    test::WriteShelfCase(CasePath("a.cas"), {{"A", "", 1, "", {{"x", 10, 7}}}});
    CCopiesReport report({CasePath("a.cas")});
    CCopiesRun run(report, {});
    run.Stop();
    EXPECT_FALSE(run.Collect());
    EXPECT_EQ(report.Cases()[0].m_state, SCopiesCase::EState::Waiting);
}

// The paths a report lists are the catalogue paths of the loaded tree, records in
// groups and archives included; a file that changed before the second reading is
// reported instead of giving wrong names.
TEST_F(CopiesReportTest, ListedPathsAreTheCatalogPathsOfTheRecords) {
    SPlantedFile zip{"sub\\pack.zip", 300, 99, kT0, {{"inner.doc", 40, 4}}};
    test::WriteShelfCase(CasePath("p.cas"),
                         {{"Disc", "Box", 1, "", {{"a\\b\\x.txt", 10, 7}, zip, {"loose", 3, 0}}},
                          {"Other", "", 2, "", {{"x.txt", 10, 7}}}});
    const auto report = Collect({CasePath("p.cas")}, true);
    CCopiesPaths paths(*report);
    std::set<std::string> listed;
    report->ForEachContent({}, [&](const SCopiesContent& c) {
        for (const SCopiesRef& ref : c.m_records) {
            paths.Want(ref, c.m_nSize);
        }
    });
    CCopiesRun run(*const_cast<CCopiesReport*>(report.get()), {});
    ASSERT_TRUE(run.ResolvePaths(paths));
    EXPECT_TRUE(paths.Errors().empty());
    report->ForEachContent({}, [&](const SCopiesContent& c) {
        for (const SCopiesRef& ref : c.m_records) {
            listed.insert(paths.PathOf(ref));
        }
    });
    std::set<std::string> expected;
    bool bad = false;
    std::unique_ptr<CCDCase> tree = ReadCaseFile(CasePath("p.cas"), "", &bad);
    ASSERT_TRUE(tree);
    CCaseCursor cursor(*tree);
    do {
        const SFileInfo& r = *cursor.Current();
        if (r.m_nSize > 0 && (!r.IsDirectory() || r.HasFlags(kFlagListedArchive)) &&
            !r.HasFlags(kFlagMedium | kFlagGroup | kFlagCase)) {
            expected.insert(CatalogPath(r));
        }
    } while (cursor.Next());
    EXPECT_EQ(listed, expected);
    EXPECT_TRUE(listed.count("Box\\Disc\\sub\\pack.zip\\inner.doc"));

    CCopiesPaths again(*report);
    report->ForEachContent({},
                           [&](const SCopiesContent& c) { again.Want(c.m_records[0], c.m_nSize); });
    test::WriteShelfCase(CasePath("p.cas"), {{"Disc", "", 1, "", {{"new", 1, 1}}}});
    ASSERT_TRUE(run.ResolvePaths(again));
    ASSERT_EQ(again.Errors().size(), 1u);
    EXPECT_NE(again.Errors()[0].find("changed"), std::string::npos);
    EXPECT_EQ(again.PathOf(Contents(*report)[0].m_records[0]), "");
}

// Two media "mounted" at scratch folders: a match whose bytes agree, a planted false
// match (same size and stored CRC, other bytes), a file gone from its medium, and a
// medium that is not mounted.
TEST_F(CopiesReportTest, VerifyFindsFalseMatchesOnMountedMedia) {
    m_dir.Write("one/same.bin", "abcdef");
    m_dir.Write("two/same.bin", "abcdef");
    m_dir.Write("one/liar.bin", "123456");
    m_dir.Write("two/liar.bin", "654321");
    test::WriteShelfCase(
        CasePath("v.cas"),
        {{"One", "", 0x1111, "", {{"same.bin", 6, 5}, {"liar.bin", 6, 9}, {"gone.bin", 6, 5}}},
         {"Two", "", 0x2222, "", {{"same.bin", 6, 5}, {"liar.bin", 6, 9}}},
         {"Away", "", 0x3333, "", {{"liar.bin", 6, 9}}}});
    const auto report = Collect({CasePath("v.cas")});
    auto drive = [&](const std::string& folder, std::uint32_t serial) {
        SDrive d;
        d.m_root = (m_dir / folder).string();
        d.m_kind = DriveKind::Removable;
        d.m_serial = serial;
        d.m_present = true;
        return d;
    };
    CCopiesVerifier verifier(*report, [&] {
        return std::vector<SDrive>{drive("one", 0x1111), drive("two", 0x2222)};
    });
    EXPECT_EQ(verifier.MountedCount(), 2u);
    CCopiesPaths paths(*report);
    const std::vector<SCopiesContent> contents = Contents(*report);
    for (const SCopiesContent& c : contents) {
        for (const SCopiesRef& ref : c.m_records) {
            paths.Want(ref, c.m_nSize);
        }
    }
    CCopiesRun run(*const_cast<CCopiesReport*>(report.get()), {});
    ASSERT_TRUE(run.ResolvePaths(paths));
    ASSERT_EQ(contents.size(), 2u);
    const SCopiesContent& same = contents[0].m_dwCrc == 5 ? contents[0] : contents[1];
    const SCopiesContent& liar = contents[0].m_dwCrc == 9 ? contents[0] : contents[1];
    const SCopiesVerdict good = verifier.Verify(same, paths);
    EXPECT_EQ(good.m_nCompared, 2u);
    EXPECT_TRUE(good.m_differing.empty());
    ASSERT_EQ(good.m_unreadable.size(), 1u);
    EXPECT_EQ(paths.PathOf(good.m_unreadable[0]), "One\\gone.bin");

    const SCopiesVerdict bad = verifier.Verify(liar, paths);
    EXPECT_EQ(bad.m_nCompared, 2u);
    ASSERT_EQ(bad.m_differing.size(), 1u); // one of the two: neither is the majority
    EXPECT_TRUE(bad.m_unreadable.empty());
    EXPECT_EQ(liar.m_nCopies, 3u);
}

TEST_F(CopiesReportTest, SameBytesComparesWholeFilesBlockByBlock) {
    const std::string big(600 * 1024, 'q');
    std::string other = big;
    other[599 * 1024] = 'r';
    const auto a = m_dir.Write("a", big).string();
    const auto b = m_dir.Write("b", big).string();
    const auto c = m_dir.Write("c", other).string();
    const auto d = m_dir.Write("d", big.substr(1)).string();
    bool unreadable = true;
    EXPECT_TRUE(CCopiesVerifier::SameBytes(a, b, unreadable));
    EXPECT_FALSE(unreadable);
    EXPECT_FALSE(CCopiesVerifier::SameBytes(a, c, unreadable));
    EXPECT_FALSE(CCopiesVerifier::SameBytes(a, d, unreadable));
    EXPECT_FALSE(unreadable);
    EXPECT_FALSE(CCopiesVerifier::SameBytes(a, (m_dir / "none").string(), unreadable));
    EXPECT_TRUE(unreadable);
}

} // namespace
