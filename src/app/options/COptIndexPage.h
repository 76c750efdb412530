// COptIndexPage: "索引" of the options sheet: the folders of the index of every case,
// whether the cases the program opens and saves go into it, where it lives (a folder,
// or a shared server), and a rebuild that runs off the GUI thread with its progress.
#pragma once

#include "app/options/COptionPage.h"

#include <stop_token>
#include <string>
#include <thread>
#include <vector>

class QLabel;
class QListWidget;
class QProgressBar;

namespace quillora {

class COptIndexPage : public COptionPage {
    Q_OBJECT
public:
    COptIndexPage(const CConfigData& config, const SOptionHooks& hooks, QWidget* parent = nullptr);
    // Stops a rebuild between two cases and waits for it.
    ~COptIndexPage() override;

    // Writes the settings; folders added or removed on the page are added to or removed
    // from the index as OK is pressed.
    void Apply(CConfigData& config) override;
    // With "索引の場所を指定" set, the location must be given; with the server set, its
    // address.
    bool CanLeave() override;

    // Reads every known case of the index again; a second call while it runs stops it.
    void ToggleRebuild();
    bool IsRebuilding() const { return m_worker.joinable() && !m_bFinished; }
    // The folder list as the page shows it.
    std::vector<std::string> Folders() const;
    // The line under the rebuild button: what the index holds, or what the rebuild did.
    QString StateText() const;

signals:
    void RebuildFinished();

private:
    void ReadIndex();
    void AddFolder();
    void RemoveFolder();
    void ShowProgress(std::size_t done, std::size_t total);
    void FinishRebuild(const QString& summary);

    std::string m_strIndexLocation; // the index the page was opened on (OpenIndexAt)
    bool m_bIndexUsable = false;
    std::vector<std::string> m_initialFolders;
    QListWidget* m_folders = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_remove = nullptr;
    QCheckBox* m_indexCases = nullptr;
    QCheckBox* m_locationMode = nullptr;
    QLineEdit* m_location = nullptr;
    QCheckBox* m_serverMode = nullptr;
    QLineEdit* m_server = nullptr;
    QPushButton* m_rebuild = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_state = nullptr;
    std::thread m_worker;
    std::stop_source m_stop; // the running rebuild's; a new one for each
    bool m_bFinished = false;
};

} // namespace quillora
