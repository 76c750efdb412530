// File > "ﾌｫﾙﾀﾞとして開く" for real: the case mounted under the runtime folder and handed to
// the file manager (a fake xdg-open first on PATH), and the mount gone with the case.
#include "app/CaseFolderMount.h"
#include "GuiTestApp.h"
#include "QtTestApp.h"
#include "ScriptedUser.h"
#include "app/MainFrame.h"
#include "app/RecentFileList.h"
#include "app/TobCaseDoc.h"
#include "core/ConfigData.h"
#include "model/CaseFile.h"
#include "scan/DriveTable.h"
#include "scan/MediaPresence.h"
#include "support/ScratchDir.h"

#include <QAction>
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <unistd.h>

namespace quillora {
namespace {

namespace fs = std::filesystem;
using test::CScriptedUser;
using test::ReadFileBytes;

// The mount table spells a space, tab, newline or backslash in a path as \ooo.
std::string UnescapedMountPath(const std::string& field) {
    std::string path;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            path += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            path += field[i];
        }
    }
    return path;
}

bool IsMountPoint(const fs::path& folder) {
    std::ifstream mounts("/proc/self/mounts");
    std::string source, target, rest;
    while (mounts >> source >> target && std::getline(mounts, rest)) {
        if (UnescapedMountPath(target) == folder.string()) {
            return true;
        }
    }
    return false;
}

// Sets an environment variable for the life of the object.
class CScopedEnv {
public:
    CScopedEnv(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        setenv(name, value.c_str(), 1);
    }
    ~CScopedEnv() {
        if (m_old) {
            setenv(m_name, m_old->c_str(), 1);
        } else {
            unsetenv(m_name);
        }
    }
    CScopedEnv(const CScopedEnv&) = delete;
    CScopedEnv& operator=(const CScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

class CaseFolderMountTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(access("/dev/fuse", F_OK), 0)
            << "FUSE is not available on this machine: /dev/fuse does not exist";
        test::GuiApp();
        Config().OpenStore();
        Config().Store().Clear();
        Config().SetDefaults();
        // The file manager: records what it was asked to show and what it saw there.
        m_dir.Write("bin/xdg-open",
                    "#!/bin/sh\n"
                    "ls \"$1\" > \"$(dirname \"$0\")/listing\"\n"
                    "printf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args.tmp\"\n"
                    "mv \"$(dirname \"$0\")/args.tmp\" \"$(dirname \"$0\")/args\"\n");
        fs::permissions(m_dir / "bin/xdg-open", fs::perms::owner_all);
        m_doc = std::make_unique<CTobCaseDoc>(m_drives, m_presence);
        m_frame = std::make_unique<CMainFrame>(*m_doc, m_recent);
        m_frame->show();
        SaveCaseFile(*test::MakeSampleCase(), m_casePath.string(), false);
        CCDCase other;
        SaveCaseFile(other, m_otherPath.string(), false);
    }
    void TearDown() override {
        m_frame.reset();
        m_doc.reset();
        Config().SetDefaults();
    }

    void Trigger(int command) { m_frame->Action(command)->trigger(); }
    // The menu item, then the wait until the file manager was started and has looked.
    bool OpenAsFolder() {
        fs::remove(m_dir / "bin/args");
        Trigger(CMainFrame::kOpenAsFolder);
        return test::PumpUntil([&] { return fs::exists(m_dir / "bin/args"); });
    }
    fs::path FolderOf(const fs::path& casePath) const {
        return m_dir / "run" / "quillora" / casePath.filename();
    }

    test::ScratchDir m_dir;
    CScopedEnv m_runtime{"XDG_RUNTIME_DIR", (m_dir / "run").string()};
    CScopedEnv m_path{"PATH", (m_dir / "bin").string() + ":" + std::getenv("PATH")};
    fs::path m_casePath = m_dir / "shelf.cas";
    fs::path m_otherPath = m_dir / "other.cas";
    CDriveTable m_drives{[] { return std::vector<SDrive>{}; }};
    CMediaPresence m_presence{[] { return std::vector<SDrive>{}; }};
    CRecentFileList m_recent{4};
    std::unique_ptr<CTobCaseDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
};

} // namespace

TEST_F(CaseFolderMountTest, TheMenuItemMountsTheCaseAndShowsItInTheFileManager) {
    ASSERT_TRUE(m_doc->OpenPath(m_casePath.string()));
    CScriptedUser user;
    EXPECT_TRUE(OpenAsFolder()) << "xdg-open was not started";
    const fs::path folder = FolderOf(m_casePath);
    ASSERT_TRUE(IsMountPoint(folder))
        << (user.m_messages.empty() ? std::string("no message")
                                    : user.m_messages.front().toStdString());
    EXPECT_TRUE(user.m_messages.empty());
    EXPECT_TRUE(fs::is_directory(folder / "Disc" / "Docs"));
    EXPECT_TRUE(fs::is_directory(folder / "Group" / "Card"));

    EXPECT_EQ(ReadFileBytes(m_dir / "bin/args"), folder.string() + "\n");
    EXPECT_EQ(ReadFileBytes(m_dir / "bin/listing"), "Disc\nGroup\n")
        << "the folder was ready when the file manager looked";

    // Asked again, the same case is mounted afresh in the same place.
    EXPECT_TRUE(OpenAsFolder());
    EXPECT_TRUE(IsMountPoint(folder));
    EXPECT_TRUE(user.m_messages.empty());
    EXPECT_EQ(ReadFileBytes(m_dir / "bin/listing"), "Disc\nGroup\n");
}

