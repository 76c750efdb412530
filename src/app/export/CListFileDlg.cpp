// The export and import dialogs.
#include "app/export/CListFileDlg.h"

#include "app/export/CFormSettingsDlg.h"
#include "export/CFormConditionSet.h"
#include "export/ListFormats.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillora {

CListFileDlg::CListFileDlg(EMode mode, EFormFormat format, CFormConditionSet& set, QWidget* parent)
    : QDialog(parent), m_mode(mode), m_format(format), m_set(set) {
    const SListFormat& info = ListFormat(format);
    const char* caption = mode == EMode::Export ? info.m_pszExportCaption : info.m_pszImportCaption;
    setWindowTitle(QString::fromUtf8(caption ? caption : ""));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    auto* presetLabel = new QLabel(QString::fromUtf8("形式(&N) :"), this);
    m_combo = new QComboBox(this);
    m_combo->setMinimumWidth(220);
    presetLabel->setBuddy(m_combo);
    auto* edit = new QPushButton(QString::fromUtf8("編集(&E)..."), this);
    auto* fileLabel = new QLabel(QString::fromUtf8("ﾌｧｲﾙ名(&F) :"), this);
    m_file = new QLineEdit(this);
    m_file->setMinimumWidth(320);
    fileLabel->setBuddy(m_file);
    auto* browse = new QPushButton(QString::fromUtf8("参照(&R)..."), this);
    edit->setAutoDefault(false);
    browse->setAutoDefault(false);
    grid->addWidget(presetLabel, 0, 0);
    grid->addWidget(m_combo, 0, 1);
    grid->addWidget(edit, 0, 2);
    grid->addWidget(fileLabel, 1, 0);
    grid->addWidget(m_file, 1, 1);
    grid->addWidget(browse, 1, 2);
    layout->addLayout(grid);
    if (mode == EMode::Import) {
        m_showDiff =
            new QCheckBox(QString::fromUtf8("ﾒﾃﾞｨｱの更新時に比較画面を表示する。(&D)"), this);
        m_showDiff->setChecked(set.ImportShowDiff != 0);
        layout->addWidget(m_showDiff);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("ｷｬﾝｾﾙ"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CListFileDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(edit, &QPushButton::clicked, this, &CListFileDlg::EditSettings);
    connect(browse, &QPushButton::clicked, this, &CListFileDlg::Browse);
    m_editor = [this] { CFormSettingsDlg::Edit(this, m_format, m_set); };
    m_file->setText(
        QString::fromStdString(mode == EMode::Export ? set.ExportPath : set.ImportPath));
    FillPresets();
}

void CListFileDlg::FillPresets() {
    m_combo->clear();
    for (std::size_t i = 0; i < m_set.Count(); ++i) {
        m_combo->addItem(QString::fromStdString(m_set.At(i).Name));
    }
    m_combo->setCurrentIndex(m_set.Select);
}

QString CListFileDlg::FileName() const {
    return m_file->text();
}

void CListFileDlg::SetFileName(const QString& name) {
    m_file->setText(name);
}

void CListFileDlg::EditSettings() {
    m_set.Select = m_combo->currentIndex();
    m_editor();
    FillPresets();
}

void CListFileDlg::Browse() {
    const SListFormat& info = ListFormat(m_format);
    QStringList filters;
    for (const auto& [description, pattern] : info.m_filters) {
        filters << QString::fromUtf8(description) + " (" + QString::fromUtf8(pattern) + ")";
    }
    QFileDialog dialog(this);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(QString::fromUtf8(info.m_pszExtension).mid(1));
    if (m_mode == EMode::Export) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (!m_file->text().isEmpty()) {
        dialog.selectFile(m_file->text());
    }
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        m_file->setText(dialog.selectedFiles().front());
    }
}

void CListFileDlg::accept() {
    if (m_file->text().isEmpty()) {
        ShowDialogMessage(this, m_sink, "ﾌｧｲﾙ名が指定されていません。");
        return;
    }
    m_set.Select = m_combo->currentIndex();
    const std::string path = m_file->text().toStdString();
    if (m_mode == EMode::Export) {
        m_set.ExportPath = path;
    } else {
        m_set.ImportPath = path;
        m_set.ImportShowDiff = m_showDiff->isChecked() ? 1 : 0;
    }
    QDialog::accept();
}

} // namespace quillora
