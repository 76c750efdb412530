// Main window: menus, tool bar, context menus and command states. Commands whose
// parts are not built yet are present and disabled.
#include "app/CaseFolderMount.h"
#include "app/CaseTreeModel.h"
#include "app/ColumnTitles.h"
#include "app/IconFactory.h"
#include "app/MainFrame.h"
#include "app/RecentFileList.h"
#include "app/RecordCommands.h"
#include "app/TobCaseDoc.h"
#include "app/TobCaseList.h"
#include "app/TobCaseView.h"
#include "app/TobPropView.h"
#include "app/comments/CAutoCommentRunner.h"
#include "app/compare/CQtCompareUi.h"
#include "app/edit/CCommentEditDlg.h"
#include "app/edit/CLabelEditDlg.h"
#include "app/export/CListCommands.h"
#include "app/options/CDisplayItemsDlg.h"
#include "core/ConfigData.h"
#include "model/SVolumeInfo.h"
#include "model/StoredContents.h"
#include "scan/ArchiveExpander.h"
#include "scan/MediaPresence.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>

namespace quillora {

namespace {

// "開く(&O)...\tCtrl+O": the text before the tab; the shortcut is set apart.
QString MenuText(const char* text) {
    QString s = QString::fromUtf8(text);
    return s.left(s.indexOf('\t') < 0 ? s.size() : s.indexOf('\t'));
}

} // namespace

QAction* CMainFrame::Action(int command) const {
    auto it = m_actions.find(command);
    return it == m_actions.end() ? nullptr : it->second;
}

QAction* CMainFrame::AddCommand(QMenu* menu, int command, const char* text,
                                const QKeySequence& keys, std::function<void()> handler) {
    auto* action = new QAction(MenuText(text), this);
    action->setShortcut(keys);
    action->setData(command);
    connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    if (menu) {
        menu->addAction(action);
    } else {
        addAction(action);
    }
    if (command != 0) {
        m_actions[command] = action;
    }
    return action;
}

void CMainFrame::OnEditLabels() {
    SFileInfo* container = m_pTree->Current();
    if (!container || !container->HasFlags(kFlagGroup | kFlagCase)) {
        container = &m_doc.Case();
    }
    if (!CLabelEditDlg::Run(this, *container)) {
        return;
    }
    m_pTree->Model().Resync();
    m_doc.Core().SetModifiedFlag(true);
    RefreshViews();
}

void CMainFrame::OnEditComment(SFileInfo& record) {
    // The configured categories are the category history of the find settings.
    CRecentList& history = Config().m_find.m_categoryHistory;
    std::vector<std::string> categories = history.Entries();
    std::size_t known = categories.size();
    CCommentEditModel::Extractor extract;
    if (m_doc.Extractors()) {
        extract = [this](SFileInfo& r) {
            if (!m_doc.Presence().RequireMedium(r, m_doc)) {
                return false;
            }
            CAutoCommentRunner runner(*m_doc.Extractors(), m_doc.ArchiveExpander());
            return runner.Run({&r}, {});
        };
    }
    if (!CCommentEditDlg::Run(this, record, categories, std::move(extract))) {
        return;
    }
    for (std::size_t i = known; i < categories.size(); ++i) {
        history.Add(categories[i]);
    }
    m_doc.Core().SetModifiedFlag(true);
}

void CMainFrame::OnDisplayItems() {
    CColumnSets& sets = m_pList->ColumnSets();
    ColumnSets lists = ToColumnLists(sets);
    if (!CDisplayItemsDlg::Edit(this, lists)) {
        return;
    }
    ApplyColumnLists(lists, sets);
    m_pList->ShowFolder(m_pList->Folder());
    UpdateStatus();
}

void CMainFrame::CreateMenus() {
    CTobCaseDoc& doc = m_doc;
    auto target = [this](auto command) { return [this, command] { RunOnTarget(command); }; };
    CRecordCommands& commands = *m_pCommands;

    m_pFileMenu = menuBar()->addMenu(QString::fromUtf8("ﾌｧｲﾙ(&F)"));
    QMenu* file = m_pFileMenu;
    AddCommand(file, kFileNew, "新規作成(&N)", QKeySequence::New, [&doc] { doc.OnFileNew(); });
    AddCommand(file, kFileOpen, "開く(&O)...", QKeySequence::Open, [&doc] { doc.OnFileOpen(); });
    AddCommand(file, kMergeCase, "ｹｰｽの追加(&C)...", {}, [&doc] { doc.OnMergeCase(); });
    AddCommand(file, kFileSave, "上書き保存(&S)", QKeySequence::Save, [&doc] { doc.OnFileSave(); });
    AddCommand(file, kFileSaveAs, "名前を付けて保存(&A)...", {}, [&doc] { doc.OnFileSaveAs(); });
    file->addSeparator();
    AddCommand(file, kSetPassword, "ﾊﾟｽﾜｰﾄﾞ設定(&P)..", {}, [&doc] { doc.OnSetPassword(); });
    file->addSeparator();
    AddCommand(file, kOpenAsFolder, "ﾌｫﾙﾀﾞとして開く(&D)", {}, [this] { OnOpenAsFolder(); });
    file->addSeparator();
    QMenu* import = file->addMenu(QString::fromUtf8("ｲﾝﾎﾟｰﾄ(&I)"));
    QMenu* exportMenu = file->addMenu(QString::fromUtf8("ｴｸｽﾎﾟｰﾄ(&E)"));
    file->addSeparator();
    // &P belongs to ﾊﾟｽﾜｰﾄﾞ設定 in this menu.
    AddCommand(file, kPrint, "印刷(&T)...\tCtrl+P", QKeySequence::Print, [this] { OnPrint(); });
    m_pRecentSeparator = file->addSeparator();
    file->addSeparator();
    AddCommand(file, kAppExit, "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)", {}, [this] { close(); });
    UpdateRecentFiles();

    QMenu* edit = menuBar()->addMenu(QString::fromUtf8("編集(&E)"));
    AddCommand(edit, kEditCopy, "ｺﾋﾟｰ(&C)\tCtrl+C", QKeySequence::Copy,
               [this] { m_pLists->CopyEntries(CopySelection()); });
    AddCommand(edit, kMarkCsvCopy, "ﾏｰｸ一括CSVｺﾋﾟｰ(&B)", {}, [this] { m_pLists->CopyMarked(); });
    AddCommand(edit, kCopyMedia, "ﾒﾃﾞｨｱのｺﾋﾟｰ(&Y)", {}, [this] { OnCopyMedia(); });
    AddCommand(edit, kPasteMedia, "ﾒﾃﾞｨｱの貼り付け(&V)", {}, [this] { OnPasteMedia(); });
    AddCommand(edit, kCopyName, "名前のｺﾋﾟｰ(&N)", {},
               target([](SFileInfo& r) { CRecordCommands::CopyName(r); }));
    AddCommand(edit, kCopyFullPath, "ﾌﾙﾊﾟｽのｺﾋﾟｰ(&L)", {},
               target([](SFileInfo& r) { CRecordCommands::CopyFullPath(r); }));
    edit->addSeparator();
    AddCommand(edit, kMark, "ﾏｰｸ(&M)", {},
               target([&commands](SFileInfo& r) { commands.ToggleMark(r, false); }));
    AddCommand(edit, kMarkRecursive, "ﾏｰｸ ｻﾌﾞﾌｫﾙﾀﾞ以下も(&U)", {},
               target([&commands](SFileInfo& r) { commands.ToggleMark(r, true); }));
    edit->addSeparator();
    AddCommand(edit, kEditLabelInPlace, "名前の変更(&R)\tF2", QKeySequence("F2"),
               [this] { m_pTree->EditLabel(m_pTree->Current()); });
    AddCommand(edit, kEditLabels, "ﾗﾍﾞﾙの編集(&B)...\tCtrl+L", QKeySequence("Ctrl+L"),
               [this] { OnEditLabels(); });
    AddCommand(edit, kEditComment, "ｺﾒﾝﾄ編集(&W)...", {},
               target([this](SFileInfo& r) { OnEditComment(r); }));
    AddCommand(edit, kEmbedData, "ﾃﾞｰﾀ埋め込み(&B)", {},
               target([&commands](SFileInfo& r) { commands.EmbedData(r); }));
    edit->addSeparator();
    AddCommand(edit, kFind, "検索(&S)...\tCtrl+F", QKeySequence::Find, [this] { OnFind(); });
    AddCommand(edit, kFindNext, "次を検索(&X)\tF3", QKeySequence("F3"), [this] { OnFindNext(); });
    AddCommand(edit, kCaseFind, "ｹｰｽ検索(&H)...\tCtrl+G", QKeySequence("Ctrl+G"),
               [this] { OnCaseFind(); });

    QMenu* view = menuBar()->addMenu(QString::fromUtf8("表示(&V)"));
    // Filled by CreateToolBar with the bars' toggles.
    view->setObjectName("ViewMenu");
    view->addSeparator();
    AddCommand(view, kDisplayItems, "表示項目設定(&D)...", {}, [this] { OnDisplayItems(); });
    view->addSeparator();
    AddCommand(view, kTabGeneral, "全般(&G)", {},
               [this] { m_pProps->setCurrentIndex(CTobPropView::kGeneral); });
    AddCommand(view, kTabComment, "ｺﾒﾝﾄ(&C)", {},
               [this] { m_pProps->setCurrentIndex(CTobPropView::kComment); });
    AddCommand(view, kTabProperties, "ﾌﾟﾛﾊﾟﾃｨ(&P)", {},
               [this] { m_pProps->setCurrentIndex(CTobPropView::kProperties); });

    QMenu* media = menuBar()->addMenu(QString::fromUtf8("ﾒﾃﾞｨｱ(&M)"));
    AddCommand(media, kInsertMedia, "追加(&I)...", {}, [&doc] { doc.OnInsertMedia(); });
    AddCommand(media, kContinuousAdd, "連続追加(&R)...", {}, [&doc] { doc.OnContinuousAdd(); });
    AddCommand(media, kAddGroup, "ｸﾞﾙｰﾌﾟの追加(&G)\tAlt+G", QKeySequence("Alt+G"),
               [&doc] { doc.OnAddGroup(); });
    media->addSeparator();
    AddCommand(media, kCheckMounts, "装着確認(&S)\tCtrl+Q", QKeySequence("Ctrl+Q"),
               [&doc] { doc.OnCheckMounts(); });
    AddCommand(media, kUpdateFromDrive, "更新 ﾒﾃﾞｨｱ->ｹｰｽ(&U)", {},
               [this] { m_doc.OnUpdateFromDrive(m_pTree->Current()); });
    auto compare = [this](int command) {
        return [this, command] {
            CQtCompareUi(m_doc, this).RunCommand(command, m_pTree->Current());
            RefreshViews();
        };
    };
    AddCommand(media, CQtCompareUi::kUpdateLinksFromMedium, "更新 ﾒﾃﾞｨｱ->ﾘﾝｸ先(&M)", {},
               compare(CQtCompareUi::kUpdateLinksFromMedium));
    AddCommand(media, CQtCompareUi::kUpdateMediumFromLinks, "更新 ﾘﾝｸ先->ﾒﾃﾞｨｱ(&L)", {},
               compare(CQtCompareUi::kUpdateMediumFromLinks));
    media->addSeparator();
    AddCommand(media, CQtCompareUi::kCompareMediumCase, "比較 ﾒﾃﾞｨｱ-ｹｰｽ(&H)...", {},
               compare(CQtCompareUi::kCompareMediumCase));
    AddCommand(media, CQtCompareUi::kCompareCaseLink, "比較 ｹｰｽ-ﾘﾝｸ先(&C)...", {},
               compare(CQtCompareUi::kCompareCaseLink));
    media->addSeparator();
    m_pEjectMenu = media->addMenu(QString::fromUtf8("ﾒﾃﾞｨｱの取り出し(&T)"));
    connect(m_pEjectMenu, &QMenu::aboutToShow, this, &CMainFrame::RebuildEjectMenus);
    // The default eject is the tool bar button's; RebuildEjectMenus fills the menus.
    AddCommand(nullptr, kEjectDefault, "ﾒﾃﾞｨｱの取り出し", {}, [this] {
        OnEject(kEjectDefault);
    })->setIcon(CIconFactory::Instance().Tool(CIconFactory::kToolEject));
    media->addSeparator();
    AddCommand(media, kOpenFile, "ﾌｧｲﾙを開く(&O)", {},
               target([&commands](SFileInfo& r) { commands.OpenFile(r); }));
    AddCommand(media, kOpenLink, "ﾘﾝｸ先ﾌｧｲﾙを開く(&L)", {},
               target([&commands](SFileInfo& r) { commands.OpenLink(r); }));
    AddCommand(media, kExplore, "ｴｸｽﾌﾟﾛｰﾗを起動(&X)", {},
               target([&commands](SFileInfo& r) { commands.Explore(r); }));
    AddCommand(media, kExtract, "抽出(&T)\tCtrl+M", QKeySequence("Ctrl+M"),
               [this] { OnExtract(); });
    AddCommand(media, kAutoComment, "ｺﾒﾝﾄ自動抽出(&A)\tCtrl+H", QKeySequence("Ctrl+H"),
               [this] { OnAutoComment(); });

    QMenu* tools = menuBar()->addMenu(QString::fromUtf8("ﾂｰﾙ(&T)"));
    AddCommand(tools, kOptions, "ｵﾌﾟｼｮﾝ(&O)...\tCtrl+J", QKeySequence("Ctrl+J"),
               [this] { OnOptions(); });
    AddCommand(tools, kCommentSettings, "ｺﾒﾝﾄ抽出設定(&M)...", {}, [this] { OnCommentSettings(); });
    AddCommand(tools, kCopiesReport, "ｺﾋﾟｰ数ﾚﾎﾟｰﾄ(&R)...", {}, [this] { OnCopiesReport(); });
    tools->addSeparator();
    CreateListCommands(import, exportMenu, tools);

    QMenu* help = menuBar()->addMenu(QString::fromUtf8("ﾍﾙﾌﾟ(&H)"));
    AddCommand(help, 57664, "ﾊﾞｰｼﾞｮﾝ情報(&A)...", {}, [this] {
        QMessageBox::about(this, "Quillora",
                           QString::fromUtf8("Quillora\nﾒﾃﾞｨｱのｶﾀﾛｸﾞ (ｹｰｽ) を作成・管理します。"));
    });
}

void CMainFrame::CreateToolBar() {
    auto* bar = addToolBar(QString::fromUtf8("ﾂｰﾙﾊﾞｰ"));
    bar->setObjectName("ToolBar");
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->setIconSize(QSize(16, 16));
    const CIconFactory& icons = CIconFactory::Instance();
    struct SButton {
        int command;
        const char* text;
        QPixmap image;
    };
    // Each button its own picture: the document commands their own, the media
    // commands a disc with a sign, the record commands the tree's pictures.
    const SButton buttons[] = {
        {kFileNew, "新規", icons.Tool(CIconFactory::kToolNew)},
        {kFileOpen, "開く", icons.Tool(CIconFactory::kToolOpen)},
        {kFileSave, "保存", icons.Tool(CIconFactory::kToolSave)},
        {0, nullptr, {}},
        {kInsertMedia, "追加", icons.Tool(CIconFactory::kToolAdd)},
        {kAddGroup, "ｸﾞﾙｰﾌﾟ", icons.Tree(20)},
        {kCheckMounts, "装着確認", icons.Tool(CIconFactory::kToolCheck)},
        {kEjectDefault, nullptr, {}},
        {0, nullptr, {}},
        {kMark, "ﾏｰｸ", icons.Tree(9)},
        {kOpenFile, "開く", icons.List(9)},
        {kExplore, "ｴｸｽﾌﾟﾛｰﾗ", icons.Tree(10)},
    };
    for (const SButton& b : buttons) {
        if (b.command == kEjectDefault) {
            CreateEjectButton(bar);
            continue;
        }
        if (!b.text) {
            bar->addSeparator();
            continue;
        }
        QAction* source = Action(b.command);
        auto* button = new QAction(QIcon(b.image), QString::fromUtf8(b.text), bar);
        button->setObjectName(QString("ToolButton%1").arg(b.command));
        button->setToolTip(source->text().remove('&'));
        connect(button, &QAction::triggered, source, &QAction::trigger);
        connect(source, &QAction::enabledChanged, button, &QAction::setEnabled);
        button->setEnabled(source->isEnabled());
        bar->addAction(button);
    }
    bar->addSeparator();
    CreateIndexSearch(bar);
    QMenu* view = menuBar()->findChild<QMenu*>("ViewMenu");
    QAction* first = view->actions().isEmpty() ? nullptr : view->actions().front();
    QAction* toggleBar = bar->toggleViewAction();
    toggleBar->setText(QString::fromUtf8("ﾂｰﾙﾊﾞｰ(&T)"));
    view->insertAction(first, toggleBar);
    auto* toggleStatus = new QAction(QString::fromUtf8("ｽﾃｰﾀｽ ﾊﾞｰ(&S)"), this);
    toggleStatus->setCheckable(true);
    toggleStatus->setChecked(true);
    connect(toggleStatus, &QAction::toggled, this,
            [this](bool on) { statusBar()->setVisible(on); });
    view->insertAction(first, toggleStatus);
}

void CMainFrame::UpdateRecentFiles() {
    for (QAction* action : m_recentActions) {
        m_pFileMenu->removeAction(action);
        action->deleteLater();
    }
    m_recentActions.clear();
    const auto& entries = m_recent.Entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        QString path = QString::fromStdString(entries[i]);
        auto* action = new QAction(QString("&%1 %2").arg(i + 1).arg(path), this);
        connect(action, &QAction::triggered, this,
                [this, path] { m_doc.OpenPath(path.toStdString()); });
        m_pFileMenu->insertAction(m_pRecentSeparator, action);
        m_recentActions.push_back(action);
    }
    // The separator after the list shows only with entries.
    m_pRecentSeparator->setVisible(!entries.empty());
}

