// The archive expansion page.
#include "app/options/COptMeltPage.h"

#include "core/ConfigData.h"
#include "scan/ArchiverSet.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace quillora {

namespace {

struct SKindKey {
    const char* key;
    int SConfigFields::*member;
};

constexpr SKindKey kKindKeys[] = {
    {"Lha", &SConfigFields::m_nExtractLha}, {"Zip", &SConfigFields::m_nExtractZip},
    {"Cab", &SConfigFields::m_nExtractCab}, {"Tar", &SConfigFields::m_nExtractTar},
    {"Arj", &SConfigFields::m_nExtractArj}, {"Rar", &SConfigFields::m_nExtractRar},
    {"Ish", &SConfigFields::m_nExtractIsh}, {"Gca", &SConfigFields::m_nExtractGca},
};

int SConfigFields::*MemberOf(const char* key) {
    for (const SKindKey& k : kKindKeys) {
        if (std::string_view(k.key) == key) {
            return k.member;
        }
    }
    return nullptr;
}

SArchiverState StateOf(const char* key, const char* title, const CArchiver& archiver,
                       bool selfExtracting) {
    SArchiverState state;
    state.m_key = key;
    state.m_title = title;
    state.m_loaded = archiver.IsLoaded();
    state.m_version = archiver.GetVersion();
    state.m_selfExtracting = selfExtracting;
    return state;
}

} // namespace

std::vector<SArchiverState> COptMeltPage::KindsOf(CArchiverSet& a) {
    return {
        StateOf("Lha", "LZHを展開", a.Lha(), true),
        StateOf("Zip", "ZIPを展開", a.Zip(), a.Zip().CanReadSelfExtracting()),
        StateOf("Cab", "CABを展開", a.Cab(), false),
        StateOf("Tar", "TARを展開", a.Tar(), false),
        StateOf("Arj", "ARJを展開", a.Arj(), false),
        StateOf("Rar", "RARを展開", a.Rar(), true),
        StateOf("Ish", "ISHを展開", a.Ish(), false),
        StateOf("Gca", "GCAを展開", a.Gca(), true),
    };
}

COptMeltPage::COptMeltPage(const CConfigData& config, std::vector<SArchiverState> kinds,
                           const SOptionHooks& hooks, QWidget* parent)
    : COptionPage("ﾒﾃﾞｨｱの展開", hooks, parent), m_kinds(std::move(kinds)) {
    auto* layout = new QVBoxLayout(this);
    m_all = AddCheck("全てを展開(&A)", "All", config.m_nExtractAll);
    layout->addWidget(m_all);
    auto* grid = new QGridLayout;
    grid->setContentsMargins(20, 0, 0, 0);
    bool anyLoaded = false;
    for (std::size_t i = 0; i < m_kinds.size(); ++i) {
        const SArchiverState& kind = m_kinds[i];
        int SConfigFields::*member = MemberOf(kind.m_key);
        QCheckBox* box = AddCheck(kind.m_title, kind.m_key, member ? config.*member : 0);
        auto* version =
            new QLabel(QString::fromUtf8(ArchiverVersionText(kind.m_loaded, kind.m_version)), this);
        version->setObjectName(QString(kind.m_key) + "Version");
        if (!kind.m_loaded) {
            box->setChecked(false);
        }
        anyLoaded = anyLoaded || kind.m_loaded;
        grid->addWidget(box, static_cast<int>(i), 0);
        grid->addWidget(version, static_cast<int>(i), 1);
        m_checks.push_back(box);
        m_versions.push_back(version);
        connect(box, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });
    }
    grid->setColumnStretch(2, 1);
    layout->addLayout(grid);
    m_enableExe = AddCheck("自己解凍形式を展開(&S) <LZH,RAR,ZIP,GCA>", "EnableExe",
                           config.m_nExtractEnableExe);
    layout->addWidget(m_enableExe);
    layout->addStretch(1);
    if (!anyLoaded) {
        m_all->setChecked(false);
        m_all->setEnabled(false);
    }
    connect(m_all, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });
    UpdateEnabling();
}

std::vector<bool> COptMeltPage::Checked() const {
    std::vector<bool> checked;
    for (QCheckBox* box : m_checks) {
        checked.push_back(box->isChecked());
    }
    return checked;
}

void COptMeltPage::UpdateEnabling() {
    const bool all = m_all->isChecked();
    for (std::size_t i = 0; i < m_kinds.size(); ++i) {
        const bool on = m_kinds[i].m_loaded && !all;
        m_checks[i]->setEnabled(on);
        m_versions[i]->setEnabled(on);
    }
    m_enableExe->setEnabled(SelfExtractUsable(m_kinds, all, Checked()));
}

void COptMeltPage::Apply(CConfigData& config) {
    config.m_nExtractAll = m_all->isChecked() ? 1 : 0;
    for (std::size_t i = 0; i < m_kinds.size(); ++i) {
        if (int SConfigFields::*member = MemberOf(m_kinds[i].m_key)) {
            config.*member = m_checks[i]->isChecked() ? 1 : 0;
        }
    }
    config.m_nExtractEnableExe = m_enableExe->isChecked() ? 1 : 0;
    config.m_nExtractExe = SelfExtractUsable(m_kinds, m_all->isChecked(), Checked()) ? 1 : 0;
}

} // namespace quillora
