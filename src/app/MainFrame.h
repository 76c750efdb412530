// The main window: the case tree above the property view on the left, the file list
// on the right, the menus, the tool bar and the status bar; it remembers its
// placement, splitter sizes and bar state in the settings store.
#pragma once

#include "app/find/IFindHost.h"

#include <QMainWindow>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QDockWidget;
class QLabel;
class QLineEdit;
class QMenu;
class QSplitter;
class QToolBar;

namespace quillora {

class CCaseFolderMount;

class CArchiverSet;
class CCaseFindDlg;
class CCopiesDlg;
class CFindDlg;
class CIndexQueryWorker;
class CIndexSearchPanel;
class CListCommands;
class CQtExtractionUi;
class CRecentFileList;
class CRecordCommands;
class CTobCaseDoc;
class CTobCaseList;
class CTobCaseView;
class CTobPropView;
class SFileInfo;

// The stored window placement: "flags,show,minX,minY,maxX,maxY,left,top,right,bottom".
struct SDriveEntry;
struct SLocateHit;

struct SWindowPlacement {
    unsigned m_nFlags = 0;
    unsigned m_nShowCmd = 1;
    int m_ptMin[2] = {-1, -1};
    int m_ptMax[2] = {-1, -1};
    int m_rcNormal[4] = {0, 0, 0, 0};

    // False unless exactly ten numbers parse; a show command other than 1 or 3 becomes 1.
    static bool Parse(const std::string& text, SWindowPlacement& out);
    std::string Format() const;
};

class CMainFrame : public QMainWindow, public IFindHost {
    Q_OBJECT
public:
    // Command ids of the menus (the program's numbering).
    enum Command {
        kFileNew = 57600,
        kFileOpen = 57601,
        kFileSave = 57603,
        kFileSaveAs = 57604,
        kAppExit = 57665,
        kEditCopy = 57634,
        kMarkCsvCopy = 32793,
        kMergeCase = 32816,
        kInsertMedia = 32772,
        kContinuousAdd = 32809,
        kAddGroup = 32879,
        kSetPassword = 32881,
        kMark = 32790,
        kMarkRecursive = 32811,
        kOpenLink = 32794,
        kOpenFile = 32802,
        kAutoComment = 32804,
        kCommentSettings = 32878,
        kCopiesReport = 33100,
        kExtract = 32810,
        kEmbedData = 32817,
        kExplore = 32872,
        kCopyName = 32882,
        kCopyFullPath = 32883,
        kCopyMedia = 32814,
        kPasteMedia = 32815,
        kCheckMounts = 32806,
        kUpdateFromDrive = 32792,
        kEditLabelInPlace = 32807,
        kEditLabels = 32808,
        kEditComment = 32805,
        kDisplayItems = 32880,
        kFind = 32780,
        kFindNext = 32781,
        kCaseFind = 32782,
        kTabGeneral = 32873,
        kTabComment = 32874,
        kTabProperties = 32875,
        kPrint = 32684,
        // Past the first program's commands: the case as a folder of the file manager.
        kOpenAsFolder = 33000,
        kOptions = 32795,
        // Eject: the CD-audio door, one entry per drive, and the last one used again.
        kEjectCdAudio = 32820,
        kEjectFirstDrive = 32824,
        kEjectDefault = 32852,
    };

