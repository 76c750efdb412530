// Reads the summary and document-summary property sets of compound documents (word
// processor, spreadsheet, presentation and project files) without following the
// compound file's directory: property-set streams start on 64-byte boundaries (a
// sector or a mini sector), so every boundary is tested for a stream header. Every length and
// offset is checked against the bytes that are really there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillora {

class CExtractFile;

class COfficePropertyReader {
public:
    // The three sets read: 0 summary information, 1 the document summary's first
    // section, 2 its second, user-defined section.
    struct SValue {
        int m_nSet = 0;
        std::uint32_t m_nId = 0;
        std::string m_strValue;
    };

    // A section larger than this is not read (real ones are a few kilobytes).
    static constexpr std::uint32_t kMaxSectionSize = 4 * 1024 * 1024;
    static constexpr std::uint32_t kMaxProperties = 4096;

    // Scans the whole file for summary-information streams, then (when one was found)
    // for the first document-summary stream. Of the summary sections that carry a
    // revision number (id 9) only the one with the highest revision counts; its values
    // follow those of the sections without one. True when a summary section was found.
    bool Read(const CExtractFile& file);

    // Every value in the order found (a later value of the same set and id stands).
    const std::vector<SValue>& Values() const { return m_values; }
    // The value of (set, id), the last one found; null when there is none.
    const std::string* Find(int set, std::uint32_t id) const;

    // Every value as "$NAME=value" lines (CR LF), named by the fixed tables of property
    // ids per set; ids beyond a table have no name and are left out.
    std::string Dump() const;
    // The name of property `id` of `set`, or null.
    static const char* PropertyName(int set, std::uint32_t id);

    // The property values of one section held in `section` (its size and count at the
    // start). False when reading stopped at a malformed value; values read before it
    // are kept in `out`.
    static bool ParseSection(const std::string& section, int set, std::vector<SValue>& out);

private:
    std::vector<SValue> m_values;
};

} // namespace quillora
