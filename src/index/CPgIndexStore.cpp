// The shared index back end over PostgreSQL.
#include "index/CPgIndexStore.h"

#include "core/Text.h"
#include "index/CIndexError.h"
#include "index/CPgCopyRows.h"
#include "index/CPgRecordCache.h"
#include "index/CPgTransaction.h"
#include "index/TextFolding.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <unistd.h>

namespace quillora {

namespace {

// Held by every writer for its transaction: writers are few and short, and one order
// of writers keeps the moves between contents simple. Readers never wait for it.
constexpr std::int64_t kWriterLock = 0x51494458;
// Held while the schema is made or upgraded.
constexpr std::int64_t kSchemaLock = 0x51494459;

// Step n brings a database of schema version n to n + 1; version 0 is an empty one.
// Folders and case files belong to the machine that sees them; a content is one case's
// data, kept once however many machines index it. Names and paths are bytes (a path
// need not be UTF-8, and bytes sort as the embedded index sorts them); the folded
// name is text for pg_trgm, null when it is not UTF-8.
constexpr const char* kSchemaSteps[] = {
    R"(
CREATE EXTENSION IF NOT EXISTS pg_trgm;
CREATE TABLE quillora_schema(version integer NOT NULL);
INSERT INTO quillora_schema VALUES (0);
CREATE TABLE quillora_folders(machine text NOT NULL, path bytea NOT NULL,
                              PRIMARY KEY (machine, path));
CREATE TABLE quillora_contents(id bigserial PRIMARY KEY, key bytea NOT NULL UNIQUE,
                               state smallint NOT NULL, cause text NOT NULL,
                               records bigint NOT NULL);
CREATE TABLE quillora_case_files(machine text NOT NULL, path bytea NOT NULL,
                                 content bigint NOT NULL REFERENCES quillora_contents,
                                 size bigint NOT NULL, modified bigint NOT NULL,
                                 PRIMARY KEY (machine, path));
CREATE INDEX quillora_case_files_content ON quillora_case_files(content);
CREATE TABLE quillora_media(content bigint NOT NULL, idx integer NOT NULL,
                            label bytea NOT NULL, org_label bytea NOT NULL, name bytea NOT NULL,
                            serial bigint NOT NULL, flags bigint NOT NULL,
                            PRIMARY KEY (content, idx));
CREATE TABLE quillora_records(content bigint NOT NULL, idx integer NOT NULL,
                              parent integer NOT NULL, medium integer NOT NULL,
                              class smallint NOT NULL, folder boolean NOT NULL,
                              size bigint NOT NULL, last_write bigint NOT NULL,
                              name bytea NOT NULL, folded text,
                              PRIMARY KEY (content, idx));
CREATE INDEX quillora_records_folded ON quillora_records
    USING gin (folded gin_trgm_ops) WHERE class <= 1;
CREATE INDEX quillora_records_odd ON quillora_records(content) WHERE folded IS NULL;
)",
    // The starts of the folded names in each case, for whole names and name starts: a
    // common word's first page is found from the first cases without reading every
    // record holding it. Vacuumed after every hundredth of new or replaced records, so
    // that the planner's figures follow the cases as they come.
    R"(
CREATE INDEX quillora_records_start ON quillora_records
    (content, folded text_pattern_ops) WHERE class <= 1;
ALTER TABLE quillora_records SET (autovacuum_vacuum_insert_scale_factor = 0.01,
                                  autovacuum_vacuum_scale_factor = 0.01);
)",
    // A generation for each contents, new whenever its records are replaced: a client
    // keeps the records above its pages by it and knows when they are old.
    R"(
CREATE SEQUENCE quillora_generations;
ALTER TABLE quillora_contents ADD COLUMN generation bigint NOT NULL DEFAULT 0;
)",
    // The index over the starts holds the keys of the records it finds too, so that the
    // walk over the name starts reads the index alone: fetching each start's row for its
    // index and medium read three times the pages (in the same space: the two integers
    // fill the padding after the names).
    R"(
DROP INDEX quillora_records_start;
CREATE INDEX quillora_records_start ON quillora_records
    (content, folded text_pattern_ops) INCLUDE (idx, medium) WHERE class <= 1;
)",
};
constexpr int kKnownVersion = static_cast<int>(std::size(kSchemaSteps));
static_assert(kKnownVersion == CPgIndexStore::kSchemaVersion);

// A batch of at least this many records is vacuumed by its writer.
constexpr std::size_t kVacuumAfter = 100000;

// Found records: files and archive entries (RecordClass::File and ::ArcFile).
static_assert(static_cast<int>(RecordClass::File) == 0 &&
              static_cast<int>(RecordClass::ArcFile) == 1);

constexpr const char* kRecordColumns =
    "r.content, r.idx, r.parent, r.medium, r.class, r.folder, r.size, r.last_write, r.name, "
    "r.folded";

ECaseState StateOf(std::int64_t value) {
    return value == 1 ? ECaseState::Protected
                      : (value == 2 ? ECaseState::Unreadable : ECaseState::Indexed);
}

// The word for a LIKE pattern, its own "%", "_" and "\\" taken literally.
std::string LikeLiteral(std::string_view word) {
    std::string pattern;
    for (char c : word) {
        if (c == '%' || c == '_' || c == '\\') {
            pattern += '\\';
        }
        pattern += c;
    }
    return pattern;
}

