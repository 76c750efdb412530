// CSV files.
#include "export/CCsvExporter.h"

namespace quillora {

void CCsvExporter::BeginFile() {
    if (FileEncoding() == EExportEncoding::Utf8) {
        Emit("\xEF\xBB\xBF");
    }
}

} // namespace quillora
