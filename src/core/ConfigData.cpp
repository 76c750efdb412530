// Loading and saving the configuration in its fixed section order, and the autorun guard.
#include "core/ConfigData.h"

#include "core/TextConfig.h"
#include "core/TraceLog.h"
#include "core/XdgPaths.h"

#include <algorithm>
#include <ctime>
#include <span>

namespace quillora {

namespace {

constexpr const char* kEnviron = "Environ";
constexpr const char* kOptionSave = "OptionSave";
constexpr const char* kOptionView = "OptionView";
constexpr const char* kOptionMelt = "OptionMelt";
constexpr const char* kOptionDrive = "OptionDrive";
constexpr const char* kAddVol = "AddVol";

struct SIntKey {
    const char* name;
    int SConfigFields::*member;
};

constexpr SIntKey kExtractKeys[] = {
    {"All", &SConfigFields::m_nExtractAll},
    {"Lha", &SConfigFields::m_nExtractLha},
    {"Zip", &SConfigFields::m_nExtractZip},
    {"Cab", &SConfigFields::m_nExtractCab},
    {"Tar", &SConfigFields::m_nExtractTar},
    {"Arj", &SConfigFields::m_nExtractArj},
    {"Rar", &SConfigFields::m_nExtractRar},
    {"Ish", &SConfigFields::m_nExtractIsh},
    {"Gca", &SConfigFields::m_nExtractGca},
    {"Exe", &SConfigFields::m_nExtractExe},
    {"EnableExe", &SConfigFields::m_nExtractEnableExe},
};

constexpr SIntKey kSaveKeys[] = {
    {"CasCompress", &SConfigFields::m_nCasCompress},
    {"AllwaysCompress", &SConfigFields::m_nAllwaysCompress},
    {"SaveFolderMode", &SConfigFields::m_nSaveFolderMode},
    {"AutoSave", &SConfigFields::m_nAutoSave},
    {"CSVCopyRecure", &SConfigFields::m_nCSVCopyRecure},
};

constexpr SIntKey kViewKeys[] = {
    {"FileDispMode", &SConfigFields::m_nFileDispMode},
    {"SizeUnitMode", &SConfigFields::m_nSizeUnitMode},
    {"LineSelect", &SConfigFields::m_nLineSelect},
    {"ShowSelAlways", &SConfigFields::m_nShowSelAlways},
    {"AutoComment", &SConfigFields::m_nAutoComment},
    {"MeltAutoComment", &SConfigFields::m_nMeltAutoComment},
    {"AddEndSndMode", &SConfigFields::m_nAddEndSndMode},
    {"StartLoading", &SConfigFields::m_nStartLoading},
    {"GroupArcView", &SConfigFields::m_nGroupArcView},
    {"MRUCount", &SConfigFields::m_nMRUCount},
    {"FolderAddCategory", &SConfigFields::m_nFolderAddCategory},
    {"FolderAddComment", &SConfigFields::m_nFolderAddComment},
    {"FolderMediaSort", &SConfigFields::m_nFolderMediaSort},
    {"CommentWordrap", &SConfigFields::m_nCommentWordrap},
    {"FullPathTitle", &SConfigFields::m_nFullPathTitle},
};

constexpr SIntKey kMeltKeys[] = {
    {"MeltFolderMode", &SConfigFields::m_nMeltFolderMode},
    {"AddVolCRC", &SConfigFields::m_nAddVolCRC},
    {"AddVolArcCRC", &SConfigFields::m_nAddVolArcCRC},
};

constexpr SIntKey kDriveKeys[] = {
    {"DriveUseAll", &SConfigFields::m_nDriveUseAll},   {"DriveUse", &SConfigFields::m_nDriveUse},
    {"NoAutoRun", &SConfigFields::m_nNoAutoRun},       {"MediaId", &SConfigFields::m_nMediaId},
    {"MediaEjectId", &SConfigFields::m_nMediaEjectId},
};

constexpr SIntKey kCopyKeys[] = {
    {"CopyTarget", &SConfigFields::m_nCopyTarget},
    {"CopyShowFormDlg", &SConfigFields::m_nCopyShowFormDlg},
};

constexpr SIntKey kAddVolKeys[] = {
    {"Page", &SConfigFields::m_nAddVolPage},
    {"Date", &SConfigFields::m_nAddVolDate},
    {"DateComment", &SConfigFields::m_nAddVolDateComment},
    {"Serial", &SConfigFields::m_nAddVolSerial},
    {"SerialComment", &SConfigFields::m_nAddVolSerialComment},
    {"SerialNo", &SConfigFields::m_nAddVolSerialNo},
    {"MediaOut", &SConfigFields::m_nAddVolMediaOut},
    {"MediaExpand", &SConfigFields::m_nAddVolMediaExpand},
};

void LoadInts(const CProfileStore& store, const char* section, std::span<const SIntKey> keys,
              SConfigFields& fields) {
    for (const SIntKey& key : keys) {
        fields.*key.member = store.GetInt(section, key.name, fields.*key.member);
    }
}

void SaveInts(CProfileStore& store, const char* section, std::span<const SIntKey> keys,
              const SConfigFields& fields) {
    for (const SIntKey& key : keys) {
        store.SetInt(section, key.name, fields.*key.member);
    }
}

// The CD autorun policy only ever existed on the Windows 9x family; here the current state
// reads as off and setting it does nothing, while the guard's keys are still kept.
int SystemAutoRunState() {
    return 0;
}
void SetSystemAutoRun(bool /*on*/) {}

} // namespace

CConfigData::CConfigData() {
    SetDefaults();
}

CConfigData::~CConfigData() {
    if (ModelSettings() == this) {
        SetModelSettings(nullptr);
    }
}

void CConfigData::SetDefaults() {
    static_cast<SConfigFields&>(*this) = SConfigFields{};
    m_find = SFindSettings(static_cast<std::uint32_t>(std::time(nullptr)));
}

EProfileLoad CConfigData::OpenStore(const std::string& path) {
    m_storeOpen = true;
    return m_store.Load(path.empty() ? CProfileStore::DefaultPath() : path);
}

void CConfigData::RegLoad() {
    if (!m_storeOpen) {
        OpenStore();
    }
    Log("RegLoad() Environ section start");
    LoadEnviron();

    Log("RegLoad() ToolBar section");
    m_nToolBarText = m_store.GetInt("ToolBar", "ToolBarText", m_nToolBarText);

    Log("RegLoad() Property View section");
    m_nPropViewTab = m_store.GetInt("PropertyView", "PropViewTab", m_nPropViewTab);
    m_nOptPage = m_store.GetInt("OptionDialog", "OptPage", m_nOptPage);

    Log("RegLoad() OptionDialog::OptionExtract");
    LoadInts(m_store, "OptionExtract", kExtractKeys, *this);

    Log("RegLoad() OptionDialog::OptionSave");
    LoadOptionSave();

    Log("RegLoad() OptionDialog::OptionView");
    LoadOptionView();

    Log("RegLoad() OptionDialog::OptionMelt");
    LoadOptionMelt();

    Log("RegLoad() OptionDialog::OptionDrive");
    LoadOptionDrive();

    Log("RegLoad() OptionDialog::OptionCopy");
    LoadInts(m_store, "OptionCopy", kCopyKeys, *this);

    Log("RegLoad() Find section");
    m_find.Load(m_store);
    LoadHandlers(EConfigStep::Find);

    Log("RegLoad() Add Vol section");
    LoadAddVol();

    LoadHandlers(EConfigStep::Forms);
    Log("RegLoad() Environ section end");

    LoadTextConfig();
}

// The autorun guard: BeforeEndStatus stays 1 on disk while the program runs, so a start
// after a crash knows the stored SysAutoRun is the user's real setting and keeps it.
void CConfigData::LoadEnviron() {
    m_nBeforeEndStatus = m_store.GetInt(kEnviron, "BeforeEndStatus", 0);
    m_nSysAutoRun = m_store.GetInt(kEnviron, "SysAutoRun", m_nSysAutoRun);
    if (m_nBeforeEndStatus == 0) {
        m_nSysAutoRun = SystemAutoRunState() == 0x95 ? 1 : 0;
        m_store.SetInt(kEnviron, "SysAutoRun", m_nSysAutoRun);
    }
    m_nBeforeEndStatus = 1;
    m_store.SetInt(kEnviron, "BeforeEndStatus", 1);
    m_store.Save(); // at once: a failure only weakens the guard, it loses nothing
}

void CConfigData::LoadOptionSave() {
    LoadInts(m_store, kOptionSave, kSaveKeys, *this);
    m_strSaveFolder = m_store.GetString(kOptionSave, "SaveFolder", m_strSaveFolder);
    if (m_nSaveFolderMode) {
        m_strWorkSaveFolder = m_strSaveFolder;
    }
}

void CConfigData::LoadOptionView() {
    LoadInts(m_store, kOptionView, kViewKeys, *this);
    m_strAddEndSndFile = m_store.GetString(kOptionView, "AddEndSndFile", m_strAddEndSndFile);
}

void CConfigData::LoadOptionMelt() {
    LoadInts(m_store, kOptionMelt, kMeltKeys, *this);
    m_strMeltFolder = m_store.GetString(kOptionMelt, "MeltFolder", m_strMeltFolder);
    if (m_strMeltFolder.empty()) {
        m_strMeltFolder = TempFolder();
    }
}

void CConfigData::LoadOptionDrive() {
    LoadInts(m_store, kOptionDrive, kDriveKeys, *this);
    SetSystemAutoRun(m_nNoAutoRun == 0);
}

void CConfigData::LoadAddVol() {
    m_strAddVolFolderName = m_store.GetString(kAddVol, "FolderName", m_strAddVolFolderName);
    m_addVolFolderHistory.Load(m_store);
    LoadInts(m_store, kAddVol, kAddVolKeys, *this);
    m_strAddVolSerialFormat = m_store.GetString(kAddVol, "SerialFormat", m_strAddVolSerialFormat);
}

bool CConfigData::RegSave() {
    if (!m_storeOpen) {
        OpenStore(); // keep the sections other parts of the program stored
    }
    Log("RegSave() Environ section start");
    m_nBeforeEndStatus = 0;
    m_store.SetInt(kEnviron, "BeforeEndStatus", 0);

    Log("RegSave() ToolBar section");
    m_store.SetInt("ToolBar", "ToolBarText", m_nToolBarText);

    Log("RegSave() Property View section");
    m_store.SetInt("PropertyView", "PropViewTab", m_nPropViewTab);
    m_store.SetInt("OptionDialog", "OptPage", m_nOptPage);

    Log("RegSave() OptionDialog::OptionExtract");
    SaveInts(m_store, "OptionExtract", kExtractKeys, *this);

    Log("RegSave() OptionDialog::OptionSave");
    SaveOptionSave();

    Log("RegSave() OptionDialog::OptionView");
    SaveOptionView();

    Log("RegSave() OptionDialog::OptionMelt");
    SaveInts(m_store, kOptionMelt, kMeltKeys, *this);
    m_store.SetString(kOptionMelt, "MeltFolder", m_strMeltFolder);

    Log("RegSave() OptionDialog::OptionDrive");
    SaveOptionDrive();

    Log("RegSave() OptionDialog::OptionCopy");
    SaveInts(m_store, "OptionCopy", kCopyKeys, *this);

    Log("RegSave() Find section");
    m_find.Save(m_store);
    SaveHandlers(EConfigStep::Find);

    Log("RegSave() Add Vol section");
    SaveAddVol();

    SaveHandlers(EConfigStep::Forms);
    Log("RegSave() Environ section end");
    return m_store.Save();
}

void CConfigData::SaveOptionSave() {
    SaveInts(m_store, kOptionSave, kSaveKeys, *this);
    m_store.SetString(kOptionSave, "SaveFolder", m_strSaveFolder);
}

void CConfigData::SaveOptionView() {
    SaveInts(m_store, kOptionView, kViewKeys, *this);
    m_store.SetString(kOptionView, "AddEndSndFile", m_strAddEndSndFile);
}

void CConfigData::SaveOptionDrive() {
    SaveInts(m_store, kOptionDrive, kDriveKeys, *this);
    SetSystemAutoRun(m_nSysAutoRun != 0);
}

void CConfigData::SaveAddVol() {
    m_store.SetString(kAddVol, "FolderName", m_strAddVolFolderName);
    m_addVolFolderHistory.Save(m_store);
    SaveInts(m_store, kAddVol, kAddVolKeys, *this);
    m_store.SetString(kAddVol, "SerialFormat", m_strAddVolSerialFormat);
}

bool CConfigData::DeleteStoredSettings() {
    if (m_store.Path().empty()) {
        m_store.SetPath(CProfileStore::DefaultPath());
    }
    return m_store.RemoveFile();
}

bool CConfigData::LoadTextConfig() {
    CTextConfig text;
    if (!text.Load()) {
        return false;
    }
    m_bMediaAddAutoDetect = text.GetBool("Main.Option.MediaAdd.AutoDetect", m_bMediaAddAutoDetect);
    m_bScanPseudoFileSystems =
        text.GetBool("Main.Option.MediaAdd.PseudoFileSystems", m_bScanPseudoFileSystems);
    return true;
}

bool CConfigData::IsDriveUsed(int index) const {
    if (m_nDriveUseAll != 0) {
        return true;
    }
    int bit = ((index % 32) + 32) % 32;
    return (static_cast<std::uint32_t>(m_nDriveUse) >> bit) & 1u;
}

void CConfigData::AddSectionHandler(std::unique_ptr<IConfigSectionHandler> handler) {
    if (!handler) {
        return;
    }
    // Stable by order, so equal orders keep their registration sequence.
    auto at = std::upper_bound(
        m_handlers.begin(), m_handlers.end(), handler, [](const auto& a, const auto& b) {
            return std::pair(a->Step(), a->Order()) < std::pair(b->Step(), b->Order());
        });
    m_handlers.insert(at, std::move(handler));
}

void CConfigData::LoadHandlers(EConfigStep step) {
    for (const auto& handler : m_handlers) {
        if (handler->Step() == step) {
            handler->Load(m_store);
        }
    }
}

void CConfigData::SaveHandlers(EConfigStep step) {
    for (const auto& handler : m_handlers) {
        if (handler->Step() == step) {
            handler->Save(m_store);
        }
    }
}

CConfigData& Config() {
    static CConfigData config;
    static const bool installed = (SetModelSettings(&config), true);
    (void)installed;
    return config;
}

} // namespace quillora
