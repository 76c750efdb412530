// Display-name normalisation and size texts.
#include "model/DisplayName.h"

#include "core/IModelSettings.h"
#include "core/Resources.h"
#include "core/Text.h"
#include "model/RecordFlags.h"
#include "model/SRecordFacts.h"
#include "model/SVolumeInfo.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace quillora {

namespace {

bool NeedsExplorerCase(std::string_view name) {
    for (std::size_t i = 0; i < name.size();) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (c >= 'a' && c <= 'z') {
            return false;
        }
        std::size_t len = 1;
        if (text::CharCp932Width(name, i, &len) == 2) {
            return false;
        }
        i += len;
    }
    return true;
}

std::string ExplorerCase(std::string_view name) {
    std::string out(name);
    bool keep = true; // the first character and any right after a space stay
    for (char& ch : out) {
        if (!keep && ch >= 'A' && ch <= 'Z') {
            ch = static_cast<char>(ch - 'A' + 'a');
        }
        keep = ch == ' ';
    }
    return out;
}

// value / 2^shift with two decimals, cut (not rounded): the value is printed times
// 1000 (or 10^6) rounded, then the last groups become the decimals.
std::string TwoDecimals(std::uint64_t value, double divisor, double scale, int fractionDigits) {
    double scaled = static_cast<double>(value) / divisor * scale;
    unsigned long long whole = static_cast<unsigned long long>(std::llround(scaled));
    std::string digits = std::to_string(whole);
    while (digits.size() <= static_cast<std::size_t>(fractionDigits)) {
        digits.insert(digits.begin(), '0');
    }
    std::size_t point = digits.size() - static_cast<std::size_t>(fractionDigits);
    return digits.substr(0, point) + "." + digits.substr(point, 2);
}

} // namespace

std::string NormalizeDisplayName(std::string_view name, int mode) {
    switch (mode) {
    case 0:
        return NeedsExplorerCase(name) ? ExplorerCase(name) : std::string(name);
    case 1:
        return text::AsciiUpper(name);
    case 2:
        return text::AsciiLower(name);
    default:
        return std::string(name);
    }
}

bool DisplayNameUnchanged(std::string_view name, int mode) {
    switch (mode) {
    case 0: {
        if (!NeedsExplorerCase(name)) {
            return true;
        }
        bool keep = true;
        for (char ch : name) {
            if (!keep && ch >= 'A' && ch <= 'Z') {
                return false;
            }
            keep = ch == ' ';
        }
        return true;
    }
    case 1:
        for (char ch : name) {
            if (ch >= 'a' && ch <= 'z') {
                return false;
            }
        }
        return true;
    case 2:
        for (char ch : name) {
            if (ch >= 'A' && ch <= 'Z') {
                return false;
            }
        }
        return true;
    default:
        return true;
    }
}

namespace {

std::string_view DisplayNameIn(const SRecordFacts& facts, std::string& scratch,
                               std::string_view casePath, int mode) {
    switch (facts.m_class) {
    case RecordClass::Volume:
    case RecordClass::Group:
        scratch = NormalizeDisplayName(facts.m_volume.m_strLabel, mode);
        return scratch;
    case RecordClass::Case: {
        const std::string_view path = casePath.empty() ? facts.m_strName : casePath;
        const std::size_t cut = path.find_last_of("\\/");
        scratch =
            NormalizeDisplayName(cut == std::string_view::npos ? path : path.substr(cut + 1), mode);
        return scratch;
    }
    default:
        break;
    }
    const std::string_view tail = FindNameOfEntry(facts);
    if (mode == kDisplayOriginal || DisplayNameUnchanged(tail, mode)) {
        return tail;
    }
    scratch = NormalizeDisplayName(tail, mode);
    return scratch;
}

} // namespace

std::string_view DisplayNameOf(const SRecordFacts& facts, std::string& scratch,
                               std::string_view casePath) {
    return DisplayNameIn(facts, scratch, casePath, FileDispModeSetting());
}

std::string_view FindNameOfContainer(const SRecordFacts& facts, std::string& scratch,
                                     std::string_view casePath) {
    return DisplayNameIn(facts, scratch, casePath, kDisplayOriginal);
}

std::string_view FindNameOf(const SFileInfo& record) {
    if (record.HasFlags(kFlagMedium) || record.HasFlags(kFlagGroup)) {
        return static_cast<const SVolumeInfo&>(record).m_strLabel;
    }
    const std::string_view name = record.m_strName;
    const std::size_t cut = name.find_last_of(record.HasFlags(kFlagCase) ? "\\/" : "\\");
    return cut == std::string_view::npos ? name : name.substr(cut + 1);
}

std::string FormatGrouped(std::uint64_t value) {
    std::string digits = std::to_string(value);
    std::string out;
    out.reserve(digits.size() + digits.size() / 3);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            out += ',';
        }
        out += digits[i];
    }
    return out;
}

std::string FormatSizeText(std::uint64_t size, int unit) {
    if (size == kUnknownSize) {
        return Res(140);
    }
    switch (unit) {
    case 0:
        if (size < 1024) {
            return ResFormat(163, std::to_string(size).c_str());
        }
        if (size < 0x100000) {
            return ResFormat(164, TwoDecimals(size, 1024.0, 1000.0, 3).c_str());
        }
        if (size < 0x40000000) {
            return ResFormat(165, TwoDecimals(size, 1048576.0, 1e6, 6).c_str());
        }
        return ResFormat(
            166, TwoDecimals(static_cast<std::uint32_t>(size >> 10), 1048576.0, 1e6, 6).c_str());
    case 1:
        return ResFormat(163, FormatGrouped(size).c_str());
    case 2:
        return ResFormat(164, FormatGrouped(size >> 10).c_str());
    case 3:
        return ResFormat(165, FormatGrouped(size >> 20).c_str());
    case 4:
        return ResFormat(166, FormatGrouped(size >> 30).c_str());
    default:
        return {};
    }
}

} // namespace quillora
