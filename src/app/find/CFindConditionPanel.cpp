// The find condition controls.
#include "app/find/CFindConditionPanel.h"

#include "core/FindSettings.h"
#include "search/FindDate.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <ctime>

namespace quillora {

namespace {

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QComboBox* HistoryBox(QWidget* parent, const char* name) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMinimumWidth(260);
    box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return box;
}

// An unsigned 32-bit number, digits only (blanks around are allowed).
bool ParseSize(const QString& text, std::uint32_t& value) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return false;
    }
    for (QChar c : trimmed) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    bool ok = false;
    const qulonglong parsed = trimmed.toULongLong(&ok);
    if (!ok || parsed > 0xFFFFFFFFull) {
        return false;
    }
    value = static_cast<std::uint32_t>(parsed);
    return true;
}

} // namespace

CFindConditionPanel::CFindConditionPanel(QWidget* parent) : QWidget(parent) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);

    auto* methods = new QHBoxLayout;
    m_pMethod = new QButtonGroup(this);
    const char* const methodTexts[] = {"AND(&A)", "OR(&O)", "NOT(&T)"};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QRadioButton(Text(methodTexts[i]), this);
        button->setObjectName(QString("method%1").arg(i));
        m_pMethod->addButton(button, i);
        methods->addWidget(button);
    }
    methods->addStretch(1);
    grid->addLayout(methods, 0, 0, 1, 5);

    struct SText {
        const char* label;
        const char* name;
        QComboBox** box;
    };
    const SText texts[] = {{"名前(&N) :", "name", &m_pName},
                           {"分類(&Y) :", "category", &m_pCategory},
                           {"ｺﾒﾝﾄ(&M) :", "comment", &m_pComment}};
    int row = 1;
    for (const SText& t : texts) {
        auto* label = new QLabel(Text(t.label), this);
        *t.box = HistoryBox(this, t.name);
        label->setBuddy(*t.box);
        grid->addWidget(label, row, 0);
        grid->addWidget(*t.box, row, 1, 1, 4);
        ++row;
    }

    auto* options = new QHBoxLayout;
    auto* syntax = new QButtonGroup(this);
    m_pWild = new QRadioButton(Text("ﾜｲﾙﾄﾞｶｰﾄﾞ(&W)"), this);
    m_pRegex = new QRadioButton(Text("正規表現(&L)"), this);
    syntax->addButton(m_pWild);
    syntax->addButton(m_pRegex);
    m_pMark = new QCheckBox(Text("ﾏｰｸを有効にする(&I)"), this);
    m_pUpper = new QCheckBox(Text("大文字と小文字を区別しない(&D)"), this);
    for (QWidget* w : std::initializer_list<QWidget*>{m_pWild, m_pRegex, m_pMark, m_pUpper}) {
        options->addWidget(w);
    }
    options->addStretch(1);
    grid->addLayout(options, row++, 0, 1, 5);

    const char* const boundTexts[] = {"ｻｲｽﾞ", "作成日付", "更新日付"};
    for (int i = 0; i < 3; ++i, ++row) {
        SBoundRow& r = m_rows[i];
        grid->addWidget(new QLabel(Text(boundTexts[i]), this), row, 0);
        r.lowField = new QLineEdit(this);
        r.low = new QCheckBox(Text("から"), this);
        r.highField = new QLineEdit(this);
        r.high = new QCheckBox(Text("まで"), this);
        const QString key = QString("bound%1").arg(i);
        r.lowField->setObjectName(key + "low");
        r.highField->setObjectName(key + "high");
        grid->addWidget(r.lowField, row, 1);
        grid->addWidget(r.low, row, 2);
        grid->addWidget(r.highField, row, 3);
        grid->addWidget(r.high, row, 4);
        for (auto [box, field] : {std::pair{r.low, r.lowField}, std::pair{r.high, r.highField}}) {
            // Each check box enables its field.
            field->setEnabled(false);
            connect(box, &QCheckBox::toggled, field, &QLineEdit::setEnabled);
        }
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
}

QRadioButton* CFindConditionPanel::MethodButton(int method) const {
    return qobject_cast<QRadioButton*>(m_pMethod->button(method));
}

QCheckBox* CFindConditionPanel::BoundBox(int row, bool high) const {
    return high ? m_rows[row].high : m_rows[row].low;
}

QLineEdit* CFindConditionPanel::BoundField(int row, bool high) const {
    return high ? m_rows[row].highField : m_rows[row].lowField;
}

void CFindConditionPanel::FillHistory(QComboBox* box, const std::vector<std::string>& entries) {
    const QString text = box->currentText();
    box->clear();
    for (const std::string& entry : entries) {
        const QString item = QString::fromStdString(entry);
        if (!item.isEmpty() && box->findText(item, Qt::MatchExactly) < 0) {
            box->addItem(item);
        }
    }
    box->setEditText(text);
}

