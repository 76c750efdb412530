// The print dialog.
#include "app/print/CPrintDlg.h"

#include "app/export/CFormItemsPage.h"
#include "app/export/CFormPresetBar.h"
#include "app/print/CListPrinter.h"
#include "app/print/CPrintGridModel.h"
#include "app/print/CPrintPaperPage.h"
#include "app/print/CPrintSetPage.h"
#include "app/print/CPrinterChoice.h"
#include "core/TraceLog.h"
#include "document/FormPresets.h"
#include "export/CPrintFormSet.h"
#include "export/CPrintTable.h"
#include "model/CAtomicFile.h"
#include "model/FileException.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace quillora {

namespace {

CPrintDlg::SHooks WithDefaults(CPrintDlg::SHooks hooks) {
    if (!hooks.pdfFile) {
        hooks.pdfFile = [](QWidget* parent) -> std::optional<QString> {
            QString file =
                QFileDialog::getSaveFileName(parent, QString(), "Quillora.pdf", "PDF (*.pdf)");
            return file.isEmpty() ? std::nullopt : std::optional<QString>(file);
        };
    }
    if (!hooks.message) {
        hooks.message = [](QWidget* parent, const std::string& text) {
            QMessageBox::warning(parent, "Quillora", QString::fromStdString(text));
        };
    }
    if (!hooks.printers) {
        hooks.printers = [] { return CPrinterChoice::Printers(); };
    }
    return hooks;
}

} // namespace

CPrintDlg::CPrintDlg(CFormConditionSet& set, const SFileInfo* root, const SFileInfo* folderEntry,
                     std::vector<const SFileInfo*> listEntries, SHooks hooks, QWidget* parent)
    : QDialog(parent), m_target(set), m_set(set), m_pRoot(root), m_pFolder(folderEntry),
      m_list(std::move(listEntries)), m_hooks(WithDefaults(std::move(hooks))) {
    Log("PrintDlg::OnInitDialog() start");
    setWindowTitle(QString::fromUtf8("印刷"));
    m_set.EnsureDefault();
    m_printers = m_hooks.printers();
    QStringList entries = m_printers;
    entries << QString::fromUtf8(kPdfPrinterEntry);

    auto* layout = new QVBoxLayout(this);
    m_pBar = new CFormPresetBar(
        m_set, [this] { return StorePages(); }, [this] { LoadPages(); }, this);
    layout->addWidget(m_pBar);
    auto* split = new QSplitter(Qt::Vertical, this);
    m_tabs = new QTabWidget(split);
    m_setPage = new CPrintSetPage(entries, m_tabs);
    m_itemsPage = new CFormItemsPage(m_tabs);
    m_listPage = new CPrintListPage(m_hooks.pickers, m_tabs);
    m_paperPage = new CPrintPaperPage(m_hooks.pickers, m_tabs);
    m_tabs->addTab(m_setPage, QString::fromUtf8("設定"));
    m_tabs->addTab(m_itemsPage, QString::fromUtf8("ﾘｽﾄ項目"));
    m_tabs->addTab(m_listPage, QString::fromUtf8("ﾘｽﾄ"));
    m_tabs->addTab(m_paperPage, QString::fromUtf8("用紙"));
    m_grid = new QTableView(split);
    m_grid->setObjectName("Grid");
    m_model = new CPrintGridModel(m_grid);
    m_grid->setModel(m_model);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->setWordWrap(false);
    m_grid->setMinimumHeight(160);
    split->addWidget(m_tabs);
    split->addWidget(m_grid);
    layout->addWidget(split, 1);

    auto* buttons = new QHBoxLayout;
    m_pRowNote = new QLabel(this);
    m_pRowNote->setObjectName("RowLimitNote");
    m_pRowNote->hide();
    buttons->addWidget(m_pRowNote);
    auto* print = new QPushButton(QString::fromUtf8("印刷(&X)"), this);
    print->setObjectName("Print");
    auto* preview = new QPushButton(QString::fromUtf8("ﾌﾟﾚﾋﾞｭｰ(&V)"), this);
    preview->setObjectName("Preview");
    auto* close = new QPushButton(QString::fromUtf8("閉じる(&C)"), this);
    close->setObjectName("Close");
    buttons->addStretch(1);
    buttons->addWidget(print);
    buttons->addWidget(preview);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(print, &QPushButton::clicked, this, [this] { Print(); });
    connect(preview, &QPushButton::clicked, this, &CPrintDlg::Preview);
    connect(close, &QPushButton::clicked, this, &CPrintDlg::CloseAndKeep);

    // Every change on a page shows in the grid at once.
    connect(m_setPage, &CPrintSetPage::Changed, this, &CPrintDlg::Refresh);
    connect(m_listPage, &CPrintListPage::Changed, this, &CPrintDlg::Refresh);
    connect(m_paperPage, &CPrintPaperPage::Changed, this, &CPrintDlg::Refresh);
    QAbstractItemModel* written = m_itemsPage->WrittenList()->model();
    connect(written, &QAbstractItemModel::rowsInserted, this, &CPrintDlg::Refresh);
    connect(written, &QAbstractItemModel::rowsRemoved, this, &CPrintDlg::Refresh);
    connect(written, &QAbstractItemModel::rowsMoved, this, &CPrintDlg::Refresh);
    connect(written, &QAbstractItemModel::modelReset, this, &CPrintDlg::Refresh);
    connect(m_setPage->PropertiesButton(), &QPushButton::clicked, this, [this] {
        StorePages();
        const QString name = m_setPage->PrinterCombo()->currentText();
        QPrinter printer;
        if (name != QString::fromUtf8(kPdfPrinterEntry)) {
            CPrinterChoice::Apply(Current(), name, printer);
        }
        QPageSetupDialog setup(&printer, this);
        if (setup.exec() == QDialog::Accepted) {
            CPrinterChoice::Keep(Current(), name, printer);
        }
    });
    resize(760, 620);
    Log("PrintDlg::OnInitDialog() SetForm()");
    LoadPages();
    Log("PrintDlg::OnInitDialog() end");
}

