// HTML documents of tables.
#include "export/CHtmlExporter.h"

#include "export/CExportJob.h"
#include "export/CaseWalk.h"
#include "model/DisplayName.h"
#include "model/SFileInfo.h"

namespace quillora {

namespace {

template <typename Enter> class CTableSink : public ICaseSink {
public:
    CTableSink(Enter enter, CExportJob* job, std::uint64_t* records)
        : m_enter(std::move(enter)), m_pJob(job), m_pRecords(records) {}
    void Record(const SFileInfo&, int) override {
        ++*m_pRecords;
        if (m_pJob && (*m_pRecords & 0xFF) == 0) {
            m_pJob->SetDone(*m_pRecords);
        }
    }
    void EnterFolder(const SFileInfo& entry, int) override { m_enter(entry); }

private:
    Enter m_enter;
    CExportJob* m_pJob;
    std::uint64_t* m_pRecords;
};

} // namespace

CHtmlExporter::CHtmlExporter(const CFormCondition& preset)
    : CListExporter(preset, /*keepCommentBreaks=*/true, /*html=*/true) {}

void CHtmlExporter::AppendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
}

void CHtmlExporter::AppendCell(std::string& out, std::string_view value, const char* align) {
    if (value.empty()) {
        out += "<TD align=\"center\">-</TD>";
        return;
    }
    out += "<TD  align=\"";
    out += align;
    out += "\">";
    std::size_t from = 0;
    while (from <= value.size()) {
        std::size_t lf = value.find('\n', from);
        std::size_t end = lf == std::string_view::npos ? value.size() : lf;
        std::size_t textEnd = end;
        if (lf != std::string_view::npos && textEnd > from && value[textEnd - 1] == '\r') {
            --textEnd;
        }
        AppendEscaped(out, value.substr(from, textEnd - from));
        if (lf == std::string_view::npos) {
            break;
        }
        out += "<BR>";
        from = lf + 1;
    }
    out += "</TD>";
}

void CHtmlExporter::AddText(CTextBuffer& buffer, std::string_view text, bool, int& field) {
    AppendCell(buffer.Text(), text, "left");
    ++field;
}

void CHtmlExporter::AddNumber(CTextBuffer& buffer, std::string_view text, bool, int& field) {
    AppendCell(buffer.Text(), text, "right");
    ++field;
}

void CHtmlExporter::AddSize(CTextBuffer& buffer, std::uint64_t size, bool, int& field) {
    AppendCell(buffer.Text(), FormatGrouped(size), "right");
    ++field;
}

void CHtmlExporter::Line(std::string_view text) {
    m_text.assign(static_cast<std::size_t>(2 * m_nLevel), ' ');
    m_text.append(text);
    WriteLine(m_text);
}

void CHtmlExporter::Head(std::string_view title, const char* charset) {
    m_nLevel = 0;
    Line("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">");
    Line("<HTML lang=\"ja\">");
    Line("<HEAD>");
    Line(std::string("<META http-equiv=\"Content-Type\" content=\"text/html; charset=") + charset +
         "\">");
    std::string line = "<TITLE>";
    AppendEscaped(line, title);
    line += "</TITLE>";
    Line(line);
    Line("</HEAD>");
    Line("<BODY>");
}

void CHtmlExporter::Foot() {
    Line("</BODY>");
    Line("</HTML>");
}

bool CHtmlExporter::HasFileChild(const SFileInfo& container) const {
    for (const auto& child : container.Children()) {
        if (!IsContainerRecord(*child)) {
            return true;
        }
    }
    return false;
}

void CHtmlExporter::Rows(const std::vector<const SFileInfo*>& files) {
    for (const SFileInfo* file : files) {
        MakeItemLine(m_line, *file);
        if (m_line.Empty()) {
            continue;
        }
        ++m_nLevel;
        Line("<TR>");
        ++m_nLevel;
        Line(m_line.View());
        --m_nLevel;
        Line("</TR>");
        --m_nLevel;
        CountLine();
    }
}

void CHtmlExporter::Table(const SFileInfo& container, bool fileForm, bool strong, bool force) {
    std::string line;
    if (strong) {
        line = "<STRONG>";
        AppendEscaped(line, container.GetPath());
        line += "</STRONG><BR>";
        Line(line);
    }
    if (fileForm) {
        line = "<TABLE border=\"1\" summary=\"";
        AppendEscaped(line, container.GetDisplayName());
        line += "\">";
        Line(line);
    } else {
        Line("<TABLE border=\"1\">");
    }
    ++m_nLevel;
    Line("<TBODY>");
    TitleRow();
    std::vector<const SFileInfo*> files;
    for (const auto& child : container.Children()) {
        if (!IsContainerRecord(*child) && (force || IsTarget(*child))) {
            files.push_back(child.get());
        }
    }
    Rows(files);
    Line("</TBODY>");
    --m_nLevel;
    Line("</TABLE><BR>");
}

void CHtmlExporter::TitleRow() {
    MakeTitleLine(m_line);
    if (m_line.Empty()) {
        return;
    }
    ++m_nLevel;
    Line("<TR>");
    ++m_nLevel;
    Line(m_line.View());
    --m_nLevel;
    Line("</TR>");
    --m_nLevel;
}

void CHtmlExporter::FileTable(const std::vector<const SFileInfo*>& files) {
    Line("<TABLE border=\"1\">");
    ++m_nLevel;
    Line("<TBODY>");
    TitleRow();
    Rows(files);
    Line("</TBODY>");
    --m_nLevel;
    Line("</TABLE><BR>");
}

bool CHtmlExporter::WriteFileDocument(const SFileInfo& start, CExportJob* job) {
    Head(start.GetDisplayName(), FileEncoding() == EExportEncoding::Utf8 ? "UTF-8" : "Shift_JIS");
    std::uint64_t records = 0;
    auto enter = [this](const SFileInfo& entry) {
        if (HasFileChild(entry)) {
            Table(entry, /*fileForm=*/true, /*strong=*/true, /*force=*/false);
        }
    };
    CTableSink sink(enter, job, &records);
    if (!WalkCase(start, sink, SWalkOptions{}, job)) {
        return false;
    }
    Foot();
    return true;
}

void CHtmlExporter::WriteClipboardDocument(const std::vector<const SFileInfo*>& entries,
                                           bool withSubfolders, bool force) {
    // The clipboard carries Unicode text.
    Head("", "UTF-8");
    std::vector<const SFileInfo*> files;
    for (const SFileInfo* entry : entries) {
        if (entry && !IsContainerRecord(*entry)) {
            files.push_back(entry);
        }
    }
    if (!files.empty()) {
        if (const SFileInfo* parent = entries.front() ? entries.front()->GetParent() : nullptr) {
            std::string line = "<B>";
            AppendEscaped(line, parent->GetPath());
            line += "</B><BR>";
            Line(line);
        }
        FileTable(files);
    }
    std::uint64_t records = 0;
    auto enter = [this, force](const SFileInfo& entry) {
        if (HasFileChild(entry)) {
            Table(entry, /*fileForm=*/false, /*strong=*/true, force);
        }
    };
    CTableSink sink(enter, nullptr, &records);
    for (const SFileInfo* entry : entries) {
        if (!entry || !entry->HasFlags(kAttrDirectory | kFlagMedium | kFlagGroup) ||
            entry->HasFlags(kFlagCase)) {
            continue;
        }
        if (withSubfolders) {
            WalkCase(*entry, sink, SWalkOptions{});
        } else if (HasFileChild(*entry)) {
            Table(*entry, false, true, force);
        }
    }
    Foot();
}

} // namespace quillora
