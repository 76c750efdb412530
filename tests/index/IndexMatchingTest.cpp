// Folding, matching and ranking of locate words, and the trigram lists that name the
// candidates, checked against a plain substring search over every name.
#include "index/CLocateQuery.h"
#include "index/CRecordBlocks.h"
#include "index/CTrigramLists.h"
#include "index/TextFolding.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

using namespace quillora;

TEST(IndexFolding, WidthCompatibilityAndCaseNeverDecideAMatch) {
    EXPECT_EQ(FoldForIndex("ｶﾞｲﾄﾞ"), FoldForIndex("ガイド"));
    EXPECT_EQ(FoldForIndex("ＲＥＰＯＲＴ"), "report");
    EXPECT_EQ(FoldForIndex("STRASSE"), FoldForIndex("straße"));
    EXPECT_EQ(FoldForIndex("Straße"), "strasse");
    EXPECT_EQ(FoldForIndex("ﬁle"), "file"); // a ligature
    EXPECT_EQ(FoldForIndex("Ⅻ"), "xii");    // a compatibility numeral
    EXPECT_EQ(FoldForIndex("ΣΊΣΥΦΟΣ"), FoldForIndex("σίσυφος"));
    EXPECT_EQ(FoldForIndex("README.TXT"), "readme.txt");
    // Composed and decomposed forms fold alike.
    EXPECT_EQ(FoldForIndex("Cafe\xCC\x81"), FoldForIndex("Café"));
    // Bytes that are not UTF-8 are kept; only ASCII letters are lowered.
    EXPECT_EQ(FoldForIndex(std::string("AB\xFF", 3)), std::string("ab\xFF", 3));
    EXPECT_EQ(FoldForIndex(""), "");
}

TEST(IndexQuery, EveryWordInTheNameOrInThePathWhenItHoldsASeparator) {
    const CLocateQuery q({"ＲＥＰＯＲＴ", "2020", "Docs/Work", "ｶﾞｲﾄﾞ＼"});
    ASSERT_EQ(q.NameWords().size(), 2u);
    EXPECT_EQ(q.NameWords()[0], "report");
    ASSERT_EQ(q.PathWords().size(), 2u);
    EXPECT_EQ(q.PathWords()[0], "docs\\work");
    EXPECT_EQ(q.PathWords()[1], FoldForIndex("ガイド") + "\\");
    EXPECT_TRUE(q.MatchesName("annual report 2020.pdf"));
    EXPECT_FALSE(q.MatchesName("annual report.pdf")); // every word, not any
    EXPECT_TRUE(q.MatchesPath("disc\\docs\\work\\ガイド\\x"));
    EXPECT_FALSE(q.MatchesPath("disc\\docs\\work\\x")); // the path word is missing
    EXPECT_TRUE(CLocateQuery({""}).Empty());
}

TEST(IndexQuery, RanksWholeNameThenStartThenWordStartThenAnywhere) {
    const CLocateQuery one({"Report"});
    EXPECT_EQ(one.Rank("report"), ELocateRank::WholeName);
    EXPECT_EQ(one.Rank("report.pdf"), ELocateRank::NameStart);
    EXPECT_EQ(one.Rank("annual report.pdf"), ELocateRank::WordStart);
    EXPECT_EQ(one.Rank("2020_report"), ELocateRank::WordStart);
    EXPECT_EQ(one.Rank("ガイドreport"), ELocateRank::Anywhere); // a letter before it
    EXPECT_EQ(one.Rank("misreport"), ELocateRank::Anywhere);
    const CLocateQuery two({"annual", "REPORT"});
    EXPECT_EQ(two.Rank("annual report"), ELocateRank::WholeName);
    EXPECT_EQ(two.Rank("annual-report"), ELocateRank::NameStart);
    EXPECT_EQ(two.Rank("the report, annual"), ELocateRank::WordStart);
    EXPECT_EQ(two.Rank("the reports, biannual"), ELocateRank::Anywhere);
    // Only path words: nothing to rank by.
    EXPECT_EQ(CLocateQuery({"a/b"}).Rank("x"), ELocateRank::Anywhere);
}

