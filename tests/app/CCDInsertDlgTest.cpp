// The loading dialog: a completed scan hands out the medium (with the end sound in
// folder mode and never for a re-scan), a cancelled one leaves nothing behind, and
// the elapsed time reads as hours, minutes and seconds.
#include "app/media/CCDInsertDlg.h"
#include "QtTestApp.h"
#include "app/media/CChangeListDlg.h"
#include "app/media/CChangeListModel.h"
#include "core/ConfigData.h"
#include "core/Resources.h"
#include "model/SVolumeInfo.h"
#include "scan/IArchiveLister.h"
#include "support/ScratchDir.h"

#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <stop_token>
#include <sys/mount.h>
#include <thread>
#include <utility>

using namespace quillora;
using namespace quillora::test;

namespace {

class CCDInsertDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        Config().SetDefaults();
        m_scratch.Write("top.txt", "hello");
        m_scratch.Write("photos/a.jpg", "jpeg");
        m_scratch.Write("photos/2002/b.jpg", "jpeg");
    }
    void TearDown() override { Config().SetDefaults(); }

    // Counts what the dialog would play and eject instead of doing it.
    void Watch(CCDInsertDlg& dialog) {
        dialog.SetFinishActions({[this](const std::string& file) { m_played.push_back(file); },
                                 [this](const SVolumeInfo&) { ++m_ejects; }});
    }

    ScratchDir m_scratch;
    std::vector<std::string> m_played;
    int m_ejects = 0;
};

// Stands in for the archive expansion: holds the scan inside an archive listing until
// the scan is cancelled, so that a cancel is sure to meet a running scan.
class CBlockingLister : public IArchiveLister {
public:
    void BeginScan(const SScanOptions& /*options*/, IScanProgress* /*progress*/,
                   std::stop_token stop) override {
        m_stop = std::move(stop);
    }
    void EndScan() override {}
    bool ReadsHeadOf(std::uint16_t /*fileTypeCode*/) override { return false; }
    bool TryListArchive(SFileInfo& /*folder*/, const SDirEntry& /*entry*/,
                        std::uint16_t /*fileTypeCode*/, const CArchiveHead* /*head*/) override {
        m_entered.store(true);
        for (int i = 0; i < 2000 && !m_stop.stop_requested(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    std::uint32_t ArchiveEntryCrc(const SFileInfo& /*entry*/) override { return 0; }
    bool CollectArchiveCrcs(SFileInfo& /*record*/, bool /*recurse*/) override { return false; }
    bool ExtractArchiveComments(SFileInfo& /*record*/, int /*slot*/, bool /*overwrite*/,
                                bool /*recurse*/, const std::stop_token& /*stop*/) override {
        return true;
    }

    std::atomic<bool> m_entered{false};
    std::stop_token m_stop;
};

void MakeWideTree(const ScratchDir& scratch, int folders, int files) {
    for (int folder = 0; folder < folders; ++folder) {
        for (int file = 0; file < files; ++file) {
            scratch.Write("wide/f" + std::to_string(folder) + "/file" + std::to_string(file), "x");
        }
    }
}

} // namespace

TEST_F(CCDInsertDlgTest, CompletedScanReturnsTheMedium) {
    Config().m_nAddEndSndMode = 1;
    Config().m_strAddEndSndFile = "/usr/share/sounds/done.wav";
    Config().m_nAddVolMediaOut = 1;
    const std::string label = "My folder";
    CCDInsertDlg dialog(m_scratch.Path().string(), &label, nullptr, 2);
    Watch(dialog);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "My folder - 読み込み中");
    dialog.Start();
    ASSERT_TRUE(PumpUntil([&] { return dialog.result() == QDialog::Accepted; }));
    auto medium = dialog.TakeResult();
    ASSERT_NE(medium, nullptr);
    EXPECT_EQ(medium->m_strLabel, "My folder");
    EXPECT_EQ(medium->ChildCount(), 2u);
    EXPECT_EQ(m_played, (std::vector<std::string>{"/usr/share/sounds/done.wav"}));
    EXPECT_EQ(m_ejects, 0) << "a folder is never ejected";
    EXPECT_FALSE(dialog.IsScanRunning());
}

TEST_F(CCDInsertDlgTest, RescanPlaysNoSoundAndDriveModeEjects) {
    Config().m_nAddEndSndMode = 1;
    Config().m_strAddEndSndFile = "/x.wav";
    Config().m_nAddVolMediaOut = 1;
    {
        CCDInsertDlg rescan(m_scratch.Path().string(), nullptr, nullptr, 3);
        Watch(rescan);
        rescan.Start();
        ASSERT_TRUE(PumpUntil([&] { return rescan.result() == QDialog::Accepted; }));
    }
    EXPECT_TRUE(m_played.empty());
    EXPECT_EQ(m_ejects, 0);
    {
        CCDInsertDlg drive(m_scratch.Path().string(), nullptr, nullptr, 1);
        Watch(drive);
        drive.Start();
        ASSERT_TRUE(PumpUntil([&] { return drive.result() == QDialog::Accepted; }));
    }
    EXPECT_EQ(m_played.size(), 1u);
    EXPECT_EQ(m_ejects, 1);
}

TEST_F(CCDInsertDlgTest, CancelWhileAnArchiveIsListedLeavesNothing) {
    m_scratch.Write("photos/album.zip", "PK\x05\x06");
    CBlockingLister lister;
    CCDInsertDlg dialog(m_scratch.Path().string(), nullptr, nullptr, 1, nullptr, &lister);
    Watch(dialog);
    dialog.Start();
    ASSERT_TRUE(PumpUntil([&] { return lister.m_entered.load(); }));
    EXPECT_TRUE(dialog.IsScanRunning());
    dialog.CancelScan();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.StatusText().toStdString(), Res(522));
    EXPECT_FALSE(dialog.IsScanRunning()) << "cancel returns after the worker ended";
    EXPECT_EQ(dialog.TakeResult(), nullptr);
    // A finish message still queued must not turn the cancel into an OK.
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(m_played.empty());
    EXPECT_EQ(m_ejects, 0);
}

