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
#include <zlib.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <new>

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

// The zlib stream of a Latin-1 text frame body of `size` bytes: the encoding byte,
// then letters (which TagLib widens to four bytes each).
std::string DeflatedText(std::size_t size) {
    z_stream z{};
    EXPECT_EQ(deflateInit(&z, 9), Z_OK);
    std::string piece(1 << 20, 'a');
    piece[0] = '\0';
    std::string out;
    char buffer[1 << 16];
    while (size > 0) {
        const std::size_t n = std::min(size, piece.size());
        z.next_in = reinterpret_cast<Bytef*>(piece.data());
        z.avail_in = static_cast<uInt>(n);
        size -= n;
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            deflate(&z, size == 0 ? Z_FINISH : Z_NO_FLUSH);
            out.append(buffer, sizeof buffer - z.avail_out);
        } while (z.avail_out == 0);
        piece[0] = 'a';
    }
    deflateEnd(&z);
    return out;
}

std::string BigEndian32(std::size_t n) {
    std::string out;
    for (int shift : {24, 16, 8, 0}) {
        out += static_cast<char>(n >> shift & 0xFF);
    }
    return out;
}

// One ID3v2.3 frame with the given flags and declared size; `body` as it stands in
// the file.
std::string Id3v23Frame(const std::string& id, std::uint16_t flags, const std::string& body,
                        std::size_t declared) {
    return id + BigEndian32(declared) + static_cast<char>(flags >> 8) +
           static_cast<char>(flags & 0xFF) + body;
}

// A compressed frame (flag 0x0080): the inflated size, then the zlib stream.
std::string CompressedFrame(const std::string& id, std::size_t inflated, const std::string& z) {
    const std::string body = BigEndian32(inflated) + z;
    return Id3v23Frame(id, 0x0080, body, body.size());
}

std::string Id3v23Tag(const std::string& frames) {
    std::string h("ID3\x03\x00\x00", 6);
    for (int shift : {21, 14, 7, 0}) {
        h += static_cast<char>(frames.size() >> shift & 0x7F);
    }
    return h + frames;
}

// Runs `body` in a child whose address space may grow by only `room` bytes past what
// it has now (sanitizer builds reserve too much for such a limit, so it runs free
// there); the child's exit code, kOutOfMemory when an allocation failed, or -1 when
// it died.
constexpr int kOutOfMemory = 99;

