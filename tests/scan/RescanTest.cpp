// Re-scans against the case's copy of a medium: which files are opened again (counted
// by inotify, so the scanner's own counts are checked too), what is kept, the change
// list with moves, the time rules of FAT media, and --full.
#include "ScanTestTools.h"
#include "support/ScratchDir.h"

#include "model/RecordFlags.h"
#include "model/SVolumeInfo.h"
#include "scan/MediumChanges.h"
#include "scan/RescanTimes.h"
#include "scan/VolumeScanner.h"
#include "support/CliRunner.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillora {
namespace {

namespace fs = std::filesystem;
using test::Child;
using test::ScratchDir;

constexpr FileTime kSecond = 10'000'000;
constexpr FileTime kHour = 3600 * kSecond;

// Counts the opens of files (not folders) below a folder, by name, as the kernel
// reports them.
class COpenCounter {
public:
    explicit COpenCounter(const fs::path& top) : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        Watch(top);
        for (const auto& entry : fs::recursive_directory_iterator(top)) {
            if (entry.is_directory()) {
                Watch(entry.path());
            }
        }
    }
    ~COpenCounter() { close(m_fd); }

    // Opens since the last call, by file name.
    std::map<std::string, int> Take() {
        std::map<std::string, int> opens;
        alignas(inotify_event) char buffer[65536];
        for (;;) {
            const ssize_t got = read(m_fd, buffer, sizeof buffer);
            if (got <= 0) {
                return opens;
            }
            for (char* p = buffer; p < buffer + got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(p);
                if ((event->mask & IN_OPEN) && !(event->mask & IN_ISDIR) && event->len > 0) {
                    ++opens[event->name];
                }
                p += sizeof(inotify_event) + event->len;
            }
        }
    }

private:
    void Watch(const fs::path& folder) { inotify_add_watch(m_fd, folder.c_str(), IN_OPEN); }
    int m_fd;
};

