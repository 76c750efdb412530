// Case tree model with lazily filled nodes.
#include "app/CaseTreeModel.h"

#include "app/IconFactory.h"
#include "app/NameOrder.h"
#include "core/ConfigData.h"
#include "model/CCDCase.h"
#include "model/CaseEditing.h"
#include "model/RecordCompare.h"
#include "model/SVolumeInfo.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace quillora {

namespace {

// Category and comment are shown as one line of at most this many bytes.
constexpr std::size_t kNodeTextWidth = 128;

bool InArchive(const SFileInfo& r) {
    return r.HasFlags(kFlagListedArchive | kFlagArcEntry);
}

} // namespace

CCaseTreeModel::CCaseTreeModel(QObject* parent)
    : QAbstractItemModel(parent), m_root(std::make_unique<SNode>()) {}

CCaseTreeModel::~CCaseTreeModel() = default;

bool CCaseTreeModel::IsTreeChild(const SFileInfo& record) {
    return record.HasFlags(kFlagMedium | kFlagGroup) || record.IsDirectory();
}

std::vector<SFileInfo*> CCaseTreeModel::TreeChildren(const SFileInfo& record) {
    std::vector<SFileInfo*> out;
    for (const auto& child : record.Children()) {
        if (IsTreeChild(*child)) {
            out.push_back(child.get());
        }
    }
    bool container = record.HasFlags(kFlagCase | kFlagGroup);
    if (container && !Config().m_nFolderMediaSort) {
        return out;
    }
    bool arcLast = Config().m_nGroupArcView != 0;
    std::vector<std::pair<std::string, SFileInfo*>> keyed;
    keyed.reserve(out.size());
    for (SFileInfo* child : out) {
        keyed.emplace_back(CNameOrder::Key(child->GetDisplayName()), child);
    }
    std::stable_sort(keyed.begin(), keyed.end(), [arcLast](const auto& a, const auto& b) {
        if (arcLast && InArchive(*a.second) != InArchive(*b.second)) {
            return InArchive(*b.second);
        }
        return a.first < b.first;
    });
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        out[i] = keyed[i].second;
    }
    return out;
}

QString CCaseTreeModel::NodeText(const SFileInfo& record) {
    std::string text = record.GetDisplayName();
    if (Config().m_nFolderAddCategory && !record.Category().empty()) {
        text += " (" + record.TextOneLine(1, kNodeTextWidth) + ")";
    }
    if (Config().m_nFolderAddComment && !record.Comment().empty()) {
        text += " [" + record.TextOneLine(0, kNodeTextWidth) + "]";
    }
    return QString::fromStdString(text);
}

std::pair<int, int> CCaseTreeModel::NodeImages(const SFileInfo& record, bool expanded) {
    if (record.HasFlags(kFlagCase)) {
        return expanded ? std::pair{2, 2} : std::pair{1, 1};
    }
    if (record.HasFlags(kFlagGroup)) {
        return {20, 21};
    }
    if (record.HasFlags(kFlagMedium)) {
        bool present = static_cast<const SVolumeInfo&>(record).m_bPresent != 0;
        switch (record.MediumKind()) {
        case kFlagCdRom:
            return present ? std::pair{5, 7} : std::pair{4, 6};
        case kFlagRemovable:
            return present ? std::pair{13, 15} : std::pair{12, 14};
        case kFlagRemote:
            return {24, 25};
        default:
            return {22, 23};
        }
    }
    int marked = IsMarked(record) ? 1 : 0;
    if (record.HasFlags(kFlagListedArchive)) {
        return {16 + marked * 2, 17 + marked * 2};
    }
    return {8 + marked, 10 + marked};
}

void CCaseTreeModel::SetCase(CCDCase* root) {
    beginResetModel();
    m_pCase = root;
    m_root = std::make_unique<SNode>();
    if (root) {
        auto node = std::make_unique<SNode>();
        node->m_pRecord = root;
        node->m_pParent = m_root.get();
        m_root->m_children.push_back(std::move(node));
    }
    m_root->m_bFilled = true;
    endResetModel();
}

CCaseTreeModel::SNode* CCaseTreeModel::NodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<SNode*>(index.internalPointer()) : m_root.get();
}

QModelIndex CCaseTreeModel::IndexOfNode(const SNode* node) const {
    if (!node || node == m_root.get()) {
        return {};
    }
    return createIndex(node->m_nRow, 0, const_cast<SNode*>(node));
}

SFileInfo* CCaseTreeModel::RecordOf(const QModelIndex& index) const {
    return index.isValid() ? NodeOf(index)->m_pRecord : nullptr;
}

void CCaseTreeModel::Fill(SNode& node) const {
    if (node.m_bFilled) {
        return;
    }
    node.m_bFilled = true;
    std::vector<SFileInfo*> children = TreeChildren(*node.m_pRecord);
    node.m_children.reserve(children.size());
    for (SFileInfo* record : children) {
        auto child = std::make_unique<SNode>();
        child->m_pRecord = record;
        child->m_pParent = &node;
        child->m_nRow = static_cast<int>(node.m_children.size());
        node.m_children.push_back(std::move(child));
    }
    node.m_nHasChildren = node.m_children.empty() ? 0 : 1;
}

