// COptMeltPage: "ﾒﾃﾞｨｱの展開" of the options sheet: which archive kinds a scan lists,
// each beside the version of the archiver that handles it.
#pragma once

#include "app/options/COptionPage.h"
#include "app/options/OptionRules.h"

#include <vector>

class QLabel;

namespace quillora {

class CArchiverSet;

class COptMeltPage : public COptionPage {
    Q_OBJECT
public:
    // `kinds` in the page's order: LZH, ZIP, CAB, TAR, ARJ, RAR, ISH, GCA.
    COptMeltPage(const CConfigData& config, std::vector<SArchiverState> kinds,
                 const SOptionHooks& hooks, QWidget* parent = nullptr);

    // Sets "Exe" to whether self-extracting archives can be expanded at all.
    void Apply(CConfigData& config) override;

    // The archive kinds of this program's archiver set.
    static std::vector<SArchiverState> KindsOf(CArchiverSet& archivers);

    QLabel* VersionLabel(std::size_t kind) const { return m_versions[kind]; }

private:
    void UpdateEnabling();
    std::vector<bool> Checked() const;

    std::vector<SArchiverState> m_kinds;
    QCheckBox* m_all;
    std::vector<QCheckBox*> m_checks;
    std::vector<QLabel*> m_versions;
    QCheckBox* m_enableExe;
};

} // namespace quillora
