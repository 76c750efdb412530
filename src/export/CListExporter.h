// The exporter every list format derives from: rows built item by item from a preset,
// written to a file (replaced only when complete) or collected as the clipboard's text.
// The CSV writer is this class with its defaults; HTML, tree text and MediaMax override
// the cells, the target rule and the documents. Exporters are made for one command.
#pragma once

#include "export/CExportEncoder.h"
#include "export/CFormCondition.h"
#include "export/CItemValues.h"
#include "export/CTextBuffer.h"
#include "export/IExportOutput.h"

#include <memory>
#include <string>
#include <vector>

namespace quillora {

class CExportJob;
class SFileInfo;

class CListExporter {
public:
    // `keepCommentBreaks`: comments keep their line breaks (HTML); `html`: characters the
    // file encoding lacks become character references.
    CListExporter(const CFormCondition& preset, bool keepCommentBreaks = false, bool html = false);
    virtual ~CListExporter();
    CListExporter(const CListExporter&) = delete;
    CListExporter& operator=(const CListExporter&) = delete;

    const CFormCondition& Preset() const { return m_preset; }

    // Writes the export of the subtree at `start` to the file at `path`: into a temporary
    // file beside it that replaces the file only when complete, so a failure (a full
    // disk, a folder that cannot be written) or a cancel leaves any old file as it was.
    // A null start fails.
    SExportResult ExportToFile(const SFileInfo* start, const std::string& path,
                               CExportJob* job = nullptr);
    // The same document into any output (standard output).
    SExportResult ExportToOutput(const SFileInfo& start, IExportOutput& output,
                                 CExportJob* job = nullptr);
    // Builds the clipboard text of the entries (in order) and puts it on the clipboard
    // (ToCB). With `withSubfolders` the entries' subtrees follow; `force` writes the
    // entries whatever the target rule says. Returns what the clipboard answered.
    bool ExportToCB(const std::vector<const SFileInfo*>& entries, bool withSubfolders, bool force,
                    IClipboardText& clipboard);
    // The text ExportToCB puts on the clipboard (UTF-8).
    std::string MakeClipboardText(const std::vector<const SFileInfo*>& entries, bool withSubfolders,
                                  bool force);
    // Whether that text is an HTML document.
    virtual bool ClipboardIsHtml() const { return false; }

    // The row of one entry, without line end (tests, the find list's copy).
    std::string ItemLine(const SFileInfo& entry);
    std::string TitleLine();

protected:
    // --- Building rows ---
    // Appends one field: the separator when it is not the first, then the text (quoted
    // when asked, with quotes inside doubled), unless the text is empty. Counts the field.
    virtual void AddText(CTextBuffer& buffer, std::string_view text, bool quote, int& field);
    virtual void AddNumber(CTextBuffer& buffer, std::string_view text, bool quote, int& field);
    // The size as a field: decimal, never quoted.
    virtual void AddSize(CTextBuffer& buffer, std::uint64_t size, bool quote, int& field);
    // Target: 1 passes non-containers only, 2 containers only, anything else everything.
    virtual bool IsTarget(const SFileInfo& entry) const;
    void AddLineEnd(CTextBuffer& buffer);
    // The title row; empty unless PutTitle is set.
    virtual void MakeTitleLine(CTextBuffer& buffer);
    virtual void MakeItemText(CTextBuffer& buffer, const SFileInfo& entry, int type, int& field);
    // Clears the buffer and adds every Visible item.
    void MakeItemLine(CTextBuffer& buffer, const SFileInfo& entry);

    // --- Documents (the CSV one by default) ---
    // Writes the file document of `start`; false when the job was cancelled. Write
    // errors throw.
    virtual bool WriteFileDocument(const SFileInfo& start, CExportJob* job);
    virtual void WriteClipboardDocument(const std::vector<const SFileInfo*>& entries,
                                        bool withSubfolders, bool force);
    // Called before a file document with the encoding it is written in.
    virtual void BeginFile() {}

    // --- Output ---
    // Appends text (UTF-8) to the document; files get it in their encoding.
    void Emit(std::string_view text);
    // The text, then the line end of RCode.
    void WriteLine(std::string_view text);
    // Writes what is pending to the output (files only).
    void FlushPending();
    // Rows written so far.
    void CountLine() { ++m_nLines; }
    bool WritingFile() const { return m_pOutput != nullptr; }
    EExportEncoding FileEncoding() const { return m_encoder.Encoding(); }
    // The record count for the job's progress.
    void Progress(CExportJob* job);

    const CFormCondition m_preset;
    CItemValues m_values;
    CTextBuffer m_line;
    CTextBuffer m_scratch;

private:
    CExportEncoder m_encoder;
    IExportOutput* m_pOutput = nullptr;
    std::string m_pending;
    std::uint64_t m_nLines = 0;
    std::uint64_t m_nRecords = 0;
};

} // namespace quillora
