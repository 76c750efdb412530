// The print dialog: its grid follows every change on the pages, shows "No." even when
// it is not printed, prints into a PDF file (read back as text), says
// "ﾌﾟﾘﾝﾀが存在しません。" when a device is asked for and none exists, keeps its presets on
// close; a removed printer gives way to the default; long lists stop when cancelled.
#include "app/print/CPrintDlg.h"
#include "GuiTestApp.h"
#include "app/print/CListPrinter.h"
#include "app/print/CPrinterChoice.h"
#include "export/CPrintFormSet.h"
#include "export/CPrintTable.h"
#include "model/SVolumeInfo.h"
#include "support/CliRunner.h"
#include "support/ScratchDir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSpinBox>
#include <QTableView>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include <cctype>
#include <cstdio>

namespace quillora {
namespace {

class PrintDialog : public ::testing::Test {
protected:
    void SetUp() override {
        test::GuiApp();
        m_case = test::MakeSampleCase();
        m_hooks.printers = [this] { return m_printers; };
        m_hooks.message = [this](QWidget*, const std::string& text) { m_messages.push_back(text); };
        m_hooks.pdfFile = [this](QWidget*) {
            return std::optional<QString>(QString::fromStdString((m_dir / "out.pdf").string()));
        };
    }

    std::unique_ptr<CCDCase> m_case;
    CFormConditionSet m_set = CPrintFormSet::MakeSet();
    CPrintDlg::SHooks m_hooks;
    QStringList m_printers;
    std::vector<std::string> m_messages;
    test::ScratchDir m_dir;
};

TEST_F(PrintDialog, GridFollowsThePagesAndPrintsIntoAPdf) {
    SFileInfo* disc = m_case->ChildAt(0);
    CPrintDlg dialog(m_set, m_case.get(), disc, {}, m_hooks);
    QTableView* grid = dialog.Grid();
    // The medium and everything below it: Disc, Docs, a.txt, b.jpg, Sub, readme.txt.
    EXPECT_EQ(grid->model()->rowCount(), 6);
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), "No.");
    EXPECT_EQ(grid->model()->index(5, 0).data().toString(), "6");

    dialog.findChild<QCheckBox*>("TargetSubFolder")->setChecked(false);
    EXPECT_EQ(grid->model()->rowCount(), 1) << "the grid follows at once";
    dialog.findChild<QCheckBox*>("TargetSubFolder")->setChecked(true);
    dialog.findChild<QSpinBox*>("TargetRows")->setValue(3);
    EXPECT_EQ(grid->model()->rowCount(), 3);

