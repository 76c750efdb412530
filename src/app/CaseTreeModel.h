// The case tree's model: the case root and, below every node, its media, groups and
// folders. Nodes are filled when first asked for, so a case of a million records
// opens at once; files never appear here, only in the list.
#pragma once

#include <QAbstractItemModel>

#include <memory>
#include <utility>
#include <vector>

namespace quillora {

class CCDCase;
class SFileInfo;

class CCaseTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    static constexpr int kRecordRole = Qt::UserRole + 1;

    explicit CCaseTreeModel(QObject* parent = nullptr);
    ~CCaseTreeModel() override;

    // Shows another case (null: none). Resets the model.
    void SetCase(CCDCase* root);
    CCDCase* Case() const { return m_pCase; }

    SFileInfo* RecordOf(const QModelIndex& index) const;
    // The node of a record that the tree shows (filling the nodes on its way);
    // invalid for records the tree does not show.
    QModelIndex IndexOf(const SFileInfo* record);

    // Brings the filled nodes in line with the case after any change: rows of removed
    // records go, rows of new ones come, rows are put in order, every node is redrawn;
    // nodes of records still shown are kept (with their expansion in the view).
    void Resync();
    // `oldRecord` is about to be deleted and `newRecord` takes its place.
    void ReplaceRecord(const SFileInfo* oldRecord, SFileInfo* newRecord);
    // The case root shows an open case while expanded.
    void SetExpanded(const QModelIndex& index, bool expanded);

    // Whether the record appears in the tree (media, groups, folders).
    static bool IsTreeChild(const SFileInfo& record);
    // The node text with the category and comment the view options ask for.
    static QString NodeText(const SFileInfo& record);
    // Normal and selected image of the tree strip.
    static std::pair<int, int> NodeImages(const SFileInfo& record, bool expanded);
    // The children the node shows, in their order.
    static std::vector<SFileInfo*> TreeChildren(const SFileInfo& record);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // A medium's or group's label was edited in place.
    void LabelEdited(SFileInfo* record);

private:
    struct SNode {
        SFileInfo* m_pRecord = nullptr;
        SNode* m_pParent = nullptr;
        int m_nRow = 0;
        bool m_bFilled = false;
        bool m_bExpanded = false;
        int m_nHasChildren = -1; // unknown until asked
        std::vector<std::unique_ptr<SNode>> m_children;
    };

    SNode* NodeOf(const QModelIndex& index) const;
    QModelIndex IndexOfNode(const SNode* node) const;
    void Fill(SNode& node) const;
    void Resync(SNode& node);
    // Resync's steps: rows of records no longer shown go, rows of new records come,
    // and the rows take the order of `wanted`; the other nodes (and what the view
    // knows of them, such as being expanded) stay.
    void RemoveGone(SNode& node, const std::vector<SFileInfo*>& wanted);
    void InsertNew(SNode& node, const std::vector<SFileInfo*>& wanted);
    void Reorder(SNode& node, const std::vector<SFileInfo*>& wanted);
    void Refill(SNode& node);
    SNode* FindNode(SNode& from, const SFileInfo* record);

    CCDCase* m_pCase = nullptr;
    // The invisible root; its one child is the case.
    std::unique_ptr<SNode> m_root;
};

} // namespace quillora
