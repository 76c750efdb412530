// ".caz" case files: one LHA member "toblharc.cas" that other LHA tools read too,
// private temporary files, failures reported as message 521 on open and as save
// failures on close, and the old file kept whenever a save fails.
#include "scan/CArchivedCaseFile.h"

#include "ScanTestTools.h"
#include "model/CaseFile.h"
#include "model/CaseFileException.h"
#include "model/SVolumeInfo.h"
#include "scan/ArchiverSet.h"
#include "scan/LhaWriter.h"
#include "support/FileSizeLimit.h"
#include "support/ScratchDir.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace quillora;
using quillora::test::ReadFileBytes;
using quillora::test::ScratchDir;
namespace fs = std::filesystem;

namespace {

std::unique_ptr<CCDCase> SmallCase(const std::string& label) {
    auto root = std::make_unique<CCDCase>();
    auto volume = std::make_unique<SVolumeInfo>();
    volume->m_strLabel = label;
    volume->m_dwSerial = 0x12345678;
    auto file = std::make_unique<SFileInfo>();
    file->m_strName = "readme.txt";
    file->m_nSize = 42;
    file->m_dwFlags = 0x20;
    volume->AddChild(std::move(file));
    root->AddChild(std::move(volume));
    return root;
}

// A case of `files` records, big enough that its member takes many kilobytes.
std::unique_ptr<CCDCase> BigCase(const std::string& label, int files) {
    std::unique_ptr<CCDCase> root = SmallCase(label);
    SFileInfo* volume = root->ChildAt(0);
    for (int i = 0; i < files; ++i) {
        auto file = std::make_unique<SFileInfo>();
        file->m_strName = "file-" + std::to_string(i * 7919) + ".dat";
        file->m_nSize = static_cast<std::uint64_t>(i) * 977;
        file->m_dwFlags = 0x20;
        volume->AddChild(std::move(file));
    }
    return root;
}

std::string FirstLabel(const CCDCase& root) {
    return root.ChildCount() ? static_cast<const SVolumeInfo*>(root.ChildAt(0))->m_strLabel : "";
}

std::vector<std::string> Entries(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        names.push_back(it->path().lexically_relative(folder).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string CommandOutput(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) {
            out.append(buffer, n);
        }
        pclose(pipe);
    }
    return out;
}

class ArchivedCaseFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("TMPDIR");
        m_oldTmp = old ? old : "";
        fs::create_directories(m_dir / "tmp");
        setenv("TMPDIR", (m_dir / "tmp").c_str(), 1);
        m_set.LoadAll();
        InstallArchivedCaseStreams(m_set);
    }
    void TearDown() override {
        SetArchivedCaseStreamFactory(nullptr);
        m_set.UnloadAll();
        m_oldTmp.empty() ? unsetenv("TMPDIR") : setenv("TMPDIR", m_oldTmp.c_str(), 1);
    }
    std::vector<std::string> Members(const fs::path& path) {
        std::vector<std::string> names;
        CArchiver& lha = m_set.Lha();
        if (!lha.Open(path.string(), 0)) {
            return names;
        }
        SArcListEntry entry;
        for (bool more = lha.FindFirst("*.*", entry); more; more = lha.FindNext(entry)) {
            names.emplace_back(entry.Name());
        }
        lha.CloseArchive();
        return names;
    }

    ScratchDir m_dir;
    CArchiverSet m_set;
    std::string m_oldTmp;
};

} // namespace

