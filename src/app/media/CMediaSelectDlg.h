// CMediaSelectDlg: the same-medium dialog ("ﾒﾃﾞｨｱ選択 <ｹｰｽ内に同一ﾒﾃﾞｨｱが存在します。>"):
// the chosen drive holds a medium the case already has; update one of them or add
// the medium again.
#pragma once

#include "app/DialogMessage.h"
#include "document/IDocumentUi.h"

#include <QDialog>

#include <cstdint>
#include <string>

class QTreeWidget;

namespace quillora {

class SFileInfo;

class CMediaSelectDlg : public QDialog {
    Q_OBJECT

public:
    // The candidates of `request` must outlive the dialog.
    explicit CMediaSelectDlg(const SMediaSelectRequest& request, QWidget* parent = nullptr);

    // Runs the dialog: Update with the chosen medium, Add, or Cancel.
    static SMediaSelectAnswer Run(QWidget* parent, const SMediaSelectRequest& request);

    // "更新(&U)": without a selected row shows string 513 and stays open.
    void ChooseUpdate();
    // "追加(&A)".
    void ChooseAdd();

    const SMediaSelectAnswer& Answer() const { return m_answer; }
    QTreeWidget* List() const { return m_list; }
    void SetMessageSink(DialogMessageSink sink) { m_sink = std::move(sink); }

    // The labels of the groups enclosing `record`, from the outermost, joined by "\".
    static std::string GroupPath(const SFileInfo& record);

private:
    SMediaSelectRequest m_request;
    SMediaSelectAnswer m_answer;
    QTreeWidget* m_list = nullptr;
    DialogMessageSink m_sink;
};

} // namespace quillora