template <class Body> int InBoundedChild([[maybe_unused]] std::size_t room, Body body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
#if !defined(__SANITIZE_ADDRESS__)
        std::ifstream statm("/proc/self/statm");
        std::size_t pages = 0;
        statm >> pages;
        const rlim_t limit = pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + room;
        const rlimit bound{limit, limit};
        ::setrlimit(RLIMIT_AS, &bound);
#endif
        // A plug-in's entry points catch bad_alloc; running out must show here.
        std::set_new_handler([] { ::_exit(kOutOfMemory); });
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(Plugins, CompressedId3FramesInflateOnlyWithinBounds) {
    const std::string audio = test::MpegFrames(20);
    // Eight title frames of 200 KB that would each inflate to 200 MB, then an artist.
    const std::string bomb = DeflatedText(200u << 20);
    ASSERT_LT(bomb.size(), 400'000u);
    std::string frames;
    for (int i = 0; i < 8; ++i) {
        frames += CompressedFrame("TIT2", 200u << 20, bomb);
    }
    frames += Id3v23Frame("TPE1", 0, std::string("\0After", 6), 6);
    const std::string bombs = m_dir.Write("bombs.mp3", Id3v23Tag(frames) + audio).string();
    // A frame that says it is small while its stream runs on through the rest of the tag.
    const std::string understated =
        m_dir
            .Write("understated.mp3",
                   Id3v23Tag(Id3v23Frame("TIT2", 0x0080, BigEndian32(200u << 20) + bomb, 100)) +
                       audio)
            .string();
    // A small compressed frame as a tagger writes it is still read.
    const std::string title("\0Packed", 7);
    uLongf packedSize = compressBound(title.size());
    std::string packed(packedSize, '\0');
    ASSERT_EQ(compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                       reinterpret_cast<const Bytef*>(title.data()), title.size()),
              Z_OK);
    packed.resize(packedSize);
    const std::string honest =
        m_dir.Write("honest.mp3", Id3v23Tag(CompressedFrame("TIT2", title.size(), packed)) + audio)
            .string();
    // WAV carries its tag in a chunk, which TagLib reads with its own frame factory.
    auto wavWith = [&](const std::string& name, const std::string& tag) {
        std::string wav = test::WavFile(800);
        std::string size = BigEndian32(tag.size());
        wav += "id3 " + std::string(size.rbegin(), size.rend()) + tag +
               std::string(tag.size() & 1, '\0');
        size = BigEndian32(wav.size() - 8);
        wav.replace(4, 4, std::string(size.rbegin(), size.rend()));
        return m_dir.Write(name, wav).string();
    };
    const std::string wavPath = wavWith("bomb.wav", Id3v23Tag(frames));
    EXPECT_EQ(ExtractPath(wavWith("plain.wav",
                                  Id3v23Tag(Id3v23Frame("TIT2", 0, std::string("\0Plain", 6), 6)))),
              "Plain");

    // Each within 512 MB more than the test has; unbounded, one such frame takes 2 GB.
    EXPECT_EQ(
        InBoundedChild(512u << 20,
                       [&] { return ExtractPath(bombs).empty() && Prop(6) == "After" ? 0 : 1; }),
        0)
        << "the frames past the bound are dropped, the rest of the tag is read";
    EXPECT_EQ(InBoundedChild(512u << 20, [&] { return ExtractPath(understated).empty() ? 0 : 1; }),
              0);
    EXPECT_EQ(InBoundedChild(512u << 20, [&] { return ExtractPath(wavPath).empty() ? 0 : 1; }), 0);
    EXPECT_EQ(ExtractPath(honest), "Packed");

    // A tag that claims 250 MB, in a sparse file that has them: TagLib does not read
    // it; the ID3v1 tag at the end still gives the title.
    const std::string sparse = m_dir.Write("sparse.mp3", "").string();
    {
        const std::string tail = audio + test::Id3v1("Tail", "", "");
        std::ofstream out(sparse, std::ios::binary);
        const std::size_t claimed = 250u << 20;
        out << "ID3" << std::string("\x03\0\0", 3);
        for (int shift : {21, 14, 7, 0}) {
            out << static_cast<char>(claimed >> shift & 0x7F);
        }
        out.seekp(static_cast<std::streamoff>(claimed + 10));
        out << tail;
    }
    EXPECT_EQ(InBoundedChild(128u << 20, [&] { return ExtractPath(sparse) == "Tail" ? 0 : 1; }), 0);

    // A scan goes on past such a file to the next.
    m_dir.Write("disc/a.mp3", Id3v23Tag(frames) + audio);
    m_dir.Write("disc/b.mp3", test::Id3v23({{"TIT2", {0, "Next song"}}}) + audio);
    const std::string cas = (m_dir / "disc.cas").string();
    std::vector<std::string> scan = {test::CliPath(), "scan", cas, (m_dir / "disc").string(),
                                     "--comments"};
#if !defined(__SANITIZE_ADDRESS__)
    scan.insert(scan.begin(), {"prlimit", "--as=1500000000"});
#endif
    Run(scan);
    const auto found = test::RunCli({"find", cas, "--comment", "Next song", "--count"});
    EXPECT_EQ(found.out, "1\n") << found.err;
}

// A PDF 1.5 file whose document information (object 3) sits in a compressed object
// stream, found through a cross-reference stream. `title` is the Title string's text,
// `repeat` times over (streamed into the compressor, so it can be huge).
std::string PdfWithObjectStream(const std::string& title, std::size_t repeat) {
    const std::string head = "3 0 ";
    z_stream z{};
    EXPECT_EQ(deflateInit(&z, 9), Z_OK);
    std::string packed;
    char buffer[1 << 16];
    auto feed = [&](const std::string& bytes, bool last) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
        z.avail_in = static_cast<uInt>(bytes.size());
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
            packed.append(buffer, sizeof buffer - z.avail_out);
        } while (z.avail_out == 0);
    };
    feed(head + "<< /Title (", false);
    std::string piece;
    for (std::size_t i = 0; i < std::min<std::size_t>(repeat, 1 << 16); ++i) {
        piece += title;
    }
    for (std::size_t done = 0; done < repeat; done += 1 << 16) {
        feed(repeat - done < (1u << 16) ? piece.substr(0, (repeat - done) * title.size()) : piece,
             false);
    }
    feed(") >>", true);
    deflateEnd(&z);

    std::string pdf = "%PDF-1.5\n";
    std::vector<std::size_t> offsets(6, 0);
    auto add = [&](int number, const std::string& body) {
        offsets[number] = pdf.size();
        pdf += std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
    };
    add(1, "<< /Type /Catalog /Pages 2 0 R >>");
    add(2, "<< /Type /Pages /Kids [] /Count 0 >>");
    add(4, "<< /Type /ObjStm /N 1 /First " + std::to_string(head.size()) +
               " /Filter /FlateDecode /Length " + std::to_string(packed.size()) + " >>\nstream\n" +
               packed + "\nendstream");
    offsets[5] = pdf.size();
    auto row = [](int type, std::size_t field, int generation) {
        std::string r(1, static_cast<char>(type));
        r += BigEndian32(field);
        r += static_cast<char>(generation >> 8 & 0xFF);
        r += static_cast<char>(generation & 0xFF);
        return r;
    };
    const std::string rows = row(0, 0, 0xFFFF) + row(1, offsets[1], 0) + row(1, offsets[2], 0) +
                             row(2, 4, 0) + row(1, offsets[4], 0) + row(1, offsets[5], 0);
    pdf += "5 0 obj\n<< /Type /XRef /Size 6 /W [1 4 2] /Root 1 0 R /Info 3 0 R /Length " +
           std::to_string(rows.size()) + " >>\nstream\n" + rows + "\nendstream\nendobj\n";
    pdf += "startxref\n" + std::to_string(offsets[5]) + "\n%%EOF\n";
    return pdf;
}

