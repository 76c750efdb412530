// The comparison and link-update commands of the document, driven through a scripted
// user interface over media scanned from folders the test builds.
#include "document/CCaseDocument.h"
#include "document/CCompareCommands.h"
#include "document/ICompareUi.h"

#include "core/Resources.h"
#include "model/CaseEditing.h"
#include "model/SVolumeInfo.h"
#include "scan/DriveTable.h"
#include "scan/MediaPresence.h"
#include "scan/VolumeScanner.h"
#include "search/CompareRow.h"
#include "support/ScratchDir.h"

#include <deque>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quillora {
namespace {

using test::ReadFileBytes;
using test::ScratchDir;

void SetModified(const std::filesystem::path& path, std::int64_t seconds) {
    struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

class CScriptedUi : public IDocumentUi, public ICompareUi {
public:
    std::vector<std::string> messages;
    std::deque<bool> answers;
    std::vector<int> dialogs;
    int scans = 0;

    void ShowMessage(const std::string& text, MessageIcon) override { messages.push_back(text); }
    bool AskYesNo(const std::string& text) override {
        messages.push_back(text);
        bool answer = !answers.empty() && answers.front();
        if (!answers.empty()) {
            answers.pop_front();
        }
        return answer;
    }
    bool AskOkCancel(const std::string& text) override { return AskYesNo(text); }
    std::optional<std::string> AskPassword(PasswordMode, const std::string&,
                                           const std::string&) override {
        return std::nullopt;
    }
    std::optional<SAddMediaChoice> RunAddMediaDialog(int, const std::string&) override {
        return std::nullopt;
    }
    SMediaSelectAnswer RunMediaSelectDialog(const SMediaSelectRequest&) override { return {}; }
    std::unique_ptr<SVolumeInfo> RunLoadingDialog(const std::string& osPath,
                                                  const std::string* label,
                                                  const std::string* comment, int) override {
        ++scans;
        auto medium = std::make_unique<SVolumeInfo>();
        CVolumeScanner scanner{SScanOptions{}};
        scanner.AddVolume(*medium, osPath, label, comment);
        // Whatever the scratch folder's file system, it stays "in its drive".
        medium->m_dwFlags = (medium->m_dwFlags & ~kFlagMediumKindMask) | kFlagFixed;
        return medium;
    }
    std::optional<std::string> AskFileName(const SFileDialogRequest&) override {
        return std::nullopt;
    }

    void ShowCompareDialog(int mode, SVolumeInfo&) override { dialogs.push_back(mode); }
    SCopySummary RunCopies(const SCopyPlan& plan) override {
        return CUpdateCopier(nullptr).Run(plan);
    }
};

class CompareCommandsTest : public ::testing::Test {
protected:
    CompareCommandsTest()
        : presence([] { return std::vector<SDrive>{}; }), doc(ui, drives, presence),
          commands(doc, ui, ui) {}

    SVolumeInfo* AddDisc(const std::string& name) {
        dir.Write(name + "/a.txt", "disc a");
        SetModified(dir / name / "a.txt", 1000);
        return doc.DoSetCD((dir / name).string(), nullptr, nullptr, nullptr, kAddFolder);
    }

    ScratchDir dir;
    CScriptedUi ui;
    CDriveTable drives;
    CMediaPresence presence;
    CCaseDocument doc;
    CCompareCommands commands;
};

TEST_F(CompareCommandsTest, TheMediaCaseComparisonNeedsTheMediumInItsDrive) {
    SVolumeInfo* disc = AddDisc("disc");
    ASSERT_NE(disc, nullptr);
    commands.CompareMediumWithCase(nullptr);
    commands.CompareMediumWithCase(&doc.Case());
    EXPECT_TRUE(ui.dialogs.empty());

    commands.CompareMediumWithCase(disc->ChildAt(0));
    EXPECT_EQ(ui.dialogs, std::vector<int>{kCompareMediaCase});

    // A disc that the mount check cannot find.
    disc->m_dwFlags = (disc->m_dwFlags & ~kFlagMediumKindMask) | kFlagCdRom;
    commands.CompareMediumWithCase(disc);
    EXPECT_EQ(ui.dialogs.size(), 1u);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages.back(), Res(209));
    // The link comparison asks for no drive.
    commands.CompareCaseWithLinks(disc);
    EXPECT_EQ(ui.dialogs.back(), kCompareCaseLink);
    EXPECT_FALSE(commands.UpdateMediumFromLinks(disc));
    EXPECT_EQ(ui.messages.size(), 2u);
}

TEST_F(CompareCommandsTest, CopiesOntoTheMediumOfferToRegisterItAgain) {
    SVolumeInfo* disc = AddDisc("disc");
    ASSERT_NE(disc, nullptr);
    dir.Write("links/a.txt", "newer in the link folder");
    SetModified(dir / "links/a.txt", 2000);
    SetLink(*disc->ChildAt(0), (dir / "links/a.txt").string(), true);
    doc.SetModifiedFlag(false);

    ui.answers = {true};
    EXPECT_TRUE(commands.UpdateMediumFromLinks(disc));
    EXPECT_EQ(ReadFileBytes(dir / "disc/a.txt"), "newer in the link folder");
    ASSERT_EQ(ui.messages, std::vector<std::string>{Res(241)});
    EXPECT_EQ(ui.scans, 2);
    // The medium was registered again, keeping the link, with the copied file's time.
    SVolumeInfo* again = static_cast<SVolumeInfo*>(doc.Case().ChildAt(0));
    ASSERT_EQ(again->ChildCount(), 1u);
    EXPECT_EQ(again->ChildAt(0)->m_ftLastWrite, FileTimeFromUnix(2000));
    EXPECT_EQ(again->ChildAt(0)->Link(), (dir / "links/a.txt").string());
    EXPECT_TRUE(doc.IsModified());

    // Now both sides agree: nothing is copied and nothing asked.
    ui.messages.clear();
    EXPECT_TRUE(commands.UpdateMediumFromLinks(again));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.scans, 2);
}

TEST_F(CompareCommandsTest, FromTheCaseRootEveryMediumInADriveFillsItsLinks) {
    SVolumeInfo* one = AddDisc("one");
    SVolumeInfo* two = AddDisc("two");
    ASSERT_TRUE(one && two);
    SetLink(*one->ChildAt(0), (dir / "links/one.txt").string(), true);
    SetLink(*two->ChildAt(0), (dir / "links/two.txt").string(), true);
    two->m_dwFlags = (two->m_dwFlags & ~kFlagMediumKindMask) | kFlagCdRom; // not in a drive

    EXPECT_TRUE(commands.UpdateLinksFromMedium(&doc.Case()));
    EXPECT_EQ(ReadFileBytes(dir / "links/one.txt"), "disc a");
    EXPECT_FALSE(std::filesystem::exists(dir / "links/two.txt"));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(commands.UpdateLinksFromMedium(two->ChildAt(0)));
    EXPECT_EQ(ui.messages, std::vector<std::string>{Res(209)});
}

} // namespace
} // namespace quillora
