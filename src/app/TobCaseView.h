// The case tree view: the case, its groups, media and folders; labels of media and
// groups are edited in place.
#pragma once

#include <QTreeView>

namespace quillora {

class CCaseTreeModel;
class CCDCase;
class SFileInfo;

class CTobCaseView : public QTreeView {
    Q_OBJECT
public:
    explicit CTobCaseView(QWidget* parent = nullptr);

    CCaseTreeModel& Model() { return *m_pModel; }
    void SetCase(CCDCase* root);

    // The record of the current node (null when none).
    SFileInfo* Current() const;
    // The current node when it is the case or a group, else null.
    SFileInfo* CurrentContainer() const;
    // Makes the record's node current and visible; false when the tree does not show it.
    bool Select(const SFileInfo* record);
    // Moves to the parent of the current node.
    void SelectParent();
    // Starts in-place editing of a medium's or group's label.
    void EditLabel(const SFileInfo* record);
    // A medium or group was added below `container`.
    void Added(SFileInfo* container, SFileInfo* record, bool expand);

signals:
    void CurrentRecordChanged(SFileInfo* record);
    void ContextMenuFor(SFileInfo* record, const QPoint& globalPos);

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    CCaseTreeModel* m_pModel;
};

} // namespace quillora
