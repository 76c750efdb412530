// The display-items dialog.
#include "app/options/CDisplayItemsDlg.h"

#include "app/ColumnTitles.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace quillora {

namespace {

constexpr int kNameColumn = 0;

void FillList(QListWidget* list, const std::vector<SColumnChoice>& entries, int row) {
    list->clear();
    for (const auto& entry : entries) {
        list->addItem(QString::fromUtf8(ColumnTitle(entry.id)));
    }
    if (list->count() > 0) {
        list->setCurrentRow(std::clamp(row, 0, list->count() - 1));
    }
}

} // namespace

CDisplayItemsDlg::CDisplayItemsDlg(const ColumnSets& sets, int initialSet, QWidget* parent)
    : QDialog(parent), m_sets(sets) {
    setWindowTitle(QString::fromUtf8("表示項目設定"));
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    auto* setLabel = new QLabel(QString::fromUtf8("表示ﾓｰﾄﾞ(&M):"), this);
    m_setCombo = new QComboBox(this);
    for (int set = 0; set < kColumnSetCount; ++set) {
        m_setCombo->addItem(QString::fromUtf8(ColumnSetTitle(set)));
    }
    setLabel->setBuddy(m_setCombo);
    top->addWidget(setLabel);
    top->addWidget(m_setCombo, 1);
    layout->addLayout(top);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QString::fromUtf8("表示可能な項目"), this), 0, 0);
    grid->addWidget(new QLabel(QString::fromUtf8("表示する項目"), this), 0, 2);
    m_offered = new QListWidget(this);
    m_shown = new QListWidget(this);
    m_offered->setMinimumSize(170, 260);
    m_shown->setMinimumSize(170, 260);
    grid->addWidget(m_offered, 1, 0);
    grid->addWidget(m_shown, 1, 2);

    auto* middle = new QVBoxLayout;
    m_add = new QPushButton(QString::fromUtf8("追加(&A) →"), this);
    m_remove = new QPushButton(QString::fromUtf8("← 削除(&R)"), this);
    middle->addStretch(1);
    middle->addWidget(m_add);
    middle->addWidget(m_remove);
    middle->addStretch(1);
    grid->addLayout(middle, 1, 1);

    auto* side = new QVBoxLayout;
    m_up = new QPushButton(QString::fromUtf8("上へ(&U)"), this);
    m_down = new QPushButton(QString::fromUtf8("下へ(&D)"), this);
    side->addStretch(1);
    side->addWidget(m_up);
    side->addWidget(m_down);
    side->addStretch(1);
    grid->addLayout(side, 1, 3);
    layout->addLayout(grid, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("ｷｬﾝｾﾙ"));
    layout->addWidget(buttons);
    for (auto* button : {m_add, m_remove, m_up, m_down}) {
        button->setAutoDefault(false);
    }

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_add, &QPushButton::clicked, this, &CDisplayItemsDlg::AddSelected);
    connect(m_remove, &QPushButton::clicked, this, &CDisplayItemsDlg::RemoveSelected);
    connect(m_up, &QPushButton::clicked, this, &CDisplayItemsDlg::MoveSelectedUp);
    connect(m_down, &QPushButton::clicked, this, &CDisplayItemsDlg::MoveSelectedDown);
    connect(m_offered, &QListWidget::itemDoubleClicked, this, &CDisplayItemsDlg::AddSelected);
    connect(m_shown, &QListWidget::itemDoubleClicked, this, &CDisplayItemsDlg::RemoveSelected);
    connect(m_shown, &QListWidget::currentRowChanged, this, &CDisplayItemsDlg::UpdateButtons);
    connect(m_offered, &QListWidget::currentRowChanged, this, &CDisplayItemsDlg::UpdateButtons);
    connect(m_setCombo, &QComboBox::currentIndexChanged, this, &CDisplayItemsDlg::ShowSet);

    m_current = std::clamp(initialSet, 0, kColumnSetCount - 1);
    m_setCombo->setCurrentIndex(m_current);
    Fill(0, 0);
}

bool CDisplayItemsDlg::Edit(QWidget* parent, ColumnSets& sets, int initialSet) {
    CDisplayItemsDlg dialog(sets, initialSet, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    sets = dialog.Sets();
    return true;
}

void CDisplayItemsDlg::ShowSet(int set) {
    if (set < 0 || set >= kColumnSetCount) {
        return;
    }
    m_current = set;
    if (m_setCombo->currentIndex() != set) {
        m_setCombo->setCurrentIndex(set);
    }
    Fill(0, 0);
}

void CDisplayItemsDlg::Fill(int shownRow, int offeredRow) {
    const QSignalBlocker blockShown(m_shown);
    const QSignalBlocker blockOffered(m_offered);
    FillList(m_shown, Current().shown, shownRow);
    FillList(m_offered, Current().offered, offeredRow);
    UpdateButtons();
}

void CDisplayItemsDlg::UpdateButtons() {
    const auto& lists = Current();
    const int shownRow = m_shown->currentRow();
    const int shownCount = static_cast<int>(lists.shown.size());
    const bool shownSelected = shownRow >= 0 && shownRow < shownCount;
    m_add->setEnabled(m_offered->currentRow() >= 0 && !lists.offered.empty());
    m_remove->setEnabled(shownSelected &&
                         lists.shown[static_cast<std::size_t>(shownRow)].id != kNameColumn);
    m_up->setEnabled(shownSelected && shownRow > 0);
    m_down->setEnabled(shownSelected && shownRow + 1 < shownCount);
}

void CDisplayItemsDlg::AddSelected() {
    auto& lists = Current();
    const int row = m_offered->currentRow();
    if (row < 0 || row >= static_cast<int>(lists.offered.size())) {
        return;
    }
    lists.shown.push_back(lists.offered[static_cast<std::size_t>(row)]);
    lists.offered.erase(lists.offered.begin() + row);
    Fill(static_cast<int>(lists.shown.size()) - 1, row);
}

void CDisplayItemsDlg::RemoveSelected() {
    auto& lists = Current();
    const int row = m_shown->currentRow();
    if (row < 0 || row >= static_cast<int>(lists.shown.size()) ||
        lists.shown[static_cast<std::size_t>(row)].id == kNameColumn) {
        return;
    }
    lists.offered.push_back(lists.shown[static_cast<std::size_t>(row)]);
    lists.shown.erase(lists.shown.begin() + row);
    Fill(row, static_cast<int>(lists.offered.size()) - 1);
}

void CDisplayItemsDlg::Move(int delta) {
    auto& shown = Current().shown;
    const int row = m_shown->currentRow();
    const int target = row + delta;
    if (row < 0 || target < 0 || row >= static_cast<int>(shown.size()) ||
        target >= static_cast<int>(shown.size())) {
        return;
    }
    std::swap(shown[static_cast<std::size_t>(row)], shown[static_cast<std::size_t>(target)]);
    Fill(target, m_offered->currentRow());
}

void CDisplayItemsDlg::MoveSelectedUp() {
    Move(-1);
}
void CDisplayItemsDlg::MoveSelectedDown() {
    Move(1);
}

} // namespace quillora