// The word for a regular expression, taken literally: every ASCII character but
// letters and digits is escaped (the others mean nothing special).
std::string RegexLiteral(std::string_view word) {
    std::string pattern;
    for (char c : word) {
        const bool ascii = static_cast<unsigned char>(c) < 0x80;
        const bool alnum =
            (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (ascii && !alnum) {
            pattern += '\\';
        }
        pattern += c;
    }
    return pattern;
}

// Whether a folded word can be sent as text: UTF-8 without a NUL.
bool IsServerText(const std::string& word) {
    return text::IsValidUtf8(word) && word.find('\0') == std::string::npos;
}

// Found records whose folded names could not be stored: the matcher checks them all.
std::string OddRecords() {
    return std::string("SELECT ") + kRecordColumns +
           " FROM quillora_records r WHERE r.folded IS NULL AND r.class <= 1";
}

// The step of a recursion `up` over records that reads the records above those it found
// last, each by its key and once a level (the records of a folder share its parent).
// UNION ALL, not UNION: UNION keeps a hash table of every row, made as large as the
// planner guesses the rows to be, and without figures for the records it guessed two
// million and spent more time making and freeing the table than reading the records.
// A record found at two levels comes twice, which the readers of the rows allow. A
// parent comes before its records in a case, so each level is nearer the top and the
// recursion ends even over damaged parents.
std::string UpOneLevel() {
    return std::string(" UNION ALL SELECT ") + kRecordColumns +
           " FROM (SELECT DISTINCT content, parent FROM up WHERE parent >= 0 AND parent < idx) u "
           "JOIN quillora_records r ON r.content = u.content AND r.idx = u.parent";
}

// The records `hitSelect` names (flagged 1) and every record above them (0), by case
// and index: paths are shown, and path words matched, from the names above. Those
// above are read as the recursion finds them: joined afterwards, the planner guesses
// their number far too high and reads the whole table.
std::string WithAncestors(const std::string& hitSelect) {
    return "WITH RECURSIVE hit AS (" + hitSelect + "), up AS (SELECT " + kRecordColumns +
           " FROM (SELECT DISTINCT content, parent FROM hit WHERE parent >= 0 AND parent < idx) "
           "h JOIN quillora_records r ON r.content = h.content AND r.idx = h.parent" +
           UpOneLevel() +
           ") SELECT 1, r.* FROM hit r UNION ALL SELECT 0, r.* FROM up r ORDER BY 2, 3";
}

// The records `hitSelect` names, flagged 1 as WithAncestors flags them, by case and index.
std::string HitsOnly(const std::string& hitSelect) {
    return "WITH hit AS (" + hitSelect + ") SELECT 1, r.* FROM hit r ORDER BY 2, 3";
}

SIndexedRecord RecordFromRow(const CPgResult& rows, int row, int first) {
    SIndexedRecord r;
    const std::int64_t parent = rows.Int(row, first + 2);
    r.m_nParent = parent < 0 ? SIndexedRecord::kNoParent : static_cast<std::uint32_t>(parent);
    r.m_nMedium = static_cast<std::int32_t>(rows.Int(row, first + 3));
    r.m_class = static_cast<RecordClass>(rows.Int(row, first + 4));
    r.m_bFolder = rows.Int(row, first + 5) != 0;
    r.m_nSize = static_cast<std::uint64_t>(rows.Int(row, first + 6));
    r.m_ftLastWrite = static_cast<FileTime>(rows.Int(row, first + 7));
    r.m_strName = std::string(rows.Bytes(row, first + 8));
    r.m_strFolded = rows.IsNull(row, first + 9) ? FoldForIndex(r.m_strName)
                                                : std::string(rows.Bytes(row, first + 9));
    return r;
}

// One case as the matcher reads it: its candidates and the records above them, all
// fetched with the question.
class CFetchedCase : public ICandidateCase {
public:
    SIndexedCase m_facts;
    std::int64_t m_nGeneration = 0;
    std::vector<SIndexedMedium> m_media;
    std::vector<std::uint32_t> m_candidates;
    bool m_bAll = false; // every record may match (and all are fetched)
    std::vector<std::pair<std::uint32_t, SIndexedRecord>> m_records; // by index

    const SIndexedCase& Facts() const override { return m_facts; }
    const std::vector<SIndexedMedium>& Media() const override { return m_media; }
    std::size_t RecordCount() const override {
        return static_cast<std::size_t>(m_facts.m_nRecords);
    }
    const std::vector<std::uint32_t>* Candidates() const override {
        return m_bAll ? nullptr : &m_candidates;
    }
    const SIndexedRecord& Record(std::uint32_t index) override {
        auto found = std::lower_bound(m_records.begin(), m_records.end(), index,
                                      [](const auto& e, std::uint32_t i) { return e.first < i; });
        if (found == m_records.end() || found->first != index) {
            throw CIndexError("index server: record " + std::to_string(index) + " of " +
                                  m_facts.m_strPath + " is missing",
                              false);
        }
        return found->second;
    }
};

// The indexed cases of a question, by content id, and the order they are handed out in.
struct SFetchedCases {
    std::map<std::int64_t, CFetchedCase> m_cases;
    std::vector<std::int64_t> m_order; // by the cases' paths
};

// Each indexed case once, by `machine`'s path when it has one, with its media.
SFetchedCases FetchCases(CPgConnection& db, const std::string& machine) {
    CPgParams p;
    p.Text(machine);
    CPgResult caseRows = db.Exec(
        "SELECT c.id, c.records, f.path, f.size, f.modified, c.generation FROM quillora_contents c "
        "JOIN LATERAL (SELECT path, size, modified FROM quillora_case_files "
        "              WHERE content = c.id ORDER BY machine = $1 DESC, path LIMIT 1) f ON true "
        "WHERE c.state = 0 ORDER BY f.path, c.id",
        p);
    SFetchedCases fetched;
    for (int i = 0; i < caseRows.Rows(); ++i) {
        const std::int64_t id = caseRows.Int(i, 0);
        CFetchedCase& c = fetched.m_cases[id];
        c.m_facts.m_nRecords = static_cast<std::uint64_t>(caseRows.Int(i, 1));
        c.m_facts.m_strPath = std::string(caseRows.Bytes(i, 2));
        c.m_facts.m_nFileSize = caseRows.Int(i, 3);
        c.m_facts.m_nModified = caseRows.Int(i, 4);
        c.m_nGeneration = caseRows.Int(i, 5);
        fetched.m_order.push_back(id);
    }
    if (fetched.m_order.empty()) {
        return fetched;
    }
    CPgResult mediaRows =
        db.Exec("SELECT m.content, m.label, m.org_label, m.name, m.serial, m.flags "
                "FROM quillora_media m JOIN quillora_contents c ON c.id = m.content "
                "WHERE c.state = 0 ORDER BY m.content, m.idx");
    for (int i = 0; i < mediaRows.Rows(); ++i) {
        auto found = fetched.m_cases.find(mediaRows.Int(i, 0));
        if (found == fetched.m_cases.end()) {
            continue;
        }
        SIndexedMedium m;
        m.m_strLabel = std::string(mediaRows.Bytes(i, 1));
        m.m_strOrgLabel = std::string(mediaRows.Bytes(i, 2));
        m.m_strName = std::string(mediaRows.Bytes(i, 3));
        m.m_dwSerial = static_cast<std::uint32_t>(mediaRows.Int(i, 4));
        m.m_dwFlags = static_cast<std::uint32_t>(mediaRows.Int(i, 5));
        found->second.m_media.push_back(std::move(m));
    }
    return fetched;
}

// Takes rows of a flag (1: a candidate, 0: a record above one) and kRecordColumns,
// ordered by case and index, into their cases.
void TakeRows(const CPgResult& rows, SFetchedCases& fetched) {
    for (int i = 0; i < rows.Rows(); ++i) {
        auto found = fetched.m_cases.find(rows.Int(i, 1));
        if (found == fetched.m_cases.end()) {
            continue; // a case left out, or one whose contents have no file any more
        }
        CFetchedCase& c = found->second;
        const auto index = static_cast<std::uint32_t>(rows.Int(i, 2));
        const bool hit = rows.Int(i, 0) != 0;
        if (c.m_records.empty() || c.m_records.back().first != index) {
            c.m_records.emplace_back(index, RecordFromRow(rows, i, 1));
        }
        if (hit && (c.m_candidates.empty() || c.m_candidates.back() != index)) {
            c.m_candidates.push_back(index);
        }
    }
}

// Adds every record above the candidates of `fetched` to their cases: those `cache`
// holds from earlier questions of the same generations, and the others read in one
// question, with every record above them, and kept in `cache`.
void FetchAbove(CPgConnection& db, SFetchedCases& fetched, CPgRecordCache& cache) {
    // The record `index` of the case if this question or the cache has it.
    auto find = [&cache](std::int64_t id, CFetchedCase& c,
                         std::uint32_t index) -> const SIndexedRecord* {
        auto found = std::lower_bound(c.m_records.begin(), c.m_records.end(), index,
                                      [](const auto& e, std::uint32_t i) { return e.first < i; });
        if (found != c.m_records.end() && found->first == index) {
            return &found->second;
        }
        return cache.Find(id, index);
    };
    for (auto& [id, c] : fetched.m_cases) {
        if (!c.m_candidates.empty()) {
            cache.Use(id, c.m_nGeneration);
        }
    }
    std::set<std::pair<std::int64_t, std::uint32_t>> missing;
    for (auto& [id, c] : fetched.m_cases) {
        if (c.m_candidates.empty()) {
            continue;
        }
        for (const std::uint32_t index : c.m_candidates) {
            for (std::uint32_t i = c.Record(index).m_nParent; i != SIndexedRecord::kNoParent;) {
                const SIndexedRecord* r = find(id, c, i);
                if (!r) {
                    missing.emplace(id, i);
                    break;
                }
                i = r->m_nParent;
            }
        }
    }
    if (!missing.empty()) {
        std::string contents = "{";
        std::string indexes = "{";
        for (const auto& [id, index] : missing) {
            contents += (contents.size() > 1 ? "," : "") + std::to_string(id);
            indexes += (indexes.size() > 1 ? "," : "") + std::to_string(index);
        }
        CPgParams p;
        p.Text(contents + "}").Text(indexes + "}");
        const std::string columns = kRecordColumns;
        const CPgResult rows =
            db.Exec(("WITH RECURSIVE up AS (SELECT " + columns +
                     " FROM unnest($1::bigint[], $2::integer[]) AS s(content, idx) "
                     "JOIN quillora_records r ON r.content = s.content AND r.idx = s.idx" +
                     UpOneLevel() + ") SELECT " + columns + " FROM up r")
                        .c_str(),
                    p);
        for (int i = 0; i < rows.Rows(); ++i) {
            cache.Put(rows.Int(i, 0), static_cast<std::uint32_t>(rows.Int(i, 1)),
                      RecordFromRow(rows, i, 0));
        }
    }
    for (auto& [id, c] : fetched.m_cases) {
        if (c.m_candidates.empty()) {
            continue;
        }
        std::vector<std::pair<std::uint32_t, SIndexedRecord>> above;
        std::set<std::uint32_t> taken;
        for (const std::uint32_t index : c.m_candidates) {
            for (std::uint32_t i = c.Record(index).m_nParent;
                 i != SIndexedRecord::kNoParent && taken.insert(i).second;) {
                const SIndexedRecord* r = find(id, c, i);
                if (!r) {
                    throw CIndexError("index server: record " + std::to_string(i) + " of " +
                                          c.m_facts.m_strPath + " is missing",
                                      false);
                }
                above.emplace_back(i, *r);
                i = r->m_nParent;
            }
        }
        c.m_records.insert(c.m_records.end(), std::make_move_iterator(above.begin()),
                           std::make_move_iterator(above.end()));
        std::stable_sort(c.m_records.begin(), c.m_records.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        c.m_records.erase(
            std::unique(c.m_records.begin(), c.m_records.end(),
                        [](const auto& a, const auto& b) { return a.first == b.first; }),
            c.m_records.end());
    }
}

// The cases in the order of their paths, as the embedded index hands them; `all`:
// every record of every case may match.
void HandOut(SFetchedCases& fetched, bool all, ICandidateSink& sink) {
    for (const std::int64_t id : fetched.m_order) {
        CFetchedCase& c = fetched.m_cases.at(id);
        c.m_bAll = all;
        // Rows of several questions: each record once, in tree order.
        auto byIndex = [](const auto& a, const auto& b) { return a.first < b.first; };
        auto sameIndex = [](const auto& a, const auto& b) { return a.first == b.first; };
        if (!std::is_sorted(c.m_records.begin(), c.m_records.end(), byIndex)) {
            std::stable_sort(c.m_records.begin(), c.m_records.end(), byIndex);
        }
        c.m_records.erase(std::unique(c.m_records.begin(), c.m_records.end(), sameIndex),
                          c.m_records.end());
        if (!std::is_sorted(c.m_candidates.begin(), c.m_candidates.end())) {
            std::sort(c.m_candidates.begin(), c.m_candidates.end());
        }
        c.m_candidates.erase(std::unique(c.m_candidates.begin(), c.m_candidates.end()),
                             c.m_candidates.end());
        if (!all && c.m_candidates.empty()) {
            continue;
        }
        sink.Case(c);
    }
}

// A medium of a case as one number, as PresentKey says it on the server: an array of
// them is looked up in a hash table, where one of pairs was joined row by row when the
// planner guessed a word's name starts to be few, as it did for 1,300 of them.
std::int64_t PresentKey(std::int64_t content, std::int64_t medium) {
    return content * 4294967296 + medium;
}
constexpr const char* kPresentKey = "(r.content * 4294967296 + r.medium)";

// What the ties of a ranked question are broken by, as arrays for the server: the
// cases' ids in the order they are handed out, and the media present now.
struct SRankKeys {
    std::string m_strOrder = "{";
    std::string m_strPresent = "{";          // PresentKey of each
    std::vector<std::int64_t> m_withPresent; // the cases with a medium present, in order
    std::set<std::pair<std::int64_t, std::int64_t>> m_present; // (case id, medium)
};

SRankKeys RankKeys(const SFetchedCases& fetched, const PresenceFn& presence) {
    SRankKeys keys;
    auto append = [](std::string& array, std::int64_t value) {
        array += (array.size() > 1 ? "," : "") + std::to_string(value);
    };
    for (const std::int64_t id : fetched.m_order) {
        const CFetchedCase& c = fetched.m_cases.at(id);
        append(keys.m_strOrder, id);
        const std::vector<bool> present = presence(c.m_media);
        for (std::size_t m = 0; m < present.size() && m < c.m_media.size(); ++m) {
            if (present[m]) {
                append(keys.m_strPresent, PresentKey(id, static_cast<std::int64_t>(m)));
                keys.m_present.emplace(id, static_cast<std::int64_t>(m));
                if (keys.m_withPresent.empty() || keys.m_withPresent.back() != id) {
                    keys.m_withPresent.push_back(id);
                }
            }
        }
    }
    keys.m_strOrder += '}';
    keys.m_strPresent += '}';
    return keys;
}

// The best $3 of the found records meeting `where`, in the order of the hits: `rank`,
// media present now ($2) first, then case order ($1), medium and tree order; with
// the records whose names could not be stored, which the matcher ranks, and every
// record above them all.
std::string RankedQuestion(const std::string& where, const std::string& rank) {
    // The records are read whole by the scan that finds them, and a sort bounded by the
    // limit keeps only the page's: fetching the page again by its keys costs more.
    return HitsOnly(std::string("SELECT * FROM (SELECT ") + kRecordColumns +
                    " FROM quillora_records r JOIN "
                    "unnest($1::bigint[]) WITH ORDINALITY AS cs(content, ord) "
                    "ON cs.content = r.content WHERE r.class <= 1" +
                    where + " ORDER BY " + rank + ", " + kPresentKey +
                    " = ANY($2::bigint[]) DESC, cs.ord, r.medium, r.idx LIMIT $3::bigint) page "
                    "UNION ALL " +
                    OddRecords());
}

// "{a,b,...}" of the ids.
std::string IdArray(std::vector<std::int64_t>::const_iterator first,
                    std::vector<std::int64_t>::const_iterator last) {
    std::string array = "{";
    for (auto it = first; it != last; ++it) {
        array += (array.size() > 1 ? "," : "") + std::to_string(*it);
    }
    return array + "}";
}

// One whole name or name start as the walk below finds it: the keys of its order.
struct SStartKey {
    bool m_bWhole = false;
    bool m_bPresent = false;
    std::size_t m_nCase = 0; // in the order the cases are handed out
    std::int64_t m_nMedium = -1;
    std::int64_t m_nContent = 0;
    std::int64_t m_nIndex = 0;

    bool operator<(const SStartKey& o) const {
        return std::tuple(!m_bWhole, !m_bPresent, m_nCase, m_nMedium, m_nIndex) <
               std::tuple(!o.m_bWhole, !o.m_bPresent, o.m_nCase, o.m_nMedium, o.m_nIndex);
    }
};

// Fetches the records of the best `limit` of `walked` (and those whose names could not
// be stored) with every record above them into `fetched`.
bool FetchPage(CPgConnection& db, const std::set<SStartKey>& walked, std::size_t limit,
               SFetchedCases& fetched, CPgRecordCache& cache) {
    std::string contents = "{";
    std::string indexes = "{";
    std::size_t n = 0;
    for (auto it = walked.begin(); it != walked.end() && n < limit; ++it, ++n) {
        contents += (n > 0 ? "," : "") + std::to_string(it->m_nContent);
        indexes += (n > 0 ? "," : "") + std::to_string(it->m_nIndex);
    }
    CPgParams p;
    p.Text(contents + "}").Text(indexes + "}");
    const CPgResult rows =
        db.Exec(HitsOnly(std::string("SELECT ") + kRecordColumns +
                         " FROM unnest($1::bigint[], $2::integer[]) AS page(content, idx) "
                         "JOIN quillora_records r ON r.content = page.content AND "
                         "r.idx = page.idx UNION ALL " +
                         OddRecords())
                    .c_str(),
                p);
    TakeRows(rows, fetched);
    FetchAbove(db, fetched, cache);
    return true;
}

// The least text above every text that starts with `word` (valid UTF-8), if there is
// one: its last character but one more (UTF-8 bytes sort as the characters do), past
// the surrogates; a last U+10FFFF is dropped and the one before it taken instead.
std::optional<std::string> AfterEveryStart(std::string word) {
    while (!word.empty()) {
        std::size_t at = word.size() - 1;
        while (at > 0 && (static_cast<unsigned char>(word[at]) & 0xC0) == 0x80) {
            --at;
        }
        const auto lead = static_cast<unsigned char>(word[at]);
        char32_t c = lead < 0x80
                         ? lead
                         : (lead < 0xE0 ? lead & 0x1F : (lead < 0xF0 ? lead & 0x0F : lead & 0x07));
        for (std::size_t i = at + 1; i < word.size(); ++i) {
            c = (c << 6) | (static_cast<unsigned char>(word[i]) & 0x3F);
        }
        word.erase(at);
        if (c >= 0x10FFFF) {
            continue;
        }
        text::AppendUtf8(word, c == 0xD7FF ? 0xE000 : c + 1);
        return word;
    }
    return std::nullopt;
}

// The condition that a folded name starts with the query's first word and holds the
// others, said only in what the index over the starts serves (a range of bytes) or no
// index does (strpos): with LIKE the planner may take the trigram index instead, which
// reads every record holding the words' trigrams.
std::string NameStarts(CPgParams& p, const CLocateQuery& query) {
    const std::vector<std::string>& words = query.NameWords();
    p.Text(words.front());
    std::string sql = " AND r.folded ~>=~ $" + std::to_string(p.Count());
    if (const std::optional<std::string> after = AfterEveryStart(words.front())) {
        p.Text(*after);
        sql += " AND r.folded ~<~ $" + std::to_string(p.Count());
    }
    for (std::size_t w = 1; w < words.size(); ++w) {
        p.Text(words[w]);
        sql += " AND strpos(r.folded, $" + std::to_string(p.Count()) + ") > 0";
    }
    return sql;
}

// Whether the whole names and name starts of every case are `limit` or more: counted
// in the index over the starts, up to `limit`.
bool StartsFillPage(CPgConnection& db, const CLocateQuery& query, std::size_t limit,
                    const SRankKeys& keys) {
    CPgParams p;
    p.Text(keys.m_strOrder).Int(static_cast<std::int64_t>(limit));
    const std::string sql = "SELECT count(*) FROM (SELECT 1 FROM quillora_records r "
                            "WHERE r.class <= 1 AND r.content = ANY($1::bigint[])" +
                            NameStarts(p, query) + " LIMIT $2::bigint) s";
    return static_cast<std::size_t>(db.Exec(sql.c_str(), p).Int(0, 0)) >= limit;
}

// The keys of the whole names and name starts of `cases` (the present media's alone
// when `present`), and with `whole` the whole names of every case too.
std::vector<SStartKey> StartKeys(CPgConnection& db, const CLocateQuery& query,
                                 const SRankKeys& keys, const std::string& cases, bool present,
                                 bool whole) {
    CPgParams p;
    p.Text(cases).Text(query.Joined());
    std::string sql = "SELECT r.content, r.idx, r.medium, r.folded = $2 FROM quillora_records r "
                      "WHERE r.class <= 1 AND r.content = ANY($1::bigint[])" +
                      NameStarts(p, query);
    if (present) {
        p.Text(keys.m_strPresent);
        sql += std::string(" AND ") + kPresentKey + " = ANY($" + std::to_string(p.Count()) +
               "::bigint[])";
    }
    if (whole) {
        // Equal bytes, said with the operators only the index over the starts serves:
        // the trigram index serves "=" too, and the planner, guessing a whole name rare,
        // took it and read every record holding the word's trigrams.
        p.Text(keys.m_strOrder);
        sql += " UNION ALL SELECT r.content, r.idx, r.medium, true FROM quillora_records r "
               "WHERE r.class <= 1 AND r.content = ANY($" +
               std::to_string(p.Count()) + "::bigint[]) AND r.folded ~>=~ $2 AND r.folded ~<=~ $2";
    }
    const CPgResult rows = db.Exec(sql.c_str(), p);
    std::vector<SStartKey> found;
    for (int i = 0; i < rows.Rows(); ++i) {
        SStartKey k;
        k.m_nContent = rows.Int(i, 0);
        k.m_nIndex = rows.Int(i, 1);
        k.m_nMedium = rows.Int(i, 2);
        k.m_bWhole = rows.Int(i, 3) != 0;
        k.m_bPresent = keys.m_present.contains({k.m_nContent, k.m_nMedium});
        found.push_back(k);
    }
    return found;
}

// The first page from the whole names and name starts alone, each case's looked up in
// the index over its names' starts. In the order of the hits, every whole name comes
// first, then the name starts on media present now case by case, then the other name
// starts case by case: so once the whole names and the name starts of the cases walked
// so far (present media first) are `limit` or more, no other record can come before
// them, and the best `limit` of them are the page. Walks the cases in ever larger
// steps until then, and fetches the page's records; false, fetching nothing, when all
// of them together are fewer.
bool FirstPageFromStarts(CPgConnection& db, const CLocateQuery& query, std::size_t limit,
                         const SRankKeys& keys, SFetchedCases& fetched, CPgRecordCache& cache) {
    if (!StartsFillPage(db, query, limit, keys)) {
        return false;
    }
    std::map<std::int64_t, std::size_t> caseOrder;
    for (const std::int64_t id : fetched.m_order) {
        caseOrder.emplace(id, caseOrder.size());
    }
    std::set<SStartKey> walked;
    bool first = true;
    // Present media's name starts, then every name start (the present ones again).
    for (const bool present : {true, false}) {
        const std::vector<std::int64_t>& cases = present ? keys.m_withPresent : fetched.m_order;
        std::size_t done = 0;
        for (std::size_t step = 4; done < cases.size() || first; step *= 4) {
            const std::size_t until = std::min(cases.size(), done + step);
            for (SStartKey k :
                 StartKeys(db, query, keys,
                           IdArray(cases.begin() + static_cast<std::ptrdiff_t>(done),
                                   cases.begin() + static_cast<std::ptrdiff_t>(until)),
                           present, first)) {
                k.m_nCase = caseOrder.at(k.m_nContent);
                walked.insert(k);
            }
            first = false;
            done = until;
            if (walked.size() >= limit) {
                return FetchPage(db, walked, limit, fetched, cache);
            }
        }
    }
    return false;
}

// The largest page fetched again and again for path words.
constexpr std::size_t kMostOverFetched = 100000;

// Fetches the best `want` candidates of `query` by the order of the hits, with the
// records whose names could not be stored and every record above them, into
// `fetched`; how many of the best it found (fewer than `want` when there are no more).
std::size_t BestCandidates(CPgConnection& db, const CLocateQuery& query, std::size_t want,
                           const SRankKeys& keys, SFetchedCases& fetched, CPgRecordCache& cache) {
    // A common word's page is settled by the whole names and name starts of the first
    // cases; when they are too few, every record holding the words is ranked.
    if (FirstPageFromStarts(db, query, want, keys, fetched, cache)) {
        return want;
    }
    const std::vector<std::string>& words = query.NameWords();
    CPgParams all;
    all.Text(keys.m_strOrder)
        .Text(keys.m_strPresent)
        .Int(static_cast<std::int64_t>(want))
        .Text(query.Joined())
        .Text(LikeLiteral(words.front()) + "%");
    std::string where;
    std::string wordStarts;
    for (const std::string& word : words) {
        all.Text("%" + LikeLiteral(word) + "%");
        where += " AND r.folded LIKE $" + std::to_string(all.Count());
        // A word start: the word at the beginning or after a character that is neither
        // letter nor digit, as ICU tells them (the server's regular expressions ask ICU
        // under an ICU collation).
        all.Text("(^|[^[:alnum:]])" + RegexLiteral(word));
        wordStarts += std::string(wordStarts.empty() ? "" : " AND ") +
                      "r.folded COLLATE \"und-x-icu\" ~ $" + std::to_string(all.Count());
    }
    const CPgResult rows = db.Exec(RankedQuestion(where, "CASE WHEN r.folded = $4 THEN 0 WHEN "
                                                         "r.folded LIKE $5 THEN 1 WHEN " +
                                                             wordStarts + " THEN 2 ELSE 3 END")
                                       .c_str(),
                                   all);
    TakeRows(rows, fetched);
    FetchAbove(db, fetched, cache);
    std::size_t ranked = 0;
    for (int i = 0; i < rows.Rows(); ++i) {
        ranked += rows.Int(i, 0) != 0 && !rows.IsNull(i, 10) ? 1 : 0;
    }
    return ranked;
}

// How many of the candidates the server ranked (those whose names it holds) match the
// path words of `query` too.
std::size_t MatchingPaths(const CLocateQuery& query, SFetchedCases& fetched) {
    std::size_t matching = 0;
    std::string path;
    std::vector<std::uint32_t> chain;
    for (auto& [id, c] : fetched.m_cases) {
        for (const std::uint32_t index : c.m_candidates) {
            if (!IsServerText(c.Record(index).m_strFolded)) {
                continue;
            }
            chain.clear();
            for (std::uint32_t i = index; i != SIndexedRecord::kNoParent;
                 i = c.Record(i).m_nParent) {
                chain.push_back(i);
            }
            path.clear();
            for (std::size_t k = chain.size(); k-- > 0;) {
                path += c.Record(chain[k]).m_strFolded;
                if (k > 0) {
                    path += '\\';
                }
            }
            matching += query.MatchesPath(path) ? 1 : 0;
        }
    }
    return matching;
}

// An advisory lock held by the connection until it is left.
class CSessionLock {
public:
    CSessionLock(CPgConnection& db, std::int64_t key) : m_db(db), m_nKey(key) {
        CPgParams p;
        p.Int(m_nKey);
        m_db.Exec("SELECT pg_advisory_lock($1::bigint)", p);
    }
    CSessionLock(const CSessionLock&) = delete;
    CSessionLock& operator=(const CSessionLock&) = delete;
    ~CSessionLock() {
        try {
            CPgParams p;
            p.Int(m_nKey);
            m_db.Exec("SELECT pg_advisory_unlock($1::bigint)", p);
        } catch (const std::exception&) {
            // The connection is gone, and the lock with it.
        }
    }

private:
    CPgConnection& m_db;
    std::int64_t m_nKey;
};

} // namespace

CPgIndexStore::CPgIndexStore(const std::string& conninfo, std::string machine)
    : m_db(std::make_unique<CPgConnection>(conninfo)), m_strMachine(std::move(machine)) {
    CheckOrCreateSchema();
    m_bRanks = m_db->Exec("SELECT current_setting('server_encoding') = 'UTF8' AND EXISTS ("
                          "SELECT 1 FROM pg_collation WHERE collname = 'und-x-icu' "
                          "AND collprovider = 'i')")
                   .Int(0, 0) != 0;
    // The index's questions are short and many ask at once: compiling a plan, or
    // starting workers to share one, costs more than the question. Its pages are read
    // from memory far more often than from disk, so the start of a name is looked up
    // in the index over the starts even where some pages must be read to check that
    // their records are visible, rather than reading every page holding a match.
    m_db->Exec("SET jit = off");
    m_db->Exec("SET max_parallel_workers_per_gather = 0");
    m_db->Exec("SET random_page_cost = 1.1");
}

std::string CPgIndexStore::LocalMachine() {
    std::ifstream file("/etc/machine-id");
    std::string id;
    if (file && std::getline(file, id) && !id.empty()) {
        return id;
    }
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) == 0 && host[0] != '\0') {
        return host;
    }
    return "localhost";
}

