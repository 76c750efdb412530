// Main window: layout, status bar, window state and the wiring of the views.
#include "app/MainFrame.h"
#include "app/CaseFolderMount.h"
#include "app/export/CListCommands.h"

#include "extract/ExtractTextManager.h"

#include "app/CaseTreeModel.h"
#include "app/FileListModel.h"
#include "app/RecentFileList.h"
#include "app/RecordCommands.h"
#include "app/TobCaseDoc.h"
#include "app/TobCaseList.h"
#include "app/TobCaseView.h"
#include "app/TobPropView.h"
#include "app/find/CCaseFindDlg.h"
#include "app/find/CFindDlg.h"
#include "app/report/CCopiesDlg.h"
#include "core/ConfigData.h"
#include "core/TraceLog.h"
#include "model/SVolumeInfo.h"
#include "platform/OsPath.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMetaObject>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QUrl>

#include <cstdio>

namespace quillora {

namespace {

const char kSettings[] = "Settings";
const char kColumnInfo[] = "ColumnInfo";
// Category and comment in the status bar: one line each.
constexpr std::size_t kStatusTextWidth = 128;

// Whether `record` is `ancestor` or lies below it.
bool IsWithin(const SFileInfo* record, const SFileInfo* ancestor) {
    for (; record; record = record->GetParent()) {
        if (record == ancestor) {
            return true;
        }
    }
    return false;
}

bool IsCaseFile(const QString& path) {
    return path.endsWith(".cas", Qt::CaseInsensitive) || path.endsWith(".caz", Qt::CaseInsensitive);
}

} // namespace

// --- Window placement ---

bool SWindowPlacement::Parse(const std::string& text, SWindowPlacement& out) {
    SWindowPlacement p;
    int consumed = 0;
    int n =
        std::sscanf(text.c_str(), "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d%n", &p.m_nFlags, &p.m_nShowCmd,
                    &p.m_ptMin[0], &p.m_ptMin[1], &p.m_ptMax[0], &p.m_ptMax[1], &p.m_rcNormal[0],
                    &p.m_rcNormal[1], &p.m_rcNormal[2], &p.m_rcNormal[3], &consumed);
    if (n != 10 || static_cast<std::size_t>(consumed) != text.size()) {
        return false;
    }
    if (p.m_nShowCmd != 1 && p.m_nShowCmd != 3) {
        p.m_nShowCmd = 1;
    }
    out = p;
    return true;
}

std::string SWindowPlacement::Format() const {
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d", m_nFlags, m_nShowCmd,
                  m_ptMin[0], m_ptMin[1], m_ptMax[0], m_ptMax[1], m_rcNormal[0], m_rcNormal[1],
                  m_rcNormal[2], m_rcNormal[3]);
    return buffer;
}

// --- Construction ---

CMainFrame::CMainFrame(CTobCaseDoc& doc, CRecentFileList& recent, QWidget* parent)
    : QMainWindow(parent), m_doc(doc), m_recent(recent),
      m_pCommands(std::make_unique<CRecordCommands>(doc)),
      m_pLists(std::make_unique<CListCommands>(doc, this)) {
    setObjectName("MainFrame");
    m_pOuter = new QSplitter(Qt::Horizontal, this);
    m_pInner = new QSplitter(Qt::Vertical, m_pOuter);
    m_pTree = new CTobCaseView(m_pInner);
    m_pProps = new CTobPropView(m_pInner);
    m_pProps->SetTitleSource([this](const std::string& definition, int key) -> std::string {
        const CTextExtractor* extractor =
            m_doc.Extractors() ? m_doc.Extractors()->FindExtractor(definition) : nullptr;
        for (const SExtractProperty& p :
             extractor ? extractor->Properties() : std::vector<SExtractProperty>{}) {
            if (p.m_nKey == key) {
                return p.m_strTitle;
            }
        }
        return {};
    });
    m_pList = new CTobCaseList(m_pOuter);
    m_pOuter->addWidget(m_pInner);
    m_pOuter->addWidget(m_pList);
    m_pOuter->setObjectName("TreeListSplitter");
    m_pInner->setObjectName("TreePropSplitter");
    // The tree keeps the size the user gave it; the list and the property view take
    // what the window gains or loses.
    m_pOuter->setStretchFactor(0, 0);
    m_pOuter->setStretchFactor(1, 1);
    m_pInner->setStretchFactor(0, 0);
    m_pInner->setStretchFactor(1, 1);
    setCentralWidget(m_pOuter);
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    RebuildEjectMenus();
    setAcceptDrops(true);
    m_doc.SetWindow(this);
    m_doc.SetContainerSource([this] { return m_pTree->CurrentContainer(); });
    ConnectDocument();
    RestoreWindowState();
    OnCaseChanged();
}

