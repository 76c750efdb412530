// The comment extraction settings dialog.
#include "app/comments/CCommentSettingsDlg.h"

#include "extract/ExtractTextManager.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace quillora {

namespace {

QString U(const char* text) {
    return QString::fromUtf8(text);
}

struct STargetChoice {
    int target;
    const char* text;
    std::uint32_t support; // 0: always offered
};

constexpr STargetChoice kTargetChoices[] = {
    {kTargetNothing, "無し(&N)", 0},
    {kTargetTitle, "ﾀｲﾄﾙ(&T)", kSupportTitle},
    {kTargetProperties, "詳細情報(&I)", kSupportProperties},
    {kTargetFullText, "全文(&A)", kSupportFullText},
    {kTargetBodyBySize, "本文ｻｲｽﾞ指定(&S)", kSupportBodyBySize},
    {kTargetBodyByLines, "本文行数指定(&L)", kSupportBodyByLines},
};

QButtonGroup* AddRadios(QWidget* owner, QGroupBox* box, std::initializer_list<const char*> texts) {
    auto* group = new QButtonGroup(owner);
    auto* layout = new QVBoxLayout(box);
    int id = 0;
    for (const char* text : texts) {
        auto* radio = new QRadioButton(U(text), box);
        group->addButton(radio, id++);
        layout->addWidget(radio);
    }
    return group;
}

} // namespace

