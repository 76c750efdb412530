// The plug-ins we ship, loaded by the manager from the build's plug-in folder, on
// samples made by the Debian tools and by the test: music tags, PDF information, RTF
// information and text, picture size and Exif data.
#include "ExtractSamples.h"
#include "core/ProfileStore.h"
#include "extract/ExtractTextManager.h"
#include "extract/PluginFolder.h"
#include "support/CliRunner.h"
#include "support/ScratchDir.h"

#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>

namespace quillora {
namespace {

class Plugins : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_manager.Load(m_store, CPluginFolder::Find())); }

    std::string ExtractPath(const std::string& path) {
        std::string text;
        m_props.reset();
        m_ok = m_manager.ExtractText(path, text, &m_props);
        return text;
    }
    std::string Extract(const std::string& name, const std::string& bytes) {
        return ExtractPath(m_dir.Write(name, bytes).string());
    }
    std::string Prop(int key) const {
        const std::string* v = m_props ? m_props->ValueByKey(key) : nullptr;
        return v ? *v : "<none>";
    }
    void Run(const std::vector<std::string>& argv) {
        const auto result = test::RunProgram(argv);
        ASSERT_EQ(result.exitCode, 0) << argv[0] << ": " << result.err;
    }

    test::ScratchDir m_dir;
    CProfileStore m_store;
    CExtractTextManager m_manager;
    std::unique_ptr<CPropertySet> m_props;
    bool m_ok = false;
};

TEST_F(Plugins, Id3TagsInEveryEncoding) {
    const std::string audio = test::MpegFrames(20);
    // ID3v1 fields in CP932, as Japanese tools wrote them.
    EXPECT_EQ(
        Extract("v1.mp3", audio + test::Id3v1(test::Cp932("夏の歌"), test::Cp932("歌手"), "")),
        "夏の歌");
    EXPECT_EQ(m_props->DefinitionName(), "AUDIO");
    EXPECT_EQ(Prop(6), "歌手");
    // A v2.3 frame declared Latin-1 that holds CP932; a real Latin-1 one stays Latin-1.
    EXPECT_EQ(Extract("v23.mp3", test::Id3v23({{"TIT2", {0, test::Cp932("冬の歌")}},
                                               {"TPE1", {0, "Bj\xF6rk"}}}) +
                                     audio),
              "冬の歌");
    EXPECT_EQ(Prop(6), "Björk");
    // UTF-16 with its byte-order mark in v2.3.
    EXPECT_EQ(
        Extract("u16.mp3",
                test::Id3v23({{"TIT2", {1, "\xFF\xFE" + test::Utf16Le("春", false)}}}) + audio),
        "春");
    // The Debian tools: id3v2 writes v2.3, eyeD3 writes v2.4 in UTF-8.
    const std::string tool = m_dir.Write("tool.mp3", audio).string();
    Run({"id3v2", "-t", "Tool Title", "-a", "Tool Artist", "-A", "Album", tool});
    EXPECT_EQ(ExtractPath(tool), "Tool Title");
    EXPECT_EQ(Prop(4097), "Album");
    const std::string v24 = m_dir.Write("v24.mp3", audio).string();
    Run({"eyeD3", "--quiet", "--to-v2.4", "--encoding", "utf8", "-t", "秋の歌", "-a", "合唱団",
         v24});
    EXPECT_EQ(ExtractPath(v24), "秋の歌");
    EXPECT_EQ(Prop(6), "合唱団");
}

TEST_F(Plugins, VorbisCommentsOfFlacAndOgg) {
    const std::string wav = m_dir.Write("s.wav", test::WavFile(8000)).string();
    const std::string flacFile = (m_dir / "s.flac").string();
    Run({"flac", "-s", "-f", "-o", flacFile, wav});
    Run({"metaflac", "--set-tag=TITLE=曲名", "--set-tag=ARTIST=演奏者", flacFile});
    EXPECT_EQ(ExtractPath(flacFile), "曲名");
    EXPECT_EQ(Prop(6), "演奏者");
    EXPECT_EQ(Prop(4101), "0:01"); // from the stream header
    const std::string ogg = (m_dir / "s.ogg").string();
    Run({"oggenc", "-Q", "-o", ogg, wav});
    Run({"vorbiscomment", "-w", "-t", "TITLE=オッグ", "-t", "ALBUM=盤", ogg});
    EXPECT_EQ(ExtractPath(ogg), "オッグ");
    EXPECT_EQ(Prop(4097), "盤");
}

