// Application start-up and exit.
#include "app/TobCaseApp.h"

#include "document/FormPresets.h"
#include "extract/ExtractTextManager.h"
#include "extract/PluginFolder.h"
#include "model/CaseFile.h"
#include "model/PropertyDefinitions.h"
#include "model/SFileInfo.h"
#include "model/StoredContents.h"
#include "scan/ArchiveExpander.h"
#include "scan/CArchivedCaseFile.h"

#include "app/CaseFolderMount.h"
#include "app/DeviceWatcher.h"
#include "app/MainFrame.h"
#include "app/ShellRegistration.h"
#include "app/SystemFileTypes.h"
#include "app/TobCaseDoc.h"
#include "app/print/CPrintDlg.h"
#include "core/ConfigData.h"
#include "core/TraceLog.h"
#include "document/JobOptions.h"
#include "export/CExportFormSets.h"
#include "export/CPrintFormSet.h"
#include "index/CCaseIndex.h"
#include "index/OpenCaseIndex.h"
#include "index/SIndexSettings.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace quillora {

namespace {

bool IsSwitch(const QString& arg, QString* name) {
    if (arg.startsWith("--")) {
        *name = arg.mid(2);
        return true;
    }
    if (arg.size() > 1 && (arg.startsWith('-') || arg.startsWith('/'))) {
        // "/p" is a switch; "/home/me/a.cas" is a path.
        QString rest = arg.mid(1);
        if (arg.startsWith('/') && rest.contains('/')) {
            return false;
        }
        *name = rest;
        return true;
    }
    return false;
}

} // namespace

SCommandLine SCommandLine::Parse(const QStringList& arguments) {
    SCommandLine line;
    bool print = false;
    bool printTo = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        QString name;
        if (!IsSwitch(arg, &name)) {
            if (printTo && line.m_printTo.size() < 3 && !line.m_strFile.empty()) {
                line.m_printTo << arg;
            } else if (line.m_strFile.empty()) {
                line.m_strFile = arg.toStdString();
            }
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            return SCommandLine{Help, {}, {}};
        }
        if (arg == "--version") {
            return SCommandLine{Version, {}, {}};
        }
        if (arg.startsWith("--")) {
            if (name == "register") {
                line.m_kind = RegisterUser;
            } else if (name == "unregister") {
                line.m_kind = UnregisterUser;
            }
            continue;
        }
        if (name.compare("pt", Qt::CaseInsensitive) == 0) {
            printTo = true;
        } else if (name.compare("p", Qt::CaseInsensitive) == 0) {
            print = true;
        } else if (name.compare("dde", Qt::CaseInsensitive) == 0) {
            line.m_kind = Dde;
        } else if (name.compare("Unregister", Qt::CaseInsensitive) == 0 ||
                   name.compare("Unregserver", Qt::CaseInsensitive) == 0) {
            line.m_kind = Unregister;
        } else if (name.compare("Automation", Qt::CaseInsensitive) == 0) {
            line.m_kind = Automation;
        } else if (name.compare("Embedding", Qt::CaseInsensitive) == 0) {
            line.m_kind = Embedding;
        }
    }
    if (line.m_kind == Nothing) {
        if (printTo) {
            line.m_kind = PrintTo;
        } else if (print) {
            line.m_kind = Print;
        } else if (!line.m_strFile.empty()) {
            line.m_kind = Open;
        }
    }
    return line;
}

std::string SCommandLine::HelpText() {
    return "Usage: quillora [OPTIONS] [CASE]\n"
           "Keeps a catalogue (a case) of your removable media: the volume data and the whole\n"
           "file tree of CDs, DVDs, USB disks, network shares and folders, with the entries\n"
           "of archives, CRC-32 values and comments, to browse and search without the discs.\n"
           "\n"
           "Arguments:\n"
           "  CASE            The case file to open (.cas or .caz); without one, the last\n"
           "                  case when \"StartLoading\" is on\n"
           "\n"
           "Options:\n"
           "  -h, --help      Print this help and exit\n"
           "  --version       Print the version and exit\n"
           "  --register      Install the desktop entry, the icons and the .cas and .caz file\n"
           "                  types for the current user, then exit\n"
           "  --unregister    Remove them again, and the program's settings, then exit\n"
           "\n"
           "Qt's own options (-platform, -style, ...) are taken too. quillora-cli does the\n"
           "same work without a window.\n";
}

CTobCaseApp::CTobCaseApp()
    : m_pExtractors(std::make_unique<CExtractTextManager>()),
      m_pRecent(std::make_unique<CRecentFileList>(4)) {}

