// The list exporter's rows, outputs and the CSV documents.
#include "export/CListExporter.h"

#include "core/TraceLog.h"
#include "export/CExportJob.h"
#include "export/CaseWalk.h"
#include "export/FormItem.h"
#include "model/CPlainCaseFile.h"
#include "model/FileException.h"
#include "model/SFileInfo.h"

namespace quillora {

namespace {

constexpr std::size_t kFlushAt = 1 << 20;

// The export file: a temporary file beside the target, renamed over it by Commit.
class CExportFile : public IExportOutput {
public:
    explicit CExportFile(const std::string& path) { m_file.Open(path, kOpenWrite); }
    ~CExportFile() override {
        if (!m_bDone) {
            m_file.Abort();
        }
    }
    void Write(std::string_view bytes) override { m_file.Write(bytes.data(), bytes.size()); }
    void Commit() {
        m_file.Close();
        m_bDone = true;
    }

private:
    CPlainCaseFile m_file;
    bool m_bDone = false;
};

// Calls a function for each record of a walk.
template <typename F> class CRecordSink : public ICaseSink {
public:
    explicit CRecordSink(F f) : m_f(std::move(f)) {}
    void Record(const SFileInfo& entry, int depth) override { m_f(entry, depth); }

private:
    F m_f;
};

} // namespace

CListExporter::CListExporter(const CFormCondition& preset, bool keepCommentBreaks, bool html)
    : m_preset(preset), m_values(SItemValueOptions::From(preset, keepCommentBreaks)),
      m_encoder(preset.Encoding, html) {}

CListExporter::~CListExporter() = default;

// --- Rows ---

void CListExporter::AddText(CTextBuffer& buffer, std::string_view text, bool quote, int& field) {
    if (field > 0) {
        buffer.Append(m_preset.ItemSeparator());
    }
    ++field;
    if (text.empty()) {
        return;
    }
    if (quote) {
        // A quote inside is doubled: written alone it would end the field early for
        // every spreadsheet (and split a name such as Tom "J", x into two columns).
        buffer.Append('"');
        for (std::size_t from = 0;;) {
            const std::size_t q = text.find('"', from);
            buffer.Append(text.substr(from, q == std::string_view::npos ? q : q + 1 - from));
            if (q == std::string_view::npos) {
                break;
            }
            buffer.Append('"');
            from = q + 1;
        }
        buffer.Append('"');
    } else {
        buffer.Append(text);
    }
}

void CListExporter::AddNumber(CTextBuffer& buffer, std::string_view text, bool quote, int& field) {
    AddText(buffer, text, quote, field);
}

void CListExporter::AddSize(CTextBuffer& buffer, std::uint64_t size, bool /*quote*/, int& field) {
    AddText(buffer, std::to_string(size), false, field);
}

bool CListExporter::IsTarget(const SFileInfo& entry) const {
    switch (m_preset.Target) {
    case kTargetFiles:
        return !IsContainerRecord(entry);
    case kTargetFolders:
        return IsContainerRecord(entry);
    default:
        return true;
    }
}

void CListExporter::AddLineEnd(CTextBuffer& buffer) {
    buffer.Append(m_preset.LineEnd());
}

void CListExporter::MakeTitleLine(CTextBuffer& buffer) {
    buffer.Clear();
    if (m_preset.PutTitle == 0) {
        return;
    }
    const bool quote = m_preset.StrDQoute != 0;
    int field = 0;
    for (const FormItem& item : m_preset.Visible) {
        const char* title = FormItemTitleText(item.Data);
        if (!title) {
            continue;
        }
        if (item.Data == kItemSize) {
            AddNumber(buffer, title, quote, field);
        } else {
            AddText(buffer, title, quote, field);
        }
    }
}

void CListExporter::MakeItemText(CTextBuffer& buffer, const SFileInfo& entry, int type,
                                 int& field) {
    const bool quote = m_preset.StrDQoute != 0;
    if (type == kItemSize) {
        AddSize(buffer, entry.m_nSize, quote, field);
        return;
    }
    if (type < kFirstItemType || type > kLastItemType) {
        return;
    }
    m_scratch.Clear();
    m_values.Append(m_scratch.Text(), entry, type);
    AddText(buffer, m_scratch.View(), type == kItemCrc ? false : quote, field);
}

void CListExporter::MakeItemLine(CTextBuffer& buffer, const SFileInfo& entry) {
    buffer.Clear();
    int field = 0;
    for (const FormItem& item : m_preset.Visible) {
        MakeItemText(buffer, entry, item.Data, field);
    }
}

std::string CListExporter::ItemLine(const SFileInfo& entry) {
    MakeItemLine(m_line, entry);
    return std::string(m_line.View());
}

std::string CListExporter::TitleLine() {
    MakeTitleLine(m_line);
    return std::string(m_line.View());
}

// --- Output ---

void CListExporter::Emit(std::string_view text) {
    if (!m_pOutput) {
        m_pending.append(text);
        return;
    }
    m_encoder.Append(text, m_pending);
    if (m_pending.size() >= kFlushAt) {
        FlushPending();
    }
}

void CListExporter::WriteLine(std::string_view text) {
    Emit(text);
    Emit(m_preset.LineEnd());
}

void CListExporter::FlushPending() {
    if (m_pOutput && !m_pending.empty()) {
        m_pOutput->Write(m_pending);
        m_pending.clear();
    }
}

void CListExporter::Progress(CExportJob* job) {
    ++m_nRecords;
    if (job && (m_nRecords & 0xFF) == 0) {
        job->SetDone(m_nRecords);
    }
}

// --- Documents ---

SExportResult CListExporter::ExportToFile(const SFileInfo* start, const std::string& path,
                                          CExportJob* job) {
    SExportResult result;
    if (!start) {
        result.m_status = SExportResult::EStatus::Failed;
        result.m_strError = path + ": nothing to export";
        return result;
    }
    try {
        CExportFile file(path);
        result = ExportToOutput(*start, file, job);
        if (result.Ok()) {
            file.Commit();
        }
    } catch (const CFileException& e) {
        result.m_status = SExportResult::EStatus::Failed;
        result.m_strError = e.Message();
    }
    return result;
}

SExportResult CListExporter::ExportToOutput(const SFileInfo& start, IExportOutput& output,
                                            CExportJob* job) {
    SExportResult result;
    m_pOutput = &output;
    m_pending.clear();
    m_nLines = 0;
    m_nRecords = 0;
    try {
        BeginFile();
        const bool complete = WriteFileDocument(start, job);
        if (complete) {
            FlushPending();
        }
        result.m_status = complete ? SExportResult::EStatus::Ok : SExportResult::EStatus::Cancelled;
    } catch (...) {
        m_pOutput = nullptr;
        throw;
    }
    m_pOutput = nullptr;
    if (job) {
        job->SetDone(m_nRecords);
    }
    result.m_nLines = m_nLines;
    result.m_nReplaced = m_encoder.Replaced();
    return result;
}

bool CListExporter::ExportToCB(const std::vector<const SFileInfo*>& entries, bool withSubfolders,
                               bool force, IClipboardText& clipboard) {
    const std::string text = MakeClipboardText(entries, withSubfolders, force);
    Log("ToCB() start");
    const bool ok = clipboard.SetText(text, ClipboardIsHtml());
    Log("ToCB() end");
    return ok;
}

std::string CListExporter::MakeClipboardText(const std::vector<const SFileInfo*>& entries,
                                             bool withSubfolders, bool force) {
    m_pOutput = nullptr;
    m_pending.clear();
    Log("ExportToCB string make end");
    WriteClipboardDocument(entries, withSubfolders, force);
    Log("ExportToCB string make end");
    return std::move(m_pending);
}

bool CListExporter::WriteFileDocument(const SFileInfo& start, CExportJob* job) {
    MakeTitleLine(m_line);
    if (!m_line.Empty()) {
        WriteLine(m_line.View());
    }
    SWalkOptions options;
    options.m_order = EWalkOrder::Sorted;
    options.m_nMaxDepth = m_preset.SpecSubLayer != 0 ? m_preset.SubLayer : -1;
    CRecordSink sink([this, job](const SFileInfo& entry, int) {
        Progress(job);
        if (!IsTarget(entry)) {
            return;
        }
        MakeItemLine(m_line, entry);
        if (!m_line.Empty()) {
            WriteLine(m_line.View());
            CountLine();
        }
    });
    return WalkCase(start, sink, options, job);
}

void CListExporter::WriteClipboardDocument(const std::vector<const SFileInfo*>& entries,
                                           bool withSubfolders, bool force) {
    MakeTitleLine(m_line);
    if (!m_line.Empty()) {
        WriteLine(m_line.View());
    }
    SWalkOptions options;
    options.m_order = EWalkOrder::Sorted;
    options.m_nMaxDepth =
        !withSubfolders ? 0 : (m_preset.SpecSubLayer != 0 ? m_preset.SubLayer : -1);
    CRecordSink sink([this, force](const SFileInfo& entry, int) {
        if (!force && !IsTarget(entry)) {
            return;
        }
        MakeItemLine(m_line, entry);
        if (!m_line.Empty()) {
            WriteLine(m_line.View());
            CountLine();
        }
    });
    for (const SFileInfo* entry : entries) {
        if (entry) {
            WalkCase(*entry, sink, options);
        }
    }
}

} // namespace quillora