TEST_F(Plugins, BrokenMusicFilesGiveNoCrash) {
    Extract("empty.mp3", "");
    Extract("junk.flac", std::string(3000, '\x5A'));
    const std::string tagged = test::Id3v23({{"TIT2", {0, "cut"}}}) + test::MpegFrames(3);
    for (std::size_t cut : {3u, 10u, 15u, 30u}) {
        Extract("cut.mp3", tagged.substr(0, cut));
    }
    // A tag that claims far more bytes than the file has.
    std::string huge = tagged;
    huge[6] = 0x7F;
    Extract("huge.mp3", huge);
    SUCCEED();
}

TEST_F(Plugins, PdfInformation) {
    EXPECT_EQ(Extract("paper.pdf", test::PdfFile({{"Title", test::PdfUtf16("日本語の論文")},
                                                  {"Author", "(Taro Yamada)"},
                                                  {"Keywords", "(a b)"},
                                                  {"CreationDate", "(D:20030501102030Z)"}})),
              "日本語の論文");
    EXPECT_EQ(m_props->DefinitionName(), "PDF");
    EXPECT_EQ(Prop(6), "Taro Yamada");
    EXPECT_EQ(Prop(4), "a b");
    EXPECT_EQ(Prop(142), "1");
    EXPECT_EQ(Prop(10).substr(0, 4), "2003");
    // A PDF that is not one, and a cut one: nothing, no crash.
    Extract("fake.pdf", "%PDF-1.4\nnothing here\n");
    EXPECT_FALSE(m_ok);
    const std::string pdf = test::PdfFile({{"Title", "(T)"}});
    Extract("cut.pdf", pdf.substr(0, pdf.size() / 2));
}

TEST_F(Plugins, RtfInformationAndText) {
    const std::string rtf = "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fcharset128 Mincho;}}"
                            "{\\info{\\title \\'93\\'fa\\'96\\'7b\\'8c\\'ea}{\\author Taro}"
                            "{\\creatim\\yr2003\\mo5\\dy1\\hr10\\min20}}"
                            "\\f0 Body \\'82\\'a0 text\\par Second line\\par}";
    EXPECT_EQ(Extract("doc.rtf", rtf), "日本語");
    EXPECT_EQ(Prop(6), "Taro");
    EXPECT_EQ(Prop(10), "2003/05/01 10:20:00");
    m_manager.FindExtractor("RTF")->m_nDocTarget = kTargetFullText;
    EXPECT_EQ(Extract("doc.rtf", rtf), "Body あ text\r\nSecond line\r\n");
    m_manager.FindExtractor("RTF")->ResetSettings();
    // The Unicode half of \upr is preferred over its ANSI half.
    EXPECT_EQ(Extract("u.rtf", "{\\rtf1\\ansi{\\info{\\upr{\\title ANSI}{\\*\\ud{\\title "
                               "\\u26085?\\u26412?}}}}}"),
              "日本");
}

TEST_F(Plugins, PictureSizeDateAndCamera) {
    const std::string jpeg = (m_dir / "photo.jpg").string();
    Run({"/usr/bin/convert", "-size", "64x48", "xc:red", jpeg});
    {
        auto image = Exiv2::ImageFactory::open(jpeg);
        image->readMetadata();
        Exiv2::ExifData& exif = image->exifData();
        exif["Exif.Image.Make"] = "Canon";
        exif["Exif.Image.Model"] = "Canon EOS 10D";
        exif["Exif.Photo.DateTimeOriginal"] = "2003:05:01 10:20:30";
        image->writeMetadata();
    }
    EXPECT_EQ(ExtractPath(jpeg), "画像ｻｲｽﾞ=64x48\r\n撮影日時=2003/05/01 10:20:30\r\nｶﾒﾗ=Canon EOS "
                                 "10D\r\nﾀｲﾄﾙ=\r\n作者=\r\n");
    const std::string png = (m_dir / "plain.png").string();
    Run({"/usr/bin/convert", "-size", "7x5", "xc:blue", png});
    ExtractPath(png);
    EXPECT_EQ(Prop(4097), "7x5");
    EXPECT_EQ(Prop(10), "");
    Extract("bad.jpg", "\xFF\xD8\xFF\xE1 broken");
    EXPECT_FALSE(m_ok);
}

} // namespace
} // namespace quillora
