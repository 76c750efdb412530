// CSV import: reading records, decoding fields, placing entries.
#include "export/CCsvImporter.h"

#include "core/Resources.h"
#include "core/Text.h"
#include "export/CExportJob.h"
#include "export/CLocalClock.h"
#include "export/FormItem.h"
#include "model/CCDCase.h"
#include "model/CaseSchema.h"
#include "model/PropertyDefinitions.h"
#include "model/SVolumeInfo.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <ctime>
#include <deque>
#include <fcntl.h>
#include <optional>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillora {

namespace {

// The attribute Windows gives a file without other attributes: imported entries carry it.
constexpr std::uint32_t kAttrNormal = 0x00000080;
// A folder with more children than this gets a name index.
constexpr std::size_t kIndexFrom = 8;
// Folder levels a path may have below its medium: the reader refuses deeper trees, and
// room is left for the medium being put into a group later.
constexpr std::size_t kMaxFolderLevels = kMaxTreeDepth - 4;

class CImportError {
public:
    CImportError(std::uint64_t line, EImportProblem problem, std::string text,
                 std::string value = {})
        : m_nLine(line), m_problem(problem), m_strText(std::move(text)),
          m_strValue(std::move(value)) {}
    std::uint64_t m_nLine;
    EImportProblem m_problem;
    std::string m_strText;
    std::string m_strValue;
};

[[noreturn]] void ThrowBinary(std::uint64_t line) {
    throw CImportError(line, EImportProblem::Binary,
                       "binary data (a NUL byte): this is not a list in text form");
}

// A read-only view of a whole file.
class CMappedFile {
public:
    explicit CMappedFile(const std::string& path) {
        m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0) {
            m_nError = errno;
            return;
        }
        struct stat st {};
        if (::fstat(m_fd, &st) != 0) {
            m_nError = errno;
            return;
        }
        if (S_ISDIR(st.st_mode)) {
            m_nError = EISDIR;
            return;
        }
        if (S_ISREG(st.st_mode)) {
            m_nSize = static_cast<std::size_t>(st.st_size);
            if (m_nSize == 0) {
                return;
            }
            void* p = ::mmap(nullptr, m_nSize, PROT_READ, MAP_PRIVATE, m_fd, 0);
            if (p != MAP_FAILED) {
                m_pMap = p;
                ::madvise(p, m_nSize, MADV_SEQUENTIAL);
                return;
            }
        }
        ReadBounded();
    }
    ~CMappedFile() {
        if (m_pMap) {
            ::munmap(m_pMap, m_nSize);
        }
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    CMappedFile(const CMappedFile&) = delete;
    CMappedFile& operator=(const CMappedFile&) = delete;

    int Error() const { return m_nError; }
    // A pipe or device gave more than CCsvImporter::kMaxStreamedList bytes.
    bool TooLong() const { return m_bTooLong; }
    std::string_view Bytes() const {
        return m_pMap ? std::string_view(static_cast<const char*>(m_pMap), m_nSize)
                      : std::string_view(m_read);
    }

private:
    // Pipes, devices and files that cannot be mapped are read in pieces, up to a cap: a
    // FIFO or /dev/zero never ends. Binary data stops the read at once; the reader
    // reports it.
    void ReadBounded() {
        char buffer[1 << 16];
        for (;;) {
            ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                m_nError = errno;
                return;
            }
            if (n == 0) {
                break;
            }
            if (m_read.size() + static_cast<std::size_t>(n) > CCsvImporter::kMaxStreamedList) {
                m_bTooLong = true;
                m_read.clear();
                break;
            }
            m_read.append(buffer, static_cast<std::size_t>(n));
            if (std::memchr(buffer, '\0', static_cast<std::size_t>(n))) {
                break;
            }
        }
        m_nSize = m_read.size();
    }

    int m_fd = -1;
    int m_nError = 0;
    bool m_bTooLong = false;
    void* m_pMap = nullptr;
    std::size_t m_nSize = 0;
    std::string m_read;
};

// The first and the last "\" or "/" of a path, or npos. (The standard find_first_of
// looks each byte up in the set with a call of its own.)
std::size_t FirstSeparator(std::string_view path) {
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '\\' || path[i] == '/') {
            return i;
        }
    }
    return std::string_view::npos;
}

std::size_t LastSeparator(std::string_view path) {
    if (path.empty()) {
        return std::string_view::npos;
    }
    const auto* back = static_cast<const char*>(::memrchr(path.data(), '\\', path.size()));
    const auto* slash = static_cast<const char*>(::memrchr(path.data(), '/', path.size()));
    if (!back || !slash) {
        return back    ? static_cast<std::size_t>(back - path.data())
               : slash ? static_cast<std::size_t>(slash - path.data())
                       : std::string_view::npos;
    }
    return static_cast<std::size_t>(std::max(back, slash) - path.data());
}

std::string Quoted(std::string_view s) {
    std::string out = "\"";
    out.append(s.substr(0, 60));
    if (s.size() > 60) {
        out += "...";
    }
    out += '"';
    return out;
}

// The first byte at or after `pos` that is one of a, b, c and NUL; `size` when there is
// none. Sets `high` when a byte before it is not ASCII. Sixteen bytes a step where the
// processor has SSE2 (every x86-64 does).
std::size_t FindAnyOf(const char* text, std::size_t pos, std::size_t size, char a, char b, char c,
                      bool& high) {
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi8(a);
    const __m128i vb = _mm_set1_epi8(b);
    const __m128i vc = _mm_set1_epi8(c);
    const __m128i nul = _mm_setzero_si128();
    while (pos + 16 <= size) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + pos));
        const __m128i hit =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)),
                         _mm_or_si128(_mm_cmpeq_epi8(v, vc), _mm_cmpeq_epi8(v, nul)));
        const auto highBits = static_cast<unsigned>(_mm_movemask_epi8(v));
        if (const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hit)); mask != 0) {
            const auto at = static_cast<unsigned>(__builtin_ctz(mask));
            high = high || (highBits & ((1u << at) - 1)) != 0;
            return pos + at;
        }
        high = high || highBits != 0;
        pos += 16;
    }
