// Main window: media and groups copied to and pasted from the clipboard.
#include "app/MainFrame.h"

#include "app/TobCaseDoc.h"
#include "app/TobCaseList.h"
#include "app/TobCaseView.h"
#include "model/CMediaPayload.h"
#include "model/SFileInfo.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace quillora {

std::vector<const SFileInfo*> CMainFrame::MediaCopySelection() const {
    std::vector<const SFileInfo*> records;
    if (!m_bListFocus) {
        if (const SFileInfo* node = m_pTree->Current()) {
            records.push_back(node);
        }
        return records;
    }
    for (const SFileInfo* record : m_pList->Selected()) {
        records.push_back(record);
    }
    return records;
}

bool CMainFrame::OnCopyMedia() {
    std::vector<const SFileInfo*> records = MediaCopySelection();
    std::erase_if(records,
                  [](const SFileInfo* r) { return !r->HasFlags(kFlagMedium | kFlagGroup); });
    if (records.empty()) {
        return false;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::string bytes = WriteMediaPayload(records);
    QApplication::restoreOverrideCursor();
    auto* data = new QMimeData;
    data->setData(kMediaClipboardMime,
                  QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    // The clipboard takes the data over.
    QGuiApplication::clipboard()->setMimeData(data);
    return true;
}

bool CMainFrame::ClipboardHasMedia() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasFormat(kMediaClipboardMime);
}

std::size_t CMainFrame::OnPasteMedia() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasFormat(kMediaClipboardMime)) {
        return 0;
    }
    const QByteArray bytes = data->data(kMediaClipboardMime);
    if (bytes.isEmpty()) {
        return 0;
    }
    std::size_t pasted =
        m_doc.Core().PasteMedia({reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                 static_cast<std::size_t>(bytes.size())},
                                m_pTree->Current());
    RefreshViews();
    return pasted;
}

} // namespace quillora
