// CCaseSummary: what `info` prints (the counts by kind and one line per medium),
// taken from the records as they stream past instead of from a loaded tree.
#pragma once

#include "model/CFolderSizeSum.h"
#include "model/IRecordSink.h"

#include <cstddef>
#include <string>
#include <vector>

namespace quillora::cli {

class CCaseSummary : public IRecordSink {
public:
    int m_nSchema = 0;
    bool m_bPassword = false;
    std::size_t m_nMedia = 0, m_nGroups = 0, m_nFolders = 0, m_nFiles = 0, m_nEntries = 0;
    // Label, original label, serial, kind, second volume text and size, tab-separated.
    std::vector<std::string> m_mediumLines;

    void BeginMedium(SRecordFacts& medium) override;
    void EnterFolder(SRecordFacts& folder) override;
    void Entry(SRecordFacts& record) override;
    void LeaveFolder(SRecordFacts& folder) override;
    void EndMedium(SRecordFacts& medium) override;
    void Finish(const SSinkResult&) override {}
    // Files and folders are only counted: their names are never read.
    bool TakesStoredNames() const override { return true; }

private:
    void Count(const SRecordFacts& record);

    CFolderSizeSum m_sizes;
};

} // namespace quillora::cli
