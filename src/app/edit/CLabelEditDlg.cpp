// The label dialog.
#include "app/edit/CLabelEditDlg.h"

#include "app/MediaIcons.h"
#include "core/Resources.h"
#include "model/SFileInfo.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quillora {

CLabelEditDlg::CLabelEditDlg(CLabelEditModel& model, QWidget* parent)
    : QDialog(parent), m_model(model) {
    setWindowTitle(QString::fromUtf8("ﾗﾍﾞﾙの編集"));
    auto* layout = new QVBoxLayout(this);
    auto* caption = new QLabel(QString::fromUtf8("ﾗﾍﾞﾙﾘｽﾄ(&L)"), this);
    layout->addWidget(caption);

    auto* row = new QHBoxLayout;
    m_list = new QTreeWidget(this);
    m_list->setRootIsDecorated(false);
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({QString::fromUtf8(Res(324)), QString::fromUtf8(Res(325))});
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->setMinimumSize(360, 240);
    m_list->header()->setSectionResizeMode(QHeaderView::Stretch);
    caption->setBuddy(m_list);
    row->addWidget(m_list, 1);

    auto* side = new QVBoxLayout;
    m_edit = new QPushButton(QString::fromUtf8("名前の編集(&E)"), this);
    m_sort = new QPushButton(QString::fromUtf8("ｿｰﾄ(&S)"), this);
    m_up = new QPushButton(QString::fromUtf8("上へ(&U)"), this);
    m_down = new QPushButton(QString::fromUtf8("下へ(&D)"), this);
    for (auto* button : {m_edit, m_sort, m_up, m_down}) {
        button->setAutoDefault(false);
        side->addWidget(button);
    }
    side->addStretch(1);
    row->addLayout(side);
    layout->addLayout(row, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("ｷｬﾝｾﾙ"));
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &CLabelEditDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CLabelEditDlg::reject);
    connect(m_edit, &QPushButton::clicked, this, &CLabelEditDlg::EditSelected);
    connect(m_sort, &QPushButton::clicked, this, &CLabelEditDlg::SortLabels);
    connect(m_up, &QPushButton::clicked, this, &CLabelEditDlg::MoveSelectedUp);
    connect(m_down, &QPushButton::clicked, this, &CLabelEditDlg::MoveSelectedDown);
    connect(m_list, &QTreeWidget::itemChanged, this, &CLabelEditDlg::OnItemChanged);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CLabelEditDlg::UpdateButtons);
    connect(m_list, &QWidget::customContextMenuRequested, this, &CLabelEditDlg::OnContextMenu);
    Rebuild(0);
}

bool CLabelEditDlg::Run(QWidget* parent, SFileInfo& container) {
    CLabelEditModel model(container);
    CLabelEditDlg dialog(model, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    return model.Apply();
}

std::size_t CLabelEditDlg::SelectedRow() const {
    const auto* item = m_list->currentItem();
    if (item == nullptr || !item->isSelected()) {
        return CLabelEditModel::npos;
    }
    const int index = m_list->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(item));
    return index < 0 ? CLabelEditModel::npos : static_cast<std::size_t>(index);
}

void CLabelEditDlg::SelectRow(std::size_t row) {
    if (row >= m_model.Count()) {
        return;
    }
    auto* item = m_list->topLevelItem(static_cast<int>(row));
    m_list->setCurrentItem(item);
    item->setSelected(true);
    m_list->scrollToItem(item);
    UpdateButtons();
}

void CLabelEditDlg::Rebuild(std::size_t select) {
    m_rebuilding = true;
    m_list->clear();
    for (const auto& entry : m_model.Entries()) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(0, QString::fromStdString(entry.m_strLabel));
        item->setText(1, QString::fromStdString(CLabelEditModel::OriginalLabel(*entry.m_pRecord)));
        item->setIcon(0, MediaImageIcon(CLabelEditModel::ImageIndex(*entry.m_pRecord)));
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
    m_rebuilding = false;
    SelectRow(select < m_model.Count() ? select : 0);
    UpdateButtons();
}

void CLabelEditDlg::UpdateButtons() {
    const std::size_t selected = SelectedRow();
    m_edit->setEnabled(m_model.CanEdit(selected));
    m_sort->setEnabled(m_model.CanSort());
    m_up->setEnabled(m_model.CanMoveUp(selected));
    m_down->setEnabled(m_model.CanMoveDown(selected));
}

void CLabelEditDlg::EditSelected() {
    const std::size_t selected = SelectedRow();
    if (!m_model.CanEdit(selected)) {
        return;
    }
    m_list->editItem(m_list->topLevelItem(static_cast<int>(selected)), 0);
}

void CLabelEditDlg::RevertSelected() {
    const std::size_t selected = SelectedRow();
    if (!m_model.CanEdit(selected)) {
        return;
    }
    m_model.RevertToOriginal(selected);
    Rebuild(selected);
}

void CLabelEditDlg::MoveSelectedUp() {
    Rebuild(m_model.MoveUp(SelectedRow()));
}

void CLabelEditDlg::MoveSelectedDown() {
    Rebuild(m_model.MoveDown(SelectedRow()));
}

void CLabelEditDlg::SortLabels() {
    const std::size_t selected = SelectedRow();
    m_model.Sort();
    Rebuild(selected);
}

void CLabelEditDlg::OnItemChanged(QTreeWidgetItem* item, int column) {
    if (m_rebuilding || column != 0) {
        return;
    }
    const int index = m_list->indexOfTopLevelItem(item);
    if (index < 0) {
        return;
    }
    m_model.SetLabel(static_cast<std::size_t>(index), item->text(0).toStdString());
}

void CLabelEditDlg::OnContextMenu(const QPoint& position) {
    auto* item = m_list->itemAt(position);
    if (item == nullptr) {
        return;
    }
    SelectRow(static_cast<std::size_t>(m_list->indexOfTopLevelItem(item)));
    QMenu menu(this);
    menu.addAction(QString::fromUtf8("名前の編集(&E)"), this, &CLabelEditDlg::EditSelected);
    menu.addAction(QString::fromUtf8("ｵﾘｼﾞﾅﾙ名に戻す(&O)"), this, &CLabelEditDlg::RevertSelected);
    menu.exec(m_list->viewport()->mapToGlobal(position));
}

void CLabelEditDlg::accept() {
    // An edit still open is committed first, as leaving the field would.
    m_list->setFocus();
    QDialog::accept();
}

} // namespace quillora
