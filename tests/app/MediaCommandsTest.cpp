// The media commands of the main window with a scripted user: adding a folder
// through the real add dialog and loading dialog, continuous adding, a medium
// arriving, the eject menus over a drive table, and extracting files and archive
// members to a folder.
#include "GuiTestApp.h"
#include "QtTestApp.h"
#include "ScriptedUser.h"
#include "app/CaseTreeModel.h"
#include "app/DeviceWatcher.h"
#include "app/FileListModel.h"
#include "app/MainFrame.h"
#include "app/RecentFileList.h"
#include "app/TobCaseDoc.h"
#include "app/TobCaseList.h"
#include "app/TobCaseView.h"
#include "app/TobPropView.h"
#include "app/media/CAddMediaDlg.h"
#include "app/media/CCDInsertDlg.h"
#include "app/media/CQtExtractionUi.h"
#include "core/ConfigData.h"
#include "core/Resources.h"
#include "document/CCaseDocument.h"
#include "model/CaseFile.h"
#include "model/SVolumeInfo.h"
#include "scan/ArchiveExpander.h"
#include "scan/ArchiverSet.h"
#include "scan/DriveTable.h"
#include "scan/MediaPresence.h"
#include "support/ScratchDir.h"

#include <QAbstractButton>
#include <QIcon>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <archive.h>
#include <archive_entry.h>
#include <deque>
#include <gtest/gtest.h>

namespace quillora {
namespace {

namespace fs = std::filesystem;
using test::CScriptedUser;

void WriteTar(const fs::path& path, const std::vector<std::pair<std::string, std::string>>& files) {
    archive* a = archive_write_new();
    archive_write_set_format_pax(a);
    ASSERT_EQ(archive_write_open_filename(a, path.c_str()), ARCHIVE_OK);
    for (const auto& [name, data] : files) {
        archive_entry* e = archive_entry_new();
        archive_entry_set_pathname(e, name.c_str());
        archive_entry_set_filetype(e, AE_IFREG);
        archive_entry_set_perm(e, 0644);
        archive_entry_set_size(e, static_cast<la_int64_t>(data.size()));
        archive_entry_set_mtime(e, 1600000000, 0);
        archive_write_header(a, e);
        archive_write_data(a, data.data(), data.size());
        archive_entry_free(e);
    }
    archive_write_close(a);
    archive_write_free(a);
}

std::vector<std::string> FilesBelow(const fs::path& folder) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            found.push_back(entry.path().lexically_relative(folder).string());
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

QImage IconImage(const QModelIndex& index) {
    return index.data(Qt::DecorationRole).value<QIcon>().pixmap(16, 16).toImage();
}

SFileInfo* ChildNamed(SFileInfo& parent, const std::string& name) {
    for (const auto& child : parent.Children()) {
        if (child->GetName() == name) {
            return child.get();
        }
    }
    return nullptr;
}

class MediaCommands : public ::testing::Test {
protected:
    void SetUp() override {
        test::GuiApp();
        Config().OpenStore();
        Config().Store().Clear();
        Config().SetDefaults();
        Config().m_strMeltFolder = (m_dir / "work").string();
        m_archivers.LoadAll();
        m_expander = std::make_unique<CArchiveExpander>(m_archivers);
        m_doc = std::make_unique<CTobCaseDoc>(m_drives, m_presence);
        m_doc->SetArchiveExpander(m_expander.get());
        m_frame = std::make_unique<CMainFrame>(*m_doc, m_recent);
        m_frame->show();
    }
    void TearDown() override {
        m_frame.reset();
        m_doc.reset();
        m_expander.reset();
        m_archivers.UnloadAll();
        Config().SetDefaults();
    }

