// The find dialog.
#include "app/find/CFindDlg.h"
#include "app/ColumnWidths.h"

#include "app/DisplayColumns.h"
#include "app/IconFactory.h"
#include "app/TobCaseDoc.h"
#include "app/find/CFindConditionPanel.h"
#include "app/find/CFindResultModel.h"
#include "app/find/IFindHost.h"
#include "app/media/CSpinningDisc.h"
#include "core/ConfigData.h"
#include "core/Resources.h"
#include "core/TraceLog.h"
#include "document/JobOptions.h"
#include "model/CaseEditing.h"
#include "model/SFileInfo.h"
#include "model/StoredContents.h"
#include "scan/MediaPresence.h"
#include "search/FindTitle.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace quillora {

namespace {

constexpr std::uint32_t kNotOnMedium = kFlagGroup | kFlagMedium | kFlagCase;
// A slice of a find keeps the window answering: it ends after this many milliseconds.
constexpr qint64 kSliceMs = 25;
constexpr std::size_t kSliceStep = 2048;
constexpr int kResultHeight = 240;

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

std::vector<int> AllColumnsBut(std::initializer_list<int> shown) {
    std::vector<int> ids;
    for (int id = 0; id < CDisplayColumns::kCount; ++id) {
        if (id != 15 && id != 16 && id != 17 &&
            std::find(shown.begin(), shown.end(), id) == shown.end()) {
            ids.push_back(id);
        }
    }
    return ids;
}

} // namespace

CFindDlg::CFindDlg(CTobCaseDoc& doc, IFindHost& host, QWidget* parent)
    : QDialog(parent), m_doc(doc), m_host(host),
      m_columns("Batch", "一括検索", {0, 14, 1, 4, 2, 20, 7, 18},
                AllColumnsBut({0, 14, 1, 4, 2, 20, 7, 18})) {
    setObjectName("FindDialog");
    setWindowTitle(Text("検索"));
    setModal(false);
    m_columns.Load(Config().Store());

    auto* outer = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    m_pPanel = new CFindConditionPanel(this);
    left->addWidget(m_pPanel);
    m_pNoClose = new QCheckBox(Text("閉じない"), this);
    left->addWidget(m_pNoClose);
    left->addStretch(1);
    top->addLayout(left, 1);

    auto* right = new QVBoxLayout;
    const char* const texts[] = {"次を検索(&F)", "閉じる(&C)", "一括検索(&B)", "絞り込み(&K)",
                                 "終了(&E)"};
    for (int i = 0; i < 5; ++i) {
        m_buttons[i] = new QPushButton(Text(texts[i]), this);
        m_buttons[i]->setAutoDefault(false);
        right->addWidget(m_buttons[i]);
    }
    m_buttons[kFindNext]->setDefault(true);
    // "終了(&E)" shows only while a find runs, as the way to stop it.
    m_buttons[kStop]->hide();
    m_buttons[kNarrow]->setEnabled(false);
    m_pAnimation = new CSpinningDisc(this);
    right->addWidget(m_pAnimation, 0, Qt::AlignHCenter);
    right->addStretch(1);
    top->addLayout(right);
    outer->addLayout(top);

    m_pResultArea = new QWidget(this);
    auto* area = new QVBoxLayout(m_pResultArea);
    area->setContentsMargins(0, 0, 0, 0);
    m_pView = new QTreeView(m_pResultArea);
    m_pModel = new CFindResultModel(m_columns, this);
    m_pView->setModel(m_pModel);
    m_pView->setRootIsDecorated(false);
    m_pView->setItemsExpandable(false);
    m_pView->setUniformRowHeights(true);
    // The mark's cell and the icon's, as in the file list.
    m_pView->setIconSize(QSize(CIconFactory::kListIconWidth, CIconFactory::kListIconHeight));
    m_pView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pView->setContextMenuPolicy(Qt::CustomContextMenu);
    m_pView->header()->setSectionsClickable(true);
    m_pView->header()->setSortIndicatorShown(true);
    m_pView->header()->setStretchLastSection(false);
    m_pView->setMinimumHeight(kResultHeight);
    area->addWidget(m_pView);
    outer->addWidget(m_pResultArea, 1);
    m_pResultArea->hide();
    CColumnWidths::Track(*m_pView, m_columns);

    connect(m_buttons[kFindNext], &QPushButton::clicked, this, [this] { FindNext(true); });
    connect(m_buttons[kClose], &QPushButton::clicked, this, &CFindDlg::OnHide);
    connect(m_buttons[kBatch], &QPushButton::clicked, this, &CFindDlg::BatchFind);
    connect(m_buttons[kNarrow], &QPushButton::clicked, this, &CFindDlg::Narrow);
    connect(m_buttons[kStop], &QPushButton::clicked, this, &CFindDlg::StopRun);
    connect(m_pView, &QTreeView::doubleClicked, this, &CFindDlg::OnRowActivated);
    connect(m_pView->header(), &QHeaderView::sectionClicked, this, &CFindDlg::ClickColumn);
    connect(m_pView, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        std::unique_ptr<QMenu> menu = ResultMenu();
        menu->exec(m_pView->viewport()->mapToGlobal(pos));
    });
    auto updateNarrow = [this] {
        m_buttons[kNarrow]->setEnabled(!IsRunning() && ResultAreaOpen() &&
                                       m_pModel->rowCount() > 0);
    };
    connect(m_pModel, &QAbstractItemModel::rowsInserted, this, updateNarrow);
    connect(m_pModel, &QAbstractItemModel::modelReset, this, updateNarrow);
    connect(this, &CFindDlg::RunFinished, this, updateNarrow);

    // Rows point into the open case: they go with the case, or with a medium that is
    // replaced, and a find that runs stops before its walk could meet freed records.
    connect(&m_doc, &CTobCaseDoc::CaseChanged, this, [this] {
        AbandonRun();
        m_pIndex.reset();
        m_pModel->Clear();
    });
    connect(&m_doc, &CTobCaseDoc::MediumReplaced, this, [this](SFileInfo* oldRecord, SFileInfo*) {
        AbandonRun();
        m_pModel->RemoveSubtree(oldRecord);
    });
}

