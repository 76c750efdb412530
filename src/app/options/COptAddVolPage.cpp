// The add-media page.
#include "app/options/COptAddVolPage.h"

#include "core/ConfigData.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quillora {

COptAddVolPage::COptAddVolPage(const CConfigData& config, const SOptionHooks& hooks,
                               QWidget* parent)
    : COptionPage("ﾒﾃﾞｨｱの追加", hooks, parent) {
    auto* layout = new QVBoxLayout(this);
    m_autoComment = AddCheck("ｺﾒﾝﾄを抽出する｡(&E)", "AutoComment", config.m_nAutoComment);
    m_meltAutoComment = AddCheck("圧縮ﾌｧｲﾙ内のﾌｧｲﾙからもｺﾒﾝﾄを抽出する。(&A)", "MeltAutoComment",
                                 config.m_nMeltAutoComment);
    m_crc = AddCheck("32ﾋﾞｯﾄCRCｺｰﾄﾞを収集する。(&C)", "AddVolCRC", config.m_nAddVolCRC);
    m_arcCrc = AddCheck("圧縮ﾌｧｲﾙ内から32ﾋﾞｯﾄCRCｺｰﾄﾞを収集する。(&B)", "AddVolArcCRC",
                        config.m_nAddVolArcCRC);
    for (QCheckBox* box : {m_autoComment, m_meltAutoComment, m_crc, m_arcCrc}) {
        layout->addWidget(box);
    }

    auto* idBox = new QGroupBox(QString::fromUtf8("ﾒﾃﾞｨｱの装着確認方法"), this);
    auto* idLayout = new QVBoxLayout(idBox);
    auto* idGroup = new QButtonGroup(this);
    const char* idTexts[] = {"ｼﾘｱﾙ番号のみ(&I) <従来>", "ｼﾘｱﾙ番号+ｵﾘｼﾞﾅﾙﾗﾍﾞﾙ名(O)",
                             "ｵﾘｼﾞﾅﾙﾗﾍﾞﾙ名のみ(L)"};
    for (int i = 0; i < 3; ++i) {
        m_mediaId[static_cast<std::size_t>(i)] =
            new QRadioButton(QString::fromUtf8(idTexts[i]), idBox);
        m_mediaId[static_cast<std::size_t>(i)]->setObjectName(QString("MediaId%1").arg(i));
        idGroup->addButton(m_mediaId[static_cast<std::size_t>(i)], i);
        idLayout->addWidget(m_mediaId[static_cast<std::size_t>(i)]);
    }
    if (QAbstractButton* chosen = idGroup->button(config.m_nMediaId)) {
        chosen->setChecked(true);
    }
    layout->addWidget(idBox);

    auto* endBox = new QGroupBox(QString::fromUtf8("ﾒﾃﾞｨｱの追加完了後の処理"), this);
    auto* endLayout = new QVBoxLayout(endBox);
    m_sound = AddCheck("音を鳴らす。(&D)", "AddEndSndMode", config.m_nAddEndSndMode);
    m_sound->setParent(endBox);
    auto* soundRow = new QHBoxLayout;
    soundRow->setContentsMargins(20, 0, 0, 0);
    m_soundFile = new QLineEdit(QString::fromStdString(config.m_strAddEndSndFile), endBox);
    m_soundFile->setObjectName("AddEndSndFile");
    m_soundBrowse = new QPushButton(QString::fromUtf8("参照(&R)..."), endBox);
    m_soundBrowse->setObjectName("AddEndSndFileBrowse");
    soundRow->addWidget(m_soundFile, 1);
    soundRow->addWidget(m_soundBrowse);
    m_autoSave = AddCheck("自動保存する。(&S)", "AutoSave", config.m_nAutoSave);
    m_autoSave->setParent(endBox);
    m_expand =
        AddCheck("ﾒﾃﾞｨｱを展開して表示する。(&F)", "MediaExpand", config.m_nAddVolMediaExpand);
    m_expand->setParent(endBox);
    endLayout->addWidget(m_sound);
    endLayout->addLayout(soundRow);
    endLayout->addWidget(m_autoSave);
    endLayout->addWidget(m_expand);
    layout->addWidget(endBox);
    layout->addStretch(1);

    connect(m_soundBrowse, &QPushButton::clicked, this, [this] {
        if (auto chosen = Hooks().pickSound(this, m_soundFile->text().toStdString())) {
            m_soundFile->setText(QString::fromStdString(*chosen));
        }
    });
    auto follow = [this](bool on) {
        m_soundFile->setEnabled(on);
        m_soundBrowse->setEnabled(on);
    };
    connect(m_sound, &QCheckBox::toggled, this, follow);
    follow(m_sound->isChecked());
}

void COptAddVolPage::Apply(CConfigData& config) {
    config.m_nAutoComment = m_autoComment->isChecked() ? 1 : 0;
    config.m_nMeltAutoComment = m_meltAutoComment->isChecked() ? 1 : 0;
    config.m_nAddVolCRC = m_crc->isChecked() ? 1 : 0;
    config.m_nAddVolArcCRC = m_arcCrc->isChecked() ? 1 : 0;
    for (int i = 0; i < 3; ++i) {
        if (m_mediaId[static_cast<std::size_t>(i)]->isChecked()) {
            config.m_nMediaId = i;
        }
    }
    config.m_nAddEndSndMode = m_sound->isChecked() ? 1 : 0;
    config.m_strAddEndSndFile = m_soundFile->text().toStdString();
    config.m_nAutoSave = m_autoSave->isChecked() ? 1 : 0;
    config.m_nAddVolMediaExpand = m_expand->isChecked() ? 1 : 0;
}

} // namespace quillora
