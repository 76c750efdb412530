// The CSV writer: the list exporter's rows and documents; a UTF-8 file starts with a
// byte-order mark so that spreadsheets recognise its encoding.
#pragma once

#include "export/CListExporter.h"

namespace quillora {

class CCsvExporter : public CListExporter {
public:
    explicit CCsvExporter(const CFormCondition& preset) : CListExporter(preset) {}

protected:
    void BeginFile() override;
};

} // namespace quillora
