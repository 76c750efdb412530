// LHA adapter: times by header level (levels 0 and 1 store local DOS date-times,
// levels 2 and 3 UTC seconds), stored sizes from the header, and the command entry.
#include "scan/LhaArchiver.h"

#include "core/TraceLog.h"
#include "scan/LhaWriter.h"

#include <archive.h>
#include <archive_entry.h>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sys/stat.h>

namespace quillora {

namespace fs = std::filesystem;

namespace {

struct SFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, SFileCloser>;

std::size_t ReadAt(std::FILE* f, std::int64_t offset, unsigned char* buffer, std::size_t size) {
    if (offset < 0 || fseeko(f, offset, SEEK_SET) != 0) {
        return 0;
    }
    return std::fread(buffer, 1, size, f);
}

std::uint32_t Le32(const unsigned char* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// A header starts with its size, a sum or size byte, and the method "-lXX-".
bool LooksLikeHeader(const unsigned char* p) {
    return p[2] == '-' && p[3] == 'l' && p[6] == '-' && p[20] <= 3;
}

// Offset of the entry's header at or shortly after `pos` (the first header of a
// self-extracting file follows its program code).
std::int64_t FindHeader(std::FILE* f, std::int64_t pos) {
    constexpr std::size_t kWindow = 64 * 1024;
    constexpr std::int64_t kLimit = 4 * 1024 * 1024;
    std::vector<unsigned char> buffer(kWindow + 32);
    for (std::int64_t base = pos; base < pos + kLimit; base += kWindow) {
        std::size_t got = ReadAt(f, base, buffer.data(), buffer.size());
        for (std::size_t i = 0; i + 22 <= got; ++i) {
            if (LooksLikeHeader(&buffer[i])) {
                return base + static_cast<std::int64_t>(i);
            }
        }
        if (got < buffer.size()) {
            break;
        }
    }
    return -1;
}

// Level 1 counts its extended headers in the stored size; they are walked and taken off.
std::uint64_t Level1ExtendedSize(std::FILE* f, std::int64_t headerPos, unsigned headerSize) {
    std::uint64_t total = 0;
    std::int64_t at = headerPos + headerSize - 2;
    for (int guard = 0; guard < 256; ++guard) {
        unsigned char size[2];
        if (ReadAt(f, at, size, 2) != 2) {
            break;
        }
        unsigned next = size[0] | size[1] << 8;
        if (next == 0) {
            break;
        }
        total += next;
        at += next;
    }
    return total;
}

} // namespace

CLhaArchiver::CLhaArchiver() : CLibarchiveArchiver(kArcIdLha, true, "libarchive", {"LZH"}) {}

void CLhaArchiver::EnableFormats(archive* a) const {
    archive_read_support_format_lha(a);
}

bool CLhaArchiver::AcceptsFormat(archive* a) const {
    return (archive_format(a) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_LHA;
}

CLibarchiveArchiver::SEntryFacts CLhaArchiver::FactsOf(archive* a, archive_entry*,
                                                       const std::string& path) const {
    SEntryFacts facts;
    facts.m_bDosTime = true;
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f) {
        return facts;
    }
    std::int64_t pos = archive_read_header_position(a);
    unsigned char header[24];
    if (ReadAt(f.get(), pos, header, sizeof header) != sizeof header || !LooksLikeHeader(header)) {
        pos = FindHeader(f.get(), pos < 0 ? 0 : pos);
        if (pos < 0 || ReadAt(f.get(), pos, header, sizeof header) != sizeof header) {
            return facts;
        }
    }
    unsigned level = header[20];
    std::uint64_t packed = Le32(header + 7);
    if (level == 1) {
        std::uint64_t extended = Level1ExtendedSize(f.get(), pos, header[0] + 2u);
        packed = extended <= packed ? packed - extended : 0;
    }
    facts.m_bDosTime = level <= 1;
    facts.m_bHasPacked = true;
    facts.m_nPacked = packed;
    return facts;
}

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (c == ' ' && !quoted) {
            if (inWord) {
                words.push_back(word);
            }
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return words;
}

int CLhaArchiver::Command(std::string_view commandLine) {
    std::vector<std::string> words = SplitCommandLine(commandLine);
    // Switches come first; from the first word that is no switch on, words are paths.
    std::vector<std::string> operands;
    for (std::size_t i = 1; i < words.size(); ++i) {
        if (operands.empty() && !words[i].empty() && words[i][0] == '-') {
            continue;
        }
        operands.push_back(words[i]);
    }
    if (words.empty() || !IsLoaded()) {
        SetLastError(words.empty() ? "empty command line" : "archiver not loaded");
        return 1;
    }
    if (words[0] == "e" && operands.size() == 3) {
        return Extract(operands[0], operands[1], {operands[2]}, false) ? 0 : 1;
    }
    if (words[0] == "a" && operands.size() == 2) {
        return Pack(operands[0], operands[1]);
    }
    SetLastError("unsupported command line: " + std::string(commandLine));
    return 1;
}

int CLhaArchiver::Pack(const std::string& archivePath, const std::string& filePath) {
    // The file is stored under its own name, without its folder; the writer builds the
    // archive beside the target and only replaces it once complete.
    fs::path source(filePath);
    struct stat info {};
    std::int64_t mtime = ::stat(filePath.c_str(), &info) == 0 ? info.st_mtime : 0;
    if (mtime < 0 || mtime > 0xFFFFFFFFLL) {
        mtime = 0;
    }
    CLhaWriter writer;
    std::string error;
    if (!writer.Open(archivePath, error) ||
        !writer.AddMember(source.filename().string(), source, mtime, 0644, error) ||
        !writer.Finish(error)) {
        SetLastError(error);
        Log("Unlha: " + error);
        return 1;
    }
    return 0;
}

} // namespace quillora
