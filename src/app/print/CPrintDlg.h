// CPrintDlg: the print dialog "印刷": the print presets with their pages ("設定",
// "ﾘｽﾄ項目", "ﾘｽﾄ", "用紙"), a grid that shows the table as the preset makes it and
// follows every change at once, and printing or previewing it. Printing to a PDF file is
// always offered beside the printers CUPS lists.
#pragma once

#include "app/print/CPrintListPage.h"
#include "export/CFormConditionSet.h"
#include "export/CPrintCondition.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPrinter;
class QPushButton;
class QLabel;
class QTableView;
class QTabWidget;

namespace quillora {

class CAtomicFile;

class CFormItemsPage;
class CFormPresetBar;
class CPrintGridModel;
class CPrintListPage;
class CPrintPaperPage;
class CPrintSetPage;
class CPrintTable;
class SFileInfo;

// The entry of the printer list that prints into a PDF file.
inline constexpr const char* kPdfPrinterEntry = "PDFﾌｧｲﾙに出力";

class CPrintDlg : public QDialog {
    Q_OBJECT
public:
    struct SHooks {
        SPrintPickers pickers;
        // The PDF file to print into; nullopt when cancelled.
        std::function<std::optional<QString>(QWidget*)> pdfFile;
        // A message ("ﾌﾟﾘﾝﾀが存在しません。").
        std::function<void(QWidget*, const std::string&)> message;
        // The printers CUPS lists (tests give their own).
        std::function<QStringList()> printers;
    };

    // The three inputs: the case, the folder list's selected entry and the file list's
    // selected entries. Edits a copy of `set`, stored back by "閉じる" and "印刷".
    CPrintDlg(CFormConditionSet& set, const SFileInfo* root, const SFileInfo* folderEntry,
              std::vector<const SFileInfo*> listEntries, SHooks hooks = {},
              QWidget* parent = nullptr);
    ~CPrintDlg() override;

    // The pages into the current preset, then the grid again.
    void Refresh();
    // "印刷(&X)": prints (to the chosen printer or a PDF file); false when nothing printed.
    bool Print();
    // "ﾌﾟﾚﾋﾞｭｰ(&V)".
    void Preview();
    // "閉じる(&C)".
    void CloseAndKeep();

    const CPrintTable* Table() const;
    QTableView* Grid() const { return m_grid; }
    QTabWidget* Tabs() const { return m_tabs; }
    CFormConditionSet& Set() { return m_set; }
    CPrintCondition& Current();

    // Paints the current table onto `printer` with progress and cancel; false when the
    // user stopped it.
    bool PaintPages(QPrinter& printer);

    // Prints the whole case with the selected preset straight to `printerName` (empty:
    // the preset's printer, else the default one), as a print from the command line
    // does. False with the reason when no printer can be had.
    static bool PrintCase(const SFileInfo& root, const QString& printerName, std::string* error);

protected:
    void reject() override;

private:
    bool StorePages();
    void LoadPages();
    void KeepSet();
    bool ChooseOutput(QPrinter& printer, std::unique_ptr<CAtomicFile>& pdf);

    CFormConditionSet& m_target;
    CFormConditionSet m_set;
    const SFileInfo* m_pRoot;
    const SFileInfo* m_pFolder;
    std::vector<const SFileInfo*> m_list;
    SHooks m_hooks;
    QStringList m_printers;
    CFormPresetBar* m_pBar = nullptr;
    QTabWidget* m_tabs = nullptr;
    CPrintSetPage* m_setPage = nullptr;
    CFormItemsPage* m_itemsPage = nullptr;
    CPrintListPage* m_listPage = nullptr;
    CPrintPaperPage* m_paperPage = nullptr;
    QTableView* m_grid = nullptr;
    CPrintGridModel* m_model = nullptr;
    QLabel* m_pRowNote = nullptr; // says when the row limit left entries out
    std::shared_ptr<CPrintTable> m_table;
    bool m_bLoading = false;
};

} // namespace quillora
