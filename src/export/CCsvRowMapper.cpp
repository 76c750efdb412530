// The row mapper: each item type read from its field, numbers and dates from the raw
// bytes, texts decoded as the list's encoding says.
#include "export/CCsvRowMapper.h"

#include "core/Resources.h"
#include "core/Text.h"
#include "export/CCsvImporter.h"
#include "export/CImportError.h"
#include "export/FormItem.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>

namespace quillora {

namespace {

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

// The form the exports write, "YYYY/MM/DD hh:mm:ss", read at fixed places.
bool ReadCanonicalTime(std::string_view value, int numbers[6]) {
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

int DaysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : kDays[m - 1];
}

// Decimal digits up to the largest signed 64-bit value; "-0" is 0, any other sign
// is refused.
std::uint64_t ReadSize(std::string_view value, std::uint64_t line) {
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

std::uint32_t ReadCrc(std::string_view value, std::uint64_t line) {
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
[[gnu::always_inline]] inline void SplitInto(std::string_view path, SImportRow& row) {
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

} // namespace

CCsvRowMapper::CCsvRowMapper(const CFormCondition& preset, std::string_view text, bool utf8,
                             bool checked)
    : m_preset(preset), m_text(text), m_bUtf8(utf8), m_bChecked(checked),
      m_decoded(preset.Visible.size()), m_strUnknownTime(Res(140)) {
    for (const FormItem& item : preset.Visible) {
        m_types.push_back(item.Data);
    }
}

// Decode and ReadTime are inlined into Map: they run for most fields of every line.
[[gnu::always_inline]] inline std::string_view
CCsvRowMapper::Decode(const SField& field, std::string& scratch, std::uint64_t line) {
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

[[gnu::always_inline]] inline FileTime CCsvRowMapper::ReadTime(std::string_view value,
                                                               std::uint64_t line) {
    if (m_bLastTime && text::SameText(value, m_strLastTime)) {
        return m_ftLastTime;
    }
    const FileTime time = ParseTime(value, line);
    m_strLastTime.assign(value);
    m_ftLastTime = time;
    m_bLastTime = true;
    return time;
}

FileTime CCsvRowMapper::ParseTime(std::string_view value, std::uint64_t line) {
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
        while (pos < value.size() && value[pos] >= '0' && value[pos] <= '9' && pos - start < 6) {
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

std::int64_t CCsvRowMapper::LocalToUnix(int y, int mo, int d, int h, int mi, int s) {
    const std::int64_t yy = y - (mo <= 2);
    const std::int64_t era = (yy >= 0 ? yy : yy - 399) / 400;
    const std::int64_t yoe = yy - era * 400;
    const std::int64_t doy = (153 * (mo + (mo > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t days = era * 146097 + doe - 719468;
    return m_clock.ToUtc(days * 86400 + h * 3600 + mi * 60 + s);
}

[[gnu::always_inline]] inline std::string_view
CCsvRowMapper::RestoreBreaks(std::string_view value) {
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

void CCsvRowMapper::Map(const std::vector<SField>& fields, std::size_t count, std::uint64_t line,
                        SImportRow& row) {
    row.m_strLabel = CCsvImporter::kDefaultLabel;
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
            row.m_times[type - kItemUpdateTime] = ReadTime(Decode(field, m_decoded[i], line), line);
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

void CCsvRowMapper::PlaceBareName(std::string_view value, SImportRow& row) {
    if (value.empty() || text::EqualsNoCase(value, row.m_strLabel) || ListUsesRootPrefix()) {
        row.m_strFolder = {};
        row.m_strName = {};
        row.m_bName = true;
        return;
    }
    SplitInto(value, row);
}

bool CCsvRowMapper::ListUsesRootPrefix() {
    if (!m_rootPrefixUse) {
        m_rootPrefixUse = m_preset.RelRootSpec != 0
                              ? SomeFieldStartsWith(m_preset.RelRoot)
                              : SomeFieldStartsWith("./") || SomeFieldStartsWith(".\\");
    }
    return *m_rootPrefixUse;
}

bool CCsvRowMapper::SomeFieldStartsWith(std::string_view prefix) const {
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

} // namespace quillora
