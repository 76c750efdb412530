// Main window: the media commands that work on drives and on the files of media —
// extracting files to a folder and the eject menus.
#include "app/DeviceChangeHold.h"
#include "app/MainFrame.h"
#include "app/TobCaseDoc.h"
#include "app/TobCaseList.h"
#include "app/TobCaseView.h"
#include "app/media/CQtExtractionUi.h"
#include "core/ConfigData.h"
#include "core/Resources.h"
#include "core/TraceLog.h"
#include "document/JobOptions.h"
#include "model/SFileInfo.h"
#include "scan/ArchiveExpander.h"
#include "scan/DriveTable.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace quillora {

namespace {

constexpr std::uint32_t kNotOnMedium = kFlagMedium | kFlagGroup | kFlagCase;

// No door control of CD-audio players is offered on Linux: the entry stays for its
// place in the menu and says why it cannot be used.
const char kCdAudioTip[] = "CD-Audioﾄﾞﾗｲﾌﾞのﾄﾞｱ制御はこのｼｽﾃﾑでは使えません。";

bool IsEjectable(const SDriveEntry& entry) {
    return entry.m_kind == DriveKind::Removable || entry.m_kind == DriveKind::CdRom;
}

QString DriveTypeName(DriveKind kind) {
    switch (kind) {
    case DriveKind::Removable:
        return QString::fromUtf8(Res(317));
    case DriveKind::CdRom:
        return QString::fromUtf8(Res(318));
    case DriveKind::Remote:
        return QString::fromUtf8(Res(319));
    case DriveKind::RamDisk:
        return QString::fromUtf8(Res(320));
    case DriveKind::NoRoot:
        return QString::fromUtf8(Res(321));
    default:
        return QString::fromUtf8(Res(316));
    }
}

} // namespace

// --- Extraction ---

std::vector<const SFileInfo*> CMainFrame::ExtractionSelection() const {
    std::vector<const SFileInfo*> rows;
    if (m_bListFocus) {
        for (SFileInfo* row : m_pList->Selected()) {
            rows.push_back(row);
        }
    }
    if (rows.empty()) {
        const SFileInfo* node = m_pTree->Current();
        if (node && node->HasFlags(kFlagGroup)) {
            return {};
        }
        return CFileExtraction::TreeSelection(node);
    }
    // The list's rule looks at the first row: a list of media (and groups) extracts
    // nothing, whatever else is selected with them.
    if (rows.front()->HasFlags(kNotOnMedium)) {
        return {};
    }
    std::vector<const SFileInfo*> selection;
    for (const SFileInfo* record : CFileExtraction::ListSelection(rows)) {
        if (!record->HasFlags(kFlagGroup)) {
            selection.push_back(record);
        }
    }
    return selection;
}

bool CMainFrame::OnExtract() {
    return ExtractRecords(ExtractionSelection());
}

bool CMainFrame::ExtractRecords(const std::vector<const SFileInfo*>& selection) {
    if (selection.empty()) {
        return false;
    }
    CArchiveExpander* expander = m_doc.ArchiveExpander();
    if (!expander) {
        m_doc.ShowMessage(CTobCaseDoc::NotAvailableText(), MessageIcon::Information);
        return false;
    }
    CDeviceChangeHold hold(m_doc);
    CQtExtractionUi ui(this, m_doc.Presence(), m_doc);
    if (m_extractionSetup) {
        m_extractionSetup(ui);
    }
    CFileExtraction extraction(*expander, ui, ExtractionStartFolder(Config()));
    bool ok = extraction.Run(selection);
    ui.Finish();
    // The medium check may have changed which media are present.
    RefreshViews();
    return ok;
}

// --- Eject ---

QString CMainFrame::EjectEntryText(int number, const SDriveEntry& entry) {
    return QString("%1 %2 (%3)")
        .arg(number)
        .arg(QString::fromStdString(entry.m_root))
        .arg(DriveTypeName(entry.m_kind));
}

