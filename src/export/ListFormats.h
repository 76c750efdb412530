// The table of list formats: their names on the command line, the file filters and
// default extension of their dialogs, which file names a save turns into an export, and
// the writer each one makes. A new format is one row here and its writer.
#pragma once

#include "export/FormFormat.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace quillora {

class CFormCondition;
class CListExporter;

struct SListFormat {
    EFormFormat m_format;
    const char* m_pszName;      // "csv", "html", "tree", "mediamax"
    const char* m_pszExtension; // default extension of the save dialog: ".csv"
    // Filters of the save and open dialogs: description and pattern pairs.
    std::vector<std::pair<const char*, const char*>> m_filters;
    const char* m_pszExportCaption; // "CSV形式のｴｸｽﾎﾟｰﾄ"
    const char* m_pszImportCaption; // null when the format cannot be read
    std::unique_ptr<CListExporter> (*m_make)(const CFormCondition& preset);
};

const std::vector<SListFormat>& ListFormats();
const SListFormat& ListFormat(EFormFormat format);
// By name, without regard to case; null when unknown.
const SListFormat* FindListFormat(std::string_view name);

// The writer of the preset's format.
std::unique_ptr<CListExporter> MakeExporter(const CFormCondition& preset);

// The format a save under a name of this file-type code writes (".csv", ".htm", ".html",
// ".txt"); none for other names.
std::optional<EFormFormat> SaveExportFormat(std::uint16_t fileTypeCode);

} // namespace quillora
