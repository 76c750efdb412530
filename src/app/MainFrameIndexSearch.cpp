// The main window's search over the index of every case: a field in the tool bar whose
// hits appear as the user types, in a list below the views; a hit opens its case.
#include "app/MainFrame.h"

#include "app/TobCaseDoc.h"
#include "app/find/CIndexQueryWorker.h"
#include "app/find/CIndexSearchPanel.h"
#include "core/ConfigData.h"
#include "index/SIndexSettings.h"
#include "model/CatalogPath.h"

#include <QDockWidget>
#include <QLineEdit>
#include <QToolBar>

namespace quillora {

namespace {

// Rows the list shows for one question: enough to scroll, few enough to fill at once.
constexpr std::size_t kShownHits = 500;

} // namespace

void CMainFrame::CreateIndexSearch(QToolBar* bar) {
    m_pIndexField = new QLineEdit(bar);
    m_pIndexField->setObjectName("IndexSearchField");
    m_pIndexField->setPlaceholderText(QString::fromUtf8("全ｹｰｽから検索"));
    m_pIndexField->setToolTip(QString::fromUtf8("ｲﾝﾃﾞｯｸｽ済みの全ｹｰｽから名前で検索します"));
    m_pIndexField->setClearButtonEnabled(true);
    m_pIndexField->setMaximumWidth(240);
    bar->addWidget(m_pIndexField);

    m_pIndexPanel = new CIndexSearchPanel;
    m_pIndexDock = new QDockWidget(QString::fromUtf8("全ｹｰｽ検索の結果"), this);
    m_pIndexDock->setObjectName("IndexSearchDock");
    m_pIndexDock->setWidget(m_pIndexPanel);
    addDockWidget(Qt::BottomDockWidgetArea, m_pIndexDock);
    m_pIndexDock->hide();

    connect(m_pIndexField, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!m_pIndexWorker) {
            const SIndexSettings settings = SIndexSettings::Load(Config().Store());
            m_pIndexWorker = new CIndexQueryWorker(settings.Location(), kShownHits, this);
            connect(m_pIndexWorker, &CIndexQueryWorker::Answered, this,
                    [this](const QString& asked, const std::vector<SLocateHit>& hits,
                           const QString& problem) {
                        // An answer to an older text is worth nothing now.
                        if (asked == m_pIndexField->text()) {
                            m_pIndexPanel->ShowHits(hits, problem);
                        }
                    });
        }
        m_pIndexDock->setVisible(!text.trimmed().isEmpty());
        m_pIndexWorker->Ask(text);
    });
    connect(m_pIndexField, &QLineEdit::returnPressed, this, [this] {
        if (const SLocateHit* hit = m_pIndexPanel->ChosenHit()) {
            OpenIndexHit(*hit);
        }
    });
    connect(m_pIndexPanel, &CIndexSearchPanel::OpenRequested, this,
            [this](const SLocateHit& hit) { OpenIndexHit(hit); });
}

void CMainFrame::OpenIndexHit(const SLocateHit& hit) {
    // Copied: opening a case may replace the list that holds the hit.
    const SLocateHit chosen = hit;
    if (m_doc.Core().PathName() != chosen.m_strCase && !m_doc.OpenPath(chosen.m_strCase)) {
        return;
    }
    if (SFileInfo* record = FindByCatalogPath(m_doc.Core().Case(), chosen.m_strPath)) {
        ShowFoundRecord(*record);
    }
}

} // namespace quillora