namespace {

// Names of a few characters from an alphabet with multi-byte and folding letters, so
// that trigrams repeat across names and cross character boundaries.
SCaseRecords RandomCase(std::mt19937& random, std::size_t count) {
    static const std::vector<std::string> alphabet = {"a",  "b",  "c", "A", "ß",
                                                      "ガ", "ｶﾞ", ".", " "};
    SCaseRecords c;
    c.m_media.push_back({"Disc", "DISC", "", 1234, 0});
    SIndexedRecord medium;
    medium.m_class = RecordClass::Volume;
    medium.m_nMedium = 0;
    medium.m_strName = "Disc";
    medium.m_strFolded = "disc";
    c.m_records.push_back(medium);
    for (std::size_t i = 1; i < count; ++i) {
        SIndexedRecord r;
        r.m_nParent = static_cast<std::uint32_t>(random() % i);
        r.m_nMedium = 0;
        r.m_class = random() % 5 == 0 ? RecordClass::ArcFile : RecordClass::File;
        r.m_nSize = random();
        r.m_ftLastWrite = random() * 1000ull;
        const std::size_t length = 1 + random() % 7;
        for (std::size_t k = 0; k < length; ++k) {
            r.m_strName += alphabet[random() % alphabet.size()];
        }
        r.m_strFolded = FoldForIndex(r.m_strName);
        c.m_records.push_back(std::move(r));
    }
    return c;
}

} // namespace

TEST(IndexTrigrams, CandidatesHoldEveryRecordThatMatches) {
    std::mt19937 random(25);
    const SCaseRecords c = RandomCase(random, 3000);
    const auto buckets = CTrigramLists::Build(c);
    for (const char* word : {"abc", "ßa", "ガガ", "ｶﾞa", "a.b", "ssa", "aaaa", "ca ", "zzz"}) {
        const std::string folded = FoldForIndex(word);
        std::vector<std::uint32_t> candidates;
        bool first = true;
        for (std::uint32_t gram : CTrigramLists::TrigramsOf(folded)) {
            std::vector<std::uint32_t> list;
            auto bucket = buckets.find(CTrigramLists::BucketOf(gram));
            if (bucket != buckets.end()) {
                ASSERT_TRUE(CTrigramLists::Find(bucket->second, gram, list));
            }
            if (first) {
                candidates = list;
                first = false;
            } else {
                CTrigramLists::Intersect(candidates, list);
            }
        }
        for (std::uint32_t i = 0; i < c.m_records.size(); ++i) {
            const bool matches = c.m_records[i].IsFound() &&
                                 c.m_records[i].m_strFolded.find(folded) != std::string::npos;
            const auto unit = static_cast<std::uint32_t>(i / CTrigramLists::kUnitRecords);
            const bool candidate = std::binary_search(candidates.begin(), candidates.end(), unit);
            if (matches) {
                EXPECT_TRUE(candidate) << word << " " << c.m_records[i].m_strName;
            }
        }
    }
}

// Each trigram's list names exactly the units holding it, or exactly the blocks that
// do (every unit of them), ascending; the lists are built twice in one thread, as an
// update reads case after case.
TEST(IndexTrigrams, ListsNameExactlyTheUnitsOrBlocksHoldingEachTrigram) {
    std::mt19937 random(31);
    for (int round = 0; round < 2; ++round) {
        const SCaseRecords c = RandomCase(random, 5000);
        std::map<std::uint32_t, std::set<std::uint32_t>> units;
        for (std::uint32_t i = 0; i < c.m_records.size(); ++i) {
            if (c.m_records[i].IsFound()) {
                for (std::uint32_t gram : CTrigramLists::TrigramsOf(c.m_records[i].m_strFolded)) {
                    units[gram].insert(i / CTrigramLists::kUnitRecords);
                }
            }
        }
        const auto buckets = CTrigramLists::Build(c);
        for (const auto& [gram, holding] : units) {
            const auto bucket = buckets.find(CTrigramLists::BucketOf(gram));
            ASSERT_NE(bucket, buckets.end());
            std::vector<std::uint32_t> list;
            ASSERT_TRUE(CTrigramLists::Find(bucket->second, gram, list));
            const std::vector<std::uint32_t> fine(holding.begin(), holding.end());
            std::vector<std::uint32_t> coarse;
            for (std::uint32_t unit : holding) {
                const std::uint32_t blockStart =
                    unit / CTrigramLists::kUnitsPerBlock * CTrigramLists::kUnitsPerBlock;
                for (std::uint32_t u = 0; u < CTrigramLists::kUnitsPerBlock; ++u) {
                    if (coarse.empty() || coarse.back() < blockStart + u) {
                        coarse.push_back(blockStart + u);
                    }
                }
            }
            EXPECT_TRUE(list == fine || list == coarse) << "trigram " << gram;
        }
    }
}