#endif
    for (; pos < size; ++pos) {
        const char x = text[pos];
        if (x == a || x == b || x == c || x == '\0') {
            return pos;
        }
        high = high || static_cast<unsigned char>(x) >= 0x80;
    }
    return size;
}

// One field of a record: its bytes and whether they are all ASCII (which read the same
// in every encoding and need no decoding).
struct SField {
    std::string_view m_text;
    bool m_bAscii = true;
};

// Splits the text into records of fields: a field starting with a double quote runs to
// the quote that ends it (a quote followed by the separator, the line end or the end of
// the text); inside it a doubled quote is one quote, any other quote is kept as it is
// (this program writes quotes inside quoted fields without doubling them), and line ends
// belong to the field. Fields are views into the text; only a field with doubled quotes
// is copied, into storage of the reader's own.
class CRecordReader {
public:
    CRecordReader(std::string_view text, std::string_view separator)
        : m_text(text), m_sep(separator) {}

    bool AtEnd() const { return m_pos >= m_text.size(); }
    std::size_t Position() const { return m_pos; }
    // The line the next record starts on.
    std::uint64_t Line() const { return m_nLine; }

    // Reads the next record into the first entries of `fields` and returns how many it
    // has. The views stay valid until the next call. Throws CImportError.
    std::size_t Next(std::vector<SField>& fields) {
        const std::uint64_t startLine = m_nLine;
        std::size_t count = 0;
        for (;;) {
            if (count == fields.size()) {
                fields.emplace_back();
            }
            if (m_pos < m_text.size() && m_text[m_pos] == '"') {
                fields[count] = ReadQuoted(count, startLine);
            } else {
                fields[count] = ReadPlain(startLine);
            }
            ++count;
            if (AtSeparator()) {
                m_pos += m_sep.size();
                continue;
            }
            EndLine(startLine);
            return count;
        }
    }

private:
    bool AtSeparator() const {
        if (m_sep.size() == 1) {
            return m_pos < m_text.size() && m_text[m_pos] == m_sep[0];
        }
        return !m_sep.empty() && m_text.compare(m_pos, m_sep.size(), m_sep) == 0;
    }
    bool AtLineEnd() const {
        return m_pos >= m_text.size() || m_text[m_pos] == '\n' || m_text[m_pos] == '\r';
    }
    void EndLine(std::uint64_t startLine) {
        if (m_pos >= m_text.size()) {
            return;
        }
        if (m_text[m_pos] == '\r') {
            ++m_pos;
            if (m_pos < m_text.size() && m_text[m_pos] == '\n') {
                ++m_pos;
            }
        } else if (m_text[m_pos] == '\n') {
            ++m_pos;
        } else {
            throw CImportError(startLine, EImportProblem::QuoteNotClosed,
                               "the line does not end after its last field");
        }
        ++m_nLine;
    }
    SField ReadPlain(std::uint64_t startLine) {
        const char* const text = m_text.data();
        const std::size_t size = m_text.size();
        const std::size_t start = m_pos;
        std::size_t pos = start;
        bool high = false;
        if (m_sep.size() <= 1) {
            pos = FindAnyOf(text, pos, size, m_sep.empty() ? '\n' : m_sep[0], '\n', '\r', high);
        } else {
            const char sep0 = m_sep.empty() ? '\n' : m_sep[0];
            while (pos < size) {
                const char c = text[pos];
                if (c == '\n' || c == '\r' || c == '\0') {
                    break;
                }
                if (c == sep0) {
                    m_pos = pos;
                    if (AtSeparator()) {
                        break;
                    }
                }
                high = high || static_cast<unsigned char>(c) >= 0x80;
                ++pos;
            }
        }
        m_pos = pos;
        if (pos < size && text[pos] == '\0') {
            Binary(m_nLine);
        }
        CheckLength(0, pos - start, startLine);
        return SField{m_text.substr(start, pos - start), !high};
    }
    SField ReadQuoted(std::size_t index, std::uint64_t startLine) {
        const char* const text = m_text.data();
        const std::size_t size = m_text.size();
        ++m_pos; // the opening quote
        const std::size_t first = m_pos;
        // Until a doubled quote turns up, the field is text[first, m_pos); after that
        // it is built in `copy`.
        std::string* copy = nullptr;
        std::size_t length = 0;
        bool high = false;
        for (;;) {
            const std::size_t start = m_pos;
            std::size_t pos = start;
            std::uint64_t lines = 0;
            for (;;) {
                pos = FindAnyOf(text, pos, size, '"', '\n', '\r', high);
                if (pos >= size || text[pos] == '"') {
                    break;
                }
                if (text[pos] == '\0') {
                    Binary(m_nLine + lines);
                }
                if (text[pos] == '\n' || pos + 1 >= size || text[pos + 1] != '\n') {
                    ++lines;
                }
                ++pos;
            }
            m_nLine += lines;
            m_pos = pos;
            CheckLength(length, pos - start, startLine);
            length += pos - start;
            if (copy) {
                copy->append(text + start, pos - start);
            }
            if (m_pos >= size) {
                throw CImportError(startLine, EImportProblem::QuoteNotClosed,
                                   "a quoted field is not closed");
            }
            // At a quote: a doubled one stands for itself; one followed by the separator
            // or the line end closes the field; any other is part of the text.
            if (m_pos + 1 < size && text[m_pos + 1] == '"') {
                CheckLength(length, 1, startLine);
                ++length;
                if (!copy) {
                    copy = &Copy(index);
                    copy->assign(text + first, m_pos - first);
                }
                copy->push_back('"');
                m_pos += 2;
                continue;
            }
            ++m_pos;
            if (AtLineEnd() || AtSeparator()) {
                return SField{copy ? std::string_view(*copy)
                                   : m_text.substr(first, m_pos - 1 - first),
                              !high};
            }
            CheckLength(length, 1, startLine);
            ++length;
            if (copy) {
                copy->push_back('"');
            }
        }
    }
    // Storage for field `index` of a record; a deque, so that growing it leaves the
    // strings (and views into them) where they are.
    std::string& Copy(std::size_t index) {
        while (m_copies.size() <= index) {
            m_copies.emplace_back();
        }
        return m_copies[index];
    }
    [[noreturn]] static void Binary(std::uint64_t line) { ThrowBinary(line); }
    static void CheckLength(std::size_t length, std::size_t more, std::uint64_t startLine) {
        if (length + more > CCsvImporter::kMaxField) {
            throw CImportError(startLine, EImportProblem::FieldTooLong,
                               "a field is longer than 1 MiB");
        }
    }