void CPgIndexStore::CheckOrCreateSchema() {
    auto version = [&]() -> int {
        CPgResult found = m_db->Exec("SELECT to_regclass('quillora_schema') IS NOT NULL");
        if (found.Int(0, 0) == 0) {
            return 0;
        }
        return static_cast<int>(m_db->Exec("SELECT version FROM quillora_schema").Int(0, 0));
    };
    auto refuseNewer = [&](int v) {
        if (v > kKnownVersion) {
            throw CIndexError("index server " + m_db->Shown() + ": the index there has schema " +
                                  std::to_string(v) + ", newer than this program's " +
                                  std::to_string(kKnownVersion) +
                                  "; use a newer version of the program",
                              false);
        }
    };
    int v = version();
    refuseNewer(v);
    if (v == kKnownVersion) {
        return;
    }
    // Locked before the transaction begins: a transaction that begins after the one
    // making the schema committed sees its tables in every catalogue cache.
    CSessionLock lock(*m_db, kSchemaLock);
    CPgTransaction transaction(*m_db);
    // Another client may have made or upgraded it while this one waited.
    v = version();
    refuseNewer(v);
    for (; v < kKnownVersion; ++v) {
        m_db->ExecScript(kSchemaSteps[v]);
        CPgParams next;
        next.Int(v + 1);
        m_db->Exec("UPDATE quillora_schema SET version = $1::integer", next);
    }
    transaction.Commit();
}

