// File extraction with records a crafted case file could hold: names that would lead
// outside the target folder are refused before anything is written.
#include "scan/FileExtraction.h"
#include "model/SVolumeInfo.h"
#include "scan/ArchiveExpander.h"
#include "scan/ArchiverSet.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

using namespace quillora;
using quillora::test::ReadFileBytes;
using quillora::test::ScratchDir;

namespace {

class ScriptedExtractionUi : public IExtractionUi {
public:
    explicit ScriptedExtractionUi(std::string target) : m_target(std::move(target)) {}
    bool RequireMedium(const SFileInfo&) override { return true; }
    std::optional<std::string> ChooseTargetFolder(const std::string&) override { return m_target; }
    bool CopyProgress(std::uint64_t, std::uint64_t, const std::string&) override { return true; }
    void ReportFailure(const std::string& message) override { failures.push_back(message); }
    void ReportSkipped(const std::vector<std::string>& entries) override { skipped = entries; }
    std::vector<std::string> failures;
    std::vector<std::string> skipped;

private:
    std::string m_target;
};

SFileInfo* Add(SFileInfo& parent, const std::string& name, bool folder) {
    auto record = std::make_unique<SFileInfo>();
    record->m_strName = name;
    record->m_dwFlags = folder ? kAttrDirectory : kAttrArchive;
    return parent.AddChild(std::move(record));
}

} // namespace

TEST(FileExtraction, NamesThatLeaveTheTargetAreRefused) {
    ScratchDir dir;
    dir.Write("medium/secret.txt", "do not copy me upward");
    dir.Write("medium/ok.txt", "fine");
    std::filesystem::create_directories(dir / "out" / "inner");
    CArchiverSet archivers;
    CArchiveExpander expander(archivers);

    for (const std::string bad : {"..", ".", "a/b", ""}) {
        SVolumeInfo medium;
        medium.m_strRoot = (dir / "medium").string();
        medium.m_bPresent = 1;
        SFileInfo* folder = Add(medium, bad, true);
        Add(*folder, "secret.txt", false);
        ScriptedExtractionUi ui((dir / "out" / "inner").string());
        CFileExtraction extraction(expander, ui);
        EXPECT_FALSE(extraction.Run({folder})) << "name [" << bad << "]";
        EXPECT_EQ(ui.failures.size(), 1u);
        EXPECT_FALSE(std::filesystem::exists(dir / "out" / "secret.txt"));
        EXPECT_FALSE(std::filesystem::exists(dir / "out" / "inner" / "secret.txt"));
    }

    // A plain name is copied, also when a file of that name is already there.
    SVolumeInfo medium;
    medium.m_strRoot = (dir / "medium").string();
    medium.m_bPresent = 1;
    SFileInfo* ok = Add(medium, "ok.txt", false);
    dir.Write("out/inner/ok.txt", "old");
    ScriptedExtractionUi ui((dir / "out" / "inner").string());
    CFileExtraction extraction(expander, ui);
    EXPECT_TRUE(extraction.Run({ok}));
    EXPECT_EQ(ReadFileBytes(dir / "out" / "inner" / "ok.txt"), "fine");
    EXPECT_TRUE(ui.failures.empty());
}
