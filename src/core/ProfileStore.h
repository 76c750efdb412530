// The per-user settings store: named sections holding typed values (32-bit integer, string,
// binary), kept in one text file that is replaced atomically on every save.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quillora {

// What Load found.
enum class EProfileLoad {
    Ok,      // the file was read
    Missing, // no file yet: the store is empty
    Corrupt, // unreadable or malformed: the store is empty and the file was set aside
};

enum class EProfileType { Int, String, Binary };

// File format (UTF-8 text, "\n" line ends; "\r\n" is accepted on reading):
//
//   # Quillora settings v1          <- required first line
//   [OptionView]                    <- section header; "\" in a name separates sub-sections
//   MRUCount=i:4                    <- 32-bit integer, decimal
//   SaveFolder=s:/home/me/cases     <- string
//   Normal=b:0100000001000000a0000000   <- binary, two hex digits per byte
//
// Section names, value names and strings are escaped: "\\" for a backslash, "\n", "\r",
// "\t", and "\xHH" for any other control byte; value names also escape "=" and a leading
// "[", "#" or ";", and strings a trailing blank. So a sub-section reads "[CSVForm\\1]".
// Other bytes (UTF-8 included) are written as they are. Lines starting with "#" or ";"
// and empty lines are comments. Any other malformed line makes the whole file corrupt.
//
// Names of sections and values compare without regard to ASCII letter case, like the
// registry they stand in for; a name keeps the spelling it was first written with.
// Not thread-safe: one thread at a time.
class CProfileStore {
public:
    // The first line every store file starts with.
    static constexpr std::string_view kMagicLine = "# Quillora settings v1";
    // Files larger than this are not read (a settings file is a few kilobytes).
    static constexpr std::uintmax_t kMaxFileSize = 64u << 20;

    // ConfigFolder()/Quillora.conf.
    static std::string DefaultPath();

    // Empties the store, then reads the file at path, which becomes the target of Save.
    // A corrupt or unreadable file is renamed to "<path>.bad-<date>-<time>" (never over an
    // existing file) and logged; when it cannot be moved aside, Save refuses to write so
    // that the user's only copy is not overwritten.
    EProfileLoad Load(const std::string& path);

    // Writes the whole store to Path(): a temporary file in the same folder, flushed to
    // disk, then renamed over the old file. Creates the folder when needed. On failure the
    // old file is untouched, the reason is in Problem() and the result is false.
    bool Save();

    // Deletes the file at Path() (the settings of this user) and empties the store.
    // True when no file remains.
    bool RemoveFile();

    // The file given to the last Load (empty before).
    const std::string& Path() const { return m_path; }
    void SetPath(const std::string& path) { m_path = path; }
    // Where the last Load moved a bad file (empty when it did not).
    const std::string& SetAsidePath() const { return m_setAsidePath; }
    // The last load or save problem, in words, with the path (empty when none).
    const std::string& Problem() const { return m_problem; }

    // Reads: a missing value, or one of another type, gives the default.
    std::int32_t GetInt(std::string_view section, std::string_view name,
                        std::int32_t defaultValue) const;
    std::string GetString(std::string_view section, std::string_view name,
                          std::string_view defaultValue = {}) const;
    std::optional<std::vector<std::uint8_t>> GetBinary(std::string_view section,
                                                       std::string_view name) const;
    std::optional<EProfileType> TypeOf(std::string_view section, std::string_view name) const;

    // Writes create the section when needed and replace a value of any type.
    void SetInt(std::string_view section, std::string_view name, std::int32_t value);
    void SetString(std::string_view section, std::string_view name, std::string_view value);
    void SetBinary(std::string_view section, std::string_view name,
                   const std::vector<std::uint8_t>& value);

    // True when the value existed.
    bool DeleteValue(std::string_view section, std::string_view name);
    // Deletes the section and every section below it ("CSVForm" takes "CSVForm\1" along,
    // never "CSVForm2"). True when anything was deleted.
    bool DeleteSection(std::string_view section);
    // Makes an empty section exist (as creating a registry key does).
    void CreateSection(std::string_view section);
    // A section exists when it was created or written to, or holds sub-sections.
    bool HasSection(std::string_view section) const;
    bool HasValue(std::string_view section, std::string_view name) const;

    // Every stored section's full name, in case-insensitive order.
    std::vector<std::string> SectionNames() const;
    // The names of the sections directly below parent ("CSVForm" -> "1", "2", ...);
    // an empty parent lists the top level.
    std::vector<std::string> SubSectionNames(std::string_view parent) const;
    std::vector<std::string> ValueNames(std::string_view section) const;

    void Clear() { m_sections.clear(); }
    bool Empty() const { return m_sections.empty(); }

    // The file's text form, and reading it back (replacing the contents; on failure the
    // store is left empty and error says which line is wrong). Load and Save use these.
    std::string ToText() const;
    bool FromText(std::string_view text, std::string* error = nullptr);

private:
    struct SCaseLess {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    using Value = std::variant<std::int32_t, std::string, std::vector<std::uint8_t>>;
    using ValueMap = std::map<std::string, Value, SCaseLess>;
    using SectionMap = std::map<std::string, ValueMap, SCaseLess>;

    const Value* Find(std::string_view section, std::string_view name) const;
    ValueMap& Section(std::string_view section);
    void Set(std::string_view section, std::string_view name, Value value);
    void SetAside();

    SectionMap m_sections;
    std::string m_path;
    std::string m_setAsidePath;
    std::string m_problem;
    bool m_saveBlocked = false;
};

} // namespace quillora