    // A folder medium "medium" with plain files, a folder holding files and an
    // archive, and an archive with nested folders.
    fs::path MakeMedium() {
        m_dir.Write("medium/top.txt", "top");
        m_dir.Write("medium/docs/a.txt", "alpha");
        m_dir.Write("medium/docs/sub/b.txt", "bravo");
        WriteTar(m_dir / "medium/docs/pack.tar", {{"in/c.txt", "charlie"}, {"d.txt", "delta"}});
        WriteTar(m_dir / "medium/deep.tar",
                 {{"one/two/x.txt", "xray"}, {"one/y.txt", "yankee"}, {"z.txt", "zulu"}});
        return m_dir / "medium";
    }

    SVolumeInfo* AddFolder(CScriptedUser& user, const fs::path& folder) {
        user.m_addFolders.push_back(folder.string());
        std::size_t before = m_doc->Case().Children().size();
        m_frame->Action(CMainFrame::kInsertMedia)->trigger();
        if (m_doc->Case().Children().size() != before + 1) {
            return nullptr;
        }
        return static_cast<SVolumeInfo*>(m_doc->Case().Children().back().get());
    }

    std::optional<bool> Extract(const fs::path& target) {
        m_frame->SetExtractionSetup([this, target](CQtExtractionUi& ui) {
            ui.SetFolderChooser([this, target](const std::string& initial) {
                m_initialFolder = initial;
                return std::optional<std::string>(target.string());
            });
            ui.SetFailureSink(
                [this](const std::string& message) { m_failures.push_back(message); });
        });
        return m_frame->OnExtract();
    }

    test::ScratchDir m_dir;
    // The mounts the drive table and the presence check see, made up by each test.
    std::vector<SDrive> m_mounts;
    CDriveTable m_drives{[this] { return m_mounts; }};
    CMediaPresence m_presence{[this] { return m_mounts; }};
    CArchiverSet m_archivers;
    std::unique_ptr<CArchiveExpander> m_expander;
    CRecentFileList m_recent{4};
    std::unique_ptr<CTobCaseDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
    std::string m_initialFolder;
    std::vector<std::string> m_failures;
};

} // namespace

TEST_F(MediaCommands, AddingAFolderSelectsAndExpandsTheNewMediumAndSavesAutomatically) {
    const std::string casePath = (m_dir / "auto.cas").string();
    ASSERT_TRUE(m_doc->Core().DoSave(casePath, true));
    Config().m_nAddVolMediaExpand = 1;
    Config().m_nAutoSave = 1;
    CScriptedUser user;
    SVolumeInfo* medium = AddFolder(user, MakeMedium());
    ASSERT_NE(medium, nullptr)
        << (user.m_messages.empty() ? QString() : user.m_messages.back()).toStdString();
    EXPECT_EQ(user.m_addTabs.size(), 1u);
    EXPECT_EQ(m_frame->Tree().Current(), medium);
    QModelIndex index = m_frame->Tree().Model().IndexOf(medium);
    EXPECT_TRUE(m_frame->Tree().isExpanded(index));
    EXPECT_EQ(m_frame->List().Folder(), medium);
    EXPECT_NE(ChildNamed(*medium, "deep.tar"), nullptr);
    // AutoSave wrote the case with the medium in it.
    EXPECT_FALSE(m_doc->Core().IsModified());
    bool badPassword = false;
    std::unique_ptr<CCDCase> saved = ReadCaseFile(casePath, "", &badPassword, nullptr);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->Children().size(), 1u);
}

TEST_F(MediaCommands, ContinuousAddAsksToChangeTheMediumBetweenAdds) {
    CScriptedUser user;
    const fs::path folder = MakeMedium();
    user.m_addFolders = {folder.string(), folder.string()};
    user.m_answers = {QMessageBox::Ok, QMessageBox::Cancel};
    m_frame->Action(CMainFrame::kContinuousAdd)->trigger();
    EXPECT_EQ(m_doc->Case().Children().size(), 2u);
    ASSERT_EQ(user.m_messages.size(), 2u);
    EXPECT_EQ(user.m_messages[0], QString::fromUtf8(Res(244)));
    EXPECT_EQ(m_frame->Tree().Current(), m_doc->Case().Children().back().get());
    EXPECT_TRUE(m_doc->Core().IsModified());
}

