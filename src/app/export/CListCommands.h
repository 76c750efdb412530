// The commands of the list formats in the desktop program: export and import through
// their dialogs, the format settings, copying entries as text per the copy option, and
// copying every marked entry as CSV. The main window's menus and the find result list
// call these.
#pragma once

#include "export/FormFormat.h"

#include <vector>

class QWidget;

namespace quillora {

class CTobCaseDoc;
class IClipboardText;
class SFileInfo;

class CListCommands {
public:
    CListCommands(CTobCaseDoc& doc, QWidget* window);
    ~CListCommands();

    // "CSV形式(&C)...", "HTML形式(&U)...", "Tree形式(&T)...", "MediaMax形式で保存(&M)...":
    // the export dialog, then the whole case into the chosen file.
    bool Export(EFormFormat format);
    // "CSV形式(&C)..." of the import menu and "MediaMax形式で開く(&D)...".
    bool Import(EFormFormat format);
    // The format-settings dialogs of the Tools menu.
    bool EditSettings(EFormFormat format);
    // "ｺﾋﾟｰ(&C)": the entries as CSV, HTML or tree text by the copy option, with the
    // preset's SubFolder; with "ｺﾋﾟｰ時に形式設定画面を表示する。" the settings dialog comes
    // first and its copy button copies.
    bool CopyEntries(const std::vector<SFileInfo*>& entries);
    // "ﾏｰｸ一括CSVｺﾋﾟｰ(&B)": every marked entry of the case as CSV.
    bool CopyMarked();
    // The entries in a format with its current preset (the find list copies CSV with
    // force set).
    bool CopyAs(EFormFormat format, const std::vector<SFileInfo*>& entries, bool withSubfolders,
                bool force);

    // Where copies go (tests put a fake in place of the system clipboard).
    void SetClipboard(IClipboardText* clipboard) { m_pClipboard = clipboard; }

private:
    CTobCaseDoc& m_doc;
    QWidget* m_pWindow;
    IClipboardText* m_pClipboard;
};

} // namespace quillora
