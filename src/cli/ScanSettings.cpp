// Read-only load of the options quillora-cli's scan and presence commands use.
#include "cli/ScanSettings.h"

#include "cli/CliSupport.h"

#include "core/ConfigData.h"
#include "core/ProfileStore.h"

namespace quillora::cli {

void LoadScanSettings() {
    const CProfileStore store = ReadSettingsStore();
    CConfigData& c = Config();
    c.m_nAutoComment = store.GetInt("OptionView", "AutoComment", c.m_nAutoComment);
    c.m_nMeltAutoComment = store.GetInt("OptionView", "MeltAutoComment", c.m_nMeltAutoComment);
    c.m_nFileDispMode = store.GetInt("OptionView", "FileDispMode", c.m_nFileDispMode);
    c.m_nAddVolCRC = store.GetInt("OptionMelt", "AddVolCRC", c.m_nAddVolCRC);
    c.m_nAddVolArcCRC = store.GetInt("OptionMelt", "AddVolArcCRC", c.m_nAddVolArcCRC);
    c.m_nDriveUseAll = store.GetInt("OptionDrive", "DriveUseAll", c.m_nDriveUseAll);
    c.m_nDriveUse = store.GetInt("OptionDrive", "DriveUse", c.m_nDriveUse);
    c.m_nMediaId = store.GetInt("OptionDrive", "MediaId", c.m_nMediaId);
    struct {
        const char* key;
        int* value;
    } const extract[] = {
        {"All", &c.m_nExtractAll},
        {"Lha", &c.m_nExtractLha},
        {"Zip", &c.m_nExtractZip},
        {"Cab", &c.m_nExtractCab},
        {"Tar", &c.m_nExtractTar},
        {"Arj", &c.m_nExtractArj},
        {"Rar", &c.m_nExtractRar},
        {"Ish", &c.m_nExtractIsh},
        {"Gca", &c.m_nExtractGca},
        {"Exe", &c.m_nExtractExe},
        {"EnableExe", &c.m_nExtractEnableExe},
    };
    for (const auto& option : extract) {
        *option.value = store.GetInt("OptionExtract", option.key, *option.value);
    }
    c.m_strMeltFolder = store.GetString("OptionMelt", "MeltFolder", c.m_strMeltFolder);
}

} // namespace quillora::cli
