// The printers of this system for the print dialog: the names CUPS lists, and the choice
// of a preset's printer with its stored settings (paper, orientation, duplex, colour).
// Printing to a PDF file is always there beside them, through Qt.
#pragma once

#include "export/CPrintCondition.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

class QPrinter;

namespace quillora {

class CPrinterChoice {
public:
    // The printers CUPS lists (local and remote), the default first.
    static QStringList Printers();
    // The printer the preset asks for: `SelectPrinter` when it is listed (ignoring
    // case), else the default printer; empty when there is none.
    static QString Resolve(const CPrintCondition& preset, const QStringList& printers);
    // Sets `printer` to the named device with the preset's stored settings for it.
    static void Apply(const CPrintCondition& preset, const QString& name, QPrinter& printer);
    // Keeps `printer`'s settings as the named printer's in the preset.
    static void Keep(CPrintCondition& preset, const QString& name, const QPrinter& printer);

    // The settings as stored bytes, and back (false for bytes of another form).
    static std::vector<std::uint8_t> Settings(const QPrinter& printer);
    static bool SetSettings(QPrinter& printer, const std::vector<std::uint8_t>& bytes);
};

} // namespace quillora
