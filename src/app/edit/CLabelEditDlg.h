// CLabelEditDlg: the label dialog ("ﾗﾍﾞﾙの編集"): renames, reorders and sorts the media
// and groups of a group or of the case, applied in one step on OK.
#pragma once

#include "model/CLabelEditModel.h"

#include <QDialog>

#include <cstddef>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace quillora {

class SFileInfo;

class CLabelEditDlg : public QDialog {
    Q_OBJECT

public:
    // Edits the work list of `model`, which must outlive the dialog.
    explicit CLabelEditDlg(CLabelEditModel& model, QWidget* parent = nullptr);

    // Runs the dialog on the children of `container` (a group or the case). On OK
    // the records take their labels and the container's children the new order
    // (CLabelEditModel::Apply); the caller then rebuilds the container's tree items,
    // refreshes and sets the modified flag. True when applied.
    static bool Run(QWidget* parent, SFileInfo& container);

    // The selected row; CLabelEditModel::npos without one.
    std::size_t SelectedRow() const;
    void SelectRow(std::size_t row);

    // The buttons' and the context menu's actions.
    void EditSelected();
    void RevertSelected();
    void MoveSelectedUp();
    void MoveSelectedDown();
    void SortLabels();

    QTreeWidget* List() const { return m_list; }
    QPushButton* EditButton() const { return m_edit; }
    QPushButton* SortButton() const { return m_sort; }
    QPushButton* UpButton() const { return m_up; }
    QPushButton* DownButton() const { return m_down; }

    void accept() override;

private:
    void Rebuild(std::size_t select);
    void UpdateButtons();
    void OnItemChanged(QTreeWidgetItem* item, int column);
    void OnContextMenu(const QPoint& position);

    CLabelEditModel& m_model;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_sort = nullptr;
    QPushButton* m_up = nullptr;
    QPushButton* m_down = nullptr;
    bool m_rebuilding = false;
};

} // namespace quillora
