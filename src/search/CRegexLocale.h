// The locales regular expressions are compiled and run in: the model's texts are UTF-8,
// so patterns see whole characters whatever locale the user runs the program in.
#pragma once

#include <clocale>
#include <locale.h>

namespace quillora {

class CRegexLocale {
public:
    // A UTF-8 character-type locale ("C.UTF-8", else the first UTF-8 locale found);
    // null when the system has none, which makes regular expressions unusable.
    static locale_t Utf8();
    // The "C" locale: one byte is one character. Used for ASCII patterns on ASCII
    // texts, where it matches exactly as the UTF-8 locale does and runs faster.
    static locale_t Classic();

    // Switches the calling thread to `locale` for its lifetime (no-op for null).
    class CUse {
    public:
        explicit CUse(locale_t locale);
        ~CUse();
        CUse(const CUse&) = delete;
        CUse& operator=(const CUse&) = delete;

    private:
        locale_t m_previous = nullptr;
    };
};

} // namespace quillora