CMainFrame::~CMainFrame() {
    // A shown window is hidden by QWidget's destructor, which moves the focus: the
    // handlers must not run on the half-destroyed frame.
    disconnect(qApp, nullptr, this, nullptr);
    // The dialogs hold records of the case and answer the document's signals.
    m_pFindDlg.reset();
    m_pCaseFindDlg.reset();
    m_doc.SetWindow(nullptr);
    m_doc.SetContainerSource({});
}

void CMainFrame::CreateStatusBar() {
    for (int i = 0; i < 5; ++i) {
        m_panes[i] = new QLabel(this);
        m_panes[i]->setObjectName(QString("pane%1").arg(i));
    }
    statusBar()->addWidget(m_panes[0], 1);
    statusBar()->addWidget(m_panes[1], 2);
    for (int i = 2; i < 5; ++i) {
        statusBar()->addPermanentWidget(m_panes[i]);
    }
}

QString CMainFrame::PaneText(int pane) const {
    return pane >= 0 && pane < 5 ? m_panes[pane]->text() : QString();
}

void CMainFrame::ConnectDocument() {
    connect(&m_doc, &CTobCaseDoc::CaseChanged, this, &CMainFrame::OnCaseChanged);
    connect(&m_doc, &CTobCaseDoc::TreeChanged, this, &CMainFrame::RefreshViews);
    connect(&m_doc, &CTobCaseDoc::MediaAdded, this,
            [this](SFileInfo* container, SFileInfo* record, bool expand) {
                m_pTree->Added(container, record, expand);
                // The new node may have taken the place of the current one without
                // the current index changing: fill the list and the property view
                // from the tree again whatever they held.
                OnTreeSelection(m_pTree->Current());
            });
    connect(&m_doc, &CTobCaseDoc::MediumReplaced, this, &CMainFrame::OnMediumReplaced);
    connect(&m_doc, &CTobCaseDoc::LabelEditRequested, this, [this](SFileInfo* record) {
        m_pTree->Added(nullptr, record, false);
        m_pTree->EditLabel(record);
    });
    connect(&m_doc, &CTobCaseDoc::StateChanged, this, [this] {
        CloseFolderMount(false);
        UpdateTitle();
        UpdateCommandStates();
    });
    connect(&m_doc, &CTobCaseDoc::DrivesChanged, this, &CMainFrame::RebuildEjectMenus);
    // "ﾒﾃﾞｨｱの貼り付け(&V)" follows what the clipboard holds.
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &CMainFrame::UpdateCommandStates);
    connect(&m_doc, &CTobCaseDoc::PathUsed, this, [this](const QString& path) {
        m_recent.Add(path.toStdString());
        UpdateRecentFiles();
    });
    connect(&m_doc, &CTobCaseDoc::PathFailed, this, [this](const QString& path) {
        m_recent.Remove(path.toStdString());
        UpdateRecentFiles();
    });
    connect(m_pTree, &CTobCaseView::CurrentRecordChanged, this, &CMainFrame::OnTreeSelection);
    connect(m_pTree, &CTobCaseView::ContextMenuFor, this,
            [this](SFileInfo* record, const QPoint& pos) {
                m_bListFocus = false;
                ShowContextMenu(record, pos);
            });
    connect(&m_pTree->Model(), &CCaseTreeModel::LabelEdited, this, [this](SFileInfo* record) {
        m_doc.Core().SetModifiedFlag(true);
        m_pList->Model().RefreshRecord(record);
        m_pProps->ShowRecord(record);
        m_panes[1]->setText(RecordStatusText(*record));
        // The new label moves the record among its siblings in the tree and in the
        // list; done once the editor has closed, which is still using the node.
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_pTree->Model().Resync();
                m_pList->Resort();
            },
            Qt::QueuedConnection);
    });
    connect(m_pList, &CTobCaseList::CurrentRecordChanged, this, &CMainFrame::OnListSelection);
    connect(m_pList, &CTobCaseList::Activated, this, &CMainFrame::OnListActivated);
    connect(m_pList, &CTobCaseList::BackRequested, this, [this] { m_pTree->SelectParent(); });
    connect(m_pList, &CTobCaseList::SortChanged, this, &CMainFrame::UpdateStatus);
    connect(m_pList, &CTobCaseList::ContextMenuFor, this,
            [this](SFileInfo* record, const QPoint& pos) {
                m_bListFocus = true;
                ShowContextMenu(record, pos);
            });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now == m_pList) {
            m_bListFocus = true;
            m_bOtherViewActive = false;
        } else if (now == m_pTree) {
            m_bListFocus = false;
            m_bOtherViewActive = false;
        } else if (now && m_pProps->isAncestorOf(now)) {
            m_bOtherViewActive = true;
        }
        UpdateCommandStates();
    });
}

