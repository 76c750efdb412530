// CCsvRowMapper: the fields of one line handed to the preset's items in order: the
// label, the path split into folder and name, the size, the times, the texts, the
// properties and the CRC, each read and checked by its item type.
#pragma once

#include "core/FileTime.h"
#include "export/CCsvTokenizer.h"
#include "export/CFormCondition.h"
#include "export/CLocalClock.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillora {

// One line's values: views into the text or into the mapper's decoded copies, valid
// until the next line is mapped.
struct SImportRow {
    std::string_view m_strLabel;
    std::string_view m_strFolder;
    std::string_view m_strName;
    bool m_bName = false;
    std::uint64_t m_nSize = 0;
    FileTime m_times[3] = {0, 0, 0}; // update, creation, last access
    std::string_view m_strComment;
    std::string_view m_strCategory;
    std::string_view m_props[11];
    bool m_bProps = false;
    std::uint32_t m_dwCrc = 0;
};

class CCsvRowMapper {
public:
    // `text`: the whole list (looked at once, for whether it writes the root prefix);
    // `utf8`: the list is read as UTF-8, not CP932; `checked`: the whole text is known
    // to be valid UTF-8. The preset and the text must outlive the mapper.
    CCsvRowMapper(const CFormCondition& preset, std::string_view text, bool utf8, bool checked);

    // Maps the first `count` fields of the line that starts on `line`. Throws
    // CImportError for a value its item cannot take.
    void Map(const std::vector<SField>& fields, std::size_t count, std::uint64_t line,
             SImportRow& row);

private:
    // The text of a field: its own bytes when they need no decoding, else the decoded
    // text in `scratch`.
    std::string_view Decode(const SField& field, std::string& scratch, std::uint64_t line);
    // "YYYY/MM/DD hh:mm:ss" (each number of one or more digits), "（不明）" or nothing.
    // The three times of a line are mostly the same text: the last one read is kept.
    FileTime ReadTime(std::string_view value, std::uint64_t line);
    FileTime ParseTime(std::string_view value, std::uint64_t line);
    // Seconds since 1970 of a local time.
    std::int64_t LocalToUnix(int y, int mo, int d, int h, int mi, int s);
    // A relative name without the root prefix. Lists written here put the medium's own
    // name on its line, and every entry behind the prefix; a list from elsewhere may
    // write plain relative paths, which are entries. So the value is the medium's line
    // only when it is empty, names the line's medium, or the list uses the prefix.
    void PlaceBareName(std::string_view value, SImportRow& row);
    // Whether some field of the list starts with the root prefix ("./" or ".\\" unless
    // the preset names its own), looked up once in the raw text.
    bool ListUsesRootPrefix();
    bool SomeFieldStartsWith(std::string_view prefix) const;
    std::string_view RestoreBreaks(std::string_view value);

    const CFormCondition& m_preset;
    std::string_view m_text;
    bool m_bUtf8 = false;
    bool m_bChecked = false;
    std::optional<bool> m_rootPrefixUse;
    // The item type of each field.
    std::vector<int> m_types;
    // Decoded text of each field of the current line, and its comment with the line
    // breaks restored.
    std::vector<std::string> m_decoded;
    std::string m_strRestored;
    const std::string m_strUnknownTime;
    std::string m_strLastTime;
    FileTime m_ftLastTime = 0;
    bool m_bLastTime = false;
    CLocalClock m_clock;
};

} // namespace quillora
