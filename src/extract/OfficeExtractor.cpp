// The compound-document reader.
#include "extract/OfficeExtractor.h"

#include "extract/ExtractFile.h"
#include "extract/PropertyTitles.h"

#include <cstring>

namespace quillora {

namespace {

constexpr const char* kSuffixes = "DOC;XLS;XLT;PPT;MPP";
constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

// Each table entry: the property set, the property id in it, and the key.
struct SOfficeEntry {
    int set;
    std::uint32_t id;
    int key;
};

constexpr SOfficeEntry kEntries[] = {
    {0, 2, 1},   {0, 3, 2},   {0, 4, 6},   {0, 5, 4},    {0, 6, 5},    {0, 7, 135},  {0, 8, 136},
    {0, 9, 137}, {0, 12, 10}, {0, 13, 11}, {0, 14, 142}, {0, 15, 143}, {0, 16, 144}, {0, 18, 7},
    {1, 2, 3},   {1, 3, 259}, {1, 4, 260}, {1, 6, 5364}, {1, 7, 263},  {1, 12, 268}, {1, 13, 269},
    {1, 14, 9},  {1, 15, 8},  {2, 2, 386}, {2, 3, 387},
};

} // namespace

bool MatchSuffixList(const std::string& upperSuffix, std::string_view list, std::size_t width) {
    while (!list.empty()) {
        const std::size_t semi = list.find(';');
        std::string_view item = list.substr(0, semi);
        list = semi == std::string_view::npos ? std::string_view{} : list.substr(semi + 1);
        if (item.empty()) {
            continue;
        }
        const std::size_t n = std::min(item.size(), width);
        // Both must reach the compared length: "DO" is not "DOC".
        if (upperSuffix.size() >= n && upperSuffix.compare(0, n, item.substr(0, n)) == 0 &&
            (upperSuffix.size() == item.size() || n == width)) {
            return true;
        }
    }
    return false;
}

COfficeExtractor::COfficeExtractor() {
    SetName("MS-Office");
    m_strVersion = "1.0.1.0";
    m_dwSupport = kSupportTitle | kSupportProperties;
    m_bPropUse = 1;
    m_nDocTarget = kTargetTitle;
    std::vector<SExtractProperty> table;
    for (const SOfficeEntry& e : kEntries) {
        table.push_back({e.key, CPropertyTitles::Title(e.key), {}});
    }
    SetPropertyTable(std::move(table));
    KeepDefaults();
}

bool COfficeExtractor::CheckSuffix(const std::string& upperSuffix) {
    return MatchSuffixList(upperSuffix, kSuffixes, 3);
}

void COfficeExtractor::GetDefaultSuffix(std::string& suffixes) {
    suffixes = kSuffixes;
}

bool COfficeExtractor::IsTarget(CExtractFile& file, const std::string&) {
    file.Rewind();
    return CanRead(file);
}

bool COfficeExtractor::CanRead(CExtractFile& file) {
    unsigned char head[8] = {};
    return file.ReadAt(0, head, 8) == 8 && std::memcmp(head, kSignature, 8) == 0;
}

bool COfficeExtractor::ReadProperties(CExtractFile& file) {
    if (!m_reader.Read(file)) {
        return false;
    }
    for (const SOfficeEntry& e : kEntries) {
        if (const std::string* value = m_reader.Find(e.set, e.id)) {
            SetPropertyValue(e.key, *value);
        }
    }
    return true;
}

} // namespace quillora
