// Media: location, identity, size texts and their extra fields in the case file.
#include "model/SVolumeInfo.h"

#include "core/IModelSettings.h"
#include "core/Resources.h"
#include "core/Text.h"
#include "core/TraceLog.h"
#include "model/ArchiveException.h"
#include "model/CArchiveReader.h"
#include "model/CArchiveWriter.h"
#include "model/CaseSchema.h"
#include "model/DisplayName.h"

#include <cstdio>

namespace quillora {

std::string FormatSerialNumber(std::uint32_t serial) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04X-%04X", serial >> 16, serial & 0xFFFF);
    return buffer;
}

void SVolumeInfo::RecomputeLocation() {
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

void SVolumeInfo::UpdateDisplayName() {
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

void SVolumeInfo::LoadVolumeFields(CArchiveReader& ar, int schema) {
    if (schema == 1) {
        m_strLabel = ar.ReadText();
        m_strOrgLabel = m_strLabel;
        return;
    }
    if (schema <= 6) {
        m_strLabel = ar.ReadText();
        m_strVolText1 = ar.ReadText();
        m_dwSerial = ar.ReadU32();
        m_strVolText2 = ar.ReadText();
        // Old forms kept the sizes as doubles; only their low 32 bits survive.
        auto low32 = [](double v) {
            return static_cast<std::uint64_t>(
                static_cast<std::uint32_t>(static_cast<std::int64_t>(v)));
        };
        m_nTotalBytes = low32(ar.ReadF64());
        m_nFreeBytes = low32(ar.ReadF64());
        if (schema >= 4) {
            m_strOrgLabel = ar.ReadText();
        }
        return;
    }
    try {
        m_strLabel = ar.ReadText();
        m_strVolText1 = ar.ReadText();
        m_dwSerial = ar.ReadU32();
        m_strVolText2 = ar.ReadText();
        m_nTotalBytes = ar.ReadU64();
        m_nFreeBytes = ar.ReadU64();
        m_strOrgLabel = ar.ReadText();
    } catch (const CArchiveException&) {
        Log("SVolumeInfo::SerializeVer1183() Throw");
        throw;
    }
    // Files that end right before the two cluster fields were written that way.
    try {
        m_dwSectorsPerCluster = ar.ReadU32();
        m_dwBytesPerSector = ar.ReadU32();
    } catch (const CArchiveException& e) {
        if (e.m_cause != CArchiveException::endOfFile) {
            Log("SVolumeInfo::SerializeVer1183() Throw");
            throw;
        }
        m_dwSectorsPerCluster = 0;
        m_dwBytesPerSector = 0;
    }
}

void SVolumeInfo::LoadBody(CArchiveReader& ar, CaseLoadContext& ctx) {
    LoadRecordBody(ar, ctx);
    int schema = ctx.schema.number;
    if (schema == 3 || schema > 12) {
        Log("SVolumeInfo::Serialize() not supported throw");
        throw CArchiveException(CArchiveException::badClass, "unsupported schema", ar.Offset());
    }
    try {
        LoadVolumeFields(ar, schema);
    } catch (const CArchiveException& e) {
        Log("SVolumeInfo::Serialize() Throw");
        throw CArchiveException(CArchiveException::badClass,
                                CArchiveException::CauseName(e.m_cause), e.m_nOffset);
    }
    RecomputeLocation();
}

} // namespace quillora