    std::string_view m_text;
    std::string_view m_sep;
    std::size_t m_pos = 0;
    std::uint64_t m_nLine = 1;
    std::deque<std::string> m_copies;
};

// One line's values: views into the text or into the run's decoded copies, valid while
// the line is placed.
struct SRow {
    std::string_view m_strLabel;
    std::string_view m_strFolder;
    std::string_view m_strName;
    bool m_bName = false;
    std::uint64_t m_nSize = 0;
    FileTime m_times[3] = {0, 0, 0}; // update, creation, last access
    std::string_view m_strComment;
    std::string_view m_strCategory;
    std::string_view m_props[11];
    bool m_bProps = false;
    std::uint32_t m_dwCrc = 0;
};

// The children of one folder by name: open addressing over their positions in the
// folder, so that a name is found in a probe or two however large the folder grows.
class CChildIndex {
public:
    SFileInfo* Find(const SFileInfo& parent, std::string_view name, std::uint32_t hash) const {
        if (m_slots.empty()) {
            return nullptr;
        }
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const std::uint64_t slot = m_slots[i];
            if (slot == 0) {
                return nullptr;
            }
            if (static_cast<std::uint32_t>(slot >> 32) == hash) {
                SFileInfo* child = parent.ChildAt(static_cast<std::uint32_t>(slot) - 1);
                if (child->m_strName == name) {
                    return child;
                }
            }
        }
    }
    void Add(std::uint32_t hash, std::size_t position) {
        if ((m_nCount + 1) * 2 > m_slots.size()) {
            Grow();
        }
        Put(static_cast<std::uint64_t>(hash) << 32 | (position + 1));
        ++m_nCount;
    }

private:
    void Grow() {
        std::vector<std::uint64_t> old(std::max<std::size_t>(64, m_slots.size() * 2), 0);
        old.swap(m_slots);
        for (std::uint64_t slot : old) {
            if (slot != 0) {
                Put(slot);
            }
        }
    }
    void Put(std::uint64_t slot) {
        const std::size_t mask = m_slots.size() - 1;
        std::size_t i = static_cast<std::uint32_t>(slot >> 32) & mask;
        while (m_slots[i] != 0) {
            i = (i + 1) & mask;
        }
        m_slots[i] = slot;
    }

    // (hash << 32) | (position + 1); 0 is a free slot.
    std::vector<std::uint64_t> m_slots;
    std::size_t m_nCount = 0;
};

// Whether two short texts are equal, compared eight bytes a step in line (the texts
// compared per line, a label, a folder path, a date, are a few dozen bytes).
bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    const char* p = a.data();
    const char* q = b.data();
    std::size_t n = a.size();
    auto word = [](const char* at) {
        std::uint64_t w;
        std::memcpy(&w, at, 8);
        return w;
    };
    if (n < 8) {
        for (; n > 0; ++p, ++q, --n) {
            if (*p != *q) {
                return false;
            }
        }
        return true;
    }
    for (; n > 8; p += 8, q += 8, n -= 8) {
        if (word(p) != word(q)) {
            return false;
        }
    }
    // The last eight bytes, overlapping those already compared.
    return word(p + n - 8) == word(q + n - 8);
}

// What the import keeps about a folder that it made from a path or that holds many
// entries.
struct SFolderState {
    CChildIndex m_index;      // filled once the folder has more than kIndexFrom children
    bool m_bImplicit = false; // made by a path, and its own line has not come yet
};

// The states of folders by the folders' addresses: open addressing, since a list makes
// tens of thousands of folders.
class CFolderStates {
public:
    SFolderState* Find(const SFileInfo* folder) const {
        if (m_slots.empty()) {
            return nullptr;
        }
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = Hash(folder) & mask;; i = (i + 1) & mask) {
            if (m_slots[i].m_pFolder == folder) {
                return m_slots[i].m_pState;
            }
            if (!m_slots[i].m_pFolder) {
                return nullptr;
            }
        }
    }
    // The folder's state, made when it has none.
    SFolderState& Get(const SFileInfo* folder) {
        if (SFolderState* state = Find(folder)) {
            return *state;
        }
        if ((m_states.size() + 1) * 2 > m_slots.size()) {
            std::vector<SSlot> old(std::max<std::size_t>(64, m_slots.size() * 2));
            old.swap(m_slots);
            for (const SSlot& slot : old) {
                if (slot.m_pFolder) {
                    Put(slot);
                }
            }
        }
        SFolderState& state = m_states.emplace_back();
        Put(SSlot{folder, &state});
        return state;
    }

private:
    struct SSlot {
        const SFileInfo* m_pFolder = nullptr;
        SFolderState* m_pState = nullptr;
    };
    static std::size_t Hash(const SFileInfo* folder) {
        std::uint64_t h = reinterpret_cast<std::uintptr_t>(folder) * 0x9E3779B97F4A7C15ULL;
        return static_cast<std::size_t>(h ^ (h >> 32));
    }
    void Put(const SSlot& slot) {
        const std::size_t mask = m_slots.size() - 1;
        std::size_t i = Hash(slot.m_pFolder) & mask;
        while (m_slots[i].m_pFolder) {
            i = (i + 1) & mask;
        }
        m_slots[i] = slot;
    }

    std::vector<SSlot> m_slots;
    std::deque<SFolderState> m_states; // a deque: states stay where they are
};