CFindDlg::~CFindDlg() {
    AbandonRun();
    m_columns.Save(Config().Store());
    // QDialog hides the window and deletes the view after this class's members are
    // gone; the view must no longer ask the model, which reads the column set.
    m_pView->setModel(nullptr);
}

void CFindDlg::ShowDialog() {
    if (isMaximized()) {
        showNormal();
    }
    m_buttons[kFindNext]->setText(QString::fromUtf8(Res(206)));
    LoadConditions();
    UpdateTitle();
    // Showing the dialog closes the result area, also when it was left open when the
    // dialog was last closed (a hidden dialog's children are not "visible").
    if (ResultAreaOpen()) {
        m_pResultArea->hide();
        layout()->activate();
        resize(width(), sizeHint().height());
    }
    m_pView->setAllColumnsShowFocus(Config().m_nLineSelect != 0);
    // Without "ShowSelAlways" the selection fades out while the list has no focus.
    QPalette palette = m_pView->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     Config().m_nShowSelAlways
                         ? palette.color(QPalette::Active, QPalette::Highlight)
                         : palette.color(QPalette::Inactive, QPalette::Base));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     Config().m_nShowSelAlways
                         ? palette.color(QPalette::Active, QPalette::HighlightedText)
                         : palette.color(QPalette::Inactive, QPalette::Text));
    m_pView->setPalette(palette);
    show();
    KeepOnScreen();
    raise();
    activateWindow();
    m_pPanel->FocusName();
}

void CFindDlg::KeepOnScreen() {
    QScreen* screen = this->screen();
    if (!screen) {
        return;
    }
    const QRect room = screen->availableGeometry();
    const int frameExtra = frameGeometry().height() - height();
    if (frameGeometry().height() > room.height()) {
        resize(width(), std::max(minimumSizeHint().height(), room.height() - frameExtra));
    }
    const QRect frame = frameGeometry();
    const int x = std::clamp(frame.left(), room.left(),
                             std::max(room.left(), room.right() + 1 - frame.width()));
    const int y = std::clamp(frame.top(), room.top(),
                             std::max(room.top(), room.bottom() + 1 - frame.height()));
    if (x != frame.left() || y != frame.top()) {
        move(pos() + QPoint(x - frame.left(), y - frame.top()));
    }
}

