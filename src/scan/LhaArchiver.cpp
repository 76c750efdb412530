// LHA adapter: times by header level (levels 0 and 1 store local DOS date-times,
// levels 2 and 3 UTC seconds), stored sizes from the header, and the command entry.
#include "scan/LhaArchiver.h"
#include "scan/CLibArchive.h"

#include "core/TraceLog.h"
#include "scan/ArchiveBytes.h"
#include "scan/ArchiveHead.h"
#include "scan/LhaWriter.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quillora {

namespace fs = std::filesystem;

namespace {

std::size_t ReadAt(int fd, std::int64_t offset, unsigned char* buffer, std::size_t size) {
    if (offset < 0) {
        return 0;
    }
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, buffer + got, size - got, static_cast<off_t>(offset) + got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    return got;
}

// A header starts with its size, a sum or size byte, and the method "-lXX-".
bool LooksLikeHeader(const unsigned char* p) {
    return p[2] == '-' && p[3] == 'l' && p[6] == '-' && p[20] <= 3;
}

// Offset of the entry's header at or shortly after `pos` (the first header of a
// self-extracting file follows its program code).
std::int64_t FindHeader(int fd, std::int64_t pos) {
    constexpr std::size_t kWindow = 64 * 1024;
    constexpr std::int64_t kLimit = 4 * 1024 * 1024;
    std::vector<unsigned char> buffer(kWindow + 32);
    for (std::int64_t base = pos; base < pos + kLimit; base += kWindow) {
        std::size_t got = ReadAt(fd, base, buffer.data(), buffer.size());
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

// Walks the extended headers that start with the size field at `at`: each holds its
// type, its data and the size of the next. Returns the bytes they take, and the DOS
// attributes of a type 0x40 header in `dosAttributes` (-1 when there is none).
std::uint64_t WalkExtended(int fd, std::int64_t at, int& dosAttributes) {
    std::uint64_t total = 0;
    dosAttributes = -1;
    unsigned char size[2];
    if (ReadAt(fd, at, size, 2) != 2) {
        return 0;
    }
    unsigned next = size[0] | size[1] << 8;
    at += 2;
    for (int guard = 0; guard < 256 && next >= 3; ++guard) {
        unsigned char head[3];
        if (ReadAt(fd, at, head, 1) != 1) {
            break;
        }
        if (head[0] == 0x40 && next >= 5 && ReadAt(fd, at + 1, head + 1, 2) == 2) {
            dosAttributes = head[1];
        }
        total += next;
        if (ReadAt(fd, at + next - 2, size, 2) != 2) {
            break;
        }
        at += next;
        next = size[0] | size[1] << 8;
    }
    return total;
}

} // namespace

CLhaArchiver::CLhaArchiver() : CLibarchiveArchiver(kArcIdLha, true, "libarchive", {"LZH"}) {}

void CLhaArchiver::EnableFormats(archive* a) const {
    CLibArchive::Get().m_readSupportFormatLha(a);
}

bool CLhaArchiver::AcceptsFormat(archive* a) const {
    return (CLibArchive::Get().m_format(a) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_LHA;
}

CLibarchiveArchiver::SEntryFacts CLhaArchiver::FactsOf(archive* a, archive_entry*, int fd) {
    SEntryFacts facts;
    facts.m_bDosTime = true;
    std::int64_t pos = CLibArchive::Get().m_readHeaderPosition(a);
    unsigned char header[26];
    if (ReadAt(fd, pos, header, sizeof header) < 22 || !LooksLikeHeader(header)) {
        pos = FindHeader(fd, pos < 0 ? 0 : pos);
        if (pos < 0 || ReadAt(fd, pos, header, sizeof header) < 22) {
            return facts;
        }
    }
    const unsigned level = header[20];
    std::uint64_t packed = Le32(header + 7);
    int dosAttributes = -1;
    if (level <= 1) {
        // Levels 0 and 1 keep the DOS attributes in the header itself.
        dosAttributes = header[19];
    }
    if (level == 1) {
        // Level 1 counts its extended headers in the stored size; they are taken off.
        int extended = -1;
        const std::uint64_t extra = WalkExtended(fd, pos + header[0] + 2 - 2, extended);
        packed = extra <= packed ? packed - extra : 0;
        if (extended >= 0) {
            dosAttributes = extended;
        }
    } else if (level == 2) {
        WalkExtended(fd, pos + 24, dosAttributes);
    }
    facts.m_bDosTime = level <= 1;
    facts.m_bHasPacked = true;
    facts.m_nPacked = packed;
    if (dosAttributes >= 0) {
        facts.m_bHasDosAttributes = true;
        facts.m_dwDosAttributes = static_cast<std::uint32_t>(dosAttributes) & 0x37;
    }
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

bool CLhaArchiver::MatchesHead(const CArchiveHead& head) const {
    return head.LooksLikeLha();
}

} // namespace quillora
