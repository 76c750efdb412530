// SArcFileInfo: an entry listed from inside an archive file.
#pragma once

#include "model/SFileInfo.h"

namespace quillora {

class SArcFileInfo : public SFileInfo {
public:
    SArcFileInfo() { m_dwFlags = kFlagArcEntry; }

    RecordClass Class() const override { return RecordClass::ArcFile; }

    std::uint32_t m_dwPackedSize = 0;
    // The leading parent references ("../", repeated) the archive listed the path with.
    std::string m_strArcText;

    // Packed size x 100 / size; 100 for an empty entry.
    double CompressionRatio() const;
    // The packed size with "," between groups of three digits.
    std::string PackedSizeText() const;

    void StoreBody(CArchiveWriter& ar) const override;
};

// Two entries by ratio: the difference of the ratios x 10, truncated.
int CompareRatio(const SArcFileInfo& a, const SArcFileInfo& b);

} // namespace quillora
