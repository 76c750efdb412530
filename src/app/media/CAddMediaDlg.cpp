// The add-media dialog.
#include "app/media/CAddMediaDlg.h"

#include "app/MediaIcons.h"
#include "core/ConfigData.h"
#include "core/Resources.h"
#include "model/SVolumeInfo.h"
#include "scan/VolumeScanner.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <climits>

namespace quillora {

namespace {

constexpr int kDrivesTab = 0;
constexpr int kFolderTab = 1;

QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

} // namespace

CAddMediaDlg::CAddMediaDlg(int tab, const std::string& lastDrive, QWidget* parent,
                           DriveSource source, DriveFilter filter)
    : QDialog(parent), m_source(std::move(source)), m_filter(std::move(filter)) {
    if (!m_source) {
        m_source = [] { return CDriveList::Read(); };
    }
    if (!m_filter) {
        m_filter = [](int position) { return Config().IsDriveUsed(position); };
    }
    setWindowTitle(Q("ﾒﾃﾞｨｱの追加"));
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    m_tabs->addTab(BuildDrivesPage(), Q(Res(334)));
    m_tabs->addTab(BuildFolderPage(), Q(Res(335)));
    layout->addWidget(m_tabs, 1);
    layout->addWidget(BuildLabelEditor());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(Q("ｷｬﾝｾﾙ"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CAddMediaDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CAddMediaDlg::reject);
    layout->addWidget(buttons);

    const auto& config = Config();
    SLabelOptions options;
    options.m_date = config.m_nAddVolDate != 0;
    options.m_dateComment = config.m_nAddVolDateComment != 0;
    options.m_serial = config.m_nAddVolSerial != 0;
    options.m_serialComment = config.m_nAddVolSerialComment != 0;
    options.m_serialNo = config.m_nAddVolSerialNo;
    // A format from the settings file that printf could not take safely is not offered.
    options.m_serialFormat = IsSafeSerialFormat(config.m_strAddVolSerialFormat)
                                 ? config.m_strAddVolSerialFormat
                                 : kDefaultSerialFormat;
    SetLabelOptions(options);
    m_mediaOut->setChecked(config.m_nAddVolMediaOut != 0);
    for (const auto& folder : config.m_addVolFolderHistory.Entries()) {
        if (!folder.empty()) {
            m_folder->addItem(QString::fromStdString(folder));
        }
    }
    {
        const QSignalBlocker block(m_folder);
        m_folder->setEditText(QString::fromStdString(config.m_strAddVolFolderName));
    }

    connect(m_tabs, &QTabWidget::currentChanged, this, &CAddMediaDlg::OnTabChanged);
    FillDriveList(lastDrive);
    {
        const QSignalBlocker block(m_tabs);
        m_tabs->setCurrentIndex(tab == kFolderTab ? kFolderTab : kDrivesTab);
    }
    OnTabChanged(m_tabs->currentIndex());
}

std::optional<SAddMediaChoice> CAddMediaDlg::Run(QWidget* parent, int tab,
                                                 const std::string& lastDrive, DriveSource source) {
    CAddMediaDlg dialog(tab, lastDrive, parent, std::move(source));
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.Choice();
}

QWidget* CAddMediaDlg::BuildDrivesPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    m_drives = new QTreeWidget(page);
    m_drives->setRootIsDecorated(false);
    m_drives->setSelectionMode(QAbstractItemView::SingleSelection);
    m_drives->setHeaderLabels({Q(Res(511)), Q(Res(512)), Q(Res(515))});
    m_drives->setMinimumSize(560, 150);
    m_drives->header()->resizeSection(0, 300);
    layout->addWidget(m_drives, 1);
    auto* row = new QHBoxLayout;
    m_mediaOut = new QCheckBox(Q("追加完了後、リムーバルメディアを自動排出する(&O)"), page);
    auto* refresh = new QPushButton(Q("ﾘｽﾄの更新(&U)"), page);
    refresh->setAutoDefault(false);
    row->addWidget(m_mediaOut, 1);
    row->addWidget(refresh);
    layout->addLayout(row);
    connect(refresh, &QPushButton::clicked, this, &CAddMediaDlg::RefreshDrives);
    connect(m_drives, &QTreeWidget::itemSelectionChanged, this, &CAddMediaDlg::OnDriveSelected);
    connect(m_drives, &QTreeWidget::itemDoubleClicked, this, [this] { accept(); });
    return page;
}

QWidget* CAddMediaDlg::BuildFolderPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* caption = new QLabel(Q("追加するﾌｫﾙﾀﾞ(&F):"), page);
    auto* row = new QHBoxLayout;
    m_folder = new QComboBox(page);
    m_folder->setEditable(true);
    m_folder->setInsertPolicy(QComboBox::NoInsert);
    m_folder->setMinimumWidth(340);
    caption->setBuddy(m_folder);
    auto* browse = new QPushButton(Q("参照..."), page);
    browse->setAutoDefault(false);
    row->addWidget(m_folder, 1);
    row->addWidget(browse);
    layout->addWidget(caption);
    layout->addLayout(row);
    layout->addStretch(1);
    connect(browse, &QPushButton::clicked, this, &CAddMediaDlg::OnBrowse);
    connect(m_folder, &QComboBox::editTextChanged, this, &CAddMediaDlg::OnFolderTextChanged);
    return page;
}

