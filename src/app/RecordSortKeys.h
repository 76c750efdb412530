// Sort keys of records by display column, computed once per row so that sorting a
// long list compares bytes and numbers instead of formatting or collating each time.
#pragma once

#include <cstdint>
#include <string>

namespace quillora {

class SFileInfo;

// How a column sorts: by the name's collation key, by a number, or by the column's
// own comparison of two records (CDisplayColumns::Compare).
enum class ESortKeyKind { Name, Number, Record };

ESortKeyKind SortKeyKind(int columnId);

// The number a Number column sorts by.
std::uint64_t SortNumber(const SFileInfo& record, int columnId);

// strxfrm of a text: byte order of the keys is strcoll order of the texts. Names sort
// by CNameOrder's key, which is made of these.
std::string CollationKey(const std::string& text);

} // namespace quillora