void CMainFrame::UpdateCommandStates() {
    SFileInfo* target = CommandTarget();
    SFileInfo* node = m_pTree->Current();
    bool isFile =
        target && !target->IsDirectory() && !target->HasFlags(kFlagMedium | kFlagGroup | kFlagCase);
    auto enable = [this](int command, bool on) {
        if (QAction* action = Action(command); action) {
            action->setEnabled(on);
        }
    };
    enable(kAddGroup, !node || node->HasFlags(kFlagCase | kFlagGroup));
    enable(kMark, target && !target->HasFlags(kFlagCase));
    enable(kMarkRecursive, target && !target->HasFlags(kFlagCase));
    enable(kOpenFile, isFile);
    enable(kEmbedData, isFile);
    enable(kOpenLink, target && !target->Link().empty());
    enable(kExplore, target && target->EnclosingMedium());
    enable(kCopyName, target != nullptr);
    enable(kCopyFullPath, target != nullptr);
    enable(kCopyMedia, target && target->HasFlags(kFlagMedium | kFlagGroup));
    enable(kPasteMedia,
           target && target->HasFlags(kFlagMedium | kFlagGroup | kFlagCase) && ClipboardHasMedia());
    enable(kUpdateFromDrive, node && node->EnclosingMedium());
    for (int command : {CQtCompareUi::kUpdateLinksFromMedium, CQtCompareUi::kUpdateMediumFromLinks,
                        CQtCompareUi::kCompareMediumCase, CQtCompareUi::kCompareCaseLink}) {
        enable(command, CQtCompareUi::CanRun(command, node));
    }
    enable(kEditLabelInPlace, node && node->HasFlags(kFlagMedium | kFlagGroup));
    enable(kExtract, !ExtractionSelection().empty());
    enable(kEditCopy, target != nullptr);
    enable(kAutoComment, m_doc.Extractors() && !AutoCommentSelection().empty());
    enable(kFindNext, m_pFindDlg != nullptr);
}

