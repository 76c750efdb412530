// The system clipboard as the text exports' target: plain text, and an HTML document
// also as text/html so that office programs paste it as a table.
#pragma once

#include "export/IExportOutput.h"

namespace quillora {

class CQtClipboardText : public IClipboardText {
public:
    bool SetText(const std::string& text, bool html) override;
};

} // namespace quillora
