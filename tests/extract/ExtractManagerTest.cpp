// The manager: its list and order, choosing by suffix, turning extractors off, their
// settings, internet shortcuts, and how case files find property definitions.
#include "ExtractSamples.h"
#include "core/ProfileStore.h"
#include "core/Text.h"
#include "extract/CodeConverter.h"
#include "extract/ExtractTextManager.h"
#include "extract/PluginFolder.h"
#include "extract/UrlExtractor.h"
#include "model/CCDCase.h"
#include "model/CaseFile.h"
#include "model/PropertyDefinitions.h"
#include "model/SFileInfo.h"
#include "model/SVolumeInfo.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillora {
namespace {

std::vector<std::string> Names(const CExtractTextManager& manager) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < manager.Count(); ++i) {
        names.push_back(manager.At(i).m_strName);
    }
    return names;
}

TEST(ExtractManager, LoadsBuiltInsThenPluginsThenTheImportHolder) {
    CProfileStore store;
    CExtractTextManager manager;
    ASSERT_TRUE(manager.Load(store, CPluginFolder::Find()));
    EXPECT_EQ(Names(manager),
              (std::vector<std::string>{"MS-Office", "TEXT", "HTML", "MODULE", "URL", "RTF", "PDF",
                                        "AUDIO", "IMAGE", "Improt"}));
    EXPECT_EQ(manager.FindExtractor("ms-office"), &manager.At(0));
    EXPECT_EQ(manager.FindExtractor("Nothing"), nullptr);
    const CTextExtractor& improt = *manager.FindExtractor("Improt");
    EXPECT_FALSE(improt.m_bConfigurable);
    EXPECT_FALSE(improt.m_bEnable);
    // Every property item of an imported list has its slot.
    EXPECT_EQ(improt.Definition().m_itemKeys,
              (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(manager.At(5).m_strVersion, "0.1.0.0");
    // Without a plug-in folder the built-in readers still work.
    ASSERT_TRUE(manager.Load(store, {}));
    EXPECT_EQ(manager.Count(), 6u);
}

TEST(ExtractManager, ThePluginFolder) {
    // A program outside the build tree with no installed folder beside it has none;
    // one inside the build tree uses the build's; the variable overrides both.
    EXPECT_EQ(CPluginFolder::FindFor("/nonexistent/bin/quillora"), "");
    const std::string build = CPluginFolder::Find();
    ASSERT_FALSE(build.empty());
    EXPECT_EQ(CPluginFolder::FindFor(build + "/../src/quillora"), build);
    setenv("QUILLORA_PLUGIN_DIR", "/elsewhere", 1);
    EXPECT_EQ(CPluginFolder::FindFor("/nonexistent/bin/quillora"), "/elsewhere");
    unsetenv("QUILLORA_PLUGIN_DIR");
}

TEST(ExtractManager, PluginsThatDoNotLoadAreSkippedSilently) {
    test::ScratchDir dir;
    // Not a library; a real library without our entry points; a copy of a real plug-in
    // under the alternative name of the RTF kind.
    dir.Write("tobrtf.so", "not an ELF file");
    std::filesystem::copy_file(ZLIB_LIBRARY_FILE, dir / "tobzlib.so");
    std::filesystem::copy_file(CPluginFolder::Find() + "/tobrtf.so", dir / "tobrtfp.so");
    CProfileStore store;
    CExtractTextManager manager;
    ASSERT_TRUE(manager.Load(store, dir.Path().string()));
    EXPECT_EQ(Names(manager), (std::vector<std::string>{"MS-Office", "TEXT", "HTML", "MODULE",
                                                        "URL", "RTF", "Improt"}));
}

TEST(ExtractManager, SuffixesChooseInListOrderAndDisabledOnesStepAside) {
    test::ScratchDir dir;
    CProfileStore store;
    CExtractTextManager manager;
    manager.Load(store, {});
    EXPECT_EQ(manager.FindBySuffix("DOC", 0), 0);
    EXPECT_EQ(manager.FindBySuffix("DOC", 1), 1);
    EXPECT_EQ(manager.FindBySuffix("DOC", 2), -1);
    EXPECT_EQ(CExtractTextManager::UpperSuffix("/a.b/readme"), "");
    EXPECT_EQ(CExtractTextManager::UpperSuffix("/a/name."), "");
    EXPECT_EQ(CExtractTextManager::UpperSuffix("/a/Name.Txt"), "TXT");
    std::string text;
    EXPECT_FALSE(manager.ExtractText(dir.Write("noext", "text\n").string(), text, nullptr));
    EXPECT_FALSE(manager.ExtractText(dir.Write("dot.", "text\n").string(), text, nullptr));
    EXPECT_FALSE(manager.ExtractText((dir / "missing.txt").string(), text, nullptr));
    // A compound document named .doc: with MS-Office off, the TEXT reader takes over
    // (and finds no text in it).
    const std::string doc = dir.Write("plain.doc", "words\n").string();
    manager.FindExtractor("MS-Office")->m_bEnable = 0;
    EXPECT_EQ(manager.FindBySuffix("DOC", 0), 1);
    ASSERT_TRUE(manager.ExtractText(doc, text, nullptr));
    EXPECT_EQ(text, "words\r\n");
    manager.FindExtractor("TEXT")->m_bEnable = 0;
    EXPECT_FALSE(manager.HasExtractorFor("plain.doc"));
    EXPECT_FALSE(manager.ExtractText(doc, text, nullptr));
}

TEST(ExtractManager, SettingsAreReadAtRegistrationAndWrittenBack) {
    CProfileStore store;
    store.SetInt("Comment\\TEXT", "DocTarget", 1024);
    store.SetInt("Comment\\TEXT", "DocLine", 3);
    store.SetInt("Comment\\TEXT", "DocSize", 999999); // out of range: keeps the default
    store.SetInt("Comment\\HTML", "DocTarget", 77);   // no such target
    store.SetInt("Comment\\URL", "Enable", 0);
    CExtractTextManager manager;
    manager.Load(store, {});
    const CTextExtractor& text = *manager.FindExtractor("TEXT");
    EXPECT_EQ(text.m_nDocTarget, 1024);
    EXPECT_EQ(text.m_nDocLine, 3);
    EXPECT_EQ(text.m_nDocSize, 2000);
    EXPECT_EQ(manager.FindExtractor("HTML")->m_nDocTarget, 1);
    EXPECT_EQ(manager.FindExtractor("URL")->m_bEnable, 0);
    manager.FindExtractor("MODULE")->m_bMapHankaku = 1;
    CProfileStore saved;
    manager.Unload(saved);
    EXPECT_EQ(manager.Count(), 0u);
    EXPECT_EQ(saved.GetInt("Comment\\MODULE", "MapHakakuToZenkaku", 0), 1);
    EXPECT_EQ(saved.GetInt("Comment\\TEXT", "DocLine", 0), 3);
    EXPECT_EQ(saved.GetInt("Comment\\URL", "Enable", 1), 0);
    EXPECT_EQ(saved.GetInt("Comment\\Improt", "DocTarget", -1), 0);
    EXPECT_EQ(saved.ValueNames("Comment\\HTML").size(), 11u);
}

TEST(ExtractManager, CopiesForTheSettingsDialog) {
    CProfileStore store;
    CExtractTextManager manager;
    manager.Load(store, {});
    CTextExtractor& html = *manager.FindExtractor("HTML");
    CTextExtractor copy;
    copy.CopyAll(html);
    EXPECT_EQ(copy.m_strName, "HTML");
    EXPECT_EQ(copy.m_dwSupport, html.m_dwSupport);
    copy.m_nDocTarget = kTargetFullText;
    copy.m_bEnable = 0;
    EXPECT_EQ(html.m_nDocTarget, kTargetTitle);
    html.CopySettings(copy);
    EXPECT_EQ(html.m_nDocTarget, kTargetFullText);
    EXPECT_EQ(html.m_bEnable, 0);
    html.ResetSettings();
    EXPECT_EQ(html.m_nDocTarget, kTargetTitle);
    EXPECT_EQ(html.m_bEnable, 1);
}

TEST(ExtractManager, InternetShortcuts) {
    std::string url;
    EXPECT_TRUE(CUrlExtractor::ReadUrl("[Other]\nURL=wrong\n[InternetShortcut]\r\n url = "
                                       "http://example.invalid/a b \r\nURL=second\n",
                                       url));
    EXPECT_EQ(url, "http://example.invalid/a b");
    EXPECT_FALSE(CUrlExtractor::ReadUrl("[InternetShortcut]\nIconIndex=0\n", url));
    EXPECT_TRUE(CUrlExtractor::ReadUrl("[InternetShortcut]\nURL=" + std::string(5000, 'x'), url));
    EXPECT_EQ(url.size(), 4095u);
    test::ScratchDir dir;
    CProfileStore store;
    CExtractTextManager manager;
    manager.Load(store, {});
    std::string text;
    ASSERT_TRUE(manager.ExtractText(
        dir.Write("Site.url", "[InternetShortcut]\nURL=https://example.invalid/\n").string(), text,
        nullptr));
    EXPECT_EQ(text, "https://example.invalid/");
}

TEST(ExtractManager, NulsControlsAndUndecodableBytesNeverReachAComment) {
    test::ScratchDir dir;
    CProfileStore store;
    CExtractTextManager manager;
    manager.Load(store, {});
    std::string text;
    std::unique_ptr<CPropertySet> props;
    constexpr char kBad[] = "a\0b\x01\x7F\xFF\xFE\x80"
                            "c\xFD";
    const std::string bad(kBad, sizeof kBad - 1);
    ASSERT_TRUE(manager.ExtractText(
        dir.Write("Site.url", "[InternetShortcut]\r\nURL=http://" + bad + "\r\n").string(), text,
        nullptr));
    EXPECT_EQ(text, "http://ab\uFFFD\uFFFD\uFFFDc\uFFFD");
    // A page that says UTF-8 and is not, and one in no encoding at all; the title and
    // the properties alike.
    static const char kFalseUtf8[] = "<meta charset=\"utf-8\"><title>U\0v\xC3(\xED\xA0\x80w</title>"
                                     "<meta name=\"author\" content=\"x\0\xC3\">";
    for (const std::string& page :
         {std::string(kFalseUtf8, sizeof kFalseUtf8 - 1),
          "<title>" + bad + "</title><meta name=\"author\" content=\"" + bad + "\">"}) {
        props.reset();
        ASSERT_TRUE(manager.ExtractText(dir.Write("page.html", page).string(), text, &props));
        EXPECT_TRUE(text::IsValidUtf8(text)) << text;
        EXPECT_EQ(text.find('\0'), std::string::npos);
        EXPECT_NE(text.find("\uFFFD"), std::string::npos) << text;
        ASSERT_TRUE(props);
        for (const std::string& value : props->Values()) {
            EXPECT_TRUE(text::IsValidUtf8(value)) << value;
            EXPECT_EQ(value.find('\0'), std::string::npos);
        }
    }
    // Good text is left alone (HTML itself makes the tab a space).
    ASSERT_TRUE(manager.ExtractText(
        dir.Write("plain.html", "<title>日本語\tタイトル</title>").string(), text, nullptr));
    EXPECT_EQ(text, "日本語 タイトル");
}

// A case holding property sets of a loaded extractor, of a plug-in of the family that
// is not installed here, and of an extractor nobody knows.
class PropertySetRule : public ::testing::Test {
protected:
    void SetUp() override {
        CProfileStore store;
        m_manager.Load(store, {}); // no plug-ins: PDF is not installed
        SetPropertyDefinitions(&m_manager);
    }
    void TearDown() override { SetPropertyDefinitions(nullptr); }

    test::ScratchDir m_dir;
    CExtractTextManager m_manager;
};

TEST_F(PropertySetRule, UnknownSetsAreDroppedButThoseOfMissingPluginsKept) {
    EXPECT_EQ(m_manager.FindByName("html"), &m_manager.FindExtractor("HTML")->Definition());
    EXPECT_EQ(m_manager.FindByName("Bogus"), nullptr);
    const CPropertyDefinition* pdf = m_manager.FindByName("PDF");
    ASSERT_NE(pdf, nullptr);
    EXPECT_TRUE(pdf->m_bAdopted);
    EXPECT_EQ(m_manager.FindByName("pdf"), pdf);

    // Write a case whose files carry sets named HTML, PDF and Bogus (written under
    // made-up definitions, as another machine would have them).
    const CPropertyDefinition pdfThere{"PDF", {1, 2, 4, 6}, false};
    const CPropertyDefinition bogusThere{"Bogus", {1}, false};
    CCDCase written;
    auto* volume = written.AddChild(std::make_unique<SVolumeInfo>());
    auto add = [&](const std::string& name, const CPropertyDefinition* d,
                   std::vector<std::string> values) {
        auto file = std::make_unique<SFileInfo>();
        file->m_strName = name;
        auto set = std::make_unique<CPropertySet>(d);
        set->Values() = std::move(values);
        file->SetProps(std::move(set));
        volume->AddChild(std::move(file));
    };
    add("page.html", &m_manager.FindExtractor("HTML")->Definition(),
        {"Title", "", "", "", "", "", "", "", "", "", ""});
    add("paper.pdf", &pdfThere, {"PDF title", "Sub", "", "Author"});
    add("odd.xyz", &bogusThere, {"gone"});
    const std::string path = (m_dir / "c.cas").string();
    SaveCaseFile(written, path, false);

    bool badPassword = false;
    auto loaded = ReadCaseFile(path, {}, &badPassword);
    ASSERT_TRUE(loaded);
    const SFileInfo* medium = loaded->ChildAt(0);
    ASSERT_NE(medium->ChildAt(0)->Props(), nullptr);
    EXPECT_EQ(*medium->ChildAt(0)->Props()->ValueByKey(1), "Title");
    ASSERT_NE(medium->ChildAt(1)->Props(), nullptr);
    EXPECT_EQ(medium->ChildAt(1)->Props()->Values(),
              (std::vector<std::string>{"PDF title", "Sub", "", "Author"}));
    EXPECT_EQ(medium->ChildAt(2)->Props(), nullptr);
    // Saved again here, the PDF set keeps its values for the machine that has PDF.
    const std::string again = (m_dir / "d.cas").string();
    SaveCaseFile(*loaded, again, false);
    auto reloaded = ReadCaseFile(again, {}, &badPassword);
    ASSERT_TRUE(reloaded);
    EXPECT_EQ(reloaded->ChildAt(0)->ChildAt(1)->Props()->Values(),
              (std::vector<std::string>{"PDF title", "Sub", "", "Author"}));
}

} // namespace
} // namespace quillora
