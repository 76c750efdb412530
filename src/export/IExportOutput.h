// Where an export's bytes go (a file replaced when complete, standard output), and where
// the clipboard exports put their text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillora {

class IExportOutput {
public:
    virtual ~IExportOutput() = default;
    // Takes the next bytes of the document. Throws CFileException when they cannot be
    // written; the export then ends.
    virtual void Write(std::string_view bytes) = 0;
};

class IClipboardText {
public:
    virtual ~IClipboardText() = default;
    // Empties the clipboard and puts `text` (UTF-8) on it: plain text, and when `html` is
    // set the same text as an HTML document too. An empty text only empties it and gives
    // false; false also when the clipboard cannot be set.
    virtual bool SetText(const std::string& text, bool html) = 0;
};

// What one export did.
struct SExportResult {
    enum class EStatus { Ok, Cancelled, Failed };
    EStatus m_status = EStatus::Ok;
    // Failed: what went wrong, naming the file.
    std::string m_strError;
    // Lines (rows) written.
    std::uint64_t m_nLines = 0;
    // Characters the file's encoding could not hold, written as "?" (or as a character
    // reference in HTML).
    std::uint64_t m_nReplaced = 0;

    bool Ok() const { return m_status == EStatus::Ok; }
};

} // namespace quillora
