// The case document driven through a scripted user interface: opening with and
// without passwords, saving safely, adding and re-scanning media, the busy flag.
#include "document/CCaseDocument.h"
#include "core/ConfigData.h"
#include "core/Resources.h"
#include "index/CCaseIndex.h"
#include "model/CCaseLock.h"
#include "model/CaseEditing.h"
#include "model/CaseFile.h"
#include "model/CaseSchema.h"
#include "model/SGroupInfo.h"
#include "model/SVolumeInfo.h"
#include "scan/DriveTable.h"
#include "scan/MediaPresence.h"
#include "scan/VolumeScanner.h"
#include "support/OrdinaryUser.h"
#include "support/ScratchDir.h"

#include <csignal>
#include <deque>
#include <gtest/gtest.h>

#include <chrono>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace quillora;
using quillora::test::ReadFileBytes;
using quillora::test::ScratchDir;

namespace {

// Answers the document's questions from a script and records what it was told.
class ScriptedUi : public IDocumentUi {
public:
    std::vector<std::string> messages;
    std::deque<std::optional<std::string>> passwords;
    std::deque<bool> yesNo;
    std::optional<SAddMediaChoice> addChoice;
    SMediaSelectAnswer selectAnswer;
    int loadingDialogs = 0;
    std::function<void()> duringScan;
    SFileInfo* container = nullptr;

    void ShowMessage(const std::string& text, MessageIcon) override { messages.push_back(text); }
    bool AskYesNo(const std::string& text) override {
        messages.push_back(text);
        bool answer = yesNo.empty() ? false : yesNo.front();
        if (!yesNo.empty()) {
            yesNo.pop_front();
        }
        return answer;
    }
    bool AskOkCancel(const std::string& text) override { return AskYesNo(text); }
    std::optional<std::string> AskPassword(PasswordMode, const std::string&,
                                           const std::string&) override {
        if (passwords.empty()) {
            return std::nullopt;
        }
        std::optional<std::string> answer = passwords.front();
        passwords.pop_front();
        return answer;
    }
    std::optional<SAddMediaChoice> RunAddMediaDialog(int, const std::string&) override {
        return addChoice;
    }
    SMediaSelectAnswer RunMediaSelectDialog(const SMediaSelectRequest&) override {
        return selectAnswer;
    }
    std::unique_ptr<SVolumeInfo> RunLoadingDialog(const std::string& osPath,
                                                  const std::string* label,
                                                  const std::string* comment, int) override {
        ++loadingDialogs;
        if (duringScan) {
            duringScan();
        }
        auto medium = std::make_unique<SVolumeInfo>();
        CVolumeScanner scanner;
        scanner.AddVolume(*medium, osPath, label, comment);
        report = scanner.Report();
        // As the loading dialog: a scan whose folder could not be read hands out nothing.
        return report.RootFailed() ? nullptr : std::move(medium);
    }
    const CScanReport* LastScanReport() const override { return &report; }
    CScanReport report;
    std::optional<std::string> AskFileName(const SFileDialogRequest&) override {
        return std::nullopt;
    }
    SFileInfo* SelectedContainer() override { return container; }
};

class CaseDocumentTest : public ::testing::Test {
protected:
    CaseDocumentTest()
        : presence([] { return std::vector<SDrive>{}; }), doc(ui, drives, presence) {}

    std::string MakeTree(const std::string& name) {
        dir.Write(name + "/a.txt", "alpha");
        dir.Write(name + "/sub/b.txt", "beta");
        return (dir / name).string();
    }

    ScratchDir dir;
    ScriptedUi ui;
    CDriveTable drives;
    CMediaPresence presence;
    CCaseDocument doc;
};

} // namespace

