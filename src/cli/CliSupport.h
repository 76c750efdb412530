// Shared helpers of the quillora-cli commands: exit codes, loading a case with a
// clear one-line error, JSON text.
#pragma once

#include "core/ProfileStore.h"
#include "model/CCDCase.h"
#include "model/CCaseLock.h"
#include "model/IRecordSink.h"

#include <array>
#include <memory>
#include <optional>
#include <string>

namespace quillora {
class CMediaPresence;
}

namespace quillora::cli {

// Exit codes of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitFailure = 2;

// Loads the case at `path`, printing one line on stderr when it fails.
std::unique_ptr<CCDCase> LoadCaseOrReport(const std::string& path,
                                          const std::optional<std::string>& password);

// Streams the records of the case at `path` into `sink` without building its tree;
// false after printing one line on stderr, as LoadCaseOrReport does.
bool StreamCaseOrReport(const std::string& path, const std::optional<std::string>& password,
                        IRecordSink& sink);

// Locks the case at `path` exclusively for a command that reads, changes and saves
// it, so that two such commands never lose each other's changes. While another
// program holds it, says so on stderr and waits (or, with `noWait`, fails at once).
// A path with no file yet takes no lock, unless `mayCreate`: then the command that will
// make the case locks it as an empty file (gone again if it saves nothing). False after
// reporting why.
bool LockCaseForEdit(CCaseLock& lock, const std::string& path, bool noWait = false,
                     bool mayCreate = false);

// Whether a case file can hold `password` whole (Shift_JIS has all its characters and
// it takes at most 16 bytes there); false after reporting why.
bool CheckStorablePassword(const std::string& password);

// The desktop program's settings as they are in its file, read without changing it
// (a batch run must not disturb the program's autorun guard or its file): empty when
// the file is missing or cannot be read as settings.
CProfileStore ReadSettingsStore();

// The presence check over the mounted drives the user's drive options name.
CMediaPresence UserMediaPresence();

// Prints "quillora-cli: message" on stderr, as one line.
void ReportError(const std::string& message);

// A JSON string literal; escaped bytes become \udcXX so the output stays valid.
std::string JsonString(std::string_view utf8);
// The same literal, appended to `out`.
void AppendJsonString(std::string& out, std::string_view utf8);
// Whether a byte cannot stand in a JSON string as it is: controls, the quote and the
// backslash; 0xED may begin an escaped byte (U+DC80 to U+DCFF), which JSON spells
// \udcXX. Other bytes of UTF-8 stand as they are. A table, since every name of a
// listing passes.
inline constexpr std::array<bool, 256> kJsonEscapedBytes = [] {
    std::array<bool, 256> table{};
    for (int c = 0; c < 0x20; ++c) {
        table[static_cast<std::size_t>(c)] = true;
    }
    table['"'] = table['\\'] = table[0xED] = true;
    return table;
}();
inline bool NeedsJsonEscape(unsigned char c) {
    return kJsonEscapedBytes[c];
}
// How many bytes from the start need no escape: all of them, for most names.
std::size_t JsonPlainPrefix(std::string_view utf8);
// What goes between the quotes of that literal, appended to `out`.
void AppendJsonEscaped(std::string& out, std::string_view utf8);
// The same written at `at`, which has JsonEscapedRoom(utf8) bytes of room; returns the
// end. Bytes past the end up to the room's may be overwritten: a short name is copied
// sixteen bytes at a time.
inline std::size_t JsonEscapedRoom(std::string_view utf8) {
    return 6 * utf8.size() + 16;
}
char* WriteJsonEscaped(char* at, std::string_view utf8);

} // namespace quillora::cli