void CPgIndexStore::LockForWriting() {
    CPgParams lock;
    lock.Int(kWriterLock);
    m_db->Exec("SELECT pg_advisory_xact_lock($1::bigint)", lock);
}

std::vector<std::string> CPgIndexStore::Folders() {
    CPgParams p;
    p.Text(m_strMachine);
    CPgResult rows =
        m_db->Exec("SELECT path FROM quillora_folders WHERE machine = $1 ORDER BY path", p);
    std::vector<std::string> folders;
    for (int i = 0; i < rows.Rows(); ++i) {
        folders.emplace_back(rows.Bytes(i, 0));
    }
    return folders;
}

void CPgIndexStore::AddFolder(const std::string& path) {
    CPgParams p;
    p.Text(m_strMachine).Bytes(path);
    m_db->Exec("INSERT INTO quillora_folders(machine, path) VALUES ($1, $2) "
               "ON CONFLICT DO NOTHING",
               p);
}

bool CPgIndexStore::RemoveFolder(const std::string& path) {
    CPgParams p;
    p.Text(m_strMachine).Bytes(path);
    return m_db->Exec("DELETE FROM quillora_folders WHERE machine = $1 AND path = $2", p)
               .Changed() > 0;
}

std::vector<SIndexedCase> CPgIndexStore::Cases() {
    CPgParams p;
    p.Text(m_strMachine);
    CPgResult rows = m_db->Exec("SELECT f.path, f.size, f.modified, c.state, c.cause, c.records "
                                "FROM quillora_case_files f "
                                "JOIN quillora_contents c ON c.id = f.content "
                                "WHERE f.machine = $1 ORDER BY f.path",
                                p);
    std::vector<SIndexedCase> cases;
    for (int i = 0; i < rows.Rows(); ++i) {
        SIndexedCase c;
        c.m_strPath = std::string(rows.Bytes(i, 0));
        c.m_nFileSize = rows.Int(i, 1);
        c.m_nModified = rows.Int(i, 2);
        c.m_state = StateOf(rows.Int(i, 3));
        c.m_strCause = std::string(rows.Bytes(i, 4));
        c.m_nRecords = static_cast<std::uint64_t>(rows.Int(i, 5));
        cases.push_back(std::move(c));
    }
    return cases;
}

