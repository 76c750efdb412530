// COptAddVolPage: "ﾒﾃﾞｨｱの追加" of the options sheet: what a scan collects, how media
// are recognised in the drives, and what follows a finished scan.
#pragma once

#include "app/options/COptionPage.h"

#include <array>

class QRadioButton;

namespace quillora {

class COptAddVolPage : public COptionPage {
    Q_OBJECT
public:
    COptAddVolPage(const CConfigData& config, const SOptionHooks& hooks, QWidget* parent = nullptr);

    void Apply(CConfigData& config) override;

private:
    QCheckBox* m_autoComment;
    QCheckBox* m_meltAutoComment;
    QCheckBox* m_crc;
    QCheckBox* m_arcCrc;
    std::array<QRadioButton*, 3> m_mediaId{};
    QCheckBox* m_sound;
    QLineEdit* m_soundFile;
    QPushButton* m_soundBrowse;
    QCheckBox* m_autoSave;
    QCheckBox* m_expand;
};

} // namespace quillora
