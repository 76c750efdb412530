// The list commands of the desktop program.
#include "app/export/CListCommands.h"

#include "app/TobCaseDoc.h"
#include "app/export/CFormSettingsDlg.h"
#include "app/export/CListFileDlg.h"
#include "app/export/CQtClipboardText.h"
#include "core/ConfigData.h"
#include "document/FormPresets.h"
#include "export/CExportFormSets.h"
#include "export/CListExporter.h"
#include "export/ListFormats.h"
#include "model/CaseEditing.h"

#include <QApplication>

namespace quillora {

namespace {

CQtClipboardText& SystemClipboard() {
    static CQtClipboardText clipboard;
    return clipboard;
}

EFormFormat CopyFormat() {
    switch (Config().m_nCopyTarget) {
    case 1:
        return EFormFormat::Html;
    case 2:
        return EFormFormat::Tree;
    default:
        return EFormFormat::Csv;
    }
}

std::vector<const SFileInfo*> Const(const std::vector<SFileInfo*>& entries) {
    return {entries.begin(), entries.end()};
}

} // namespace

CListCommands::CListCommands(CTobCaseDoc& doc, QWidget* window)
    : m_doc(doc), m_pWindow(window), m_pClipboard(&SystemClipboard()) {}

CListCommands::~CListCommands() = default;

bool CListCommands::Export(EFormFormat format) {
    CFormConditionSet& set = ExportFormSets().Set(format);
    if (set.Count() == 0) {
        return false;
    }
    CListFileDlg dialog(CListFileDlg::EMode::Export, format, set, m_pWindow);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    return m_doc.Core().ExportList(format, set.ExportPath);
}

bool CListCommands::Import(EFormFormat format) {
    CFormConditionSet& set = ExportFormSets().Set(format);
    if (set.Count() == 0) {
        return false;
    }
    CListFileDlg dialog(CListFileDlg::EMode::Import, format, set, m_pWindow);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    return m_doc.Core().ImportList(format, set.ImportPath, set.ImportShowDiff != 0);
}

bool CListCommands::EditSettings(EFormFormat format) {
    return CFormSettingsDlg::Edit(m_pWindow, format, ExportFormSets().Set(format));
}

bool CListCommands::CopyAs(EFormFormat format, const std::vector<SFileInfo*>& entries,
                           bool withSubfolders, bool force) {
    if (entries.empty()) {
        return false;
    }
    const CFormCondition preset = CurrentExportPreset(format);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok =
        MakeExporter(preset)->ExportToCB(Const(entries), withSubfolders, force, *m_pClipboard);
    QApplication::restoreOverrideCursor();
    return ok;
}

bool CListCommands::CopyEntries(const std::vector<SFileInfo*>& entries) {
    if (entries.empty()) {
        return false;
    }
    const EFormFormat format = CopyFormat();
    if (Config().m_nCopyShowFormDlg == 0) {
        return CopyAs(format, entries, CurrentExportPreset(format).SubFolder != 0, false);
    }
    bool copied = false;
    CFormSettingsDlg::Edit(m_pWindow, format, ExportFormSets().Set(format),
                           [&](const CFormCondition& preset) {
                               copied = MakeExporter(preset)->ExportToCB(
                                   Const(entries), preset.SubFolder != 0, false, *m_pClipboard);
                           });
    return copied;
}

bool CListCommands::CopyMarked() {
    // Without marked entries the clipboard gets the title row alone.
    const std::vector<SFileInfo*> marked = Collect(m_doc.Case(), kCollectMarked);
    const CFormCondition preset = CurrentExportPreset(EFormFormat::Csv);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = MakeExporter(preset)->ExportToCB(Const(marked), false, false, *m_pClipboard);
    QApplication::restoreOverrideCursor();
    return ok;
}

} // namespace quillora