std::vector<int> CMainFrame::ContextCommands(const SFileInfo* record) {
    if (!record) {
        // The empty area of a view.
        return {kInsertMedia, kAddGroup, 0, kCheckMounts};
    }
    if (record->HasFlags(kFlagCase)) {
        return {
            kInsertMedia, kContinuousAdd, kAddGroup, 0, kMergeCase, kCheckMounts, 0, kEditLabels, 0,
            kPasteMedia};
    }
    if (record->HasFlags(kFlagGroup)) {
        return {kInsertMedia,   kAddGroup, 0, kEditLabelInPlace, kEditLabels, kEditComment, 0,
                kMarkRecursive, kCopyName, 0, kCopyMedia,        kPasteMedia};
    }
    if (record->HasFlags(kFlagMedium)) {
        return {kUpdateFromDrive,
                kEditLabelInPlace,
                kEditComment,
                0,
                kMark,
                kMarkRecursive,
                kExplore,
                0,
                kCopyName,
                kCopyFullPath,
                kCopyMedia,
                kPasteMedia};
    }
    if (record->IsDirectory()) {
        return {kMark, kMarkRecursive, kExplore,     kExtract, 0, kEditComment,
                0,     kCopyName,      kCopyFullPath};
    }
    return {kOpenFile, kOpenLink,    kExplore,     0, kMark,     kEmbedData,
            kExtract,  kAutoComment, kEditComment, 0, kCopyName, kCopyFullPath};
}

