// The program and library reader.
#include "extract/ModuleExtractor.h"

#include "extract/ExtractFile.h"
#include "extract/OfficeExtractor.h"
#include "extract/PeVersionReader.h"
#include "extract/PropertyTitles.h"

#include <cstdio>

namespace quillora {

namespace {

constexpr const char* kSuffixes = "EXE;DLL;OCX;CPL;SCR;DRV;FON";

std::string VersionText(std::uint32_t ms, std::uint32_t ls) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%u.%u.%u.%u", ms >> 16, ms & 0xFFFF, ls >> 16,
                  ls & 0xFFFF);
    return buffer;
}

} // namespace

CModuleExtractor::CModuleExtractor() {
    SetName("MODULE");
    m_strVersion = "1.0.1.0";
    m_dwSupport = kSupportTitle | kSupportProperties;
    m_bPropUse = 1;
    m_nDocTarget = kTargetTitle;
    std::vector<SExtractProperty> table;
    for (int key : {129, 130, 131, 132, 5, 8, 1, 6, 133, 7, 134, 135, 2, 3, 4, 9, 10, 11}) {
        table.push_back({key, CPropertyTitles::Title(key, true), {}});
    }
    SetPropertyTable(std::move(table));
    KeepDefaults();
}

bool CModuleExtractor::CheckSuffix(const std::string& upperSuffix) {
    return MatchSuffixList(upperSuffix, kSuffixes, 3);
}

void CModuleExtractor::GetDefaultSuffix(std::string& suffixes) {
    suffixes = kSuffixes;
}

std::string CModuleExtractor::FileOsName(std::uint32_t os) {
    static constexpr struct {
        const char* name;
        std::uint32_t bits;
    } kOs[] = {
        {"DOS_WINDOWS16", 0x10001},
        {"DOS_WINDOWS32", 0x10004},
        {"OS216_PM16", 0x20002},
        {"OS232_PM32", 0x30003},
        {"NT_WINDOWS32", 0x40004},
        {"DOS", 0x10000},
        {"OS216", 0x20000},
        {"OS232", 0x30000},
        {"NT", 0x40000},
        {"_WINDOWS16", 1},
        {"_PM16", 2},
        {"_PM32", 3},
        {"_WINDOWS32", 4},
    };
    for (const auto& entry : kOs) {
        if ((os & entry.bits) == entry.bits) {
            return entry.name;
        }
    }
    return "UNKNOWN";
}

std::string CModuleExtractor::FileTypeName(std::uint32_t type) {
    switch (type) {
    case 1:
        return "APP";
    case 2:
        return "DLL";
    case 3:
        return "DRV";
    case 4:
        return "FONT";
    case 5:
        return "VXD";
    case 7:
        return "STATIC_LIB";
    default:
        return "UNKNOWN";
    }
}

void CModuleExtractor::TakeVersionInfo(const SPeVersionInfo& info, std::uint16_t language) {
    if (info.m_bFixed) {
        SetPropertyValue(129, VersionText(info.m_dwFileVersionMS, info.m_dwFileVersionLS));
        SetPropertyValue(130, VersionText(info.m_dwProductVersionMS, info.m_dwProductVersionLS));
        SetPropertyValue(131, FileOsName(info.m_dwFileOS));
        SetPropertyValue(132, FileTypeName(info.m_dwFileType));
    }
    const SPeVersionInfo::STable* table = info.TableFor(language);
    if (!table) {
        return;
    }
    static constexpr struct {
        const char* name;
        int key;
    } kStrings[] = {{"Comments", 5},       {"CompanyName", 8},       {"FileDescription", 1},
                    {"LegalCopyright", 6}, {"LegalTrademarks", 133}, {"ProductName", 7},
                    {"PrivateBuild", 134}, {"SpecialBuild", 135}};
    for (const auto& s : kStrings) {
        for (const auto& [name, value] : table->m_strings) {
            if (name == s.name) {
                SetPropertyValue(s.key, value);
                break;
            }
        }
    }
}

bool CModuleExtractor::ReadProperties(CExtractFile& file) {
    SPeVersionInfo info;
    const CPeVersionReader::ReadAt read = [&file](std::uint64_t offset, void* buffer,
                                                  std::size_t n) {
        return file.ReadAt(offset, buffer, n);
    };
    if (!CPeVersionReader::Read(read, file.Size(), info)) {
        return false;
    }
    TakeVersionInfo(info, CPeVersionReader::UserLanguage());
    return true;
}

} // namespace quillora
