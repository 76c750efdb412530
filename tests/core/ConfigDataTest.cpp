// The configuration: first-start defaults, load and save in order with their trace lines,
// the autorun guard, the temporary-folder default, drive selection and section handlers.
#include "core/ConfigData.h"

#include "core/TraceLog.h"
#include "core/XdgPaths.h"
#include "support/ScratchDir.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>

using namespace quillora;
using quillora::test::ReadFileBytes;
using quillora::test::ScratchDir;
namespace fs = std::filesystem;

namespace {

class CEnvVar {
public:
    CEnvVar(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        setenv(name, value.c_str(), 1);
    }
    ~CEnvVar() {
        if (m_old) {
            setenv(m_name, m_old->c_str(), 1);
        } else {
            unsetenv(m_name);
        }
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

class ConfigDataTest : public ::testing::Test {
protected:
    ScratchDir m_dir;
    CEnvVar m_config{"XDG_CONFIG_HOME", (m_dir / "config").string()};
    CEnvVar m_state{"XDG_STATE_HOME", (m_dir / "state").string()};
    CEnvVar m_temp{"TMPDIR", (m_dir / "tmp").string()};

    std::string StorePath() const { return CProfileStore::DefaultPath(); }

    CProfileStore OnDisk() const {
        CProfileStore store;
        store.Load(StorePath());
        return store;
    }
};

// Writes its trace lines the way the preset sets will.
class CFakeHandler : public IConfigSectionHandler {
public:
    CFakeHandler(EConfigStep step, int order, std::string name)
        : m_step(step), m_order(order), m_name(std::move(name)) {}
    EConfigStep Step() const override { return m_step; }
    int Order() const override { return m_order; }
    void Load(const CProfileStore& store) override {
        Log("RegLoad() " + m_name + " condition");
        m_value = store.GetInt(m_name + "Form", "Count", 0);
    }
    void Save(CProfileStore& store) override {
        Log("RegSave() " + m_name + " condition");
        store.SetInt(m_name + "Form", "Count", m_value);
    }
    int m_value = 0;

private:
    EConfigStep m_step;
    int m_order;
    std::string m_name;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace

TEST_F(ConfigDataTest, FirstStartDefaults) {
    const auto before = static_cast<std::uint32_t>(std::time(nullptr));
    CConfigData config;
    config.RegLoad();
    EXPECT_EQ(config.m_nMRUCount, 4);
    EXPECT_EQ(config.m_strAddVolSerialFormat, "%02d");
    EXPECT_EQ(config.m_nAddVolSerialNo, 1);
    EXPECT_EQ(config.m_nMediaEjectId, 32820);
    EXPECT_EQ(config.m_nDriveUse, -1);
    EXPECT_EQ(config.m_nDriveUseAll, 1);
    EXPECT_EQ(config.m_nCommentWordrap, 1);
    EXPECT_EQ(config.m_nCSVCopyRecure, 1);
    EXPECT_EQ(config.m_nExtractAll + config.m_nExtractLha + config.m_nExtractEnableExe, 3);
    EXPECT_EQ(config.m_nMediaId, 0);
    EXPECT_EQ(config.m_find.m_nWild, 1);
    EXPECT_EQ(config.m_find.m_nUpper, 1);
    EXPECT_GE(config.m_find.m_dwCTimeMin, before);
    EXPECT_LE(config.m_find.m_dwUTimeMax, before + 5);
    EXPECT_EQ(config.m_find.m_nameHistory.Count(), 10);
    EXPECT_EQ(config.m_find.m_categoryHistory.Count(), 20);
    EXPECT_TRUE(config.m_bMediaAddAutoDetect);
    EXPECT_TRUE(config.m_bSaveSettings);
    EXPECT_TRUE(config.m_strWorkSaveFolder.empty());

    // An empty extraction folder becomes the temporary folder and is saved that way.
    EXPECT_EQ(config.m_strMeltFolder, (m_dir / "tmp").string() + "/");
    EXPECT_EQ(config.m_strMeltFolder, TempFolder());
    ASSERT_TRUE(config.RegSave());
    EXPECT_EQ(OnDisk().GetString("OptionMelt", "MeltFolder"), TempFolder());
    EXPECT_EQ(OnDisk().GetInt("OptionView", "MRUCount", 0), 4);
    EXPECT_EQ(OnDisk().GetString("AddVol", "SerialFormat"), "%02d");
}

TEST_F(ConfigDataTest, EverySettingSurvivesSaveAndLoad) {
    {
        CConfigData config;
        config.RegLoad();
        config.m_nToolBarText = 1;
        config.m_nPropViewTab = 2;
        config.m_nOptPage = 3;
        config.m_nExtractRar = 0;
        config.m_nExtractEnableExe = 0;
        config.m_nCasCompress = 1;
        config.m_nSaveFolderMode = 1;
        config.m_strSaveFolder = "/home/me/ケース";
        config.m_nCSVCopyRecure = 0;
        config.m_nFileDispMode = 2;
        config.m_nSizeUnitMode = 4;
        config.m_strAddEndSndFile = "/usr/share/sounds/done.wav";
        config.m_nMRUCount = 9;
        config.m_nCommentWordrap = 0;
        config.m_nMeltFolderMode = 1;
        config.m_strMeltFolder = "/var/tmp/melt/";
        config.m_nAddVolArcCRC = 1;
        config.m_nDriveUseAll = 0;
        config.m_nDriveUse = 0x5;
        config.m_nNoAutoRun = 1;
        config.m_nMediaId = 2;
        config.m_nMediaEjectId = 32821;
        config.m_nCopyTarget = 2;
        config.m_find.m_strFolder = "/srv/cases";
        config.m_find.m_strName = "*.jpg";
        config.m_find.m_nMethod = 2;
        config.m_find.m_nWild = 0;
        config.m_find.m_nSizeMinMode = 1;
        config.m_find.m_dwSizeMin = 3'000'000'000u;
        config.m_find.m_dwCTimeMax = 4'000'000'000u;
        config.m_find.m_nameHistory.Add("*.png");
        config.m_find.m_nameHistory.Add("*.jpg");
        config.m_find.m_categoryHistory.Add("写真");
        config.m_strAddVolFolderName = "/media/photos";
        config.m_addVolFolderHistory.Add("/media/photos");
        config.m_strAddVolSerialFormat = "-%03d";
        config.m_nAddVolSerialNo = 17;
        config.m_nAddVolMediaExpand = 1;
        ASSERT_TRUE(config.RegSave());
    }
    CConfigData config;
    config.RegLoad();
    EXPECT_EQ(config.m_nToolBarText, 1);
    EXPECT_EQ(config.m_nPropViewTab, 2);
    EXPECT_EQ(config.m_nOptPage, 3);
    EXPECT_EQ(config.m_nExtractRar, 0);
    EXPECT_EQ(config.m_nExtractZip, 1);
    EXPECT_EQ(config.m_nExtractEnableExe, 0);
    EXPECT_EQ(config.m_nCasCompress, 1);
    EXPECT_EQ(config.m_strSaveFolder, "/home/me/ケース");
    EXPECT_EQ(config.m_strWorkSaveFolder, "/home/me/ケース");
    EXPECT_EQ(config.m_nCSVCopyRecure, 0);
    EXPECT_EQ(config.m_nFileDispMode, 2);
    EXPECT_EQ(config.m_nSizeUnitMode, 4);
    EXPECT_EQ(config.m_strAddEndSndFile, "/usr/share/sounds/done.wav");
    EXPECT_EQ(config.m_nMRUCount, 9);
    EXPECT_EQ(config.m_nCommentWordrap, 0);
    EXPECT_EQ(config.m_nMeltFolderMode, 1);
    EXPECT_EQ(config.m_strMeltFolder, "/var/tmp/melt/");
    EXPECT_EQ(config.m_nAddVolArcCRC, 1);
    EXPECT_EQ(config.m_nDriveUseAll, 0);
    EXPECT_EQ(config.m_nDriveUse, 0x5);
    EXPECT_EQ(config.m_nNoAutoRun, 1);
    EXPECT_EQ(config.m_nMediaEjectId, 32821);
    EXPECT_EQ(config.m_nCopyTarget, 2);
    EXPECT_EQ(config.m_find.m_strFolder, "/srv/cases");
    EXPECT_EQ(config.m_find.m_strName, "*.jpg");
    EXPECT_EQ(config.m_find.m_nMethod, 2);
    EXPECT_EQ(config.m_find.m_nWild, 0);
    EXPECT_EQ(config.m_find.m_nSizeMinMode, 1);
    EXPECT_EQ(config.m_find.m_dwSizeMin, 3'000'000'000u);
    EXPECT_EQ(config.m_find.m_dwCTimeMax, 4'000'000'000u);
    EXPECT_EQ(config.m_find.m_nameHistory.Entries()[0], "*.jpg");
    EXPECT_EQ(config.m_find.m_nameHistory.Entries()[1], "*.png");
    EXPECT_EQ(config.m_find.m_categoryHistory.Entries()[0], "写真");
    EXPECT_EQ(config.m_strAddVolFolderName, "/media/photos");
    EXPECT_EQ(config.m_addVolFolderHistory.Entries()[0], "/media/photos");
    EXPECT_EQ(config.m_strAddVolSerialFormat, "-%03d");
    EXPECT_EQ(config.m_nAddVolSerialNo, 17);
    EXPECT_EQ(config.m_nAddVolMediaExpand, 1);

    // The model reads its three options through the settings interface.
    const IModelSettings& model = config;
    EXPECT_EQ(model.MediaId(), 2);
    EXPECT_EQ(model.FileDispMode(), 2);
    EXPECT_EQ(model.SizeUnitMode(), 4);

    // Values stored in the file by hand under another spelling are found.
    CProfileStore disk = OnDisk();
    EXPECT_EQ(disk.GetInt("optiondrive", "mediaid", -1), 2);
}

TEST_F(ConfigDataTest, AutoRunGuard) {
    // Clean start: the previous run ended normally, the current system state is taken
    // (off here) and the running mark is on disk before anything else happens.
    {
        CProfileStore seed;
        seed.Load(StorePath());
        seed.SetInt("Environ", "BeforeEndStatus", 0);
        seed.SetInt("Environ", "SysAutoRun", 1);
        ASSERT_TRUE(seed.Save());
    }
    {
        CConfigData config;
        config.RegLoad();
        EXPECT_EQ(config.m_nBeforeEndStatus, 1);
        EXPECT_EQ(config.m_nSysAutoRun, 0);
        EXPECT_EQ(OnDisk().GetInt("Environ", "BeforeEndStatus", -1), 1);
        EXPECT_EQ(OnDisk().GetInt("Environ", "SysAutoRun", -1), 0);
        ASSERT_TRUE(config.RegSave());
        EXPECT_EQ(OnDisk().GetInt("Environ", "BeforeEndStatus", -1), 0);
    }
    // After a crash (mark still 1) the stored user setting is kept, not re-read.
    {
        CProfileStore seed = OnDisk();
        seed.SetInt("Environ", "BeforeEndStatus", 1);
        seed.SetInt("Environ", "SysAutoRun", 1);
        ASSERT_TRUE(seed.Save());
    }
    CConfigData config;
    config.RegLoad();
    EXPECT_EQ(config.m_nSysAutoRun, 1);
    EXPECT_EQ(OnDisk().GetInt("Environ", "SysAutoRun", -1), 1);
    EXPECT_EQ(OnDisk().GetInt("Environ", "BeforeEndStatus", -1), 1);
}

TEST_F(ConfigDataTest, TraceLinesInOrderWithHandlers) {
    const fs::path logFolder = m_dir / "log";
    SetLogMode(1, logFolder.string());
    CConfigData config;
    // Registered out of order: the order number decides.
    config.AddSectionHandler(
        std::make_unique<CFakeHandler>(EConfigStep::Forms, kFormOrderPrint, "Print"));
    config.AddSectionHandler(
        std::make_unique<CFakeHandler>(EConfigStep::Forms, kFormOrderCsv, "CSV"));
    config.AddSectionHandler(std::make_unique<CFakeHandler>(EConfigStep::Find, 0, "Find"));
    config.RegLoad();
    config.SectionHandler<CFakeHandler>()->m_value = 3;
    config.RegSave();
    CloseLog();
    SetLogMode(0);

    std::vector<std::string> expected;
    for (const char* verb : {"RegLoad() ", "RegSave() "}) {
        for (const char* step :
             {"Environ section start", "ToolBar section", "Property View section",
              "OptionDialog::OptionExtract", "OptionDialog::OptionSave", "OptionDialog::OptionView",
              "OptionDialog::OptionMelt", "OptionDialog::OptionDrive", "OptionDialog::OptionCopy",
              "Find section", "Find condition", "Add Vol section", "CSV condition",
              "Print condition", "Environ section end"}) {
            expected.push_back(std::string(verb) + step);
        }
    }
    EXPECT_EQ(Lines(ReadFileBytes(logFolder / "TobCase.log")), expected);
    // The look-up finds the first handler in step order; its section was saved.
    EXPECT_EQ(OnDisk().GetInt("FindForm", "Count", 0), 3);
    EXPECT_EQ(OnDisk().GetInt("CSVForm", "Count", -1), 0);
}

TEST_F(ConfigDataTest, DriveSelection) {
    CConfigData config;
    EXPECT_TRUE(config.IsDriveUsed(0));
    config.m_nDriveUse = 0;
    EXPECT_TRUE(config.IsDriveUsed(7)); // DriveUseAll wins
    config.m_nDriveUseAll = 0;
    EXPECT_FALSE(config.IsDriveUsed(7));
    config.m_nDriveUse = 0b101;
    EXPECT_TRUE(config.IsDriveUsed(0));
    EXPECT_FALSE(config.IsDriveUsed(1));
    EXPECT_TRUE(config.IsDriveUsed(2));
    EXPECT_TRUE(config.IsDriveUsed(32)); // positions wrap at 32
    EXPECT_FALSE(config.IsDriveUsed(33));
    config.m_nDriveUse = -1;
    EXPECT_TRUE(config.IsDriveUsed(31));
    config.m_nDriveUse = INT32_MIN;
    EXPECT_TRUE(config.IsDriveUsed(31));
    EXPECT_FALSE(config.IsDriveUsed(30));
}

TEST_F(ConfigDataTest, CorruptStoreStartsFromDefaultsAndKeepsTheFile) {
    fs::create_directories(fs::path(StorePath()).parent_path());
    m_dir.Write(fs::relative(StorePath(), m_dir.Path()).string(), "[OptionView]\nMRUCount=9\n");
    CConfigData config;
    EXPECT_EQ(config.OpenStore(), EProfileLoad::Corrupt);
    const std::string aside = config.Store().SetAsidePath();
    config.RegLoad();
    EXPECT_EQ(config.m_nMRUCount, 4);
    config.m_nMRUCount = 6;
    ASSERT_TRUE(config.RegSave());
    EXPECT_EQ(ReadFileBytes(aside), "[OptionView]\nMRUCount=9\n");
    EXPECT_EQ(OnDisk().GetInt("OptionView", "MRUCount", 0), 6);
}

TEST_F(ConfigDataTest, OtherSectionsSurviveAndSettingsCanBeDeleted) {
    {
        CProfileStore seed;
        seed.Load(StorePath());
        seed.SetInt("Log", "LogMode", 1);
        seed.SetBinary("DispInfo", "Normal", {0, 0, 0, 0, 1, 0, 0, 0, 100, 0, 0, 0});
        ASSERT_TRUE(seed.Save());
    }
    CConfigData config;
    ASSERT_EQ(config.OpenStore(), EProfileLoad::Ok);
    EXPECT_EQ(config.Store().GetInt("Log", "LogMode", 0), 1);
    config.RegLoad();
    config.Store().SetInt("WindowPos", "Left", 10);
    ASSERT_TRUE(config.RegSave());
    CProfileStore disk = OnDisk();
    EXPECT_EQ(disk.GetInt("Log", "LogMode", 0), 1);
    EXPECT_EQ(disk.GetBinary("DispInfo", "Normal")->size(), 12u);
    EXPECT_EQ(disk.GetInt("WindowPos", "Left", 0), 10);

    // Settings not to be kept: the file goes away and the next start is a first start.
    config.m_bSaveSettings = false;
    EXPECT_TRUE(config.DeleteStoredSettings());
    EXPECT_FALSE(fs::exists(StorePath()));
}

TEST_F(ConfigDataTest, TextConfigFromTheConfigFolder) {
    CConfigData config;
    EXPECT_FALSE(config.LoadTextConfig());
    EXPECT_TRUE(config.m_bMediaAddAutoDetect);

    m_dir.Write("config/Pelvane/Quillora/TobConfig.txt",
                "# off while testing\n Main.Option.MediaAdd.AutoDetect = false \n");
    config.RegLoad();
    EXPECT_FALSE(config.m_bMediaAddAutoDetect);
}

TEST_F(ConfigDataTest, ProcessConfigurationFeedsTheModel) {
    CConfigData& config = Config();
    EXPECT_EQ(&Config(), &config);
    const int old = config.m_nSizeUnitMode;
    config.m_nSizeUnitMode = 3;
    EXPECT_EQ(SizeUnitModeSetting(), 3);
    config.m_nSizeUnitMode = old;
}
