// The preset row.
#include "app/export/CFormPresetBar.h"

#include "app/export/CNameEditDlg.h"
#include "export/CFormConditionSet.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace quillora {

CFormPresetBar::CFormPresetBar(CFormConditionSet& set, std::function<bool()> store,
                               std::function<void()> load, QWidget* parent)
    : QWidget(parent), m_set(set), m_store(std::move(store)), m_load(std::move(load)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(QString::fromUtf8("形式名(&N) :"), this);
    m_combo = new QComboBox(this);
    m_combo->setMinimumWidth(180);
    label->setBuddy(m_combo);
    auto* add = new QPushButton(QString::fromUtf8("新規(&W)"), this);
    m_delete = new QPushButton(QString::fromUtf8("削除(&D)"), this);
    auto* rename = new QPushButton(QString::fromUtf8("名編集(&E)"), this);
    auto* reset = new QPushButton(QString::fromUtf8("初期化(&I)"), this);
    row->addWidget(label);
    row->addWidget(m_combo, 1);
    for (QPushButton* button : {add, m_delete, rename, reset}) {
        button->setAutoDefault(false);
        row->addWidget(button);
    }
    m_nameSource = [this](const QString& name) { return CNameEditDlg::Ask(this, name); };
    connect(m_combo, &QComboBox::activated, this, &CFormPresetBar::Select);
    connect(add, &QPushButton::clicked, this, &CFormPresetBar::AddPreset);
    connect(m_delete, &QPushButton::clicked, this, &CFormPresetBar::DeletePreset);
    connect(rename, &QPushButton::clicked, this, &CFormPresetBar::RenamePreset);
    connect(reset, &QPushButton::clicked, this, &CFormPresetBar::ResetPreset);
    Refill();
}

void CFormPresetBar::Refill() {
    const QSignalBlocker block(m_combo);
    m_combo->clear();
    for (std::size_t i = 0; i < m_set.Count(); ++i) {
        m_combo->addItem(QString::fromStdString(m_set.At(i).Name));
    }
    m_combo->setCurrentIndex(m_set.Select);
    UpdateButtons();
}

void CFormPresetBar::UpdateButtons() {
    m_delete->setEnabled(m_set.Count() >= 2);
}

void CFormPresetBar::Select(int index) {
    if (index == m_set.Select || index < 0 || index >= static_cast<int>(m_set.Count())) {
        return;
    }
    if (!m_store()) {
        Refill();
        return;
    }
    m_set.Select = index;
    Refill();
    m_load();
}

void CFormPresetBar::AddPreset() {
    if (m_set.Current() && !m_store()) {
        return;
    }
    m_set.Add(m_set.NewPreset());
    m_set.Select = static_cast<int>(m_set.Count()) - 1;
    Refill();
    m_load();
}

void CFormPresetBar::DeletePreset() {
    if (m_set.Count() < 2 || m_set.Select < 0) {
        return;
    }
    m_set.Remove(static_cast<std::size_t>(m_set.Select));
    Refill();
    m_load();
}

void CFormPresetBar::RenamePreset() {
    CFormPreset* current = m_set.Current();
    if (!current) {
        return;
    }
    std::optional<QString> name = m_nameSource(QString::fromStdString(current->Name));
    if (!name || name->isEmpty()) {
        return;
    }
    current->Name = name->toStdString();
    Refill();
}

void CFormPresetBar::ResetPreset() {
    if (CFormPreset* current = m_set.Current()) {
        current->Reset();
        m_load();
    }
}

} // namespace quillora