std::string CPgIndexStore::ContentKey(const std::string& path, const SCaseRecords& records) {
    // What a case keeps of itself whatever machine reads it: its file's name and the
    // facts each medium got when it was catalogued. Labels the user may rename, and the
    // files below, are left out so that an edit leaves the id as it was.
    std::string key = "quillora-case-1";
    key += '\0';
    key += path.substr(path.find_last_of('/') + 1);
    key += '\0';
    key += std::to_string(records.m_media.size());
    std::size_t medium = 0;
    for (const SIndexedRecord& r : records.m_records) {
        if (r.m_class != RecordClass::Volume || r.m_nMedium < 0 ||
            static_cast<std::size_t>(r.m_nMedium) != medium || medium >= records.m_media.size()) {
            continue;
        }
        const SIndexedMedium& m = records.m_media[medium++];
        key += '\0';
        key += std::to_string(m.m_dwSerial);
        key += '\0';
        key += m.m_strOrgLabel;
        key += '\0';
        key += m.m_strName;
        key += '\0';
        key += std::to_string(r.m_ftLastWrite);
    }
    return key;
}

void CPgIndexStore::PutCase(const SIndexedCase& facts, const SCaseRecords* records) {
    const bool indexed = records && facts.m_state == ECaseState::Indexed;
    std::string key;
    if (indexed) {
        key = ContentKey(facts.m_strPath, *records);
    } else {
        // A case left out keeps no records; it is this machine's note about its file.
        key = "quillora-file-1";
        key += '\0';
        key += m_strMachine;
        key += '\0';
        key += facts.m_strPath;
    }
    CPgTransaction transaction(*m_db);
    LockForWriting();
    CPgParams where;
    where.Text(m_strMachine).Bytes(facts.m_strPath);
    CPgResult was = m_db->Exec("SELECT content FROM quillora_case_files "
                               "WHERE machine = $1 AND path = $2",
                               where);
    const std::int64_t old = was.Rows() > 0 ? was.Int(0, 0) : -1;
    const std::int64_t content = PutContent(key, facts, indexed ? records : nullptr);

    CPgParams file;
    file.Text(m_strMachine)
        .Bytes(facts.m_strPath)
        .Int(content)
        .Int(facts.m_nFileSize)
        .Int(facts.m_nModified);
    m_db->Exec("INSERT INTO quillora_case_files(machine, path, content, size, modified) "
               "VALUES ($1, $2, $3::bigint, $4::bigint, $5::bigint) "
               "ON CONFLICT (machine, path) DO UPDATE SET content = EXCLUDED.content, "
               "size = EXCLUDED.size, modified = EXCLUDED.modified",
               file);
    if (old >= 0 && old != content) {
        // The file this machine knew as `old` is now `content`. Other machines that
        // index the same file follow it; they read it again when next they look (their
        // size is unknown). Other files of this machine that share `old` keep it.
        CPgParams move;
        move.Int(content).Int(old).Text(m_strMachine);
        m_db->Exec("UPDATE quillora_case_files SET content = $1::bigint, size = -1 "
                   "WHERE content = $2::bigint AND machine <> $3",
                   move);
        DropContentIfUnused(old);
    }
    transaction.Commit();
}

