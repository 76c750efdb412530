// The HTML writer: an HTML 4.01 document of tables, one per folder-like entry that holds
// files directly, one row per file, one cell per item. Text in cells, titles and names is
// escaped for HTML, so that names holding "&" or "<" show as they are.
#pragma once

#include "export/CListExporter.h"

namespace quillora {

class CHtmlExporter : public CListExporter {
public:
    explicit CHtmlExporter(const CFormCondition& preset);

    bool ClipboardIsHtml() const override { return true; }

    // "<TD  align=...>value</TD>", or "<TD align="center">-</TD>" for an empty value.
    static void AppendCell(std::string& out, std::string_view value, const char* align);
    // "&", "<", ">" and the double quote as character references.
    static void AppendEscaped(std::string& out, std::string_view text);

protected:
    void AddText(CTextBuffer& buffer, std::string_view text, bool quote, int& field) override;
    void AddNumber(CTextBuffer& buffer, std::string_view text, bool quote, int& field) override;
    void AddSize(CTextBuffer& buffer, std::uint64_t size, bool quote, int& field) override;

    bool WriteFileDocument(const SFileInfo& start, CExportJob* job) override;
    void WriteClipboardDocument(const std::vector<const SFileInfo*>& entries, bool withSubfolders,
                                bool force) override;

private:
    // Two spaces per level, the text, the line end.
    void Line(std::string_view text);
    void Head(std::string_view title, const char* charset);
    void Foot();
    // The table of a container. `summary`: the file form's TABLE line; `strong`: the line
    // naming the container first. Rows: file children (not containers) that pass the
    // row rule.
    void Table(const SFileInfo& container, bool fileForm, bool strong, bool force);
    // The table of the given files (clipboard form, no STRONG line, no target test).
    // The table's title row, when the preset shows one.
    void TitleRow();
    void FileTable(const std::vector<const SFileInfo*>& files);
    void Rows(const std::vector<const SFileInfo*>& files);
    bool HasFileChild(const SFileInfo& container) const;

    int m_nLevel = 0;
    std::string m_text;
};

} // namespace quillora