void CFindDlg::LoadConditions() {
    m_pPanel->Load(Config().m_find);
    m_pNoClose->setChecked(Config().m_find.m_nNoClose != 0);
}

bool CFindDlg::ResultAreaOpen() const {
    return !m_pResultArea->isHidden();
}

void CFindDlg::Message(const std::string& text, bool warning) {
    ShowDialogMessage(this, m_sink, text,
                      warning ? QMessageBox::Warning : QMessageBox::Information);
}

void CFindDlg::ReadControls() {
    std::vector<std::string> problems;
    m_pPanel->Store(Config().m_find, problems);
    Config().m_find.m_nNoClose = m_pNoClose->isChecked() ? 1 : 0;
    for (const std::string& problem : problems) {
        Message(problem, true);
    }
}

void CFindDlg::Prepare() {
    m_pConditions = std::make_unique<SFindCondition>(Config().m_find);
    if (!m_pConditions->Prepare()) {
        std::string text;
        for (const std::string& problem : m_pConditions->Problems()) {
            text += (text.empty() ? "" : "\n") + problem;
        }
        Message(text, true);
    }
    m_pPanel->LoadHistories(Config().m_find);
}

void CFindDlg::UpdateTitle() {
    setWindowTitle(QString::fromStdString(FindTitle(Config().m_find, false)));
}

void CFindDlg::FindNext(bool fromControls) {
    if (IsRunning()) {
        return;
    }
    if (fromControls) {
        ReadControls();
    }
    Prepare();
    UpdateTitle();
    StartRun(ERun::Next);
}

void CFindDlg::BatchFind() {
    if (IsRunning()) {
        return;
    }
    ReadControls();
    Prepare();
    UpdateTitle();
    OpenResultArea();
    m_pModel->Clear();
    m_nSortColumn = -1;
    m_pView->header()->setSortIndicator(-1, Qt::AscendingOrder);
    StartRun(ERun::Batch);
}

void CFindDlg::Narrow() {
    if (IsRunning() || !ResultAreaOpen() || m_pModel->rowCount() == 0) {
        return;
    }
    ReadControls();
    Prepare();
    UpdateTitle();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const SFindCondition& conditions = *m_pConditions;
    m_pModel->KeepIf([&conditions](const SFileInfo& r) { return conditions.Match(r); });
    QApplication::restoreOverrideCursor();
    m_pConditions->Release();
    m_pConditions.reset();
    emit RunFinished();
}

void CFindDlg::OpenResultArea() {
    if (ResultAreaOpen()) {
        return;
    }
    const int grow = kResultHeight + layout()->spacing();
    m_pResultArea->show();
    if (isVisible()) {
        // The list opens downwards; near the bottom of the screen the dialog moves up
        // (and past the screen's height it grows no more) so none of it is off screen.
        resize(width(), height() + grow);
        KeepOnScreen();
    }
}

void CFindDlg::StartRun(ERun kind) {
    SFileInfo* start = m_host.FindStartRecord();
    CCDCase& root = m_doc.Case();
    m_runMode = kind == ERun::Batch ? CFindRun::EMode::Batch
                : start             ? CFindRun::EMode::Next
                                    : CFindRun::EMode::First;
    m_pRunStart = start ? start : &root;
    m_pRunCase = &root;
    m_nRunRevision = root.Revision();
    if (!m_pIndex || !m_pIndex->IsCurrentFor(root)) {
        m_pIndex = std::make_unique<CNameIndex>(root, m_pIndex.get());
    }
    m_pRun.reset();
    m_hits.clear();
    m_run = kind;
    SetBusy(true);
    RunSlice();
}

bool CFindDlg::CaseChangedUnderRun() {
    CCDCase& root = m_doc.Case();
    return &root != m_pRunCase || root.Revision() != m_nRunRevision;
}