SDrive Mount(std::string root, DriveKind kind, std::string source) {
    SDrive d;
    d.m_root = std::move(root);
    d.m_source = std::move(source);
    d.m_kind = kind;
    d.m_present = true;
    d.m_serial = 0x1234ABCD;
    d.m_label = "STICK";
    return d;
}

TEST_F(MediaCommands, AnUnknownMediumArrivingOpensTheAddDialogWithItsDriveSelected) {
    m_dir.Write("stick/photo.jpg", "jpeg");
    const std::string stick = (m_dir / "stick").string();
    m_mounts = {Mount("/", DriveKind::Fixed, "/dev/sda1")};
    m_drives.RefreshDriveTable();
    CScriptedUser user;
    user.m_addFolders = {""}; // Cancel
    Config().m_nAddVolPage = 1;
    m_mounts.push_back(Mount(stick, DriveKind::Removable, "/dev/sdb1"));
    m_doc->OnDeviceChange(kDeviceArrival, kDeviceTypeVolume);
    ASSERT_EQ(user.m_addTabs.size(), 1u);
    EXPECT_EQ(user.m_addTabs[0], 0) << "the drives page";
    EXPECT_EQ(user.m_addDrives[0], stick) << "the drive that arrived, not the first one";
    EXPECT_TRUE(m_doc->Case().Children().empty());

    Config().m_bMediaAddAutoDetect = false;
    m_mounts.push_back(Mount(stick + "2", DriveKind::CdRom, "/dev/sr0"));
    m_doc->OnDeviceChange(kDeviceArrival, kDeviceTypeVolume);
    EXPECT_EQ(user.m_addTabs.size(), 1u) << "no add dialog without AutoDetect";

    // While an extraction holds the case, device changes wait for it to end.
    Config().m_bMediaAddAutoDetect = true;
    m_doc->HoldDeviceChanges(true);
    m_mounts.push_back(Mount(stick + "3", DriveKind::Removable, "/dev/sdc1"));
    m_doc->OnDeviceChange(kDeviceArrival, kDeviceTypeVolume);
    QCoreApplication::processEvents();
    EXPECT_EQ(user.m_addTabs.size(), 1u);
    user.m_addFolders = {""};
    m_doc->HoldDeviceChanges(false);
    EXPECT_TRUE(test::PumpUntil([&] { return user.m_addTabs.size() == 2; }, 5000));
}

TEST_F(MediaCommands, AnUnrelatedMountNeverOpensTheAddDialog) {
    m_mounts = {Mount("/", DriveKind::Fixed, "/dev/sda1"),
                Mount("/media/u/STICK", DriveKind::Removable, "/dev/sdb1")};
    m_drives.RefreshDriveTable();
    CScriptedUser user;
    int delivered = 0;
    CDeviceWatcher watcher([&](int event, int type) {
        ++delivered;
        m_doc->OnDeviceChange(event, type);
    });
    watcher.CheckChanges(m_mounts);
    QCoreApplication::processEvents();
    delivered = 0;
    // A RAM disk, a container's overlay, a FUSE file system and a loop-mounted disk
    // image come and go: none of them is a medium drive.
    m_mounts.push_back(Mount("/tmp/ram", DriveKind::RamDisk, "tmpfs"));
    m_mounts.push_back(Mount("/var/lib/docker/overlay2/x/merged", DriveKind::Fixed, "overlay"));
    m_mounts.push_back(Mount("/tmp/.mount_app", DriveKind::Fixed, "app.AppImage"));
    m_mounts.push_back(Mount("/mnt/image", DriveKind::Fixed, "/dev/loop3"));
    watcher.CheckChanges(m_mounts);
    m_mounts.resize(2);
    watcher.CheckChanges(m_mounts);
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, 0);
    // An arrival notice with no medium drive changed (a mount the watcher let
    // through while the table was already up to date) opens nothing either.
    m_mounts.push_back(Mount("/tmp/ram", DriveKind::RamDisk, "tmpfs"));
    m_doc->OnDeviceChange(kDeviceArrival, kDeviceTypeVolume);
    EXPECT_TRUE(user.m_addTabs.empty());
    EXPECT_TRUE(user.m_messages.empty());

    // A drive the settings switch off is not watched: the disc takes position 1.
    Config().m_nDriveUseAll = 0;
    Config().m_nDriveUse = ~(1 << 1);
    m_mounts.insert(m_mounts.begin() + 1, Mount("/media/u/DISC", DriveKind::CdRom, "/dev/sr0"));
    watcher.CheckChanges(m_mounts);
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, 0);
    m_mounts.push_back(Mount("/media/u/CARD", DriveKind::Removable, "/dev/sdd1"));
    watcher.CheckChanges(m_mounts);
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, 1);
    ASSERT_EQ(user.m_addDrives.size(), 1u);
    EXPECT_EQ(user.m_addDrives[0], "/media/u/CARD");
}