TEST_F(ArchivedCaseFileTest, SavedCasesAreOneLhaMemberAndReadBack) {
    const std::string path = (m_dir / "shelf.caz").string();
    std::unique_ptr<CCDCase> root = SmallCase("DISC-A");
    SaveCaseFile(*root, path, true); // compression is the archive's business
    EXPECT_EQ(Members(path), std::vector<std::string>{"toblharc.cas"});
    EXPECT_TRUE(Entries(m_dir / "tmp").empty());
    if (system("command -v lha >/dev/null 2>&1") == 0) {
        const std::string listing = CommandOutput("lha l '" + path + "'");
        EXPECT_NE(listing.find("toblharc.cas"), std::string::npos) << listing;
        // The member holds the plain case, whose class record begins with FF FF.
        const std::string member = CommandOutput("lha pq '" + path + "' toblharc.cas");
        EXPECT_EQ(member.substr(0, 2), "\xFF\xFF");
    }

    bool badPassword = false;
    std::string error;
    std::unique_ptr<CCDCase> back = ReadCaseFile(path, "", &badPassword, &error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(FirstLabel(*back), "DISC-A");
    EXPECT_EQ(back->m_strName, path);
    EXPECT_TRUE(Entries(m_dir / "tmp").empty());

    // Saving again replaces the archive; nothing is left beside it.
    std::unique_ptr<CCDCase> other = SmallCase("DISC-B");
    SaveCaseFile(*other, path, false);
    back = ReadCaseFile(path, "", &badPassword, &error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(FirstLabel(*back), "DISC-B");
    EXPECT_EQ(Entries(m_dir.Path()), (std::vector<std::string>{"shelf.caz", "tmp"}));
}

TEST_F(ArchivedCaseFileTest, TwoReadersAtOnceUseTheirOwnTemporaryFiles) {
    const std::string path = (m_dir / "shared.caz").string();
    SaveCaseFile(*SmallCase("X"), path, false);
    CArchivedCaseFile first(m_set.Lha());
    CArchivedCaseFile second(m_set.Lha());
    first.Open(path, kOpenForLoad, (m_dir / "tmp").string());
    second.Open(path, kOpenForLoad, (m_dir / "tmp").string());
    EXPECT_NE(first.TempPath(), second.TempPath());
    EXPECT_EQ(fs::path(first.TempPath()).filename(), "toblharc.cas");
    EXPECT_EQ(first.GetFilePath(), path);
    EXPECT_EQ(first.GetLength(), second.GetLength());
    std::unique_ptr<CCDCase> a = CCDCase::Read(first, path);
    std::unique_ptr<CCDCase> b = CCDCase::Read(second, path);
    first.Close();
    EXPECT_FALSE(fs::exists(first.TempPath()));
    EXPECT_EQ(FirstLabel(*b), "X");
    second.Close();
    EXPECT_TRUE(Entries(m_dir / "tmp").empty());
}

TEST_F(ArchivedCaseFileTest, WhatCannotBeOpenedGivesMessage521AndLeavesNothing) {
    // Not an archive, an archive of another kind, an LHA archive without the member.
    const std::string garbage = m_dir.Write("garbage.caz", std::string(3000, 'g')).string();
    const std::string cut = (m_dir / "cut.caz").string();
    SaveCaseFile(*SmallCase("C"), cut, false);
    const std::string bytes = ReadFileBytes(cut);
    m_dir.Write("cut.caz", bytes.substr(0, bytes.size() / 2));
    const std::string other = (m_dir / "other.caz").string();
    {
        CLhaWriter writer;
        std::string error;
        ASSERT_TRUE(writer.Open(other, error) &&
                    writer.AddMember("notes.txt", std::string_view("x"), 0, 0644, error) &&
                    writer.Finish(error));
    }
    for (const std::string& path : {garbage, cut, other, (m_dir / "missing.caz").string()}) {
        bool badPassword = true;
        std::string error;
        EXPECT_FALSE(ReadCaseFile(path, "", &badPassword, &error)) << path;
        EXPECT_FALSE(badPassword);
        EXPECT_NE(error.find(path), std::string::npos) << error;
        // The reader's sentence gives the cause in English; the program's own
        // message for it stays 521.
        EXPECT_EQ(error.find("UNLHA32.DLL"), std::string::npos) << error;
        EXPECT_NE(error.find(path == garbage ? "not a .caz file that unpacks"
                             : path == other ? "toblharc.cas"
                                             : ""),
                  std::string::npos)
            << error;
        try {
            OpenCaseStream(path, kOpenForLoad, false);
            ADD_FAILURE() << path;
        } catch (const CCaseFileException& e) {
            EXPECT_EQ(e.m_nMessageKind, 1);
            EXPECT_NE(e.Message().find("UNLHA32.DLL"), std::string::npos) << e.Message();
        }
        EXPECT_TRUE(Entries(m_dir / "tmp").empty()) << path;
    }
}

TEST_F(ArchivedCaseFileTest, WithoutTheLhaReaderNothingOpensAndSavesFailCleanly) {
    const std::string path = (m_dir / "kept.caz").string();
    SaveCaseFile(*SmallCase("OLD"), path, false);
    const std::string before = ReadFileBytes(path);
    m_set.UnloadAll();
    std::string error;
    EXPECT_FALSE(ReadCaseFile(path, "", nullptr, &error));
    EXPECT_EQ(error, path + ": no LHA archiver to unpack .caz files");
    try {
        SaveCaseFile(*SmallCase("NEW"), path, false);
        FAIL();
    } catch (const CCaseFileException&) {
        FAIL() << "a failed save is no read failure";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_strFileName, path);
    }
    EXPECT_EQ(ReadFileBytes(path), before);
}

TEST_F(ArchivedCaseFileTest, AFailedPackIsReportedAndKeepsTheOldArchive) {
    // The archive's folder cannot be written: the temporary case is complete, the
    // new archive cannot be made. The old ".caz" must survive and the save fail.
    fs::create_directories(m_dir / "shelf");
    const std::string path = (m_dir / "shelf" / "kept.caz").string();
    SaveCaseFile(*SmallCase("OLD"), path, false);
    const std::string before = ReadFileBytes(path);
    chmod(m_dir.Path().c_str(), 0755);
    chmod((m_dir / "tmp").c_str(), 0777);
    chmod((m_dir / "shelf").c_str(), 0555);
    const int result = quillora::test::AsOrdinaryUser([&] {
        try {
            SaveCaseFile(*SmallCase("NEW"), path, false);
            return 1;
        } catch (const CFileException& e) {
            if (e.m_strFileName != path) {
                return 2;
            }
        }
        return Entries(m_dir / "tmp").empty() ? 0 : 3;
    });
    chmod((m_dir / "shelf").c_str(), 0755);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_EQ(Entries(m_dir / "shelf"), std::vector<std::string>{"kept.caz"});
    bool badPassword = false;
    std::unique_ptr<CCDCase> back = ReadCaseFile(path, "", &badPassword);
    ASSERT_TRUE(back);
    EXPECT_EQ(FirstLabel(*back), "OLD");
}

TEST_F(ArchivedCaseFileTest, AMemberNamedInCapitalsIsReadUnderTheNameItHas) {
    const std::string plain = (m_dir / "plain.cas").string();
    SaveCaseFile(*SmallCase("UPPER"), plain, false);
    const std::string path = (m_dir / "upper.caz").string();
    {
        CLhaWriter writer;
        std::string error;
        ASSERT_TRUE(writer.Open(path, error) &&
                    writer.AddMember("TOBLHARC.CAS", fs::path(plain), 0, 0644, error) &&
                    writer.Finish(error))
            << error;
    }
    bool badPassword = true;
    std::string error;
    std::unique_ptr<CCDCase> back = ReadCaseFile(path, "", &badPassword, &error);
    ASSERT_TRUE(back) << error;
    EXPECT_FALSE(badPassword);
    EXPECT_EQ(FirstLabel(*back), "UPPER");
    EXPECT_TRUE(Entries(m_dir / "tmp").empty());
}

TEST_F(ArchivedCaseFileTest, AMemberThatDoesNotUnpackWholeIsNeverLoaded) {
    const std::string path = (m_dir / "big.caz").string();
    SaveCaseFile(*BigCase("WHOLE", 3000), path, false);
    const std::string good = ReadFileBytes(path);
    ASSERT_GT(good.size(), 8000u);
    auto expectRefused = [&](const char* what) {
        bool badPassword = true;
        std::string error;
        EXPECT_FALSE(ReadCaseFile(path, "", &badPassword, &error)) << what;
        // A damaged or unwritable member is a file error, never a password question.
        EXPECT_FALSE(badPassword) << what;
        EXPECT_NE(error.find(path), std::string::npos) << what << ": " << error;
    };

    // One byte of the compressed member changed: its CRC no longer matches.
    std::string flipped = good;
    flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x55);
    m_dir.Write("big.caz", flipped);
    expectRefused("damaged member");
    EXPECT_TRUE(Entries(m_dir / "tmp").empty());

    // The temporary folder has room for a few kilobytes only.
    m_dir.Write("big.caz", good);
    {
        quillora::test::FileSizeLimit full(4096);
        expectRefused("no room for the member");
    }
    EXPECT_TRUE(Entries(m_dir / "tmp").empty());
    bool badPassword = false;
    EXPECT_TRUE(ReadCaseFile(path, "", &badPassword));
}