CPrintDlg::~CPrintDlg() {
    // The pages go after this object's members: nothing they say while going may reach it.
    m_itemsPage->WrittenList()->model()->disconnect(this);
    for (QObject* page : std::initializer_list<QObject*>{m_setPage, m_listPage, m_paperPage}) {
        page->disconnect(this);
    }
}

CPrintCondition& CPrintDlg::Current() {
    return *static_cast<CPrintCondition*>(m_set.Current());
}

const CPrintTable* CPrintDlg::Table() const {
    return m_table.get();
}

bool CPrintDlg::StorePages() {
    if (m_bLoading || !m_set.Current()) {
        return true;
    }
    std::unique_ptr<CFormPreset> edited = m_set.Current()->Clone();
    for (CFormPage* page :
         std::initializer_list<CFormPage*>{m_setPage, m_itemsPage, m_listPage, m_paperPage}) {
        if (!page->ApplyPreset(*edited)) {
            return false;
        }
    }
    m_set.Current()->CopyFrom(*edited);
    return true;
}

void CPrintDlg::LoadPages() {
    m_bLoading = true;
    if (const CFormPreset* current = m_set.Current()) {
        for (CFormPage* page :
             std::initializer_list<CFormPage*>{m_setPage, m_itemsPage, m_listPage, m_paperPage}) {
            page->LoadPreset(*current);
        }
    }
    m_bLoading = false;
    Refresh();
}

void CPrintDlg::Refresh() {
    if (m_bLoading || !StorePages() || !m_set.Current()) {
        return;
    }
    const CPrintCondition& preset = Current();
    auto table = std::make_shared<CPrintTable>(preset);
    table->Build(m_pRoot, m_pFolder, m_list);
    m_table = table;
    m_model->SetTable(table, preset);
    m_pRowNote->setText(CListPrinter::RowLimitNote(table->RowCount()));
    m_pRowNote->setVisible(table->Truncated());
    // The screen always shows the title row and "No."; the options act on paper only.
    for (std::size_t c = 0; c < table->Columns().size(); ++c) {
        m_grid->setColumnWidth(static_cast<int>(c), table->Columns()[c].m_nWidth);
    }
    m_grid->setShowGrid(preset.ListGridHorz != 0 || preset.ListGridVert != 0);
    m_grid->verticalHeader()->setDefaultSectionSize(
        QFontMetrics(CListPrinter::FontOf(preset.ListFont)).height() + 6);
}

