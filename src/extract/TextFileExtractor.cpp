// The plain-text reader.
#include "extract/TextFileExtractor.h"

#include "extract/ExtractFile.h"
#include "extract/OfficeExtractor.h"

namespace quillora {

namespace {

constexpr const char* kSuffixes = "TXT;C;CPP;H;BAS;LOG;INI;DOC";
constexpr std::size_t kSample = 4096;

// The sample without a character cut at its end: up to its last line feed, or
// without a trailing incomplete UTF-8 sequence.
std::string_view WholeLines(std::string_view sample, bool cut) {
    if (!cut) {
        return sample;
    }
    if (const std::size_t lf = sample.rfind('\n'); lf != std::string_view::npos) {
        return sample.substr(0, lf + 1);
    }
    std::size_t end = sample.size();
    for (std::size_t k = 0; k < 3 && end > 0; ++k) {
        const auto c = static_cast<unsigned char>(sample[end - 1]);
        if (c < 0x80) {
            break;
        }
        --end;
        if (c >= 0xC0) {
            return sample.substr(0, end);
        }
    }
    return sample;
}

} // namespace

CTextFileExtractor::CTextFileExtractor() {
    SetName("TEXT");
    m_strVersion = "1.0.1.0";
    m_dwSupport = kSupportFullText | kSupportBodyBySize | kSupportBodyByLines;
    m_nDocTarget = kTargetBodyBySize;
    KeepDefaults();
}

bool CTextFileExtractor::CheckSuffix(const std::string& upperSuffix) {
    return MatchSuffixList(upperSuffix, kSuffixes, 3);
}

void CTextFileExtractor::GetDefaultSuffix(std::string& suffixes) {
    suffixes = kSuffixes;
}

bool CTextFileExtractor::Open(CExtractFile& file) {
    CTextExtractor::Open(file);
    const std::string head = file.Head(kSample);
    // EUC-JP allowed: a text that only EUC-JP decodes would otherwise show as
    // half-width katakana; one that both decode stays Shift_JIS unless EUC-JP reads as
    // clearly more Japanese.
    m_code = CCodeConverter::Detect(WholeLines(head, file.Size() > head.size()), true);
    return true;
}

bool CTextFileExtractor::GetLine(CExtractFile& file, std::string& line) {
    if (m_bEnd) {
        return false;
    }
    if (m_code == ETextCode::Utf16LE || m_code == ETextCode::Utf16BE) {
        return GetUtf16Line(file, line);
    }
    const bool first = file.Tell() == 0;
    std::string raw;
    if (!file.GetRawLine(raw)) {
        m_bEnd = 1;
        return false;
    }
    if (first && raw.rfind("\xEF\xBB\xBF", 0) == 0) {
        raw.erase(0, 3);
    }
    for (char c : raw) {
        // Bytes from 0x20 up are never control bytes: the common case costs no call.
        // ISO-2022-JP switches its character sets with ESC, SO and SI.
        const auto byte = static_cast<unsigned char>(c);
        if (m_code == ETextCode::Jis && (byte == 0x1B || byte == 0x0E || byte == 0x0F)) {
            continue;
        }
        if (byte < 0x20 && IsControlChar(byte)) {
            m_bNotText = 1;
            m_bEnd = 1;
            return false;
        }
    }
    line = CCodeConverter::Convert(raw, m_code);
    return true;
}

bool CTextFileExtractor::GetUtf16Line(CExtractFile& file, std::string& line) {
    const bool big = m_code == ETextCode::Utf16BE;
    if (file.Tell() == 0) {
        const int a = file.Get();
        const int b = file.Get();
        // The byte-order mark, when there is one.
        if (!((a == 0xFF && b == 0xFE) || (a == 0xFE && b == 0xFF))) {
            file.Seek(0);
        }
    }
    std::string bytes;
    bool any = false;
    bool ended = false;
    while (bytes.size() < CExtractFile::kMaxLine) {
        const int a = file.Get();
        const int b = a < 0 ? -1 : file.Get();
        if (b < 0) {
            break;
        }
        any = true;
        const int unit = big ? (a << 8 | b) : (b << 8 | a);
        if (unit == '\n') {
            ended = true;
            break;
        }
        if (unit < 0x20 && unit != '\t' && unit != '\r') {
            m_bNotText = 1;
            m_bEnd = 1;
            return false;
        }
        bytes += static_cast<char>(a);
        bytes += static_cast<char>(b);
    }
    if (!any) {
        m_bEnd = 1;
        return false;
    }
    line = CCodeConverter::Utf16BytesToUtf8(bytes, big);
    if (ended) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        line += "\r\n";
    }
    return true;
}

} // namespace quillora
