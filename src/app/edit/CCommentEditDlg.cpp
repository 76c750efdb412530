// The comment edit dialog.
#include "app/edit/CCommentEditDlg.h"

#include "app/DialogMessage.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <exception>

namespace quillora {

namespace {

constexpr const char* kCaption = "ｺﾒﾝﾄ編集";

// Keeps the wait cursor for the life of a scope, also when the work throws.
class CWaitCursor {
public:
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

} // namespace

CCommentEditDlg::CCommentEditDlg(CCommentEditModel& model, CCommentEditModel::Extractor extract,
                                 QWidget* parent)
    : QDialog(parent), m_model(model), m_extract(std::move(extract)) {
    setWindowTitle(QString::fromStdString(model.Caption(kCaption)));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;

    m_category = new QComboBox(this);
    m_category->setEditable(true);
    m_category->setInsertPolicy(QComboBox::NoInsert);
    for (const auto& choice : model.CategoryChoices()) {
        m_category->addItem(QString::fromStdString(choice));
    }
    m_category->setCurrentText(QString::fromStdString(model.m_strCategory));
    form->addRow(QString::fromUtf8("分類(&G):"), m_category);
    layout->addLayout(form);

    auto* commentLabel = new QLabel(QString::fromUtf8("ｺﾒﾝﾄ(&M):"), this);
    m_comment = new QPlainTextEdit(this);
    m_comment->setPlainText(QString::fromStdString(model.m_strComment));
    m_comment->setMinimumSize(380, 180);
    commentLabel->setBuddy(m_comment);
    layout->addWidget(commentLabel);
    layout->addWidget(m_comment, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("ｷｬﾝｾﾙ"));
    m_extractButton =
        buttons->addButton(QString::fromUtf8("自動抽出(&A)"), QDialogButtonBox::ActionRole);
    if (!m_extract) {
        m_extractButton->setEnabled(false);
        m_extractButton->setToolTip(
            QString::fromUtf8("ｺﾒﾝﾄの自動抽出はこのﾌﾟﾛｸﾞﾗﾑにまだ組み込まれていません。"));
    } else {
        m_extractButton->setEnabled(model.CanExtract());
    }
    connect(m_extractButton, &QPushButton::clicked, this, &CCommentEditDlg::OnExtract);
    connect(buttons, &QDialogButtonBox::accepted, this, &CCommentEditDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CCommentEditDlg::reject);
    layout->addWidget(buttons);
    m_comment->setFocus();
}

bool CCommentEditDlg::Run(QWidget* parent, SFileInfo& record, std::vector<std::string>& categories,
                          CCommentEditModel::Extractor extract) {
    CCommentEditModel model(record, categories);
    CCommentEditDlg dialog(model, std::move(extract), parent);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    model.ApplyTo(record);
    return true;
}

void CCommentEditDlg::OnExtract() {
    if (!m_extract || !m_model.CanExtract()) {
        return;
    }
    m_model.m_strComment = m_comment->toPlainText().toStdString();
    {
        CWaitCursor wait;
        try {
            m_model.AutoExtract(m_extract);
        } catch (const std::exception& error) {
            ShowDialogMessage(this, {}, error.what(), QMessageBox::Warning);
        }
    }
    m_comment->setPlainText(QString::fromStdString(m_model.m_strComment));
}

void CCommentEditDlg::accept() {
    m_model.m_strComment = m_comment->toPlainText().toStdString();
    m_model.m_strCategory = m_category->currentText().toStdString();
    m_model.Accept();
    QDialog::accept();
}

} // namespace quillora
