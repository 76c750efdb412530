// Sample files of the comment-extraction tests.
#include "ExtractSamples.h"

#include "core/Text.h"
#include "support/ByteBuilder.h"

#include <cstdio>
#include <iconv.h>
#include <stdexcept>

namespace quillora::test {

std::string Cp932(const std::string& utf8) {
    std::string out;
    if (!text::Utf8ToCp932(utf8, out)) {
        throw std::runtime_error("not CP932: " + utf8);
    }
    return out;
}

std::string Encode(const std::string& utf8, const char* encoding) {
    iconv_t cd = iconv_open(encoding, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        throw std::runtime_error(std::string("no converter to ") + encoding);
    }
    std::string out(utf8.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* o = out.data();
    std::size_t outLeft = out.size();
    const std::size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv(cd, nullptr, nullptr, &o, &outLeft);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1)) {
        throw std::runtime_error("cannot convert " + utf8 + " to " + encoding);
    }
    out.resize(out.size() - outLeft);
    return out;
}

std::string Utf16Le(const std::string& utf8, bool terminate) {
    std::string out;
    for (char16_t unit : text::Utf8ToUtf16(utf8)) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    }
    if (terminate) {
        out += std::string(2, '\0');
    }
    return out;
}

SPropValue PropString(std::uint32_t id, const std::string& bytes) {
    ByteBuilder b;
    b.U32(static_cast<std::uint32_t>(bytes.size() + 1)).Raw(bytes).U8(0);
    return {id, 30, b.Bytes()};
}

SPropValue PropInt(std::uint32_t id, std::int32_t value) {
    ByteBuilder b;
    b.U32(static_cast<std::uint32_t>(value));
    return {id, 3, b.Bytes()};
}

SPropValue PropCodePage(int codePage) {
    ByteBuilder b;
    b.U16(static_cast<std::uint16_t>(codePage)).U16(0);
    return {1, 2, b.Bytes()};
}

SPropValue PropFileTime(std::uint32_t id, std::uint64_t fileTime) {
    ByteBuilder b;
    b.U64(fileTime);
    return {id, 64, b.Bytes()};
}

std::string Section(const std::vector<SPropValue>& values) {
    std::string body;
    std::vector<std::uint32_t> offsets;
    const std::size_t head = 8 + values.size() * 8;
    for (const SPropValue& v : values) {
        offsets.push_back(static_cast<std::uint32_t>(head + body.size()));
        ByteBuilder b;
        b.U32(v.m_type).Raw(v.m_bytes);
        body += b.Bytes();
        while (body.size() % 4) {
            body += '\0';
        }
    }
    ByteBuilder section;
    section.U32(static_cast<std::uint32_t>(head + body.size()))
        .U32(static_cast<std::uint32_t>(values.size()));
    for (std::size_t i = 0; i < values.size(); ++i) {
        section.U32(values[i].m_id).U32(offsets[i]);
    }
    section.Raw(body);
    return section.Bytes();
}

namespace {

const std::string kFmtSummary("\xE0\x85\x9F\xF2\xF9\x4F\x68\x10\xAB\x91\x08\x00\x2B\x27\xB3\xD9",
                              16);
const std::string kFmtDocSummary("\x02\xD5\xCD\xD5\x9C\x2E\x1B\x10\x93\x97\x08\x00\x2B\x2C\xF9\xAE",
                                 16);
const std::string
    kFmtUserDefined("\x05\xD5\xCD\xD5\x9C\x2E\x1B\x10\x93\x97\x08\x00\x2B\x2C\xF9\xAE", 16);

void PadTo(std::string& s, std::size_t size) {
    if (s.size() < size) {
        s.resize(size, '\0');
    }
}

} // namespace

std::string SummaryStreamHeader() {
    ByteBuilder h;
    h.U16(0xFFFE).U16(0).U32(0x00020A04).Raw(std::string(16, '\0')).U32(1).Raw(kFmtSummary).U32(48);
    return h.Bytes();
}

