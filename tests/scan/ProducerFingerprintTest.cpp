// What a scan builds, field for field: a planted medium with folders, odd files and
// archives of several families, scanned with CRCs and comments, and then re-scanned;
// the tree and the progress it posted are pinned by a hash, the dump printed when it
// differs.
#include "ArchiveTestData.h"
#include "hooks/ICommentExtractor.h"
#include "model/RecordFlags.h"
#include "model/SVolumeInfo.h"
#include "scan/ArchiveExpander.h"
#include "scan/ArchiverSet.h"
#include "scan/IScanProgress.h"
#include "scan/VolumeScanner.h"
#include "support/ScratchDir.h"
#include "support/TreeFingerprint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>

namespace quillora {
namespace {

namespace fs = std::filesystem;
using test::SMember;

constexpr std::time_t kStamp = 1600000000;

class CProgressLog : public IScanProgress {
public:
    void Post(int code, const SFileInfo* record) override {
        // The medium is named after the scratch folder, which differs in every run.
        const std::string name = !record                         ? "-"
                                 : record->HasFlags(kFlagMedium) ? "(medium)"
                                                                 : record->m_strName;
        m_events.push_back(std::to_string(code) + " " + name);
    }
    // Sorted: the walk meets a folder's entries in the order the file system lists them.
    std::string Text() {
        std::sort(m_events.begin(), m_events.end());
        std::string text;
        for (const std::string& event : m_events) {
            text += event + "\n";
        }
        return text;
    }
    std::vector<std::string> m_events;
};

// Comment extraction standing in for the extraction manager: the file's first bytes.
class CHeadText : public ICommentExtractor {
public:
    bool ExtractText(const std::string& osPath, SFileInfo&, std::string& text) override {
        text = "text:" + test::ReadFileBytes(osPath).substr(0, 12);
        for (char& c : text) {
            c = c > 0 && c < ' ' ? '.' : c == '\0' ? '.' : c;
        }
        return true;
    }
};

void SetTimes(const fs::path& path, std::time_t when) {
    const timespec times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

class ProducerFingerprintTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        m_set.LoadAll();
        Plant();
    }
    void TearDown() override { m_set.UnloadAll(); }

    fs::path Medium() const { return m_dir / "medium"; }

    void Plant() {
        m_dir.Write("medium/docs/readme.txt", "read me first");
        m_dir.Write("medium/docs/日本語.txt", "こんにちは");
        m_dir.Write("medium/docs/empty.bin", "");
        m_dir.Write("medium/.hidden", "hidden");
        m_dir.Write("medium/locked.txt", "read only");
        ::chmod((Medium() / "locked.txt").c_str(), 0444);
        m_dir.Write("medium/deep/one/two/three.dat", std::string(5000, 'x'));
        fs::create_directories(Medium() / "hollow");
        m_dir.Write("medium/fake.zip", "not a zip, only named like one");
        test::WriteLibarchive(Medium() / "pack.tar", "pax", "",
                              {{"dir/sub/", "", kStamp, 'd'},
                               {"dir/sub/f.txt", "ffff", kStamp},
                               {"Dir/sub/g.txt", "gg", kStamp + 60},
                               {"x/y/z.txt", "zzz", kStamp},
                               {"./dot.txt", "d", kStamp},
                               {"../up.txt", "up", kStamp},
                               {"top.txt", "top", kStamp}});
        test::WriteLibarchive(Medium() / "deep/inner.zip", "zip", "",
                              {{"a/", "", kStamp, 'd'},
                               {"a/b.txt", "bravo", kStamp},
                               {"a/c/d.txt", "delta", kStamp},
                               {"e.txt", "echo", kStamp}});
        std::ofstream(Medium() / "old.lzh", std::ios::binary)
            << test::LhaStored({{"bin\\tool.com", "tool", kStamp}, {"read.me", "lha", kStamp}}, 0,
                               test::DosDateTime(2001, 2, 3, 4, 5, 6));
        // Every time as the test sets it, folders after what they hold.
        std::vector<fs::path> paths;
        for (const auto& entry : fs::recursive_directory_iterator(Medium())) {
            paths.push_back(entry.path());
        }
        std::sort(paths.begin(), paths.end(), std::greater<>());
        for (const fs::path& path : paths) {
            SetTimes(path, kStamp + 3600);
        }
    }

    // Scans the medium with CRCs and comments of files and archive entries.
    std::string Scan(SVolumeInfo& volume, const SVolumeInfo* previous = nullptr) {
        SScanOptions options;
        options.m_addVolCrc = true;
        options.m_addVolArcCrc = true;
        options.m_autoComment = true;
        options.m_meltAutoComment = true;
        options.m_archives.m_workFolder = (m_dir / "work").string();
        CProgressLog progress;
        CHeadText text;
        CArchiveExpander expander(m_set);
        expander.SetProgress(&progress);
        expander.SetScanOptions(options);
        expander.SetCommentExtractor(&text);
        CVolumeScanner scanner(options);
        scanner.SetProgress(&progress);
        scanner.SetArchiveLister(&expander);
        scanner.SetCommentExtractor(&text);
        scanner.SetPrevious(previous);
        scanner.AddVolume(volume, Medium().string(), nullptr, nullptr);
        EXPECT_TRUE(scanner.Report().Complete()) << scanner.Report().Summary();
        test::SDumpMask mask;
        mask.m_bCreation = true;
        mask.m_bAccess = true;
        mask.m_bMediumOwn = true;
        mask.m_bSortOnDisk = true;
        return test::TreeDump(volume, mask) + "--- progress\n" + progress.Text();
    }

    CArchiverSet m_set;
    test::ScratchDir m_dir;
};

TEST_F(ProducerFingerprintTest, AScanAndARescanBuildTheTreeTheyAlwaysBuilt) {
    SVolumeInfo first;
    const std::string scanned = Scan(first);
    EXPECT_EQ(test::DumpHash(scanned), 15418403132232653875ULL) << scanned;

    // Nothing changed on disk: the re-scan keeps files and archive listings from the
    // first scan's tree, record for record, and reads no comment again.
    SVolumeInfo again;
    const std::string rescanned = Scan(again, &first);
    EXPECT_EQ(test::DumpHash(rescanned), 8484490745735601654ULL) << rescanned;
    EXPECT_EQ(rescanned.substr(0, rescanned.find("--- progress")),
              scanned.substr(0, scanned.find("--- progress")));
}

} // namespace
} // namespace quillora
