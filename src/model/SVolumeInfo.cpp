// Media: location, identity, size texts and their extra fields in the case file.
#include "model/SVolumeInfo.h"

#include "core/IModelSettings.h"
#include "core/Resources.h"
#include "core/Text.h"
#include "core/TraceLog.h"
#include "model/CArchiveWriter.h"
#include "model/DisplayName.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace quillora {

std::string FormatSerialNumber(std::uint32_t serial) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04X-%04X", serial >> 16, serial & 0xFFFF);
    return buffer;
}

std::uint64_t OldSizeFromDouble(double value) {
    // A damaged file may hold any bits here; converting a NaN or an out-of-range double
    // to an integer is undefined, so those are settled first.
    if (std::isnan(value)) {
        return kUnknownSize;
    }
    if (value <= 0) {
        return 0;
    }
    constexpr double kLimit = 9223372036854775807.0; // rounds to 2^63
    std::int64_t whole = value >= kLimit ? INT64_MAX : static_cast<std::int64_t>(value);
    // Only the low 32 bits of the old sizes survive.
    return static_cast<std::uint32_t>(whole);
}

void SVolumeInfo::RecomputeLocation() {
    if (HasFlags(kFlagGroup)) {
        // A group stands for no place on any drive.
        m_strLocation.clear();
        return;
    }
    if (HasFlags(kFlagRemote)) {
        // A network medium is named by its network path; while its share is mounted
        // here, the root is the local folder that path is reachable at.
        m_strLocation = m_strRoot.empty() ? m_strName : m_strRoot;
        return;
    }
    m_strLocation = m_strRoot;
    if (!m_strName.empty()) {
        m_strLocation += '\\';
        m_strLocation += m_strName;
    }
}

void SVolumeInfo::RefreshDisplayName() {
    SetDisplayName(NormalizeDisplayName(m_strLabel, FileDispModeSetting()));
}

bool SVolumeInfo::MatchMedium(std::uint32_t serial, const std::string* label) const {
    if (serial == 0 && !label) {
        return m_bPresent != 0;
    }
    const std::string empty;
    const std::string& given = label ? *label : empty;
    auto labelMatches = [&] {
        if (m_strOrgLabel.empty()) {
            return !given.empty();
        }
        return text::EqualsNoCase(given, m_strOrgLabel);
    };
    switch (MediaIdSetting()) {
    case 0:
        return serial == m_dwSerial;
    case 1:
        return serial == m_dwSerial && labelMatches();
    case 2:
        return labelMatches();
    default:
        return false;
    }
}

std::string SVolumeInfo::FormatTotal() const {
    return FormatSizeText(m_nTotalBytes, SizeUnitModeSetting());
}

std::string SVolumeInfo::FormatFree() const {
    return FormatSizeText(m_nFreeBytes, SizeUnitModeSetting());
}

std::string SVolumeInfo::FormatUsed() const {
    return FormatSizeText(m_nTotalBytes - m_nFreeBytes, SizeUnitModeSetting());
}

std::string SVolumeInfo::FormatSize() const {
    return FormatSizeText(m_nSize, SizeUnitModeSetting());
}

std::string SVolumeInfo::FormatSerial() const {
    return FormatSerialNumber(m_dwSerial);
}

std::string SVolumeInfo::KindName() const {
    switch (MediumKind()) {
    case kFlagCdRom:
        return Res(487);
    case kFlagRemote:
        return Res(486);
    case kFlagFixed:
        return Res(485);
    default:
        return Res(484);
    }
}

void SVolumeInfo::StoreVolumeFields(CArchiveWriter& ar) const {
    ar.WriteText(m_strLabel);
    ar.WriteText(m_strVolText1);
    ar.WriteU32(m_dwSerial);
    ar.WriteText(m_strVolText2);
    ar.WriteU64(m_nTotalBytes);
    ar.WriteU64(m_nFreeBytes);
    ar.WriteText(m_strOrgLabel);
    ar.WriteU32(m_dwSectorsPerCluster);
    ar.WriteU32(m_dwBytesPerSector);
}

void SVolumeInfo::StoreBody(CArchiveWriter& ar) const {
    StoreRecordBody(ar);
    StoreVolumeFields(ar);
}

} // namespace quillora