void SetWriteTime(const fs::path& path, std::int64_t unixSeconds) {
    const struct timespec times[2] = {{unixSeconds, 0}, {unixSeconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

std::int64_t WriteTimeOf(const fs::path& path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0);
    return st.st_mtim.tv_sec;
}

SScanOptions WithCrc() {
    SScanOptions options;
    options.m_addVolCrc = true;
    return options;
}

std::unique_ptr<SVolumeInfo> Scan(const fs::path& folder, const SVolumeInfo* previous = nullptr,
                                  bool keepUnchanged = true, CMediumChanges* changes = nullptr,
                                  CScanReport* report = nullptr) {
    auto medium = std::make_unique<SVolumeInfo>();
    CVolumeScanner scanner(WithCrc());
    scanner.SetPrevious(previous, keepUnchanged);
    scanner.AddVolume(*medium, folder.string(), nullptr, nullptr);
    if (changes) {
        *changes = scanner.Changes();
    }
    if (report) {
        *report = scanner.Report();
    }
    return medium;
}

// Changes as "kind path" (moves "moved path <- from"), in the order found.
std::vector<std::string> Lines(const CMediumChanges& changes) {
    std::vector<std::string> lines;
    for (const SMediumChange& c : changes.Changes()) {
        std::string line = CMediumChanges::IsFolderChange(c.m_kind) ? "folder " : "";
        line += CMediumChanges::KindWord(c.m_kind);
        line += " " + c.m_path;
        if (c.m_kind == ChangeKind::Moved) {
            line += " <- " + c.m_from;
        }
        lines.push_back(line);
    }
    return lines;
}

TEST(RescanTimes, FatTimesWithinTwoSecondsOrShiftedByWholeHoursAreTheSame) {
    const FileTime t = 130000000000000000ULL;
    EXPECT_EQ(CompareWriteTimes(t, t, TimeRule::Exact), TimeMatch::Same);
    EXPECT_EQ(CompareWriteTimes(t, t + 1, TimeRule::Exact), TimeMatch::Different);
    EXPECT_EQ(CompareWriteTimes(t, t + 2 * kSecond, TimeRule::Fat), TimeMatch::Same);
    EXPECT_EQ(CompareWriteTimes(t + 2 * kSecond, t, TimeRule::Fat), TimeMatch::Same);
    EXPECT_EQ(CompareWriteTimes(t, t + 3 * kSecond, TimeRule::Fat), TimeMatch::Different);
    EXPECT_EQ(CompareWriteTimes(t, t + kHour, TimeRule::Fat), TimeMatch::ShiftedHours);
    EXPECT_EQ(CompareWriteTimes(t + 9 * kHour, t, TimeRule::Fat), TimeMatch::ShiftedHours);
    EXPECT_EQ(CompareWriteTimes(t, t + 24 * kHour + kSecond, TimeRule::Fat),
              TimeMatch::ShiftedHours);
    EXPECT_EQ(CompareWriteTimes(t, t + 25 * kHour, TimeRule::Fat), TimeMatch::Different);
    EXPECT_EQ(CompareWriteTimes(t, t + kHour + 3 * kSecond, TimeRule::Fat), TimeMatch::Different);
    EXPECT_EQ(CompareWriteTimes(t, t + kHour / 2, TimeRule::Fat), TimeMatch::Different);
    // An ISO 9660 disc's times arrive in UTC: an hour off is a different time.
    EXPECT_EQ(CompareWriteTimes(t, t + kHour, TimeRuleOf("CDFS")), TimeMatch::Different);
    EXPECT_EQ(TimeRuleOf("FAT32"), TimeRule::Fat);
    EXPECT_EQ(TimeRuleOf("exFAT"), TimeRule::Fat);
    EXPECT_EQ(TimeRuleOf("fat"), TimeRule::Fat);
    EXPECT_EQ(TimeRuleOf("NTFS"), TimeRule::Exact);
    EXPECT_EQ(TimeRuleOf("UDF"), TimeRule::Exact);
}

class Rescan : public ::testing::Test {
protected:
    void SetUp() override {
        dir.Write("m/same.txt", "unchanged");
        dir.Write("m/grown.txt", "short");
        dir.Write("m/touched.txt", "same size");
        dir.Write("m/sneaky.txt", "original!");
        dir.Write("m/gone.txt", "to be removed");
        dir.Write("m/empty.txt", "");
        dir.Write("m/old/moved.txt", "I move");
        dir.Write("m/old/renamed.txt", "I am renamed");
        dir.Write("m/sub/deep/kept.txt", "deep");
        for (const auto& e : fs::recursive_directory_iterator(top())) {
            if (e.is_regular_file()) {
                SetWriteTime(e.path(), 1600000000);
            }
        }
        before = Scan(top());
    }
    fs::path top() const { return dir / "m"; }

    ScratchDir dir;
    std::unique_ptr<SVolumeInfo> before;
};

TEST_F(Rescan, OpensOnlyNewAndChangedFilesAndListsTheChanges) {
    const std::uint32_t sneakyCrc = Child(*before, "sneaky.txt")->m_dwExtValue;
    dir.Write("m/grown.txt", "longer now");
    dir.Write("m/touched.txt", "SAME SIZE"); // same size, new time
    dir.Write("m/sneaky.txt", "changed!!");  // same size, time put back: not seen
    SetWriteTime(top() / "sneaky.txt", 1600000000);
    fs::remove(top() / "gone.txt");
    dir.Write("m/new.txt", "brand new");
    fs::create_directories(top() / "fresh");
    fs::rename(top() / "old/moved.txt", top() / "fresh/moved.txt");
    fs::rename(top() / "old/renamed.txt", top() / "fresh/new name.txt");
    fs::remove(top() / "old");

    COpenCounter opens(top());
    CMediumChanges changes;
    CScanReport report;
    std::unique_ptr<SVolumeInfo> after = Scan(top(), before.get(), true, &changes, &report);

    // The moved files are new at their paths, so they are read for their CRCs.
    const std::map<std::string, int> expected{{"grown.txt", 1},
                                              {"touched.txt", 1},
                                              {"new.txt", 1},
                                              {"moved.txt", 1},
                                              {"new name.txt", 1}};
    EXPECT_EQ(opens.Take(), expected);
    EXPECT_EQ(report.FilesRead(), 5u);
    EXPECT_EQ(report.FilesKept(), 4u); // same, sneaky, empty, kept
    // The documented limit: an edit that keeps size and time keeps the old CRC.
    EXPECT_EQ(Child(*after, "sneaky.txt")->m_dwExtValue, sneakyCrc);
    EXPECT_TRUE(Child(*after, "same.txt")->m_wExtFlags & kExtFlagCrc);
    EXPECT_EQ(Child(*after, "same.txt")->m_dwExtValue, Child(*before, "same.txt")->m_dwExtValue);

    std::vector<std::string> lines = Lines(changes);
    std::sort(lines.begin(), lines.end());
    const std::vector<std::string> want{"folder added fresh",
                                        "folder removed old",
                                        "modified grown.txt",
                                        "modified touched.txt",
                                        "moved fresh\\moved.txt <- old\\moved.txt",
                                        "moved fresh\\new name.txt <- old\\renamed.txt",
                                        "added new.txt",
                                        "removed gone.txt"};
    std::vector<std::string> sortedWant = want;
    std::sort(sortedWant.begin(), sortedWant.end());
    EXPECT_EQ(lines, sortedWant);
    EXPECT_EQ(changes.Count(ChangeKind::Moved), 2u);
    EXPECT_EQ(changes.Count(ChangeKind::Added), 1u);
    EXPECT_EQ(changes.Count(ChangeKind::Removed), 1u);
    EXPECT_EQ(changes.Count(ChangeKind::Modified), 2u);
    EXPECT_EQ(changes.TimesShifted(), 0u);
}

TEST_F(Rescan, AnUnchangedMediumOpensNothingAndFullReadsEverything) {
    COpenCounter opens(top());
    CMediumChanges changes;
    CScanReport report;
    std::unique_ptr<SVolumeInfo> again = Scan(top(), before.get(), true, &changes, &report);
    EXPECT_TRUE(opens.Take().empty());
    EXPECT_TRUE(changes.Empty()) << changes.Summary();
    EXPECT_EQ(report.FilesRead(), 0u);

    dir.Write("m/sneaky.txt", "changed!!");
    SetWriteTime(top() / "sneaky.txt", 1600000000);
    std::unique_ptr<SVolumeInfo> full = Scan(top(), before.get(), false, &changes, &report);
    const std::map<std::string, int> all = opens.Take();
    // Every file once, as a first scan reads them.
    EXPECT_EQ(all.size(), 9u);
    EXPECT_NE(Child(*full, "sneaky.txt")->m_dwExtValue, Child(*before, "sneaky.txt")->m_dwExtValue);
    EXPECT_TRUE(changes.Empty()) << "size and time alike: no change to tell";
}

TEST_F(Rescan, ACrcTheCatalogueLacksIsRead) {
    // A catalogue made without CRCs gets them for the files it lacks them for.
    std::unique_ptr<SVolumeInfo> plain = std::make_unique<SVolumeInfo>();
    CVolumeScanner scanner{SScanOptions{}};
    scanner.AddVolume(*plain, top().string(), nullptr, nullptr);
    COpenCounter opens(top());
    CScanReport report;
    std::unique_ptr<SVolumeInfo> withCrc = Scan(top(), plain.get(), true, nullptr, &report);
    EXPECT_EQ(opens.Take().size(), 8u);
    EXPECT_TRUE(Child(*withCrc, "same.txt")->m_wExtFlags & kExtFlagCrc);
}

// A FAT image mounted on a loop device: its times in two-second steps, then the same
// medium mounted with its local times an hour off.
TEST(RescanFat, WholeHourShiftsAndTwoSecondStepsCountAsUnchanged) {
    ScratchDir dir;
    const std::string img = (dir / "fat.img").string();
    const fs::path mnt = dir / "mnt";
    fs::create_directories(mnt);
    if (test::RunProgram({"mkfs.fat", "-C", img, "4096"}).exitCode != 0) {
        GTEST_SKIP() << "mkfs.fat is not installed";
    }
    if (test::RunProgram({"mount", "-o", "loop", img, mnt.string()}).exitCode != 0) {
        GTEST_SKIP() << "loop mounting is not permitted here";
    }
    struct SUnmount {
        fs::path m_mnt;
        ~SUnmount() { test::RunProgram({"umount", m_mnt.string()}); }
    };
    auto unmount = std::make_unique<SUnmount>(SUnmount{mnt});
    dir.Write("mnt/a.txt", "alpha");
    dir.Write("mnt/sub/b.txt", "beta beta");
    SetWriteTime(mnt / "a.txt", 1600000001); // FAT keeps 1600000000
    SetWriteTime(mnt / "sub/b.txt", 1600000100);
    std::unique_ptr<SVolumeInfo> before = Scan(mnt);
    ASSERT_EQ(TimeRuleOf(before->m_strVolText2), TimeRule::Fat) << before->m_strVolText2;
    // A catalogue whose time is 2 s off (made where FAT times were rounded otherwise).
    const_cast<SFileInfo*>(Child(*before, "a.txt"))->m_ftLastWrite += 2 * kSecond;

    unmount.reset();
    if (test::RunProgram({"mount", "-o", "loop,time_offset=60", img, mnt.string()}).exitCode != 0) {
        GTEST_SKIP() << "vfat's time_offset is not supported here";
    }
    unmount = std::make_unique<SUnmount>(SUnmount{mnt});
    ASSERT_NE(WriteTimeOf(mnt / "sub/b.txt"), 1600000100) << "the mount did not shift times";
    COpenCounter opens(mnt);
    CMediumChanges changes;
    std::unique_ptr<SVolumeInfo> after = Scan(mnt, before.get(), true, &changes);
    EXPECT_TRUE(opens.Take().empty());
    EXPECT_EQ(changes.Count(ChangeKind::Modified), 0u) << changes.Summary();
    EXPECT_EQ(changes.TimesShifted(), 2u);

    // A shift that is not whole hours is a change.
    SetWriteTime(mnt / "sub/b.txt", WriteTimeOf(mnt / "sub/b.txt") + 10);
    after = Scan(mnt, before.get(), true, &changes);
    EXPECT_EQ(opens.Take(), (std::map<std::string, int>{{"b.txt", 1}}));
    EXPECT_EQ(changes.Count(ChangeKind::Modified), 1u);
}

} // namespace
} // namespace quillora