QWidget* CAddMediaDlg::BuildLabelEditor() {
    auto* box = new QGroupBox(Q("ﾗﾍﾞﾙ"), this);
    auto* grid = new QGridLayout(box);
    auto* labelCaption = new QLabel(Q("ﾗﾍﾞﾙ名(&L):"), box);
    m_label = new QLineEdit(box);
    labelCaption->setBuddy(m_label);
    grid->addWidget(labelCaption, 0, 0);
    grid->addWidget(m_label, 0, 1, 1, 3);
    m_date = new QCheckBox(Q("日付を付加する(&D)"), box);
    m_dateComment = new QCheckBox(Q("日付をﾒﾃﾞｨｱのｺﾒﾝﾄへ(&C)"), box);
    m_serial = new QCheckBox(Q("連番を付加する(&S)"), box);
    m_serialComment = new QCheckBox(Q("連番をﾒﾃﾞｨｱのｺﾒﾝﾄへ(&M)"), box);
    grid->addWidget(m_date, 1, 0, 1, 2);
    grid->addWidget(m_dateComment, 1, 2, 1, 2);
    grid->addWidget(m_serial, 2, 0, 1, 2);
    grid->addWidget(m_serialComment, 2, 2, 1, 2);
    auto* numberCaption = new QLabel(Q("連番(&N):"), box);
    m_serialNo = new QSpinBox(box);
    m_serialNo->setRange(0, INT_MAX - 1);
    numberCaption->setBuddy(m_serialNo);
    auto* formatCaption = new QLabel(Q("書式(&T):"), box);
    m_serialFormat = new QLineEdit(box);
    m_serialFormat->setMaxLength(64);
    formatCaption->setBuddy(m_serialFormat);
    grid->addWidget(numberCaption, 3, 0);
    grid->addWidget(m_serialNo, 3, 1);
    grid->addWidget(formatCaption, 3, 2);
    grid->addWidget(m_serialFormat, 3, 3);
    return box;
}

void CAddMediaDlg::FillDriveList(const std::string& selectRoot) {
    m_rows = BuildAddMediaDriveRows(m_source(), m_filter);
    const QSignalBlocker block(m_drives);
    m_drives->clear();
    int select = m_rows.empty() ? -1 : 0;
    for (std::size_t index = 0; index < m_rows.size(); ++index) {
        const auto& row = m_rows[index];
        auto* item = new QTreeWidgetItem(m_drives);
        item->setText(0, QString::fromStdString(row.m_display));
        item->setText(1, QString::fromStdString(row.m_name));
        item->setText(2, QString::fromStdString(row.m_serialText));
        item->setIcon(0, MediaImageIcon(row.m_imageIndex));
        if (!selectRoot.empty() && row.m_root == selectRoot) {
            select = static_cast<int>(index);
        }
    }
    if (select >= 0) {
        auto* item = m_drives->topLevelItem(select);
        m_drives->setCurrentItem(item);
        item->setSelected(true);
        m_drives->scrollToItem(item);
    }
}

void CAddMediaDlg::RefreshDrives() {
    const int selected = SelectedDriveRow();
    const std::string root =
        selected >= 0 ? m_rows[static_cast<std::size_t>(selected)].m_root : std::string();
    FillDriveList(root);
    if (m_tabs->currentIndex() == kDrivesTab) {
        OnDriveSelected();
    }
}

int CAddMediaDlg::SelectedDriveRow() const {
    const auto* item = m_drives->currentItem();
    if (item == nullptr || !item->isSelected()) {
        return -1;
    }
    return m_drives->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(item));
}

void CAddMediaDlg::SelectDriveRow(int row) {
    if (row < 0 || row >= m_drives->topLevelItemCount()) {
        return;
    }
    auto* item = m_drives->topLevelItem(row);
    m_drives->setCurrentItem(item);
    item->setSelected(true);
}

void CAddMediaDlg::OnDriveSelected() {
    const int row = SelectedDriveRow();
    if (row >= 0) {
        SetLabelText(m_rows[static_cast<std::size_t>(row)].m_name);
    }
}

void CAddMediaDlg::OnFolderTextChanged(const QString& text) {
    if (text.isEmpty()) {
        SetLabelText({});
        return;
    }
    SVolumeInfo scratch;
    CVolumeScanner::SetVolumeInfo(scratch, text.toStdString(), nullptr, nullptr);
    SetLabelText(scratch.m_strLabel);
}

