// Media through the clipboard: between two windows of one program (the platform's
// clipboard in this process) and between two program processes on a real X server
// (Xvfb; the offscreen platform's clipboard does not leave its process), with
// archives, comments, marks, stored contents and properties; the commands' states.
#include "GuiTestApp.h"
#include "QtTestApp.h"
#include "app/CaseTreeModel.h"
#include "app/MainFrame.h"
#include "app/RecentFileList.h"
#include "app/TobCaseDoc.h"
#include "app/TobCaseView.h"
#include "core/ConfigData.h"
#include "document/CCaseDocument.h"
#include "model/CMediaPayload.h"
#include "model/CaseFile.h"
#include "model/SArcFileInfo.h"
#include "model/SVolumeInfo.h"
#include "scan/DriveTable.h"
#include "scan/MediaPresence.h"
#include "support/ScratchDir.h"

#include <QAction>
#include <QClipboard>
#include <QMimeData>
#include <QProcess>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace quillora {
namespace {

namespace fs = std::filesystem;

// The sample case with what a transfer must carry on its medium "Disc".
std::unique_ptr<CCDCase> RichCase() {
    auto root = test::MakeSampleCase();
    auto* disc = static_cast<SVolumeInfo*>(root->ChildAt(0));
    disc->m_dwSerial = 0x0BADF00D;
    SFileInfo* readme = disc->ChildAt(2);
    readme->m_byMark = 1;
    readme->SetData({'h', 'i', 0, 0xFF});
    readme->m_wExtFlags = kExtFlagCrc;
    readme->m_dwExtValue = 0x12345678;
    static CPropertyDefinition office{"MS-Office", {1, 2}, false};
    auto props = std::make_unique<CPropertySet>(&office);
    props->Values() = {"表題", "件名"};
    readme->SetProps(std::move(props));
    auto zip = std::make_unique<SFileInfo>();
    zip->m_strName = "pack.zip";
    zip->m_dwFlags = kFlagListedArchive | kAttrDirectory;
    zip->m_wArcType = kArcZip;
    auto entry = std::make_unique<SArcFileInfo>();
    entry->m_strName = "in.txt";
    entry->m_nSize = 5;
    entry->m_dwPackedSize = 3;
    zip->AddChild(std::move(entry));
    disc->AddChild(std::move(zip));
    root->RecalcSize(true);
    root->UpdateDisplayNameTree(true);
    return root;
}

void ExpectCarried(const SFileInfo& record) {
    ASSERT_EQ(record.Class(), RecordClass::Volume);
    const auto& disc = static_cast<const SVolumeInfo&>(record);
    EXPECT_EQ(disc.GetLabel(), "Disc");
    EXPECT_EQ(disc.m_dwSerial, 0x0BADF00Du);
    ASSERT_EQ(disc.ChildCount(), 4u);
    const SFileInfo& readme = *disc.ChildAt(2);
    EXPECT_EQ(readme.Comment(), "first line\nsecond");
    EXPECT_EQ(readme.Category(), "text");
    EXPECT_EQ(readme.m_byMark, 1);
    EXPECT_EQ(readme.Data(), (std::vector<std::uint8_t>{'h', 'i', 0, 0xFF}));
    EXPECT_EQ(readme.m_dwExtValue, 0x12345678u);
    ASSERT_NE(readme.Props(), nullptr);
    EXPECT_EQ(readme.Props()->Values()[0], "表題");
    const SFileInfo& zip = *disc.ChildAt(3);
    EXPECT_EQ(zip.m_wArcType, kArcZip);
    ASSERT_EQ(zip.ChildCount(), 1u);
    EXPECT_EQ(zip.ChildAt(0)->Class(), RecordClass::ArcFile);
}

// One program window over a case file.
struct SWindow {
    CDriveTable drives;
    CMediaPresence presence;
    CTobCaseDoc doc{drives, presence};
    CRecentFileList recent{4};
    std::unique_ptr<CMainFrame> frame;

