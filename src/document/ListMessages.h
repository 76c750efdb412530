// The desktop's words for what a list export or import reports.
#pragma once

#include "export/CCsvImporter.h"
#include "export/IExportOutput.h"

#include <string>

namespace quillora {

// Why an import did not read, with its file and line.
std::string ImportFailureMessage(const std::string& path, const SImportResult& result);
// A failed export, naming the file and the reason.
std::string ExportFailureMessage(const SExportResult& result);
// How many characters an export replaced ("?" or character references in HTML); empty
// when none were.
std::string ReplacedCharactersMessage(std::uint64_t replaced, bool html);

} // namespace quillora