QModelIndex CCaseTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) {
        return {};
    }
    SNode* node = NodeOf(parent);
    Fill(*node);
    if (static_cast<std::size_t>(row) >= node->m_children.size()) {
        return {};
    }
    return createIndex(row, 0, node->m_children[static_cast<std::size_t>(row)].get());
}

QModelIndex CCaseTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) {
        return {};
    }
    return IndexOfNode(NodeOf(child)->m_pParent);
}

int CCaseTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) {
        return 0;
    }
    SNode* node = NodeOf(parent);
    Fill(*node);
    return static_cast<int>(node->m_children.size());
}

int CCaseTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool CCaseTreeModel::hasChildren(const QModelIndex& parent) const {
    if (parent.column() > 0) {
        return false;
    }
    SNode* node = NodeOf(parent);
    if (node->m_bFilled) {
        return !node->m_children.empty();
    }
    if (node->m_nHasChildren < 0) {
        const auto& children = node->m_pRecord->Children();
        node->m_nHasChildren = std::any_of(children.begin(), children.end(),
                                           [](const auto& c) { return IsTreeChild(*c); });
    }
    return node->m_nHasChildren != 0;
}

QVariant CCaseTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const SNode* node = NodeOf(index);
    const SFileInfo& record = *node->m_pRecord;
    switch (role) {
    case Qt::DisplayRole:
        return NodeText(record);
    case Qt::EditRole:
        if (record.HasFlags(kFlagMedium | kFlagGroup)) {
            return QString::fromStdString(static_cast<const SVolumeInfo&>(record).GetLabel());
        }
        return QString::fromStdString(record.GetDisplayName());
    case Qt::DecorationRole: {
        auto [normal, selected] = NodeImages(record, node->m_bExpanded);
        return CIconFactory::Instance().TreeIcon(normal, selected);
    }
    case kRecordRole:
        return QVariant::fromValue(static_cast<void*>(node->m_pRecord));
    default:
        return {};
    }
}

bool CCaseTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) {
        return false;
    }
    auto& volume = static_cast<SVolumeInfo&>(*NodeOf(index)->m_pRecord);
    std::string label = value.toString().toStdString();
    if (label == volume.GetLabel()) {
        return false;
    }
    volume.SetLabel(label);
    volume.UpdateDisplayName();
    emit dataChanged(index, index);
    emit LabelEdited(&volume);
    return true;
}

Qt::ItemFlags CCaseTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (NodeOf(index)->m_pRecord->HasFlags(kFlagMedium | kFlagGroup)) {
        f |= Qt::ItemIsEditable;
    }
    return f;
}

CCaseTreeModel::SNode* CCaseTreeModel::FindNode(SNode& from, const SFileInfo* record) {
    if (from.m_pRecord == record) {
        return &from;
    }
    for (auto& child : from.m_children) {
        if (SNode* found = FindNode(*child, record)) {
            return found;
        }
    }
    return nullptr;
}

QModelIndex CCaseTreeModel::IndexOf(const SFileInfo* record) {
    if (!record || !m_pCase || !(record == m_pCase || IsTreeChild(*record))) {
        return {};
    }
    std::vector<const SFileInfo*> chain;
    for (const SFileInfo* r = record; r; r = r->GetParent()) {
        chain.push_back(r);
    }
    if (chain.back() != m_pCase) {
        return {};
    }
    SNode* node = m_root->m_children.front().get();
    for (auto it = chain.rbegin() + 1; it != chain.rend(); ++it) {
        Fill(*node);
        auto found = std::find_if(node->m_children.begin(), node->m_children.end(),
                                  [&](const auto& c) { return c->m_pRecord == *it; });
        if (found == node->m_children.end()) {
            return {};
        }
        node = found->get();
    }
    return IndexOfNode(node);
}

void CCaseTreeModel::Resync() {
    if (m_root->m_children.empty()) {
        return;
    }
    Resync(*m_root->m_children.front());
}

void CCaseTreeModel::Resync(SNode& node) {
    QModelIndex index = IndexOfNode(&node);
    emit dataChanged(index, index);
    if (!node.m_bFilled && node.m_nHasChildren == 0) {
        // The view was told this node has no children and keeps it laid out so: rows
        // that come now must be announced, or they stay hidden until it is reopened (the
        // first medium pasted or group added into an empty case).
        node.m_bFilled = true;
    }
    if (!node.m_bFilled) {
        node.m_nHasChildren = -1;
        return;
    }
    const std::vector<SFileInfo*> wanted = TreeChildren(*node.m_pRecord);
    RemoveGone(node, wanted);
    InsertNew(node, wanted);
    Reorder(node, wanted);
    for (auto& child : node.m_children) {
        Resync(*child);
    }
}

