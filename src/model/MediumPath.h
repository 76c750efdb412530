// Where the catalogue records of a present medium are on disk now.
#pragma once

#include <string>

namespace quillora {

class SFileInfo;
class SVolumeInfo;

// The Linux path of a medium's own folder: for a local medium its root (the mount
// point) joined with m_strName, for a network medium its root. Empty when the
// medium has no root (it is not present).
std::string MediumOsFolder(const SVolumeInfo& medium);

// The Linux path of a record on its medium: the medium's folder joined with the
// names from the medium down to the record. Empty when the record has no medium or
// the medium has no root.
std::string RecordOsPath(const SFileInfo& record);

} // namespace quillora
