// Record commands of the views.
#include "app/RecordCommands.h"

#include "app/TobCaseDoc.h"
#include "core/ConfigData.h"
#include "core/Resources.h"
#include "document/JobOptions.h"
#include "model/CaseEditing.h"
#include "model/SVolumeInfo.h"
#include "model/StoredContents.h"
#include "platform/OsPath.h"
#include "scan/MediaPresence.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QUrl>

#include <functional>

namespace quillora {

void CRecordCommands::ToggleMark(SFileInfo& record, bool recursive) {
    bool on = !IsMarked(record);
    SetMark(record, kMarkBit, on);
    if (recursive) {
        std::function<void(SFileInfo&)> below = [&](SFileInfo& r) {
            for (const auto& child : r.Children()) {
                SetMark(*child, kMarkBit, on);
                below(*child);
            }
        };
        below(record);
    }
    m_doc.Core().SetModifiedFlag(true);
}

bool CRecordCommands::OpenPath(const std::string& osPath) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(osPath)));
}

void CRecordCommands::OpenFile(SFileInfo& record) {
    if (record.IsDirectory()) {
        return;
    }
    std::string error;
    if (record.DataLen() != 0) {
        std::string written;
        if (!WriteStoredContents(record, ExtractionFolder(Config()), &written, &error) ||
            !OpenPath(written)) {
            m_doc.ShowMessage(error.empty() ? Res(460) : error, MessageIcon::Warning);
        }
        return;
    }
    if (record.IsInsideArchive()) {
        // Opening a member means extracting it first, which this build cannot do yet.
        m_doc.ShowMessage(CTobCaseDoc::NotAvailableText(), MessageIcon::Information);
        return;
    }
    if (!m_doc.Presence().RequireMedium(record, m_doc)) {
        if (!record.Link().empty()) {
            OpenLink(record);
        }
        return;
    }
    if (!OpenPath(RecordOsPath(record))) {
        m_doc.ShowMessage(Res(460), MessageIcon::Warning);
    }
}

void CRecordCommands::OpenLink(SFileInfo& record) {
    if (record.Link().empty()) {
        return;
    }
    std::string path = OsPathFromModel(record.Link());
    if (!QFileInfo::exists(QString::fromStdString(path)) || !OpenPath(path)) {
        m_doc.ShowMessage(Res(220), MessageIcon::Warning);
    }
}

void CRecordCommands::Explore(SFileInfo& record) {
    if (!m_doc.Presence().RequireMedium(record, m_doc)) {
        return;
    }
    const SFileInfo& folder =
        record.IsDirectory() || !record.GetParent() ? record : *record.GetParent();
    std::string path = RecordOsPath(folder);
    if (path.empty() || !QFileInfo(QString::fromStdString(path)).isDir()) {
        if (!m_doc.AskYesNo(
                ResFormat(461, path.empty() ? folder.GetPath().c_str() : path.c_str()))) {
            return;
        }
        path = QDir::homePath().toStdString();
    }
    if (!OpenPath(path)) {
        m_doc.ShowMessage(Res(460), MessageIcon::Warning);
    }
}

void CRecordCommands::EmbedData(SFileInfo& record) {
    if (record.IsDirectory() || record.HasFlags(kFlagMedium | kFlagGroup | kFlagCase)) {
        return;
    }
    if (!m_doc.Presence().RequireMedium(record, m_doc)) {
        return;
    }
    std::string error;
    if (!LoadStoredContents(record, ExtractionFolder(Config()), &error)) {
        m_doc.ShowMessage(error, MessageIcon::Warning);
        return;
    }
    m_doc.Core().SetModifiedFlag(true);
}

std::string CRecordCommands::NameText(const SFileInfo& record) {
    return record.GetDisplayName();
}

std::string CRecordCommands::FullPathText(const SFileInfo& record) {
    return OsPathFromModel(record.GetPath());
}

void CRecordCommands::CopyName(const SFileInfo& record) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(NameText(record)));
}

void CRecordCommands::CopyFullPath(const SFileInfo& record) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(FullPathText(record)));
}

} // namespace quillora
