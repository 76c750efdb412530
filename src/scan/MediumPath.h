// Where the catalogue records of a present medium are on disk now.
#pragma once

#include "model/StoredContents.h" // RecordOsPath, one definition for every layer

#include <string>

namespace quillora {

class SFileInfo;
class SVolumeInfo;

// The Linux path of a medium's own folder: for a local medium its root (the mount
// point) joined with m_strName, for a network medium its root. Empty when the
// medium has no root (it is not present).
std::string MediumOsFolder(const SVolumeInfo& medium);

} // namespace quillora
