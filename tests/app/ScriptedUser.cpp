// The scripted user of the GUI tests.
#include "ScriptedUser.h"

#include "app/edit/CCommentEditDlg.h"
#include "app/media/CAddMediaDlg.h"
#include "app/media/CCDInsertDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

namespace quillora::test {

CScriptedUser::CScriptedUser() {
    m_timer.setInterval(20);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Step(); });
    m_timer.start();
}

void CScriptedUser::Step() {
    QWidget* modal = QApplication::activeModalWidget();
    // Marked rather than remembered: a new box may reuse the address of the last.
    if (!modal || modal->property("answered").toBool()) {
        return;
    }
    if (auto* add = qobject_cast<CAddMediaDlg*>(modal)) {
        modal->setProperty("answered", true);
        auto* tabs = add->findChild<QTabWidget*>();
        m_addTabs.push_back(tabs ? tabs->currentIndex() : -1);
        int row = add->SelectedDriveRow();
        m_addDrives.push_back(row >= 0 ? add->DriveRows()[static_cast<std::size_t>(row)].m_root
                                       : std::string());
        std::string folder = m_addFolders.empty() ? std::string() : m_addFolders.front();
        if (!m_addFolders.empty()) {
            m_addFolders.pop_front();
        }
        if (folder.empty()) {
            add->reject();
            return;
        }
        add->SetTab(1);
        add->SetFolderText(folder);
        add->accept();
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        modal->setProperty("answered", true);
        m_messages.push_back(box->text());
        QMessageBox::StandardButton answer = QMessageBox::NoButton;
        if (!m_answers.empty()) {
            answer = m_answers.front();
            m_answers.pop_front();
        }
        QAbstractButton* button = box->defaultButton();
        if (answer != QMessageBox::NoButton) {
            button = box->button(answer);
        }
        if (!button) {
            button = box->buttons().front();
        }
        button->click();
    } else if (auto* loading = qobject_cast<CCDInsertDlg*>(modal)) {
        // Answered only once the scan has ended in its final state.
        if (loading->IsShowingReport()) {
            modal->setProperty("answered", true);
            m_scanReports.push_back(loading->PathLine());
            loading->AcceptReport();
        }
    } else if (auto* edit = qobject_cast<CCommentEditDlg*>(modal)) {
        modal->setProperty("answered", true);
        std::optional<std::string> comment;
        if (!m_comments.empty()) {
            comment = m_comments.front();
            m_comments.pop_front();
        }
        if (!comment) {
            edit->reject();
            return;
        }
        edit->CommentEdit()->setPlainText(QString::fromStdString(*comment));
        edit->accept();
    } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
        // Not marked answered: a dialog that did not take the answer (still reading
        // its folder) is answered again at the next step.
        if (!modal->property("seen").toBool()) {
            modal->setProperty("seen", true);
            QStringList shown;
            if (auto* types = dialog->findChild<QComboBox*>("fileTypeCombo")) {
                for (int i = 0; i < types->count(); ++i) {
                    shown << types->itemText(i);
                }
            }
            m_shownFilters.push_back(shown);
            auto* files = dialog->findChild<QFileSystemModel*>();
            m_appliedPatterns.push_back(files ? files->nameFilters() : QStringList());
            std::optional<std::string> file;
            if (!m_files.empty()) {
                file = m_files.front();
                m_files.pop_front();
            }
            modal->setProperty("file", file ? QString::fromStdString(*file) : QString());
        }
        const QString file = modal->property("file").toString();
        if (file.isEmpty()) {
            dialog->reject();
            return;
        }
        // Typed as a whole path, as a user may, so nothing depends on the folder shown.
        if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit")) {
            name->setText(file);
        }
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept, checking the name
    }
}

} // namespace quillora::test
