// Record facts: resetting them between records, and the class bits of a flag word.
#include "model/SRecordFacts.h"

#include "core/Text.h"

namespace quillora {

void SVolumeFields::Clear() {
    m_dwSerial = 0;
    m_strLabel.clear();
    m_strVolText1.clear();
    m_strVolText2.clear();
    m_strOrgLabel.clear();
    m_nTotalBytes = kUnknownSize;
    m_nFreeBytes = kUnknownSize;
    m_dwSectorsPerCluster = 0;
    m_dwBytesPerSector = 0;
}

void SRecordFacts::Reset(RecordClass cls) {
    m_class = cls;
    m_nSize = 0;
    m_dwFlags = 0;
    m_wArcType = 0;
    m_wExtFlags = 0;
    m_ftLastAccess = 0;
    m_ftLastWrite = 0;
    m_ftCreation = 0;
    m_dwExtValue = 0;
    m_byMark = 0;
    m_bLinkInherited = 0;
    m_strName.clear();
    m_bNameStored = false;
    m_strComment.clear();
    m_strCategory.clear();
    m_strLink.clear();
    m_pProps.reset();
    m_data.clear();
    m_nContentsHint = 0;
    m_dwPackedSize = 0;
    m_strArcText.clear();
    if (cls == RecordClass::Volume || cls == RecordClass::Group) {
        m_volume.Clear();
    }
    m_nSchema = 0;
    m_strPassword.clear();
}

void SRecordFacts::DecodeName() {
    if (m_bNameStored) {
        text::Cp932ToUtf8(m_strStoredName, m_strName);
        m_bNameStored = false;
    }
}

void SRecordFacts::SetCrc(std::uint32_t crc) {
    m_dwExtValue = crc;
    if (crc != 0) {
        m_wExtFlags = static_cast<std::uint16_t>(m_wExtFlags | kExtFlagCrc);
    } else {
        m_wExtFlags = static_cast<std::uint16_t>(m_wExtFlags & ~kExtFlagCrc);
    }
}

const std::string& SRecordFacts::PathSegment() const {
    return m_class == RecordClass::Volume || m_class == RecordClass::Group ? m_volume.m_strLabel
                                                                           : m_strName;
}

std::uint32_t ClassFlagsFor(RecordClass cls, std::uint32_t flags) {
    constexpr std::uint32_t kClassBits = kFlagGroup | kFlagMedium | kFlagCase | kFlagArcEntry;
    std::uint32_t bits = 0;
    switch (cls) {
    case RecordClass::Group:
        bits = kFlagGroup;
        break;
    case RecordClass::Volume:
        bits = kFlagMedium;
        break;
    case RecordClass::ArcFile:
        bits = kFlagArcEntry;
        break;
    case RecordClass::Case:
        bits = kFlagCase;
        break;
    case RecordClass::File:
        break;
    }
    return (flags & ~kClassBits) | bits;
}

} // namespace quillora
