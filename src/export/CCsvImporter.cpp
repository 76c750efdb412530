// CSV import: reading records, decoding fields, placing entries.
#include "export/CCsvImporter.h"

#include "core/Resources.h"
#include "core/Text.h"
#include "export/CExportJob.h"
#include "export/FormItem.h"
#include "model/CCDCase.h"
#include "model/PropertyDefinitions.h"
#include "model/SVolumeInfo.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

namespace quillora {

namespace {

// The attribute Windows gives a file without other attributes: imported entries carry it.
constexpr std::uint32_t kAttrNormal = 0x00000080;
// A folder with more children than this gets a name index.
constexpr std::size_t kIndexFrom = 64;

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
        // Pipes and files that cannot be mapped are read.
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
            m_read.append(buffer, static_cast<std::size_t>(n));
        }
        m_nSize = m_read.size();
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
    std::string_view Bytes() const {
        return m_pMap ? std::string_view(static_cast<const char*>(m_pMap), m_nSize)
                      : std::string_view(m_read);
    }

private:
    int m_fd = -1;
    int m_nError = 0;
    void* m_pMap = nullptr;
    std::size_t m_nSize = 0;
    std::string m_read;
};

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Strict UTF-8 (no overlongs, surrogates or values above U+10FFFF). Returns the offset
// of the first bad byte, or npos.
std::size_t FirstBadUtf8(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n) {
        // Eight ASCII bytes at a time.
        while (i + 8 <= n) {
            std::uint64_t word;
            std::memcpy(&word, p + i, 8);
            if (word & 0x8080808080808080ULL) {
                break;
            }
            i += 8;
        }
        if (i >= n) {
            break;
        }
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len = 0;
        std::uint32_t cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            return i;
        }
        if (i + len > n) {
            return i;
        }
        for (std::size_t k = 1; k < len; ++k) {
            if (!IsContinuation(p[i + k])) {
                return i;
            }
            cp = cp << 6 | (p[i + k] & 0x3F);
        }
        if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) {
            return i;
        }
        i += len;
    }
    return std::string_view::npos;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
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

// Splits the text into records of fields: a field starting with a double quote runs to
// the quote that ends it (a quote followed by the separator, the line end or the end of
// the text); inside it a doubled quote is one quote, any other quote is kept as it is
// (this program writes quotes inside quoted fields without doubling them), and line ends
// belong to the field.
class CRecordReader {
public:
    CRecordReader(std::string_view text, std::string_view separator)
        : m_text(text), m_sep(separator) {}

    bool AtEnd() const { return m_pos >= m_text.size(); }
    std::size_t Position() const { return m_pos; }
    // The line the next record starts on.
    std::uint64_t Line() const { return m_nLine; }

    // Reads the next record into the first fields of `fields` (raw bytes; the strings
    // are reused) and returns how many it has. Throws CImportError.
    std::size_t Next(std::vector<std::string>& fields) {
        const std::uint64_t startLine = m_nLine;
        std::size_t count = 0;
        for (;;) {
            if (count == fields.size()) {
                fields.emplace_back();
            }
            std::string& field = fields[count++];
            field.clear();
            if (m_pos < m_text.size() && m_text[m_pos] == '"') {
                ReadQuoted(field, startLine);
            } else {
                ReadPlain(field, startLine);
            }
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
    void ReadPlain(std::string& field, std::uint64_t startLine) {
        const std::size_t start = m_pos;
        const char sep0 = m_sep.empty() ? '\n' : m_sep[0];
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (c == '\n' || c == '\r' || (c == sep0 && AtSeparator())) {
                break;
            }
            if (c == '\0') {
                Binary();
            }
            ++m_pos;
        }
        Append(field, m_text.substr(start, m_pos - start), startLine);
    }
    void ReadQuoted(std::string& field, std::uint64_t startLine) {
        ++m_pos; // the opening quote
        for (;;) {
            const std::size_t start = m_pos;
            while (m_pos < m_text.size()) {
                const char c = m_text[m_pos];
                if (c == '"') {
                    break;
                }
                if (c == '\0') {
                    Binary();
                }
                if (c == '\n' ||
                    (c == '\r' && (m_pos + 1 >= m_text.size() || m_text[m_pos + 1] != '\n'))) {
                    ++m_nLine;
                }
                ++m_pos;
            }
            Append(field, m_text.substr(start, m_pos - start), startLine);
            if (m_pos >= m_text.size()) {
                throw CImportError(startLine, EImportProblem::QuoteNotClosed,
                                   "a quoted field is not closed");
            }
            // At a quote: a doubled one stands for itself; one followed by the separator
            // or the line end closes the field; any other is part of the text.
            if (m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '"') {
                Append(field, "\"", startLine);
                m_pos += 2;
                continue;
            }
            ++m_pos;
            if (AtLineEnd() || AtSeparator()) {
                return;
            }
            Append(field, "\"", startLine);
        }
    }
    [[noreturn]] void Binary() const {
        throw CImportError(m_nLine, EImportProblem::Binary,
                           "binary data (a NUL byte): this is not a list in text form");
    }
    static void Append(std::string& field, std::string_view part, std::uint64_t startLine) {
        if (field.size() + part.size() > CCsvImporter::kMaxField) {
            throw CImportError(startLine, EImportProblem::FieldTooLong,
                               "a field is longer than 1 MiB");
        }
        field.append(part);
    }

    std::string_view m_text;
    std::string_view m_sep;
    std::size_t m_pos = 0;
    std::uint64_t m_nLine = 1;
};

// One line's values.
struct SRow {
    std::string m_strLabel;
    std::string m_strFolder;
    std::string m_strName;
    bool m_bName = false;
    std::uint64_t m_nSize = 0;
    FileTime m_times[3] = {0, 0, 0}; // update, creation, last access
    std::string m_strComment;
    std::string m_strCategory;
    std::string m_props[11];
    bool m_bProps = false;
    std::uint32_t m_dwCrc = 0;
};

} // namespace