// --- Views ---

void CMainFrame::OnCaseChanged() {
    CloseFolderMount(true);
    m_pProps->ShowRecord(nullptr);
    m_pList->ShowFolder(nullptr);
    m_pTree->SetCase(&m_doc.Case());
    if (!m_pTree->Current()) {
        OnTreeSelection(nullptr);
    }
    UpdateTitle();
    UpdateCommandStates();
}

void CMainFrame::OnMediumReplaced(SFileInfo* oldRecord, SFileInfo* newRecord) {
    // Every view that holds a record of the old medium lets go of it before it is
    // deleted; the list of its container too, whose children change. MediaAdded
    // fills them again.
    if (IsWithin(m_pProps->Record(), oldRecord)) {
        m_pProps->ShowRecord(nullptr);
    }
    SFileInfo* folder = m_pList->Folder();
    if (IsWithin(folder, oldRecord) || folder == oldRecord->GetParent()) {
        m_pList->ShowFolder(nullptr);
    }
    m_pTree->Model().ReplaceRecord(oldRecord, newRecord);
}

void CMainFrame::RefreshViews() {
    m_pTree->Model().Resync();
    SFileInfo* current = m_pTree->Current();
    if (current != m_pList->Folder()) {
        OnTreeSelection(current);
    } else {
        m_pList->Model().RefreshRows();
        m_pProps->ShowRecord(m_pProps->Record());
    }
    UpdateStatus();
}

void CMainFrame::OnTreeSelection(SFileInfo* record) {
    m_pList->ShowFolder(record);
    m_pProps->ShowRecord(record);
    m_panes[1]->setText(record ? RecordStatusText(*record) : QString());
    UpdateStatus();
    UpdateCommandStates();
}

void CMainFrame::OnListSelection(SFileInfo* record) {
    if (!record) {
        return;
    }
    m_pProps->ShowRecord(record);
    m_panes[1]->setText(RecordStatusText(*record));
    UpdateCommandStates();
}

void CMainFrame::OnListActivated(SFileInfo* record) {
    if (record->IsDirectory()) {
        m_pTree->Select(record);
        return;
    }
    m_pCommands->OpenFile(*record);
}

QString CMainFrame::RecordStatusText(const SFileInfo& record) {
    std::string category = record.TextOneLine(1, kStatusTextWidth);
    std::string comment = record.TextOneLine(0, kStatusTextWidth);
    if (!category.empty() || !comment.empty()) {
        return QString::fromStdString(record.GetDisplayName() + " (" + category + ") [" + comment +
                                      "]");
    }
    if (record.HasFlags(kFlagMedium | kFlagGroup | kFlagCase)) {
        return QString::fromStdString(record.GetDisplayName());
    }
    return QString::fromStdString(OsPathFromModel(record.GetPath()));
}

void CMainFrame::UpdateStatus() {
    m_panes[2]->setText(m_pList->CountText());
    m_panes[3]->setText(m_pList->SortText());
    m_panes[4]->setText(m_pList->DirectionText());
}

void CMainFrame::UpdateTitle() {
    setWindowTitle(m_doc.WindowTitle());
}

SFileInfo* CMainFrame::CommandTarget() const {
    if (m_bListFocus) {
        if (SFileInfo* record = m_pList->Current()) {
            return record;
        }
    }
    return m_pTree->Current();
}

