// The hook through which the scanner asks for the comment text of a file.
#pragma once

#include <string>

namespace quillora {

class SFileInfo;

// Runs the text extraction on one file. The scanner holds a pointer to one;
// without it no comments are recorded.
class ICommentExtractor {
public:
    virtual ~ICommentExtractor() = default;

    // Extracts the text of the file at the Linux path `osPath` into `text`; document
    // properties it finds go to `record`'s property set. False when no extractor
    // handled the file (the record's text slot is then left as it was).
    virtual bool ExtractText(const std::string& osPath, SFileInfo& record, std::string& text) = 0;
};

} // namespace quillora
