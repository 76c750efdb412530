// Finding records by position: the stream is counted the way CCopiesCollector counts
// it, and the names of the open folders make the path.
#include "report/CRecordPathSink.h"

namespace quillora {

CRecordPathSink::CRecordPathSink(std::vector<SWanted> wanted)
    : m_wanted(std::move(wanted)), m_paths(m_wanted.size()) {}

void CRecordPathSink::Check(const SRecordFacts& record, std::uint32_t ordinal) {
    if (m_nNextWanted >= m_wanted.size() || m_wanted[m_nNextWanted].m_nOrdinal != ordinal) {
        return;
    }
    if (record.m_nSize != m_wanted[m_nNextWanted].m_nSize) {
        m_bMismatch = true;
    }
    std::string& path = m_paths[m_nNextWanted++];
    path = m_strFolder;
    if (!path.empty()) {
        path += '\\';
    }
    path += record.m_strName;
}

void CRecordPathSink::BeginMedium(SRecordFacts& medium) {
    Check(medium, m_nNext++);
    m_strFolder.clear();
    m_folderLengths.clear();
}

void CRecordPathSink::EnterFolder(SRecordFacts& folder) {
    Check(folder, m_nNext++);
    m_folderLengths.push_back(m_strFolder.size());
    if (!m_strFolder.empty()) {
        m_strFolder += '\\';
    }
    m_strFolder += folder.m_strName;
}

void CRecordPathSink::Entry(SRecordFacts& record) {
    Check(record, m_nNext++);
}

void CRecordPathSink::LeaveFolder(SRecordFacts&) {
    if (!m_folderLengths.empty()) {
        m_strFolder.resize(m_folderLengths.back());
        m_folderLengths.pop_back();
    }
}

} // namespace quillora