TEST_F(CaseDocumentTest, ZeroLengthFileOpensAndKeepsTheCurrentCase) {
    std::string folder = MakeTree("disc");
    ASSERT_TRUE(doc.DoSetCD(folder, nullptr, nullptr, nullptr, kAddFolder));
    std::string empty = dir.Write("empty.cas", "").string();
    EXPECT_TRUE(doc.OnOpenDocument(empty));
    EXPECT_EQ(doc.Case().ChildCount(), 1u);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CaseDocumentTest, DamagedFilesAndWrongPasswordsKeepThePreviousCase) {
    std::string folder = MakeTree("disc");
    doc.DoSetCD(folder, nullptr, nullptr, nullptr, kAddFolder);
    CCDCase locked;
    locked.m_strPassword = "open-sesame";
    std::string lockedPath = (dir / "locked.cas").string();
    SaveCaseFile(locked, lockedPath, false);
    SetTryPassword("");

    ui.passwords = {std::nullopt}; // Cancel
    EXPECT_FALSE(doc.OnOpenDocument(lockedPath));
    EXPECT_EQ(doc.Case().ChildCount(), 1u);
    EXPECT_EQ(TryPassword(), ""); // restored

    std::string damagedBytes = std::string("\xFF\xFF\x0C\x00\x07\x00", 6) + "CCDCase" +
                               std::string(16, '\xFF') + std::string("\x01\x02", 2);
    std::string damaged = dir.Write("damaged.cas", damagedBytes).string();
    EXPECT_FALSE(doc.OnOpenDocument(damaged));
    EXPECT_EQ(doc.Case().ChildCount(), 1u);
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().find(Res(61697)), 0u);

    ui.passwords = {std::string("open-sesame")};
    EXPECT_TRUE(doc.OnOpenDocument(lockedPath));
    EXPECT_EQ(doc.Case().ChildCount(), 0u);
    EXPECT_EQ(doc.Case().m_strPassword, "open-sesame");
    EXPECT_EQ(doc.PathName(), lockedPath);
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(CaseDocumentTest, SaveToReadOnlyFileIsRefusedBeforeWriting) {
    std::string target = dir.Write("ro.cas", "old bytes").string();
    ::chmod(target.c_str(), 0444);
    EXPECT_FALSE(doc.DoSave(target, true));
    EXPECT_EQ(ReadFileBytes(target), "old bytes");
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back(), Res(524));
    // Export names are exported and the document keeps its path.
    for (const char* name : {"list.csv", "list.htm", "list.html", "list.txt"}) {
        EXPECT_TRUE(doc.DoSave((dir / name).string(), true)) << name;
        EXPECT_TRUE(std::filesystem::exists(dir / name)) << name;
    }
    EXPECT_NE(ReadFileBytes(dir / "list.htm").find("<HTML"), std::string::npos);
    EXPECT_TRUE(doc.PathName().empty());
}

