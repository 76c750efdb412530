// The settings pages of the export formats.
#include "app/export/CFormOptionsPage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace quillora {

namespace {

const CFormCondition& AsCondition(const CFormPreset& preset) {
    return dynamic_cast<const CFormCondition&>(preset);
}

void FollowCheck(QWidget* enabledBy, QWidget* widget) {
    auto* check = qobject_cast<QCheckBox*>(enabledBy);
    if (!check) {
        return;
    }
    QObject::connect(check, &QCheckBox::toggled, widget, &QWidget::setEnabled);
    widget->setEnabled(check->isChecked());
}

} // namespace

CFormOptionsPage::CFormOptionsPage(QWidget* parent) : CFormPage(parent) {
    m_pPage = new QVBoxLayout(this);
}

QBoxLayout* CFormOptionsPage::Layout() {
    return m_pGroup ? m_pGroup : m_pPage;
}

void CFormOptionsPage::BeginGroup(const char* title) {
    auto* box = new QGroupBox(QString::fromUtf8(title), this);
    m_pPage->addWidget(box);
    m_pGroup = new QVBoxLayout(box);
}

void CFormOptionsPage::EndGroup() {
    m_pGroup = nullptr;
}

QWidget* CFormOptionsPage::AddCheck(const char* text, IntField field) {
    auto* check = new QCheckBox(QString::fromUtf8(text), this);
    Layout()->addWidget(check);
    m_bindings.push_back(
        {[check, field](const CFormCondition& c) { check->setChecked(c.*field != 0); },
         [check, field](CFormCondition& c) { c.*field = check->isChecked() ? 1 : 0; }});
    return check;
}

void CFormOptionsPage::AddRadios(const char* title, std::initializer_list<const char*> texts,
                                 IntField field) {
    BeginGroup(title);
    auto* group = new QButtonGroup(this);
    int value = 0;
    for (const char* text : texts) {
        auto* radio = new QRadioButton(QString::fromUtf8(text), this);
        group->addButton(radio, value++);
        m_pGroup->addWidget(radio);
    }
    EndGroup();
    m_bindings.push_back({[group, field](const CFormCondition& c) {
                              QAbstractButton* button = group->button(c.*field);
                              if (!button) {
                                  button = group->button(0);
                              }
                              button->setChecked(true);
                          },
                          [group, field](CFormCondition& c) {
                              if (group->checkedId() >= 0) {
                                  c.*field = group->checkedId();
                              }
                          }});
}

void CFormOptionsPage::AddCombo(const char* label, std::initializer_list<const char*> items,
                                IntField field, int base) {
    auto* row = new QHBoxLayout;
    auto* text = new QLabel(QString::fromUtf8(label), this);
    auto* combo = new QComboBox(this);
    for (const char* item : items) {
        combo->addItem(QString::fromUtf8(item));
    }
    text->setBuddy(combo);
    row->addWidget(text);
    row->addWidget(combo, 1);
    Layout()->addLayout(row);
    const int count = static_cast<int>(items.size());
    m_bindings.push_back(
        {[combo, field, base, count](const CFormCondition& c) {
             combo->setCurrentIndex(std::clamp(c.*field - base, 0, count - 1));
         },
         [combo, field, base](CFormCondition& c) { c.*field = combo->currentIndex() + base; }});
}

void CFormOptionsPage::AddText(const char* label, TextField field, QWidget* enabledBy) {
    auto* row = new QHBoxLayout;
    auto* text = new QLabel(QString::fromUtf8(label), this);
    auto* edit = new QLineEdit(this);
    text->setBuddy(edit);
    row->addSpacing(enabledBy ? 20 : 0);
    row->addWidget(text);
    row->addWidget(edit, 1);
    Layout()->addLayout(row);
    FollowCheck(enabledBy, edit);
    m_bindings.push_back(
        {[edit, field](const CFormCondition& c) {
             edit->setText(QString::fromStdString(c.*field));
         },
         [edit, field](CFormCondition& c) { c.*field = edit->text().toStdString(); }});
}