CTobCaseApp::~CTobCaseApp() {
    StopIndexUpdate();
    // Cases read from now on must not reach into extractors that are gone.
    SetPropertyDefinitions(nullptr);
}

bool CTobCaseApp::InstallQtTranslation() {
    if (m_pQtTranslator) {
        return true;
    }
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), "qtbase", "_",
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return false;
    }
    QCoreApplication::installTranslator(translator.get());
    m_pQtTranslator = std::move(translator);
    return true;
}

bool CTobCaseApp::InitInstance(const QStringList& arguments) {
    CConfigData& config = Config();
    config.OpenStore();
    if (int mode = config.Store().GetInt("Log", "LogMode", 0); mode != 0) {
        SetLogMode(mode);
        LogStamp("CTobCaseApp::InitInistance() start");
    }
    config.SetDefaults();
    if (!InstallQtTranslation()) {
        Log("qtbase_ja: not found, Qt's dialogs speak English");
    }
    // Pictures of the property view are drawn by Qt's image readers: the image
    // library's step keeps its trace line and loads nothing of its own.
    Log("CTOBImgDIB::Load()");
    Log("CExtractTextManager::Load()");
    m_pExtractors->Load(config.Store(), CPluginFolder::Find());
    SetPropertyDefinitions(m_pExtractors.get());
    // The export presets join the configuration before it is read.
    ExportFormSets();
    PrintFormSet();
    Log("m_configData.RegLoad()");
    config.RegLoad();
    Log("LoadStdProfileSettings()");
    m_pRecent = std::make_unique<CRecentFileList>(config.m_nMRUCount);
    m_pRecent->Load(config.Store());

    m_pDoc = std::make_unique<CTobCaseDoc>(m_drives, m_presence);
    m_pDoc->SetExtractors(m_pExtractors.get());
    m_pDoc->SetUnattended(m_bUnattended);
    CSystemFileTypes::Install();
    m_pFrame = std::make_unique<CMainFrame>(*m_pDoc, *m_pRecent);
    // Opening by the shell and the shell's file types are the desktop entry's and
    // the MIME package's business (installed, or written by --register).
    Log("EnableShellOpen()");
    Log("Delete create menu");
    Log("Regist CAZ");
    Log("Initial environment");
    Log("Regist Clipboard format");
    m_archivers.LoadAll();
    m_bArchiversLoaded = true;
    m_pFrame->SetArchivers(&m_archivers);
    // Archives are listed while scanning, ".caz" cases read and written, and stored
    // contents loaded from inside archives, all through the one expander.
    m_pExpander = std::make_unique<CArchiveExpander>(m_archivers);
    m_pExpander->SetArchiveOptions(ArchiveOptionsFrom(Config()));
    m_presence.SetDriveChoice(DriveChoiceFrom(Config()));
    m_pExpander->SetCommentExtractor(m_pExtractors.get());
    m_pExpander->SetCommentFilter([extractors = m_pExtractors.get()](const SFileInfo& record) {
        return extractors->HasExtractorFor(record.m_strName);
    });
    InstallArchivedCaseStreams(m_archivers);
    SetArchiveEntryExtractor(m_pExpander.get());
    m_pDoc->SetArchiveExpander(m_pExpander.get());
    m_pDoc->Core().SetArchivedCasesAvailable(m_archivers.Lha().IsLoaded());
    Log("Get information of removal media ");
    m_drives.RefreshDriveTable();
    m_pWatcher = std::make_unique<CDeviceWatcher>([this](int event, int type) {
        if (m_pDoc) {
            m_pDoc->OnDeviceChange(event, type);
        }
    });
    m_pWatcher->Start();

    Log("Parse command line");
    m_commandLine = SCommandLine::Parse(arguments);
    Log("Load previous file");
    if (m_commandLine.m_kind == SCommandLine::Nothing && config.m_nStartLoading) {
        std::string previous = m_pRecent->First();
        if (!previous.empty()) {
            m_commandLine.m_kind = SCommandLine::Open;
            m_commandLine.m_strFile = previous;
        }
    }
    Log("Dispatch command line");
    if (!DispatchCommandLine()) {
        return false;
    }
    Log("Display main window");
    if (m_bShowWindow) {
        m_pFrame->show();
    }
    StartIndexUpdate();
    Log("DragAcceptFiles");
    return true;
}

