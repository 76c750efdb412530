// CImportError: how the parts of a list import report the line that stops it; the
// importer turns it into the failed result.
#pragma once

#include "export/CCsvImporter.h"

#include <cstdint>
#include <string>

namespace quillora {

class CImportError {
public:
    CImportError(std::uint64_t line, EImportProblem problem, std::string text,
                 std::string value = {})
        : m_nLine(line), m_problem(problem), m_strText(std::move(text)),
          m_strValue(std::move(value)) {}

    // A NUL byte on the line.
    [[noreturn]] static void Binary(std::uint64_t line) {
        throw CImportError(line, EImportProblem::Binary,
                           "binary data (a NUL byte): this is not a list in text form");
    }

    std::uint64_t m_nLine;
    EImportProblem m_problem;
    std::string m_strText;
    std::string m_strValue;
};

} // namespace quillora