void CMainFrame::RunOnTarget(const std::function<void(SFileInfo&)>& command) {
    SFileInfo* record = CommandTarget();
    if (!record) {
        return;
    }
    command(*record);
    m_pTree->Model().Resync();
    m_pList->Model().RefreshRecord(record);
    if (m_pProps->Record() == record) {
        m_pProps->ShowRecord(record);
    }
    // Pane 1 shows the selected record's comment and category, which the command may
    // have changed.
    m_panes[1]->setText(RecordStatusText(*record));
}

// --- Window state ---

void CMainFrame::RestoreWindowState() {
    CProfileStore& store = Config().Store();
    SWindowPlacement placement;
    m_bDefaultPlacement =
        !SWindowPlacement::Parse(store.GetString(kSettings, "WindowPos"), placement);
    if (!m_bDefaultPlacement) {
        const int* rc = placement.m_rcNormal;
        QRect normal(rc[0], rc[1], rc[2] - rc[0], rc[3] - rc[1]);
        if (normal.width() > 0 && normal.height() > 0) {
            setGeometry(normal);
        }
        if (placement.m_nShowCmd == 3) {
            setWindowState(windowState() | Qt::WindowMaximized);
        }
    } else {
        resize(1000, 700);
    }
    int width = store.GetInt(kColumnInfo, "TreeView", kDefaultTreeWidth);
    int height = store.GetInt(kColumnInfo, "TreeViewHeight", kDefaultTreeHeight);
    if (width < kMinPaneSize) {
        width = kDefaultTreeWidth;
    }
    if (height < kMinPaneSize) {
        height = kDefaultTreeHeight;
    }
    // The sizes are pixels; they are set once the splitters have their real size
    // (showEvent), since sizes set before that are taken as proportions.
    m_nTreeWidth = width;
    m_nTreeHeight = height;
    ApplyPaneSizes();
    if (auto bars = store.GetBinary(kSettings, "BarState")) {
        restoreState(QByteArray(reinterpret_cast<const char*>(bars->data()),
                                static_cast<qsizetype>(bars->size())));
    }
}

void CMainFrame::ApplyPaneSizes() {
    const int outer = m_pOuter->width() - m_pOuter->handleWidth();
    const int inner = m_pInner->height() - m_pInner->handleWidth();
    m_pOuter->setSizes({m_nTreeWidth, std::max(outer - m_nTreeWidth, kMinPaneSize)});
    m_pInner->setSizes({m_nTreeHeight, std::max(inner - m_nTreeHeight, kMinPaneSize)});
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_bPaneSizesApplied) {
        m_bPaneSizesApplied = true;
        ApplyPaneSizes();
    }
}

void CMainFrame::SaveWindowState() {
    CProfileStore& store = Config().Store();
    SWindowPlacement placement;
    bool maximized = isMaximized();
    placement.m_nFlags = maximized ? 2 : 0;
    placement.m_nShowCmd = maximized ? 3 : 1;
    QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    placement.m_rcNormal[0] = normal.left();
    placement.m_rcNormal[1] = normal.top();
    placement.m_rcNormal[2] = normal.left() + normal.width();
    placement.m_rcNormal[3] = normal.top() + normal.height();
    store.SetString(kSettings, "WindowPos", placement.Format());
    QList<int> outer = m_pOuter->sizes();
    QList<int> inner = m_pInner->sizes();
    if (!outer.isEmpty()) {
        store.SetInt(kColumnInfo, "TreeView", outer.front());
    }
    if (!inner.isEmpty()) {
        store.SetInt(kColumnInfo, "TreeViewHeight", inner.front());
    }
    QByteArray bars = saveState();
    store.SetBinary(kSettings, "BarState", std::vector<std::uint8_t>(bars.begin(), bars.end()));
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!m_doc.SaveModified()) {
        event->ignore();
        return;
    }
    SaveWindowState();
    event->accept();
}

// --- Drag and drop of case files ---

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* data = event->mimeData();
    if (data->hasUrls() && !data->urls().isEmpty() && data->urls().front().isLocalFile()) {
        event->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile()) {
        return;
    }
    // Like the shell's drop: the first file becomes the open case.
    QString path = urls.front().toLocalFile();
    Log(IsCaseFile(path) ? "drop: case file" : "drop: other file");
    event->acceptProposedAction();
    activateWindow();
    m_doc.OpenPath(path.toStdString());
}

} // namespace quillora