// A hash of a name, eight bytes a step (names are short; the index compares the names
// themselves when hashes meet).
std::uint32_t NameHash(std::string_view name) {
    std::uint64_t h = 0x9E3779B97F4A7C15ULL ^ name.size();
    const char* p = name.data();
    std::size_t n = name.size();
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        h = (h ^ word) * 0xBF58476D1CE4E5B9ULL;
        h ^= h >> 29;
    }
    if (n > 0) {
        // The last bytes: as the last eight of the name when it has them, else one by one.
        std::uint64_t word = 0;
        if (name.size() >= 8) {
            std::memcpy(&word, name.data() + name.size() - 8, 8);
        } else {
            for (std::size_t i = 0; i < n; ++i) {
                word = word << 8 | static_cast<unsigned char>(p[i]);
            }
        }
        h = (h ^ word) * 0xBF58476D1CE4E5B9ULL;
    }
    h ^= h >> 32;
    h *= 0x94D049BB133111EBULL;
    return static_cast<std::uint32_t>(h >> 32);
}

} // namespace

// One import: the state of reading one file.
class CCsvImporter::CRun {
public:
    CRun(const CFormCondition& preset, EImportEncoding encoding, CExportJob* job)
        : m_preset(preset), m_requested(encoding), m_pJob(job), m_decoded(preset.Visible.size()) {
        for (const FormItem& item : preset.Visible) {
            m_types.push_back(item.Data);
        }
    }

    SImportResult Run(std::string_view bytes) {
        SImportResult result;
        try {
            Read(bytes, result);
        } catch (const CImportError& e) {
            result = SImportResult{};
            result.m_status = SImportResult::EStatus::Failed;
            result.m_nLine = e.m_nLine;
            result.m_problem = e.m_problem;
            result.m_strValue = e.m_strValue;
            result.m_strError = "line " + std::to_string(e.m_nLine) + ": " + e.m_strText;
        } catch (const std::bad_alloc&) {
            result = SImportResult{};
            result.m_status = SImportResult::EStatus::Failed;
            result.m_problem = EImportProblem::NoMemory;
            result.m_strError = "not enough memory for the list";
        }
        return result;
    }

private:
    void Read(std::string_view bytes, SImportResult& result) {
        RefuseBinaryStart(bytes);
        ChooseEncoding(bytes);
        m_text = bytes;
        result.m_encoding = m_bUtf8 ? EExportEncoding::Utf8 : EExportEncoding::Cp932;
        m_pRoot = std::make_unique<CCDCase>();
        CRecordReader reader(bytes, m_preset.ItemSeparator());
        if (m_pJob) {
            m_pJob->SetTotal(bytes.size());
        }
        std::vector<SField> fields;
        std::uint64_t lines = 0;
        if (m_preset.PutTitle != 0 && !reader.AtEnd()) {
            // The title row says nothing the preset does not: it is passed over, whatever
            // words another program put there.
            reader.Next(fields);
            ++lines;
        }
        while (!reader.AtEnd()) {
            if (m_pJob && (lines & 0xFFF) == 0) {
                m_pJob->SetDone(reader.Position());
                if (m_pJob->Cancelled()) {
                    result.m_status = SImportResult::EStatus::Cancelled;
                    return;
                }
            }
            const std::uint64_t line = reader.Line();
            const std::size_t count = reader.Next(fields);
            ++lines;
            if (count == 1 && fields[0].m_text.empty()) {
                continue; // an empty line
            }
            SRow row;
            ReadRow(fields, count, line, row);
            Place(row, line);
        }
        // The records below the media took their display names as they were made, and
        // the folders their sizes.
        for (const auto& medium : m_pRoot->Children()) {
            medium->UpdateDisplayName();
        }
        if (m_pJob) {
            m_pJob->SetDone(bytes.size());
        }
        result.m_nLines = lines;
        result.m_nEntries = m_nEntries;
        result.m_nSkipped = m_nSkipped;
        result.m_pRoot = std::move(m_pRoot);
    }

    // A NUL among the first bytes is refused before the whole text is looked at, so
    // that a large sparse or binary file costs no more than its first page.
    static void RefuseBinaryStart(std::string_view bytes) {
        const std::string_view head = bytes.substr(0, 4096);
        const std::size_t nul = head.find('\0');
        if (nul == std::string_view::npos) {
            return;
        }
        const auto breaks = std::count(head.begin(), head.begin() + nul, '\n');
        ThrowBinary(static_cast<std::uint64_t>(breaks) + 1);
    }

    void ChooseEncoding(std::string_view& bytes) {
        const bool bom = bytes.substr(0, 3) == "\xEF\xBB\xBF";
        if (bom) {
            bytes.remove_prefix(3);
        }
        switch (m_requested) {
        case EImportEncoding::Cp932:
            m_bUtf8 = false;
            break;
        case EImportEncoding::Utf8:
            m_bUtf8 = true;
            m_bChecked = text::FirstBadUtf8(bytes) == std::string_view::npos;
            break;
        case EImportEncoding::Detect:
            if (bom) {
                m_bUtf8 = true;
                m_bChecked = text::FirstBadUtf8(bytes) == std::string_view::npos;
            } else {
                // Plain ASCII reads the same either way: it counts as CP932.
                m_bUtf8 =
                    !text::IsAscii(bytes) && text::FirstBadUtf8(bytes) == std::string_view::npos;
                m_bChecked = m_bUtf8;
            }
            break;
        }
        // Valid as a whole, the fields need no check of their own. Otherwise each field is
        // checked, so that the error can name its line.
    }

