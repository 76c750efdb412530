// The read-only key/value file "TobConfig.txt" for options without a place in the options
// sheet: one "key = value" per line, "#" starts a comment line.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quillora {

class CTextConfig {
public:
    static constexpr const char* kFileName = "TobConfig.txt";

    // The places looked at, in order: beside the executable, then the config folder.
    static std::vector<std::string> SearchPaths();

    // Loads the first of SearchPaths() that can be opened. True when a key was read.
    bool Load();
    // Empties the table and reads path (a missing file leaves it empty). True when at
    // least one key was read. Keys are exact byte strings; a later line replaces an
    // earlier one with the same key.
    bool Load(const std::string& path);
    // The same rules applied to text already in memory.
    bool Parse(std::string_view text);

    // The value when present and not empty, else the default.
    std::string GetString(std::string_view key, std::string_view defaultValue = {}) const;
    // Absent: the default. "TRUE"/"FALSE" in any case; otherwise whether the value's
    // leading decimal number is non-zero ("2" is true, "abc" false).
    bool GetBool(std::string_view key, bool defaultValue) const;
    bool Has(std::string_view key) const;
    size_t Count() const { return m_values.size(); }
    void Clear() { m_values.clear(); }

private:
    std::map<std::string, std::string, std::less<>> m_values;
};

} // namespace quillora