void CMainFrame::ShowContextMenu(SFileInfo* record, const QPoint& globalPos) {
    UpdateCommandStates();
    QMenu menu(this);
    for (int command : ContextCommands(record)) {
        if (command == 0) {
            menu.addSeparator();
        } else if (QAction* action = Action(command)) {
            menu.addAction(action);
        }
    }
    menu.exec(globalPos);
}

} // namespace quillora

namespace quillora {

void CMainFrame::OnOpenAsFolder() {
    const std::string path = m_doc.Core().PathName();
    if (path.empty() || m_doc.Core().IsModified()) {
        QMessageBox::information(this, QString::fromUtf8("ﾌｫﾙﾀﾞとして開く"),
                                 QString::fromUtf8("ｹｰｽを保存してから開いてください。"));
        return;
    }
    if (!m_pFolderMount) {
        m_pFolderMount = std::make_unique<CCaseFolderMount>();
    }
    std::string error;
    const std::string folder =
        m_pFolderMount->Open(path, m_doc.Case().m_strPassword,
                             dynamic_cast<CArchiveExpander*>(ArchiveEntryExtractor()), &error);
    if (folder.empty()) {
        QMessageBox::warning(this, QString::fromUtf8("ﾌｫﾙﾀﾞとして開く"),
                             QString::fromUtf8("ﾌｫﾙﾀﾞとして開けませんでした。\n") +
                                 QString::fromStdString(error));
        return;
    }
    if (!CCaseFolderMount::ShowInFileManager(folder)) {
        QMessageBox::information(this, QString::fromUtf8("ﾌｫﾙﾀﾞとして開く"),
                                 QString::fromUtf8("ﾌｧｲﾙﾏﾈｰｼﾞｬを起動できませんでした。\n") +
                                     QString::fromStdString(folder));
    }
}

void CMainFrame::CloseFolderMount(bool caseReplaced) {
    if (!m_pFolderMount || !m_pFolderMount->IsOpen()) {
        return;
    }
    // The folder shows one case file: it goes with the case, and when the case now
    // lives in another file (an empty file opened over it, Save As).
    if (caseReplaced || m_pFolderMount->CasePath() != m_doc.Core().PathName()) {
        m_pFolderMount->Close();
    }
}

} // namespace quillora
