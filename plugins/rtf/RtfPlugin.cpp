// tobrtf: the document information and the text of RTF files, read by our own reader.
#include "common/PluginCore.h"
#include "rtf/RtfInfoReader.h"

#include <cstdio>

namespace quillora::plugin {

namespace {

const SInfo kInfo{
    "RTF",
    0x703,
    "RTF",
    {{1, "ﾀｲﾄﾙ"},
     {2, "ｻﾌﾞｼﾞｪｸﾄ"},
     {6, "作者"},
     {4, "ｷｰﾜｰﾄﾞ"},
     {5, "ｺﾒﾝﾄ"},
     {4097, "最終保存者"},
     {8, "会社"},
     {9, "ﾏﾈｰｼﾞｬ"},
     {3, "分類"},
     {10, "作成日"},
     {11, "最終保存日"}},
};

class CRtfDocument : public IDocument {
public:
    explicit CRtfDocument(std::FILE* file)
        : m_file(file), m_reader([this](char* buffer, std::size_t n) {
              return std::fread(buffer, 1, n, m_file);
          }) {}
    ~CRtfDocument() override { std::fclose(m_file); }
    CRtfDocument(const CRtfDocument&) = delete;
    CRtfDocument& operator=(const CRtfDocument&) = delete;

    bool Read() {
        if (!m_reader.Open()) {
            return false;
        }
        for (int field = 0; field < CRtfInfoReader::kFieldCount; ++field) {
            m_values.push_back(m_reader.Field(static_cast<CRtfInfoReader::EField>(field)));
        }
        return true;
    }

    bool NextLine(std::string& line) override { return m_reader.NextLine(line); }

private:
    std::FILE* m_file;
    CRtfInfoReader m_reader;
};

} // namespace

const SInfo& Info() {
    return kInfo;
}

std::unique_ptr<IDocument> Open(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        return nullptr;
    }
    auto doc = std::make_unique<CRtfDocument>(file);
    if (!doc->Read()) {
        return nullptr;
    }
    return doc;
}

} // namespace quillora::plugin
