// The application object: brings the subsystems up in their order with their trace
// lines, reads the command line, opens the case to start with, shows the main window,
// and at the end saves the settings and unloads what it loaded.
#pragma once

#include "app/RecentFileList.h"
#include "scan/ArchiverSet.h"
#include "scan/DriveTable.h"
#include "scan/MediaPresence.h"

#include <QStringList>
#include <QTranslator>

#include <memory>
#include <stop_token>
#include <string>
#include <thread>

namespace quillora {

class CArchiveExpander;
class CExtractTextManager;

class CDeviceWatcher;
class CMainFrame;
class CTobCaseDoc;

// What the command line asks for.
struct SCommandLine {
    enum Kind {
        Nothing,
        Open,
        Print,
        PrintTo,
        Dde,
        Automation,
        Embedding,
        Unregister,
        RegisterUser,
        UnregisterUser,
        Help,
        Version
    };
    Kind m_kind = Nothing;
    std::string m_strFile;
    QStringList m_printTo; // printer, driver, port of "/pt"

    // The framework's rules: a file name; "p", "pt", "dde", "Unregister" or
    // "Unregserver", "Automation", "Embedding" after "/" or "-"; "--register",
    // "--unregister" for the desktop registration; and "-h"/"--help", "--version",
    // which win over everything else. argv[0] is skipped.
    static SCommandLine Parse(const QStringList& arguments);

    // What "--help" prints (the manual page is made from it too).
    static std::string HelpText();
};

class CTobCaseApp {
public:
    CTobCaseApp();
    ~CTobCaseApp();

    // Qt's own texts (the message boxes' buttons, the file and folder pickers) in
    // Japanese, as the rest of the program is; false when the translation is missing.
    bool InstallQtTranslation();

    // Start-up in its order; false when the program is to end at once.
    bool InitInstance(const QStringList& arguments);
    // The end: settings saved (or deleted), libraries unloaded, the log closed.
    int ExitInstance();

    CTobCaseDoc* Document() { return m_pDoc.get(); }
    CExtractTextManager& Extractors() { return *m_pExtractors; }
    CMainFrame* MainFrame() { return m_pFrame.get(); }
    CRecentFileList& RecentFiles() { return *m_pRecent; }
    const SCommandLine& CommandLine() const { return m_commandLine; }

    // When set, the document asks nothing and shows no message (tests).
    void SetUnattended(bool unattended) { m_bUnattended = unattended; }
    // When cleared, InitInstance does not show the window (tests).
    void SetShowWindow(bool show) { m_bShowWindow = show; }

private:
    bool DispatchCommandLine();
    // Brings the index of every case up to date on a thread of its own while the
    // program runs; stopped (between two cases) and waited for at the end.
    void StartIndexUpdate();
    void StopIndexUpdate();

    CDriveTable m_drives;
    CMediaPresence m_presence;
    CArchiverSet m_archivers;
    std::unique_ptr<CArchiveExpander> m_pExpander;
    std::unique_ptr<CExtractTextManager> m_pExtractors;
    std::unique_ptr<CRecentFileList> m_pRecent;
    std::unique_ptr<CTobCaseDoc> m_pDoc;
    std::unique_ptr<CMainFrame> m_pFrame;
    std::unique_ptr<CDeviceWatcher> m_pWatcher;
    std::unique_ptr<QTranslator> m_pQtTranslator;
    SCommandLine m_commandLine;
    bool m_bUnattended = false;
    bool m_bShowWindow = true;
    bool m_bArchiversLoaded = false;
    std::stop_source m_stopIndexUpdate;
    std::thread m_indexUpdate;
};

} // namespace quillora