bool CTobCaseApp::DispatchCommandLine() {
    switch (m_commandLine.m_kind) {
    case SCommandLine::Nothing:
        return true;
    case SCommandLine::Open:
        // A failed open keeps the new case; the document dropped the name from the list.
        m_pDoc->OpenPath(m_commandLine.m_strFile);
        return true;
    case SCommandLine::Print:
    case SCommandLine::PrintTo: {
        // Open the case, print it whole with the selected preset and end, as a print run
        // from the shell does.
        if (!m_pDoc->OpenPath(m_commandLine.m_strFile)) {
            return false;
        }
        std::string error;
        QString printer =
            m_commandLine.m_kind == SCommandLine::PrintTo && !m_commandLine.m_printTo.isEmpty()
                ? m_commandLine.m_printTo.front()
                : QString();
        if (!CPrintDlg::PrintCase(m_pDoc->Case(), printer, &error)) {
            LogFormat("print from the command line: %s", error.c_str());
            if (!m_bUnattended) {
                QMessageBox::warning(nullptr, "Quillora", QString::fromStdString(error));
            }
        }
        return false;
    }
    case SCommandLine::Help:
    case SCommandLine::Version:
        // main answers these before the window system is opened.
        return false;
    case SCommandLine::Dde:
    case SCommandLine::Automation:
    case SCommandLine::Embedding:
        // Accepted and nothing to do: the desktop opens files through the command line.
        return true;
    case SCommandLine::Unregister:
    case SCommandLine::UnregisterUser: {
        Config().m_bSaveSettings = false;
        std::string error;
        if (!CShellRegistration::Unregister(&error)) {
            LogFormat("unregister: %s", error.c_str());
        }
        return false;
    }
    case SCommandLine::RegisterUser: {
        std::string error;
        QString exec = QCoreApplication::applicationFilePath();
        if (!CShellRegistration::Register(exec.toStdString(), &error)) {
            LogFormat("register: %s", error.c_str());
            if (!m_bUnattended) {
                QMessageBox::warning(nullptr, "Quillora", QString::fromStdString(error));
            }
        }
        return false;
    }
    }
    return true;
}

void CTobCaseApp::StartIndexUpdate() {
    if (m_indexUpdate.joinable()) {
        return;
    }
    const std::string location = SIndexSettings::Load(Config().Store()).Location();
    m_indexUpdate = std::thread([this, location] {
        try {
            OpenIndexAt(location)->Update(m_stopIndexUpdate.get_token());
        } catch (const std::exception& e) {
            // Nothing is lost: locate reads changed cases itself.
            LogFormat("index update at start: %s", e.what());
        }
    });
}

void CTobCaseApp::StopIndexUpdate() {
    m_stopIndexUpdate.request_stop();
    if (m_indexUpdate.joinable()) {
        m_indexUpdate.join();
    }
}

int CTobCaseApp::ExitInstance() {
    CConfigData& config = Config();
    Log("CTobCaseApp::ExitInstance() start");
    StopIndexUpdate();
    m_pWatcher.reset();
    // The views write their column sets and window state into the store as they go.
    if (m_pFrame && m_pFrame->isVisible()) {
        m_pFrame->SaveWindowState();
    }
    m_pFrame.reset();
    // Freeing a large case record by record kept the process alive for seconds
    // after its window had closed; the system takes the memory back at once.
    if (m_pDoc) {
        m_pDoc->Core().AbandonCaseAtExit();
    }
    m_pDoc.reset();
    m_pRecent->Save(config.Store());
    Log("m_configData.RegSave()");
    if (config.m_bSaveSettings) {
        // The extractors' settings go into the same file, written once.
        m_pExtractors->SaveSettings(config.Store());
        config.RegSave();
    }
    Log("CExtractTextManager::Unload()");
    SetPropertyDefinitions(nullptr);
    m_pExtractors->Unload(config.Store());
    // A case mounted in a folder that was busy when it closed was let go lazily: its
    // thread serves until the last file on it is closed, and reads archive entries
    // through the expander freed below. A thread still serving after a while ends with
    // the process instead, before anything it uses is freed; the settings are saved.
    if (!CCaseFolderMount::WaitUntilNoneServes(std::chrono::seconds(2))) {
        Log("CTobCaseApp::ExitInstance(): a mounted case is still in use; ending now");
        CloseLog();
        std::fflush(nullptr);
        std::_Exit(0);
    }
    Log("CTOBImgDIB::Unload()");
    SetArchiveEntryExtractor(nullptr);
    SetArchivedCaseStreamFactory({});
    m_pExpander.reset();
    if (m_bArchiversLoaded) {
        m_archivers.UnloadAll();
        m_bArchiversLoaded = false;
    }
    Log("CTobCaseApp::ExitInstance() end");
    CloseLog();
    if (!config.m_bSaveSettings) {
        config.DeleteStoredSettings();
    }
    return 0;
}

} // namespace quillora
