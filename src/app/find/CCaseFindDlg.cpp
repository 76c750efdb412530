// The case-search dialog.
#include "app/find/CCaseFindDlg.h"
#include "app/ColumnWidths.h"

#include "app/edit/CPasswordDlg.h"
#include "app/find/CCaseFindModel.h"
#include "app/find/CFindConditionPanel.h"
#include "app/media/CSpinningDisc.h"
#include "core/ConfigData.h"
#include "core/Resources.h"
#include "core/TraceLog.h"
#include "model/CCDCase.h"
#include "search/FindTitle.h"
#include "search/SFindCondition.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace quillora {

namespace {

// The column of the case files' relative paths in the "CaseFile" column set.
constexpr int kCaseFindPathColumn = 16;

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

} // namespace

CCaseFindDlg::CCaseFindDlg(QWidget* parent)
    : QDialog(parent), m_columns("CaseFile", "ｹｰｽ検索", {16, 17}, {}) {
    setObjectName("CaseFindDialog");
    setWindowTitle(Text("ｹｰｽ検索"));
    m_columns.Load(Config().Store());

    auto* outer = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    auto* folderRow = new QHBoxLayout;
    auto* folderLabel = new QLabel(Text("基準ﾌｫﾙﾀﾞ(&B) :"), this);
    m_pFolder = new QLineEdit(this);
    m_pFolder->setObjectName("folder");
    folderLabel->setBuddy(m_pFolder);
    auto* browse = new QPushButton(Text("参照..."), this);
    browse->setAutoDefault(false);
    folderRow->addWidget(folderLabel);
    folderRow->addWidget(m_pFolder, 1);
    folderRow->addWidget(browse);
    left->addLayout(folderRow);
    m_pPanel = new CFindConditionPanel(this);
    left->addWidget(m_pPanel);
    top->addLayout(left, 1);

    auto* right = new QVBoxLayout;
    const char* const texts[] = {"検索(&F)", "閉じる(&C)", "読み込み(&Y)", "終了(&E)"};
    for (int i = 0; i < 4; ++i) {
        m_buttons[i] = new QPushButton(Text(texts[i]), this);
        m_buttons[i]->setAutoDefault(false);
        right->addWidget(m_buttons[i]);
    }
    m_buttons[kSearch]->setDefault(true);
    m_pAnimation = new CSpinningDisc(this);
    right->addWidget(m_pAnimation, 0, Qt::AlignHCenter);
    right->addStretch(1);
    top->addLayout(right);
    outer->addLayout(top);

    m_pView = new QTreeView(this);
    m_pModel = new CCaseFindModel(m_columns, this);
    m_pView->setModel(m_pModel);
    m_pView->setRootIsDecorated(false);
    m_pView->setItemsExpandable(false);
    m_pView->setUniformRowHeights(true);
    m_pView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pView->setContextMenuPolicy(Qt::CustomContextMenu);
    m_pView->header()->setSectionsClickable(true);
    m_pView->header()->setSortIndicatorShown(true);
    m_pView->setMinimumHeight(200);
    CColumnWidths::Track(*m_pView, m_columns);
    FitColumns();
    outer->addWidget(m_pView, 1);

    m_pView->installEventFilter(this);
    connect(browse, &QPushButton::clicked, this, &CCaseFindDlg::Browse);
    connect(m_buttons[kSearch], &QPushButton::clicked, this, &CCaseFindDlg::StartSearch);
    connect(m_buttons[kClose], &QPushButton::clicked, this, &CCaseFindDlg::reject);
    connect(m_buttons[kOpen], &QPushButton::clicked, this, &CCaseFindDlg::OpenSelected);
    connect(m_buttons[kStop], &QPushButton::clicked, this, &CCaseFindDlg::StopSearch);
    connect(m_pView, &QTreeView::doubleClicked, this, [this] {
        if (!IsSearching()) {
            OpenSelected();
        }
    });
    connect(m_pView->header(), &QHeaderView::sectionClicked, this, &CCaseFindDlg::ClickColumn);
    connect(m_pView, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        std::unique_ptr<QMenu> menu = ResultMenu();
        menu->exec(m_pView->viewport()->mapToGlobal(pos));
    });
    connect(m_pView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CCaseFindDlg::UpdateButtons);
    SetBusy(false);
}

CCaseFindDlg::~CCaseFindDlg() {
    if (m_pSearch) {
        m_pSearch->Abort();
        m_pSearch->Wait();
        m_pSearch.reset();
    }
    m_columns.Save(Config().Store());
    // QDialog hides the window and deletes the view after this class's members are
    // gone; the view must no longer ask the model, which reads the column set.
    m_pView->setModel(nullptr);
}