    dialog.findChild<QCheckBox*>("ListNo")->setChecked(false);
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), "No.")
        << "the screen still shows the number column";
    dialog.findChild<QSpinBox*>("TargetRows")->setValue(200);
    auto* printer = dialog.findChild<QComboBox*>("SelectPrinter");
    ASSERT_EQ(printer->count(), 1);
    printer->setCurrentIndex(0); // the PDF file
    ASSERT_TRUE(dialog.Print());
    test::CliResult text =
        test::RunProgram({"pdftotext", "-layout", (m_dir / "out.pdf").string(), "-"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("readme.txt"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("first line second"), std::string::npos);
    EXPECT_EQ(text.out.find("No."), std::string::npos) << "no number column on paper";
    EXPECT_NE(text.out.find("Page 1 of 1"), std::string::npos);
    // Printing kept the edited presets.
    EXPECT_EQ(static_cast<const CPrintCondition*>(m_set.Current())->ListNo, 0);
}

TEST_F(PrintDialog, APdfReplacesOnlyAWritableRegularFileAndOnlyWhenComplete) {
    CPrintDlg dialog(m_set, m_case.get(), m_case->ChildAt(0), {}, m_hooks);
    dialog.findChild<QComboBox*>("SelectPrinter")->setCurrentIndex(0); // the PDF file
    const std::string path = (m_dir / "out.pdf").string();
    m_dir.Write("out.pdf", "old bytes");
    ::chmod(path.c_str(), 0444);
    EXPECT_FALSE(dialog.Print());
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_NE(m_messages[0].find("read-only"), std::string::npos) << m_messages[0];
    EXPECT_EQ(test::ReadFileBytes(path), "old bytes");
    ::chmod(path.c_str(), 0644);
    ASSERT_TRUE(dialog.Print());
    EXPECT_EQ(test::ReadFileBytes(path).substr(0, 5), "%PDF-");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    // A FIFO would have been opened and written (or waited on) in place.
    std::filesystem::remove(path);
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
    EXPECT_FALSE(dialog.Print());
    EXPECT_EQ(m_messages.size(), 2u);
    EXPECT_TRUE(std::filesystem::is_fifo(path));
}

TEST_F(PrintDialog, NoPrinterForADeviceAndARemovedPrinter) {
    m_set.EnsureDefault();
    auto* preset = static_cast<CPrintCondition*>(m_set.Current());
    preset->SelectPrinter = "Gone";
    CPrintDlg dialog(m_set, m_case.get(), m_case.get(), {}, m_hooks);
    auto* printer = dialog.findChild<QComboBox*>("SelectPrinter");
    // Only the PDF entry: choose no device, print to a device anyway through the preset.
    dialog.Current().SelectPrinter = "Gone";
    printer->addItem("Gone"); // a name that CUPS does not list
    printer->setCurrentIndex(1);
    EXPECT_FALSE(dialog.Print());
    EXPECT_EQ(m_messages, (std::vector<std::string>{"ﾌﾟﾘﾝﾀが存在しません。"}));

    CPrintCondition choice;
    choice.SelectPrinter = "office";
    EXPECT_EQ(CPrinterChoice::Resolve(choice, {"Default", "Office"}), "Office");
    choice.SelectPrinter = "Removed";
    EXPECT_EQ(CPrinterChoice::Resolve(choice, {"Default", "Office"}), "Default");
    EXPECT_EQ(CPrinterChoice::Resolve(choice, {}), "");

    // Closing keeps the edits in the caller's set.
    dialog.findChild<QSpinBox*>("MarginTop")->setValue(7);
    dialog.CloseAndKeep();
    EXPECT_EQ(static_cast<const CPrintCondition*>(m_set.Current())->MarginTop, 7);
}

TEST_F(PrintDialog, LongListsPrintPageByPageAndStopWhenCancelled) {
    auto root = std::make_unique<CCDCase>();
    for (int i = 0; i < 100000; ++i) {
        auto file = std::make_unique<SFileInfo>();
        file->m_strName = "f" + std::to_string(i);
        root->AddChild(std::move(file));
    }
    CPrintCondition preset;
    preset.Target = kPrintWholeCase;
    preset.TargetRowsMode = 0;
    CPrintTable table(preset);
    ASSERT_TRUE(table.Build(root.get(), nullptr, {}));
    EXPECT_EQ(table.RowCount(), 100001u);
    QPdfWriter writer(QString::fromStdString((m_dir / "long.pdf").string()));
    writer.setResolution(150);
    CListPrinter pages(table, preset);
    const int count = pages.PageCount(writer);
    EXPECT_GT(count, 1000);
    QPainter painter(&writer);
    int asked = 0;
    EXPECT_FALSE(pages.Paint(painter, writer, [&](int page, int total) {
        EXPECT_EQ(total, count);
        ++asked;
        return page <= 3;
    }));
    EXPECT_EQ(asked, 4) << "stops at the page after the cancel";
}

// A medium of files with long names, dates and empty category and comment columns.
std::unique_ptr<CCDCase> LongNameCase(int files) {
    auto root = std::make_unique<CCDCase>();
    auto disc = std::make_unique<SVolumeInfo>();
    disc->SetLabel("Archive_2026_December");
    auto* medium = static_cast<SVolumeInfo*>(root->AddChild(std::move(disc)));
    auto folder = std::make_unique<SFileInfo>();
    folder->m_strName = "Quarterly_reports";
    folder->m_dwFlags = kAttrDirectory;
    SFileInfo* docs = medium->AddChild(std::move(folder));
    for (int i = 0; i < files; ++i) {
        auto file = std::make_unique<SFileInfo>();
        char name[80];
        std::snprintf(name, sizeof name, "item_%03d_report_final.txt", i);
        file->m_strName = name;
        file->m_nSize = 1234567 + static_cast<std::uint64_t>(i);
        file->m_dwFlags = kAttrArchive;
        file->m_ftLastWrite = 134413344000000000LL + i * 36000000000LL; // Dec 2026
        docs->AddChild(std::move(file));
    }
    // One name that no column on A4 can hold on one line.
    auto huge = std::make_unique<SFileInfo>();
    huge->m_strName = std::string(150, 'x') + "_END.bin";
    huge->m_dwFlags = kAttrArchive;
    docs->AddChild(std::move(huge));
    root->RecalcSize(true);
    root->UpdateDisplayNameTree(true);
    return root;
}

std::string PdfText(const std::filesystem::path& pdf) {
    test::CliResult text = test::RunProgram({"pdftotext", "-raw", pdf.string(), "-"});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    return text.out;
}

std::string WithoutSpace(std::string text) {
    std::erase_if(text, [](unsigned char c) { return std::isspace(c) != 0; });
    return text;
}

void PrintToPdf(const CPrintTable& table, const CPrintCondition& preset,
                const std::filesystem::path& pdf) {
    QPdfWriter writer(QString::fromStdString(pdf.string()));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(300);
    QPainter painter(&writer);
    ASSERT_TRUE(CListPrinter(table, preset).Paint(painter, writer));
}

TEST_F(PrintDialog, EveryValueOnAPrintedPageCanBeRead) {
    auto root = LongNameCase(40);
    CPrintCondition preset; // the default items: folder, name, extension, size, ...
    preset.Target = kPrintWholeCase;
    CPrintTable table(preset);
    ASSERT_TRUE(table.Build(root.get(), nullptr, {}));
    PrintToPdf(table, preset, m_dir / "list.pdf");
    const std::string text = PdfText(m_dir / "list.pdf");
    EXPECT_EQ(text.find("…"), std::string::npos) << "nothing is cut short:\n" << text;
    const std::string joined = WithoutSpace(text);
    for (std::size_t row = 0; row < table.RowCount(); ++row) {
        for (std::size_t c = 1; c < table.Columns().size(); ++c) {
            const std::string cell = WithoutSpace(table.Cell(row, c));
            EXPECT_NE(joined.find(cell), std::string::npos)
                << "row " << row + 1 << " " << table.Columns()[c].m_strTitle << ": " << cell;
        }
    }
    // Short values keep their whole line while the long names wrap.
    ASSERT_EQ(table.Columns().size(), 8u);
    EXPECT_NE(text.find(table.Cell(10, 3) + " " + table.Cell(10, 4) + " " + table.Cell(10, 7)),
              std::string::npos)
        << "the extension, size and date of a row read whole";
    EXPECT_NE(text.find("Page 1 of "), std::string::npos);
    EXPECT_NE(text.find("年"), std::string::npos) << "the footer's date is in Japanese";
}

TEST_F(PrintDialog, TheRowLimitIsSaidWhenItLeftRowsOut) {
    auto root = LongNameCase(250);
    CPrintCondition preset;
    preset.Target = kPrintWholeCase;
    CPrintTable table(preset);
    ASSERT_TRUE(table.Build(root.get(), nullptr, {}));
    ASSERT_EQ(table.RowCount(), 200u);
    EXPECT_TRUE(table.Truncated());
    PrintToPdf(table, preset, m_dir / "limited.pdf");
    const std::string text = PdfText(m_dir / "limited.pdf");
    const std::string note = CListPrinter::RowLimitNote(200).toStdString();
    const std::size_t at = text.find(note);
    ASSERT_NE(at, std::string::npos) << text;
    EXPECT_EQ(text.find('\f', at), text.rfind('\f')) << "on the last page only";

    // Exactly at the limit nothing is left out and nothing is said.
    preset.TargetRows = 254; // the case, the medium, the folder, 251 files
    CPrintTable whole(preset);
    ASSERT_TRUE(whole.Build(root.get(), nullptr, {}));
    EXPECT_EQ(whole.RowCount(), 254u);
    EXPECT_FALSE(whole.Truncated());
    PrintToPdf(whole, preset, m_dir / "whole.pdf");
    EXPECT_EQ(PdfText(m_dir / "whole.pdf").find("出力最大行数"), std::string::npos);

    // The dialog says it beside its buttons.
    CPrintDlg dialog(m_set, root.get(), root->ChildAt(0), {}, m_hooks);
    auto* label = dialog.findChild<QLabel*>("RowLimitNote");
    ASSERT_NE(label, nullptr);
    EXPECT_FALSE(label->isHidden());
    dialog.findChild<QSpinBox*>("TargetRows")->setValue(1000);
    EXPECT_TRUE(label->isHidden());
}

} // namespace
} // namespace quillora
