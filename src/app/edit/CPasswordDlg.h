// CPasswordDlg: the password dialog ("ﾊﾟｽﾜｰﾄﾞ入力"): checks a typed password against a
// case's password, or sets (or clears) a case's password.
#pragma once

#include "app/DialogMessage.h"
#include "document/IDocumentUi.h"

#include <QDialog>

#include <optional>
#include <string>

class QLineEdit;

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

    std::string Text() const;
    void SetText(const std::string& text);
    // Refusals go here instead of a message box when set.
    void SetMessageSink(DialogMessageSink sink) { m_sink = std::move(sink); }

    void accept() override;

private:
    PasswordMode m_mode;
    std::string m_password;
    QLineEdit* m_edit = nullptr;
    DialogMessageSink m_sink;
};

} // namespace quillora
