// CRecordPathSink: the record sink that finds chosen records of one case file again by
// their position and gives their paths below their medium, for the records a report
// lists (the report itself keeps no names).
#pragma once

#include "model/IRecordSink.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillora {

class CRecordPathSink : public IRecordSink {
public:
    struct SWanted {
        std::uint32_t m_nOrdinal = 0; // position in the case file
        std::uint64_t m_nSize = 0;    // the size the first reading saw
    };

    // `wanted` sorted by position, without repeats.
    explicit CRecordPathSink(std::vector<SWanted> wanted);

    void BeginMedium(SRecordFacts& medium) override;
    void EnterFolder(SRecordFacts& folder) override;
    void Entry(SRecordFacts& record) override;
    void LeaveFolder(SRecordFacts& folder) override;
    void EndMedium(SRecordFacts&) override {}
    void Finish(const SSinkResult&) override {}

    const std::vector<SWanted>& Wanted() const { return m_wanted; }
    // Per wanted record, its names below its medium joined with "\" as catalogue paths
    // join them.
    std::vector<std::string>& Paths() { return m_paths; }
    // False when a wanted record was missing or of another size: the file changed
    // since it was first read.
    bool Matched() const { return m_nNextWanted == m_wanted.size() && !m_bMismatch; }

private:
    void Check(const SRecordFacts& record, std::uint32_t ordinal);

    std::vector<SWanted> m_wanted;
    std::vector<std::string> m_paths;
    std::size_t m_nNextWanted = 0;
    std::uint32_t m_nNext = 0;
    std::string m_strFolder; // the open folders below the medium, joined with "\"
    std::vector<std::size_t> m_folderLengths;
    bool m_bMismatch = false;
};

} // namespace quillora
