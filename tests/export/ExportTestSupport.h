// Running an exporter into memory, and the CP932 bytes of expected texts.
#pragma once

#include "core/Text.h"
#include "export/CListExporter.h"
#include "export/ListFormats.h"

#include <gtest/gtest.h>
#include <string>

namespace quillora::test {

class CStringOutput : public IExportOutput {
public:
    void Write(std::string_view bytes) override { m_bytes.append(bytes); }
    std::string m_bytes;
};

// The file document of `start` as its bytes.
inline std::string ExportBytes(const CFormCondition& preset, const SFileInfo& start,
                               SExportResult* result = nullptr) {
    CStringOutput out;
    SExportResult r = MakeExporter(preset)->ExportToOutput(start, out);
    EXPECT_TRUE(r.Ok());
    if (result) {
        *result = r;
    }
    return out.m_bytes;
}

inline std::string Cp932(std::string_view utf8) {
    std::string out;
    EXPECT_TRUE(text::Utf8ToCp932(utf8, out));
    return out;
}

} // namespace quillora::test