    // The text of a field: its own bytes when they need no decoding, else the decoded
    // text in `scratch`.
    std::string_view Decode(const SField& field, std::string& scratch, std::uint64_t line) {
        const std::string_view raw = field.m_text;
        if (field.m_bAscii) {
            return raw;
        }
        if (!m_bUtf8) {
            text::Cp932ToUtf8(raw, scratch);
            return scratch;
        }
        if (!m_bChecked && text::FirstBadUtf8(raw) != std::string_view::npos) {
            throw CImportError(line, EImportProblem::NotUtf8,
                               "the text is not UTF-8: " + Quoted(text::Cp932ToUtf8(raw)));
        }
        return raw;
    }

    // "YYYY/MM/DD hh:mm:ss" (each number of one or more digits), "（不明）" or nothing.
    // The three times of a line are mostly the same text: the last one read is kept.
    FileTime ReadTime(std::string_view value, std::uint64_t line) {
        if (m_bLastTime && SameText(value, m_strLastTime)) {
            return m_ftLastTime;
        }
        const FileTime time = ParseTime(value, line);
        m_strLastTime.assign(value);
        m_ftLastTime = time;
        m_bLastTime = true;
        return time;
    }

    FileTime ParseTime(std::string_view value, std::uint64_t line) {
        value = text::Trim(value);
        if (value.empty() || value == m_strUnknownTime) {
            return 0;
        }
        int numbers[6] = {};
        static constexpr char kAfter[6] = {'/', '/', ' ', ':', ':', '\0'};
        std::size_t pos = 0;
        bool ok = true;
        const bool canonical = ReadCanonicalTime(value, numbers);
        for (int i = 0; i < 6 && ok && !canonical; ++i) {
            const std::size_t start = pos;
            int n = 0;
            while (pos < value.size() && value[pos] >= '0' && value[pos] <= '9' &&
                   pos - start < 6) {
                n = n * 10 + (value[pos++] - '0');
            }
            numbers[i] = n;
            ok = pos > start &&
                 (i == 5 ? pos == value.size() : pos < value.size() && value[pos++] == kAfter[i]);
        }
        const int y = numbers[0], mo = numbers[1], d = numbers[2];
        const int h = numbers[3], mi = numbers[4], sec = numbers[5];
        if (!ok || y < 1601 || y > 30827 || mo < 1 || mo > 12 || d < 1 || d > DaysInMonth(y, mo) ||
            h > 23 || mi > 59 || sec > 59) {
            throw CImportError(line, EImportProblem::BadDate,
                               "the date " + Quoted(value) +
                                   " does not read as a time YYYY/MM/DD hh:mm:ss",
                               std::string(value));
        }
        return FileTimeFromUnix(LocalToUnix(y, mo, d, h, mi, sec));
    }

