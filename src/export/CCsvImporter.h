// Reading a CSV (or MediaMax) file back into media: each line becomes an entry, its fields
// handed to the preset's items in order, placed into a medium by its label and into
// folders by its path. All or nothing: the first bad line (an unclosed quote, a title row
// that does not match, a date, size or CRC that does not read, binary data, text that is
// not in the file's encoding) is reported by number and no medium is returned.
#pragma once

#include "export/CFormCondition.h"
#include "model/CCDCase.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quillora {

class CCDCase;
class CExportJob;

enum class EImportEncoding {
    Detect, // a UTF-8 byte-order mark, or text that is valid UTF-8, reads as UTF-8
    Cp932,
    Utf8,
};

// What made an import fail, for the front ends to word.
enum class EImportProblem {
    None,
    Unreadable, // the file cannot be read (m_strValue: the system's reason)
    Binary,     // a NUL byte
    QuoteNotClosed,
    FieldTooLong,
    NotUtf8,
    BadDate, // m_strValue: the date
    BadSize,
    BadCrc,
    LabelNotClosed,     // item 3 opens a label bracket and never closes it
    PropertyHasNoPlace, // the property definition has no slot for an item (m_strValue)
    NoMemory,
    TooDeep,  // a path nests deeper than a case file can hold (m_strValue: its start)
    TooLarge, // a pipe or device gave more than kMaxStreamedList bytes
};

struct SImportResult {
    enum class EStatus { Ok, Cancelled, Failed };
    EStatus m_status = EStatus::Ok;
    // Failed: what is wrong, with the line ("line 12: ...") or the file.
    std::string m_strError;
    // The line the error is about (from 1); 0 when it is about the whole file.
    std::uint64_t m_nLine = 0;
    EImportProblem m_problem = EImportProblem::None;
    std::string m_strValue;
    // Ok: a temporary case root holding the new media, in the order their labels came.
    std::unique_ptr<CCDCase> m_pRoot;
    // Lines read (the title row included) and entries made.
    std::uint64_t m_nLines = 0;
    std::uint64_t m_nEntries = 0;
    // Lines that made nothing: an entry already in its folder, an entry without a name,
    // a line outside any medium (an empty label).
    std::uint64_t m_nSkipped = 0;
    // The encoding the text was read in.
    EExportEncoding m_encoding = EExportEncoding::Cp932;

    bool Ok() const { return m_status == EStatus::Ok; }
};

class CCsvImporter {
public:
    explicit CCsvImporter(const CFormCondition& preset,
                          EImportEncoding encoding = EImportEncoding::Detect);

    // Reads the file at `path`; an unreadable file fails naming it.
    SImportResult ImportFile(const std::string& path, CExportJob* job = nullptr);
    // Reads the bytes of a file.
    SImportResult ImportBytes(std::string_view bytes, CExportJob* job = nullptr);

    // Fields longer than this are refused (a name or comment is never near it).
    static constexpr std::size_t kMaxField = 1 << 20;
    // The most read from a pipe, FIFO or device, which need not end.
    static constexpr std::size_t kMaxStreamedList = std::size_t{512} << 20;
    // The label of lines without a label item.
    static constexpr const char* kDefaultLabel = "CSV";

private:
    class CRun;
    CFormCondition m_preset;
    EImportEncoding m_encoding;
};

} // namespace quillora