std::int64_t CPgIndexStore::PutContent(const std::string& key, const SIndexedCase& facts,
                                       const SCaseRecords* records) {
    const std::uint64_t count = records ? records->m_records.size() : 0;
    CPgParams p;
    p.Bytes(key)
        .Int(static_cast<std::int64_t>(facts.m_state))
        .Text(text::IsValidUtf8(facts.m_strCause) ? facts.m_strCause : std::string("?"))
        .Int(static_cast<std::int64_t>(count));
    CPgResult row = m_db->Exec(
        "INSERT INTO quillora_contents(key, state, cause, records, generation) "
        "VALUES (sha256($1), $2::smallint, $3, $4::bigint, nextval('quillora_generations')) "
        "ON CONFLICT (key) DO UPDATE SET state = EXCLUDED.state, cause = EXCLUDED.cause, "
        "records = EXCLUDED.records, generation = EXCLUDED.generation RETURNING id",
        p);
    const std::int64_t content = row.Int(0, 0);
    CPgParams id;
    id.Int(content);
    m_db->Exec("DELETE FROM quillora_records WHERE content = $1::bigint", id);
    m_db->Exec("DELETE FROM quillora_media WHERE content = $1::bigint", id);
    if (records) {
        CopyRecords(content, *records);
    }
    return content;
}