void CFindConditionPanel::LoadHistories(const SFindSettings& s) {
    FillHistory(m_pName, s.m_nameHistory.Entries());
    FillHistory(m_pCategory, s.m_categoryHistory.Entries());
    FillHistory(m_pComment, s.m_commentHistory.Entries());
}

void CFindConditionPanel::Load(const SFindSettings& s) {
    if (QAbstractButton* method =
            m_pMethod->button(s.m_nMethod >= 0 && s.m_nMethod <= 2 ? s.m_nMethod : 0)) {
        method->setChecked(true);
    }
    m_pName->setEditText(QString::fromStdString(s.m_strName));
    m_pCategory->setEditText(QString::fromStdString(s.m_strCategory));
    m_pComment->setEditText(QString::fromStdString(s.m_strComment));
    LoadHistories(s);
    (s.m_nWild ? m_pWild : m_pRegex)->setChecked(true);
    m_pMark->setChecked(s.m_nMark != 0);
    m_pUpper->setChecked(s.m_nUpper != 0);
    const int modes[3][2] = {{s.m_nSizeMinMode, s.m_nSizeMaxMode},
                             {s.m_nCTimeMinMode, s.m_nCTimeMaxMode},
                             {s.m_nUTimeMinMode, s.m_nUTimeMaxMode}};
    m_rows[0].lowField->setText(QString::number(s.m_dwSizeMin));
    m_rows[0].highField->setText(QString::number(s.m_dwSizeMax));
    m_rows[1].lowField->setText(QString::fromStdString(DateBoundText(s.m_dwCTimeMin)));
    m_rows[1].highField->setText(QString::fromStdString(DateBoundText(s.m_dwCTimeMax)));
    m_rows[2].lowField->setText(QString::fromStdString(DateBoundText(s.m_dwUTimeMin)));
    m_rows[2].highField->setText(QString::fromStdString(DateBoundText(s.m_dwUTimeMax)));
    for (int i = 0; i < 3; ++i) {
        m_rows[i].low->setChecked(modes[i][0] != 0);
        m_rows[i].high->setChecked(modes[i][1] != 0);
        m_rows[i].lowField->setEnabled(modes[i][0] != 0);
        m_rows[i].highField->setEnabled(modes[i][1] != 0);
    }
}

void CFindConditionPanel::Store(SFindSettings& s, std::vector<std::string>& problems) {
    s.m_nMethod = std::max(0, m_pMethod->checkedId());
    s.m_strName = m_pName->currentText().toStdString();
    s.m_strCategory = m_pCategory->currentText().toStdString();
    s.m_strComment = m_pComment->currentText().toStdString();
    s.m_nWild = m_pWild->isChecked() ? 1 : 0;
    s.m_nMark = m_pMark->isChecked() ? 1 : 0;
    s.m_nUpper = m_pUpper->isChecked() ? 1 : 0;
    s.m_nSizeMinMode = m_rows[0].low->isChecked() ? 1 : 0;
    s.m_nSizeMaxMode = m_rows[0].high->isChecked() ? 1 : 0;
    s.m_nCTimeMinMode = m_rows[1].low->isChecked() ? 1 : 0;
    s.m_nCTimeMaxMode = m_rows[1].high->isChecked() ? 1 : 0;
    s.m_nUTimeMinMode = m_rows[2].low->isChecked() ? 1 : 0;
    s.m_nUTimeMaxMode = m_rows[2].high->isChecked() ? 1 : 0;
    for (auto [field, value] : {std::pair{m_rows[0].lowField, &s.m_dwSizeMin},
                                std::pair{m_rows[0].highField, &s.m_dwSizeMax}}) {
        if (!ParseSize(field->text(), *value)) {
            problems.push_back("ｻｲｽﾞには 0 から 4294967295 までの整数を入力してください。");
            field->setText(QString::number(*value));
        }
    }
    const std::time_t now = std::time(nullptr);
    for (auto [field, value] : {std::pair{m_rows[1].lowField, &s.m_dwCTimeMin},
                                std::pair{m_rows[1].highField, &s.m_dwCTimeMax},
                                std::pair{m_rows[2].lowField, &s.m_dwUTimeMin},
                                std::pair{m_rows[2].highField, &s.m_dwUTimeMax}}) {
        if (std::optional<SDateBound> bound = ReadDateBound(field->text().toStdString(), now)) {
            *value = bound->m_dwSeconds;
            field->setText(QString::fromStdString(bound->m_strText));
        } else {
            problems.push_back("日付は YYYY/MM/DD の形で入力してください。");
            field->setText(QString::fromStdString(DateBoundText(*value)));
        }
    }
}

void CFindConditionPanel::FocusName() {
    m_pName->setFocus();
    m_pName->lineEdit()->selectAll();
}

} // namespace quillora
