// Text exports to the clipboard.
#include "app/export/CQtClipboardText.h"

#include "core/TraceLog.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace quillora {

bool CQtClipboardText::SetText(const std::string& text, bool html) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        return false;
    }
    clipboard->clear();
    if (text.empty()) {
        return false;
    }
    auto* data = new QMimeData;
    const QString unicode = QString::fromStdString(text);
    data->setText(unicode);
    if (html) {
        data->setHtml(unicode);
    }
    // The clipboard owns the data from here on.
    clipboard->setMimeData(data);
    return true;
}

} // namespace quillora