void CCaseTreeModel::RemoveGone(SNode& node, const std::vector<SFileInfo*>& wanted) {
    const std::unordered_set<const SFileInfo*> keep(wanted.begin(), wanted.end());
    const QModelIndex index = IndexOfNode(&node);
    // From the end, one block of neighbouring rows at a time.
    int last = static_cast<int>(node.m_children.size()) - 1;
    while (last >= 0) {
        if (keep.count(node.m_children[static_cast<std::size_t>(last)]->m_pRecord)) {
            --last;
            continue;
        }
        int first = last;
        while (first > 0 &&
               !keep.count(node.m_children[static_cast<std::size_t>(first - 1)]->m_pRecord)) {
            --first;
        }
        beginRemoveRows(index, first, last);
        node.m_children.erase(node.m_children.begin() + first, node.m_children.begin() + last + 1);
        for (std::size_t row = 0; row < node.m_children.size(); ++row) {
            node.m_children[row]->m_nRow = static_cast<int>(row);
        }
        endRemoveRows();
        last = first - 1;
    }
}

void CCaseTreeModel::InsertNew(SNode& node, const std::vector<SFileInfo*>& wanted) {
    std::unordered_set<const SFileInfo*> have;
    for (const auto& child : node.m_children) {
        have.insert(child->m_pRecord);
    }
    std::vector<SFileInfo*> added;
    for (SFileInfo* record : wanted) {
        if (!have.count(record)) {
            added.push_back(record);
        }
    }
    if (added.empty()) {
        return;
    }
    // Appended as one block; Reorder puts them in their places.
    const int first = static_cast<int>(node.m_children.size());
    beginInsertRows(IndexOfNode(&node), first, first + static_cast<int>(added.size()) - 1);
    for (SFileInfo* record : added) {
        auto child = std::make_unique<SNode>();
        child->m_pRecord = record;
        child->m_pParent = &node;
        child->m_nRow = static_cast<int>(node.m_children.size());
        node.m_children.push_back(std::move(child));
    }
    node.m_nHasChildren = 1;
    endInsertRows();
}

void CCaseTreeModel::Reorder(SNode& node, const std::vector<SFileInfo*>& wanted) {
    bool same = wanted.size() == node.m_children.size();
    for (std::size_t i = 0; same && i < wanted.size(); ++i) {
        same = node.m_children[i]->m_pRecord == wanted[i];
    }
    if (same) {
        return;
    }
    const QModelIndex index = IndexOfNode(&node);
    emit layoutAboutToBeChanged({QPersistentModelIndex(index)},
                                QAbstractItemModel::VerticalSortHint);
    std::unordered_map<const SFileInfo*, std::unique_ptr<SNode>> byRecord;
    for (auto& child : node.m_children) {
        byRecord.emplace(child->m_pRecord, std::move(child));
    }
    node.m_children.clear();
    for (SFileInfo* record : wanted) {
        auto found = byRecord.find(record);
        if (found != byRecord.end()) {
            found->second->m_nRow = static_cast<int>(node.m_children.size());
            node.m_children.push_back(std::move(found->second));
        }
    }
    // Nodes keep their identity: a persistent index (the current node, an expanded
    // one) follows its node to its new row.
    const QModelIndexList persistent = persistentIndexList();
    QModelIndexList from;
    QModelIndexList to;
    for (const QModelIndex& p : persistent) {
        auto* child = static_cast<SNode*>(p.internalPointer());
        if (child && child->m_pParent == &node && p.row() != child->m_nRow) {
            from.push_back(p);
            to.push_back(createIndex(child->m_nRow, p.column(), child));
        }
    }
    changePersistentIndexList(from, to);
    emit layoutChanged({QPersistentModelIndex(index)}, QAbstractItemModel::VerticalSortHint);
}

void CCaseTreeModel::ReplaceRecord(const SFileInfo* oldRecord, SFileInfo* newRecord) {
    if (m_root->m_children.empty()) {
        return;
    }
    SNode* node = FindNode(*m_root->m_children.front(), oldRecord);
    if (!node) {
        return;
    }
    node->m_pRecord = newRecord;
    Refill(*node);
    QModelIndex index = IndexOfNode(node);
    emit dataChanged(index, index);
}

void CCaseTreeModel::Refill(SNode& node) {
    QModelIndex index = IndexOfNode(&node);
    if (!node.m_children.empty()) {
        beginRemoveRows(index, 0, static_cast<int>(node.m_children.size()) - 1);
        node.m_children.clear();
        endRemoveRows();
    }
    std::size_t wanted = TreeChildren(*node.m_pRecord).size();
    node.m_bFilled = false;
    if (wanted == 0) {
        Fill(node);
        return;
    }
    beginInsertRows(index, 0, static_cast<int>(wanted) - 1);
    Fill(node);
    endInsertRows();
}

void CCaseTreeModel::SetExpanded(const QModelIndex& index, bool expanded) {
    if (!index.isValid()) {
        return;
    }
    NodeOf(index)->m_bExpanded = expanded;
    emit dataChanged(index, index, {Qt::DecorationRole});
}

} // namespace quillora
