// Process-wide locale objects for regular expressions, made once and kept to the end.
#include "search/CRegexLocale.h"

#include <initializer_list>

namespace quillora {

locale_t CRegexLocale::Utf8() {
    static const locale_t locale = [] {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8", "en_US.utf8"}) {
            if (locale_t l = newlocale(LC_CTYPE_MASK | LC_COLLATE_MASK, name, nullptr)) {
                return l;
            }
        }
        return locale_t(nullptr);
    }();
    return locale;
}

locale_t CRegexLocale::Classic() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", nullptr);
    return locale;
}

CRegexLocale::CUse::CUse(locale_t locale) {
    if (locale) {
        m_previous = uselocale(locale);
    }
}

CRegexLocale::CUse::~CUse() {
    if (m_previous) {
        uselocale(m_previous);
    }
}

} // namespace quillora