    explicit SWindow(const std::string& path) {
        doc.SetUnattended(true);
        frame = std::make_unique<CMainFrame>(doc, recent);
        if (!path.empty()) {
            EXPECT_TRUE(doc.OpenPath(path));
        }
    }
    ~SWindow() { frame.reset(); }
    bool Enabled(int command) { return frame->Action(command)->isEnabled(); }
    void SelectInTree(const SFileInfo* record) {
        ASSERT_TRUE(frame->Tree().Select(record));
        QCoreApplication::processEvents();
    }
};

TEST(ClipboardTransfer, MediumMovesBetweenTwoCasesOfOneProgram) {
    test::GuiApp();
    test::ScratchDir dir;
    SaveCaseFile(*RichCase(), (dir / "a.cas").string(), false);
    SaveCaseFile(*test::MakeSampleCase(), (dir / "b.cas").string(), false);
    QGuiApplication::clipboard()->clear();

    SWindow from((dir / "a.cas").string());
    SWindow to((dir / "b.cas").string());
    SFileInfo* disc = from.doc.Case().ChildAt(0);
    from.SelectInTree(disc->ChildAt(0)); // a folder: nothing to copy
    EXPECT_FALSE(from.Enabled(CMainFrame::kCopyMedia));
    EXPECT_FALSE(from.frame->OnCopyMedia());
    from.SelectInTree(disc);
    EXPECT_TRUE(from.Enabled(CMainFrame::kCopyMedia));
    to.SelectInTree(&to.doc.Case());
    EXPECT_FALSE(to.Enabled(CMainFrame::kPasteMedia)) << "nothing on the clipboard yet";

    from.frame->Action(CMainFrame::kCopyMedia)->trigger();
    EXPECT_TRUE(CMainFrame::ClipboardHasMedia());
    QCoreApplication::processEvents();
    EXPECT_TRUE(to.Enabled(CMainFrame::kPasteMedia));

    // Selected on a file deep in the group's medium: the copy joins that group.
    SFileInfo* group = to.doc.Case().ChildAt(1);
    to.SelectInTree(group->ChildAt(0));
    EXPECT_EQ(to.frame->OnPasteMedia(), 1u);
    ASSERT_EQ(group->ChildCount(), 2u);
    ExpectCarried(*group->ChildAt(1));
    EXPECT_TRUE(to.doc.Core().IsModified());

    // Plain text on the clipboard: no media to paste.
    QGuiApplication::clipboard()->setText("Disc");
    QCoreApplication::processEvents();
    EXPECT_FALSE(to.Enabled(CMainFrame::kPasteMedia));
    EXPECT_EQ(to.frame->OnPasteMedia(), 0u);
}

TEST(ClipboardTransfer, AMediumPastedIntoAnEmptyCaseShowsInTheTreeAtOnce) {
    test::GuiApp();
    test::ScratchDir dir;
    SaveCaseFile(*RichCase(), (dir / "a.cas").string(), false);
    SWindow from((dir / "a.cas").string());
    SWindow to("");
    to.frame->show();
    from.SelectInTree(from.doc.Case().ChildAt(0));
    from.frame->Action(CMainFrame::kCopyMedia)->trigger();
    QCoreApplication::processEvents();
    CTobCaseView& tree = to.frame->Tree();
    // No model tester here: its own questions fill the nodes and hide the fault.
    to.SelectInTree(&to.doc.Case());
    ASSERT_EQ(to.doc.Case().ChildCount(), 0u);
    to.frame->Action(CMainFrame::kPasteMedia)->trigger();
    QCoreApplication::processEvents();
    ASSERT_EQ(to.doc.Case().ChildCount(), 1u);
    const QModelIndex pasted = tree.Model().IndexOf(to.doc.Case().ChildAt(0));
    ASSERT_TRUE(pasted.isValid());
    EXPECT_TRUE(tree.isExpanded(pasted.parent())) << "the case opens to show it";
    EXPECT_FALSE(tree.visualRect(pasted).isEmpty());
    EXPECT_EQ(tree.Model().rowCount(pasted.parent()), 1);
    // A second paste adds below the open case as well.
    to.SelectInTree(&to.doc.Case());
    to.frame->Action(CMainFrame::kPasteMedia)->trigger();
    QCoreApplication::processEvents();
    ASSERT_EQ(to.doc.Case().ChildCount(), 2u);
    EXPECT_FALSE(tree.visualRect(tree.Model().IndexOf(to.doc.Case().ChildAt(1))).isEmpty());
}

TEST(ClipboardTransfer, HostileClipboardDataChangesNothing) {
    test::GuiApp();
    SWindow window("");
    std::size_t before = window.doc.Case().ChildCount();
    auto* data = new QMimeData;
    data->setData(kMediaClipboardMime, QByteArray("\x05\x00\x00\x00\x10\x00\x00\x11\x02\x00", 10));
    QGuiApplication::clipboard()->setMimeData(data);
    window.SelectInTree(&window.doc.Case());
    EXPECT_EQ(window.frame->OnPasteMedia(), 0u);
    EXPECT_EQ(window.doc.Case().ChildCount(), before);
    QGuiApplication::clipboard()->clear();
}

// --- Two processes ---

// The peer side: this test binary started again with QUILLORA_CLIPBOARD_PEER set.
TEST(ClipboardPeer, Serve) {
    const char* role = std::getenv("QUILLORA_CLIPBOARD_PEER");
    if (!role) {
        GTEST_SKIP() << "runs only as the peer process of ClipboardTransfer";
    }
    test::GuiApp();
    SWindow window(std::getenv("QUILLORA_PEER_CASE"));
    const std::string ready = std::getenv("QUILLORA_PEER_READY");
    if (std::string(role) == "copy") {
        window.SelectInTree(window.doc.Case().ChildAt(0));
        ASSERT_TRUE(window.frame->OnCopyMedia());
        std::ofstream(ready) << "copied";
        // Serve the clipboard until the other process has pasted.
        test::PumpUntil([] { return false; }, 60000);
        return;
    }
    ASSERT_TRUE(test::PumpUntil([] { return CMainFrame::ClipboardHasMedia(); }, 20000));
    window.SelectInTree(&window.doc.Case());
    EXPECT_EQ(window.frame->OnPasteMedia(), 1u);
    ASSERT_TRUE(window.doc.Core().OnSaveDocument(std::getenv("QUILLORA_PEER_OUT")));
    std::ofstream(ready) << "pasted";
}

// A private X server for the test; stops with the object.
class CXServer {
public:
    CXServer() {
        int fds[2];
        if (::pipe(fds) != 0) {
            return;
        }
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(fds[0]);
            std::string fd = std::to_string(fds[1]);
            int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 2);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24",
                     "-nolisten", "tcp", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        // Xvfb writes the number and the line end in two writes and dies when the
        // second meets a closed pipe, so read up to the line end.
        std::string number;
        char c = 0;
        while (::read(fds[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        ::close(fds[0]);
        if (!number.empty() && c == '\n') {
            m_display = ":" + number;
        }
    }
    ~CXServer() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    const std::string& Display() const { return m_display; }

private:
    pid_t m_pid = -1;
    std::string m_display;
};

QProcess* StartPeer(const std::string& role, const fs::path& casePath, const fs::path& ready,
                    const fs::path& out, const std::string& display, const fs::path& home) {
    auto* peer = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUILLORA_CLIPBOARD_PEER", QString::fromStdString(role));
    env.insert("QUILLORA_PEER_CASE", QString::fromStdString(casePath.string()));
    env.insert("QUILLORA_PEER_READY", QString::fromStdString(ready.string()));
    env.insert("QUILLORA_PEER_OUT", QString::fromStdString(out.string()));
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("DISPLAY", QString::fromStdString(display));
    env.insert("HOME", QString::fromStdString(home.string()));
    peer->setProcessEnvironment(env);
    peer->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    peer->start(QCoreApplication::applicationFilePath(), {"--gtest_filter=ClipboardPeer.Serve"});
    return peer;
}

TEST(ClipboardTransfer, MediumMovesBetweenTwoProgramProcesses) {
    test::GuiApp();
    CXServer server;
    if (server.Display().empty()) {
        GTEST_SKIP() << "Xvfb is not installed (scripts/setup installs it)";
    }
    test::ScratchDir dir;
    SaveCaseFile(*RichCase(), (dir / "a.cas").string(), false);
    SaveCaseFile(*test::MakeSampleCase(), (dir / "b.cas").string(), false);
    std::unique_ptr<QProcess> copier(StartPeer("copy", dir / "a.cas", dir / "copied",
                                               dir / "unused.cas", server.Display(), dir.Path()));
    ASSERT_TRUE(test::PumpUntil([&] { return fs::exists(dir / "copied"); }, 30000));
    std::unique_ptr<QProcess> paster(StartPeer("paste", dir / "b.cas", dir / "pasted",
                                               dir / "out.cas", server.Display(), dir.Path()));
    bool finished = paster->waitForFinished(60000);
    copier->kill();
    copier->waitForFinished(10000);
    ASSERT_TRUE(finished);
    EXPECT_EQ(paster->exitCode(), 0);
    ASSERT_TRUE(fs::exists(dir / "pasted"));
    bool badPassword = false;
    std::unique_ptr<CCDCase> result = ReadCaseFile((dir / "out.cas").string(), "", &badPassword);
    ASSERT_NE(result, nullptr);
    ASSERT_EQ(result->ChildCount(), 3u) << "Disc, Group, and the pasted Disc";
    ExpectCarried(*result->ChildAt(2));
}

} // namespace
} // namespace quillora
