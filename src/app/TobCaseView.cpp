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
    setCurrentIndex(index);
    scrollTo(index);
    if (expandIt) {
        expand(index);
    }
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
