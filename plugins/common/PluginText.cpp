// Text helpers of the plug-ins.
#include "common/PluginText.h"

#include <iconv.h>

namespace quillora::plugin {

namespace {

bool HasJapanese(std::string_view utf8) {
    for (std::size_t i = 0; i + 2 < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0xE3 || c > 0xEF) {
            continue;
        }
        const char32_t cp = (static_cast<char32_t>(c & 0x0F) << 12) |
                            (static_cast<char32_t>(utf8[i + 1] & 0x3F) << 6) |
                            static_cast<char32_t>(utf8[i + 2] & 0x3F);
        if ((cp >= 0x3000 && cp <= 0x30FF) || (cp >= 0x4E00 && cp <= 0x9FFF) ||
            (cp >= 0xFF01 && cp <= 0xFF9F)) {
            return true;
        }
        i += 2;
    }
    return false;
}

} // namespace

bool Decode(std::string_view bytes, const char* charset, std::string& out) {
    iconv_t cd = iconv_open("UTF-8", charset);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    std::string buffer(bytes.size() * 4 + 8, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* o = buffer.data();
    std::size_t outLeft = buffer.size();
    const std::size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1) || inLeft != 0) {
        return false;
    }
    buffer.resize(buffer.size() - outLeft);
    out = std::move(buffer);
    return true;
}

std::string LegacyBytesToUtf8(std::string_view bytes) {
    bool ascii = true;
    for (char c : bytes) {
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    }
    if (ascii) {
        return std::string(bytes);
    }
    // Many taggers store UTF-8 in frames declared Latin-1.
    std::string utf8;
    if (Decode(bytes, "UTF-8", utf8)) {
        return utf8;
    }
    std::string japanese;
    if (Decode(bytes, "CP932", japanese) && HasJapanese(japanese)) {
        return japanese;
    }
    std::string latin;
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            latin += static_cast<char>(c);
        } else {
            latin += static_cast<char>(0xC0 | c >> 6);
            latin += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return latin;
}

std::string TrimRight(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0' || s.back() == '\t' ||
                          s.back() == '\r' || s.back() == '\n')) {
        s.pop_back();
    }
    return s;
}

} // namespace quillora::plugin
