// The program and library reader: version resources of 32- and 64-bit PE files, the
// translation chosen by the user's language, and files without or with broken ones.
#include "ExtractSamples.h"
#include "core/ProfileStore.h"
#include "extract/ExtractTextManager.h"
#include "extract/ModuleExtractor.h"
#include "extract/PeVersionReader.h"
#include "support/CliRunner.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace quillora {
namespace {

class ModuleReader : public ::testing::Test {
protected:
    void SetUp() override {
        m_manager.Register(m_store, {}, {}, std::make_unique<CModuleExtractor>());
        const char* lang = std::getenv("LANG");
        m_lang = lang ? lang : "";
        setenv("LANG", "ja_JP.UTF-8", 1);
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
    }
    void TearDown() override { setenv("LANG", m_lang.c_str(), 1); }

    std::string Extract(const std::string& bytes, const std::string& name = "app.exe") {
        const auto path = m_dir.Write(name, bytes);
        std::string text;
        m_props.reset();
        m_ok = m_manager.ExtractText(path.string(), text, &m_props);
        return text;
    }

    std::string Prop(int key) const {
        const std::string* v = m_props ? m_props->ValueByKey(key) : nullptr;
        return v ? *v : "<none>";
    }

    test::ScratchDir m_dir;
    CProfileStore m_store;
    CExtractTextManager m_manager;
    std::unique_ptr<CPropertySet> m_props;
    bool m_ok = false;
    std::string m_lang;
};

const std::vector<test::SPeTable> kTables = {
    {"040904B0", {{"FileDescription", "Sample Tool"}, {"CompanyName", "Pelvane"}}},
    {"041104B0",
     {{"FileDescription", "サンプルツール"},
      {"CompanyName", "ペルベーン"},
      {"LegalCopyright", "(C) 2003"},
      {"ProductName", "Sample"},
      {"Comments", "注釈"}}},
};

TEST_F(ModuleReader, DescriptionAndVersionsOf32And64BitFiles) {
    for (bool pe64 : {false, true}) {
        SCOPED_TRACE(pe64 ? "PE32+" : "PE32");
        EXPECT_EQ(Extract(test::PeFile(pe64, kTables, {{0x0409, 1200}, {0x0411, 1200}})),
                  "サンプルツール");
        EXPECT_EQ(Prop(129), "1.2.3.4");
        EXPECT_EQ(Prop(130), "1.3.3.4");
        EXPECT_EQ(Prop(131), "NT_WINDOWS32");
        EXPECT_EQ(Prop(132), "APP");
        EXPECT_EQ(Prop(8), "ペルベーン");
        EXPECT_EQ(Prop(6), "(C) 2003");
        EXPECT_EQ(Prop(5), "注釈");
    }
}

TEST_F(ModuleReader, TheTranslationFollowsTheUsersLanguage) {
    const std::string file = test::PeFile(false, kTables, {{0x0409, 1200}, {0x0411, 1200}});
    setenv("LANG", "en_US.UTF-8", 1);
    EXPECT_EQ(Extract(file), "Sample Tool");
    // No translation of the user's language: the first.
    setenv("LANG", "de_DE.UTF-8", 1);
    EXPECT_EQ(Extract(file), "Sample Tool");
    // A translation naming a table that does not exist falls back to the first table.
    EXPECT_EQ(Extract(test::PeFile(false, kTables, {{0x0407, 1252}})), "Sample Tool");
    EXPECT_EQ(CPeVersionReader::LanguageFromLocale("ja_JP.eucJP"), 0x0411);
    EXPECT_EQ(CPeVersionReader::LanguageFromLocale("C"), 0x0409);
    EXPECT_EQ(CPeVersionReader::LanguageFromLocale("pt_BR.UTF-8"), 0x0416);
}

TEST_F(ModuleReader, OsAndTypeNames) {
    EXPECT_EQ(CModuleExtractor::FileOsName(0x10001), "DOS_WINDOWS16");
    EXPECT_EQ(CModuleExtractor::FileOsName(0x4), "_WINDOWS32");
    EXPECT_EQ(CModuleExtractor::FileOsName(0), "UNKNOWN");
    EXPECT_EQ(CModuleExtractor::FileTypeName(2), "DLL");
    EXPECT_EQ(CModuleExtractor::FileTypeName(6), "UNKNOWN");
}

TEST_F(ModuleReader, NoVersionResourceMeansNoPropertiesAndNoComment) {
    EXPECT_EQ(Extract(test::PeFileWithoutResources(), "lib.dll"), "");
    EXPECT_FALSE(m_ok);
    EXPECT_FALSE(m_props);
    Extract("MZ but nothing else", "x.exe");
    EXPECT_FALSE(m_ok);
}

TEST_F(ModuleReader, TruncatedAndCorruptFilesAreRefusedSafely) {
    const std::string file = test::PeFile(true, kTables, {{0x0411, 1200}});
    for (std::size_t cut = 0; cut < file.size(); cut += 37) {
        Extract(file.substr(0, cut));
    }
    // Every byte of the headers and resource tree set to 0xFF in turn.
    for (std::size_t at = 0x3C; at < 0x2A0 && at < file.size(); at += 3) {
        std::string broken = file;
        broken[at] = '\xFF';
        Extract(broken);
    }
    SPeVersionInfo info;
    EXPECT_FALSE(CPeVersionReader::ParseVersionInfo(std::string(4, '\xFF'), info));
    SUCCEED();
}

TEST_F(ModuleReader, FilesMadeByTheMingwResourceCompiler) {
    // windres and ld of mingw build a real resource section; the reader must agree
    // with the toolchain, not only with our own sample writer.
    for (const std::string prefix : {"x86_64-w64-mingw32-", "i686-w64-mingw32-"}) {
        SCOPED_TRACE(prefix);
        if (test::RunProgram({"sh", "-c", "command -v " + prefix + "windres"}).exitCode != 0) {
            GTEST_SKIP() << prefix << "windres is not installed";
        }
        const std::string rc =
            "1 VERSIONINFO\nFILEVERSION 5,6,7,8\nPRODUCTVERSION 5,6,0,0\nFILEOS 0x40004\n"
            "FILETYPE 2\nBEGIN\n BLOCK \"StringFileInfo\"\n BEGIN\n  BLOCK \"041104b0\"\n"
            "  BEGIN\n   VALUE \"FileDescription\", \"Made by windres\"\n"
            "   VALUE \"CompanyName\", \"Pelvane\"\n  END\n END\n"
            " BLOCK \"VarFileInfo\"\n BEGIN\n  VALUE \"Translation\", 0x411, 1200\n END\nEND\n";
        const auto rcPath = m_dir.Write("v.rc", rc);
        // windres preprocesses with mingw's gcc, which only the full toolchain has;
        // the script has nothing to expand.
        const auto pp =
            m_dir.Write("pp.sh", "#!/bin/sh\nfor a; do last=\"$a\"; done\ncat \"$last\"\n");
        std::filesystem::permissions(pp, std::filesystem::perms::owner_all);
        const std::string obj = (m_dir / "v.o").string();
        const std::string dll = (m_dir / "v.dll").string();
        ASSERT_EQ(test::RunProgram({prefix + "windres", "--preprocessor=" + pp.string(),
                                    rcPath.string(), "-o", obj})
                      .exitCode,
                  0);
        const auto link = test::RunProgram({prefix + "ld", "--dll", "--entry=0", "-o", dll, obj});
        ASSERT_EQ(link.exitCode, 0) << link.err;
        std::string text;
        m_props.reset();
        ASSERT_TRUE(m_manager.ExtractText(dll, text, &m_props));
        EXPECT_EQ(text, "Made by windres");
        EXPECT_EQ(Prop(129), "5.6.7.8");
        EXPECT_EQ(Prop(132), "DLL");
        EXPECT_EQ(Prop(8), "Pelvane");
    }
}

} // namespace
} // namespace quillora
