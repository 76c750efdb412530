// Taking a streaming case into the index's records. A medium's label comes only at its
// end, but records name their parents by position, so the label is simply filled in then.
#include "index/CIndexSink.h"

#include "index/TextFolding.h"

namespace quillora {

namespace {

constexpr std::uint32_t kCaseLevel = SIndexedRecord::kNoParent;

} // namespace

std::uint32_t CIndexSink::Add(const SRecordFacts& facts, bool folder) {
    SIndexedRecord record;
    record.m_nParent = m_open.empty() ? SIndexedRecord::kNoParent : m_open.back();
    record.m_nMedium = m_media.empty() ? -1 : m_media.back();
    record.m_class = facts.m_class;
    record.m_bFolder = folder;
    record.m_nSize = facts.m_nSize;
    record.m_ftLastWrite = facts.m_ftLastWrite;
    record.m_strName = facts.PathSegment();
    AppendFolded(record.m_strName, record.m_strFolded);
    m_records.m_records.push_back(std::move(record));
    return static_cast<std::uint32_t>(m_records.m_records.size() - 1);
}

void CIndexSink::BeginMedium(SRecordFacts& medium) {
    if (medium.m_class == RecordClass::Case) {
        m_bProtected = !medium.m_strPassword.empty();
        m_open.push_back(kCaseLevel);
        m_media.push_back(-1);
        return;
    }
    std::int32_t mediumIndex = m_media.empty() ? -1 : m_media.back();
    if (medium.m_class == RecordClass::Volume) {
        mediumIndex = static_cast<std::int32_t>(m_records.m_media.size());
        m_records.m_media.emplace_back();
    }
    // The case level holds no record: media and groups at the top have no parent.
    if (!m_open.empty() && m_open.back() == kCaseLevel) {
        m_open.back() = SIndexedRecord::kNoParent;
    }
    const std::uint32_t index = Add(medium, true);
    m_records.m_records[index].m_nMedium = mediumIndex;
    m_open.push_back(index);
    m_media.push_back(mediumIndex);
}

void CIndexSink::EnterFolder(SRecordFacts& folder) {
    m_open.push_back(Add(folder, true));
    m_media.push_back(m_media.empty() ? -1 : m_media.back());
}

void CIndexSink::Entry(SRecordFacts& record) {
    Add(record, record.IsDirectory());
}

void CIndexSink::LeaveFolder(SRecordFacts& /*folder*/) {
    if (!m_open.empty()) {
        m_open.pop_back();
        m_media.pop_back();
    }
}

void CIndexSink::EndMedium(SRecordFacts& medium) {
    if (m_open.empty()) {
        return;
    }
    const std::uint32_t index = m_open.back();
    m_open.pop_back();
    m_media.pop_back();
    if (medium.m_class == RecordClass::Case || index >= m_records.m_records.size()) {
        return;
    }
    SIndexedRecord& record = m_records.m_records[index];
    record.m_strName = medium.PathSegment();
    record.m_strFolded.clear();
    AppendFolded(record.m_strName, record.m_strFolded);
    record.m_nSize = medium.m_nSize;
    record.m_ftLastWrite = medium.m_ftLastWrite;
    if (medium.m_class == RecordClass::Volume && record.m_nMedium >= 0) {
        SIndexedMedium& m = m_records.m_media[static_cast<std::size_t>(record.m_nMedium)];
        m.m_strLabel = medium.m_volume.m_strLabel;
        m.m_strOrgLabel = medium.m_volume.m_strOrgLabel;
        m.m_dwSerial = medium.m_volume.m_dwSerial;
        m.m_dwFlags = medium.m_dwFlags;
        m.m_strName = medium.m_strName;
    }
}

void CIndexSink::Finish(const SSinkResult& result) {
    m_result = result;
}

} // namespace quillora
