// quillora-cli helpers.
#include "cli/CliSupport.h"

#include "cli/IndexAccess.h"

#include "core/ConfigData.h"
#include "core/Text.h"
#include "document/JobOptions.h"
#include "model/CaseFile.h"
#include "scan/MediaPresence.h"
#include "search/TextScan.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace quillora::cli {

CProfileStore ReadSettingsStore() {
    CProfileStore store;
    std::ifstream in(CProfileStore::DefaultPath(), std::ios::binary);
    if (!in) {
        return store;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!store.FromText(text)) {
        store.Clear();
    }
    return store;
}

CMediaPresence UserMediaPresence() {
    return CMediaPresence(&CDriveList::Read, DriveChoiceFrom(Config()));
}

void ReportError(const std::string& message) {
    // One line per failure, whatever the message was written for.
    std::string line = message;
    std::replace(line.begin(), line.end(), '\n', ' ');
    std::fprintf(stderr, "quillora-cli: %s\n", line.c_str());
}

bool LockCaseForEdit(CCaseLock& lock, const std::string& path, bool noWait, bool mayCreate) {
    try {
        auto waiting = [&path] {
            ReportError("waiting for " + path + ", which another program is using");
        };
        CCaseLock::EResult result =
            mayCreate ? lock.AcquireForWrite(path, !noWait, waiting)
                      : lock.Acquire(path, CCaseLock::EKind::Exclusive, !noWait, waiting);
        if (result == CCaseLock::EResult::Busy) {
            ReportError(path + ": another program is using the case (try again without --no-wait)");
            return false;
        }
        return true;
    } catch (const std::exception& e) {
        ReportError(DescribeCaseError(e, path));
        return false;
    }
}

bool CheckStorablePassword(const std::string& password) {
    switch (PasswordBytes(password)) {
    case EPasswordProblem::NotCp932:
        ReportError("the password holds a character a case file cannot store (Shift_JIS has "
                    "no code for it)");
        return false;
    case EPasswordProblem::TooLong:
        ReportError("the password is longer than the 16 bytes a case file stores (a Japanese "
                    "character takes 2)");
        return false;
    case EPasswordProblem::None:
        break;
    }
    return true;
}

namespace {

void ReportReadError(const std::string& path, const std::optional<std::string>& password,
                     bool badPassword, const std::string& error) {
    if (!badPassword) {
        ReportError(error);
        return;
    }
    ReportError(
        path + ": " +
        (password ? "wrong password" : "the case is protected by a password (use --password)"));
}

} // namespace

std::unique_ptr<CCDCase> LoadCaseOrReport(const std::string& path,
                                          const std::optional<std::string>& password) {
    bool badPassword = false;
    std::string error;
    std::unique_ptr<CCDCase> root = ReadCaseFile(path, password.value_or(""), &badPassword, &error);
    if (!root) {
        ReportReadError(path, password, badPassword, error);
        return root;
    }
    IndexCaseAfterCommand(*root, path);
    return root;
}

bool StreamCaseOrReport(const std::string& path, const std::optional<std::string>& password,
                        IRecordSink& sink) {
    bool badPassword = false;
    std::string error;
    if (StreamCaseFile(path, password.value_or(""), sink, &badPassword, &error)) {
        return true;
    }
    ReportReadError(path, password, badPassword, error);
    return false;
}

void AppendJsonString(std::string& out, std::string_view utf8) {
    out += '"';
    AppendJsonEscaped(out, utf8);
    out += '"';
}

namespace {

// Sixteen bytes as bits: those NeedsJsonEscape names (a control is one that the minimum
// with 0x1F leaves as it is).
unsigned EscapedBytes(__m128i v) {
    const __m128i controls = _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(0x1F)), v);
    const __m128i quote = _mm_cmpeq_epi8(v, _mm_set1_epi8('"'));
    const __m128i backslash = _mm_cmpeq_epi8(v, _mm_set1_epi8('\\'));
    const __m128i lead = _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(0xED)));
    return static_cast<unsigned>(_mm_movemask_epi8(
        _mm_or_si128(_mm_or_si128(controls, quote), _mm_or_si128(backslash, lead))));
}

// Up to sixteen bytes at `at` in a register, read in place when sixteen from there stay
// on their page, else through a copy of the `n` there are; the bytes past `n` are
// anything, for the caller to mask off.
__m128i LoadUpTo16(const char* at, std::size_t n) {
    if ((reinterpret_cast<std::uintptr_t>(at) & 4095) <= 4096 - 16) {
        return Load16InPage(at);
    }
    alignas(16) char buffer[16] = {};
    std::memcpy(buffer, at, n);
    return _mm_load_si128(reinterpret_cast<const __m128i*>(buffer));
}

} // namespace

std::size_t JsonPlainPrefix(std::string_view utf8) {
    const char* p = utf8.data();
    const std::size_t n = utf8.size();
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        if (const unsigned mask =
                EscapedBytes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)))) {
            return i + static_cast<std::size_t>(__builtin_ctz(mask));
        }
    }
    if (i == n) {
        return n;
    }
    const std::size_t left = n - i;
    const unsigned mask = EscapedBytes(LoadUpTo16(p + i, left)) & ((1u << left) - 1);
    return mask != 0 ? i + static_cast<std::size_t>(__builtin_ctz(mask)) : n;
}

void AppendJsonEscaped(std::string& out, std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        // Runs of bytes that stand as they are go in whole.
        const std::size_t run = i + JsonPlainPrefix(utf8.substr(i));
        if (run != i) {
            out.append(utf8.data() + i, run - i);
            i = run;
            if (i == utf8.size()) {
                break;
            }
        }
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        unsigned char escaped = 0;
        if (c >= 0x80 && text::IsEscapedByte(utf8, i, &escaped)) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\udc%02x", escaped);
            out += buffer;
            i += 2;
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                out += buffer;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
}

char* WriteJsonEscaped(char* at, std::string_view utf8) {
    const std::size_t n = utf8.size();
    if (n == 0) {
        return at; // an empty view may point nowhere
    }
    if (n <= 16) {
        // Most names: checked and copied as one block of sixteen.
        const __m128i block = LoadUpTo16(utf8.data(), n);
        if ((EscapedBytes(block) & ((1u << n) - 1)) == 0) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(at), block);
            return at + n;
        }
    } else if (JsonPlainPrefix(utf8) == n) {
        std::memcpy(at, utf8.data(), n);
        return at + n;
    }
    std::string escaped;
    AppendJsonEscaped(escaped, utf8);
    std::memcpy(at, escaped.data(), escaped.size());
    return at + escaped.size();
}

std::string JsonString(std::string_view utf8) {
    std::string out;
    AppendJsonString(out, utf8);
    return out;
}

} // namespace quillora::cli
