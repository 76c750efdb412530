// The export and import dialogs ("ｴｸｽﾎﾟｰﾄ形式", "ｲﾝﾎﾟｰﾄ形式"): the preset to use, the
// file, and for imports whether a medium being updated is compared first. On OK the
// choices are stored back into the preset set.
#pragma once

#include "app/DialogMessage.h"
#include "export/FormFormat.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace quillora {

class CFormConditionSet;

class CListFileDlg : public QDialog {
    Q_OBJECT
public:
    enum class EMode { Export, Import };

    // `set` is the format's preset set (edited in place on OK and by "編集(&E)...").
    CListFileDlg(EMode mode, EFormFormat format, CFormConditionSet& set, QWidget* parent = nullptr);

    QString FileName() const;
    void SetFileName(const QString& name);
    QComboBox* PresetCombo() const { return m_combo; }
    QCheckBox* ShowDiffCheck() const { return m_showDiff; }
    void SetMessageSink(DialogMessageSink sink) { m_sink = std::move(sink); }
    // What "編集(&E)..." opens (tests replace the dialog).
    void SetSettingsEditor(std::function<void()> editor) { m_editor = std::move(editor); }

    // OK: an empty file name is refused and the dialog stays.
    void accept() override;
    void Browse();
    void EditSettings();

private:
    void FillPresets();

    EMode m_mode;
    EFormFormat m_format;
    CFormConditionSet& m_set;
    QComboBox* m_combo = nullptr;
    QLineEdit* m_file = nullptr;
    QCheckBox* m_showDiff = nullptr;
    DialogMessageSink m_sink;
    std::function<void()> m_editor;
};

} // namespace quillora
