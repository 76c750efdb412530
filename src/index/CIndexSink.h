// CIndexSink: the record sink that takes one case streaming past (from its file or
// replayed from the open tree) into the records the index keeps of it.
#pragma once

#include "index/SCaseRecords.h"
#include "model/IRecordSink.h"

#include <optional>
#include <vector>

namespace quillora {

class CIndexSink : public IRecordSink {
public:
    void BeginMedium(SRecordFacts& medium) override;
    void EnterFolder(SRecordFacts& folder) override;
    void Entry(SRecordFacts& record) override;
    void LeaveFolder(SRecordFacts& folder) override;
    void EndMedium(SRecordFacts& medium) override;
    void Finish(const SSinkResult& result) override;

    // Whether the case was protected by a password (its records are then not to be kept).
    bool Protected() const { return m_bProtected; }
    // How the run ended; empty until Finish came.
    const std::optional<SSinkResult>& Result() const { return m_result; }
    // The records taken so far; complete after a usable Finish.
    SCaseRecords& Records() { return m_records; }
    // Room for about `records` records before the first: a case's records are kept in
    // one array, and growing it again and again copies and faults in all of them anew.
    void Reserve(std::size_t records) { m_records.m_records.reserve(records); }

private:
    std::uint32_t Add(const SRecordFacts& facts, bool folder);

    SCaseRecords m_records;
    std::vector<std::uint32_t> m_open; // records whose contents are streaming past
    std::vector<std::int32_t> m_media; // the medium of each open level
    bool m_bProtected = false;
    std::optional<SSinkResult> m_result;
};

} // namespace quillora