    // The form the exports write, "YYYY/MM/DD hh:mm:ss", read at fixed places.
    static bool ReadCanonicalTime(std::string_view value, int numbers[6]) {
        if (value.size() != 19) {
            return false;
        }
        const char* p = value.data();
        auto digit = [p](int at) {
            return static_cast<unsigned>(static_cast<unsigned char>(p[at])) - '0';
        };
        bool bad = p[4] != '/' || p[7] != '/' || p[10] != ' ' || p[13] != ':' || p[16] != ':';
        for (int at : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18}) {
            bad |= digit(at) > 9;
        }
        if (bad) {
            return false;
        }
        numbers[0] = static_cast<int>(digit(0) * 1000 + digit(1) * 100 + digit(2) * 10 + digit(3));
        numbers[1] = static_cast<int>(digit(5) * 10 + digit(6));
        numbers[2] = static_cast<int>(digit(8) * 10 + digit(9));
        numbers[3] = static_cast<int>(digit(11) * 10 + digit(12));
        numbers[4] = static_cast<int>(digit(14) * 10 + digit(15));
        numbers[5] = static_cast<int>(digit(17) * 10 + digit(18));
        return true;
    }

    static int DaysInMonth(int y, int m) {
        static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
        return m == 2 && leap ? 29 : kDays[m - 1];
    }

    // Seconds since 1970 of a local time.
    std::int64_t LocalToUnix(int y, int mo, int d, int h, int mi, int s) {
        const std::int64_t yy = y - (mo <= 2);
        const std::int64_t era = (yy >= 0 ? yy : yy - 399) / 400;
        const std::int64_t yoe = yy - era * 400;
        const std::int64_t doy = (153 * (mo + (mo > 2 ? -3 : 9)) + 2) / 5 + d - 1;
        const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
        const std::int64_t days = era * 146097 + doe - 719468;
        return m_clock.ToUtc(days * 86400 + h * 3600 + mi * 60 + s);
    }

    // Decimal digits up to the largest signed 64-bit value; "-0" is 0, any other sign
    // is refused.
    static std::uint64_t ReadSize(std::string_view value, std::uint64_t line) {
        value = text::Trim(value);
        if (value.empty()) {
            return 0;
        }
        const bool minus = value[0] == '-';
        const std::string_view digits = minus ? value.substr(1) : value;
        std::uint64_t size = 0;
        bool ok = !digits.empty();
        for (const char c : digits) {
            const auto digit = static_cast<unsigned>(c - '0');
            ok = ok && digit <= 9 && !__builtin_mul_overflow(size, 10u, &size) &&
                 !__builtin_add_overflow(size, digit, &size);
        }
        if (!ok || size > INT64_MAX || (minus && size != 0)) {
            throw CImportError(line, EImportProblem::BadSize,
                               "the size " + Quoted(value) + " is not a number of bytes",
                               std::string(value));
        }
        return size;
    }

    static std::uint32_t ReadCrc(std::string_view value, std::uint64_t line) {
        value = text::Trim(value);
        if (value.empty()) {
            return 0;
        }
        int base = 10;
        std::string_view digits = value;
        auto isHex = [](std::string_view s) {
            return !s.empty() &&
                   s.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
        };
        if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
            digits.remove_prefix(2);
            base = 16;
        } else if (digits.size() == 8 && isHex(digits)) {
            // The form this program writes ("%08X").
            base = 16;
        }
        std::uint32_t crc = 0;
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), crc, base);
        if (ec != std::errc() || end != digits.data() + digits.size()) {
            throw CImportError(line, EImportProblem::BadCrc,
                               "the CRC " + Quoted(value) + " does not read", std::string(value));
        }
        return crc;
    }

    // Splits a path into folder and name at its last "\" or "/".
    static void SplitInto(std::string_view path, SRow& row) {
        const std::size_t cut = LastSeparator(path);
        if (cut == std::string_view::npos) {
            row.m_strFolder = {};
            row.m_strName = path;
        } else {
            row.m_strFolder = path.substr(0, cut + 1);
            row.m_strName = path.substr(cut + 1);
        }
        row.m_bName = true;
    }

    void ReadRow(const std::vector<SField>& fields, std::size_t count, std::uint64_t line,
                 SRow& row) {
        row.m_strLabel = kDefaultLabel;
        std::string_view bare;
        bool bBare = false;
        const std::size_t items = std::min(count, m_types.size());
        for (std::size_t i = 0; i < items; ++i) {
            const int type = m_types[i];
            if (type < kFirstItemType || type > kLastItemType) {
                break; // the rest of the line is not understood
            }
            // Numbers and dates are ASCII in either encoding: read from the bytes.
            const SField& field = fields[i];
            const std::string_view raw = field.m_text;
            switch (type) {
            case kItemSize:
                row.m_nSize = ReadSize(raw, line);
                continue;
            case kItemUpdateTime:
            case kItemCreationTime:
            case kItemAccessTime:
                row.m_times[type - kItemUpdateTime] =
                    ReadTime(Decode(field, m_decoded[i], line), line);
                continue;
            case kItemCrc:
                row.m_dwCrc = ReadCrc(raw, line);
                continue;
            case kItemExtension:
            case kItemParentName:
                continue; // written, never read
            default:
                break;
            }
            const std::string_view value = Decode(field, m_decoded[i], line);
            switch (type) {
            case kItemLabel:
                row.m_strLabel = value;
                break;
            case kItemFolder:
                row.m_strFolder = value;
                break;
            case kItemNameLabelPath: {
                std::string_view rest = value;
                const std::string_view open = m_preset.LabelOpen();
                const std::string_view close = m_preset.LabelClose();
                if (open.empty()) {
                    // Without brackets the label is the first level of the path.
                    const std::size_t cut = FirstSeparator(rest);
                    row.m_strLabel = rest.substr(0, cut);
                    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut);
                } else if (rest.substr(0, open.size()) == open) {
                    std::size_t end = rest.find(close, open.size());
                    if (end == std::string_view::npos) {
                        throw CImportError(line, EImportProblem::LabelNotClosed,
                                           "the label in " + Quoted(value) + " has no closing \"" +
                                               std::string(close) + "\"",
                                           std::string(value));
                    }
                    row.m_strLabel = rest.substr(open.size(), end - open.size());
                    rest.remove_prefix(end + close.size());
                }
                SplitInto(rest, row);
                break;
            }
            case kItemNameFolderPath:
                SplitInto(value, row);
                break;
            case kItemName:
                row.m_strName = value;
                row.m_bName = true;
                break;
            case kItemRelativeName: {
                // Paths below a medium are written behind the root prefix; a value
                // without it is the name the medium itself was written with.
                const std::string_view prefix =
                    m_preset.RelRootSpec != 0 ? std::string_view(m_preset.RelRoot) : "./";
                const std::string_view prefix2 =
                    m_preset.RelRootSpec != 0 ? std::string_view(m_preset.RelRoot) : ".\\";
                if (prefix.empty()) {
                    SplitInto(value, row);
                } else if (value.substr(0, prefix.size()) == prefix) {
                    SplitInto(value.substr(prefix.size()), row);
                } else if (value.substr(0, prefix2.size()) == prefix2) {
                    SplitInto(value.substr(prefix2.size()), row);
                } else {
                    bare = value;
                    bBare = true;
                }
                break;
            }
            case kItemComment:
                row.m_strComment = RestoreBreaks(value);
                break;
            case kItemCategory:
                row.m_strCategory = value;
                break;
            default:
                if (int key = ItemPropertyKey(type); key != 0) {
                    row.m_bProps = row.m_bProps || !value.empty();
                    row.m_props[key - 1] = value;
                }
                break; // 6 and 12 are written, never read
            }
        }
        if (bBare) {
            PlaceBareName(bare, row);
        }
    }

    // A relative name without the root prefix. Lists written here put the medium's own
    // name on its line, and every entry behind the prefix; a list from elsewhere may
    // write plain relative paths, which are entries. So the value is the medium's line
    // only when it is empty, names the line's medium, or the list uses the prefix.
    void PlaceBareName(std::string_view value, SRow& row) {
        if (value.empty() || text::EqualsNoCase(value, row.m_strLabel) || ListUsesRootPrefix()) {
            row.m_strFolder = {};
            row.m_strName = {};
            row.m_bName = true;
            return;
        }
        SplitInto(value, row);
    }

    // Whether some field of the list starts with the root prefix ("./" or ".\\" unless
    // the preset names its own), looked up once in the raw text.
    bool ListUsesRootPrefix() {
        if (!m_rootPrefixUse) {
            m_rootPrefixUse = m_preset.RelRootSpec != 0
                                  ? SomeFieldStartsWith(m_preset.RelRoot)
                                  : SomeFieldStartsWith("./") || SomeFieldStartsWith(".\\");
        }
        return *m_rootPrefixUse;
    }

    bool SomeFieldStartsWith(std::string_view prefix) const {
        const std::string_view separator = m_preset.ItemSeparator();
        for (std::size_t at = m_text.find(prefix); at != std::string_view::npos;
             at = m_text.find(prefix, at + 1)) {
            if (at == 0) {
                return true;
            }
            const char before = m_text[at - 1];
            if (before == '\n' || before == '\r' || before == '"') {
                return true;
            }
            if (!separator.empty() && at >= separator.size() &&
                m_text.substr(at - separator.size(), separator.size()) == separator) {
                return true;
            }
        }
        return false;
    }

    std::string_view RestoreBreaks(std::string_view value) {
        const std::string& code = m_preset.CommentRCode;
        if (m_preset.ConvCommentRCode == 0 || code.empty() ||
            value.find(code) == std::string_view::npos) {
            return value;
        }
        std::string& out = m_strRestored;
        out.clear();
        for (std::size_t i = 0; i < value.size();) {
            if (value.compare(i, code.size(), code) == 0) {
                out += "\r\n";
                i += code.size();
            } else {
                out += value[i++];
            }
        }
        return out;
    }

    // --- Placing entries ---

    SVolumeInfo* Medium(std::string_view label) {
        if (m_pLastMedium && SameText(m_pLastMedium->m_strLabel, label)) {
            return m_pLastMedium;
        }
        for (const auto& child : m_pRoot->Children()) {
            auto* medium = static_cast<SVolumeInfo*>(child.get());
            if (text::EqualsNoCase(medium->m_strLabel, label)) {
                return m_pLastMedium = medium;
            }
        }
        auto medium = std::make_unique<SVolumeInfo>();
        medium->m_dwFlags |= kFlagFixed;
        medium->m_strLabel = std::string(label);
        medium->m_strName = std::string(label);
        medium->RecomputeLocation();
        m_pLastMedium = static_cast<SVolumeInfo*>(m_pRoot->AddChild(std::move(medium)));
        return m_pLastMedium;
    }

    // The name index of a folder that has one (the last one asked for is kept at hand).
    CChildIndex& IndexOf(const SFileInfo& parent) {
        if (&parent != m_pIndexed) {
            m_pIndex = &m_folders.Get(&parent).m_index;
            m_pIndexed = &parent;
        }
        return *m_pIndex;
    }

    // Small folders are searched; a folder that grows beyond kIndexFrom children gets a
    // name index of its own. `hash` is NameHash(name).
    SFileInfo* FindChild(SFileInfo& parent, std::string_view name, std::uint32_t hash) {
        if (parent.ChildCount() > kIndexFrom) {
            return IndexOf(parent).Find(parent, name, hash);
        }
        for (const auto& child : parent.Children()) {
            if (child->m_strName == name) {
                return child.get();
            }
        }
        return nullptr;
    }

    // Adds a record made by the import; `hash` is NameHash of its name. Its display name is
    // set now, while the record is at hand (the name never changes afterwards).
    SFileInfo* AddChild(SFileInfo& parent, std::unique_ptr<SFileInfo> child, std::uint32_t hash) {
        SFileInfo* added = parent.AddChild(std::move(child));
        added->UpdateDisplayName();
        const std::size_t count = parent.ChildCount();
        if (count == kIndexFrom + 1) {
            CChildIndex& index = IndexOf(parent);
            for (std::size_t i = 0; i < count; ++i) {
                index.Add(NameHash(parent.ChildAt(i)->m_strName), i);
            }
        } else if (count > kIndexFrom + 1) {
            IndexOf(parent).Add(hash, count - 1);
        }
        return added;
    }

    // The folder of the path below the medium, made as needed. A level that an earlier
    // line made as a file becomes a folder: only folders hold entries.
    SFileInfo* Folder(SVolumeInfo& medium, std::string_view path, std::uint64_t line) {
        if (&medium == m_pLastFolderMedium && SameText(path, m_strLastFolder)) {
            return m_pLastFolder;
        }
        std::string_view rest = path;
        if (std::size_t colon = rest.find(':'); colon != std::string_view::npos) {
            rest.remove_prefix(colon + 1); // the drive
        } else if (rest.size() >= 2 && (rest[0] == '\\' || rest[0] == '/') &&
                   (rest[1] == '\\' || rest[1] == '/')) {
            // A network path: the server is not a folder of the medium.
            rest.remove_prefix(2);
            const std::size_t cut = FirstSeparator(rest);
            rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut);
        }
        SFileInfo* folder = &medium;
        std::size_t levels = 0;
        while (!rest.empty()) {
            const std::size_t cut = FirstSeparator(rest);
            std::string_view level = rest.substr(0, cut);
            rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
            if (level.empty() || level == ".") {
                continue;
            }
            if (++levels > kMaxFolderLevels) {
                throw CImportError(line, EImportProblem::TooDeep,
                                   "the path has more than " + std::to_string(kMaxFolderLevels) +
                                       " folder levels, more than a case file can hold",
                                   std::string(path.substr(0, 256)));
            }
            const std::uint32_t hash = NameHash(level);
            SFileInfo* next = FindChild(*folder, level, hash);
            if (!next) {
                auto created = std::make_unique<SFileInfo>();
                created->m_strName = std::string(level);
                created->m_dwFlags = kAttrDirectory;
                next = AddChild(*folder, std::move(created), hash);
                m_folders.Get(next).m_bImplicit = true;
            } else if (!next->IsDirectory()) {
                // Its size becomes that of what it will hold.
                next->m_dwFlags = (next->m_dwFlags & ~kAttrNormal) | kAttrDirectory;
                AddToFolders(folder, 0 - next->m_nSize);
                next->m_nSize = 0;
            }
            folder = next;
        }
        m_pLastFolderMedium = &medium;
        m_strLastFolder.assign(path);
        m_pLastFolder = folder;
        return folder;
    }

    // A folder's size is the sum of what it holds: an entry's size is added to its folder
    // and every folder above it, the medium included, as the entry comes (modulo 2^64, as
    // a sum made afterwards would be).
    void AddToFolders(SFileInfo* folder, std::uint64_t size) {
        for (; folder && folder != m_pRoot.get(); folder = folder->GetParent()) {
            folder->m_nSize += size;
        }
    }

    void Apply(const SRow& row, SFileInfo& entry, std::uint64_t line) {
        entry.m_ftLastWrite = row.m_times[0];
        entry.m_ftCreation = row.m_times[1];
        entry.m_ftLastAccess = row.m_times[2];
        if (!row.m_strComment.empty()) {
            entry.SetComment(std::string(row.m_strComment));
        }
        if (!row.m_strCategory.empty()) {
            entry.SetCategory(std::string(row.m_strCategory));
        }
        if (row.m_dwCrc != 0) {
            entry.m_dwExtValue = row.m_dwCrc;
            entry.m_wExtFlags |= kExtFlagCrc;
        }
        if (row.m_bProps) {
            entry.SetProps(MakeProps(row, line));
        }
    }

    std::unique_ptr<CPropertySet> MakeProps(const SRow& row, std::uint64_t line) {
        if (!m_pDefinition) {
            m_pDefinition = PropertyDefinitions()->FindByName("Improt");
            if (!m_pDefinition) {
                static const CPropertyDefinition own{
                    "Improt", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, false};
                m_pDefinition = &own;
            }
        }
        auto props = std::make_unique<CPropertySet>(m_pDefinition);
        if (m_pDefinition->m_bAdopted) {
            props->Values().resize(11);
        }
        for (int key = 1; key <= 11; ++key) {
            const std::string_view value = row.m_props[key - 1];
            if (value.empty()) {
                continue;
            }
            const std::vector<int>& keys = m_pDefinition->m_itemKeys;
            std::size_t slot = 0;
            while (slot < keys.size() && slot < props->Values().size() && keys[slot] != key) {
                ++slot;
            }
            if (slot >= keys.size() || slot >= props->Values().size()) {
                const std::string item = FormItemListText(kItemProperty1 + key - 1);
                throw CImportError(
                    line, EImportProblem::PropertyHasNoPlace,
                    "the item \"" + item + "\" has no place in the imported properties", item);
            }
            props->Values()[slot] = std::string(value);
        }
        return props;
    }

    void Place(const SRow& row, std::uint64_t line) {
        if (row.m_strLabel.empty()) {
            ++m_nSkipped; // the case itself or a group: outside any medium
            return;
        }
        SVolumeInfo* medium = Medium(row.m_strLabel);
        SFileInfo* folder = Folder(*medium, row.m_strFolder, line);
        if (!row.m_bName || row.m_strName.empty()) {
            if (folder == medium) {
                // The medium's own line.
                medium->m_ftLastWrite = row.m_times[0];
                medium->m_ftCreation = row.m_times[1];
                medium->m_ftLastAccess = row.m_times[2];
                medium->SetComment(std::string(row.m_strComment));
                medium->SetCategory(std::string(row.m_strCategory));
            } else {
                ++m_nSkipped;
            }
            return;
        }
        const std::uint32_t hash = NameHash(row.m_strName);
        if (SFileInfo* existing = FindChild(*folder, row.m_strName, hash)) {
            // A folder an earlier path made takes its own line's values; anything else is
            // there already.
            if (SFolderState* state = m_folders.Find(existing); state && state->m_bImplicit) {
                state->m_bImplicit = false;
                Apply(row, *existing, line);
            } else {
                ++m_nSkipped;
            }
            return;
        }
        auto entry = std::make_unique<SFileInfo>();
        entry->m_strName = std::string(row.m_strName);
        entry->m_dwFlags = kAttrNormal;
        entry->m_nSize = row.m_nSize;
        Apply(row, *entry, line);
        AddChild(*folder, std::move(entry), hash);
        AddToFolders(folder, row.m_nSize);
        ++m_nEntries;
    }

    const CFormCondition& m_preset;
    EImportEncoding m_requested;
    CExportJob* m_pJob;
    bool m_bUtf8 = false;
    bool m_bChecked = false; // the whole text is known to be valid UTF-8
    std::unique_ptr<CCDCase> m_pRoot;
    std::string_view m_text;
    std::optional<bool> m_rootPrefixUse;
    // The item type of each field.
    std::vector<int> m_types;
    // Decoded text of each field of the current line, and its comment with the line
    // breaks restored.
    std::vector<std::string> m_decoded;
    std::string m_strRestored;
    const CPropertyDefinition* m_pDefinition = nullptr;
    SVolumeInfo* m_pLastMedium = nullptr;
    SVolumeInfo* m_pLastFolderMedium = nullptr;
    std::string m_strLastFolder;
    SFileInfo* m_pLastFolder = nullptr;
    CFolderStates m_folders;
    const SFileInfo* m_pIndexed = nullptr;
    CChildIndex* m_pIndex = nullptr;
    std::uint64_t m_nEntries = 0;
    std::uint64_t m_nSkipped = 0;
    const std::string m_strUnknownTime = Res(140);
    std::string m_strLastTime;
    FileTime m_ftLastTime = 0;
    bool m_bLastTime = false;
    CLocalClock m_clock;
};

