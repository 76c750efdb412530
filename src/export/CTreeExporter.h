// The tree text writer: one line per entry, its CSV row behind ASCII branch marks that
// draw the tree ("  + " before an entry, "  | " where a level has more to come). Folders
// come before the files of the same folder. There is no title row and no depth limit.
#pragma once

#include "export/CListExporter.h"

#include <vector>

namespace quillora {

class CTreeExporter : public CListExporter {
public:
    explicit CTreeExporter(const CFormCondition& preset);

    // The branch marks of a line at `level` for the given column bits.
    static std::string BranchMarks(int level, const std::vector<bool>& columns);

protected:
    void MakeTitleLine(CTextBuffer& buffer) override;
    bool WriteFileDocument(const SFileInfo& start, CExportJob* job) override;
    void WriteClipboardDocument(const std::vector<const SFileInfo*>& entries, bool withSubfolders,
                                bool force) override;

private:
    class CSink;
    bool Walk(const SFileInfo& start, bool descend, bool force, CExportJob* job);
};

} // namespace quillora