TEST_F(CaseDocumentTest, SaveThatFailsHalfwayLeavesTheOldFileByteIdentical) {
    std::string folder = MakeTree("disc");
    doc.DoSetCD(folder, nullptr, nullptr, nullptr, kAddFolder);
    std::string path = (dir / "shelf.cas").string();
    ASSERT_TRUE(doc.DoSave(path, true));
    std::string before = ReadFileBytes(path);
    // Make the case much larger than the file-size limit the child process gets.
    auto* file = doc.Case().ChildAt(0)->ChildAt(0);
    file->SetData(std::vector<std::uint8_t>(1 << 20, 0x5A));
    pid_t pid = fork();
    if (pid == 0) {
        // The parent's shared lock on the file is the child's too; the save must
        // fail on the full disk, not wait for that lock.
        doc.SetFileLocking(false);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{64 * 1024, 64 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(doc.DoSave(path, true) ? 1 : 0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save claimed success";
    EXPECT_EQ(ReadFileBytes(path), before);
    int files = 0;
    for (auto it = std::filesystem::directory_iterator(dir.Path());
         it != std::filesystem::directory_iterator(); ++it) {
        files += it->is_regular_file();
    }
    EXPECT_EQ(files, 1); // no temporary file left behind
}

TEST_F(CaseDocumentTest, RescanKeepsPlaceAndUserDataOfUnchangedPaths) {
    std::string first = MakeTree("one");
    std::string second = MakeTree("two");
    SVolumeInfo* one = doc.DoSetCD(first, nullptr, nullptr, nullptr, kAddFolder);
    ASSERT_TRUE(doc.DoSetCD(second, nullptr, nullptr, nullptr, kAddFolder));
    ASSERT_TRUE(one);
    one->m_strLabel = "My label";
    SFileInfo* a = FindChildFolder(*one, "sub") ? nullptr : nullptr;
    for (const auto& child : one->Children()) {
        if (child->m_strName == "a.txt") {
            a = child.get();
        }
    }
    ASSERT_TRUE(a);
    a->SetComment("keep me");
    a->m_byMark = 1;
    std::filesystem::remove(dir / "one" / "sub" / "b.txt");
    dir.Write("one/c.txt", "new");

    SVolumeInfo* again = doc.DoSetCD(first, nullptr, nullptr, one, kAddRescan);
    ASSERT_TRUE(again);
    ASSERT_EQ(doc.Case().ChildCount(), 2u);
    EXPECT_EQ(doc.Case().ChildAt(0), again); // same place among its siblings
    EXPECT_EQ(again->m_strLabel, "My label");
    bool sawA = false;
    for (const auto& child : again->Children()) {
        if (child->m_strName == "a.txt") {
            sawA = true;
            EXPECT_EQ(child->Comment(), "keep me");
            EXPECT_EQ(child->m_byMark, 1);
        }
    }
    EXPECT_TRUE(sawA);
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(CaseDocumentTest, UpdatingFromTheAddDialogKeepsTheMediumsCommentUnlessOneIsComposed) {
    std::string folder = MakeTree("disc");
    SVolumeInfo* medium = doc.DoSetCD(folder, nullptr, nullptr, nullptr, kAddFolder);
    ASSERT_TRUE(medium);
    // Registered from a whole drive: no folder name, the drive's serial number.
    medium->m_strName.clear();
    medium->m_dwSerial = 0x12345678;
    medium->m_strLabel = "Holiday";
    medium->SetComment("my notes");
    ui.selectAnswer = {SMediaSelectAnswer::Update, medium};
    ASSERT_EQ(doc.InsertFromDrive(1, folder, "DISC", 0x12345678, "DISC", ""), 1);
    auto* updated = static_cast<SVolumeInfo*>(doc.Case().ChildAt(0));
    EXPECT_NE(updated, medium);
    EXPECT_EQ(updated->m_strLabel, "Holiday");
    EXPECT_EQ(updated->Comment(), "my notes") << "an empty composed comment is none given";

    updated->m_strName.clear();
    updated->m_dwSerial = 0x12345678;
    ui.selectAnswer = {SMediaSelectAnswer::Update, updated};
    ASSERT_EQ(doc.InsertFromDrive(1, folder, "DISC", 0x12345678, "DISC", "2002/12/31"), 1);
    EXPECT_EQ(doc.Case().ChildAt(0)->Comment(), "2002/12/31");
}

// A re-scan that meets a folder it may not read keeps what the case held below it
// (and the notes on it); one whose folder cannot be read at all changes nothing.
TEST_F(CaseDocumentTest, RescanNeverDropsWhatItCouldNotRead) {
    chmod(dir.Path().c_str(), 0755);
    std::string disc = MakeTree("disc");
    dir.Write("disc/private/notes.txt", "mine");
    SVolumeInfo* medium = doc.DoSetCD(disc, nullptr, nullptr, nullptr, kAddFolder);
    ASSERT_TRUE(medium);
    SFileInfo* privateFolder = FindChildFolder(*medium, "private");
    ASSERT_TRUE(privateFolder && privateFolder->ChildCount() == 1);
    privateFolder->ChildAt(0)->SetComment("about my notes");
    chmod((dir / "disc/private").c_str(), 0);

    const int result = test::AsOrdinaryUser([&] {
        SVolumeInfo* again = doc.DoSetCD(disc, nullptr, nullptr, medium, kAddRescan);
        if (!again || ui.report.Count(SkipKind::UnreadableFolder) != 1) {
            return 1;
        }
        const SFileInfo* kept = FindChildFolder(*again, "private");
        if (!kept || kept->ChildCount() != 1 || kept->ChildAt(0)->Comment() != "about my notes") {
            return 2;
        }
        if (again->m_nSize != 5 + 4 + 4) { // alpha, beta and the kept notes
            return 3;
        }
        return 0;
    });
    if (result == 99) {
        GTEST_SKIP() << "cannot take an ordinary user's permissions here";
    }
    ASSERT_EQ(result, 0);

    // The medium's own folder locked: the re-scan fails and the case stays.
    chmod(disc.c_str(), 0);
    doc.SetModifiedFlag(false);
    const int failed = test::AsOrdinaryUser([&] {
        const std::size_t before = medium->CountFiles(true);
        if (doc.DoSetCD(disc, nullptr, nullptr, medium, kAddRescan) != nullptr) {
            return 1;
        }
        if (!ui.report.RootFailed() || doc.Case().ChildCount() != 1 ||
            doc.Case().ChildAt(0) != medium || medium->CountFiles(true) != before) {
            return 2;
        }
        return doc.IsModified() ? 3 : 0;
    });
    chmod(disc.c_str(), 0755);
    chmod((dir / "disc/private").c_str(), 0755);
    EXPECT_EQ(failed, 0);
}

TEST_F(CaseDocumentTest, SecondAddWhileOneRunsIsRefused) {
    std::string folder = MakeTree("disc");
    SAddMediaChoice choice;
    choice.m_nTab = 1;
    choice.m_strFolder = folder;
    choice.m_strLabel = "Disc";
    ui.addChoice = choice;
    int nested = -1;
    ui.duringScan = [&] {
        if (nested < 0) {
            nested = doc.InsertCDEx(false);
        }
    };
    EXPECT_EQ(doc.InsertCDEx(false), 1);
    EXPECT_EQ(nested, 0);
    EXPECT_EQ(ui.loadingDialogs, 1);
    EXPECT_EQ(doc.Case().ChildCount(), 1u);
    EXPECT_EQ(static_cast<SVolumeInfo*>(doc.Case().ChildAt(0))->m_strLabel, "Disc");
}

TEST_F(CaseDocumentTest, AddFlowsTellTheUserWhatIsMissing) {
    EXPECT_EQ(doc.InsertFromDrive(0, "/x", "X", 0, "L", ""), 0);
    EXPECT_EQ(ui.messages.back(), Res(129));
    EXPECT_EQ(doc.InsertFolder("", "L", ""), 0);
    EXPECT_EQ(ui.messages.back(), Res(297));
    std::string missing = (dir / "gone").string();
    EXPECT_EQ(doc.DoSetCD(missing, nullptr, nullptr, nullptr, kAddFolder), nullptr);
    EXPECT_NE(ui.messages.back().find(missing), std::string::npos);
    EXPECT_EQ(ui.loadingDialogs, 0);
}

TEST_F(CaseDocumentTest, GroupsMergeAndPasswords) {
    SGroupInfo* group = doc.AddGroup();
    EXPECT_EQ(group->m_strLabel, Res(531));
    std::string folder = MakeTree("disc");
    ui.container = group;
    ASSERT_TRUE(doc.DoSetCD(folder, nullptr, nullptr, nullptr, kAddFolder));
    EXPECT_EQ(group->ChildCount(), 1u);

    CCDCase other;
    other.m_strPassword = "pw12";
    other.AddChild(std::make_unique<SVolumeInfo>());
    other.AddChild(std::make_unique<SGroupInfo>());
    std::string otherPath = (dir / "other.cas").string();
    SaveCaseFile(other, otherPath, false);
    ui.container = nullptr;
    ui.passwords = {std::string("pw12")};
    EXPECT_TRUE(doc.MergeCaseFile(otherPath));
    ASSERT_EQ(doc.Case().ChildCount(), 3u);
    EXPECT_EQ(doc.Case().ChildAt(2)->Class(), RecordClass::Group);

    ui.passwords = {std::string("newpass")};
    EXPECT_TRUE(doc.SetPasswordAsk());
    EXPECT_EQ(doc.Case().m_strPassword, "newpass");
    ui.passwords = {std::string("newpass")};
    EXPECT_FALSE(doc.SetPasswordAsk()); // unchanged
}

TEST_F(CaseDocumentTest, AMergeThatWouldNestTooDeepIsRefused) {
    // A case as deep as a case file holds: it fits at the top, not inside a group.
    CCDCase deep;
    SFileInfo* folder = deep.AddChild(std::make_unique<SVolumeInfo>());
    for (int level = 2; level < kMaxTreeDepth; ++level) {
        auto child = std::make_unique<SFileInfo>();
        child->m_strName = "d";
        child->m_dwFlags = kAttrDirectory;
        folder = folder->AddChild(std::move(child));
    }
    folder->AddChild(std::make_unique<SFileInfo>())->m_strName = "leaf";
    const std::string deepPath = (dir / "deep.cas").string();
    SaveCaseFile(deep, deepPath, false);

    ui.container = doc.AddGroup();
    const std::size_t messages = ui.messages.size();
    EXPECT_FALSE(doc.MergeCaseFile(deepPath));
    ASSERT_GT(ui.messages.size(), messages);
    EXPECT_NE(ui.messages.back().find("nested deeper"), std::string::npos) << ui.messages.back();
    EXPECT_EQ(ui.container->ChildCount(), 0u);
    ui.container = nullptr;
    EXPECT_TRUE(doc.MergeCaseFile(deepPath));
    EXPECT_EQ(doc.Case().ChildCount(), 2u);
}

TEST_F(CaseDocumentTest, AnOpenCaseIsSharedLockedAndAChangeOnDiskIsAskedAbout) {
    const std::string path = (dir / "shelf.cas").string();
    CCDCase first;
    SaveCaseFile(first, path, false);
    ASSERT_TRUE(doc.OnOpenDocument(path));
    // A command that would change the case must wait while it is open here.
    CCaseLock command;
    EXPECT_EQ(command.Acquire(path, CCaseLock::EKind::Exclusive, false), CCaseLock::EResult::Busy);

    // A program that ignores locks replaces the file behind the document's back.
    CCDCase other;
    other.AddChild(std::make_unique<SGroupInfo>())->m_strName = "theirs";
    SaveCaseFile(other, path, false);
    const std::string theirs = ReadFileBytes(path);
    doc.AddGroup();
    ui.messages.clear();
    ui.yesNo = {false};
    EXPECT_FALSE(doc.DoSave(path, true));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("他のﾌﾟﾛｸﾞﾗﾑによって変更されています"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(path), theirs);
    EXPECT_TRUE(doc.IsModified());

    ui.yesNo = {true};
    EXPECT_TRUE(doc.DoSave(path, true));
    EXPECT_NE(ReadFileBytes(path), theirs);
    // Saved, the new file is the document's and is locked again at once.
    EXPECT_EQ(command.Acquire(path, CCaseLock::EKind::Exclusive, false), CCaseLock::EResult::Busy);
    ui.messages.clear();
    doc.AddGroup();
    EXPECT_TRUE(doc.DoSave(path, true));
    EXPECT_TRUE(ui.messages.empty()) << "no question when only the document changed it";

    // Closed, the case is free.
    doc.OnNewDocument();
    EXPECT_EQ(command.Acquire(path, CCaseLock::EKind::Exclusive, false), CCaseLock::EResult::Held);
}

TEST_F(CaseDocumentTest, OpeningACaseACommandIsChangingWaitsForItsLock) {
    const std::string path = (dir / "shelf.cas").string();
    CCDCase first;
    first.AddChild(std::make_unique<SGroupInfo>());
    SaveCaseFile(first, path, false);
    auto command = std::make_unique<CCaseLock>();
    ASSERT_EQ(command->Acquire(path, CCaseLock::EKind::Exclusive, false), CCaseLock::EResult::Held);
    // Not waiting: nothing is opened, the new case stays.
    ui.messages.clear();
    ui.yesNo = {false};
    EXPECT_FALSE(doc.OnOpenDocument(path));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("使用中"), std::string::npos);
    EXPECT_EQ(doc.Case().ChildCount(), 0u);

    // Waiting: the command lets go, and the case opens under the shared lock.
    ui.yesNo = {true};
    std::thread finishing([&command] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        command.reset();
    });
    EXPECT_TRUE(doc.OnOpenDocument(path));
    finishing.join();
    EXPECT_EQ(doc.Case().ChildCount(), 1u);
    CCaseLock next;
    EXPECT_EQ(next.Acquire(path, CCaseLock::EKind::Exclusive, false), CCaseLock::EResult::Busy)
        << "the open case is locked";
}

TEST_F(CaseDocumentTest, SavingAFileAnotherProgramHoldsAsksFirst) {
    const std::string path = (dir / "shelf.cas").string();
    CCDCase first;
    SaveCaseFile(first, path, false);
    ASSERT_TRUE(doc.OnOpenDocument(path));
    const std::string before = ReadFileBytes(path);
    // Another window has the same case open.
    CCaseLock otherWindow;
    ASSERT_EQ(otherWindow.Acquire(path, CCaseLock::EKind::Shared, false), CCaseLock::EResult::Held);
    doc.AddGroup();
    ui.messages.clear();
    ui.yesNo = {false};
    EXPECT_FALSE(doc.DoSave(path, true));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("使用中"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(path), before);
    // The refusal keeps the document's own shared lock.
    CCaseLock command;
    EXPECT_EQ(command.Acquire(path, CCaseLock::EKind::Exclusive, false), CCaseLock::EResult::Busy);
}

TEST_F(CaseDocumentTest, OpenedAndSavedCasesReachTheIndexAndAFailedSaveLeavesIt) {
    const std::string indexFolder = (dir / "index").string();
    doc.SetCaseIndexFolder(indexFolder);
    std::string folder = MakeTree("disc");
    ASSERT_TRUE(doc.DoSetCD(folder, nullptr, nullptr, nullptr, kAddFolder));
    const std::string path = (dir / "shelf.cas").string();
    ASSERT_TRUE(doc.DoSave(path, true));
    {
        CCaseIndex index(indexFolder);
        const auto hits = index.Locate({"b.txt"}, 0);
        ASSERT_EQ(hits.size(), 1u);
        EXPECT_EQ(hits[0].m_strPath, "disc\\sub\\b.txt");
    }
    // A save that fails changes nothing in the index.
    doc.Case().ChildAt(0)->ChildAt(0)->m_strName = "renamed.txt";
    const std::string readOnly = dir.Write("ro.cas", "old bytes").string();
    ::chmod(readOnly.c_str(), 0444);
    EXPECT_FALSE(doc.DoSave(readOnly, true));
    {
        CCaseIndex index(indexFolder);
        EXPECT_TRUE(index.Locate({"renamed"}, 0).empty());
        EXPECT_EQ(index.Status().m_nCases, 1u);
    }
    // The next save that succeeds is taken at once.
    ASSERT_TRUE(doc.DoSave(path, true));
    CCaseIndex index(indexFolder);
    EXPECT_EQ(index.Locate({"renamed"}, 0).size(), 1u);

    // A case opened from elsewhere is taken too.
    CCDCase other;
    other.AddChild(std::make_unique<SVolumeInfo>())
        ->AddChild(std::make_unique<SFileInfo>())
        ->m_strName = "elsewhere.bin";
    const std::string otherPath = (dir / "other.cas").string();
    SaveCaseFile(other, otherPath, false);
    ASSERT_TRUE(doc.OnOpenDocument(otherPath));
    EXPECT_EQ(CCaseIndex(indexFolder).Locate({"elsewhere"}, 0).size(), 1u);
}
