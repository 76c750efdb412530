// Counting a case's records and describing its media from the stream.
#include "cli/CCaseSummary.h"

#include "model/CTreeBuilder.h"
#include "model/RecordFlags.h"
#include "model/SVolumeInfo.h"

namespace quillora::cli {

void CCaseSummary::Count(const SRecordFacts& record) {
    switch (record.m_class) {
    case RecordClass::Volume:
        ++m_nMedia;
        break;
    case RecordClass::Group:
        ++m_nGroups;
        break;
    case RecordClass::ArcFile:
        ++m_nEntries;
        break;
    case RecordClass::File: {
        const std::uint32_t flags = ClassFlagsFor(record.m_class, record.m_dwFlags);
        const bool folder = (flags & kAttrDirectory) != 0 && (flags & kFlagListedArchive) == 0;
        (folder ? m_nFolders : m_nFiles)++;
        break;
    }
    default:
        break;
    }
}

void CCaseSummary::BeginMedium(SRecordFacts& medium) {
    if (medium.m_class == RecordClass::Case) {
        m_nSchema = medium.m_nSchema;
        m_bPassword = !medium.m_strPassword.empty();
        m_sizes.Start(medium);
    }
    m_sizes.Open();
    Count(medium);
}

void CCaseSummary::EnterFolder(SRecordFacts& folder) {
    m_sizes.Open();
    Count(folder);
}

void CCaseSummary::Entry(SRecordFacts& record) {
    m_sizes.Entry(record);
    Count(record);
}

void CCaseSummary::LeaveFolder(SRecordFacts& folder) {
    m_sizes.Close(folder);
}

void CCaseSummary::EndMedium(SRecordFacts& medium) {
    m_sizes.Close(medium);
    if (medium.m_class != RecordClass::Volume) {
        return;
    }
    // The medium's own formatting (kind names, serial and size texts) is the one the
    // loaded tree prints; one record made from the facts gives it.
    std::unique_ptr<SFileInfo> made = CTreeBuilder::MakeRecord(RecordClass::Volume);
    CTreeBuilder::ApplyHead(*made, medium);
    CTreeBuilder::ApplyTail(*made, medium);
    const auto& v = static_cast<const SVolumeInfo&>(*made);
    m_mediumLines.push_back(v.m_strLabel + '\t' + v.m_strOrgLabel + '\t' + v.FormatSerial() + '\t' +
                            v.KindName() + '\t' + v.m_strVolText2 + '\t' + v.FormatSize());
}

} // namespace quillora::cli