CCsvImporter::CCsvImporter(const CFormCondition& preset, EImportEncoding encoding)
    : m_preset(preset), m_encoding(encoding) {}

SImportResult CCsvImporter::ImportFile(const std::string& path, CExportJob* job) {
    CMappedFile file(path);
    if (file.Error() != 0) {
        SImportResult result;
        result.m_status = SImportResult::EStatus::Failed;
        result.m_problem = EImportProblem::Unreadable;
        result.m_strValue = std::strerror(file.Error());
        result.m_strError = path + ": " + result.m_strValue;
        return result;
    }
    if (file.TooLong()) {
        SImportResult result;
        result.m_status = SImportResult::EStatus::Failed;
        result.m_problem = EImportProblem::TooLarge;
        result.m_strError = path + ": not a file, and more than " +
                            std::to_string(kMaxStreamedList >> 20) +
                            " MiB came from it (the most a list is read from a pipe or device)";
        return result;
    }
    SImportResult result = ImportBytes(file.Bytes(), job);
    if (result.m_status == SImportResult::EStatus::Failed) {
        result.m_strError = path + ": " + result.m_strError;
    }
    return result;
}

SImportResult CCsvImporter::ImportBytes(std::string_view bytes, CExportJob* job) {
    CRun run(m_preset, m_encoding, job);
    return run.Run(bytes);
}

} // namespace quillora