    CMainFrame(CTobCaseDoc& doc, CRecentFileList& recent, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CTobCaseView& Tree() { return *m_pTree; }
    CTobCaseList& List() { return *m_pList; }
    CTobPropView& Props() { return *m_pProps; }
    // The action of a command id (null when the menus have none).
    QAction* Action(int command) const;
    // Status bar pane 0-4 texts.
    QString PaneText(int pane) const;

    // Restores "WindowPos", the splitter sizes and the bar state.
    void RestoreWindowState();
    // Writes them back (called on close).
    void SaveWindowState();
    // The default placement is in force (no usable "WindowPos").
    bool UsedDefaultPlacement() const { return m_bDefaultPlacement; }

    // The commands of the context menu for a record (null: the empty area of a view),
    // in order; 0 stands for a separator.
    static std::vector<int> ContextCommands(const SFileInfo* record);
    // The text of status pane 1 for a record.
    static QString RecordStatusText(const SFileInfo& record);
    // Rebuilds the recent-file entries of the File menu.
    void UpdateRecentFiles();

    // --- List commands (MainFrameLists.cpp) ---
    CListCommands& Lists() { return *m_pLists; }
    // What "ｺﾋﾟｰ(&C)" copies: the list's selected rows while the list has the focus, else
    // the tree's node.
    std::vector<SFileInfo*> CopySelection() const;

    // --- Media commands (MainFrameMedia.cpp) ---
    // The records the extract command takes: the list's selected rows while the list
    // has the focus, else the tree's node; media, groups and the case never.
    std::vector<const SFileInfo*> ExtractionSelection() const;
    // Runs the extract command; true when everything arrived.
    bool OnExtract();
    // Called with the extraction's UI before it runs (tests script the folder).
    void SetExtractionSetup(std::function<void(CQtExtractionUi&)> setup) {
        m_extractionSetup = std::move(setup);
    }
    // The eject submenu of the Media menu and the tool bar's eject pop-up.
    QMenu* EjectMenu() const { return m_pEjectMenu; }
    QMenu* EjectPopup() const { return m_pEjectPopup; }
    // Rebuilds both from the drive table.
    void RebuildEjectMenus();
    // An eject command: 32820 (CD audio, not available here), 32824 + n for the n-th
    // entry of the drive table, 32852 for the one used last.
    void OnEject(int command);
    // Replaces the eject of a drive-table entry (tests); returns success.
    void SetEjector(std::function<bool(std::size_t index, std::string* error)> ejector) {
        m_ejector = std::move(ejector);
    }
    // --- Comment commands (MainFrameComments.cpp) ---
    // The records "ｺﾒﾝﾄ自動抽出" works on: the list's selected rows while the list has
    // the focus, else the tree's node; never the case, a group or a medium.
    std::vector<SFileInfo*> AutoCommentSelection() const;
    // Extracts their comments again (after making sure their media are present), with
    // progress; false when nothing ran or the user stopped it.
    bool OnAutoComment();
    bool AutoCommentRecords(const std::vector<SFileInfo*>& records) override;
    // "ｺﾒﾝﾄ抽出設定(&M)...".
    void OnCommentSettings();

    // --- Media on the clipboard (MainFrameClipboard.cpp) ---
    // What "ﾒﾃﾞｨｱのｺﾋﾟｰ(&Y)" copies: the tree's node while the tree is active, else the
    // list's selected rows in list order.
    std::vector<const SFileInfo*> MediaCopySelection() const;
    // Puts the media and groups among them on the clipboard; false when there was none.
    bool OnCopyMedia();
    // Pastes the clipboard's media into the group of the tree's node; how many arrived.
    std::size_t OnPasteMedia();
    // Whether the clipboard holds media.
    static bool ClipboardHasMedia();

    // --- Printing (MainFrameOptions.cpp) ---
    // "印刷(&P)...": the print dialog over the case, the tree's node and the list's
    // selected rows. Printing to a PDF file is always there, so it always opens.
    void OnPrint();
    void OnOpenAsFolder();
    // Unmounts the case's folder when the case was replaced or moved to another file.
    void CloseFolderMount(bool caseReplaced);

    // --- Options (MainFrameOptions.cpp) ---
    // The archivers the options sheet shows (not owned; null: none loaded).
    void SetArchivers(CArchiverSet* archivers) { m_pArchivers = archivers; }
    // "ｵﾌﾟｼｮﾝ(&O)...": the options sheet, then ApplyOptions after OK.
    void OnOptions();
    // Puts the settings the sheet changed into effect: the recent-file list's size,
    // and the views by the view change mask.
    void ApplyOptions();

    // "%d %s (%s)": running number, mount point, drive-type name.
    static QString EjectEntryText(int number, const SDriveEntry& entry);

    // --- Finding (MainFrameFind.cpp) ---
    // "検索(&S)...": makes the find dialog the first time, then shows it.
    void OnFind();
    // "次を検索(&X)": find-next with the stored conditions; only once the dialog exists.
    void OnFindNext();
    // "ｹｰｽ検索(&H)...": the search across case files; opens the case chosen there and,
    // when it has hits, selects the first.
    void OnCaseFind();
    void OnCopiesReport();
    CFindDlg* FindDialog() const { return m_pFindDlg.get(); }
    CCaseFindDlg* CaseFindDialog() const { return m_pCaseFindDlg.get(); }
    // The tool bar's search over the index of every case, and its hit list.
    QLineEdit* IndexSearchField() const { return m_pIndexField; }
    CIndexSearchPanel* IndexSearchPanel() const { return m_pIndexPanel; }
    // Opens the hit's case (asking to save the open one first, as File > Open does) and
    // selects the record in the tree and the list.
    void OpenIndexHit(const SLocateHit& hit);
    CCopiesDlg* CopiesDialog() const { return m_pCopiesDlg.get(); }
    // Extracts these records (the extract command's work after its selection).
    bool ExtractRecords(const std::vector<const SFileInfo*>& records) override;
    // IFindHost
    SFileInfo* FindStartRecord() override;
    void ShowFoundRecord(SFileInfo& record) override;
    void EditComment(SFileInfo& record) override;
    bool CopyRecordsAsCsv(const std::vector<SFileInfo*>& records) override;
    void RecordsChanged() override;

    static constexpr int kMinPaneSize = 20;
    static constexpr int kDefaultTreeWidth = 150;
    static constexpr int kDefaultTreeHeight = 200;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // MainFrameMenus.cpp
    void CreateMenus();
    void CreateToolBar();
    void CreateIndexSearch(QToolBar* bar);
    QAction* AddCommand(QMenu* menu, int command, const char* text, const QKeySequence& keys,
                        std::function<void()> handler);
    void ShowContextMenu(SFileInfo* record, const QPoint& globalPos);
    void UpdateCommandStates();
    void FillEjectMenu(QMenu* menu, const char* audioText);
    void CreateEjectButton(QToolBar* bar);
    // MainFrameLists.cpp
    void CreateListCommands(QMenu* import, QMenu* exportMenu, QMenu* tools);

    void CreateStatusBar();
    // Gives the tree its stored width and height in pixels.
    void ApplyPaneSizes();
    void ConnectDocument();
    void OnCaseChanged();
    void OnMediumReplaced(SFileInfo* oldRecord, SFileInfo* newRecord);
    void OnTreeSelection(SFileInfo* record);
    void OnListSelection(SFileInfo* record);
    void OnListActivated(SFileInfo* record);
    void UpdateStatus();
    void UpdateTitle();
    // The record the record commands act on: the list's current row when the list has
    // the focus, else the tree's current node.
    SFileInfo* CommandTarget() const;
    void RunOnTarget(const std::function<void(SFileInfo&)>& command);
    void RefreshViews();
    void OnEditLabels();
    void OnEditComment(SFileInfo& record);
    void OnDisplayItems();

    CTobCaseDoc& m_doc;
    CRecentFileList& m_recent;
    std::unique_ptr<CCaseFolderMount> m_pFolderMount;
    std::unique_ptr<CRecordCommands> m_pCommands;
    std::unique_ptr<CListCommands> m_pLists;
    QSplitter* m_pOuter = nullptr;
    QSplitter* m_pInner = nullptr;
    CTobCaseView* m_pTree = nullptr;
    CTobCaseList* m_pList = nullptr;
    QLineEdit* m_pIndexField = nullptr;
    CIndexSearchPanel* m_pIndexPanel = nullptr;
    QDockWidget* m_pIndexDock = nullptr;
    CIndexQueryWorker* m_pIndexWorker = nullptr; // made with the first question
    CTobPropView* m_pProps = nullptr;
    QLabel* m_panes[5] = {};
    QMenu* m_pFileMenu = nullptr;
    QAction* m_pRecentSeparator = nullptr;
    QList<QAction*> m_recentActions;
    std::map<int, QAction*> m_actions;
    QMenu* m_pEjectMenu = nullptr;
    QMenu* m_pEjectPopup = nullptr;
    std::function<void(CQtExtractionUi&)> m_extractionSetup;
    std::function<bool(std::size_t, std::string*)> m_ejector;
    CArchiverSet* m_pArchivers = nullptr;
    bool m_bDefaultPlacement = true;
    int m_nTreeWidth = kDefaultTreeWidth;
    int m_nTreeHeight = kDefaultTreeHeight;
    bool m_bPaneSizesApplied = false;
    bool m_bListFocus = false;
    // The property view was the last of the views to have the focus.
    bool m_bOtherViewActive = false;
    std::unique_ptr<CFindDlg> m_pFindDlg;
    std::unique_ptr<CCaseFindDlg> m_pCaseFindDlg;
    std::unique_ptr<CCopiesDlg> m_pCopiesDlg;
};

} // namespace quillora
