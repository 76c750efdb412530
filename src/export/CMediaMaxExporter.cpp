// MediaMax files.
#include "export/CMediaMaxExporter.h"

#include "export/CExportJob.h"
#include "export/CaseWalk.h"
#include "model/SFileInfo.h"

namespace quillora {

namespace {

template <typename F> class CEachRecord : public ICaseSink {
public:
    explicit CEachRecord(F f) : m_f(std::move(f)) {}
    void Record(const SFileInfo& entry, int) override { m_f(entry); }

private:
    F m_f;
};

} // namespace

void CMediaMaxExporter::AddText(CTextBuffer& buffer, std::string_view text, bool quote,
                                int& field) {
    if (text.find(',') == std::string_view::npos) {
        CListExporter::AddText(buffer, text, quote, field);
        return;
    }
    m_text.assign(text);
    for (char& c : m_text) {
        if (c == ',') {
            c = '.';
        }
    }
    CListExporter::AddText(buffer, m_text, quote, field);
}

bool CMediaMaxExporter::IsTarget(const SFileInfo& entry) const {
    return !IsContainerRecord(entry);
}

void CMediaMaxExporter::MakeTitleLine(CTextBuffer& buffer) {
    buffer.Clear();
}

bool CMediaMaxExporter::WriteFileDocument(const SFileInfo& start, CExportJob* job) {
    CEachRecord sink([this, job](const SFileInfo& entry) {
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
    SWalkOptions options;
    options.m_order = EWalkOrder::Sorted;
    return WalkCase(start, sink, options, job);
}

void CMediaMaxExporter::WriteClipboardDocument(const std::vector<const SFileInfo*>& entries,
                                               bool withSubfolders, bool force) {
    CEachRecord sink([this, force](const SFileInfo& entry) {
        if (!force && !IsTarget(entry)) {
            return;
        }
        MakeItemLine(m_line, entry);
        if (!m_line.Empty()) {
            WriteLine(m_line.View());
            CountLine();
        }
    });
    SWalkOptions options;
    options.m_nMaxDepth = withSubfolders ? -1 : 0;
    for (const SFileInfo* entry : entries) {
        if (entry) {
            WalkCase(*entry, sink, options);
        }
    }
}

} // namespace quillora