TEST_F(CCDInsertDlgTest, CancelBeforeTheScanStartsAndDestroyWhileRunning) {
    {
        CCDInsertDlg dialog(m_scratch.Path().string(), nullptr, nullptr, 2);
        dialog.Start();
        dialog.reject();
        EXPECT_EQ(dialog.TakeResult(), nullptr);
    }
    MakeWideTree(m_scratch, 20, 20);
    {
        // Destroyed with its scan running: the destructor stops and joins it.
        CCDInsertDlg dialog(m_scratch.Path().string(), nullptr, nullptr, 2);
        dialog.Start();
    }
    SUCCEED();
}

TEST_F(CCDInsertDlgTest, ProgressLinesShowWhatIsRead) {
    MakeWideTree(m_scratch, 10, 10);
    CCDInsertDlg dialog(m_scratch.Path().string(), nullptr, nullptr, 2);
    dialog.Start();
    ASSERT_TRUE(PumpUntil([&] { return dialog.result() == QDialog::Accepted; }));
    // The progress timer may or may not have fired during a short scan; when it did,
    // the lines are bounded.
    EXPECT_LE(dialog.PathLine().size(), 35);
    EXPECT_NE(dialog.TakeResult(), nullptr);
}

// A scan that skipped something stays open on what it skipped; OK keeps the medium
// (and only then ejects it), ｷｬﾝｾﾙ discards it.
TEST_F(CCDInsertDlgTest, SkippedItemsWaitForTheUserInTheFinalState) {
    const std::filesystem::path mnt = m_scratch / "photos/card";
    std::filesystem::create_directories(mnt);
    if (mount("quillora-test", mnt.c_str(), "tmpfs", 0, "size=1m") != 0) {
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    }
    Config().m_nAddVolMediaOut = 1;
    auto run = [&](bool keep) {
        m_ejects = 0;
        CCDInsertDlg dialog(m_scratch.Path().string(), nullptr, nullptr, 1);
        Watch(dialog);
        dialog.Start();
        EXPECT_TRUE(PumpUntil([&] { return dialog.IsShowingReport(); }));
        EXPECT_EQ(dialog.result(), 0) << "still open";
        EXPECT_EQ(m_ejects, 0) << "nothing ejected before the user has read it";
        EXPECT_NE(dialog.PathLine().toStdString().find("入らなかったﾏｳﾝﾄ (別のﾌｧｲﾙｼｽﾃﾑ): 1 個"),
                  std::string::npos)
            << dialog.PathLine().toStdString();
        EXPECT_EQ(dialog.Report().Count(SkipKind::OtherFileSystem), 1u);
        if (keep) {
            dialog.AcceptReport();
        } else {
            dialog.reject();
        }
        return std::make_tuple(dialog.result(), dialog.TakeResult() != nullptr, m_ejects);
    };
    const auto kept = run(true);
    const auto dropped = run(false);
    umount2(mnt.c_str(), MNT_DETACH);
    EXPECT_EQ(kept, std::make_tuple(int(QDialog::Accepted), true, 1));
    EXPECT_EQ(dropped, std::make_tuple(int(QDialog::Rejected), false, 0));
}