void CPrintDlg::KeepSet() {
    m_target = m_set;
}

bool CPrintDlg::PaintPages(QPrinter& printer) {
    if (!m_table) {
        return false;
    }
    QProgressDialog progress(QString::fromUtf8("印刷中..."), QString::fromUtf8("ｷｬﾝｾﾙ"), 0, 1,
                             this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    QPainter painter(&printer);
    CListPrinter pages(*m_table, Current());
    return pages.Paint(painter, printer, [&](int page, int count) {
        progress.setMaximum(count);
        progress.setValue(page - 1);
        QCoreApplication::processEvents();
        return !progress.wasCanceled();
    });
}

bool CPrintDlg::ChooseOutput(QPrinter& printer, std::unique_ptr<CAtomicFile>& pdf) {
    const QString chosen = m_setPage->PrinterCombo()->currentText();
    if (chosen == QString::fromUtf8(kPdfPrinterEntry)) {
        std::optional<QString> file = m_hooks.pdfFile(this);
        if (!file) {
            return false;
        }
        // Qt writes the PDF into the new file by its descriptor's name; the chosen file
        // is replaced only when the list is complete, and only a writable regular file.
        pdf = std::make_unique<CAtomicFile>();
        try {
            pdf->Open(file->toStdString());
        } catch (const CFileException& e) {
            m_hooks.message(this, e.Message());
            return false;
        }
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QStringLiteral("/proc/self/fd/%1").arg(pdf->Fd()));
        if (auto stored = Current().PrinterSettings.find(kPdfPrinterEntry);
            stored != Current().PrinterSettings.end()) {
            CPrinterChoice::SetSettings(printer, stored->second);
        }
        return true;
    }
    // Printing to a device: CUPS must list one; a preset's printer that is gone gives way
    // to the default printer.
    const QString name = CPrinterChoice::Resolve(Current(), m_printers);
    if (name.isEmpty()) {
        m_hooks.message(this, "ﾌﾟﾘﾝﾀが存在しません。");
        return false;
    }
    CPrinterChoice::Apply(Current(), name, printer);
    return true;
}

bool CPrintDlg::Print() {
    if (!StorePages()) {
        return false;
    }
    QPrinter printer(QPrinter::HighResolution);
    std::unique_ptr<CAtomicFile> pdf;
    if (!ChooseOutput(printer, pdf)) {
        return false;
    }
    KeepSet();
    if (!PaintPages(printer)) {
        return false;
    }
    if (pdf) {
        try {
            pdf->Commit();
        } catch (const CFileException& e) {
            m_hooks.message(this, e.Message());
            return false;
        }
    }
    return true;
}

void CPrintDlg::Preview() {
    if (!StorePages()) {
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    const QString name = CPrinterChoice::Resolve(Current(), m_printers);
    if (!name.isEmpty()) {
        CPrinterChoice::Apply(Current(), name, printer);
    } else {
        printer.setOutputFormat(QPrinter::PdfFormat);
    }
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(QString::fromUtf8("ﾌﾟﾚﾋﾞｭｰ"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* target) { PaintPages(*target); });
    preview.exec();
}

void CPrintDlg::CloseAndKeep() {
    if (!StorePages()) {
        return;
    }
    KeepSet();
    QDialog::accept();
}

bool CPrintDlg::PrintCase(const SFileInfo& root, const QString& printerName, std::string* error) {
    CPrintCondition preset = CurrentPrintPreset();
    preset.Target = kPrintWholeCase;
    const QStringList printers = CPrinterChoice::Printers();
    if (!printerName.isEmpty()) {
        preset.SelectPrinter = printerName.toStdString();
    }
    const QString name = CPrinterChoice::Resolve(preset, printers);
    if (name.isEmpty()) {
        *error = "ﾌﾟﾘﾝﾀが存在しません。";
        return false;
    }
    CPrintTable table(preset);
    table.Build(&root, &root, {});
    QPrinter printer(QPrinter::HighResolution);
    CPrinterChoice::Apply(preset, name, printer);
    QPainter painter(&printer);
    return CListPrinter(table, preset).Paint(painter, printer);
}

void CPrintDlg::reject() {
    // The window's close box closes as "閉じる" does.
    CloseAndKeep();
}

} // namespace quillora
