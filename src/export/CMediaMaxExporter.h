// The MediaMax writer: one line per file with its path relative to its medium and a few
// descriptive fields. Commas inside text become periods (the file has no quoting to
// protect them); folders, media and groups are never written, and there is no title row.
#pragma once

#include "export/CListExporter.h"

namespace quillora {

class CMediaMaxExporter : public CListExporter {
public:
    explicit CMediaMaxExporter(const CFormCondition& preset) : CListExporter(preset) {}

protected:
    void AddText(CTextBuffer& buffer, std::string_view text, bool quote, int& field) override;
    bool IsTarget(const SFileInfo& entry) const override;
    void MakeTitleLine(CTextBuffer& buffer) override;
    bool WriteFileDocument(const SFileInfo& start, CExportJob* job) override;
    void WriteClipboardDocument(const std::vector<const SFileInfo*>& entries, bool withSubfolders,
                                bool force) override;

private:
    std::string m_text;
};

} // namespace quillora