TEST_F(Plugins, PdfObjectStreamsInflateOnlyWithinBounds) {
    // poppler reads a title from an object stream.
    EXPECT_EQ(Extract("streamed.pdf", PdfWithObjectStream("Streamed", 1)), "Streamed");
    // 200 KB whose stream inflates to a 200 MB title: poppler would take 800 MB.
    const std::string bomb = m_dir.Write("bomb.pdf", PdfWithObjectStream("a", 200u << 20)).string();
    EXPECT_EQ(InBoundedChild(256u << 20, [&] { return ExtractPath(bomb).empty() ? 0 : 1; }), 0);
    // The next file is read as before.
    EXPECT_EQ(Extract("after.pdf", PdfWithObjectStream("After", 2)), "AfterAfter");
}

TEST_F(Plugins, PictureTextChunksInflateOnlyWithinBounds) {
    // Exiv2 inflates compressed PNG text itself; it stops at its own bound, and the
    // plug-in gives what the picture still has without the text.
    auto chunk = [](const std::string& type, const std::string& data) {
        const std::string typed = type + data;
        const auto crc =
            crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()));
        return BigEndian32(data.size()) + typed + BigEndian32(crc);
    };
    const std::string text = DeflatedText(200u << 20);
    const std::string header = BigEndian32(1) + BigEndian32(1) + std::string("\x08\0\0\0\0", 5);
    const std::string png = "\x89PNG\r\n\x1a\n" + chunk("IHDR", header) +
                            chunk("zTXt", std::string("Description\0\0", 13) + text) +
                            chunk("iTXt", std::string("Description\0\1\0\0\0", 16) + text) +
                            chunk("zTXt", std::string("Raw profile type exif\0\0", 23) + text) +
                            chunk("IEND", "");
    const std::string path = m_dir.Write("bomb.png", png).string();
    EXPECT_EQ(InBoundedChild(256u << 20,
                             [&] {
                                 ExtractPath(path);
                                 return 0;
                             }),
              0);
}

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
