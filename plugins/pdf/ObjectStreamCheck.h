// poppler inflates a PDF's object streams whole when it reads an object from one, so
// a 200 KB stream can hold a 200 MB title and take poppler 800 MB. The streams are
// measured before poppler opens the file.
#pragma once

#include <cstddef>
#include <string>

namespace quillora::plugin {

// What one object stream may inflate to.
constexpr std::size_t kMaxObjectStream = 32u * 1024 * 1024;

// Whether every object stream of the PDF file at `path` inflates to at most
// kMaxObjectStream bytes. A stream that cannot be inflated here (encrypted, another
// filter) counts by the most deflate could make of its length; one with a chain of
// filters is not measured and fails. True for a file that cannot be read (poppler
// then fails on its own).
bool ObjectStreamsAreBounded(const std::string& path);

} // namespace quillora::plugin
