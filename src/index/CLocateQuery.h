// CLocateQuery: the words of a locate question, folded as names are, and how a record
// is judged against them: every word must occur in the record's name, or in its path
// when the word holds a "\" or "/"; a match is ranked by where the words stand.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillora {

enum class ELocateRank : std::uint8_t {
    WholeName, // the name is the words (joined by one space)
    NameStart, // the name starts with the first word
    WordStart, // every word begins a word of the name
    Anywhere,
};

class CLocateQuery {
public:
    explicit CLocateQuery(const std::vector<std::string>& words);

    // The folded words matched against names, and those matched against paths ("/"
    // turned into "\"). Words that fold to nothing are dropped.
    const std::vector<std::string>& NameWords() const { return m_nameWords; }
    const std::vector<std::string>& PathWords() const { return m_pathWords; }
    bool Empty() const { return m_nameWords.empty() && m_pathWords.empty(); }
    // The name words joined by one space: the name of a whole-name match.
    const std::string& Joined() const { return m_strJoined; }

    bool MatchesName(std::string_view foldedName) const;
    // `foldedPath`: the record's folded names from its group or medium down, joined by "\".
    bool MatchesPath(std::string_view foldedPath) const;
    ELocateRank Rank(std::string_view foldedName) const;

private:
    std::vector<std::string> m_nameWords;
    std::vector<std::string> m_pathWords;
    std::string m_strJoined;
};

} // namespace quillora
