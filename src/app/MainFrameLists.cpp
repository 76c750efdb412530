// Main window: the menu items of the list formats (import, export, their settings) and
// what the copy command copies.
#include "app/MainFrame.h"
#include "app/TobCaseList.h"
#include "app/TobCaseView.h"
#include "app/export/CListCommands.h"

#include <QMenu>

namespace quillora {

void CMainFrame::CreateListCommands(QMenu* import, QMenu* exportMenu, QMenu* tools) {
    CListCommands& lists = *m_pLists;
    auto run = [](auto f) { return [f] { f(); }; };
    AddCommand(import, 32876, "CSV形式(&C)...\tCtrl+Shift+K", QKeySequence("Ctrl+Shift+K"),
               run([&lists] { lists.Import(EFormFormat::Csv); }));
    AddCommand(exportMenu, 32858, "CSV形式(&C)...\tAlt+K", QKeySequence("Alt+K"),
               run([&lists] { lists.Export(EFormFormat::Csv); }));
    AddCommand(exportMenu, 32859, "HTML形式(&U)...\tAlt+U", QKeySequence("Alt+U"),
               run([&lists] { lists.Export(EFormFormat::Html); }));
    AddCommand(exportMenu, 32860, "Tree形式(&T)...\tAlt+L", QKeySequence("Alt+L"),
               run([&lists] { lists.Export(EFormFormat::Tree); }));
    // The MediaMax items are reached through their accelerators only.
    AddCommand(nullptr, 32877, "MediaMax形式で開く(&D)...", QKeySequence("Ctrl+Shift+Y"),
               run([&lists] { lists.Import(EFormFormat::MediaMax); }));
    AddCommand(nullptr, 32869, "MediaMax形式で保存(&M)...", QKeySequence("Alt+Y"),
               run([&lists] { lists.Export(EFormFormat::MediaMax); }));
    AddCommand(nullptr, 32870, "MediaMax形式設定", QKeySequence("Ctrl+Y"),
               run([&lists] { lists.EditSettings(EFormFormat::MediaMax); }));
    AddCommand(tools, 32855, "CSV形式設定(&C)...", {},
               run([&lists] { lists.EditSettings(EFormFormat::Csv); }));
    AddCommand(tools, 32856, "HTML形式設定(&H)...", {},
               run([&lists] { lists.EditSettings(EFormFormat::Html); }));
    AddCommand(tools, 32857, "Tree形式設定(&T)...", {},
               run([&lists] { lists.EditSettings(EFormFormat::Tree); }));
}

std::vector<SFileInfo*> CMainFrame::CopySelection() const {
    if (m_bListFocus) {
        std::vector<SFileInfo*> rows = m_pList->Selected();
        if (!rows.empty()) {
            return rows;
        }
    }
    if (SFileInfo* node = m_pTree->Current()) {
        return {node};
    }
    return {};
}

} // namespace quillora