TEST_F(MediaCommands, EjectMenusListRemovableAndOpticalDrivesOfTheTable) {
    auto drive = [](std::string root, DriveKind kind, std::string source) {
        SDrive d;
        d.m_root = std::move(root);
        d.m_source = std::move(source);
        d.m_kind = kind;
        d.m_present = true;
        d.m_serial = 0x1234ABCD;
        return d;
    };
    m_drives.RefreshDriveTable({drive("/media/u/DISC", DriveKind::CdRom, "/dev/sr0"),
                                drive("/mnt/share", DriveKind::Remote, "//server/share"),
                                drive("/media/floppy", DriveKind::Removable, "/dev/fd0"),
                                drive("/media/u/STICK", DriveKind::Removable, "/dev/sdb1")});
    Config().m_nMediaEjectId = CMainFrame::kEjectFirstDrive + 2;
    emit m_doc->DrivesChanged();
    for (QMenu* menu : {m_frame->EjectMenu(), m_frame->EjectPopup()}) {
        QList<QAction*> actions = menu->actions();
        ASSERT_EQ(actions.size(), 3);
        EXPECT_FALSE(actions[0]->isEnabled()) << "no CD-audio door control";
        EXPECT_FALSE(actions[0]->toolTip().isEmpty());
        EXPECT_EQ(actions[1]->text(), QString::fromUtf8("2 /media/u/DISC (CD-ROM)"));
        EXPECT_EQ(actions[1]->data().toInt(), CMainFrame::kEjectFirstDrive);
        EXPECT_EQ(actions[2]->text(), QString::fromUtf8("3 /media/u/STICK (ﾘﾑｰﾊﾞﾙ)"));
        EXPECT_EQ(actions[2]->data().toInt(), CMainFrame::kEjectFirstDrive + 2)
            << "the command holds the drive table's index (the share is entry 1)";
        EXPECT_TRUE(actions[2]->isChecked());
        EXPECT_FALSE(actions[1]->isChecked());
    }
    EXPECT_EQ(m_frame->EjectMenu()->actions()[0]->text(), QString::fromUtf8("&1 CD Audioﾄﾞﾗｲﾌﾞ"));
    EXPECT_EQ(m_frame->EjectPopup()->actions()[0]->text(), QString::fromUtf8(Res(323)));
    EXPECT_TRUE(m_frame->Action(CMainFrame::kEjectDefault)->isEnabled());

    std::vector<std::size_t> ejected;
    m_frame->SetEjector([&](std::size_t index, std::string*) {
        ejected.push_back(index);
        return true;
    });
    m_frame->EjectMenu()->actions()[1]->trigger();
    EXPECT_EQ(Config().m_nMediaEjectId, CMainFrame::kEjectFirstDrive);
    EXPECT_TRUE(m_frame->EjectMenu()->actions()[1]->isChecked());
    m_frame->Action(CMainFrame::kEjectDefault)->trigger();
    // The default command repeats the last; a stale one falls to the first drive.
    Config().m_nMediaEjectId = CMainFrame::kEjectCdAudio;
    m_frame->Action(CMainFrame::kEjectDefault)->trigger();
    EXPECT_EQ(ejected, (std::vector<std::size_t>{0, 0, 0}));

    // Without ejectable drives only the disabled CD-audio entry is left.
    m_drives.RefreshDriveTable({drive("/mnt/share", DriveKind::Remote, "//server/share")});
    emit m_doc->DrivesChanged();
    EXPECT_EQ(m_frame->EjectMenu()->actions().size(), 1);
    EXPECT_FALSE(m_frame->Action(CMainFrame::kEjectDefault)->isEnabled());
    m_frame->Action(CMainFrame::kEjectDefault)->trigger();
    EXPECT_EQ(ejected.size(), 3u);
}

