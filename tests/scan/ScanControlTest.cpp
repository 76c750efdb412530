// Cancelling a scan from another thread: mid-scan, before the scan starts, and
// after it has ended.
#include "ScanTestTools.h"
#include "support/ScratchDir.h"

#include "model/RecordFlags.h"
#include "model/SVolumeInfo.h"
#include "scan/IScanProgress.h"
#include "scan/ScanControl.h"
#include "scan/VolumeScanner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace quillora {
namespace {

using test::Child;
using test::ScratchDir;

void MakeWideTree(const ScratchDir& dir, int folders, int files) {
    for (int f = 0; f < folders; ++f) {
        for (int i = 0; i < files; ++i) {
            dir.Write("d" + std::to_string(f) + "/f" + std::to_string(i), "x");
        }
    }
}

// Slows the scan down so that a cancel surely lands in the middle of it.
class CSlowSink : public IScanProgress {
public:
    void Post(int, const SFileInfo*) override {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
};

TEST(ScanControl, CancelFromAnotherThreadWaitsForTheScanToEnd) {
    ScratchDir dir;
    MakeWideTree(dir, 60, 20);
    auto volume = std::make_unique<SVolumeInfo>();
    CVolumeScanner scanner;
    CSlowSink sink;
    scanner.SetProgress(&sink);
    std::atomic<bool> returned{false};

    CScanControl::BeginScan();
    std::thread worker([&] {
        scanner.AddVolume(*volume, dir.Path().string(), nullptr, nullptr);
        returned = true;
    });
    while (scanner.EntriesSoFar() < 100) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    CScanControl::RequestScanCancel();
    // The scan has passed its last step (finished is its last write).
    EXPECT_TRUE(CScanControl::IsScanFinished());
    EXPECT_TRUE(CScanControl::IsScanCancelled());
    worker.join();
    EXPECT_TRUE(returned);
    // Partial: the folders reached before the cancel, the rest left empty.
    EXPECT_LT(volume->CountFiles(true), 1200u);
    EXPECT_EQ(volume->ChildCount(), 60u) << "the root listing was already being read";
    // Steps after the walk still ran: sizes and capacity are filled.
    EXPECT_EQ(volume->m_nTotalBytes, volume->m_nSize);
    volume.reset(); // the caller discards the partial record
}

TEST(ScanControl, CancelledFolderStillRegistersItsRemainingEntries) {
    ScratchDir dir;
    for (int i = 0; i < 10; ++i) {
        dir.Write("f" + std::to_string(i) + ".txt", "content");
        dir.Write("sub" + std::to_string(i) + "/inner.txt", "inner");
    }
    // Cancels after the third record appended to the medium, from another thread,
    // and waits until the flag is seen (the scan itself cannot wait for the cancel).
    // Which three come first is the directory's order, so the sink notes what they were.
    class CCancelAtThird : public IScanProgress {
    public:
        explicit CCancelAtThird(const SFileInfo& medium) : m_medium(medium) {}
        void Post(int code, const SFileInfo* record) override {
            if (code != kScanProgressRecord || record->GetParent() != &m_medium || m_seen == 3) {
                return;
            }
            m_filesBefore += record->IsDirectory() ? 0 : 1;
            if (++m_seen != 3) {
                return;
            }
            m_canceller = std::thread([] { CScanControl::RequestScanCancel(); });
            while (!CScanControl::IsScanCancelled()) {
                std::this_thread::yield();
            }
        }
        const SFileInfo& m_medium;
        int m_seen = 0;
        std::size_t m_filesBefore = 0; // files among the first three
        std::thread m_canceller;
    };
    SVolumeInfo volume;
    SScanOptions options;
    options.m_addVolCrc = true;
    CVolumeScanner scanner(options);
    CCancelAtThird sink(volume);
    scanner.SetProgress(&sink);
    CScanControl::BeginScan();
    scanner.AddVolume(volume, dir.Path().string(), nullptr, nullptr);
    ASSERT_TRUE(sink.m_canceller.joinable());
    sink.m_canceller.join();

    EXPECT_EQ(volume.ChildCount(), 20u) << "every entry of the folder being read is registered";
    std::size_t withCrc = 0, filledFolders = 0;
    for (const auto& child : volume.Children()) {
        withCrc += (child->m_wExtFlags & kExtFlagCrc) != 0;
        filledFolders += child->IsDirectory() && child->ChildCount() > 0;
    }
    // A file's CRC is read before it is posted: those before the cancel have one.
    EXPECT_EQ(withCrc, sink.m_filesBefore) << "no CRC after the cancel";
    // The medium's listing ends before any subfolder is entered.
    EXPECT_EQ(filledFolders, 0u) << "no folder walked after the cancel";
}

TEST(ScanControl, CancelBeforeTheScanStartsIsKept) {
    ScratchDir dir;
    MakeWideTree(dir, 3, 3);
    SVolumeInfo volume;
    CVolumeScanner scanner;
    CScanControl::BeginScan();
    auto cancel = std::async(std::launch::async, [] { CScanControl::RequestScanCancel(); });
    while (!CScanControl::IsScanCancelled()) {
        std::this_thread::yield();
    }
    EXPECT_EQ(cancel.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout)
        << "the cancel waits for the scan that was begun";
    scanner.AddVolume(volume, dir.Path().string(), nullptr, nullptr);
    EXPECT_EQ(volume.ChildCount(), 0u);
    EXPECT_EQ(volume.m_bPresent, 1) << "the medium's own fields are still read";
    EXPECT_EQ(cancel.wait_for(std::chrono::seconds(10)), std::future_status::ready);
}

TEST(ScanControl, CancelAfterTheScanEndedReturnsAtOnceAndNextScanStartsClean) {
    ScratchDir dir;
    MakeWideTree(dir, 2, 2);
    {
        SVolumeInfo volume;
        CVolumeScanner scanner;
        scanner.AddVolume(volume, dir.Path().string(), nullptr, nullptr);
        EXPECT_TRUE(CScanControl::IsScanFinished());
    }
    auto cancel = std::async(std::launch::async, [] { CScanControl::RequestScanCancel(); });
    EXPECT_EQ(cancel.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    // A scan started without BeginScan clears a stale cancel itself.
    SVolumeInfo volume;
    CVolumeScanner scanner;
    scanner.AddVolume(volume, dir.Path().string(), nullptr, nullptr);
    EXPECT_FALSE(CScanControl::IsScanCancelled());
    EXPECT_EQ(volume.CountFiles(true), 4u);
}

} // namespace
} // namespace quillora