// A re-scan that found nothing closes by itself; one that found changes waits on a
// summary with the list of changes behind a button.
TEST_F(CCDInsertDlgTest, AReScanThatFoundChangesSaysHowManyAndWaits) {
    Config().m_nAddVolCRC = 1; // so that the files read are counted
    struct SOutcome {
        std::unique_ptr<SVolumeInfo> medium;
        bool waited = false;
        std::string lines;
        int listRows = -1;
    };
    auto scanOnce = [&](const SVolumeInfo* previous) {
        SOutcome outcome;
        CCDInsertDlg dialog(m_scratch.Path().string(), nullptr, nullptr, 3);
        Watch(dialog);
        dialog.SetPrevious(previous);
        dialog.Start();
        EXPECT_TRUE(PumpUntil([&] { return dialog.IsShowingReport() || dialog.result() != 0; }));
        outcome.waited = dialog.IsShowingReport();
        outcome.lines = dialog.PathLine().toStdString();
        if (CChangeListDlg* list = dialog.OpenChangeList()) {
            outcome.listRows = list->Model().rowCount();
            list->accept();
        }
        dialog.AcceptReport();
        outcome.medium = dialog.TakeResult();
        return outcome;
    };
    const SOutcome first = scanOnce(nullptr);
    ASSERT_NE(first.medium, nullptr);
    EXPECT_FALSE(first.waited) << "a first scan has nothing to compare";
    const SOutcome same = scanOnce(first.medium.get());
    ASSERT_NE(same.medium, nullptr);
    EXPECT_FALSE(same.waited);
    EXPECT_EQ(same.listRows, -1);
    m_scratch.Write("new.txt", "new");
    m_scratch.Write("top.txt", "hello, world");
    const SOutcome changed = scanOnce(first.medium.get());
    ASSERT_NE(changed.medium, nullptr);
    EXPECT_TRUE(changed.waited);
    EXPECT_NE(changed.lines.find("ﾌｧｲﾙ 追加 1  削除 0  変更 1  移動 0"), std::string::npos)
        << changed.lines;
    EXPECT_NE(changed.lines.find("読み込んだﾌｧｲﾙ 2 個、変更なしで読まなかったﾌｧｲﾙ 2 個"),
              std::string::npos)
        << changed.lines;
    EXPECT_EQ(changed.listRows, 2);
}

TEST_F(CCDInsertDlgTest, AFolderThatCannotBeReadFailsWithAMessage) {
    std::vector<std::string> told;
    CCDInsertDlg dialog((m_scratch / "gone").string(), nullptr, nullptr, 2);
    Watch(dialog);
    dialog.SetMessageSink([&](const std::string& text) { told.push_back(text); });
    dialog.Start();
    ASSERT_TRUE(PumpUntil([&] { return !told.empty(); }));
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.TakeResult(), nullptr);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("ﾌｫﾙﾀﾞを読み込めません"), std::string::npos) << told[0];
    EXPECT_TRUE(m_played.empty());
}

TEST(CCDInsertDlgElapsed, RoundsToWholeSeconds) {
    EXPECT_EQ(CCDInsertDlg::ElapsedString(0), "00:00:00");
    EXPECT_EQ(CCDInsertDlg::ElapsedString(1499), "00:00:01");
    EXPECT_EQ(CCDInsertDlg::ElapsedString(1500), "00:00:02");
    EXPECT_EQ(CCDInsertDlg::ElapsedString(3723000), "01:02:03");
    EXPECT_EQ(CCDInsertDlg::ElapsedString(-5), "00:00:00");
}