TEST(ExtractionProgress, ScalesAnyByteCountToTheDialogsRange) {
    EXPECT_EQ(CQtExtractionUi::ProgressValue(0, 500), 0);
    EXPECT_EQ(CQtExtractionUi::ProgressValue(250, 500), 500);
    EXPECT_EQ(CQtExtractionUi::ProgressValue(500, 500), 1000);
    EXPECT_EQ(CQtExtractionUi::ProgressValue(0, 0), 1000);
    test::GuiApp();
    CMediaPresence presence([] { return std::vector<SDrive>{}; });
    CDriveTable drives;
    CTobCaseDoc doc(drives, presence);
    CQtExtractionUi ui(nullptr, presence, doc);
    EXPECT_EQ(ui.Progress(), nullptr);
    EXPECT_TRUE(ui.CopyProgress(10, 40, "/media/u/DISC/a.txt"));
    ASSERT_NE(ui.Progress(), nullptr);
    EXPECT_EQ(ui.Progress()->windowTitle(), QString::fromUtf8(Res(248)));
    EXPECT_EQ(ui.Progress()->value(), 250);
    ui.Progress()->cancel();
    EXPECT_FALSE(ui.CopyProgress(20, 40, "/media/u/DISC/a.txt")) << "Cancel stops the copy";
    EXPECT_EQ(CQtExtractionUi::ProgressValue(UINT64_MAX / 2, UINT64_MAX), 500);
}

TEST_F(MediaCommands, ExtractingAFileOfANestedArchiveTakesItFromTheOutermostArchive) {
    CScriptedUser user;
    SVolumeInfo* medium = AddFolder(user, MakeMedium());
    ASSERT_NE(medium, nullptr);
    SFileInfo* archive = ChildNamed(*medium, "deep.tar");
    ASSERT_NE(archive, nullptr);
    SFileInfo* one = ChildNamed(*archive, "one");
    ASSERT_NE(one, nullptr);
    SFileInfo* two = ChildNamed(*one, "two");
    ASSERT_NE(two, nullptr);
    m_frame->Tree().Select(two);
    // The list shows "two": its one file is the selection.
    m_frame->List().setFocus();
    m_frame->List().selectAll();
    QCoreApplication::processEvents();
    ASSERT_EQ(m_frame->List().Selected().size(), 1u);
    EXPECT_TRUE(m_frame->Action(CMainFrame::kExtract)->isEnabled());
    const fs::path target = m_dir / "out";
    fs::create_directories(target);
    Config().m_nMeltFolderMode = 1;
    std::optional<bool> ok = Extract(target);
    EXPECT_TRUE(ok && *ok) << (m_failures.empty() ? "" : m_failures.front());
    EXPECT_EQ(m_initialFolder, (m_dir / "work").string()) << "the picker starts in MeltFolder";
    EXPECT_EQ(FilesBelow(target), (std::vector<std::string>{"one/two/x.txt"}));
    EXPECT_EQ(test::ReadFileBytes(target / "one/two/x.txt"), "xray");
    EXPECT_TRUE(user.m_messages.empty());
}

