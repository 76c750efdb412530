// CCommentEditDlg: the comment edit dialog ("ｺﾒﾝﾄ編集"): a record's comment and
// category, with the automatic extraction of the comment when the caller offers one.
#pragma once

#include "model/CCommentEditModel.h"

#include <QDialog>

#include <string>
#include <vector>

class QComboBox;
class QPlainTextEdit;
class QPushButton;

namespace quillora {

class SFileInfo;

class CCommentEditDlg : public QDialog {
    Q_OBJECT

public:
    // Edits `model` (which must outlive the dialog). `extract` runs the comment
    // extraction on the record; it makes sure the record's medium is present first
    // and returns false when it is not or nothing was extracted. Without one the
    // automatic-extraction button stays disabled.
    CCommentEditDlg(CCommentEditModel& model, CCommentEditModel::Extractor extract = {},
                    QWidget* parent = nullptr);

    // Runs the dialog on `record`; on OK a new category joins `categories` (the
    // configured list) and the record takes the two texts. True on OK.
    static bool Run(QWidget* parent, SFileInfo& record, std::vector<std::string>& categories,
                    CCommentEditModel::Extractor extract = {});

    QPlainTextEdit* CommentEdit() const { return m_comment; }
    QComboBox* CategoryCombo() const { return m_category; }
    QPushButton* ExtractButton() const { return m_extractButton; }

    void accept() override;

private:
    void OnExtract();

    CCommentEditModel& m_model;
    CCommentEditModel::Extractor m_extract;
    QComboBox* m_category = nullptr;
    QPlainTextEdit* m_comment = nullptr;
    QPushButton* m_extractButton = nullptr;
};

} // namespace quillora
