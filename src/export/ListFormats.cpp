// The list formats.
#include "export/ListFormats.h"

#include "core/FileTypeCode.h"
#include "core/Text.h"
#include "export/CCsvExporter.h"
#include "export/CHtmlExporter.h"
#include "export/CMediaMaxExporter.h"
#include "export/CTreeExporter.h"

namespace quillora {

namespace {

template <typename T> std::unique_ptr<CListExporter> Make(const CFormCondition& preset) {
    return std::make_unique<T>(preset);
}

} // namespace

const std::vector<SListFormat>& ListFormats() {
    static const std::vector<SListFormat> formats = {
        {EFormFormat::Csv,
         "csv",
         ".csv",
         {{"CSV", "*.csv"}, {"TXT", "*.txt"}},
         "CSV形式のｴｸｽﾎﾟｰﾄ",
         "CSV形式のｲﾝﾎﾟｰﾄ",
         Make<CCsvExporter>},
        {EFormFormat::Html,
         "html",
         ".htm",
         {{"HTM", "*.htm"}, {"HTML", "*.html"}},
         "HTML形式のｴｸｽﾎﾟｰﾄ",
         nullptr,
         Make<CHtmlExporter>},
        {EFormFormat::Tree,
         "tree",
         ".txt",
         {{"TXT", "*.txt"}},
         "Tree形式のｴｸｽﾎﾟｰﾄ",
         nullptr,
         Make<CTreeExporter>},
        {EFormFormat::MediaMax,
         "mediamax",
         ".csv",
         {{"CSV", "*.csv"}, {"TXT", "*.txt"}},
         "MediaMax形式のｴｸｽﾎﾟｰﾄ",
         "MediaMax形式により開く",
         Make<CMediaMaxExporter>},
    };
    return formats;
}

const SListFormat& ListFormat(EFormFormat format) {
    return ListFormats()[static_cast<std::size_t>(format)];
}

const SListFormat* FindListFormat(std::string_view name) {
    for (const SListFormat& f : ListFormats()) {
        if (text::EqualsNoCase(f.m_pszName, name)) {
            return &f;
        }
    }
    return nullptr;
}

std::unique_ptr<CListExporter> MakeExporter(const CFormCondition& preset) {
    return ListFormat(preset.Format()).m_make(preset);
}

std::optional<EFormFormat> SaveExportFormat(std::uint16_t fileTypeCode) {
    switch (fileTypeCode) {
    case kFtCsv:
        return EFormFormat::Csv;
    case kFtHtml:
        return EFormFormat::Html;
    case kFtTxt:
        return EFormFormat::Tree;
    default:
        return std::nullopt;
    }
}

} // namespace quillora
