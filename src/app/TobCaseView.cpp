// Case tree view.
#include "app/TobCaseView.h"

#include "app/CaseTreeModel.h"
#include "model/CCDCase.h"

#include <QContextMenuEvent>
#include <QHeaderView>

namespace quillora {

CTobCaseView::CTobCaseView(QWidget* parent)
    : QTreeView(parent), m_pModel(new CCaseTreeModel(this)) {
    setModel(m_pModel);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // The column is as wide as its widest shown node, and at least as wide as the
    // view: a deep or long name scrolls sideways instead of being cut.
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(this, &QTreeView::expanded, this,
            [this](const QModelIndex& index) { m_pModel->SetExpanded(index, true); });
    connect(this, &QTreeView::collapsed, this,
            [this](const QModelIndex& index) { m_pModel->SetExpanded(index, false); });
}

void CTobCaseView::SetCase(CCDCase* root) {
    m_pModel->SetCase(root);
    QModelIndex top = m_pModel->index(0, 0);
    if (top.isValid()) {
        setCurrentIndex(top);
        expand(top);
    }
}

SFileInfo* CTobCaseView::Current() const {
    return m_pModel->RecordOf(currentIndex());
}

SFileInfo* CTobCaseView::CurrentContainer() const {
    SFileInfo* record = Current();
    return record && record->HasFlags(kFlagCase | kFlagGroup) ? record : nullptr;
}

bool CTobCaseView::Select(const SFileInfo* record) {
    QModelIndex index = m_pModel->IndexOf(record);
    if (!index.isValid()) {
        return false;
    }
    setCurrentIndex(index);
    scrollTo(index);
    return true;
}

void CTobCaseView::SelectParent() {
    QModelIndex parent = currentIndex().parent();
    if (parent.isValid()) {
        setCurrentIndex(parent);
        scrollTo(parent);
    }
}

void CTobCaseView::EditLabel(const SFileInfo* record) {
    QModelIndex index = m_pModel->IndexOf(record);
    if (index.isValid()) {
        setCurrentIndex(index);
        scrollTo(index);
        edit(index);
    }
}

void CTobCaseView::Added(SFileInfo*, SFileInfo* record, bool expandIt) {
    m_pModel->Resync();
    QModelIndex index = m_pModel->IndexOf(record);
    if (!index.isValid()) {
        return;
    }
    // The container may not have been expandable before (a first group in an empty
    // case): open the way to the new node so that it shows and can be edited.
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) {
        expand(up);
    }
    setCurrentIndex(index);
    scrollTo(index);
    if (expandIt) {
        expand(index);
    }
}

void CTobCaseView::resizeEvent(QResizeEvent* event) {
    QTreeView::resizeEvent(event);
    header()->setMinimumSectionSize(viewport()->width());
}

void CTobCaseView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    emit CurrentRecordChanged(m_pModel->RecordOf(current));
}

void CTobCaseView::contextMenuEvent(QContextMenuEvent* event) {
    QModelIndex index = indexAt(event->pos());
    if (index.isValid()) {
        setCurrentIndex(index);
    }
    emit ContextMenuFor(m_pModel->RecordOf(index), event->globalPos());
}

} // namespace quillora
