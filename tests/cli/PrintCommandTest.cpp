// quillora-cli print: the PDF read back as text shows the page title, every name, the
// "No." numbering, the footers and the page count of a list that spans pages; the entries
// of one record; an unknown preset; a file that was there before stays when printing fails;
// only a writable regular file is replaced, through links, as by every export; the PDF
// module is loaded by print alone.
#include "model/CaseFile.h"
#include "model/SVolumeInfo.h"
#include "support/CliRunner.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <regex>

using namespace quillora;
using namespace quillora::test;

namespace {

std::string MakeCase(const ScratchDir& dir, int files) {
    CCDCase root;
    auto disc = std::make_unique<SVolumeInfo>();
    disc->SetLabel("Disc");
    for (int i = 1; i <= files; ++i) {
        auto file = std::make_unique<SFileInfo>();
        char name[32];
        std::snprintf(name, sizeof name, "file%03d.txt", i);
        file->m_strName = name;
        file->m_nSize = static_cast<std::uint64_t>(i) * 1000;
        if (i == 2) {
            file->SetComment("first\r\nsecond");
        }
        disc->AddChild(std::move(file));
    }
    root.AddChild(std::move(disc));
    root.RecalcSize(true);
    root.UpdateDisplayNameTree(true);
    std::string path = (dir / "shelf.cas").string();
    SaveCaseFile(root, path, false);
    return path;
}

std::string PdfText(const std::string& pdf) {
    CliResult text = RunProgram({"pdftotext", "-layout", pdf, "-"});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    return text.out;
}

int PdfPages(const std::string& pdf) {
    CliResult info = RunProgram({"pdfinfo", pdf});
    std::smatch match;
    if (std::regex_search(info.out, match, std::regex(R"(Pages:\s+(\d+))"))) {
        return std::stoi(match[1]);
    }
    return -1;
}

} // namespace

TEST(CliPrint, WholeCaseSpansPagesWithNumbersFootersAndEveryName) {
    ScratchDir dir;
    std::string casePath = MakeCase(dir, 120);
    std::string pdf = (dir / "list.pdf").string();
    CliResult r = RunCli({"print", casePath, "--pdf", pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string text = PdfText(pdf);
    const int pages = PdfPages(pdf);
    ASSERT_GT(pages, 1) << text;
    for (int i = 1; i <= 120; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "file%03d.txt", i);
        EXPECT_NE(text.find(name), std::string::npos) << name;
    }
    // The case is row 1, the medium row 2, the files from row 3 on.
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(\n\s*1\s[^\n]*shelf\.cas)"))) << text;
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(\n\s*122\s[^\n]*file120\.txt)")));
    EXPECT_FALSE(std::regex_search(text, std::regex(R"(\n\s*123\s)")));
    // The comment's line break is a space on the page.
    EXPECT_NE(text.find("first second"), std::string::npos);
    std::size_t titles = 0;
    for (std::size_t at = text.find("Quillora"); at != std::string::npos;
         at = text.find("Quillora", at + 1)) {
        ++titles;
    }
    EXPECT_EQ(titles, static_cast<std::size_t>(pages)) << "one title per page";
    for (int page = 1; page <= pages; ++page) {
        EXPECT_NE(text.find("Page " + std::to_string(page) + " of " + std::to_string(pages)),
                  std::string::npos)
            << page;
    }
    EXPECT_NE(text.find("No."), std::string::npos);
    EXPECT_NE(text.find("ｻｲｽﾞ"), std::string::npos);
}

TEST(CliPrint, EntriesOfOneRecordAndRefusals) {
    ScratchDir dir;
    std::string casePath = MakeCase(dir, 3);
    std::string pdf = (dir / "disc.pdf").string();
    CliResult r = RunCli({"print", casePath, "--from", "Disc", "--pdf", pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string text = PdfText(pdf);
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(\n\s*1\s[^\n]*file001\.txt)"))) << text;
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(\n\s*3\s[^\n]*file003\.txt)")));
    EXPECT_EQ(text.find("shelf.cas"), std::string::npos);
    EXPECT_EQ(PdfPages(pdf), 1);

    const std::string before = ReadFileBytes(pdf);
    CliResult unknown = RunCli({"print", casePath, "--preset", "nothing", "--pdf", pdf});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("標準"), std::string::npos) << unknown.err;
    CliResult missing = RunCli({"print", casePath, "--from", "Nowhere", "--pdf", pdf});
    EXPECT_EQ(missing.exitCode, 2);
    CliResult unreadable = RunCli({"print", (dir / "none.cas").string(), "--pdf", pdf});
    EXPECT_EQ(unreadable.exitCode, 2);
    EXPECT_EQ(ReadFileBytes(pdf), before);
}

TEST(CliPrint, OnlyAWritableRegularFileIsReplaced) {
    ScratchDir dir;
    const std::string casePath = MakeCase(dir, 3);
    namespace fs = std::filesystem;
    const std::string kept = (dir / "kept.pdf").string();
    dir.Write("kept.pdf", "old bytes");
    ::chmod(kept.c_str(), 0444);
    CliResult readOnly = RunCli({"print", casePath, "--pdf", kept});
    EXPECT_EQ(readOnly.exitCode, 2);
    EXPECT_NE(readOnly.err.find("read-only"), std::string::npos) << readOnly.err;
    EXPECT_EQ(ReadFileBytes(kept), "old bytes");
    const std::string fifo = (dir / "pipe.pdf").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    CliResult pipe = RunCli({"print", casePath, "--pdf", fifo});
    EXPECT_EQ(pipe.exitCode, 2);
    EXPECT_NE(pipe.err.find(fifo), std::string::npos) << pipe.err;
    EXPECT_TRUE(fs::is_fifo(fifo));
    // Through a link the file it names is replaced, with its mode; the link stays.
    dir.Write("real.pdf", "old");
    ::chmod((dir / "real.pdf").c_str(), 0640);
    fs::create_symlink("real.pdf", dir / "link.pdf");
    ASSERT_EQ(RunCli({"print", casePath, "--pdf", (dir / "link.pdf").string()}).exitCode, 0);
    EXPECT_TRUE(fs::is_symlink(dir / "link.pdf"));
    EXPECT_EQ(ReadFileBytes((dir / "real.pdf").string()).substr(0, 5), "%PDF-");
    struct stat st {};
    ASSERT_EQ(::stat((dir / "real.pdf").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_NE(PdfText((dir / "real.pdf").string()).find("file003.txt"), std::string::npos);
}

// The PDF pages are painted by a module only `print` loads: the program itself does not
// pull in the GUI library, and without the module print fails plainly and keeps the
// old file.
TEST(CliPrint, TheGuiLibraryAndLibpqAreLoadedOnlyByWhatUsesThem) {
    CliResult libraries = RunProgram({"ldd", CliPath()});
    ASSERT_EQ(libraries.exitCode, 0) << libraries.err;
    EXPECT_EQ(libraries.out.find("libQt6"), std::string::npos) << libraries.out;
    EXPECT_EQ(libraries.out.find("libpq"), std::string::npos) << "loaded for a server alone";

    ScratchDir dir;
    const std::string casePath = MakeCase(dir, 2);
    const std::string pdf = (dir / "list.pdf").string();
    dir.Write("list.pdf", "old bytes");
    const std::string module = (dir / "none.so").string();
    CliResult r = RunProgram(
        {"env", "QUILLORA_PRINT_MODULE=" + module, CliPath(), "print", casePath, "--pdf", pdf});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("the PDF writer cannot be loaded"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(module), std::string::npos) << r.err;
    EXPECT_EQ(ReadFileBytes(pdf), "old bytes");
}
