// Comments during a scan: plain files with "AutoComment", the entries of archives in
// one batch with "MeltAutoComment" (progress codes 3 and 2), and cancelling.
#include "core/ProfileStore.h"
#include "extract/ExtractTextManager.h"
#include "model/SVolumeInfo.h"
#include "scan/ArchiveExpander.h"
#include "scan/ArchiverSet.h"
#include "scan/IScanProgress.h"
#include "scan/VolumeScanner.h"
#include "support/CliRunner.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace quillora {
namespace {

struct SProgressLog : IScanProgress {
    void Post(int code, const SFileInfo* record) override {
        codes.push_back(code);
        if (code == kScanProgressArcComment && record) {
            entries.push_back(record->m_strName);
        }
    }
    std::vector<int> codes;
    std::vector<std::string> entries;
};

const SFileInfo* Find(const SFileInfo& folder, const std::string& name) {
    for (std::size_t i = 0; i < folder.ChildCount(); ++i) {
        if (folder.ChildAt(i)->m_strName == name) {
            return folder.ChildAt(i);
        }
    }
    return nullptr;
}

class ScanComments : public ::testing::Test {
protected:
    void SetUp() override {
        m_extractors.Load(m_store, {});
        m_archivers.LoadAll();
        m_dir.Write("disc/readme.txt", "Read me first\n");
        m_dir.Write("disc/sub/index.html", "<title>Index</title>");
        m_dir.Write("pack/inner.txt", "packed text\n");
        m_dir.Write("pack/inner.bin", "no reader");
        const auto zip = test::RunProgram({"sh", "-c",
                                           "cd '" + (m_dir / "pack").string() +
                                               "' && zip -q ../disc/pack.zip inner.txt inner.bin"});
        ASSERT_EQ(zip.exitCode, 0) << zip.err;
    }

    std::unique_ptr<SVolumeInfo> Scan(SScanOptions options) {
        CArchiveExpander expander(m_archivers);
        expander.SetScanOptions(options);
        expander.SetProgress(&m_progress);
        expander.SetCommentExtractor(&m_extractors);
        expander.SetCommentFilter(
            [this](const SFileInfo& r) { return m_extractors.HasExtractorFor(r.m_strName); });
        CVolumeScanner scanner(options);
        scanner.SetProgress(&m_progress);
        scanner.SetArchiveLister(&expander);
        scanner.SetCommentExtractor(&m_extractors);
        auto medium = std::make_unique<SVolumeInfo>();
        scanner.AddVolume(*medium, (m_dir / "disc").string(), nullptr, nullptr);
        return medium;
    }

    test::ScratchDir m_dir;
    CProfileStore m_store;
    CExtractTextManager m_extractors;
    CArchiverSet m_archivers;
    SProgressLog m_progress;
};

TEST_F(ScanComments, PlainFilesAndArchiveEntries) {
    SScanOptions options;
    options.m_autoComment = true;
    options.m_meltAutoComment = true;
    const auto scanned = Scan(options);
    const SVolumeInfo& medium = *scanned;
    EXPECT_EQ(Find(medium, "readme.txt")->Comment(), "Read me first\r\n");
    const SFileInfo* html = Find(*Find(medium, "sub"), "index.html");
    EXPECT_EQ(html->Comment(), "Index");
    ASSERT_NE(html->Props(), nullptr);
    EXPECT_EQ(html->Props()->DefinitionName(), "HTML");
    const SFileInfo* pack = Find(medium, "pack.zip");
    ASSERT_NE(pack, nullptr);
    ASSERT_TRUE(pack->IsDirectory()) << "the zip was not listed";
    EXPECT_EQ(Find(*pack, "inner.txt")->Comment(), "packed text\r\n");
    EXPECT_EQ(Find(*pack, "inner.bin")->Comment(), "");
    // One batch extraction (3), then one comment (2) per entry a reader takes.
    EXPECT_EQ(std::count(m_progress.codes.begin(), m_progress.codes.end(), kScanProgressArcExtract),
              1);
    EXPECT_EQ(m_progress.entries, std::vector<std::string>{"inner.txt"});
}

TEST_F(ScanComments, OptionsOffMeanNoComments) {
    const auto scanned = Scan(SScanOptions{});
    const SVolumeInfo& medium = *scanned;
    EXPECT_EQ(Find(medium, "readme.txt")->Comment(), "");
    EXPECT_EQ(Find(*Find(medium, "pack.zip"), "inner.txt")->Comment(), "");
    EXPECT_EQ(std::count(m_progress.codes.begin(), m_progress.codes.end(), kScanProgressArcComment),
              0);
}

} // namespace
} // namespace quillora