std::string CompoundDocument(const std::string& summary, const std::string& docSummary,
                             const std::string& userDefined) {
    std::string file("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    PadTo(file, 512);
    file += SummaryStreamHeader() + summary;
    if (!docSummary.empty()) {
        PadTo(file, (file.size() + 511) / 512 * 512);
        ByteBuilder h;
        h.U16(0xFFFE).U16(0).U32(0x00020A04).Raw(std::string(16, '\0'));
        if (userDefined.empty()) {
            h.U32(1).Raw(kFmtDocSummary).U32(48);
            h.Raw(docSummary);
        } else {
            h.U32(2)
                .Raw(kFmtDocSummary)
                .U32(68)
                .Raw(kFmtUserDefined)
                .U32(static_cast<std::uint32_t>(68 + docSummary.size()));
            h.Raw(docSummary).Raw(userDefined);
        }
        file += h.Bytes();
    }
    PadTo(file, (file.size() + 511) / 512 * 512);
    return file;
}

namespace {

// A version-information block: key, value and children, with its length word.
std::string Block(const std::string& key, const std::string& value, std::uint16_t valueLength,
                  std::uint16_t type, const std::vector<std::string>& children) {
    std::string b(6, '\0');
    b += Utf16Le(key);
    while (b.size() % 4) {
        b += '\0';
    }
    b += value;
    while (b.size() % 4) {
        b += '\0';
    }
    for (const std::string& child : children) {
        b += child;
        while (b.size() % 4) {
            b += '\0';
        }
    }
    const auto length = static_cast<std::uint16_t>(b.size());
    b[0] = static_cast<char>(length & 0xFF);
    b[1] = static_cast<char>(length >> 8);
    b[2] = static_cast<char>(valueLength & 0xFF);
    b[3] = static_cast<char>(valueLength >> 8);
    b[4] = static_cast<char>(type);
    return b;
}

std::string VersionInfo(const std::vector<SPeTable>& tables,
                        const std::vector<std::pair<std::uint16_t, std::uint16_t>>& translations,
                        std::uint32_t fvMs, std::uint32_t fvLs, std::uint32_t os,
                        std::uint32_t type) {
    ByteBuilder fixed;
    fixed.U32(0xFEEF04BD)
        .U32(0x00010000)
        .U32(fvMs)
        .U32(fvLs)
        .U32(fvMs + 1)
        .U32(fvLs)
        .U32(0x3F)
        .U32(0)
        .U32(os)
        .U32(type)
        .U32(0)
        .U32(0)
        .U32(0);
    std::vector<std::string> stringTables;
    for (const SPeTable& t : tables) {
        std::vector<std::string> strings;
        for (const auto& [name, value] : t.m_strings) {
            const std::string v = Utf16Le(value);
            strings.push_back(Block(name, v, static_cast<std::uint16_t>(v.size() / 2), 1, {}));
        }
        stringTables.push_back(Block(t.m_key, {}, 0, 1, strings));
    }
    ByteBuilder pairs;
    for (const auto& [language, codePage] : translations) {
        pairs.U16(language).U16(codePage);
    }
    std::vector<std::string> children;
    if (!stringTables.empty()) {
        children.push_back(Block("StringFileInfo", {}, 0, 1, stringTables));
    }
    if (!translations.empty()) {
        children.push_back(Block("VarFileInfo", {}, 0, 1,
                                 {Block("Translation", pairs.Bytes(),
                                        static_cast<std::uint16_t>(pairs.Bytes().size()), 0, {})}));
    }
    return Block("VS_VERSION_INFO", fixed.Bytes(), 52, 0, children);
}

std::string PeWithSection(bool pe64, const std::string& rsrc) {
    constexpr std::uint32_t kVa = 0x1000;
    const std::uint16_t optionalSize = pe64 ? 240 : 224;
    ByteBuilder f;
    f.Raw("MZ").Raw(std::string(0x3A, '\0')).U32(0x40);
    f.Raw(std::string("PE\0\0", 4))
        .U16(pe64 ? 0x8664 : 0x14C)
        .U16(rsrc.empty() ? 0 : 1)
        .U32(0)
        .U32(0)
        .U32(0)
        .U16(optionalSize)
        .U16(0x2102);
    std::string optional(optionalSize, '\0');
    optional[0] = static_cast<char>(pe64 ? 0x0B : 0x0B);
    optional[1] = static_cast<char>(pe64 ? 0x02 : 0x01);
    const std::size_t countAt = pe64 ? 108 : 92;
    optional[countAt] = 16;
    if (!rsrc.empty()) {
        const std::size_t dir = countAt + 4 + 2 * 8;
        ByteBuilder d;
        d.U32(kVa).U32(static_cast<std::uint32_t>(rsrc.size()));
        optional.replace(dir, 8, d.Bytes());
    }
    f.Raw(optional);
    const std::uint32_t rawSize = static_cast<std::uint32_t>((rsrc.size() + 511) / 512 * 512);
    if (!rsrc.empty()) {
        f.Raw(std::string(".rsrc\0\0\0", 8))
            .U32(static_cast<std::uint32_t>(rsrc.size()))
            .U32(kVa)
            .U32(rawSize)
            .U32(0x200)
            .U32(0)
            .U32(0)
            .U16(0)
            .U16(0)
            .U32(0x40000040);
    }
    std::string file = f.Bytes();
    file.resize(0x200, '\0');
    file += rsrc;
    file.resize(0x200 + rawSize, '\0');
    return file;
}

} // namespace

std::string PeFile(bool pe64, const std::vector<SPeTable>& tables,
                   const std::vector<std::pair<std::uint16_t, std::uint16_t>>& translations,
                   std::uint32_t fvMs, std::uint32_t fvLs, std::uint32_t os, std::uint32_t type) {
    const std::string info = VersionInfo(tables, translations, fvMs, fvLs, os, type);
    ByteBuilder r;
    // Three directory levels (type 16, name 1, language 0x411), each with one entry.
    r.U32(0).U32(0).U16(0).U16(0).U16(0).U16(1).U32(16).U32(0x80000018);
    r.U32(0).U32(0).U16(0).U16(0).U16(0).U16(1).U32(1).U32(0x80000030);
    r.U32(0).U32(0).U16(0).U16(0).U16(0).U16(1).U32(0x411).U32(0x48);
    r.U32(0x1000 + 0x58).U32(static_cast<std::uint32_t>(info.size())).U32(0).U32(0);
    std::string rsrc = r.Bytes();
    rsrc.resize(0x58, '\0');
    rsrc += info;
    return PeWithSection(pe64, rsrc);
}

std::string PeFileWithoutResources() {
    return PeWithSection(false, {});
}

std::string MpegFrames(int frames) {
    std::string frame("\xFF\xFB\x90\x00", 4);
    frame.resize(417, '\0');
    std::string out;
    for (int i = 0; i < frames; ++i) {
        out += frame;
    }
    return out;
}

std::string Id3v1(const std::string& title, const std::string& artist, const std::string& album) {
    auto field = [](std::string s, std::size_t n) {
        s.resize(n, '\0');
        return s;
    };
    return "TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + field("2003", 4) +
           field("", 30) + std::string(1, '\xFF');
}

std::string Id3v23(const std::vector<std::pair<std::string, std::pair<int, std::string>>>& frames) {
    std::string body;
    for (const auto& [id, content] : frames) {
        const std::string data = std::string(1, static_cast<char>(content.first)) + content.second;
        ByteBuilder f;
        f.Raw(id);
        const auto n = static_cast<std::uint32_t>(data.size());
        f.U8(n >> 24).U8(n >> 16 & 0xFF).U8(n >> 8 & 0xFF).U8(n & 0xFF).U16(0).Raw(data);
        body += f.Bytes();
    }
    const auto n = static_cast<std::uint32_t>(body.size());
    ByteBuilder h;
    h.Raw("ID3").U8(3).U8(0).U8(0);
    h.U8(n >> 21 & 0x7F).U8(n >> 14 & 0x7F).U8(n >> 7 & 0x7F).U8(n & 0x7F);
    return h.Bytes() + body;
}

std::string PdfUtf16(const std::string& utf8) {
    std::string hex = "<FEFF";
    char buffer[8];
    for (char16_t unit : text::Utf8ToUtf16(utf8)) {
        std::snprintf(buffer, sizeof buffer, "%04X", static_cast<unsigned>(unit));
        hex += buffer;
    }
    return hex + ">";
}

std::string PdfFile(const std::vector<std::pair<std::string, std::string>>& info) {
    std::string info_dict = "<<";
    for (const auto& [key, value] : info) {
        info_dict += " /" + key + " " + value;
    }
    info_dict += " >>";
    const std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>",
        info_dict,
    };
    std::string pdf = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    char line[32];
    for (std::size_t offset : offsets) {
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        pdf += line;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
           " /Root 1 0 R /Info 4 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

std::string WavFile(int samples) {
    const auto data = static_cast<std::uint32_t>(samples * 2);
    ByteBuilder w;
    w.Raw("RIFF")
        .U32(36 + data)
        .Raw("WAVE")
        .Raw("fmt ")
        .U32(16)
        .U16(1)
        .U16(1)
        .U32(8000)
        .U32(16000)
        .U16(2)
        .U16(16)
        .Raw("data")
        .U32(data)
        .Raw(std::string(data, '\0'));
    return w.Bytes();
}

} // namespace quillora::test