std::optional<CCaseFindDlg::SChoice> CCaseFindDlg::Run() {
    m_choice.reset();
    const SFindSettings& s = Config().m_find;
    m_pPanel->Load(s);
    m_pFolder->setText(QString::fromStdString(s.m_strFolder));
    if (m_pModel->rowCount() > 0) {
        m_pView->setCurrentIndex(m_pModel->index(0, 0));
    }
    m_pPanel->FocusName();
    UpdateButtons();
    if (exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return m_choice;
}

void CCaseFindDlg::StartSearch() {
    if (IsSearching()) {
        return;
    }
    const std::string folder = m_pFolder->text().trimmed().toStdString();
    if (folder.empty()) {
        ShowDialogMessage(this, m_sink, Res(273), QMessageBox::Warning);
        m_pFolder->setFocus();
        return;
    }
    SFindSettings& s = Config().m_find;
    std::vector<std::string> problems;
    m_pPanel->Store(s, problems);
    s.m_strFolder = folder;
    {
        // Prepared here for the histories and to tell the user about unusable patterns;
        // every worker compiles its own copy.
        SFindCondition conditions(s);
        if (!conditions.Prepare()) {
            problems.insert(problems.end(), conditions.Problems().begin(),
                            conditions.Problems().end());
        }
        conditions.Release();
    }
    m_pPanel->LoadHistories(s);
    for (const std::string& problem : problems) {
        ShowDialogMessage(this, m_sink, problem, QMessageBox::Warning);
    }
    setWindowTitle(QString::fromStdString(FindTitle(s, true)));
    m_pModel->Clear();
    m_nSortColumn = -1;
    m_pView->header()->setSortIndicator(-1, Qt::AscendingOrder);
    m_strBase = TrimBaseFolder(folder);
    LogFormat("CCaseFindDlg: search below %s", m_strBase.c_str());
    m_pSearch = std::make_unique<CCaseSearch>(s, m_strBase, TryPassword(), m_relay);
    SetBusy(true);
    m_pView->setFocus();
    m_pSearch->Start();
}

void CCaseFindDlg::StopSearch() {
    if (!m_pSearch) {
        return;
    }
    // The workers finish the files they are on; code 3 ends the run as usual.
    m_pSearch->Abort();
    m_buttons[kStop]->setEnabled(false);
}

void CCaseFindDlg::OnListed(const std::vector<SCaseFileEntry>& entries) {
    m_pView->setUpdatesEnabled(false);
    m_pModel->SetEntries(entries);
    m_pView->setUpdatesEnabled(true);
}

void CCaseFindDlg::OnSearching(std::size_t index) {
    const int row = m_pModel->MarkSearching(index);
    if (row >= 0) {
        m_pView->setCurrentIndex(m_pModel->index(row, 0));
    }
}

void CCaseFindDlg::OnCounted(std::size_t index, int count) {
    const int row = m_pModel->SetCount(index, count);
    if (row >= 0 && row + 1 < m_pModel->rowCount()) {
        m_pView->scrollTo(m_pModel->index(row + 1, 0));
    }
}

void CCaseFindDlg::OnFinished() {
    if (!m_pSearch) {
        return;
    }
    m_pSearch->Wait();
    // A password the user gave for a file opens it again without asking.
    SetTryPassword(m_pSearch->CurrentPassword());
    m_pSearch.reset();
    if (m_pModel->rowCount() > 0) {
        m_pView->setCurrentIndex(m_pModel->index(0, 0));
        m_pView->scrollTo(m_pModel->index(0, 0));
    }
    SetBusy(false);
    emit SearchFinished();
}

void CCaseFindDlg::OnPasswordNeeded(const std::string& path, const std::string& filePassword) {
    if (!m_pSearch) {
        return;
    }
    if (m_pSearch->IsAborting()) {
        m_pSearch->AnswerPassword(std::nullopt);
        return;
    }
    std::optional<std::string> answer =
        m_asker ? m_asker(path, filePassword)
                : CPasswordDlg::Ask(this, PasswordMode::Check, path, filePassword);
    if (m_pSearch) {
        m_pSearch->AnswerPassword(answer);
    }
}

void CCaseFindDlg::SetBusy(bool busy) {
    if (busy) {
        m_pAnimation->Start();
    } else {
        m_pAnimation->Stop();
    }
    m_pPanel->setEnabled(!busy);
    m_pFolder->setEnabled(!busy);
    m_buttons[kSearch]->setEnabled(!busy);
    m_buttons[kClose]->setEnabled(!busy);
    m_buttons[kStop]->setEnabled(busy);
    UpdateButtons();
}

void CCaseFindDlg::UpdateButtons() {
    m_buttons[kOpen]->setEnabled(!IsSearching() && m_pView->selectionModel()->hasSelection());
}

std::string CCaseFindDlg::SelectedPath(int* count) const {
    const QModelIndexList rows = m_pView->selectionModel()->selectedRows();
    const CCaseFindModel::SRow* row =
        rows.isEmpty() ? nullptr : m_pModel->RowAt(rows.front().row());
    if (!row) {
        return {};
    }
    if (count) {
        *count = row->entry.m_nCount;
    }
    return CaseFilePath(m_strBase, row->entry.m_strPath);
}

void CCaseFindDlg::OpenSelected() {
    if (IsSearching()) {
        return;
    }
    int count = -1;
    const std::string path = SelectedPath(&count);
    if (path.empty()) {
        return;
    }
    m_choice = SChoice{path, count};
    accept();
}

void CCaseFindDlg::OpenInNewWindow() {
    const std::string path = SelectedPath(nullptr);
    if (path.empty()) {
        return;
    }
    if (m_starter) {
        m_starter(path);
        return;
    }
    const QString file = QString::fromStdString(path);
    const QString folder = QFileInfo(file).absolutePath();
    if (!QProcess::startDetached(QCoreApplication::applicationFilePath(), {file}, folder)) {
        ShowDialogMessage(this, m_sink, "新しいｳｲﾝﾄﾞｳを開けませんでした: " + path,
                          QMessageBox::Warning);
    }
}

std::unique_ptr<QMenu> CCaseFindDlg::ResultMenu() {
    auto menu = std::make_unique<QMenu>(this);
    const bool selected = m_pView->selectionModel()->hasSelection();
    QAction* open = menu->addAction(Text("読み込み(&R)"), this, &CCaseFindDlg::OpenSelected);
    open->setEnabled(selected && !IsSearching());
    QAction* window =
        menu->addAction(Text("新しいｳｲﾝﾄﾞｳで開く(&N)"), this, &CCaseFindDlg::OpenInNewWindow);
    window->setEnabled(selected);
    return menu;
}

void CCaseFindDlg::Browse() {
    const QString chosen =
        QFileDialog::getExistingDirectory(this, QString::fromUtf8(Res(279)), m_pFolder->text());
    if (!chosen.isEmpty()) {
        m_pFolder->setText(chosen);
    }
}

void CCaseFindDlg::FitColumns() {
    // The path is what the user reads: it takes the room the dialog has, and the count
    // keeps only what its texts ("ﾋｯﾄ数", "読み込みｴﾗｰ", "検索中...") need.
    QHeaderView* header = m_pView->header();
    header->setStretchLastSection(false);
    const QFontMetrics text(m_pView->font());
    const QFontMetrics title(header->font());
    for (int section = 0; section < m_pModel->columnCount(); ++section) {
        if (m_pModel->ColumnIdAt(section) == kCaseFindPathColumn) {
            header->setSectionResizeMode(section, QHeaderView::Stretch);
            continue;
        }
        int needed = title.horizontalAdvance(QString::fromUtf8(Res(283))) +
                     CColumnWidths::kCellMargin + CColumnWidths::kSortMarkWidth;
        for (int id : {280, 284}) {
            needed = std::max(needed, text.horizontalAdvance(QString::fromUtf8(Res(id))) +
                                          CColumnWidths::kCellMargin);
        }
        m_pView->setColumnWidth(section, std::max(m_pView->columnWidth(section), needed));
    }
}

void CCaseFindDlg::ClickColumn(int section) {
    const int id = m_pModel->ColumnIdAt(section);
    if (id < 0) {
        return;
    }
    SColumnEntry& entry = m_columns.Shown()[static_cast<std::size_t>(section)];
    if (m_nSortColumn == id) {
        entry.m_bAscending = entry.m_bAscending ? 0 : 1;
    } else {
        entry.m_bAscending = 1;
        m_nSortColumn = id;
    }
    m_pModel->Sort(id, entry.m_bAscending != 0);
    m_pView->header()->setSortIndicator(section, entry.m_bAscending ? Qt::AscendingOrder
                                                                    : Qt::DescendingOrder);
}

bool CCaseFindDlg::eventFilter(QObject* watched, QEvent* event) {
    const bool key = event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress;
    if (watched != m_pView || !key) {
        return QDialog::eventFilter(watched, event);
    }
    const auto* press = static_cast<QKeyEvent*>(event);
    if (press->key() != Qt::Key_Y || press->modifiers() != Qt::AltModifier) {
        return false;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept(); // the list takes the key before the shared mnemonic does
        return true;
    }
    if (m_buttons[kOpen]->isEnabled()) {
        m_buttons[kOpen]->click();
    }
    return true;
}

void CCaseFindDlg::reject() {
    if (!IsSearching()) {
        QDialog::reject();
    }
}

void CCaseFindDlg::closeEvent(QCloseEvent* event) {
    if (IsSearching()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace quillora
