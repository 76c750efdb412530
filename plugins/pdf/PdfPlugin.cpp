// tobpdf: the document information of PDF files through poppler-cpp (title, subject,
// keywords, author, creator, producer, dates, page count); titles in UTF-16 are
// decoded by poppler. Files whose object streams would inflate past a bound are not
// opened (ObjectStreamCheck).
#include "common/PluginCore.h"
#include "common/PluginText.h"
#include "pdf/ObjectStreamCheck.h"

#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-global.h>

#include <cstdio>
#include <ctime>

namespace quillora::plugin {

namespace {

enum Slot {
    kTitle,
    kSubject,
    kKeywords,
    kAuthor,
    kCreator,
    kProducer,
    kCreated,
    kModified,
    kPages
};

const SInfo kInfo{
    "PDF",
    0x003,
    "PDF",
    {{1, "ﾀｲﾄﾙ"},
     {2, "ｻﾌﾞｼﾞｪｸﾄ"},
     {4, "ｷｰﾜｰﾄﾞ"},
     {6, "作者"},
     {7, "ｱﾌﾟﾘｹｰｼｮﾝ名"},
     {4097, "PDF変換"},
     {10, "作成日"},
     {11, "最終保存日"},
     {142, "統計:ﾍﾟｰｼﾞ数"}},
};

void Quiet(const std::string&, void*) {}

std::string Utf8(const poppler::ustring& s) {
    const poppler::byte_array bytes = s.to_utf8();
    return TrimRight(std::string(bytes.begin(), bytes.end()));
}

std::string DateText(time_t t) {
    if (t <= 0) {
        return {};
    }
    std::tm tm{};
    if (!localtime_r(&t, &tm)) {
        return {};
    }
    char buffer[32];
    return std::string(buffer, std::strftime(buffer, sizeof buffer, "%Y/%m/%d %H:%M:%S", &tm));
}

} // namespace

const SInfo& Info() {
    return kInfo;
}

std::unique_ptr<IDocument> Open(const std::string& path) {
    if (!ObjectStreamsAreBounded(path)) {
        return nullptr;
    }
    poppler::set_debug_error_function(Quiet, nullptr);
    std::unique_ptr<poppler::document> pdf(poppler::document::load_from_file(path));
    if (!pdf) {
        return nullptr;
    }
    auto doc = std::make_unique<IDocument>();
    doc->m_values.resize(kInfo.m_properties.size());
    doc->m_values[kTitle] = Utf8(pdf->info_key("Title"));
    doc->m_values[kSubject] = Utf8(pdf->info_key("Subject"));
    doc->m_values[kKeywords] = Utf8(pdf->info_key("Keywords"));
    doc->m_values[kAuthor] = Utf8(pdf->info_key("Author"));
    doc->m_values[kCreator] = Utf8(pdf->info_key("Creator"));
    doc->m_values[kProducer] = Utf8(pdf->info_key("Producer"));
    doc->m_values[kCreated] = DateText(pdf->info_date_t("CreationDate"));
    doc->m_values[kModified] = DateText(pdf->info_date_t("ModDate"));
    if (!pdf->is_locked()) {
        doc->m_values[kPages] = std::to_string(pdf->pages());
    }
    return doc;
}

} // namespace quillora::plugin
