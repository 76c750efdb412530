// The item page.
#include "app/export/CFormItemsPage.h"

#include "export/CFormPreset.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace quillora {

namespace {

std::vector<int> SelectedRows(const QListWidget* list) {
    std::vector<int> rows;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->isSelected()) {
            rows.push_back(i);
        }
    }
    return rows;
}

void FillList(QListWidget* list, const FormItemList& items, const std::vector<int>& selected) {
    list->clear();
    for (const FormItem& item : items) {
        list->addItem(QString::fromStdString(item.Name));
    }
    for (int row : selected) {
        if (row >= 0 && row < list->count()) {
            list->item(row)->setSelected(true);
            list->setCurrentRow(row, QItemSelectionModel::Current);
        }
    }
}

// Moves the items at `rows` from one list to the end of the other; returns their new rows.
std::vector<int> Transfer(FormItemList& from, FormItemList& to, const std::vector<int>& rows) {
    std::vector<int> added;
    for (int row : rows) {
        added.push_back(static_cast<int>(to.size()));
        to.push_back(from[static_cast<std::size_t>(row)]);
    }
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        from.erase(from.begin() + *it);
    }
    return added;
}

} // namespace

CFormItemsPage::CFormItemsPage(QWidget* parent) : CFormPage(parent) {
    auto* grid = new QGridLayout(this);
    auto* offeredLabel = new QLabel(QString::fromUtf8("出力可能項目(&M)"), this);
    auto* writtenLabel = new QLabel(QString::fromUtf8("出力項目(&V)"), this);
    m_offeredList = new QListWidget(this);
    m_writtenList = new QListWidget(this);
    for (QListWidget* list : {m_offeredList, m_writtenList}) {
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        list->setMinimumSize(170, 220);
    }
    offeredLabel->setBuddy(m_offeredList);
    writtenLabel->setBuddy(m_writtenList);
    grid->addWidget(offeredLabel, 0, 0);
    grid->addWidget(writtenLabel, 0, 2);
    grid->addWidget(m_offeredList, 1, 0);
    grid->addWidget(m_writtenList, 1, 2);

    auto* middle = new QVBoxLayout;
    m_add = new QPushButton(QString::fromUtf8("追加>>(&A)"), this);
    m_remove = new QPushButton(QString::fromUtf8("<<削除(&L)"), this);
    m_addAll = new QPushButton(QString::fromUtf8("全追加>>(&T)"), this);
    middle->addStretch(1);
    middle->addWidget(m_add);
    middle->addWidget(m_remove);
    middle->addSpacing(12);
    middle->addWidget(m_addAll);
    middle->addStretch(1);
    grid->addLayout(middle, 1, 1);

    auto* side = new QVBoxLayout;
    m_up = new QPushButton(QString::fromUtf8("上へ(&U)"), this);
    m_down = new QPushButton(QString::fromUtf8("下へ(&O)"), this);
    side->addStretch(1);
    side->addWidget(m_up);
    side->addWidget(m_down);
    side->addStretch(1);
    grid->addLayout(side, 1, 3);
    for (QPushButton* button : {m_add, m_remove, m_addAll, m_up, m_down}) {
        button->setAutoDefault(false);
    }

    connect(m_add, &QPushButton::clicked, this, &CFormItemsPage::AddSelected);
    connect(m_remove, &QPushButton::clicked, this, &CFormItemsPage::RemoveSelected);
    connect(m_addAll, &QPushButton::clicked, this, &CFormItemsPage::AddAll);
    connect(m_up, &QPushButton::clicked, this, &CFormItemsPage::MoveUp);
    connect(m_down, &QPushButton::clicked, this, &CFormItemsPage::MoveDown);
    connect(m_offeredList, &QListWidget::itemDoubleClicked, this, &CFormItemsPage::AddSelected);
    connect(m_writtenList, &QListWidget::itemDoubleClicked, this, &CFormItemsPage::RemoveSelected);
    connect(m_offeredList, &QListWidget::itemSelectionChanged, this,
            &CFormItemsPage::UpdateButtons);
    connect(m_writtenList, &QListWidget::itemSelectionChanged, this,
            &CFormItemsPage::UpdateButtons);
}

void CFormItemsPage::LoadPreset(const CFormPreset& preset) {
    m_offered = preset.Invisible;
    m_written = preset.Visible;
    Fill({}, {});
}

bool CFormItemsPage::ApplyPreset(CFormPreset& preset) {
    preset.Invisible = m_offered;
    preset.Visible = m_written;
    return true;
}

void CFormItemsPage::Fill(const std::vector<int>& offeredRows,
                          const std::vector<int>& writtenRows) {
    const QSignalBlocker blockOffered(m_offeredList);
    const QSignalBlocker blockWritten(m_writtenList);
    FillList(m_offeredList, m_offered, offeredRows);
    FillList(m_writtenList, m_written, writtenRows);
    UpdateButtons();
}

void CFormItemsPage::UpdateButtons() {
    const std::vector<int> written = SelectedRows(m_writtenList);
    m_add->setEnabled(!SelectedRows(m_offeredList).empty());
    m_remove->setEnabled(!written.empty());
    m_addAll->setEnabled(!m_offered.empty());
    m_up->setEnabled(!written.empty() && written.front() > 0);
    m_down->setEnabled(!written.empty() && written.back() + 1 < static_cast<int>(m_written.size()));
}

void CFormItemsPage::AddSelected() {
    std::vector<int> added = Transfer(m_offered, m_written, SelectedRows(m_offeredList));
    Fill({}, added);
}

void CFormItemsPage::RemoveSelected() {
    std::vector<int> removed = Transfer(m_written, m_offered, SelectedRows(m_writtenList));
    Fill(removed, {});
}

void CFormItemsPage::AddAll() {
    std::vector<int> all(m_offered.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        all[i] = static_cast<int>(i);
    }
    Fill({}, Transfer(m_offered, m_written, all));
}

void CFormItemsPage::Move(int delta) {
    std::vector<int> rows = SelectedRows(m_writtenList);
    if (rows.empty()) {
        return;
    }
    const int n = static_cast<int>(m_written.size());
    if ((delta < 0 && rows.front() == 0) || (delta > 0 && rows.back() + 1 >= n)) {
        return;
    }
    if (delta > 0) {
        std::reverse(rows.begin(), rows.end());
    }
    for (int& row : rows) {
        std::swap(m_written[static_cast<std::size_t>(row)],
                  m_written[static_cast<std::size_t>(row + delta)]);
        row += delta;
    }
    Fill({}, rows);
}

void CFormItemsPage::MoveUp() {
    Move(-1);
}

void CFormItemsPage::MoveDown() {
    Move(1);
}

} // namespace quillora
