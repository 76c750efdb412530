// File-type code table and the next-dot look-up.
#include "core/FileTypeCode.h"

#include <array>
#include <cstring>

namespace quillora {

namespace {

struct Entry {
    const char* key;
    std::uint16_t code;
};

constexpr std::array<Entry, 23> kTable{{
    {".", kFtDot},     {"..", kFtDotDot},   {".LZH", kFtLzh}, {".CAB", kFtCab}, {".TAR", kFtTar},
    {".TGZ", kFtTgz},  {".TAR.GZ", kFtTgz}, {".TAZ", kFtTaz}, {".GZ", kFtGz},   {".Z", kFtZ},
    {".ZIP", kFtZip},  {".ARJ", kFtArj},    {".ARC", kFtArc}, {".RAR", kFtRar}, {".ISH", kFtIsh},
    {".GCA", kFtGca},  {".CAS", kFtCas},    {".CAZ", kFtCaz}, {".CSV", kFtCsv}, {".HTML", kFtHtml},
    {".HTM", kFtHtml}, {".TXT", kFtTxt},    {".EXE", kFtExe},
}};

bool EqualsUpper(std::string_view text, const char* key) {
    std::size_t n = std::strlen(key);
    if (text.size() != n) {
        return false;
    }
    for (std::size_t i = 0; i < n; ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        if (c != key[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

std::uint16_t FileTypeCode(std::string_view name) {
    std::size_t dot = name.find('.');
    while (dot != std::string_view::npos) {
        std::string_view ending = name.substr(dot);
        for (const Entry& e : kTable) {
            if (EqualsUpper(ending, e.key)) {
                return e.code;
            }
        }
        dot = name.find('.', dot + 1);
    }
    return kFtOther;
}

} // namespace quillora
