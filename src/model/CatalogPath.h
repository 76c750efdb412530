// Catalogue paths: a record named by the labels of its group and medium and the
// names below them, joined with "\" ("Backups\Disc 1\DCIM\img001.jpg"). Unlike a
// record's file-system path this is unique and does not depend on where the medium
// is mounted, so command-line tools use it to name records.
#pragma once

#include <string>
#include <string_view>

namespace quillora {

class SFileInfo;
class CCDCase;

// The catalogue path of a record; the case itself has the empty path.
std::string CatalogPath(const SFileInfo& record);
// What the record adds to its parent's path: a medium's or group's label, else its name.
const std::string& CatalogSegment(const SFileInfo& record);

// The record with that catalogue path (case-insensitive), or null. Leading and
// trailing "\" or "/" are ignored; "/" separates like "\".
SFileInfo* FindByCatalogPath(const CCDCase& root, std::string_view path);

} // namespace quillora
