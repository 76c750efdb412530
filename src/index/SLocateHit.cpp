// The order of locate hits.
#include "index/SLocateHit.h"

#include <tuple>

namespace quillora {

bool SLocateHit::operator<(const SLocateHit& other) const {
    return std::tuple(m_rank, !m_bPresent, m_nCaseOrder, m_nMediumOrder, m_nRecordOrder) <
           std::tuple(other.m_rank, !other.m_bPresent, other.m_nCaseOrder, other.m_nMediumOrder,
                      other.m_nRecordOrder);
}

} // namespace quillora
