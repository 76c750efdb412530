// Queued calls from the case search's threads to its dialog.
#include "app/find/CCaseSearchRelay.h"

#include "app/find/CCaseFindDlg.h"

#include <QMetaObject>

namespace quillora {

// The dialog is the calls' context object: Qt drops them when it is destroyed.

void CCaseSearchRelay::Listed(const std::vector<SCaseFileEntry>& entries) {
    CCaseFindDlg* dialog = m_dialog;
    QMetaObject::invokeMethod(
        dialog, [dialog, entries] { dialog->OnListed(entries); }, Qt::QueuedConnection);
}

void CCaseSearchRelay::Searching(std::size_t index) {
    CCaseFindDlg* dialog = m_dialog;
    QMetaObject::invokeMethod(
        dialog, [dialog, index] { dialog->OnSearching(index); }, Qt::QueuedConnection);
}

void CCaseSearchRelay::Counted(std::size_t index, int count) {
    CCaseFindDlg* dialog = m_dialog;
    QMetaObject::invokeMethod(
        dialog, [dialog, index, count] { dialog->OnCounted(index, count); }, Qt::QueuedConnection);
}

void CCaseSearchRelay::Finished() {
    CCaseFindDlg* dialog = m_dialog;
    QMetaObject::invokeMethod(
        dialog, [dialog] { dialog->OnFinished(); }, Qt::QueuedConnection);
}

void CCaseSearchRelay::PasswordNeeded(const std::string& path, const std::string& filePassword) {
    CCaseFindDlg* dialog = m_dialog;
    QMetaObject::invokeMethod(
        dialog, [dialog, path, filePassword] { dialog->OnPasswordNeeded(path, filePassword); },
        Qt::QueuedConnection);
}

} // namespace quillora
