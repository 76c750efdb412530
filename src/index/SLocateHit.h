// SLocateHit: one record a locate question found, with what lists show of it and the
// keys it is ranked by.
#pragma once

#include "core/FileTime.h"
#include "index/CLocateQuery.h"
#include "model/SRecordFacts.h"

#include <cstdint>
#include <string>

namespace quillora {

struct SLocateHit {
    std::string m_strCase;   // the case file's absolute path
    std::string m_strMedium; // the label of the medium holding the record
    std::string m_strPath;   // the catalogue path, as `tree` prints it
    std::string m_strName;
    std::uint64_t m_nSize = 0;
    FileTime m_ftLastWrite = 0;
    RecordClass m_class = RecordClass::File;
    bool m_bFolder = false;
    bool m_bPresent = false; // its medium is mounted now
    ELocateRank m_rank = ELocateRank::Anywhere;
    // Tree order: the case among the cases, the medium in the case, the record in it.
    std::uint32_t m_nCaseOrder = 0;
    std::int32_t m_nMediumOrder = -1;
    std::uint32_t m_nRecordOrder = 0;

    // Better first: rank, then media present now, then case, medium and tree order.
    bool operator<(const SLocateHit& other) const;
};

} // namespace quillora
