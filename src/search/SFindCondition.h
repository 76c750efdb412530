// The find conditions at work: the stored values of section "Find" compiled into
// matchers, the AND / OR / NOT rules for one record, and the pre-order searches over
// a case. One set of settings is shared by the find dialog, the case search and the
// command line; each search compiles its own SFindCondition over them.
#pragma once

#include "core/FindSettings.h"
#include "search/CFindPattern.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillora {

class SFileInfo;
struct SRecordFacts;

class SFindCondition {
public:
    // The settings are not owned; Prepare adds patterns to their histories.
    explicit SFindCondition(SFindSettings& settings) : m_settings(settings) {}
    SFindCondition(const SFindCondition&) = delete;
    SFindCondition& operator=(const SFindCondition&) = delete;

    // Compiles the active conditions (a non-empty name, category or comment pattern
    // is active) and adds each active pattern to its history; decides m_bNoCondition.
    // False when an active pattern could not be compiled: that condition then holds
    // for no record, and Problems() says why. Must precede any matching.
    bool Prepare();
    // The same without the histories: for a search's own copy of the conditions
    // (each case-search worker compiles its own).
    bool Compile();
    // Frees the compiled expressions; nothing matches a text condition afterwards.
    void Release();

    // One sentence per pattern that could not be compiled, for the user.
    const std::vector<std::string>& Problems() const { return m_problems; }

    // Whether the record matches by the method: 0 AND, 1 OR, 2 NOT. The name
    // condition sees FindNameOf(record): the name with the letter case it is stored
    // in, whatever case the display mode shows it in.
    bool Match(const SFileInfo& record) const;
    // The same with that name given (from a name index): when the name is the only
    // condition, the record itself is not read.
    bool Match(const SFileInfo& record, std::string_view findName) const;
    // The same for a record streaming past (a case read without building its tree).
    bool Match(const SRecordFacts& record, std::string_view findName) const;
    // The same for a file or archive entry streaming past with its name as stored
    // (SRecordFacts::m_bNameStored): the name is decoded only when the name condition
    // is asked and its stored bytes may hold the pattern.
    bool MatchStored(SRecordFacts& record) const;

    // The first matching record in the subtree of `record`, the record itself first
    // (pre-order), or null.
    SFileInfo* FindFirst(SFileInfo& record) const;
    // The first matching record after `record` in pre-order across the whole case: its
    // subtree (without it), then everything that follows it. With `after`, a child of
    // `record`, the search starts behind that child's subtree instead; an `after` that
    // is not a child of `record` starts it behind the subtree of `record`.
    SFileInfo* FindNext(SFileInfo& record, const SFileInfo* after = nullptr) const;

    const SFindSettings& Settings() const { return m_settings; }

    // Set by Prepare / Compile.
    bool m_bNoCondition = true;
    bool m_bName = false;
    bool m_bCategory = false;
    bool m_bComment = false;

private:
    template <class Record, class Name> bool MatchMethod(const Record& record, Name name) const;
    template <class Record, class Name> bool MatchAnd(const Record& record, Name name) const;
    template <class Record, class Name> bool MatchOr(const Record& record, Name name) const;
    // A record's stored name, decoded when the name condition first needs it.
    struct SStoredName {
        SRecordFacts& m_record;
    };
    template <class Name> bool NameHolds(Name name) const { return m_name.Search(name()); }
    bool NameHolds(SStoredName stored) const;
    bool CompilePattern(CFindPattern& pattern, const std::string& text, const char* field);

    SFindSettings& m_settings;
    CFindPattern m_name;
    CFindPattern m_category;
    CFindPattern m_comment;
    std::vector<std::string> m_problems;
    // The plain conditions, copied out of the settings by Compile.
    int m_nMethod = 0;
    bool m_bNameOnly = false; // the name is the only condition
    bool m_bMark = false;
    bool m_bSizeMin = false;
    bool m_bSizeMax = false;
    std::uint64_t m_nSizeMin = 0;
    std::uint64_t m_nSizeMax = 0;
    bool m_bTimeBounds = false;
    bool m_bCTimeMin = false;
    bool m_bCTimeMax = false;
    bool m_bUTimeMin = false;
    bool m_bUTimeMax = false;
    std::int64_t m_nCTimeMin = 0;
    std::int64_t m_nCTimeMax = 0;
    std::int64_t m_nUTimeMin = 0;
    std::int64_t m_nUTimeMax = 0;
};

} // namespace quillora