// One import: the state of reading one file.
class CCsvImporter::CRun {
public:
    CRun(const CFormCondition& preset, EImportEncoding encoding, CExportJob* job)
        : m_preset(preset), m_requested(encoding), m_pJob(job) {}

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
        ChooseEncoding(bytes);
        result.m_encoding = m_bUtf8 ? EExportEncoding::Utf8 : EExportEncoding::Cp932;
        m_pRoot = std::make_unique<CCDCase>();
        CRecordReader reader(bytes, m_preset.ItemSeparator());
        if (m_pJob) {
            m_pJob->SetTotal(bytes.size());
        }
        std::vector<std::string> fields;
        std::uint64_t lines = 0;
        if (m_preset.PutTitle != 0 && !reader.AtEnd()) {
            const std::uint64_t line = reader.Line();
            fields.resize(reader.Next(fields));
            CheckTitle(fields, line);
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
            if (count == 1 && fields[0].empty()) {
                continue; // an empty line
            }
            SRow row;
            ReadRow(fields, count, line, row);
            Place(row, line);
        }
        for (const auto& medium : m_pRoot->Children()) {
            medium->RecalcSize(true);
            medium->UpdateDisplayNameTree(true);
        }
        if (m_pJob) {
            m_pJob->SetDone(bytes.size());
        }
        result.m_nLines = lines;
        result.m_nEntries = m_nEntries;
        result.m_nSkipped = m_nSkipped;
        result.m_pRoot = std::move(m_pRoot);
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
            break;
        case EImportEncoding::Detect:
            m_bUtf8 =
                bom || (!text::IsAscii(bytes) && FirstBadUtf8(bytes) == std::string_view::npos);
            break;
        }
        // Valid as a whole: the fields need no check of their own. Otherwise each field is
        // checked, so that the error can name its line.
        m_bChecked = m_bUtf8 && FirstBadUtf8(bytes) == std::string_view::npos;
    }

    std::string Decode(const std::string& raw, std::uint64_t line) {
        if (!m_bUtf8) {
            return text::Cp932ToUtf8(raw);
        }
        if (!m_bChecked && FirstBadUtf8(raw) != std::string_view::npos) {
            throw CImportError(line, EImportProblem::NotUtf8,
                               "the text is not UTF-8: " + Quoted(text::Cp932ToUtf8(raw)));
        }
        return raw;
    }

    void CheckTitle(const std::vector<std::string>& fields, std::uint64_t line) {
        std::size_t column = 0;
        for (const FormItem& item : m_preset.Visible) {
            const char* title = FormItemTitleText(item.Data);
            if (!title) {
                continue;
            }
            const std::string found = column < fields.size() ? Decode(fields[column], line) : "";
            if (found != title) {
                throw CImportError(line, EImportProblem::TitleMismatch,
                                   "the title row does not fit the preset \"" + m_preset.Name +
                                       "\": column " + std::to_string(column + 1) + " is " +
                                       Quoted(found) + ", not \"" + title + "\"",
                                   found);
            }
            ++column;
        }
    }

    // "YYYY/MM/DD hh:mm:ss" (each number of one or more digits), "（不明）" or nothing.
    FileTime ReadTime(std::string_view value, std::uint64_t line) {
        value = Trim(value);
        if (value.empty() || value == m_strUnknownTime) {
            return 0;
        }
        int numbers[6] = {};
        static constexpr char kAfter[6] = {'/', '/', ' ', ':', ':', '\0'};
        std::size_t pos = 0;
        bool ok = true;
        for (int i = 0; i < 6 && ok; ++i) {
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

    static int DaysInMonth(int y, int m) {
        static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
        return m == 2 && leap ? 29 : kDays[m - 1];
    }

    // Seconds since 1970 of a local time. The zone's offset is taken from localtime_r
    // (mktime would look at the zone file again for every date of a large list).
    std::int64_t LocalToUnix(int y, int mo, int d, int h, int mi, int s) {
        const std::int64_t yy = y - (mo <= 2);
        const std::int64_t era = (yy >= 0 ? yy : yy - 399) / 400;
        const std::int64_t yoe = yy - era * 400;
        const std::int64_t doy = (153 * (mo + (mo > 2 ? -3 : 9)) + 2) / 5 + d - 1;
        const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
        const std::int64_t days = era * 146097 + doe - 719468;
        const std::int64_t wall = days * 86400 + h * 3600 + mi * 60 + s;
        // A zone keeps its offset for a quarter hour at least, and changes it at the
        // quarter hours of its own clock.
        const std::int64_t quarter = wall >= 0 ? wall / 900 : (wall - 899) / 900;
        if (quarter == m_nOffsetQuarter) {
            return wall - m_nOffset;
        }
        auto offset = [](std::int64_t utc) -> std::int64_t {
            std::time_t t = static_cast<std::time_t>(utc);
            std::tm tm{};
            return localtime_r(&t, &tm) ? tm.tm_gmtoff : 0;
        };
        std::int64_t utc = wall - offset(wall);
        // Near a change of the offset the first guess can be off by that change.
        const std::int64_t second = wall - offset(utc);
        if (second != utc && wall - offset(second) == second) {
            utc = second;
        }
        m_nOffsetQuarter = quarter;
        m_nOffset = wall - utc;
        return utc;
    }

    static std::uint64_t ReadSize(std::string_view value, std::uint64_t line) {
        value = Trim(value);
        if (value.empty()) {
            return 0;
        }
        std::int64_t size = 0;
        auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), size);
        if (ec != std::errc() || end != value.data() + value.size() || size < 0) {
            throw CImportError(line, EImportProblem::BadSize,
                               "the size " + Quoted(value) + " is not a number of bytes",
                               std::string(value));
        }
        return static_cast<std::uint64_t>(size);
    }

    static std::uint32_t ReadCrc(std::string_view value, std::uint64_t line) {
        value = Trim(value);
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
        std::size_t cut = path.find_last_of("\\/");
        if (cut == std::string_view::npos) {
            row.m_strFolder.clear();
            row.m_strName = std::string(path);
        } else {
            row.m_strFolder = std::string(path.substr(0, cut + 1));
            row.m_strName = std::string(path.substr(cut + 1));
        }
        row.m_bName = true;
    }

    void ReadRow(const std::vector<std::string>& fields, std::size_t count, std::uint64_t line,
                 SRow& row) {
        row.m_strLabel = kDefaultLabel;
        const FormItemList& items = m_preset.Visible;
        for (std::size_t i = 0; i < count && i < items.size(); ++i) {
            const int type = items[i].Data;
            if (type < kFirstItemType || type > kLastItemType) {
                break; // the rest of the line is not understood
            }
            // Numbers and dates are ASCII in either encoding: read from the bytes.
            const std::string& raw = fields[i];
            switch (type) {
            case kItemSize:
                row.m_nSize = ReadSize(raw, line);
                continue;
            case kItemUpdateTime:
            case kItemCreationTime:
            case kItemAccessTime:
                row.m_times[type - kItemUpdateTime] =
                    ReadTime(text::IsAscii(raw) ? std::string_view(raw) : Decode(raw, line), line);
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
            std::string value = Decode(raw, line);
            switch (type) {
            case kItemLabel:
                row.m_strLabel = std::move(value);
                break;
            case kItemFolder:
                row.m_strFolder = std::move(value);
                break;
            case kItemNameLabelPath: {
                std::string_view rest = value;
                const std::string open = m_preset.LabelOpen();
                const std::string close = m_preset.LabelClose();
                if (open.empty()) {
                    // Without brackets the label is the first level of the path.
                    std::size_t cut = rest.find_first_of("\\/");
                    row.m_strLabel = std::string(rest.substr(0, cut));
                    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut);
                } else if (rest.substr(0, open.size()) == open) {
                    std::size_t end = rest.find(close, open.size());
                    if (end == std::string_view::npos) {
                        throw CImportError(line, EImportProblem::LabelNotClosed,
                                           "the label in " + Quoted(value) + " has no closing \"" +
                                               close + "\"",
                                           value);
                    }
                    row.m_strLabel = std::string(rest.substr(open.size(), end - open.size()));
                    rest.remove_prefix(end + close.size());
                }
                SplitInto(rest, row);
                break;
            }
            case kItemNameFolderPath:
                SplitInto(value, row);
                break;
            case kItemName:
                row.m_strName = std::move(value);
                row.m_bName = true;
                break;
            case kItemRelativeName: {
                // Paths below a medium are written behind the root prefix; a value
                // without it is the name the medium itself was written with.
                std::string_view rest = value;
                const std::string prefix = m_preset.RelRootSpec != 0 ? m_preset.RelRoot : "./";
                const std::string prefix2 = m_preset.RelRootSpec != 0 ? m_preset.RelRoot : ".\\";
                if (prefix.empty()) {
                    SplitInto(rest, row);
                } else if (rest.substr(0, prefix.size()) == prefix) {
                    SplitInto(rest.substr(prefix.size()), row);
                } else if (rest.substr(0, prefix2.size()) == prefix2) {
                    SplitInto(rest.substr(prefix2.size()), row);
                } else {
                    row.m_strFolder.clear();
                    row.m_strName.clear();
                    row.m_bName = true;
                }
                break;
            }
            case kItemComment:
                row.m_strComment = RestoreBreaks(std::move(value));
                break;
            case kItemCategory:
                row.m_strCategory = std::move(value);
                break;
            default:
                if (int key = ItemPropertyKey(type); key != 0) {
                    row.m_bProps = row.m_bProps || !value.empty();
                    row.m_props[key - 1] = std::move(value);
                }
                break; // 6 and 12 are written, never read
            }
        }
    }

    std::string RestoreBreaks(std::string value) const {
        const std::string& code = m_preset.CommentRCode;
        if (m_preset.ConvCommentRCode == 0 || code.empty() ||
            value.find(code) == std::string::npos) {
            return value;
        }
        std::string out;
        out.reserve(value.size());
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

    SVolumeInfo* Medium(const std::string& label) {
        if (m_pLastMedium && m_pLastMedium->m_strLabel == label) {
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
        medium->m_strLabel = label;
        medium->m_strName = label;
        medium->RecomputeLocation();
        m_pLastMedium = static_cast<SVolumeInfo*>(m_pRoot->AddChild(std::move(medium)));
        return m_pLastMedium;
    }

    // Small folders are searched; a folder that grows beyond kIndexFrom children puts
    // them into the one name index of the import.
    SFileInfo* FindChild(SFileInfo& parent, std::string_view name) {
        if (parent.ChildCount() > kIndexFrom) {
            auto found = m_index.find(SIndexKey{&parent, name});
            return found == m_index.end() ? nullptr : found->second;
        }
        for (const auto& child : parent.Children()) {
            if (child->m_strName == name) {
                return child.get();
            }
        }
        return nullptr;
    }

    SFileInfo* AddChild(SFileInfo& parent, std::unique_ptr<SFileInfo> child) {
        SFileInfo* added = parent.AddChild(std::move(child));
        if (parent.ChildCount() == kIndexFrom + 1) {
            for (const auto& c : parent.Children()) {
                m_index.emplace(SIndexKey{&parent, c->m_strName}, c.get());
            }
        } else if (parent.ChildCount() > kIndexFrom + 1) {
            m_index.emplace(SIndexKey{&parent, added->m_strName}, added);
        }
        return added;
    }

    // The folder of the path below the medium, made as needed. A level that an earlier
    // line made as a file becomes a folder: only folders hold entries.
    SFileInfo* Folder(SVolumeInfo& medium, std::string_view path) {
        if (&medium == m_pLastFolderMedium && path == m_strLastFolder) {
            return m_pLastFolder;
        }
        std::string_view rest = path;
        if (std::size_t colon = rest.find(':'); colon != std::string_view::npos) {
            rest.remove_prefix(colon + 1); // the drive
        } else if (rest.size() >= 2 && (rest[0] == '\\' || rest[0] == '/') &&
                   (rest[1] == '\\' || rest[1] == '/')) {
            // A network path: the server is not a folder of the medium.
            rest.remove_prefix(2);
            std::size_t cut = rest.find_first_of("\\/");
            rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut);
        }
        SFileInfo* folder = &medium;
        while (!rest.empty()) {
            std::size_t cut = rest.find_first_of("\\/");
            std::string_view level = rest.substr(0, cut);
            rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
            if (level.empty() || level == ".") {
                continue;
            }
            SFileInfo* next = FindChild(*folder, level);
            if (!next) {
                auto created = std::make_unique<SFileInfo>();
                created->m_strName = std::string(level);
                created->m_dwFlags = kAttrDirectory;
                next = AddChild(*folder, std::move(created));
                m_implicit.insert(next);
            } else if (!next->IsDirectory()) {
                next->m_dwFlags = (next->m_dwFlags & ~kAttrNormal) | kAttrDirectory;
            }
            folder = next;
        }
        m_pLastFolderMedium = &medium;
        m_strLastFolder = std::string(path);
        m_pLastFolder = folder;
        return folder;
    }

    void Apply(SRow& row, SFileInfo& entry, std::uint64_t line) {
        entry.m_ftLastWrite = row.m_times[0];
        entry.m_ftCreation = row.m_times[1];
        entry.m_ftLastAccess = row.m_times[2];
        if (!row.m_strComment.empty()) {
            entry.SetComment(std::move(row.m_strComment));
        }
        if (!row.m_strCategory.empty()) {
            entry.SetCategory(std::move(row.m_strCategory));
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
            const std::string& value = row.m_props[key - 1];
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
            props->Values()[slot] = value;
        }
        return props;
    }

    void Place(SRow& row, std::uint64_t line) {
        if (row.m_strLabel.empty()) {
            ++m_nSkipped; // the case itself or a group: outside any medium
            return;
        }
        SVolumeInfo* medium = Medium(row.m_strLabel);
        SFileInfo* folder = Folder(*medium, row.m_strFolder);
        if (!row.m_bName || row.m_strName.empty()) {
            if (folder == medium) {
                // The medium's own line.
                medium->m_ftLastWrite = row.m_times[0];
                medium->m_ftCreation = row.m_times[1];
                medium->m_ftLastAccess = row.m_times[2];
                medium->SetComment(row.m_strComment);
                medium->SetCategory(row.m_strCategory);
            } else {
                ++m_nSkipped;
            }
            return;
        }
        if (SFileInfo* existing = FindChild(*folder, row.m_strName)) {
            // A folder an earlier path made takes its own line's values; anything else is
            // there already.
            if (m_implicit.erase(existing) != 0) {
                Apply(row, *existing, line);
            } else {
                ++m_nSkipped;
            }
            return;
        }
        auto entry = std::make_unique<SFileInfo>();
        entry->m_strName = std::move(row.m_strName);
        entry->m_dwFlags = kAttrNormal;
        entry->m_nSize = row.m_nSize;
        Apply(row, *entry, line);
        AddChild(*folder, std::move(entry));
        ++m_nEntries;
    }

    const CFormCondition& m_preset;
    EImportEncoding m_requested;
    CExportJob* m_pJob;
    bool m_bUtf8 = false;
    bool m_bChecked = false; // the whole text is known to be valid UTF-8
    std::unique_ptr<CCDCase> m_pRoot;
    const CPropertyDefinition* m_pDefinition = nullptr;
    SVolumeInfo* m_pLastMedium = nullptr;
    SVolumeInfo* m_pLastFolderMedium = nullptr;
    std::string m_strLastFolder;
    SFileInfo* m_pLastFolder = nullptr;
    std::unordered_set<const SFileInfo*> m_implicit;
    struct SIndexKey {
        const SFileInfo* m_pParent;
        std::string_view m_name; // the child's own m_strName, which never changes
        bool operator==(const SIndexKey& o) const {
            return m_pParent == o.m_pParent && m_name == o.m_name;
        }
    };
    struct SIndexHash {
        std::size_t operator()(const SIndexKey& k) const {
            return std::hash<std::string_view>()(k.m_name) ^
                   (std::hash<const void*>()(k.m_pParent) * 0x9E3779B97F4A7C15ULL);
        }
    };
    std::unordered_map<SIndexKey, SFileInfo*, SIndexHash> m_index;
    std::uint64_t m_nEntries = 0;
    std::uint64_t m_nSkipped = 0;
    const std::string m_strUnknownTime = Res(140);
    std::int64_t m_nOffsetQuarter = INT64_MIN;
    std::int64_t m_nOffset = 0;
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
