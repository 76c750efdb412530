// The copies report window: a worker thread collects, a timer shows its progress at
// most every 100 ms, and the tables are filled once the report is complete.
#include "app/report/CCopiesDlg.h"

#include "app/TobCaseDoc.h"
#include "app/find/IFindHost.h"
#include "app/report/CNumberItem.h"
#include "core/ConfigData.h"
#include "document/FormPresets.h"
#include "export/CExportEncoder.h"
#include "export/CExportFormSets.h"
#include "export/CListExporter.h"
#include "export/ListFormats.h"
#include "index/CCaseIndex.h"
#include "index/OpenCaseIndex.h"
#include "index/SIndexSettings.h"
#include "model/CAtomicFile.h"
#include "model/CaseFile.h"
#include "model/CatalogPath.h"
#include "model/DisplayName.h"
#include "report/CCopiesPaths.h"
#include "search/CaseFileCollection.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include <filesystem>
#include <unistd.h>

namespace quillora {

namespace {

QString Q(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QTableWidgetItem* NumberItem(std::uint64_t value) {
    return new CNumberItem(value);
}

QTableWidgetItem* TextItem(const std::string& text) {
    auto* item = new QTableWidgetItem(Q(text));
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

} // namespace

CCopiesDlg::CCopiesDlg(CTobCaseDoc& doc, IFindHost& host, QWidget* parent)
    : QDialog(parent), m_doc(doc), m_host(host) {
    setWindowTitle(QString::fromUtf8("ｺﾋﾟｰ数ﾚﾎﾟｰﾄ"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QString::fromUtf8("ｹｰｽﾌｧｲﾙのﾌｫﾙﾀﾞ:")));
    m_pFolder = new QLineEdit;
    m_pFolder->setPlaceholderText(QString::fromUtf8("空欄ならｲﾝﾃﾞｯｸｽにある全ｹｰｽ"));
    const std::string current = doc.Case().m_strName;
    if (current.find('/') != std::string::npos) {
        m_pFolder->setText(Q(std::filesystem::path(current).parent_path().string()));
    }
    top->addWidget(m_pFolder, 1);
    auto* browse = new QPushButton(QString::fromUtf8("参照(&B)..."));
    top->addWidget(browse);
    m_pRun = new QPushButton(QString::fromUtf8("集計(&R)"));
    m_pCancel = new QPushButton(QString::fromUtf8("ｷｬﾝｾﾙ"));
    m_pCancel->setEnabled(false);
    top->addWidget(m_pRun);
    top->addWidget(m_pCancel);
    layout->addLayout(top);
    m_pProgress = new QProgressBar;
    // An empty bar before the first run looks like a text field: it shows once a run
    // starts.
    m_pProgress->setVisible(false);
    m_pStatus =
        new QLabel(QString::fromUtf8("CRC-32 が一致しても内容が同じとは限りません (32 ﾋﾞｯﾄ)。"));
    m_pStatus->setObjectName("CopiesStatus");
    layout->addWidget(m_pProgress);
    layout->addWidget(m_pStatus);

    auto* split = new QSplitter(Qt::Vertical);
    m_pMedia = new QTableWidget(0, 6);
    m_pMedia->setHorizontalHeaderLabels(
        {QString::fromUtf8("ﾒﾃﾞｨｱ"), QString::fromUtf8("ﾌｧｲﾙ数"), QString::fromUtf8("ﾊﾞｲﾄ"),
         QString::fromUtf8("ここだけのﾌｧｲﾙ"), QString::fromUtf8("ここだけのﾊﾞｲﾄ"),
         QString::fromUtf8("ｹｰｽﾌｧｲﾙ")});
    m_pMedia->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pMedia->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pMedia->verticalHeader()->hide();
    m_pMedia->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    // The question asked is what a lost medium takes with it: most sole bytes first,
    // until the user sorts otherwise.
    m_pMedia->horizontalHeader()->setSortIndicator(4, Qt::DescendingOrder);
    m_pMedia->horizontalHeader()->setStretchLastSection(true);
    m_pSole = new QTableWidget(0, 3);
    m_pSole->setHorizontalHeaderLabels({QString::fromUtf8("ここにしかないﾌｧｲﾙ"),
                                        QString::fromUtf8("ｻｲｽﾞ"), QString::fromUtf8("一致")});
    m_pSole->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pSole->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pSole->verticalHeader()->hide();
    m_pSole->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_pSole->horizontalHeader()->setSortIndicator(1, Qt::DescendingOrder);
    m_pSole->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    split->addWidget(m_pMedia);
    split->addWidget(m_pSole);
    layout->addWidget(split, 1);
    auto* bottom = new QHBoxLayout;
    m_pOpen = new QPushButton(QString::fromUtf8("ｹｰｽで開く(&O)"));
    m_pCsv = new QPushButton(QString::fromUtf8("CSV 出力(&C)..."));
    auto* close = new QPushButton(QString::fromUtf8("閉じる"));
    m_pOpen->setEnabled(false);
    m_pCsv->setEnabled(false);
    bottom->addWidget(m_pOpen);
    bottom->addWidget(m_pCsv);
    bottom->addStretch(1);
    bottom->addWidget(close);
    layout->addLayout(bottom);
    resize(820, 560);

    connect(browse, &QPushButton::clicked, this, [this] {
        const QString folder =
            QFileDialog::getExistingDirectory(this, QString(), m_pFolder->text());
        if (!folder.isEmpty()) {
            m_pFolder->setText(folder);
        }
    });
    connect(m_pRun, &QPushButton::clicked, this, [this] { Start(m_pFolder->text()); });
    connect(m_pCancel, &QPushButton::clicked, this, [this] { Cancel(); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(m_pMedia, &QTableWidget::itemSelectionChanged, this, [this] { OnMediumSelected(); });
    connect(m_pSole, &QTableWidget::itemSelectionChanged, this,
            [this] { m_pOpen->setEnabled(!m_pSole->selectedItems().isEmpty()); });
    connect(m_pOpen, &QPushButton::clicked, this, [this] { OnOpenInCase(); });
    connect(m_pCsv, &QPushButton::clicked, this, [this] { OnExportCsv(); });
    m_timer.setInterval(100);
    connect(&m_timer, &QTimer::timeout, this, [this] { Poll(); });
}

CCopiesDlg::~CCopiesDlg() {
    Cancel();
}

void CCopiesDlg::Start(const QString& folder) {
    if (IsRunning()) {
        return;
    }
    std::vector<std::string> files;
    m_gone.clear();
    if (folder.trimmed().isEmpty()) {
        if (!IndexedCaseFiles(files)) {
            return;
        }
    } else {
        const std::string base = TrimBaseFolder(folder.toStdString());
        for (const SCaseFileEntry& entry : CollectCaseFiles(base)) {
            files.push_back(CaseFilePath(base, entry.m_strPath));
        }
    }
    m_pMedia->setRowCount(0);
    m_pSole->setRowCount(0);
    m_sole.clear();
    m_bComplete = false;
    m_report = std::make_unique<CCopiesReport>(std::move(files));
    CCopiesRun::SOptions options;
    options.m_strPassword = m_doc.Case().m_strPassword;
    m_run = std::make_unique<CCopiesRun>(*m_report, options);
    m_bDone = false;
    m_pRun->setEnabled(false);
    m_pCancel->setEnabled(true);
    m_pProgress->setRange(0, static_cast<int>(m_report->Cases().size()));
    m_pProgress->setVisible(true);
    m_pProgress->setValue(0);
    m_worker = std::thread([this] {
        m_bComplete = m_run->Collect();
        m_bDone = true;
    });
    m_timer.start();
}

bool CCopiesDlg::IndexedCaseFiles(std::vector<std::string>& files) {
    try {
        files = OpenCaseIndex(SIndexSettings::Load(Config().Store()))->CaseFiles(&m_gone);
    } catch (const std::exception& e) {
        m_pStatus->setText(Q(std::string("ｲﾝﾃﾞｯｸｽを使えません: ") + e.what()));
        return false;
    }
    if (files.empty()) {
        m_pStatus->setText(
            QString::fromUtf8("ｲﾝﾃﾞｯｸｽにｹｰｽがありません。ﾌｫﾙﾀﾞを指定してください。"));
        return false;
    }
    return true;
}

void CCopiesDlg::Cancel() {
    if (!IsRunning()) {
        return;
    }
    m_run->Stop();
    m_worker.join();
    m_timer.stop();
    Finished();
}

void CCopiesDlg::Poll() {
    if (m_run) {
        m_pProgress->setValue(static_cast<int>(m_run->FilesDone()));
    }
    if (m_bDone && IsRunning()) {
        m_worker.join();
        m_timer.stop();
        Finished();
    }
}

void CCopiesDlg::Finished() {
    m_pRun->setEnabled(true);
    m_pCancel->setEnabled(false);
    if (!m_bComplete) {
        m_pStatus->setText(QString::fromUtf8("中止しました。"));
        return;
    }
    m_pProgress->setValue(m_pProgress->maximum());
    std::string skipped;
    for (const SCopiesCase& file : m_report->Cases()) {
        if (file.m_state != SCopiesCase::EState::Read) {
            skipped += "\n" + file.m_strError;
        }
    }
    for (const std::string& gone : m_gone) {
        skipped += "\n" + gone + ": the case file is gone";
    }
    m_pStatus->setText(Q("ｹｰｽﾌｧｲﾙ " + FormatGrouped(m_report->Cases().size()) + " 個、ﾌｧｲﾙ " +
                         FormatGrouped(m_report->Files()) + " 個" +
                         (m_report->Skipped() + m_gone.size() > 0
                              ? " (読めなかったｹｰｽﾌｧｲﾙ " +
                                    FormatGrouped(m_report->Skipped() + m_gone.size()) + " 個)"
                              : std::string()) +
                         "。CRC-32 が一致しても内容が同じとは限りません (32 ﾋﾞｯﾄ)。"));
    FillMedia();
    if (!skipped.empty()) {
        QMessageBox::warning(this, windowTitle(), Q("読めなかったｹｰｽﾌｧｲﾙ:" + skipped));
    }
}

void CCopiesDlg::FillMedia() {
    const auto& media = m_report->Media();
    m_pMedia->setSortingEnabled(false);
    m_pMedia->setRowCount(static_cast<int>(media.size()));
    for (std::size_t i = 0; i < media.size(); ++i) {
        const SCopiesMedium& m = media[i];
        const int row = static_cast<int>(i);
        QTableWidgetItem* name = TextItem(m.m_strPath);
        name->setData(Qt::UserRole, static_cast<qulonglong>(i));
        m_pMedia->setItem(row, 0, name);
        m_pMedia->setItem(row, 1, NumberItem(m.m_nFiles));
        m_pMedia->setItem(row, 2, NumberItem(m.m_nBytes));
        m_pMedia->setItem(row, 3, NumberItem(m.m_nSoleFiles));
        m_pMedia->setItem(row, 4, NumberItem(m.m_nSoleBytes));
        m_pMedia->setItem(row, 5, TextItem(m_report->Cases()[m.m_nCase].m_strPath));
    }
    m_pMedia->setSortingEnabled(true);
    m_pMedia->resizeColumnsToContents();
}

void CCopiesDlg::OnMediumSelected() {
    m_pSole->setRowCount(0);
    m_sole.clear();
    m_pCsv->setEnabled(false);
    const QList<QTableWidgetItem*> selected = m_pMedia->selectedItems();
    if (selected.isEmpty() || !m_report || IsRunning()) {
        return;
    }
    const auto medium = static_cast<std::uint32_t>(
        m_pMedia->item(selected.front()->row(), 0)->data(Qt::UserRole).toULongLong());
    SCopiesFilter filter;
    filter.m_nMaxCopies = 1;
    filter.m_media = {medium};
    // Only this medium's case file is read again, for the names.
    CCopiesPaths paths(*m_report);
    std::vector<std::pair<SCopiesRef, ECopiesMatch>> refs;
    std::vector<std::uint64_t> sizes;
    m_report->ForEachContent(filter, [&](const SCopiesContent& content) {
        for (const SCopiesRef& ref : content.m_records) {
            paths.Want(ref, content.m_nSize);
            refs.emplace_back(ref, content.m_match);
            sizes.push_back(content.m_nSize);
        }
    });
    m_run->ResolvePaths(paths);
    const std::string& casePath = m_report->Cases()[m_report->Media()[medium].m_nCase].m_strPath;
    m_pSole->setSortingEnabled(false);
    m_pSole->setRowCount(static_cast<int>(refs.size()));
    for (std::size_t i = 0; i < refs.size(); ++i) {
        m_sole.push_back({casePath, paths.PathOf(refs[i].first), sizes[i]});
        QTableWidgetItem* path = TextItem(m_sole.back().m_strPath);
        path->setData(Qt::UserRole, static_cast<qulonglong>(i));
        m_pSole->setItem(static_cast<int>(i), 0, path);
        m_pSole->setItem(static_cast<int>(i), 1, NumberItem(sizes[i]));
        m_pSole->setItem(static_cast<int>(i), 2,
                         TextItem(refs[i].second == ECopiesMatch::Crc ? "CRC" : "名前･ｻｲｽﾞ･日時"));
    }
    m_pSole->setSortingEnabled(true);
    m_pCsv->setEnabled(!m_sole.empty());
    for (const std::string& error : paths.Errors()) {
        m_pStatus->setText(Q(error));
    }
}

void CCopiesDlg::OnOpenInCase() {
    const QList<QTableWidgetItem*> selected = m_pSole->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    const SSoleRow row =
        m_sole[m_pSole->item(selected.front()->row(), 0)->data(Qt::UserRole).toULongLong()];
    if (m_doc.Case().m_strName != row.m_strCase && !m_doc.OpenPath(row.m_strCase)) {
        return;
    }
    if (SFileInfo* record = FindByCatalogPath(m_doc.Case(), row.m_strPath)) {
        m_host.ShowFoundRecord(*record);
    }
}

void CCopiesDlg::OnExportCsv() {
    if (m_sole.empty()) {
        return;
    }
    const QString target =
        QFileDialog::getSaveFileName(this, QString(), QString(), QString::fromUtf8("CSV (*.csv)"));
    if (target.isEmpty()) {
        return;
    }
    // The rows are the medium's records themselves, written by the CSV list writer with
    // the current preset, as the find list copies its rows.
    bool badPassword = false;
    std::string error;
    std::unique_ptr<CCDCase> tree =
        ReadCaseFile(m_sole.front().m_strCase, m_doc.Case().m_strPassword, &badPassword, &error);
    if (!tree) {
        QMessageBox::warning(this, windowTitle(), Q(error));
        return;
    }
    std::vector<const SFileInfo*> records;
    for (const SSoleRow& row : m_sole) {
        if (const SFileInfo* record = FindByCatalogPath(*tree, row.m_strPath)) {
            records.push_back(record);
        }
    }
    const CFormCondition preset = CurrentExportPreset(EFormFormat::Csv);
    const std::string text = MakeExporter(preset)->MakeClipboardText(records, false, true);
    CExportEncoder encoder(preset.Encoding, false);
    std::string bytes;
    encoder.Append(text, bytes);
    try {
        CAtomicFile file;
        file.Open(target.toStdString());
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::write(file.Fd(), bytes.data() + done, bytes.size() - done);
            if (n <= 0) {
                file.Abort();
                throw std::runtime_error(target.toStdString() + ": could not be written");
            }
            done += static_cast<std::size_t>(n);
        }
        file.Commit();
    } catch (const std::exception& e) {
        QMessageBox::warning(this, windowTitle(), Q(e.what()));
    }
}

} // namespace quillora