void CFormOptionsPage::AddSpin(const char* label, IntField field, int minimum, int maximum,
                               const char* note, QWidget* enabledBy) {
    auto* row = new QHBoxLayout;
    auto* text = new QLabel(QString::fromUtf8(label), this);
    auto* spin = new QSpinBox(this);
    spin->setRange(minimum, maximum);
    text->setBuddy(spin);
    row->addSpacing(enabledBy ? 20 : 0);
    row->addWidget(text);
    row->addWidget(spin);
    row->addWidget(new QLabel(QString::fromUtf8(note), this));
    row->addStretch(1);
    Layout()->addLayout(row);
    FollowCheck(enabledBy, spin);
    m_bindings.push_back({[spin, field](const CFormCondition& c) { spin->setValue(c.*field); },
                          [spin, field](CFormCondition& c) { c.*field = spin->value(); }});
}

void CFormOptionsPage::AddEncoding() {
    auto* row = new QHBoxLayout;
    auto* text = new QLabel(QString::fromUtf8("文字ｺｰﾄﾞ(&J) :"), this);
    auto* combo = new QComboBox(this);
    combo->addItem(QString::fromUtf8("Shift_JIS (CP932)"));
    combo->addItem(QString::fromUtf8("UTF-8"));
    combo->setObjectName("Encoding");
    text->setBuddy(combo);
    row->addWidget(text);
    row->addWidget(combo, 1);
    Layout()->addLayout(row);
    m_bindings.push_back({[combo](const CFormCondition& c) {
                              combo->setCurrentIndex(c.Encoding == EExportEncoding::Utf8 ? 1 : 0);
                          },
                          [combo](CFormCondition& c) {
                              c.Encoding = combo->currentIndex() == 1 ? EExportEncoding::Utf8
                                                                      : EExportEncoding::Cp932;
                          }});
}

void CFormOptionsPage::AddStretch() {
    m_pPage->addStretch(1);
}

void CFormOptionsPage::LoadPreset(const CFormPreset& preset) {
    const CFormCondition& c = AsCondition(preset);
    for (const SBinding& b : m_bindings) {
        b.m_load(c);
    }
}

bool CFormOptionsPage::ApplyPreset(CFormPreset& preset) {
    auto& c = dynamic_cast<CFormCondition&>(preset);
    for (const SBinding& b : m_bindings) {
        b.m_apply(c);
    }
    return true;
}

namespace {

using C = CFormCondition;

void AddTarget(CFormOptionsPage& page) {
    page.AddRadios("対象", {"全て(&A) <ﾌｧｲﾙ+ﾌｫﾙﾀﾞ>", "ﾌｧｲﾙのみ(&F)", "ﾌｫﾙﾀﾞのみ(&O)"}, &C::Target);
}

void AddLabelSep(CFormOptionsPage& page) {
    page.AddCombo("ﾗﾍﾞﾙ名の区切り(&P) :", {"なし", "( )", "< >", "[ ]"}, &C::LabelSep, 0);
}

void AddFolderSep(CFormOptionsPage& page) {
    page.AddRadios(
        "ﾌｫﾙﾀﾞの区切り",
        {"元のまま(&G)", "ｽﾗｯｼｭ(&S) [ \"\\\" -> \"/\" ]", "円ﾏｰｸ(&Y) [ \"/\" -> \"\\\" ]"},
        &C::FolderSep);
}

void AddCopySettings(CFormOptionsPage& page) {
    page.BeginGroup("ｺﾋﾟｰ時の設定");
    page.AddCheck("ｻﾌﾞﾌｫﾙﾀﾞ以下もｺﾋﾟｰする。(&B)", &C::SubFolder);
    page.AddCheck("相対ﾊﾟｽで出力する。(&R)", &C::RelPath);
    page.EndGroup();
}

void AddLineEnd(CFormOptionsPage& page) {
    page.AddCombo("改行ｺｰﾄﾞ(&X) :", {"DOS(CRLF)", "UNIX(LF)", "MAC(CR)"}, &C::RCode, 1);
}

void AddRelRoot(CFormOptionsPage& page) {
    QWidget* spec = page.AddCheck("相対ﾊﾟｽのﾙｰﾄﾌｫﾙﾀﾞを指定(&R) <ﾃﾞﾌｫﾙﾄ=\"./\"> :", &C::RelRootSpec);
    page.AddText("ﾙｰﾄﾌｨﾙﾀﾞ名(&F) :", &C::RelRoot, spec);
}

void AddCommentBreaks(CFormOptionsPage& page, const char* checkText) {
    page.BeginGroup("ｺﾒﾝﾄ内の改行ｺｰﾄﾞ");
    QWidget* conv = page.AddCheck(checkText, &C::ConvCommentRCode);
    page.AddText("", &C::CommentRCode, conv);
    page.EndGroup();
}

// The first CSV page, which MediaMax shows as its second.
CFormOptionsPage* CsvMainPage(QWidget* parent) {
    auto* page = new CFormOptionsPage(parent);
    AddTarget(*page);
    page->AddCheck("文字列をﾀﾞﾌﾞﾙｸｫﾃｰｼｮﾝで囲む。(&L)", &C::StrDQoute);
    page->AddCheck("ﾀｲﾄﾙ行を出力する。(&T)", &C::PutTitle);
    page->AddCheck("ｵﾘｼﾞﾅﾙ名で出力する。(&U)", &C::OrgName);
    AddLabelSep(*page);
    AddFolderSep(*page);
    AddCopySettings(*page);
    AddLineEnd(*page);
    page->AddEncoding();
    page->AddStretch();
    return page;
}

} // namespace