void CFindDlg::RunSlice() {
    if (m_run == ERun::None) {
        return;
    }
    if (CaseChangedUnderRun()) {
        AbandonRun();
        return;
    }
    QElapsedTimer timer;
    timer.start();
    bool done = false;
    std::size_t steps = 0;
    while (!done && timer.elapsed() < kSliceMs && steps++ < m_nSliceSteps) {
        if (!m_pRun) {
            if (!m_pIndex->Build(m_doc.Case(), kSliceStep * 8)) {
                continue;
            }
            const bool indexed = m_pIndex->Usable();
            if (!indexed) {
                m_pIndex.reset();
            }
            m_pRun = std::make_unique<CFindRun>(*m_pConditions, *m_pRunStart, m_runMode,
                                                indexed ? m_pIndex.get() : nullptr);
        }
        done = m_pRun->Step(kSliceStep, m_hits);
    }
    if (m_run == ERun::Batch) {
        m_pModel->Append(m_hits);
        m_hits.clear();
    }
    if (done) {
        EndRun(true);
        return;
    }
    QTimer::singleShot(0, this, &CFindDlg::RunSlice);
}

void CFindDlg::StopRun() {
    if (IsRunning()) {
        EndRun(false);
    }
}

void CFindDlg::AbandonRun() {
    if (!IsRunning()) {
        return;
    }
    // The case changed under the walk: its records are not looked at again.
    m_hits.clear();
    EndRun(false);
}

void CFindDlg::EndRun(bool completed) {
    const ERun kind = m_run;
    m_run = ERun::None;
    m_pRun.reset();
    m_pRunStart = nullptr;
    if (m_pIndex && !m_pIndex->IsComplete()) {
        m_pIndex.reset();
    }
    if (m_pConditions) {
        m_pConditions->Release();
        m_pConditions.reset();
    }
    SetBusy(false);
    if (kind == ERun::Next && completed) {
        if (m_hits.empty()) {
            Message(Res(141), false);
        } else {
            m_host.ShowFoundRecord(*m_hits.front());
            if (Config().m_find.m_nNoClose) {
                m_buttons[kFindNext]->setText(QString::fromUtf8(Res(207)));
            } else {
                hide();
            }
        }
    }
    m_hits.clear();
    emit RunFinished();
}

void CFindDlg::SetBusy(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_bCursorSet = true;
        m_pAnimation->Start();
    } else {
        if (m_bCursorSet) {
            QApplication::restoreOverrideCursor();
            m_bCursorSet = false;
        }
        m_pAnimation->Stop();
    }
    m_pPanel->setEnabled(!busy);
    m_pNoClose->setEnabled(!busy);
    for (EButton b : {kFindNext, kClose, kBatch}) {
        m_buttons[b]->setEnabled(!busy);
    }
    m_buttons[kNarrow]->setEnabled(!busy && ResultAreaOpen() && m_pModel->rowCount() > 0);
    m_buttons[kStop]->setVisible(busy);
}

void CFindDlg::OnHide() {
    Config().m_find.m_nNoClose = m_pNoClose->isChecked() ? 1 : 0;
    StopRun();
    hide();
}

void CFindDlg::reject() {
    OnHide();
}

void CFindDlg::closeEvent(QCloseEvent* event) {
    OnHide();
    event->ignore();
}

void CFindDlg::OnRowActivated(const QModelIndex& index) {
    SFileInfo* record = m_pModel->RecordAt(index.row());
    if (!record) {
        return;
    }
    m_host.ShowFoundRecord(*record);
    if (!m_pNoClose->isChecked()) {
        hide();
    }
}

