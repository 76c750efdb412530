// Our own bounded reader of the version resource of Windows executables and libraries
// (PE files, 32- and 64-bit): the fixed version numbers, OS and type words, the
// translations and the string tables. Every offset, count and length read from the
// file is checked before use.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillora {

struct SPeVersionInfo {
    bool m_bFixed = false; // a VS_FIXEDFILEINFO was present
    std::uint32_t m_dwFileVersionMS = 0, m_dwFileVersionLS = 0;
    std::uint32_t m_dwProductVersionMS = 0, m_dwProductVersionLS = 0;
    std::uint32_t m_dwFileOS = 0, m_dwFileType = 0;
    // (language, code page) pairs of VarFileInfo\Translation.
    std::vector<std::pair<std::uint16_t, std::uint16_t>> m_translations;
    struct STable {
        std::string m_strKey; // "041104B0": language and code page in hex
        std::vector<std::pair<std::string, std::string>> m_strings; // UTF-8 name, value
    };
    std::vector<STable> m_tables;

    // The strings of the table for `language` (exact, else the same primary
    // language, else the first translation), or of the first table when the
    // translations name none that exists. Null when there are no tables.
    const STable* TableFor(std::uint16_t language) const;
};

class CPeVersionReader {
public:
    // Reads `n` bytes at `offset` into `buffer`; returns the count read.
    using ReadAt = std::function<std::size_t(std::uint64_t offset, void* buffer, std::size_t n)>;

    // A version resource is not read beyond this size.
    static constexpr std::uint32_t kMaxResourceSize = 1024 * 1024;

    // Finds and parses the version resource of the PE file of `size` bytes. False when
    // the file is no PE file or has no (readable) version resource.
    static bool Read(const ReadAt& read, std::uint64_t size, SPeVersionInfo& info);

    // Parses a VS_VERSIONINFO block.
    static bool ParseVersionInfo(std::string_view data, SPeVersionInfo& info);

    // The Windows language id of the user's locale (LC_ALL, LC_MESSAGES or LANG, such
    // as ja_JP.UTF-8 -> 0x0411); 0x0409 when unknown.
    static std::uint16_t UserLanguage();
    static std::uint16_t LanguageFromLocale(std::string_view locale);
};

} // namespace quillora