TEST_F(CaseFolderMountTest, AnUnsavedCaseIsNotMounted) {
    CScriptedUser user;
    Trigger(CMainFrame::kOpenAsFolder);
    ASSERT_EQ(user.m_messages.size(), 1u);
    EXPECT_TRUE(user.m_messages[0].contains(QString::fromUtf8("保存してから")));

    ASSERT_TRUE(m_doc->OpenPath(m_casePath.string()));
    m_doc->Core().SetModifiedFlag(true);
    Trigger(CMainFrame::kOpenAsFolder);
    EXPECT_EQ(user.m_messages.size(), 2u) << "changes not in the file are not shown";
    EXPECT_FALSE(IsMountPoint(FolderOf(m_casePath)));
    EXPECT_FALSE(fs::exists(m_dir / "bin/args"));
}

TEST_F(CaseFolderMountTest, TheMountGoesWhenTheCaseIsReplacedOrClosed) {
    const fs::path folder = FolderOf(m_casePath);
    ASSERT_TRUE(m_doc->OpenPath(m_casePath.string()));
    ASSERT_TRUE(OpenAsFolder());
    ASSERT_TRUE(IsMountPoint(folder));
    Trigger(CMainFrame::kFileNew);
    EXPECT_FALSE(IsMountPoint(folder)) << "File > New";
    EXPECT_FALSE(fs::exists(folder)) << "the empty mount folder is removed";

    ASSERT_TRUE(m_doc->OpenPath(m_casePath.string()));
    ASSERT_TRUE(OpenAsFolder());
    ASSERT_TRUE(IsMountPoint(folder));
    ASSERT_TRUE(m_doc->OpenPath(m_otherPath.string()));
    EXPECT_FALSE(IsMountPoint(folder)) << "another case opened";

    // Saved under another name the case no longer is the file the folder shows.
    ASSERT_TRUE(OpenAsFolder());
    ASSERT_TRUE(IsMountPoint(FolderOf(m_otherPath)));
    const fs::path moved = m_dir / "moved.cas";
    ASSERT_TRUE(m_doc->Core().DoSave(moved.string(), true)); // Save As past its dialog
    ASSERT_EQ(m_doc->Core().PathName(), moved.string());
    EXPECT_FALSE(IsMountPoint(FolderOf(m_otherPath))) << "saved as another file";

    ASSERT_TRUE(OpenAsFolder());
    ASSERT_TRUE(IsMountPoint(FolderOf(moved)));
    m_frame.reset();
    EXPECT_FALSE(IsMountPoint(FolderOf(moved))) << "the window closed";
}

TEST_F(CaseFolderMountTest, AFolderInUseIsDetachedWithoutWaitingForItsUser) {
    const fs::path folder = FolderOf(m_casePath);
    ASSERT_TRUE(m_doc->OpenPath(m_casePath.string()));
    ASSERT_TRUE(OpenAsFolder());
    ASSERT_TRUE(IsMountPoint(folder));
    // A file manager still inside: an open folder holds the mount busy.
    const int held = ::open((folder / "Disc").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(held, 0);
    Trigger(CMainFrame::kFileNew);
    EXPECT_FALSE(IsMountPoint(folder));
    // Still served while it is in use: the program's exit waits for it, then ends
    // before freeing what the mount reads through.
    EXPECT_FALSE(CCaseFolderMount::WaitUntilNoneServes(std::chrono::milliseconds(50)));
    // Whoever is inside goes on reading what it had open.
    DIR* listing = ::fdopendir(held);
    ASSERT_NE(listing, nullptr);
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(listing)) {
        names.emplace_back(entry->d_name);
    }
    ::closedir(listing);
    EXPECT_NE(std::find(names.begin(), names.end(), "Docs"), names.end());
    // With its last user gone, the detached mount ends by itself.
    EXPECT_TRUE(test::PumpUntil([] { return CCaseFolderMount::ServingCount() == 0; }));
    EXPECT_TRUE(CCaseFolderMount::WaitUntilNoneServes(std::chrono::milliseconds(0)));
}

// Two programs with cases of one name from two folders: the second mount takes a
// folder of its own, the first keeps showing its case.
TEST_F(CaseFolderMountTest, CasesOfOneNameFromTwoFoldersMountSideBySide) {
    fs::create_directories(m_dir / "other");
    const fs::path twin = m_dir / "other" / "shelf.cas";
    CCDCase empty;
    SaveCaseFile(empty, twin.string(), false);
    CCaseFolderMount first;
    CCaseFolderMount second;
    std::string error;
    const std::string one = first.Open(m_casePath.string(), "", nullptr, &error);
    ASSERT_FALSE(one.empty()) << error;
    const std::string two = second.Open(twin.string(), "", nullptr, &error);
    ASSERT_FALSE(two.empty()) << error;
    EXPECT_EQ(fs::path(one), FolderOf(m_casePath));
    EXPECT_EQ(fs::path(two).filename(), "shelf.cas (2)");
    EXPECT_TRUE(IsMountPoint(one));
    EXPECT_TRUE(IsMountPoint(two));
    EXPECT_TRUE(fs::is_directory(fs::path(one) / "Disc"));
    EXPECT_TRUE(fs::is_empty(two)) << "the second folder shows the empty case";
    // Once the first is gone, its name is free again.
    first.Close();
    EXPECT_EQ(CCaseFolderMount::FolderFor(m_casePath.string()), FolderOf(m_casePath).string());
    second.Close();
}

} // namespace quillora
