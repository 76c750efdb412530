// The dialog "名前の編集": a preset's name, which may not be empty.
#pragma once

#include "app/DialogMessage.h"

#include <QDialog>

#include <optional>

class QLineEdit;

namespace quillora {

class CNameEditDlg : public QDialog {
    Q_OBJECT
public:
    CNameEditDlg(const QString& name, QWidget* parent = nullptr);

    QString Name() const;
    QLineEdit* Edit() const { return m_edit; }
    void SetMessageSink(DialogMessageSink sink) { m_sink = std::move(sink); }
    // OK: an empty name is refused and the dialog stays.
    void accept() override;

    // Runs the dialog; the new name, or nothing when cancelled.
    static std::optional<QString> Ask(QWidget* parent, const QString& name);

private:
    QLineEdit* m_edit;
    DialogMessageSink m_sink;
};

} // namespace quillora
