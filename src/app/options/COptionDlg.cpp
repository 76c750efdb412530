// The options sheet.
#include "app/options/COptionDlg.h"

#include "app/options/COptAddVolPage.h"
#include "app/options/COptCopyPage.h"
#include "app/options/COptDrivePage.h"
#include "app/options/COptExtractPage.h"
#include "app/options/COptIndexPage.h"
#include "app/options/COptMeltPage.h"
#include "app/options/COptSavePage.h"
#include "app/options/COptViewPage.h"
#include "core/ConfigData.h"
#include "core/TraceLog.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace quillora {

COptionDlg::COptionDlg(CConfigData& config, SOptionContext context, SOptionHooks hooks,
                       QWidget* parent)
    : QDialog(parent), m_config(config), m_context(std::move(context)),
      m_hooks(hooks.WithDefaults()) {
    setWindowTitle(QString::fromUtf8("ｵﾌﾟｼｮﾝ"));
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    // Every tab in view: the sheet grows to fit them rather than scroll them.
    m_tabs->setUsesScrollButtons(false);
    const SOptionHooks& h = m_hooks;
    COptionPage* pages[] = {
        new COptSavePage(config, h),
        new COptAddVolPage(config, h),
        new COptCopyPage(config, h),
        new COptMeltPage(config, m_context.m_archivers, h),
        new COptExtractPage(config, h),
        new COptViewPage(config, h, m_context.m_pRecent, m_context.m_strOpenPath,
                         m_context.m_historyCleared),
        new COptDrivePage(config, m_context.m_drives, h),
        new COptIndexPage(config, h),
    };
    for (COptionPage* page : pages) {
        m_tabs->addTab(page, page->Caption());
    }
    layout->addWidget(m_tabs, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("ｷｬﾝｾﾙ"));
    connect(buttons, &QDialogButtonBox::accepted, this, &COptionDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &COptionDlg::reject);
    layout->addWidget(buttons);

    int first = config.m_nOptPage >= 0 && config.m_nOptPage < kPageCount ? config.m_nOptPage : 0;
    m_tabs->setCurrentIndex(first);
    m_nShown = first;
    // A page that refuses to be left (the save folder check) takes its tab back.
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (m_bSwitching || index == m_nShown) {
            return;
        }
        m_bSwitching = true;
        int wanted = index;
        m_tabs->setCurrentIndex(m_nShown);
        if (PageAt(m_nShown)->CanLeave()) {
            m_tabs->setCurrentIndex(wanted);
            m_nShown = wanted;
        }
        m_bSwitching = false;
    });
}

COptionPage* COptionDlg::PageAt(int page) const {
    return qobject_cast<COptionPage*>(m_tabs->widget(page));
}

int COptionDlg::CurrentPage() const {
    return m_tabs->currentIndex();
}

bool COptionDlg::ShowPage(int page) {
    m_tabs->setCurrentIndex(page);
    return m_tabs->currentIndex() == page;
}

bool COptionDlg::Apply() {
    if (!PageAt(CurrentPage())->CanLeave()) {
        return false;
    }
    m_config.m_nViewChangeMask = 0;
    for (int i = 0; i < m_tabs->count(); ++i) {
        PageAt(i)->Apply(m_config);
    }
    return true;
}

void COptionDlg::accept() {
    if (Apply()) {
        QDialog::accept();
    }
}

void COptionDlg::done(int result) {
    m_config.m_nOptPage = CurrentPage();
    QDialog::done(result);
}

} // namespace quillora
