// Compiling the find conditions and applying them to records.
#include "search/SFindCondition.h"

#include "model/DisplayName.h"

#include "core/TraceLog.h"
#include "model/RecordFlags.h"
#include "model/SFileInfo.h"
#include "model/SRecordFacts.h"
#include "search/CCaseCursor.h"
#include "search/WildcardExpression.h"

namespace quillora {

namespace {

// A record time in whole seconds since 1970, floored, as a 64-bit number. The bounds
// are 32-bit seconds (1970 to 2038, as the dialog clamps them); comparing in 64 bits
// puts a file from 2050 after every bound and one from 1960 (or a time of 0, which
// is 1601) before every bound, instead of wrapping them into the range.
std::int64_t RecordSeconds(FileTime ft) {
    return static_cast<std::int64_t>(ft / 10000000u) -
           static_cast<std::int64_t>(kUnixEpochAsFileTime / 10000000u);
}

// A size that is not known counts as smaller than any bound.
bool SizeAtLeast(std::uint64_t size, std::uint64_t bound) {
    return size != kUnknownSize && size >= bound;
}

bool SizeAtMost(std::uint64_t size, std::uint64_t bound) {
    return size == kUnknownSize || size <= bound;
}

// Folders, media, groups and the case have no size of their own for a size bound;
// an archive whose contents are listed has.
template <class Record> bool HasOwnSize(const Record& record) {
    return !record.IsDirectory() || record.HasFlags(kFlagListedArchive);
}

} // namespace

bool SFindCondition::Prepare() {
    const bool ok = Compile();
    if (m_bName) {
        m_settings.m_nameHistory.Add(m_settings.m_strName);
    }
    if (m_bCategory) {
        m_settings.m_categoryHistory.Add(m_settings.m_strCategory);
    }
    if (m_bComment) {
        m_settings.m_commentHistory.Add(m_settings.m_strComment);
    }
    return ok;
}

bool SFindCondition::CompilePattern(CFindPattern& pattern, const std::string& text,
                                    const char* field) {
    if (pattern.Compile(text, m_settings.m_nWild != 0, m_settings.m_nUpper != 0)) {
        return true;
    }
    std::string sentence;
    switch (pattern.Error()) {
    case CFindPattern::EError::TooLong:
        sentence = std::string(field) + "の条件 \"" + text + "\" は長すぎます (変換後 " +
                   std::to_string(kPatternBufferSize - 1) +
                   " ﾊﾞｲﾄまで)。この条件に当てはまるものはありません。";
        break;
    case CFindPattern::EError::TooComplex:
        sentence = std::string(field) + "の条件 \"" + text +
                   "\" は繰り返しが多すぎて扱えません。この条件に当てはまるものはありません。";
        break;
    case CFindPattern::EError::BackReference:
        sentence = std::string(field) + "の条件 \"" + text +
                   "\" は後方参照 (\\1 から \\9) "
                   "を含むため使えません。この条件に当てはまるものはありません。";
        break;
    case CFindPattern::EError::NoUtf8Locale:
        sentence = "正規表現に使う UTF-8 のﾛｹｰﾙがこのｼｽﾃﾑにありません。" + std::string(field) +
                   "の条件に当てはまるものはありません。";
        break;
    default:
        sentence = std::string(field) + "の条件 \"" + text +
                   "\" は正規表現として正しくありません (" + pattern.ErrorText() +
                   ")。この条件に当てはまるものはありません。";
        break;
    }
    LogFormat("SFindCondition: %s", sentence.c_str());
    m_problems.push_back(std::move(sentence));
    return false;
}

bool SFindCondition::Compile() {
    Release();
    m_problems.clear();
    const SFindSettings& s = m_settings;
    m_bName = !s.m_strName.empty();
    m_bCategory = !s.m_strCategory.empty();
    m_bComment = !s.m_strComment.empty();
    bool ok = true;
    if (m_bName) {
        ok = CompilePattern(m_name, s.m_strName, "名前") && ok;
    }
    if (m_bCategory) {
        ok = CompilePattern(m_category, s.m_strCategory, "分類") && ok;
    }
    if (m_bComment) {
        ok = CompilePattern(m_comment, s.m_strComment, "ｺﾒﾝﾄ") && ok;
    }
    m_nMethod = s.m_nMethod;
    m_bMark = s.m_nMark != 0;
    m_bSizeMin = s.m_nSizeMinMode != 0;
    m_bSizeMax = s.m_nSizeMaxMode != 0;
    m_nSizeMin = s.m_dwSizeMin;
    m_nSizeMax = s.m_dwSizeMax;
    m_bCTimeMin = s.m_nCTimeMinMode != 0;
    m_bCTimeMax = s.m_nCTimeMaxMode != 0;
    m_bUTimeMin = s.m_nUTimeMinMode != 0;
    m_bUTimeMax = s.m_nUTimeMaxMode != 0;
    m_nCTimeMin = s.m_dwCTimeMin;
    m_nCTimeMax = s.m_dwCTimeMax;
    m_nUTimeMin = s.m_dwUTimeMin;
    m_nUTimeMax = s.m_dwUTimeMax;
    m_bTimeBounds = m_bCTimeMin || m_bCTimeMax || m_bUTimeMin || m_bUTimeMax;
    m_bNoCondition = !m_bName && !m_bCategory && !m_bComment && !m_bMark && !m_bSizeMin &&
                     !m_bSizeMax && !m_bTimeBounds;
    m_bNameOnly = m_bName && !m_bCategory && !m_bComment && !m_bMark && !m_bSizeMin &&
                  !m_bSizeMax && !m_bTimeBounds;
    return ok;
}

void SFindCondition::Release() {
    m_name.Release();
    m_category.Release();
    m_comment.Release();
}

bool SFindCondition::Match(const SFileInfo& record) const {
    return MatchMethod(record, [&record] { return FindNameOf(record); });
}

bool SFindCondition::Match(const SFileInfo& record, std::string_view findName) const {
    return MatchMethod(record, [findName] { return findName; });
}

bool SFindCondition::Match(const SRecordFacts& record, std::string_view findName) const {
    return MatchMethod(record, [findName] { return findName; });
}

bool SFindCondition::MatchStored(SRecordFacts& record) const {
    // The commonest find, a name alone, goes straight to the name: AND and OR of one
    // condition are that condition, NOT its negation.
    if (m_bNameOnly) {
        const bool holds = NameHolds(SStoredName{record});
        return m_nMethod == 2 ? !holds : holds;
    }
    return MatchMethod(record, SStoredName{record});
}

bool SFindCondition::NameHolds(SStoredName stored) const {
    SRecordFacts& record = stored.m_record;
    if (record.m_bNameStored && !m_name.MayMatchStored(record.m_strStoredName)) {
        return false;
    }
    record.DecodeName();
    return m_name.Search(FindNameOfEntry(record));
}

// `name` gives the name to match when a name condition needs it.
template <class Record, class Name>
bool SFindCondition::MatchMethod(const Record& record, Name name) const {
    switch (m_nMethod) {
    case 1:
        return MatchOr(record, name);
    case 2:
        return !MatchAnd(record, name);
    default:
        return MatchAnd(record, name);
    }
}

template <class Record, class Name>
bool SFindCondition::MatchAnd(const Record& r, Name name) const {
    if (m_bNoCondition) {
        return true;
    }
    // The cheap conditions first: most records fail one of them before a text is read.
    if (m_bMark && (r.m_byMark & 1) == 0) {
        return false;
    }
    if (m_bSizeMin || m_bSizeMax) {
        if (!HasOwnSize(r) || (m_bSizeMin && !SizeAtLeast(r.m_nSize, m_nSizeMin)) ||
            (m_bSizeMax && !SizeAtMost(r.m_nSize, m_nSizeMax))) {
            return false;
        }
    }
    if (m_bTimeBounds) {
        const std::int64_t created = RecordSeconds(r.m_ftCreation);
        const std::int64_t written = RecordSeconds(r.m_ftLastWrite);
        if ((m_bCTimeMin && created < m_nCTimeMin) || (m_bCTimeMax && created > m_nCTimeMax) ||
            (m_bUTimeMin && written < m_nUTimeMin) || (m_bUTimeMax && written > m_nUTimeMax)) {
            return false;
        }
    }
    return (!m_bName || NameHolds(name)) && (!m_bCategory || m_category.Search(r.Category())) &&
           (!m_bComment || m_comment.Search(r.Comment()));
}

template <class Record, class Name> bool SFindCondition::MatchOr(const Record& r, Name name) const {
    if (m_bNoCondition) {
        return true;
    }
    if ((m_bName && NameHolds(name)) || (m_bCategory && m_category.Search(r.Category())) ||
        (m_bComment && m_comment.Search(r.Comment())) || (m_bMark && (r.m_byMark & 1) != 0)) {
        return true;
    }
    // With a size bound, a folder cannot match by its size nor by its dates.
    if ((m_bSizeMin || m_bSizeMax) && !HasOwnSize(r)) {
        return false;
    }
    if ((m_bSizeMin && SizeAtLeast(r.m_nSize, m_nSizeMin)) ||
        (m_bSizeMax && SizeAtMost(r.m_nSize, m_nSizeMax))) {
        return true;
    }
    if (!m_bTimeBounds) {
        return false;
    }
    const std::int64_t created = RecordSeconds(r.m_ftCreation);
    const std::int64_t written = RecordSeconds(r.m_ftLastWrite);
    return (m_bCTimeMin && created >= m_nCTimeMin) || (m_bCTimeMax && created <= m_nCTimeMax) ||
           (m_bUTimeMin && written >= m_nUTimeMin) || (m_bUTimeMax && written <= m_nUTimeMax);
}

SFileInfo* SFindCondition::FindFirst(SFileInfo& record) const {
    CCaseCursor cursor(record);
    const std::size_t top = cursor.Depth();
    do {
        if (Match(*cursor.Current())) {
            return cursor.Current();
        }
    } while (cursor.Next() && cursor.Depth() > top);
    return nullptr;
}

SFileInfo* SFindCondition::FindNext(SFileInfo& record, const SFileInfo* after) const {
    const bool fromChild =
        after && after->GetParent() == &record && record.IndexOfChild(after) < record.ChildCount();
    CCaseCursor cursor(fromChild ? const_cast<SFileInfo&>(*after) : record);
    bool more = after ? cursor.SkipChildren() : cursor.Next();
    for (; more; more = cursor.Next()) {
        if (Match(*cursor.Current())) {
            return cursor.Current();
        }
    }
    return nullptr;
}

} // namespace quillora