void CAddMediaDlg::OnTabChanged(int tab) {
    if (tab == kFolderTab) {
        OnFolderTextChanged(m_folder->currentText());
    } else {
        OnDriveSelected();
    }
}

void CAddMediaDlg::OnBrowse() {
    const QString folder =
        QFileDialog::getExistingDirectory(this, Q(Res(295)), m_folder->currentText());
    if (folder.isEmpty()) {
        return;
    }
    auto& config = Config();
    config.m_strAddVolFolderName = folder.toStdString();
    config.m_addVolFolderHistory.Add(config.m_strAddVolFolderName);
    const QSignalBlocker block(m_folder);
    m_folder->clear();
    for (const auto& entry : config.m_addVolFolderHistory.Entries()) {
        if (!entry.empty()) {
            m_folder->addItem(QString::fromStdString(entry));
        }
    }
    m_folder->setEditText(folder);
    OnFolderTextChanged(folder);
}

void CAddMediaDlg::SetTab(int tab) {
    m_tabs->setCurrentIndex(tab == kFolderTab ? 1 : 0);
}

void CAddMediaDlg::SetFolderText(const std::string& folder) {
    m_folder->setEditText(QString::fromStdString(folder));
}

std::string CAddMediaDlg::FolderText() const {
    return m_folder->currentText().toStdString();
}

std::string CAddMediaDlg::LabelText() const {
    return m_label->text().toStdString();
}

void CAddMediaDlg::SetLabelText(const std::string& label) {
    m_label->setText(QString::fromStdString(label));
}

SLabelOptions CAddMediaDlg::LabelOptions() const {
    SLabelOptions options;
    options.m_date = m_date->isChecked();
    options.m_dateComment = m_dateComment->isChecked();
    options.m_serial = m_serial->isChecked();
    options.m_serialComment = m_serialComment->isChecked();
    options.m_serialNo = m_serialNo->value();
    options.m_serialFormat = m_serialFormat->text().toStdString();
    return options;
}

void CAddMediaDlg::SetLabelOptions(const SLabelOptions& options) {
    m_date->setChecked(options.m_date);
    m_dateComment->setChecked(options.m_dateComment);
    m_serial->setChecked(options.m_serial);
    m_serialComment->setChecked(options.m_serialComment);
    m_serialNo->setValue(options.m_serialNo);
    m_serialFormat->setText(QString::fromStdString(options.m_serialFormat));
}

void CAddMediaDlg::StoreOptions(const SLabelOptions& options) {
    auto& config = Config();
    config.m_nAddVolDate = options.m_date ? 1 : 0;
    config.m_nAddVolDateComment = options.m_dateComment ? 1 : 0;
    config.m_nAddVolSerial = options.m_serial ? 1 : 0;
    config.m_nAddVolSerialComment = options.m_serialComment ? 1 : 0;
    config.m_nAddVolSerialNo = options.m_serialNo;
    config.m_strAddVolSerialFormat = options.m_serialFormat;
    config.m_nAddVolMediaOut = m_mediaOut->isChecked() ? 1 : 0;
}

void CAddMediaDlg::accept() {
    const int tab = m_tabs->currentIndex();
    const std::string folder = FolderText();
    if (tab == kFolderTab &&
        (folder.empty() || !QFileInfo(QString::fromStdString(folder)).isDir())) {
        ShowDialogMessage(this, m_sink, ResFormat(458, folder.c_str()), QMessageBox::Warning);
        m_folder->setFocus();
        return;
    }
    SLabelOptions options = LabelOptions();
    if (!IsSafeSerialFormat(options.m_serialFormat)) {
        ShowDialogMessage(this, m_sink,
                          "連番の書式が正しくありません。\n"
                          "%d などの整数の書式を1つだけ含めてください (例: %02d)。",
                          QMessageBox::Warning);
        m_serialFormat->setFocus();
        return;
    }
    auto& config = Config();
    config.m_strAddVolFolderName = folder;
    config.m_addVolFolderHistory.Add(folder);

    const SComposedLabel composed = ComposeLabel(LabelText(), options, CurrentShortDate());
    options.m_serialNo = composed.m_nextSerialNo;
    StoreOptions(options);

    m_choice = {};
    m_choice.m_nTab = tab;
    m_choice.m_nDrivesListed = static_cast<int>(m_rows.size());
    if (const int row = SelectedDriveRow(); row >= 0) {
        const auto& drive = m_rows[static_cast<std::size_t>(row)];
        m_choice.m_strDriveRoot = drive.m_root;
        m_choice.m_strDriveName = drive.m_name;
        m_choice.m_dwSerial = drive.m_serial;
    }
    m_choice.m_strFolder = folder;
    m_choice.m_strLabel = composed.m_strLabel;
    m_choice.m_strComment = composed.m_strComment;
    QDialog::accept();
}

} // namespace quillora
