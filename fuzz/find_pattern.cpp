// Fuzz target: find patterns against texts. The matchers that answer without regexec
// (plain literals, globs, the required-literal filter, case folding) must answer as
// glibc's regexec does for the same expression: in the UTF-8 locale, and when case
// is ignored, as REG_ICASE in the "C" locale does on ASCII (where it folds A-Z only).
// Input: one flag byte (bit 0 wildcard, bit 1 ignore case), the pattern up to a zero
// byte, then the text.
#include "search/CFindPattern.h"
#include "search/CRegexLocale.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <regex.h>
#include <string>
#include <string_view>

namespace {

bool ValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c < 0x80   ? 1
                              : c < 0xC2 ? 0
                              : c < 0xE0 ? 2
                              : c < 0xF0 ? 3
                              : c < 0xF5 ? 4
                                         : 0;
        if (n == 0 || i + n > s.size()) {
            return false;
        }
        for (std::size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += n;
    }
    return true;
}

bool IsAscii(std::string_view s) {
    for (unsigned char c : s) {
        if (c >= 0x80) {
            return false;
        }
    }
    return true;
}

// Whether the expression escapes a letter (REG_ICASE never matches those in glibc) or
// holds a range (REG_ICASE also tries the other case of the text there, while the
// program folds the range's ends as bytes).
bool IcaseDiffers(std::string_view e) {
    for (std::size_t i = 0; i + 1 < e.size(); ++i) {
        if (e[i] == '\\') {
            const char n = e[++i];
            if ((n >= 'a' && n <= 'z') || (n >= 'A' && n <= 'Z')) {
                return true;
            }
        }
    }
    return e.find('[') != std::string_view::npos && e.find('-') != std::string_view::npos;
}

// glibc's answer; nullopt-like -1 when it does not compile.
int Reference(const std::string& expression, std::string_view text, bool ignoreCase) {
    quillora::CRegexLocale::CUse use(ignoreCase ? quillora::CRegexLocale::Classic()
                                                : quillora::CRegexLocale::Utf8());
    regex_t re;
    if (regcomp(&re, expression.c_str(), REG_EXTENDED | REG_NOSUB | (ignoreCase ? REG_ICASE : 0)) !=
        0) {
        return -1;
    }
    regmatch_t range[1];
    range[0].rm_so = 0;
    range[0].rm_eo = static_cast<regoff_t>(text.size());
    const int found = regexec(&re, text.data(), 1, range, REG_STARTEND) == 0 ? 1 : 0;
    regfree(&re);
    return found;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const bool wildcard = (data[0] & 1) != 0;
    const bool ignoreCase = (data[0] & 2) != 0;
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t zero = rest.find('\0');
    if (zero == std::string_view::npos || zero > 256) {
        return 0;
    }
    const std::string pattern(rest.substr(0, zero));
    const std::string text(rest.substr(zero + 1));
    quillora::CFindPattern compiled;
    const bool ok = compiled.Compile(pattern, wildcard, ignoreCase);
    const bool found = compiled.Search(text);
    if (!ok) {
        if (found) {
            std::abort(); // a pattern that does not compile matches nothing
        }
        return 0;
    }
    if (!ValidUtf8(pattern) || !ValidUtf8(text)) {
        return 0; // the catalogue's texts are always valid UTF-8
    }
    int want = -1;
    if (!ignoreCase) {
        want = Reference(compiled.Expression(), text, false);
    } else if (IsAscii(pattern) && IsAscii(text)) {
        quillora::CFindPattern plain;
        plain.Compile(pattern, wildcard, false);
        if (!IcaseDiffers(plain.Expression())) {
            want = Reference(plain.Expression(), text, true);
        }
    }
    if (want >= 0 && want != (found ? 1 : 0)) {
        std::abort();
    }
    return 0;
}
