// The view page.
#include "app/options/COptViewPage.h"

#include "app/RecentFileList.h"
#include "app/options/OptionRules.h"
#include "core/ConfigData.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace quillora {

namespace {

constexpr int kMinHistory = 1;
constexpr int kMaxHistory = 10;

template <std::size_t N>
QGroupBox* RadioGroup(QWidget* parent, const char* title, const char* key,
                      const char* const (&texts)[N], int value,
                      std::array<QRadioButton*, N>& buttons) {
    auto* box = new QGroupBox(QString::fromUtf8(title), parent);
    auto* layout = new QVBoxLayout(box);
    auto* group = new QButtonGroup(box);
    for (std::size_t i = 0; i < N; ++i) {
        buttons[i] = new QRadioButton(QString::fromUtf8(texts[i]), box);
        buttons[i]->setObjectName(QString("%1%2").arg(key).arg(i));
        group->addButton(buttons[i], static_cast<int>(i));
        layout->addWidget(buttons[i]);
    }
    if (QAbstractButton* chosen = group->button(value)) {
        chosen->setChecked(true);
    }
    return box;
}

template <std::size_t N> int CheckedIndex(const std::array<QRadioButton*, N>& buttons, int keep) {
    for (std::size_t i = 0; i < N; ++i) {
        if (buttons[i]->isChecked()) {
            return static_cast<int>(i);
        }
    }
    return keep;
}

} // namespace

COptViewPage::COptViewPage(const CConfigData& config, const SOptionHooks& hooks,
                           CRecentFileList* recent, std::string openPath,
                           std::function<void()> cleared, QWidget* parent)
    : COptionPage("表示", hooks, parent), m_pRecent(recent), m_strOpenPath(std::move(openPath)),
      m_cleared(std::move(cleared)) {
    auto* layout = new QVBoxLayout(this);
    auto* groups = new QHBoxLayout;
    static const char* const dispTexts[] = {"ｴｸｽﾌﾟﾛｰﾗ ﾗｲｸ(&E)", "全て大文字(&L)", "全て小文字(&S)",
                                            "ｵﾘｼﾞﾅﾙ(&I)"};
    static const char* const unitTexts[] = {"自動(&O)", "Byte(&B)", "KB(&K)", "MB(&M)", "GB(&G)"};
    groups->addWidget(RadioGroup(this, "ﾌｧｲﾙ名表示", "FileDispMode", dispTexts,
                                 config.m_nFileDispMode, m_dispMode));
    groups->addWidget(RadioGroup(this, "ﾎﾞﾘｭｰﾑｻｲｽﾞ単位", "SizeUnitMode", unitTexts,
                                 config.m_nSizeUnitMode, m_sizeUnit));
    layout->addLayout(groups);

    m_lineSelect =
        AddCheck("ﾌｧｲﾙ情報ﾘｽﾄの選択を行選択にする。(&F)", "LineSelect", config.m_nLineSelect);
    m_showSelAlways =
        AddCheck("常にﾘｽﾄ項目を選択表示にする。(&T)", "ShowSelAlways", config.m_nShowSelAlways);
    m_startLoading = AddCheck("起動時に前回保存したｹｰｽﾌｧｲﾙを読み込む。(&L)", "StartLoading",
                              config.m_nStartLoading);
    m_groupArc =
        AddCheck("圧縮ﾌｧｲﾙをまとめて表示する。(&A)", "GroupArcView", config.m_nGroupArcView);
    for (QCheckBox* box : {m_lineSelect, m_showSelAlways, m_startLoading, m_groupArc}) {
        layout->addWidget(box);
    }

    auto* history = new QHBoxLayout;
    auto* historyLabel = new QLabel(QString::fromUtf8("履歴ﾌｧｲﾙ数(&H) :"), this);
    m_mruCount = new QSpinBox(this);
    m_mruCount->setObjectName("MRUCount");
    m_mruCount->setRange(kMinHistory, kMaxHistory);
    m_mruCount->setValue(std::clamp(config.m_nMRUCount, kMinHistory, kMaxHistory));
    historyLabel->setBuddy(m_mruCount);
    auto* clear = new QPushButton(QString::fromUtf8("履歴ﾌｧｲﾙｸﾘｱ(&C)"), this);
    clear->setObjectName("ClearHistory");
    history->addWidget(historyLabel);
    history->addWidget(m_mruCount);
    history->addWidget(new QLabel(QString::fromUtf8("<1-10>"), this));
    history->addStretch(1);
    history->addWidget(clear);
    layout->addLayout(history);
    connect(clear, &QPushButton::clicked, this, &COptViewPage::ClearHistory);

    m_addComment = AddCheck("ﾌｫﾙﾀﾞﾘｽﾄの項目にｺﾒﾝﾄを付記する。(&W)", "FolderAddComment",
                            config.m_nFolderAddComment);
    m_mediaSort = AddCheck("ﾌｫﾙﾀﾞﾘｽﾄのﾒﾃﾞｨｱをｿｰﾄして表示する。(&M)", "FolderMediaSort",
                           config.m_nFolderMediaSort);
    m_addCategory = AddCheck("ﾌｫﾙﾀﾞﾘｽﾄの項目に分類を付記する。(&Ｙ)", "FolderAddCategory",
                             config.m_nFolderAddCategory);
    for (QCheckBox* box : {m_addComment, m_mediaSort, m_addCategory}) {
        layout->addWidget(box);
    }
    layout->addStretch(1);
}

void COptViewPage::ClearHistory() {
    if (!Hooks().ask(this, "ただちに履歴ﾌｧｲﾙをｸﾘｱします。ただし、現在読み込まれているﾌｧｲﾙ名"
                           "はｸﾘｱされません。\nよろしいですか？")) {
        return;
    }
    if (m_pRecent) {
        m_pRecent->ClearExcept(m_strOpenPath);
    }
    if (m_cleared) {
        m_cleared();
    }
}

bool COptViewPage::CanLeave() {
    // The spin box cannot hold another value; text typed but not yet taken is checked.
    m_mruCount->interpretText();
    return m_mruCount->value() >= kMinHistory && m_mruCount->value() <= kMaxHistory;
}

void COptViewPage::Apply(CConfigData& config) {
    SConfigFields before = config;
    config.m_nFileDispMode = CheckedIndex(m_dispMode, config.m_nFileDispMode);
    config.m_nSizeUnitMode = CheckedIndex(m_sizeUnit, config.m_nSizeUnitMode);
    config.m_nLineSelect = m_lineSelect->isChecked() ? 1 : 0;
    config.m_nShowSelAlways = m_showSelAlways->isChecked() ? 1 : 0;
    config.m_nStartLoading = m_startLoading->isChecked() ? 1 : 0;
    config.m_nGroupArcView = m_groupArc->isChecked() ? 1 : 0;
    config.m_nMRUCount = m_mruCount->value();
    config.m_nFolderAddComment = m_addComment->isChecked() ? 1 : 0;
    config.m_nFolderMediaSort = m_mediaSort->isChecked() ? 1 : 0;
    config.m_nFolderAddCategory = m_addCategory->isChecked() ? 1 : 0;
    config.m_nViewChangeMask = ViewChangeMask(before, config);
}

} // namespace quillora
