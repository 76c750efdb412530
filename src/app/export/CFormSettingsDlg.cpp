// The format-settings dialog.
#include "app/export/CFormSettingsDlg.h"

#include "app/export/CFormItemsPage.h"
#include "app/export/CFormOptionsPage.h"
#include "app/export/CFormPresetBar.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace quillora {

CFormSettingsDlg::CFormSettingsDlg(EFormFormat format, const CFormConditionSet& set,
                                   CopyAction copy, QWidget* parent)
    : QDialog(parent), m_set(set), m_copy(std::move(copy)) {
    setWindowTitle(QString::fromUtf8(FormFormatInfo(format).m_pszDlgCaption));
    m_set.EnsureDefault();
    auto* layout = new QVBoxLayout(this);
    m_pBar = new CFormPresetBar(
        m_set, [this] { return StorePages(); }, [this] { LoadPages(); }, this);
    layout->addWidget(m_pBar);
    m_tabs = new QTabWidget(this);
    for (auto& [title, page] : MakeFormOptionsPages(format, m_tabs)) {
        m_tabs->addTab(page, title);
        m_pages.push_back(page);
    }
    auto* items = new CFormItemsPage(m_tabs);
    m_tabs->addTab(items, QString::fromUtf8("項目"));
    m_pages.push_back(items);
    layout->addWidget(m_tabs, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("ｷｬﾝｾﾙ"));
    if (m_copy) {
        QPushButton* copyButton =
            buttons->addButton(QString::fromUtf8("ｺﾋﾟｰ(&C)"), QDialogButtonBox::ActionRole);
        copyButton->setObjectName("Copy");
        connect(copyButton, &QPushButton::clicked, this, &CFormSettingsDlg::CopyAndClose);
    }
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CFormSettingsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    LoadPages();
}

bool CFormSettingsDlg::StorePages() {
    CFormPreset* current = m_set.Current();
    if (!current) {
        return true;
    }
    std::unique_ptr<CFormPreset> edited = current->Clone();
    for (CFormPage* page : m_pages) {
        if (!page->ApplyPreset(*edited)) {
            return false;
        }
    }
    current->CopyFrom(*edited);
    return true;
}

void CFormSettingsDlg::LoadPages() {
    if (const CFormPreset* current = m_set.Current()) {
        for (CFormPage* page : m_pages) {
            page->LoadPreset(*current);
        }
    }
}

void CFormSettingsDlg::accept() {
    if (StorePages()) {
        QDialog::accept();
    }
}

void CFormSettingsDlg::CopyAndClose() {
    if (!StorePages()) {
        return;
    }
    if (const auto* current = dynamic_cast<const CFormCondition*>(m_set.Current())) {
        m_copy(*current);
    }
    QDialog::accept();
}

bool CFormSettingsDlg::Edit(QWidget* parent, EFormFormat format, CFormConditionSet& set,
                            CopyAction copy) {
    CFormSettingsDlg dialog(format, set, std::move(copy), parent);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    set = dialog.Set();
    return true;
}

} // namespace quillora
