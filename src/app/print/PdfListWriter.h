// The printed list written as a PDF by a module of its own, which quillora-cli loads
// for `print` alone, so that no other command pays for loading the GUI library.
#pragma once

#include <string>

namespace quillora {

class CPrintCondition;
class CPrintTable;

// Paints `table` as `preset` lays it out onto A4 pages of a PDF written to `fd` (which
// stays open). False with *error when the PDF could not be written.
using WriteListPdfFn = bool (*)(const CPrintTable& table, const CPrintCondition& preset, int fd,
                                std::string* error);

// The module's file name, and the name of its WriteListPdfFn.
inline constexpr char kPdfModuleFile[] = "quillora-print-pdf.so";
inline constexpr char kWriteListPdfSymbol[] = "quillora_write_list_pdf";

} // namespace quillora

extern "C" bool quillora_write_list_pdf(const quillora::CPrintTable& table,
                                        const quillora::CPrintCondition& preset, int fd,
                                        std::string* error);
