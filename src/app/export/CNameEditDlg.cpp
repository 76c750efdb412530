// The name dialog of the presets.
#include "app/export/CNameEditDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillora {

CNameEditDlg::CNameEditDlg(const QString& name, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8("名前の編集"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QString::fromUtf8("名前(&N) :"), this);
    m_edit = new QLineEdit(name, this);
    m_edit->setMinimumWidth(260);
    label->setBuddy(m_edit);
    layout->addWidget(label);
    layout->addWidget(m_edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("ｷｬﾝｾﾙ"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CNameEditDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString CNameEditDlg::Name() const {
    return m_edit->text();
}

void CNameEditDlg::accept() {
    if (m_edit->text().isEmpty()) {
        ShowDialogMessage(this, m_sink, "名前欄に1文字以上の文字を入力してください。");
        return;
    }
    QDialog::accept();
}

std::optional<QString> CNameEditDlg::Ask(QWidget* parent, const QString& name) {
    CNameEditDlg dialog(name, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.Name();
}

} // namespace quillora
