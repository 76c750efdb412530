// Options sheet pages: the shared controls and the default hooks.
#include "app/options/COptionPage.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace quillora {

SOptionHooks SOptionHooks::WithDefaults() const {
    SOptionHooks hooks = *this;
    if (!hooks.pickFolder) {
        hooks.pickFolder = [](QWidget* parent, const QString& title,
                              const std::string& start) -> std::optional<std::string> {
            QString folder =
                QFileDialog::getExistingDirectory(parent, title, QString::fromStdString(start));
            if (folder.isEmpty()) {
                return std::nullopt;
            }
            return folder.toStdString();
        };
    }
    if (!hooks.pickSound) {
        hooks.pickSound = [](QWidget* parent,
                             const std::string& start) -> std::optional<std::string> {
            QFileDialog dialog(parent, QString(), QString::fromStdString(start),
                               QString::fromUtf8("ｻｳﾝﾄﾞ(*.wav) (*.wav)"));
            dialog.setDefaultSuffix("wav");
            dialog.setFileMode(QFileDialog::ExistingFile);
            if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
                return std::nullopt;
            }
            return dialog.selectedFiles().front().toStdString();
        };
    }
    if (!hooks.warn) {
        hooks.warn = [](QWidget* parent, const QString& caption, const std::string& text) {
            QMessageBox box(QMessageBox::Warning, caption, QString::fromStdString(text),
                            QMessageBox::Ok, parent);
            box.exec();
        };
    }
    if (!hooks.ask) {
        hooks.ask = [](QWidget* parent, const std::string& text) {
            QMessageBox box(QMessageBox::Question, "Quillora", QString::fromStdString(text),
                            QMessageBox::Yes | QMessageBox::No, parent);
            box.button(QMessageBox::Yes)->setText(QString::fromUtf8("はい(&Y)"));
            box.button(QMessageBox::No)->setText(QString::fromUtf8("いいえ(&N)"));
            return box.exec() == QMessageBox::Yes;
        };
    }
    return hooks;
}

COptionPage::COptionPage(const char* caption, const SOptionHooks& hooks, QWidget* parent)
    : QWidget(parent), m_caption(QString::fromUtf8(caption)), m_hooks(hooks) {
    setObjectName(m_caption);
}

QCheckBox* COptionPage::AddCheck(const char* text, const char* key, int value) {
    auto* box = new QCheckBox(QString::fromUtf8(text), this);
    box->setObjectName(key);
    box->setChecked(value != 0);
    return box;
}

QWidget* COptionPage::FolderRow(QCheckBox* mode, QLineEdit*& edit, const char* key,
                                const std::string& folder) {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(20, 0, 0, 0);
    edit = new QLineEdit(QString::fromStdString(folder), row);
    edit->setObjectName(key);
    edit->setMinimumWidth(260);
    auto* browse = new QPushButton(QString::fromUtf8("参照(&R)..."), row);
    browse->setObjectName(QString(key) + "Browse");
    layout->addWidget(edit, 1);
    layout->addWidget(browse);
    QLineEdit* target = edit;
    connect(browse, &QPushButton::clicked, this, [this, target] {
        if (auto chosen = m_hooks.pickFolder(this, QString::fromUtf8(kFolderPickerTitle),
                                             target->text().toStdString())) {
            target->setText(QString::fromStdString(*chosen));
        }
    });
    auto follow = [edit, browse](bool on) {
        edit->setEnabled(on);
        browse->setEnabled(on);
    };
    connect(mode, &QCheckBox::toggled, this, follow);
    follow(mode->isChecked());
    return row;
}

} // namespace quillora
