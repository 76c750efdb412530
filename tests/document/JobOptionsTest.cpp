// The configuration's keys reach the jobs as values.
#include "document/JobOptions.h"
#include "core/ConfigData.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace quillora {
namespace {

TEST(JobOptions, ScanOptionsAreTheConfiguredKeys) {
    CConfigData config;
    EXPECT_FALSE(ScanOptionsFrom(config).m_addVolCrc);
    config.m_nAutoComment = 1;
    config.m_nAddVolCRC = 1;
    config.m_nAddVolArcCRC = 2; // any non-zero value is on
    config.m_bScanPseudoFileSystems = true;
    config.m_nExtractAll = 0;
    config.m_nExtractZip = 0;
    config.m_nExtractEnableExe = 0;
    config.m_strMeltFolder = "/srv/work";
    const SScanOptions options = ScanOptionsFrom(config);
    EXPECT_TRUE(options.m_autoComment);
    EXPECT_FALSE(options.m_meltAutoComment);
    EXPECT_TRUE(options.m_addVolCrc);
    EXPECT_TRUE(options.m_addVolArcCrc);
    EXPECT_TRUE(options.m_scanPseudoFileSystems);
    // The archive families travel with the scan.
    EXPECT_FALSE(options.m_archives.m_all);
    EXPECT_FALSE(options.m_archives.m_zip);
    EXPECT_TRUE(options.m_archives.m_lha);
    EXPECT_TRUE(options.m_archives.m_exe);
    EXPECT_FALSE(options.m_archives.m_enableExe);
    EXPECT_EQ(options.m_archives.m_workFolder, "/srv/work");
}

TEST(JobOptions, DriveChoiceIsTheDriveUseMask) {
    CConfigData config;
    EXPECT_TRUE(DriveChoiceFrom(config).IsUsed(5)) << "every drive by default";
    config.m_nDriveUseAll = 0;
    config.m_nDriveUse = -1; // every bit
    EXPECT_TRUE(DriveChoiceFrom(config).IsUsed(31));
    config.m_nDriveUse = ~(1 << 3);
    const SDriveChoice choice = DriveChoiceFrom(config);
    EXPECT_FALSE(choice.IsUsed(3));
    EXPECT_FALSE(choice.IsUsed(35)) << "positions wrap at 32, as the mask does";
    EXPECT_TRUE(choice.IsUsed(2));
    EXPECT_EQ(choice.IsUsed(-1), config.IsDriveUsed(-1));
}

class TemporaryFolder : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("TMPDIR");
        m_hadTmp = old != nullptr;
        m_previousTmp = old ? old : "";
        setenv("TMPDIR", m_scratch.Path().c_str(), 1);
    }
    void TearDown() override {
        if (m_hadTmp) {
            setenv("TMPDIR", m_previousTmp.c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
    }
    test::ScratchDir m_scratch;
    bool m_hadTmp = false;
    std::string m_previousTmp;
};

TEST_F(TemporaryFolder, WithoutAnExtractionFolderTheTemporaryFolderIsUsedAndKept) {
    namespace fs = std::filesystem;
    CConfigData config;
    // Reading the archive options leaves the configuration as it is.
    EXPECT_EQ(ArchiveOptionsFrom(config).m_workFolder, "");
    EXPECT_EQ(config.m_strMeltFolder, "");
    const std::string folder = ExtractionFolder(config);
    EXPECT_EQ(fs::path(folder).lexically_normal(),
              fs::path(m_scratch.Path() / "").lexically_normal());
    EXPECT_EQ(config.m_strMeltFolder, folder) << "it becomes the configured one";
    config.m_strMeltFolder = "/srv/mine";
    EXPECT_EQ(ExtractionFolder(config), "/srv/mine");
}

TEST_F(TemporaryFolder, ThePickerStartsInTheExtractionFolderOnlyWhenAsked) {
    CConfigData config;
    config.m_strMeltFolder = "/srv/mine";
    EXPECT_NE(ExtractionStartFolder(config), "/srv/mine");
    config.m_nMeltFolderMode = 1;
    EXPECT_EQ(ExtractionStartFolder(config), "/srv/mine");
    config.m_strMeltFolder.clear();
    EXPECT_NE(ExtractionStartFolder(config), "");
}

} // namespace
} // namespace quillora
