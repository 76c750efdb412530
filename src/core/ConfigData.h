// All user settings of the program in one object: their defaults, their loading at start-up
// and saving at the normal end through the settings store, and the options of TobConfig.txt.
#pragma once

#include "core/FindSettings.h"
#include "core/IConfigSectionHandler.h"
#include "core/IModelSettings.h"
#include "core/ProfileStore.h"
#include "core/RecentList.h"

#include <memory>
#include <string>
#include <vector>

namespace quillora {

// The stored and shared fields with their defaults; CConfigData adds loading and saving.
// Named after their keys; sections in comments.
struct SConfigFields {
    // Environ: the autorun guard.
    int m_nBeforeEndStatus = 0;
    int m_nSysAutoRun = 1;
    // ToolBar, PropertyView, OptionDialog.
    int m_nToolBarText = 0;
    int m_nPropViewTab = 0;
    int m_nOptPage = 0;
    // OptionExtract: which archive kinds are expanded.
    int m_nExtractAll = 1;
    int m_nExtractLha = 1;
    int m_nExtractZip = 1;
    int m_nExtractCab = 1;
    int m_nExtractTar = 1;
    int m_nExtractArj = 1;
    int m_nExtractRar = 1;
    int m_nExtractIsh = 1;
    int m_nExtractGca = 1;
    int m_nExtractExe = 1;
    int m_nExtractEnableExe = 1;
    // OptionSave.
    int m_nCasCompress = 0;
    int m_nAllwaysCompress = 0;
    int m_nSaveFolderMode = 0;
    std::string m_strSaveFolder;
    int m_nAutoSave = 0;
    int m_nCSVCopyRecure = 1;
    // Not stored: the folder offered for saving; SaveFolder when SaveFolderMode is set.
    std::string m_strWorkSaveFolder;
    // OptionView.
    int m_nFileDispMode = 0;
    int m_nSizeUnitMode = 0;
    int m_nLineSelect = 0;
    int m_nShowSelAlways = 0;
    int m_nAutoComment = 0;
    int m_nMeltAutoComment = 0;
    int m_nAddEndSndMode = 0;
    std::string m_strAddEndSndFile;
    int m_nStartLoading = 0;
    int m_nGroupArcView = 0;
    int m_nMRUCount = 4;
    int m_nFolderAddCategory = 0;
    int m_nFolderAddComment = 0;
    int m_nFolderMediaSort = 0;
    int m_nCommentWordrap = 1;
    int m_nFullPathTitle = 0;
    // OptionMelt. An empty MeltFolder becomes the temporary folder at load (with its
    // trailing "/").
    int m_nMeltFolderMode = 0;
    std::string m_strMeltFolder;
    int m_nAddVolCRC = 0;
    int m_nAddVolArcCRC = 0;
    // OptionDrive.
    int m_nDriveUseAll = 1;
    int m_nDriveUse = -1; // bit mask over drive positions
    int m_nNoAutoRun = 0;
    int m_nMediaId = 0;
    int m_nMediaEjectId = 32820;
    // OptionCopy.
    int m_nCopyTarget = 0; // 0 CSV, 1 HTML, 2 tree
    int m_nCopyShowFormDlg = 0;
    // Find and its histories FindName, FindCategory, FindComment.
    SFindSettings m_find;
    // AddVol and its folder history AddVolFolder.
    std::string m_strAddVolFolderName;
    CRecentList m_addVolFolderHistory{"AddVolFolder", "Folder", 10};
    int m_nAddVolPage = 0;
    int m_nAddVolDate = 0;
    int m_nAddVolDateComment = 0;
    int m_nAddVolSerial = 0;
    int m_nAddVolSerialComment = 0;
    std::string m_strAddVolSerialFormat = "%02d";
    int m_nAddVolSerialNo = 1;
    int m_nAddVolMediaOut = 0;
    int m_nAddVolMediaExpand = 0;
    // TobConfig.txt "Main.Option.MediaAdd.AutoDetect".
    bool m_bMediaAddAutoDetect = true;
    // TobConfig.txt "Main.Option.MediaAdd.PseudoFileSystems": folders on proc, sysfs
    // and the like may be scanned (their files report sizes they do not have).
    bool m_bScanPseudoFileSystems = false;
    // Not stored: when off at the end, the settings are deleted instead of saved.
    bool m_bSaveSettings = true;
};

class CConfigData : public SConfigFields, public IModelSettings {
public:
    // Every field at its default; the find time bounds take the current time.
    CConfigData();
    ~CConfigData() override;
    CConfigData(const CConfigData&) = delete;
    CConfigData& operator=(const CConfigData&) = delete;

    // Puts every stored field back to its default (registered handlers keep their data).
    void SetDefaults();

    // Reads the store file at path (CProfileStore::DefaultPath() when empty). RegLoad does
    // this itself when no store was opened; the program opens it earlier to read its log
    // mode. A corrupt file is set aside and reported through Store().Problem().
    EProfileLoad OpenStore(const std::string& path = {});
    bool IsStoreOpen() const { return m_storeOpen; }
    // The store every part of the program keeps its settings in (window state, column
    // sets, extractor settings... share it). Written to disk by RegSave or SaveStore.
    CProfileStore& Store() { return m_store; }
    const CProfileStore& Store() const { return m_store; }
    bool SaveStore() { return m_store.Save(); }

    // Loads every section in the fixed order with its trace line; missing values keep their
    // defaults. The autorun guard writes the store file at once.
    void RegLoad();
    // Saves every section in the same order with its trace line, then writes the file.
    // False when the file could not be written (the reason is in Store().Problem()).
    bool RegSave();
    // Deletes the whole settings file and empties the store (settings not to be kept).
    bool DeleteStoredSettings();

    // Reads TobConfig.txt (beside the program, else in the config folder) and takes its
    // options. True when the file held at least one key. RegLoad calls it at its end.
    bool LoadTextConfig();

    // Whether the drive at this position of the drive list is to be watched.
    bool IsDriveUsed(int index) const;

    // The configuration owns registered handlers and calls them at their step.
    void AddSectionHandler(std::unique_ptr<IConfigSectionHandler> handler);
    template <class T> T* SectionHandler() const {
        for (const auto& handler : m_handlers) {
            if (auto* typed = dynamic_cast<T*>(handler.get())) {
                return typed;
            }
        }
        return nullptr;
    }

    // IModelSettings
    int MediaId() const override { return m_nMediaId; }
    int FileDispMode() const override { return m_nFileDispMode; }
    int SizeUnitMode() const override { return m_nSizeUnitMode; }

private:
    void LoadEnviron();
    void LoadOptionSave();
    void LoadOptionView();
    void LoadOptionMelt();
    void LoadOptionDrive();
    void LoadAddVol();
    void SaveOptionSave();
    void SaveOptionView();
    void SaveOptionDrive();
    void SaveAddVol();
    void LoadHandlers(EConfigStep step);
    void SaveHandlers(EConfigStep step);

    CProfileStore m_store;
    bool m_storeOpen = false;
    std::vector<std::unique_ptr<IConfigSectionHandler>> m_handlers;
};

// The configuration of this process, created on first use and installed as the settings
// the model reads.
CConfigData& Config();

} // namespace quillora