std::vector<std::pair<QString, CFormPage*>> MakeFormOptionsPages(EFormFormat format,
                                                                 QWidget* parent) {
    std::vector<std::pair<QString, CFormPage*>> pages;
    switch (format) {
    case EFormFormat::Csv: {
        pages.emplace_back(QString::fromUtf8("設定1"), CsvMainPage(parent));
        auto* second = new CFormOptionsPage(parent);
        AddRelRoot(*second);
        second->AddCombo("項目の区切り(&S) :", {"ｶﾝﾏ( , )", "ﾀﾌﾞ", "ｽﾍﾟｰｽ"}, &C::ItemSep, 1);
        QWidget* limit = second->AddCheck("ｻﾌﾞﾌｫﾙﾀﾞ以下の出力階層を指定(&B)<無指定時は全て> :",
                                          &C::SpecSubLayer);
        second->AddSpin("階層(&L) :", &C::SubLayer, 0, 50, "<0-50>", limit);
        // Not among the format's original settings: without it a comment's line breaks
        // cannot come back through an import.
        AddCommentBreaks(*second, "指定文字ｺｰﾄﾞに変換(&V)");
        second->AddStretch();
        pages.emplace_back(QString::fromUtf8("設定2"), second);
        break;
    }
    case EFormFormat::Html:
    case EFormFormat::Tree: {
        auto* page = new CFormOptionsPage(parent);
        AddTarget(*page);
        if (format == EFormFormat::Tree) {
            page->AddCheck("文字列をﾀﾞﾌﾞﾙｸｫﾃｰｼｮﾝで囲む。(&L)", &C::StrDQoute);
        } else {
            page->AddCheck("ﾀｲﾄﾙ行を出力する。(&T)", &C::PutTitle);
        }
        page->AddCheck("ｵﾘｼﾞﾅﾙ名で出力する。(&U)", &C::OrgName);
        AddLabelSep(*page);
        AddFolderSep(*page);
        AddCopySettings(*page);
        AddLineEnd(*page);
        if (format == EFormFormat::Tree) {
            page->AddCheck("ﾀｲﾄﾙ行を出力する。(&T)", &C::PutTitle);
        } else {
            page->AddCheck("文字列をﾀﾞﾌﾞﾙｸｫﾃｰｼｮﾝで囲む。(&L)", &C::StrDQoute);
        }
        page->AddEncoding();
        page->AddStretch();
        pages.emplace_back(QString::fromUtf8("設定"), page);
        break;
    }
    case EFormFormat::MediaMax: {
        auto* first = new CFormOptionsPage(parent);
        first->BeginGroup("[名前(相対ﾊﾟｽ)]項目形式");
        AddRelRoot(*first);
        first->EndGroup();
        first->BeginGroup("[ﾀｲﾄﾙ<P>]項目形式");
        first->AddText("空白時に割り当てる文字列(&E) :", &C::TitleEmpty);
        first->EndGroup();
        AddCommentBreaks(*first, "指定文字ｺｰﾄﾞに変換(&R)");
        first->AddStretch();
        pages.emplace_back(QString::fromUtf8("設定1"), first);
        pages.emplace_back(QString::fromUtf8("設定2"), CsvMainPage(parent));
        break;
    }
    }
    return pages;
}

} // namespace quillora