TEST_F(MediaCommands, ExtractingAFolderCopiesItsFilesAndExtractsItsArchiveBelowIt) {
    CScriptedUser user;
    SVolumeInfo* medium = AddFolder(user, MakeMedium());
    ASSERT_NE(medium, nullptr);
    SFileInfo* docs = ChildNamed(*medium, "docs");
    ASSERT_NE(docs, nullptr);
    m_frame->Tree().Select(docs);
    m_frame->Tree().setFocus();
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_frame->Action(CMainFrame::kExtract)->isEnabled());
    const fs::path target = m_dir / "out";
    fs::create_directories(target);
    std::optional<bool> ok = Extract(target);
    EXPECT_TRUE(ok && *ok) << (m_failures.empty() ? "" : m_failures.front());
    EXPECT_EQ(FilesBelow(target),
              (std::vector<std::string>{"docs/a.txt", "docs/pack.tar/d.txt",
                                        "docs/pack.tar/in/c.txt", "docs/sub/b.txt"}));
    // Nothing was written beside the target.
    std::vector<std::string> top;
    for (const auto& entry : fs::directory_iterator(m_dir.Path())) {
        top.push_back(entry.path().filename().string());
    }
    std::sort(top.begin(), top.end());
    EXPECT_EQ(top, (std::vector<std::string>{"medium", "out"}));
}

TEST_F(MediaCommands, MediaAndTheCaseAreNeverExtracted) {
    CScriptedUser user;
    SVolumeInfo* medium = AddFolder(user, MakeMedium());
    ASSERT_NE(medium, nullptr);
    m_frame->Tree().Select(medium);
    m_frame->Tree().setFocus();
    QCoreApplication::processEvents();
    EXPECT_FALSE(m_frame->Action(CMainFrame::kExtract)->isEnabled());
    EXPECT_TRUE(m_frame->ExtractionSelection().empty());
    // The case's list of media: the first row is a medium.
    m_frame->Tree().Select(&m_doc->Case());
    m_frame->List().setFocus();
    m_frame->List().selectAll();
    QCoreApplication::processEvents();
    EXPECT_FALSE(m_frame->Action(CMainFrame::kExtract)->isEnabled());
    EXPECT_FALSE(m_frame->OnExtract());
}

} // namespace quillora

namespace quillora {

// A registered medium arriving and leaving, with the mounts the presence check sees
// made up by the test.
TEST_F(MediaCommands, ARegisteredMediumArrivingIsOfferedForUpdateAndLeavingMarksItAbsent) {
    m_dir.Write("disc/song.txt", "la");
    std::vector<SDrive> mounts;
    CMediaPresence presence([&mounts] { return mounts; });
    CTobCaseDoc doc(m_drives, presence);
    doc.SetArchiveExpander(m_expander.get());
    CMainFrame frame(doc, m_recent);
    auto owned = std::make_unique<SVolumeInfo>();
    owned->m_dwFlags |= kFlagCdRom;
    owned->m_dwSerial = 0xBEEF;
    owned->m_strLabel = "Songs";
    owned->m_strOrgLabel = "SONGS";
    owned->UpdateDisplayName();
    SVolumeInfo* medium = static_cast<SVolumeInfo*>(doc.Case().AddChild(std::move(owned)));
    frame.Tree().SetCase(&doc.Case());
    QModelIndex index = frame.Tree().Model().IndexOf(medium);
    const QImage absentIcon = IconImage(index);

    SDrive drive;
    drive.m_root = (m_dir / "disc").string();
    drive.m_source = "/dev/sr0";
    drive.m_kind = DriveKind::CdRom;
    drive.m_label = "SONGS";
    drive.m_serial = 0xBEEF;
    drive.m_present = true;
    mounts = {drive};
    CScriptedUser user;
    user.m_answers = {QMessageBox::No};
    doc.OnDeviceChange(kDeviceArrival, kDeviceTypeVolume);
    ASSERT_EQ(user.m_messages.size(), 1u);
    EXPECT_EQ(user.m_messages[0], QString::fromUtf8(Res(514)));
    EXPECT_TRUE(medium->m_bPresent);
    EXPECT_EQ(medium->m_strRoot, drive.m_root);
    EXPECT_TRUE(user.m_addTabs.empty()) << "a known medium opens no add dialog";
    index = frame.Tree().Model().IndexOf(medium);
    EXPECT_NE(IconImage(index), absentIcon);

    mounts.clear();
    doc.OnDeviceChange(kDeviceRemoveComplete, kDeviceTypeVolume);
    EXPECT_FALSE(medium->m_bPresent);
    index = frame.Tree().Model().IndexOf(medium);
    EXPECT_EQ(IconImage(index), absentIcon);

    // Yes re-scans it in place: the new medium keeps the label and is selected.
    mounts = {drive};
    user.m_answers = {QMessageBox::Yes};
    doc.OnDeviceChange(kDeviceArrival, kDeviceTypeVolume);
    ASSERT_EQ(doc.Case().Children().size(), 1u);
    auto* rescanned = static_cast<SVolumeInfo*>(doc.Case().Children().front().get());
    EXPECT_EQ(rescanned->m_strLabel, "Songs");
    EXPECT_NE(ChildNamed(*rescanned, "song.txt"), nullptr);
    EXPECT_EQ(frame.Tree().Current(), rescanned);
}

} // namespace quillora