CCommentSettingsDlg::CCommentSettingsDlg(CExtractTextManager& extractors, QWidget* parent)
    : QDialog(parent), m_extractors(extractors) {
    setWindowTitle(U("ｺﾒﾝﾄ抽出設定"));
    setObjectName("CommentSettings");
    for (std::size_t i = 0; i < extractors.Count(); ++i) {
        CTextExtractor& original = extractors.At(i);
        if (!original.m_bConfigurable) {
            continue;
        }
        auto copy = std::make_unique<CTextExtractor>();
        copy->CopyAll(original);
        m_originals.push_back(&original);
        m_copies.push_back(std::move(copy));
    }

    auto* layout = new QVBoxLayout(this);
    auto* top = new QFormLayout;
    m_filter = new QComboBox(this);
    m_filter->setObjectName("Filter");
    for (const auto& copy : m_copies) {
        m_filter->addItem(QString::fromStdString(copy->m_strName));
    }
    auto* filterLabel = new QLabel(U("ﾌｨﾙﾀ(&F) :"), this);
    filterLabel->setBuddy(m_filter);
    m_enable = new QCheckBox(U("有効(&B)"), this);
    m_enable->setObjectName("Enable");
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(m_filter, 1);
    filterRow->addWidget(m_enable);
    top->addRow(filterLabel, filterRow);
    m_version = new QLabel(this);
    m_version->setObjectName("Version");
    top->addRow(U("ﾊﾞｰｼﾞｮﾝ :"), m_version);
    layout->addLayout(top);

    m_pages = new QTabWidget(this);
    // Page 495: what is extracted.
    auto* extractPage = new QWidget;
    auto* extractLayout = new QVBoxLayout(extractPage);
    m_propUse = new QCheckBox(U("ﾌﾟﾛﾊﾟﾃｨの抽出を行う(&P)<ﾌｧｲﾙ情報として抽出されます。>"));
    m_propUse->setObjectName("PropUse");
    extractLayout->addWidget(m_propUse);
    m_targetGroup = new QGroupBox(U("抽出対象"));
    m_targets = new QButtonGroup(this);
    auto* targetLayout = new QVBoxLayout(m_targetGroup);
    for (const STargetChoice& choice : kTargetChoices) {
        auto* radio = new QRadioButton(U(choice.text), m_targetGroup);
        m_targets->addButton(radio, choice.target);
        targetLayout->addWidget(radio);
        if (choice.target == kTargetBodyBySize || choice.target == kTargetBodyByLines) {
            const bool size = choice.target == kTargetBodyBySize;
            auto* row = new QHBoxLayout;
            auto* label = new QLabel(U(size ? "ｻｲｽﾞ(&Z) :" : "行数(&C) :"), m_targetGroup);
            auto* spin = new QSpinBox(m_targetGroup);
            spin->setRange(size ? CTextExtractor::kMinDocSize : CTextExtractor::kMinDocLine,
                           size ? CTextExtractor::kMaxDocSize : CTextExtractor::kMaxDocLine);
            spin->setObjectName(size ? "DocSize" : "DocLine");
            label->setBuddy(spin);
            row->addSpacing(24);
            row->addWidget(label);
            row->addWidget(spin);
            row->addWidget(new QLabel(U(size ? "ﾊﾞｲﾄ<1から32KB>" : "行<1から100>"), m_targetGroup));
            row->addStretch(1);
            targetLayout->addLayout(row);
            (size ? m_size : m_lines) = spin;
        }
    }
    extractLayout->addWidget(m_targetGroup);
    extractLayout->addStretch(1);
    m_pages->addTab(extractPage, U("抽出"));

    // Page 496: clean-up of the text.
    auto* textPage = new QWidget;
    auto* textLayout = new QVBoxLayout(textPage);
    m_spaceGroup = new QGroupBox(U("空白処理(半角,全角,TAB)"));
    m_spaces = AddRadios(this, m_spaceGroup, {"しない(&N)", "削除(&D)", "連続する空白を圧縮(&C)"});
    m_lineEndGroup = new QGroupBox(U("改行ｺｰﾄﾞ処理"));
    m_lineEnds =
        AddRadios(this, m_lineEndGroup, {"しない(&O)", "削除(&E)", "連続する改行ｺｰﾄﾞを圧縮(&S)"});
    auto* groups = new QHBoxLayout;
    groups->addWidget(m_spaceGroup);
    groups->addWidget(m_lineEndGroup);
    textLayout->addLayout(groups);
    m_delEmptyLine = new QCheckBox(U("空行を削除(&Y)"));
    m_mapHankaku = new QCheckBox(U("半角ｶﾅを全角ｶﾅに変換(&K)"));
    m_mapOubun = new QCheckBox(U("特殊欧文を半角英字に変換(&L)"));
    m_mapEibun = new QCheckBox(U("全角英文を半角英文に変換(&M)"));
    for (QCheckBox* box : {m_delEmptyLine, m_mapHankaku, m_mapOubun, m_mapEibun}) {
        textLayout->addWidget(box);
    }
    textLayout->addStretch(1);
    m_pages->addTab(textPage, U("ﾃｷｽﾄ処理"));
    layout->addWidget(m_pages, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(U("ｷｬﾝｾﾙ"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CCommentSettingsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CCommentSettingsDlg::reject);
    layout->addWidget(buttons);

    connect(m_filter, &QComboBox::currentIndexChanged, this, [this](int index) { Select(index); });
    connect(m_enable, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });
    Select(m_copies.empty() ? -1 : 0);
}

CCommentSettingsDlg::~CCommentSettingsDlg() = default;

bool CCommentSettingsDlg::Edit(QWidget* parent, CExtractTextManager& extractors) {
    CCommentSettingsDlg dialog(extractors, parent);
    return dialog.exec() == QDialog::Accepted;
}

CTextExtractor& CCommentSettingsDlg::Current() {
    return *m_copies.at(static_cast<std::size_t>(m_current));
}

void CCommentSettingsDlg::Select(int index) {
    if (index == m_current) {
        return;
    }
    // The values shown belong to the extractor shown so far.
    if (m_current >= 0) {
        Store(*m_copies[static_cast<std::size_t>(m_current)]);
    }
    m_current = index;
    if (m_filter->currentIndex() != index) {
        const QSignalBlocker block(m_filter);
        m_filter->setCurrentIndex(index);
    }
    if (index >= 0) {
        Show(*m_copies[static_cast<std::size_t>(index)]);
    }
    UpdateEnabling();
}

void CCommentSettingsDlg::Show(const CTextExtractor& e) {
    const QSignalBlocker block(m_enable);
    m_enable->setChecked(e.m_bEnable != 0);
    m_version->setText(QString::fromStdString(e.m_strVersion));
    m_propUse->setChecked(e.m_bPropUse != 0);
    if (QAbstractButton* target = m_targets->button(e.m_nDocTarget)) {
        target->setChecked(true);
    }
    m_size->setValue(e.m_nDocSize);
    m_lines->setValue(e.m_nDocLine);
    m_spaces->button(std::clamp(e.m_nConvSpace, 0, 2))->setChecked(true);
    m_lineEnds->button(std::clamp(e.m_nConvRCode, 0, 2))->setChecked(true);
    m_delEmptyLine->setChecked(e.m_bDelEmptyLine != 0);
    m_mapHankaku->setChecked(e.m_bMapHankaku != 0);
    m_mapOubun->setChecked(e.m_bMapOubun != 0);
    m_mapEibun->setChecked(e.m_bMapEibun != 0);
}

void CCommentSettingsDlg::Store(CTextExtractor& e) const {
    e.m_bEnable = m_enable->isChecked() ? 1 : 0;
    e.m_bPropUse = m_propUse->isChecked() ? 1 : 0;
    if (m_targets->checkedId() != -1) {
        e.m_nDocTarget = m_targets->checkedId();
    }
    e.m_nDocSize = m_size->value();
    e.m_nDocLine = m_lines->value();
    e.m_nConvSpace = std::max(m_spaces->checkedId(), 0);
    e.m_nConvRCode = std::max(m_lineEnds->checkedId(), 0);
    e.m_bDelEmptyLine = m_delEmptyLine->isChecked() ? 1 : 0;
    e.m_bMapHankaku = m_mapHankaku->isChecked() ? 1 : 0;
    e.m_bMapOubun = m_mapOubun->isChecked() ? 1 : 0;
    e.m_bMapEibun = m_mapEibun->isChecked() ? 1 : 0;
}

void CCommentSettingsDlg::UpdateEnabling() {
    const bool any = m_current >= 0;
    const std::uint32_t support = any ? Current().m_dwSupport : 0;
    const bool on = any && m_enable->isChecked();
    m_enable->setEnabled(any);
    m_propUse->setEnabled(on && (support & kSupportProperties));
    m_targetGroup->setEnabled(on && (support & 0x703));
    for (const STargetChoice& choice : kTargetChoices) {
        m_targets->button(choice.target)
            ->setEnabled(on && (choice.support == 0 || (support & choice.support)));
    }
    m_size->setEnabled(on && (support & kSupportBodyBySize));
    m_lines->setEnabled(on && (support & kSupportBodyByLines));
    for (QWidget* w : std::initializer_list<QWidget*>{m_spaceGroup, m_lineEndGroup, m_delEmptyLine,
                                                      m_mapHankaku, m_mapOubun, m_mapEibun}) {
        w->setEnabled(on);
    }
}

void CCommentSettingsDlg::accept() {
    if (m_current >= 0) {
        Store(*m_copies[static_cast<std::size_t>(m_current)]);
    }
    for (std::size_t i = 0; i < m_copies.size(); ++i) {
        m_originals[i]->CopySettings(*m_copies[i]);
    }
    QDialog::accept();
}

} // namespace quillora
