// CPasswordDlg: the password dialog ("ﾊﾟｽﾜｰﾄﾞ入力"): checks a typed password against a
// case's password, or sets (or clears) a case's password.
#pragma once

#include "app/DialogMessage.h"
#include "document/IDocumentUi.h"

#include <QDialog>

#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quillora {

class CPasswordDlg : public QDialog {
    Q_OBJECT

public:
    // Check mode: `password` is the text to check against; the edit starts empty.
    // Set mode: `password` is the current password, preset in the edit.
    // `fileName` is the case file's path, shown below the edit.
    CPasswordDlg(PasswordMode mode, const std::string& fileName, const std::string& password,
                 QWidget* parent = nullptr);

    // Runs the dialog modally. Check mode: the text (equal to `password`) on OK;
    // Set mode: the text entered (empty: no password). nullopt when cancelled.
    static std::optional<std::string> Ask(QWidget* parent, PasswordMode mode,
                                          const std::string& fileName, const std::string& password);

    // Why OK refuses `text`: the resource id of the message (538 too short, 539 not
    // the password), or 0 when it is accepted.
    static int RefusalFor(PasswordMode mode, const std::string& text, const std::string& password);

    // Why a password to be set cannot be stored (CP932 lacks one of its characters,
    // or it is longer than 16 bytes in CP932); empty when it can. While there is a
    // reason, OK stays disabled and the reason shows under the edit.
    static std::string StorageProblem(const std::string& text);

    QPushButton* OkButton() const { return m_ok; }
    // The reason shown under the edit (empty when none).
    std::string ShownProblem() const;

    std::string Text() const;
    void SetText(const std::string& text);
    // Refusals go here instead of a message box when set.
    void SetMessageSink(DialogMessageSink sink) { m_sink = std::move(sink); }

    void accept() override;

private:
    PasswordMode m_mode;
    std::string m_password;
    void UpdateOk();

    QLineEdit* m_edit = nullptr;
    QLabel* m_problem = nullptr;
    QPushButton* m_ok = nullptr;
    DialogMessageSink m_sink;
};

} // namespace quillora
