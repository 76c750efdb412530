// SCaseRecords: what the index keeps of one case: its media (to tell whether they are
// mounted now) and every record in tree order, with its folded name for matching.
#pragma once

#include "core/FileTime.h"
#include "model/SRecordFacts.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillora {

struct SIndexedMedium {
    std::string m_strLabel;
    std::string m_strOrgLabel;
    std::string m_strName; // a folder medium's path below its mount point
    std::uint32_t m_dwSerial = 0;
    std::uint32_t m_dwFlags = 0;
};

struct SIndexedRecord {
    static constexpr std::uint32_t kNoParent = 0xffffffffu;

    // The record holding this one (an index into the same case's records), else kNoParent.
    std::uint32_t m_nParent = kNoParent;
    // The medium holding the record (an index into the media), else -1.
    std::int32_t m_nMedium = -1;
    RecordClass m_class = RecordClass::File;
    bool m_bFolder = false; // a folder or a listed archive: its path ends in "\" in lists
    std::uint64_t m_nSize = 0;
    FileTime m_ftLastWrite = 0;
    // As the catalogue path shows it: a medium's or group's label, else the name.
    std::string m_strName;
    std::string m_strFolded;

    // Files, folders and archive entries are found; media and groups only name paths.
    bool IsFound() const { return m_class == RecordClass::File || m_class == RecordClass::ArcFile; }
};

struct SCaseRecords {
    std::vector<SIndexedMedium> m_media;
    std::vector<SIndexedRecord> m_records;

    // The catalogue path of record `index` (labels of its group and medium and the names
    // below them joined with "\"), as `tree` names it.
    std::string CatalogPathOf(std::size_t index) const;
};

} // namespace quillora