void CPgIndexStore::CopyRecords(std::int64_t content, const SCaseRecords& records) {
    CPgCopyRows media;
    for (std::size_t i = 0; i < records.m_media.size(); ++i) {
        const SIndexedMedium& m = records.m_media[i];
        media.Row(7);
        media.Int64(content);
        media.Int32(static_cast<std::int32_t>(i));
        media.Bytes(m.m_strLabel);
        media.Bytes(m.m_strOrgLabel);
        media.Bytes(m.m_strName);
        media.Int64(m.m_dwSerial);
        media.Int64(m.m_dwFlags);
    }
    m_db->CopyIn("COPY quillora_media(content, idx, label, org_label, name, serial, flags) "
                 "FROM STDIN (FORMAT binary)",
                 media.Finish());
    CPgCopyRows rows;
    for (std::size_t i = 0; i < records.m_records.size(); ++i) {
        const SIndexedRecord& r = records.m_records[i];
        rows.Row(10);
        rows.Int64(content);
        rows.Int32(static_cast<std::int32_t>(i));
        rows.Int32(
            r.m_nParent == SIndexedRecord::kNoParent ? -1 : static_cast<std::int32_t>(r.m_nParent));
        rows.Int32(r.m_nMedium);
        rows.Int16(static_cast<std::int16_t>(r.m_class));
        rows.Bool(r.m_bFolder);
        rows.Int64(static_cast<std::int64_t>(r.m_nSize));
        rows.Int64(static_cast<std::int64_t>(r.m_ftLastWrite));
        rows.Bytes(r.m_strName);
        // pg_trgm needs text; a name that is not UTF-8 is matched here instead.
        if (text::IsValidUtf8(r.m_strFolded) && r.m_strFolded.find('\0') == std::string::npos) {
            rows.Bytes(r.m_strFolded);
        } else {
            rows.Null();
        }
    }
    m_db->CopyIn("COPY quillora_records(content, idx, parent, medium, class, folder, size, "
                 "last_write, name, folded) FROM STDIN (FORMAT binary)",
                 rows.Finish());
}

