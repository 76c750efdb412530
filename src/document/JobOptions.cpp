// Configuration keys into job options.
#include "document/JobOptions.h"

#include "core/ConfigData.h"
#include "core/XdgPaths.h"

namespace quillora {

std::string ExtractionFolder(CConfigData& config) {
    if (config.m_strMeltFolder.empty()) {
        config.m_strMeltFolder = TempFolder();
    }
    return config.m_strMeltFolder;
}

std::string ExtractionStartFolder(const CConfigData& config) {
    if (config.m_nMeltFolderMode != 0 && !config.m_strMeltFolder.empty()) {
        return config.m_strMeltFolder;
    }
    return TempFolder();
}

SArchiveOptions ArchiveOptionsFrom(const CConfigData& config) {
    SArchiveOptions options;
    options.m_all = config.m_nExtractAll != 0;
    options.m_lha = config.m_nExtractLha != 0;
    options.m_zip = config.m_nExtractZip != 0;
    options.m_cab = config.m_nExtractCab != 0;
    options.m_tar = config.m_nExtractTar != 0;
    options.m_arj = config.m_nExtractArj != 0;
    options.m_rar = config.m_nExtractRar != 0;
    options.m_ish = config.m_nExtractIsh != 0;
    options.m_gca = config.m_nExtractGca != 0;
    options.m_exe = config.m_nExtractExe != 0;
    options.m_enableExe = config.m_nExtractEnableExe != 0;
    options.m_workFolder = config.m_strMeltFolder;
    return options;
}

SScanOptions ScanOptionsFrom(const CConfigData& config) {
    SScanOptions options;
    options.m_autoComment = config.m_nAutoComment != 0;
    options.m_meltAutoComment = config.m_nMeltAutoComment != 0;
    options.m_addVolCrc = config.m_nAddVolCRC != 0;
    options.m_addVolArcCrc = config.m_nAddVolArcCRC != 0;
    options.m_scanPseudoFileSystems = config.m_bScanPseudoFileSystems;
    options.m_archives = ArchiveOptionsFrom(config);
    return options;
}

SDriveChoice DriveChoiceFrom(const CConfigData& config) {
    SDriveChoice choice;
    choice.m_useAll = config.m_nDriveUseAll != 0;
    choice.m_use = static_cast<std::uint32_t>(config.m_nDriveUse);
    return choice;
}

} // namespace quillora
