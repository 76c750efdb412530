// The web-page reader: title and META, comments, markup across lines and character
// references.
#include "ExtractSamples.h"
#include "core/ProfileStore.h"
#include "extract/ExtractTextManager.h"
#include "extract/HtmlExtractor.h"
#include "extract/HtmlText.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

namespace quillora {
namespace {

class HtmlReader : public ::testing::Test {
protected:
    void SetUp() override {
        m_manager.Register(m_store, {}, {}, std::make_unique<CHtmlExtractor>());
        m_html = m_manager.FindExtractor("HTML");
    }

    std::string Extract(const std::string& bytes, const std::string& name = "page.html") {
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
    CTextExtractor* m_html = nullptr;
    std::unique_ptr<CPropertySet> m_props;
    bool m_ok = false;
};

TEST_F(HtmlReader, TitleAndMetaProperties) {
    const std::string page =
        "<html><HEAD>\n<title>My\n  Page &amp; more</title>\n"
        "<meta name=\"Description\" content=\"A page about things\">\n"
        "<META NAME=keywords CONTENT=\"a, b\">\n<meta name='author' content='Taro'>\n"
        "</head><body><title>not this</title></body></html>";
    EXPECT_EQ(Extract(page), "My Page & more");
    EXPECT_EQ(Prop(2), "A page about things");
    EXPECT_EQ(Prop(4), "a, b");
    EXPECT_EQ(Prop(6), "Taro");
    EXPECT_EQ(Prop(7), "");
    // Every suffix beginning with HTM is taken.
    EXPECT_EQ(Extract(page, "page.htm"), "My Page & more");
    EXPECT_EQ(Extract(page, "page.HTMLS"), "My Page & more");
    EXPECT_FALSE(m_manager.HasExtractorFor("page.ht"));
}

TEST_F(HtmlReader, CharacterReferences) {
    EXPECT_EQ(Extract("<title>&#169; 2024 &copy; &#x672C;&#26412; &unknown; &LT;</title>"),
              "(C) 2024 (C) 本本 &unknown; <");
    EXPECT_EQ(CHtmlText::DecodeReferences("&auml;&Auml;&szlig;&alpha;&varpi;&nbsp;x"),
              "aABαVarπ x");
    // Too long, without ";", or no character: copied as written.
    EXPECT_EQ(CHtmlText::DecodeReferences("&averyveryverylongname; &amp &#0; &#xD800; &#;"),
              "&averyveryverylongname; &amp &#0; &#xD800; &#;");
}

TEST_F(HtmlReader, CommentsHideWhatTheyHold) {
    EXPECT_EQ(Extract("<head><!-- <title>hidden</title> --><title>shown</title></head>"), "shown");
    // "--" inside the comment does not end it; only "-->" does.
    EXPECT_EQ(CHtmlText::StripComments("a<!-- x -- > y -->b<!-- open"), "ab");
    Extract("<head><!-- <title>hidden</title> --></head>");
    EXPECT_FALSE(m_ok); // no title: nothing to give
}

TEST_F(HtmlReader, BodyTextWithoutMarkup) {
    m_html->m_nDocTarget = kTargetFullText;
    m_html->m_bDelEmptyLine = 1;
    EXPECT_EQ(Extract("<p class=\"a>b\">First</p>\n<a href=\"x\"\n title=\"y\">link</a> end\n"
                      "<br>\t&lt;tag&gt;\n"),
              "First\r\nlink end\r\n <tag>\r\n");
}

TEST_F(HtmlReader, PagesInJapaneseEncodings) {
    const std::string title = "日本語のページ";
    EXPECT_EQ(Extract("<title>" + test::Cp932(title) + "</title>"), title);
    EXPECT_EQ(Extract("<title>" + title + "</title>"), title);
    // EUC-JP is allowed for pages.
    const std::string euc = test::Encode(title, "EUC-JP");
    EXPECT_EQ(Extract("<title>" + euc + "</title>"), title);
}

} // namespace
} // namespace quillora