void CPgIndexStore::DropContentIfUnused(std::int64_t content) {
    CPgParams id;
    id.Int(content);
    CPgResult used =
        m_db->Exec("SELECT 1 FROM quillora_case_files WHERE content = $1::bigint LIMIT 1", id);
    if (used.Rows() > 0) {
        return;
    }
    m_db->Exec("DELETE FROM quillora_records WHERE content = $1::bigint", id);
    m_db->Exec("DELETE FROM quillora_media WHERE content = $1::bigint", id);
    m_db->Exec("DELETE FROM quillora_contents WHERE id = $1::bigint", id);
}

bool CPgIndexStore::RemoveCase(const std::string& path) {
    CPgTransaction transaction(*m_db);
    LockForWriting();
    CPgParams p;
    p.Text(m_strMachine).Bytes(path);
    CPgResult gone = m_db->Exec("DELETE FROM quillora_case_files "
                                "WHERE machine = $1 AND path = $2 RETURNING content",
                                p);
    if (gone.Rows() == 0) {
        return false;
    }
    DropContentIfUnused(gone.Int(0, 0));
    transaction.Commit();
    return true;
}

void CPgIndexStore::FindCandidates(const std::vector<std::string>& foldedWords,
                                   ICandidateSink& sink) {
    // One snapshot for cases, media and records: a case being replaced is seen whole,
    // before or after.
    CPgTransaction transaction(*m_db, "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
    SFetchedCases fetched = FetchCases(*m_db, m_strMachine);
    if (fetched.m_order.empty()) {
        return;
    }
    // Words that are not UTF-8 cannot go to pg_trgm; the matcher above checks them.
    CPgParams params;
    std::string where;
    for (const std::string& word : foldedWords) {
        if (!IsServerText(word)) {
            continue;
        }
        params.Text("%" + LikeLiteral(word) + "%");
        where += " AND r.folded LIKE $" + std::to_string(params.Count());
    }
    const bool all = where.empty();
    std::string sql;
    if (all) {
        sql = std::string("SELECT 1, ") + kRecordColumns +
              " FROM quillora_records r JOIN quillora_contents c ON c.id = r.content "
              "WHERE c.state = 0 ORDER BY r.content, r.idx";
    } else {
        sql = WithAncestors(std::string("SELECT ") + kRecordColumns +
                            " FROM quillora_records r WHERE r.class <= 1" + where + " UNION ALL " +
                            OddRecords());
    }
    CPgResult rows = m_db->Exec(sql.c_str(), params);
    transaction.Commit();
    TakeRows(rows, fetched);
    HandOut(fetched, all, sink);
}

bool CPgIndexStore::FindFirstCandidates(const CLocateQuery& query, std::size_t limit,
                                        const PresenceFn& presence, ICandidateSink& sink) {
    // Words the server cannot hold go the long way, and so do pages too large to fetch
    // several times over.
    const std::vector<std::string>& words = query.NameWords();
    const bool paths = !query.PathWords().empty();
    if (!m_bRanks || limit == 0 || words.empty() || (paths && limit > kMostOverFetched) ||
        !std::all_of(words.begin(), words.end(), IsServerText)) {
        return false;
    }
    CPgTransaction transaction(*m_db, "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
    const SFetchedCases cases = FetchCases(*m_db, m_strMachine);
    if (cases.m_order.empty()) {
        return true;
    }
    const SRankKeys keys = RankKeys(cases, presence);
    // Path words are matched against the records above each candidate, which the
    // ranking does not know of: more of the best candidates are fetched, four times as
    // many each time, until `limit` of them match the path words too or none are left.
    // Path words that few records match take the long way.
    for (std::size_t want = paths ? 4 * limit : limit; want <= 64 * limit; want *= 4) {
        SFetchedCases fetched = cases;
        const std::size_t ranked = BestCandidates(*m_db, query, want, keys, fetched, m_above);
        if (!paths || ranked < want || MatchingPaths(query, fetched) >= limit) {
            transaction.Commit();
            HandOut(fetched, false, sink);
            return true;
        }
    }
    return false;
}

void CPgIndexStore::AfterBatch(std::size_t records) {
    // Rows a COPY wrote are not yet known to be visible to all, so the first readers
    // after an import checked each record's transaction, wrote that down in its page,
    // and fetched every row an index-only scan found; their planner had no figures and
    // the trigram index's pending entries were read by every question. Autovacuum
    // repairs all that, but a minute or more later, and while readers wait. Small
    // batches (a saved case) are left to it. A writer that does not own the tables
    // gets a warning (dropped as notices are) and its batch stands.
    if (records < kVacuumAfter) {
        return;
    }
    // Vacuum marks a row visible to all only once its transaction's commit is on disk,
    // which a server committing asynchronously may not have written yet. A transaction
    // that writes to the log (a table of its own, dropped at once) and commits
    // synchronously writes the log up to there first; without the right to make one,
    // vacuum marks what it can.
    try {
        CPgTransaction flush(*m_db);
        m_db->Exec("SET LOCAL synchronous_commit = on");
        m_db->Exec("CREATE TEMPORARY TABLE quillora_flush() ON COMMIT DROP");
        flush.Commit();
    } catch (const CIndexError&) {
    }
    m_db->Exec("VACUUM (ANALYZE) quillora_records, quillora_media, quillora_contents, "
               "quillora_case_files");
}

std::uint64_t CPgIndexStore::BytesOnDisk() {
    const SPgSpace space = Space();
    return space.m_nTableBytes + space.m_nIndexBytes;
}

SPgSpace CPgIndexStore::Space() {
    CPgResult row = m_db->Exec(
        "SELECT sum(pg_table_size(t))::bigint, sum(pg_indexes_size(t))::bigint FROM unnest("
        "ARRAY['quillora_schema', 'quillora_folders', 'quillora_contents', "
        "'quillora_case_files', 'quillora_media', 'quillora_records']::regclass[]) t");
    return {static_cast<std::uint64_t>(row.Int(0, 0)), static_cast<std::uint64_t>(row.Int(0, 1))};
}

} // namespace quillora
