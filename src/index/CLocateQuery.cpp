// Matching and ranking of locate words over folded names and paths.
#include "index/CLocateQuery.h"

#include "index/TextFolding.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>

namespace quillora {

namespace {

// Whether the character before `pos` is neither a letter nor a digit (or there is none).
bool AtWordStart(std::string_view text, std::size_t pos) {
    if (pos == 0) {
        return true;
    }
    const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
    auto i = static_cast<std::int32_t>(pos);
    UChar32 c = 0;
    U8_PREV(s, 0, i, c);
    return c < 0 || !u_isalnum(c);
}

bool OccursAtWordStart(std::string_view name, std::string_view word) {
    for (std::size_t pos = name.find(word); pos != std::string_view::npos;
         pos = name.find(word, pos + 1)) {
        if (AtWordStart(name, pos)) {
            return true;
        }
    }
    return false;
}

} // namespace

CLocateQuery::CLocateQuery(const std::vector<std::string>& words) {
    for (const std::string& word : words) {
        std::string folded = FoldForIndex(word);
        if (folded.empty()) {
            continue;
        }
        // Folding turns full-width separators into "/" and "\" too.
        if (folded.find_first_of("/\\") != std::string::npos) {
            std::replace(folded.begin(), folded.end(), '/', '\\');
            m_pathWords.push_back(std::move(folded));
        } else {
            if (!m_strJoined.empty()) {
                m_strJoined += ' ';
            }
            m_strJoined += folded;
            m_nameWords.push_back(std::move(folded));
        }
    }
}

bool CLocateQuery::MatchesName(std::string_view foldedName) const {
    return std::all_of(m_nameWords.begin(), m_nameWords.end(), [&](const std::string& w) {
        return foldedName.find(w) != std::string_view::npos;
    });
}

bool CLocateQuery::MatchesPath(std::string_view foldedPath) const {
    return std::all_of(m_pathWords.begin(), m_pathWords.end(), [&](const std::string& w) {
        return foldedPath.find(w) != std::string_view::npos;
    });
}

ELocateRank CLocateQuery::Rank(std::string_view foldedName) const {
    if (m_nameWords.empty()) {
        return ELocateRank::Anywhere;
    }
    if (foldedName == m_strJoined) {
        return ELocateRank::WholeName;
    }
    if (foldedName.starts_with(m_nameWords.front())) {
        return ELocateRank::NameStart;
    }
    const bool allAtStarts =
        std::all_of(m_nameWords.begin(), m_nameWords.end(),
                    [&](const std::string& w) { return OccursAtWordStart(foldedName, w); });
    return allAtStarts ? ELocateRank::WordStart : ELocateRank::Anywhere;
}

} // namespace quillora
