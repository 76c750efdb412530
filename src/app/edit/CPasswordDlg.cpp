// The password dialog.
#include "app/edit/CPasswordDlg.h"

#include "core/Resources.h"
#include "model/CCDCase.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillora {

namespace {

constexpr int kMinPasswordLength = 4;
constexpr int kMaxPasswordLength = 16;
// Why a password cannot be set; the program never numbered these texts.
constexpr const char* kNotCp932 = "ﾊﾟｽﾜｰﾄﾞに使用できない文字が含まれています。";
constexpr const char* kTooLong = "ﾊﾟｽﾜｰﾄﾞは半角16文字(全角8文字)以内で入力してください。";

std::size_t CharacterCount(const std::string& text) {
    std::size_t count = 0;
    for (char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++count;
        }
    }
    return count;
}

} // namespace

CPasswordDlg::CPasswordDlg(PasswordMode mode, const std::string& fileName,
                           const std::string& password, QWidget* parent)
    : QDialog(parent), m_mode(mode), m_password(password) {
    const bool check = mode == PasswordMode::Check;
    setWindowTitle(QString::fromUtf8(Res(check ? 540 : 543)));

    auto* layout = new QVBoxLayout(this);
    auto* prompt = new QLabel(QString::fromUtf8(Res(check ? 541 : 542)), this);
    layout->addWidget(prompt);
    auto* hint = new QLabel(QString::fromUtf8("4～16文字の半角英数字を入力してください。"), this);
    layout->addWidget(hint);

    m_edit = new QLineEdit(this);
    m_edit->setEchoMode(QLineEdit::Password);
    m_edit->setMaxLength(kMaxPasswordLength);
    m_edit->setMinimumWidth(260);
    if (!check) {
        m_edit->setText(QString::fromStdString(password));
    }
    layout->addWidget(m_edit);

    m_problem = new QLabel(this);
    m_problem->setWordWrap(true);
    m_problem->setVisible(false);
    layout->addWidget(m_problem);

    auto* file = new QLabel(QString::fromStdString(fileName), this);
    file->setTextInteractionFlags(Qt::TextSelectableByMouse);
    file->setWordWrap(true);
    layout->addWidget(file);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("ｷｬﾝｾﾙ"));
    m_ok = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &CPasswordDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPasswordDlg::reject);
    layout->addWidget(buttons);
    if (!check) {
        connect(m_edit, &QLineEdit::textChanged, this, &CPasswordDlg::UpdateOk);
        UpdateOk();
    }
    m_edit->setFocus();
}

std::string CPasswordDlg::StorageProblem(const std::string& text) {
    switch (PasswordBytes(text)) {
    case EPasswordProblem::NotCp932:
        return kNotCp932;
    case EPasswordProblem::TooLong:
        return kTooLong;
    case EPasswordProblem::None:
        break;
    }
    return {};
}

std::string CPasswordDlg::ShownProblem() const {
    return m_problem->isHidden() ? std::string() : m_problem->text().toStdString();
}

void CPasswordDlg::UpdateOk() {
    const std::string problem = StorageProblem(Text());
    m_problem->setText(QString::fromStdString(problem));
    m_problem->setHidden(problem.empty());
    m_ok->setEnabled(problem.empty());
}

std::optional<std::string> CPasswordDlg::Ask(QWidget* parent, PasswordMode mode,
                                             const std::string& fileName,
                                             const std::string& password) {
    CPasswordDlg dialog(mode, fileName, password, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.Text();
}

int CPasswordDlg::RefusalFor(PasswordMode mode, const std::string& text,
                             const std::string& password) {
    const std::size_t length = CharacterCount(text);
    if (mode == PasswordMode::Set) {
        return text.empty() || length >= kMinPasswordLength ? 0 : 538;
    }
    if (length < kMinPasswordLength) {
        return 538;
    }
    return text == password ? 0 : 539;
}

std::string CPasswordDlg::Text() const {
    return m_edit->text().toStdString();
}

void CPasswordDlg::SetText(const std::string& text) {
    m_edit->setText(QString::fromStdString(text));
}

void CPasswordDlg::accept() {
    if (m_mode == PasswordMode::Set && !StorageProblem(Text()).empty()) {
        return;
    }
    const int refusal = RefusalFor(m_mode, Text(), m_password);
    if (refusal != 0) {
        ShowDialogMessage(this, m_sink, Res(refusal), QMessageBox::Warning);
        m_edit->selectAll();
        m_edit->setFocus();
        return;
    }
    QDialog::accept();
}

} // namespace quillora
