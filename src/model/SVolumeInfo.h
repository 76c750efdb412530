// SVolumeInfo: one registered medium (a disc, a removable disk, a network or local
// folder) with its volume facts, and where it is mounted now.
#pragma once

#include "model/SFileInfo.h"

namespace quillora {

class SVolumeInfo : public SFileInfo {
public:
    SVolumeInfo() { m_dwFlags = kNewVolumeFlags; }

    RecordClass Class() const override { return RecordClass::Volume; }

    // --- Stored ---
    std::uint32_t m_dwSerial = 0;
    std::string m_strLabel;
    std::string m_strVolText1;
    std::string m_strVolText2;
    std::string m_strOrgLabel;
    std::uint64_t m_nTotalBytes = kUnknownSize;
    std::uint64_t m_nFreeBytes = kUnknownSize;
    std::uint32_t m_dwSectorsPerCluster = 0;
    std::uint32_t m_dwBytesPerSector = 0;

    // --- Not stored: where the medium is now ---
    std::string m_strRoot;
    std::int32_t m_bPresent = 0;
    std::string m_strLocation;

    // m_strRoot, then "\" and m_strName when the name is not empty. A remote medium
    // is m_strName (its network path) while absent and its root, the local folder the
    // network path is mounted at, while present. A group has no location.
    void RecomputeLocation();

    const std::string& GetName() const override { return m_strLocation; }
    // With serial 0 and no label: whether it is present now; otherwise by the
    // medium identification option.
    bool MatchMedium(std::uint32_t serial, const std::string* label) const override;

    const std::string& GetLabel() const { return m_strLabel; }
    virtual void SetLabel(const std::string& label) { m_strLabel = label; }
    const std::string& GetOrgLabel() const { return m_strOrgLabel; }
    void SetOrgLabel(const std::string& label) { m_strOrgLabel = label; }
    const std::string& GetRoot() const { return m_strRoot; }
    void SetRoot(const std::string& root) { m_strRoot = root; }
    const std::string& GetVolText2() const { return m_strVolText2; }

    // Size texts in the configured unit.
    std::string FormatTotal() const;
    std::string FormatFree() const;
    std::string FormatUsed() const;
    std::string FormatSize() const;
    // "%04X-%04X" of the serial's high and low 16 bits.
    std::string FormatSerial() const;
    // The medium-kind name used in texts and exports.
    std::string KindName() const;

    void StoreBody(CArchiveWriter& ar) const override;

protected:
    // The label, normalised like a name.
    void RefreshDisplayName() override;
    void StoreVolumeFields(CArchiveWriter& ar) const;
};

// "%04X-%04X" of a serial number.
std::string FormatSerialNumber(std::uint32_t serial);

// A capacity or free size as the old forms stored it (a double of which the low 32
// bits of its integer part count); NaN is unknown, negatives are 0, huge values are
// held at the largest.
std::uint64_t OldSizeFromDouble(double value);

} // namespace quillora