void CFindDlg::ClickColumn(int section) {
    const int id = m_pModel->ColumnIdAt(section);
    if (id < 0 || IsRunning()) {
        return;
    }
    auto& shown = m_columns.Shown();
    SColumnEntry& entry = shown[static_cast<std::size_t>(section)];
    // A click on the sort column turns its direction over; another column starts
    // ascending.
    if (m_nSortColumn == id) {
        entry.m_bAscending = entry.m_bAscending ? 0 : 1;
    } else {
        entry.m_bAscending = 1;
        m_nSortColumn = id;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_pModel->Sort(id, entry.m_bAscending != 0);
    QApplication::restoreOverrideCursor();
    m_pView->header()->setSortIndicator(section, entry.m_bAscending ? Qt::AscendingOrder
                                                                    : Qt::DescendingOrder);
}

std::vector<SFileInfo*> CFindDlg::SelectedRecords() const {
    QModelIndexList rows = m_pView->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<SFileInfo*> records;
    for (const QModelIndex& index : rows) {
        if (SFileInfo* r = m_pModel->RecordAt(index.row())) {
            records.push_back(r);
        }
    }
    return records;
}

std::unique_ptr<QMenu> CFindDlg::ResultMenu() {
    auto menu = std::make_unique<QMenu>(this);
    const std::vector<SFileInfo*> selected = SelectedRecords();
    const SFileInfo* first = selected.empty() ? nullptr : selected.front();
    const bool firstOnMedium = first && !first->HasFlags(kNotOnMedium);
    const bool onlyOne = selected.size() == 1;
    const bool onlyNotOnMedium = onlyOne && first->HasFlags(kNotOnMedium);

    QAction* all = menu->addAction(Text("全てを選択(&A)"), m_pView, &QTreeView::selectAll);
    all->setEnabled(m_pModel->rowCount() > 0);
    menu->addSeparator();
    QAction* extract = menu->addAction(Text("抽出(&T)"), this, [this, selected] {
        std::vector<const SFileInfo*> records;
        for (SFileInfo* r : selected) {
            if (!r->HasFlags(kNotOnMedium)) {
                records.push_back(r);
            }
        }
        m_host.ExtractRecords(records);
        m_pModel->RefreshRows();
    });
    extract->setEnabled(firstOnMedium);
    QAction* autoComment = menu->addAction(Text("ｺﾒﾝﾄ自動抽出(&A)"), this, [this, selected] {
        std::vector<SFileInfo*> records;
        for (SFileInfo* r : selected) {
            if (!r->HasFlags(kNotOnMedium)) {
                records.push_back(r);
            }
        }
        m_host.AutoCommentRecords(records);
        m_pModel->RefreshRows();
    });
    autoComment->setEnabled(firstOnMedium && m_doc.Extractors() != nullptr);
    QAction* comment = menu->addAction(Text("ｺﾒﾝﾄ編集(&W)..."), this, [this, first] {
        m_host.EditComment(*const_cast<SFileInfo*>(first));
        m_pModel->RefreshRows();
    });
    comment->setEnabled(first != nullptr);
    QAction* embed = menu->addAction(Text("ﾃﾞｰﾀ埋め込み(&B)"), this, &CFindDlg::EmbedData);
    embed->setEnabled(std::any_of(selected.begin(), selected.end(), [](const SFileInfo* r) {
        return !r->HasFlags(kNotOnMedium) && !r->IsDirectory();
    }));
    menu->addSeparator();
    QAction* mark = menu->addAction(Text("ﾏｰｸを設定(&M)"), this, [this] { SetMarks(true); });
    mark->setEnabled(!selected.empty() && !onlyNotOnMedium && !(onlyOne && IsMarked(*first)));
    QAction* unmark = menu->addAction(Text("ﾏｰｸを解除(&F)"), this, [this] { SetMarks(false); });
    unmark->setEnabled(!selected.empty() && !onlyNotOnMedium && !(onlyOne && !IsMarked(*first)));
    menu->addSeparator();
    QAction* csv = menu->addAction(Text("CSV形式でｺﾋﾟｰ(&C)"), this,
                                   [this, selected] { m_host.CopyRecordsAsCsv(selected); });
    csv->setEnabled(!selected.empty());
    return menu;
}

void CFindDlg::SetMarks(bool on) {
    bool changed = false;
    for (SFileInfo* r : SelectedRecords()) {
        if (!r->HasFlags(kNotOnMedium) && IsMarked(*r) != on) {
            SetMark(*r, 1, on);
            changed = true;
        }
    }
    if (changed) {
        m_doc.Core().SetModifiedFlag(true);
        m_pModel->RefreshRows();
        m_host.RecordsChanged();
    }
}

void CFindDlg::EmbedData() {
    bool changed = false;
    for (SFileInfo* r : SelectedRecords()) {
        if (r->HasFlags(kNotOnMedium) || r->IsDirectory()) {
            continue;
        }
        // Each file needs its medium; a cancelled request ends the run.
        if (!m_doc.Presence().RequireMedium(*r, m_doc)) {
            break;
        }
        std::string error;
        if (!LoadStoredContents(*r, ExtractionFolder(Config()), &error)) {
            Message(error, true);
            break;
        }
        changed = true;
    }
    if (changed) {
        m_doc.Core().SetModifiedFlag(true);
        m_pModel->RefreshRows();
        m_host.RecordsChanged();
    }
}

} // namespace quillora
