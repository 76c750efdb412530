// CCaseFindDlg (dialog 241, "ｹｰｽ検索"): searches every case file below a base folder
// with the find conditions and lists how many records match in each; the user opens
// one (the document then selects its first hit) or opens it in a new window. The
// files are searched on all cores while the dialog stays responsive and can stop the
// run. Modal, but kept by the main window, so its list survives between showings.
#pragma once

#include "app/ColumnSet.h"
#include "app/DialogMessage.h"
#include "app/find/CCaseSearchRelay.h"
#include "search/CCaseSearch.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QLineEdit;
class QMenu;
class QPushButton;
class QTreeView;

namespace quillora {

class CCaseFindModel;
class CFindConditionPanel;
class CSpinningDisc;

class CCaseFindDlg : public QDialog {
    Q_OBJECT

public:
    enum EButton { kSearch, kClose, kOpen, kStop };

    struct SChoice {
        std::string path; // the case file's full path
        int count = -1;   // its hit count
    };

    explicit CCaseFindDlg(QWidget* parent = nullptr);
    // Stops a search still running and waits for it; saves the "CaseFile" columns.
    ~CCaseFindDlg() override;

    // Shows the dialog modally, its controls loaded from the stored conditions and its
    // list as the last search left it; the case file the user chose to open, or
    // nullopt.
    std::optional<SChoice> Run();

    // "検索(&F)": message 273 without a base folder; otherwise stores the controls,
    // starts the search and returns at once.
    void StartSearch();
    // "終了(&E)": asks the search to stop; the files being searched are finished.
    void StopSearch();
    bool IsSearching() const { return m_pSearch != nullptr; }
    // "読み込み(&Y)": ends the dialog with the selected row's file.
    void OpenSelected();
    // "新しいｳｲﾝﾄﾞｳで開く(&N)": the selected file in a second program window.
    void OpenInNewWindow();
    const std::optional<SChoice>& Choice() const { return m_choice; }

    CFindConditionPanel& Panel() { return *m_pPanel; }
    QLineEdit* FolderEdit() const { return m_pFolder; }
    QPushButton* Button(EButton button) const { return m_buttons[button]; }
    CCaseFindModel& Results() { return *m_pModel; }
    QTreeView* ResultView() const { return m_pView; }
    std::unique_ptr<QMenu> ResultMenu();

    // Messages go here instead of message boxes when set (tests).
    void SetMessageSink(DialogMessageSink sink) { m_sink = std::move(sink); }
    // Asks for a case file's password instead of the password dialog (tests): the
    // password to retry with, or nullopt.
    using PasswordAsker = std::function<std::optional<std::string>(
        const std::string& path, const std::string& filePassword)>;
    void SetPasswordAsker(PasswordAsker asker) { m_asker = std::move(asker); }
    // Starts the second window instead of a new program process (tests).
    void SetWindowStarter(std::function<bool(const std::string& path)> starter) {
        m_starter = std::move(starter);
    }

    // What the search reports, on the GUI thread (through CCaseSearchRelay).
    void OnListed(const std::vector<SCaseFileEntry>& entries);
    void OnSearching(std::size_t index);
    void OnCounted(std::size_t index, int count);
    void OnFinished();
    void OnPasswordNeeded(const std::string& path, const std::string& filePassword);

signals:
    void SearchFinished();

protected:
    // Closing is refused while a search runs.
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    // Alt+Y in the result list opens the row: the category field shares the mnemonic,
    // and elsewhere Alt+Y moves between the two as Qt does for every shared mnemonic.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetBusy(bool busy);
    void Browse();
    void ClickColumn(int section);
    // Gives the path column the dialog's room and the count what its texts need.
    void FitColumns();
    std::string SelectedPath(int* count) const;
    void UpdateButtons();

    CColumnSet m_columns;
    std::string m_strBase; // the folder the list's paths are relative to
    CFindConditionPanel* m_pPanel = nullptr;
    QLineEdit* m_pFolder = nullptr;
    QPushButton* m_buttons[4] = {};
    CSpinningDisc* m_pAnimation = nullptr;
    QTreeView* m_pView = nullptr;
    CCaseFindModel* m_pModel = nullptr;
    int m_nSortColumn = -1;
    std::optional<SChoice> m_choice;
    DialogMessageSink m_sink;
    PasswordAsker m_asker;
    std::function<bool(const std::string&)> m_starter;
    // Declared before the search, so the search (and its threads) goes first.
    CCaseSearchRelay m_relay{*this};
    std::unique_ptr<CCaseSearch> m_pSearch;
};

} // namespace quillora