void CMainFrame::FillEjectMenu(QMenu* menu, const char* audioText) {
    menu->clear();
    menu->setToolTipsVisible(true);
    const int last = Config().m_nMediaEjectId;
    QAction* audio = menu->addAction(QString::fromUtf8(audioText));
    audio->setData(static_cast<int>(kEjectCdAudio));
    audio->setCheckable(true);
    audio->setChecked(last == kEjectCdAudio);
    audio->setEnabled(false);
    audio->setToolTip(QString::fromUtf8(kCdAudioTip));
    const std::vector<SDriveEntry>& entries = m_doc.Drives().Entries();
    int number = 2;
    // On Linux the command carries the entry's index in the drive table where a drive
    // letter stood; the range ends below the default eject command.
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int command = kEjectFirstDrive + static_cast<int>(i);
        if (command >= kEjectDefault) {
            break;
        }
        if (!IsEjectable(entries[i])) {
            continue;
        }
        QAction* action = menu->addAction(EjectEntryText(number++, entries[i]));
        action->setData(command);
        action->setCheckable(true);
        action->setChecked(last == command);
        connect(action, &QAction::triggered, this, [this, command] { OnEject(command); });
    }
}

void CMainFrame::RebuildEjectMenus() {
    if (m_pEjectMenu) {
        FillEjectMenu(m_pEjectMenu, "&1 CD Audioﾄﾞﾗｲﾌﾞ");
    }
    if (m_pEjectPopup) {
        FillEjectMenu(m_pEjectPopup, Res(323));
    }
    if (QAction* fallback = Action(kEjectDefault); fallback && m_pEjectMenu) {
        // The CD-audio entry never counts: a second entry is a drive.
        fallback->setEnabled(m_pEjectMenu->actions().size() > 1);
    }
}

void CMainFrame::OnEject(int command) {
    if (command == kEjectDefault) {
        command = Config().m_nMediaEjectId;
        // The entry used last may be gone (or be the CD-audio door): the first drive
        // listed takes its place, so that the enabled button always ejects something.
        bool listed = false;
        QAction* first = nullptr;
        for (QAction* action : m_pEjectMenu->actions()) {
            if (action->isEnabled() && action->data().toInt() >= kEjectFirstDrive) {
                first = first ? first : action;
                listed = listed || action->data().toInt() == command;
            }
        }
        if (!listed) {
            if (!first) {
                return;
            }
            command = first->data().toInt();
        }
    }
    if (command < kEjectFirstDrive || command >= kEjectDefault) {
        return;
    }
    const auto index = static_cast<std::size_t>(command - kEjectFirstDrive);
    std::string error;
    bool ok = m_ejector ? m_ejector(index, &error) : m_doc.Drives().EjectByDrive(index, &error);
    Config().m_nMediaEjectId = command;
    if (!ok) {
        // Eject failures do not interrupt with a message box; the status bar says it.
        LogFormat("eject %zu failed: %s", index, error.c_str());
        statusBar()->showMessage(QString::fromStdString(error), 5000);
    }
    RebuildEjectMenus();
}

void CMainFrame::CreateEjectButton(QToolBar* bar) {
    m_pEjectPopup = new QMenu(this);
    auto* button = new QToolButton(bar);
    button->setPopupMode(QToolButton::MenuButtonPopup);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setMenu(m_pEjectPopup);
    QAction* fallback = Action(kEjectDefault);
    // The program's own picture, like the other buttons', whatever the desktop's theme.
    auto* face = new QAction(fallback->icon(), QString::fromUtf8("取り出し"), button);
    face->setToolTip(fallback->text().remove('&'));
    connect(face, &QAction::triggered, fallback, &QAction::trigger);
    connect(fallback, &QAction::enabledChanged, face, &QAction::setEnabled);
    button->setDefaultAction(face);
    connect(m_pEjectPopup, &QMenu::aboutToShow, this, &CMainFrame::RebuildEjectMenus);
    bar->addWidget(button);
}

} // namespace quillora
