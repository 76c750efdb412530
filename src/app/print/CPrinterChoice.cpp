// Printers and their stored settings.
#include "app/print/CPrinterChoice.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

#include <sstream>

namespace quillora {

QStringList CPrinterChoice::Printers() {
    QStringList names = QPrinterInfo::availablePrinterNames();
    const QString standard = QPrinterInfo::defaultPrinterName();
    if (!standard.isEmpty() && names.removeAll(standard) > 0) {
        names.prepend(standard);
    }
    return names;
}

QString CPrinterChoice::Resolve(const CPrintCondition& preset, const QStringList& printers) {
    const QString wanted = QString::fromStdString(preset.SelectPrinter);
    if (!wanted.isEmpty()) {
        for (const QString& name : printers) {
            if (name.compare(wanted, Qt::CaseInsensitive) == 0) {
                return name;
            }
        }
    }
    // A printer that was removed falls back to the default one.
    return printers.isEmpty() ? QString() : printers.front();
}

std::vector<std::uint8_t> CPrinterChoice::Settings(const QPrinter& printer) {
    // A small text of our own: "key=value" lines, readable and easy to extend.
    std::ostringstream out;
    out << "page=" << QPageSize::key(printer.pageLayout().pageSize().id()).toStdString() << "\n"
        << "orientation=" << static_cast<int>(printer.pageLayout().orientation()) << "\n"
        << "duplex=" << static_cast<int>(printer.duplex()) << "\n"
        << "color=" << static_cast<int>(printer.colorMode()) << "\n"
        << "copies=" << printer.copyCount() << "\n";
    const std::string text = out.str();
    return {text.begin(), text.end()};
}

bool CPrinterChoice::SetSettings(QPrinter& printer, const std::vector<std::uint8_t>& bytes) {
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::string line;
    bool any = false;
    while (std::getline(in, line)) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        const std::string key = line.substr(0, eq);
        const QString value = QString::fromStdString(line.substr(eq + 1));
        bool number = false;
        const int n = value.toInt(&number);
        if (key == "page") {
            for (int id = 0; id <= QPageSize::LastPageSize; ++id) {
                if (QPageSize::key(static_cast<QPageSize::PageSizeId>(id)) == value) {
                    printer.setPageSize(QPageSize(static_cast<QPageSize::PageSizeId>(id)));
                    any = true;
                }
            }
        } else if (key == "orientation" && number && (n == 0 || n == 1)) {
            printer.setPageOrientation(static_cast<QPageLayout::Orientation>(n));
            any = true;
        } else if (key == "duplex" && number && n >= 0 && n <= 3) {
            printer.setDuplex(static_cast<QPrinter::DuplexMode>(n));
            any = true;
        } else if (key == "color" && number && (n == 0 || n == 1)) {
            printer.setColorMode(static_cast<QPrinter::ColorMode>(n));
            any = true;
        } else if (key == "copies" && number && n >= 1 && n <= 999) {
            printer.setCopyCount(n);
            any = true;
        }
    }
    return any;
}

void CPrinterChoice::Apply(const CPrintCondition& preset, const QString& name, QPrinter& printer) {
    printer.setOutputFormat(QPrinter::NativeFormat);
    printer.setPrinterName(name);
    auto stored = preset.PrinterSettings.find(name.toStdString());
    if (stored != preset.PrinterSettings.end()) {
        SetSettings(printer, stored->second);
    }
}

void CPrinterChoice::Keep(CPrintCondition& preset, const QString& name, const QPrinter& printer) {
    if (!name.isEmpty()) {
        preset.PrinterSettings[name.toStdString()] = Settings(printer);
    }
}

} // namespace quillora