namespace quillora {

// "更新 ﾒﾃﾞｨｱ->ｹｰｽ(&U)" on the medium the views show: the list and the property view
// never keep records of the medium that is deleted, and show the new one.
TEST_F(MediaCommands, RescanningTheSelectedMediumRefillsTheListAndThePropertyView) {
    CScriptedUser user;
    const fs::path folder = MakeMedium();
    SVolumeInfo* medium = AddFolder(user, folder);
    ASSERT_NE(medium, nullptr);
    CTobCaseList& list = m_frame->List();
    // The medium is current in the tree; a file of it is current in the list.
    ASSERT_TRUE(m_frame->Tree().Select(medium));
    list.setFocus();
    list.setCurrentIndex(list.Model().index(list.Model().RowOf(ChildNamed(*medium, "top.txt")), 0));
    QCoreApplication::processEvents();
    ASSERT_EQ(m_frame->Props().Record(), ChildNamed(*medium, "top.txt"));
    m_dir.Write("medium/new.txt", "new");
    m_frame->Action(CMainFrame::kUpdateFromDrive)->trigger();
    ASSERT_EQ(m_doc->Case().ChildCount(), 1u);
    auto* again = static_cast<SVolumeInfo*>(m_doc->Case().ChildAt(0));
    ASSERT_NE(again, medium);
    EXPECT_EQ(m_frame->Tree().Current(), again);
    EXPECT_EQ(list.Folder(), again);
    EXPECT_EQ(list.Model().rowCount(), static_cast<int>(again->ChildCount()));
    EXPECT_GE(list.Model().RowOf(ChildNamed(*again, "new.txt")), 0);
    EXPECT_EQ(m_frame->Props().Record(), again);

    // A folder of the medium is current: the tree, the list and the property view
    // move to the new medium.
    SFileInfo* docs = ChildNamed(*again, "docs");
    ASSERT_TRUE(m_frame->Tree().Select(docs));
    EXPECT_EQ(list.Folder(), docs);
    ASSERT_NE(m_doc->Core().UpdateFromDrive(*again), nullptr);
    auto* third = static_cast<SVolumeInfo*>(m_doc->Case().ChildAt(0));
    ASSERT_NE(third, again);
    EXPECT_EQ(m_frame->Tree().Current(), third);
    EXPECT_EQ(list.Folder(), third);
    EXPECT_EQ(m_frame->Props().Record(), third);

    // The case is current and lists its media: the list shows the new one.
    ASSERT_TRUE(m_frame->Tree().Select(&m_doc->Case()));
    ASSERT_NE(m_doc->Core().UpdateFromDrive(*third), nullptr);
    auto* fourth = static_cast<SVolumeInfo*>(m_doc->Case().ChildAt(0));
    EXPECT_EQ(list.Folder(), fourth);
    EXPECT_EQ(m_frame->Props().Record(), fourth);
    EXPECT_TRUE(user.m_messages.empty());
}

} // namespace quillora
