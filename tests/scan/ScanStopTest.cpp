// Stopping a scan from another thread: mid-scan, before the scan starts, and for one
// of two scans running at once, which each have a stop of their own.
#include "ScanTestTools.h"
#include "support/ScratchDir.h"

#include "model/RecordFlags.h"
#include "model/SVolumeInfo.h"
#include "scan/IScanProgress.h"
#include "scan/VolumeScanner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stop_token>
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

// Slows the scan down so that a stop surely lands in the middle of it.
class CSlowSink : public IScanProgress {
public:
    void Post(int, const SFileInfo*) override {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
};

TEST(ScanStop, StopFromAnotherThreadEndsTheScanWithAPartialRecord) {
    ScratchDir dir;
    MakeWideTree(dir, 60, 20);
    auto volume = std::make_unique<SVolumeInfo>();
    std::stop_source stop;
    CVolumeScanner scanner({}, stop.get_token());
    CSlowSink sink;
    scanner.SetProgress(&sink);
    std::atomic<bool> returned{false};

    std::thread worker([&] {
        scanner.AddVolume(*volume, dir.Path().string(), nullptr, nullptr);
        returned = true;
    });
    while (scanner.EntriesSoFar() < 100) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    stop.request_stop();
    worker.join();
    EXPECT_TRUE(returned);
    EXPECT_TRUE(scanner.StopRequested());
    // Partial: the folders reached before the stop, the rest left empty.
    EXPECT_LT(volume->CountFiles(true), 1200u);
    EXPECT_EQ(volume->ChildCount(), 60u) << "the root listing was already being read";
    // Steps after the walk still ran: sizes and capacity are filled.
    EXPECT_EQ(volume->m_nTotalBytes, volume->m_nSize);
    volume.reset(); // the caller discards the partial record
}

TEST(ScanStop, StoppedFolderStillRegistersItsRemainingEntries) {
    ScratchDir dir;
    for (int i = 0; i < 10; ++i) {
        dir.Write("f" + std::to_string(i) + ".txt", "content");
        dir.Write("sub" + std::to_string(i) + "/inner.txt", "inner");
    }
    // Stops after the third record appended to the medium, from another thread, and
    // waits until the stop is seen. Which three come first is the directory's order,
    // so the sink notes what they were.
    class CStopAtThird : public IScanProgress {
    public:
        CStopAtThird(const SFileInfo& medium, std::stop_source& stop)
            : m_medium(medium), m_stop(stop) {}
        void Post(int code, const SFileInfo* record) override {
            if (code != kScanProgressRecord || record->GetParent() != &m_medium || m_seen == 3) {
                return;
            }
            m_filesBefore += record->IsDirectory() ? 0 : 1;
            if (++m_seen != 3) {
                return;
            }
            m_stopper = std::thread([this] { m_stop.request_stop(); });
            while (!m_stop.stop_requested()) {
                std::this_thread::yield();
            }
        }
        const SFileInfo& m_medium;
        std::stop_source& m_stop;
        int m_seen = 0;
        std::size_t m_filesBefore = 0; // files among the first three
        std::thread m_stopper;
    };
    SVolumeInfo volume;
    SScanOptions options;
    options.m_addVolCrc = true;
    std::stop_source stop;
    CVolumeScanner scanner(options, stop.get_token());
    CStopAtThird sink(volume, stop);
    scanner.SetProgress(&sink);
    scanner.AddVolume(volume, dir.Path().string(), nullptr, nullptr);
    ASSERT_TRUE(sink.m_stopper.joinable());
    sink.m_stopper.join();

    EXPECT_EQ(volume.ChildCount(), 20u) << "every entry of the folder being read is registered";
    std::size_t withCrc = 0, filledFolders = 0;
    for (const auto& child : volume.Children()) {
        withCrc += (child->m_wExtFlags & kExtFlagCrc) != 0;
        filledFolders += child->IsDirectory() && child->ChildCount() > 0;
    }
    // A file's CRC is read before it is posted: those before the stop have one.
    EXPECT_EQ(withCrc, sink.m_filesBefore) << "no CRC after the stop";
    // The medium's listing ends before any subfolder is entered.
    EXPECT_EQ(filledFolders, 0u) << "no folder walked after the stop";
}

TEST(ScanStop, StopBeforeTheScanStartsIsKeptAndBelongsToThatScanAlone) {
    ScratchDir dir;
    MakeWideTree(dir, 3, 3);
    std::stop_source stop;
    stop.request_stop();
    SVolumeInfo volume;
    CVolumeScanner scanner({}, stop.get_token());
    scanner.AddVolume(volume, dir.Path().string(), nullptr, nullptr);
    EXPECT_EQ(volume.ChildCount(), 0u);
    EXPECT_EQ(volume.m_bPresent, 1) << "the medium's own fields are still read";

    // The next scan has a stop of its own and runs to the end.
    SVolumeInfo next;
    std::stop_source fresh;
    CVolumeScanner again({}, fresh.get_token());
    again.AddVolume(next, dir.Path().string(), nullptr, nullptr);
    EXPECT_FALSE(again.StopRequested());
    EXPECT_EQ(next.CountFiles(true), 9u);
    // Without a stop source the scan cannot be stopped and also completes.
    SVolumeInfo plain;
    CVolumeScanner unstoppable;
    unstoppable.AddVolume(plain, dir.Path().string(), nullptr, nullptr);
    EXPECT_EQ(plain.CountFiles(true), 9u);
}

// Two scans at once, as two tests (or two windows) might run them: stopping the one
// leaves the other to complete, whatever the order in which they reach each folder.
TEST(ScanStop, TwoScansAtOnceAreStoppedIndependently) {
    ScratchDir dir;
    MakeWideTree(dir, 40, 15);
    // Holds each scan at its first record until both have begun, so that the two
    // surely overlap; the stopped one is held there until its stop is asked.
    struct SGate {
        std::atomic<int> m_begun{0};
    } gate;
    class CHeldSink : public IScanProgress {
    public:
        CHeldSink(SGate& gate, const std::stop_source* stop) : m_gate(gate), m_stop(stop) {}
        void Post(int code, const SFileInfo*) override {
            if (code != kScanProgressRecord || m_held) {
                return;
            }
            m_held = true;
            m_gate.m_begun.fetch_add(1);
            while (m_gate.m_begun.load() < 2) {
                std::this_thread::yield();
            }
            while (m_stop && !m_stop->stop_requested()) {
                std::this_thread::yield();
            }
        }

    private:
        SGate& m_gate;
        const std::stop_source* m_stop;
        bool m_held = false;
    };
    std::stop_source stopFirst;
    std::stop_source stopSecond;
    SVolumeInfo first;
    SVolumeInfo second;
    CVolumeScanner scanFirst({}, stopFirst.get_token());
    CVolumeScanner scanSecond({}, stopSecond.get_token());
    CHeldSink sinkFirst(gate, &stopFirst);
    CHeldSink sinkSecond(gate, nullptr);
    scanFirst.SetProgress(&sinkFirst);
    scanSecond.SetProgress(&sinkSecond);

    std::thread one([&] { scanFirst.AddVolume(first, dir.Path().string(), nullptr, nullptr); });
    std::thread two([&] { scanSecond.AddVolume(second, dir.Path().string(), nullptr, nullptr); });
    while (gate.m_begun.load() < 2) {
        std::this_thread::yield();
    }
    stopFirst.request_stop();
    one.join();
    two.join();

    EXPECT_TRUE(scanFirst.StopRequested());
    EXPECT_FALSE(scanSecond.StopRequested());
    EXPECT_LT(first.CountFiles(true), 600u) << "the stopped scan walked no further folder";
    EXPECT_EQ(second.CountFiles(true), 600u) << "the other scan read every file";
    EXPECT_TRUE(scanSecond.Report().Complete());
}

} // namespace
} // namespace quillora