TEST(IndexBlocks, RoundTripAndDamagedBytesAreRefusedWithoutReadingOutside) {
    std::mt19937 random(7);
    const SCaseRecords c = RandomCase(random, CRecordBlocks::kBlockRecords + 100);
    const std::size_t total = c.m_records.size();
    std::vector<SIndexedRecord> back;
    for (std::size_t first = 0; first < total; first += CRecordBlocks::kBlockRecords) {
        const std::string block = CRecordBlocks::EncodeBlock(c, first);
        std::vector<SIndexedRecord> part;
        std::size_t start = 0;
        ASSERT_TRUE(CRecordBlocks::DecodeBlock(block, c.m_media.size(), total, part, start));
        EXPECT_EQ(start, first);
        back.insert(back.end(), part.begin(), part.end());
    }
    ASSERT_EQ(back.size(), total);
    for (std::size_t i = 0; i < total; ++i) {
        EXPECT_EQ(back[i].m_strName, c.m_records[i].m_strName);
        EXPECT_EQ(back[i].m_strFolded, c.m_records[i].m_strFolded);
        EXPECT_EQ(back[i].m_nParent, c.m_records[i].m_nParent);
        EXPECT_EQ(back[i].m_nSize, c.m_records[i].m_nSize);
        EXPECT_EQ(back[i].m_ftLastWrite, c.m_records[i].m_ftLastWrite);
        EXPECT_EQ(back[i].m_class, c.m_records[i].m_class);
    }
    std::vector<SIndexedMedium> media;
    ASSERT_TRUE(CRecordBlocks::DecodeMedia(CRecordBlocks::EncodeMedia(c.m_media), media));
    EXPECT_EQ(media.at(0).m_strOrgLabel, "DISC");

    // A block naming more media than the case has, a case too small for it, cut or
    // flipped bytes (raw and deflated blocks both).
    std::vector<SIndexedRecord> part;
    std::size_t start = 0;
    for (std::size_t first : {std::size_t{0}, std::size_t{CRecordBlocks::kBlockRecords * 5}}) {
        const std::string block = CRecordBlocks::EncodeBlock(c, first);
        EXPECT_FALSE(CRecordBlocks::DecodeBlock(block, 0, total, part, start));
        EXPECT_FALSE(CRecordBlocks::DecodeBlock(block, 1, first + 3, part, start));
        for (std::size_t cut = 0; cut < block.size(); ++cut) {
            EXPECT_FALSE(CRecordBlocks::DecodeBlock(block.substr(0, cut), 1, total, part, start));
            std::string flipped = block;
            flipped[cut] = static_cast<char>(flipped[cut] ^ 0x41);
            CRecordBlocks::DecodeBlock(flipped, 1, total, part, start); // must not crash
        }
    }
    EXPECT_FALSE(CRecordBlocks::DecodeMedia("\x05", media));
    const auto buckets = CTrigramLists::Build(c);
    std::vector<std::uint32_t> list;
    for (const auto& [number, bytes] : buckets) {
        for (std::size_t cut = 1; cut < bytes.size(); cut += 7) {
            list.clear();
            CTrigramLists::Find(bytes.substr(0, cut), 0xffffff, list);
        }
    }
}
