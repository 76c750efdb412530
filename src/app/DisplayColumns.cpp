// The column table and the value texts of the file list.
#include "app/DisplayColumns.h"

#include "export/CItemValues.h"

#include "app/NameOrder.h"
#include "core/ConfigData.h"
#include "core/Resources.h"
#include "model/CDisplayTypeTable.h"
#include "model/CaseEditing.h"
#include "model/DisplayName.h"
#include "model/RecordCompare.h"
#include "model/SArcFileInfo.h"
#include "model/SVolumeInfo.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace quillora {

namespace {

// Wide enough for any comment or category line the list can show.
constexpr std::size_t kOneLineWidth = 1024;

const SVolumeInfo* AsVolume(const SFileInfo& record) {
    return record.HasFlags(kFlagMedium | kFlagGroup) ? static_cast<const SVolumeInfo*>(&record)
                                                     : nullptr;
}

std::uint32_t CrcOf(const SFileInfo& record) {
    return (record.m_wExtFlags & kExtFlagCrc) ? record.m_dwExtValue : 0;
}

template <class T> int Order(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

std::string Property(const SFileInfo& record, int key) {
    const CPropertySet* props = record.Props();
    const std::string* value = props ? props->ValueByKey(key) : nullptr;
    return value ? *value : std::string();
}

std::string FolderPath(const SFileInfo& record) {
    // The folder as the exports and the printed list write it.
    return record.GetParent() ? CItemValues::FolderPart(record) : std::string();
}

std::string RatioText(const SFileInfo& record) {
    bool member = record.Class() == RecordClass::ArcFile;
    if (!member && record.IsDirectory()) {
        return {};
    }
    // Records outside archives are stored as they are: their packed size is their size.
    double ratio = member ? static_cast<const SArcFileInfo&>(record).CompressionRatio() : 100.0;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%5.1f %%", ratio);
    return buffer;
}

} // namespace

const std::vector<SDisplayColumn>& CDisplayColumns::Table() {
    static const std::vector<SDisplayColumn> table = {
        {0, "名前", false, 120},         {1, "ｻｲｽﾞ", true, 80},
        {2, "ﾌｧｲﾙの種類", false, 100},   {3, "作成日付", false, 110},
        {5, "最終ｱｸｾｽ日付", false, 110}, {4, "更新日付", false, 110},
        {6, "属性", true, 60},           {7, "ｺﾒﾝﾄ", false, 130},
        {8, "圧縮ｻｲｽﾞ", true, 130},      {9, "圧縮率", true, 130},
        {10, "ﾌｧｲﾙｼｽﾃﾑ", false, 130},    {11, "空き領域", true, 130},
        {12, "合計ｻｲｽﾞ", true, 130},     {13, "ｼﾘｱﾙ番号", false, 130},
        {14, "ﾌｫﾙﾀﾞ名", false, 130},     {15, "ﾏｰｸ", false, 130},
        {16, "ｹｰｽ名", false, 70},        {17, "ﾋｯﾄ数", true, 25},
        {18, "ﾗﾍﾞﾙ名", false, 120},      {19, "集計ｻｲｽﾞ", true, 80},
        {20, "分類", false, 130},        {21, "ﾀｲﾄﾙ(P)", false, 130},
        {22, "ｻﾌﾞｼﾞｪｸﾄ(P)", false, 130}, {23, "分類(P)", false, 130},
        {24, "ｷｰﾜｰﾄﾞ(P)", false, 130},   {25, "ｺﾒﾝﾄ(P)", false, 130},
        {26, "作者(P)", false, 130},     {27, "ｱﾌﾟﾘｹｰｼｮﾝ名(P)", false, 130},
        {28, "会社(P)", false, 130},     {29, "管理者(P)", false, 130},
        {30, "作成日(P)", false, 130},   {31, "最終保存日(P)", false, 130},
        {32, "CRC", false, 130},         {33, "総ﾌｧｲﾙ数", true, 130},
        {34, "総ﾌｫﾙﾀﾞ数", true, 130},    {35, "ｵﾘｼﾞﾅﾙ名", false, 130},
    };
    return table;
}

const SDisplayColumn* CDisplayColumns::Find(int id) {
    const auto& table = Table();
    auto it = std::find_if(table.begin(), table.end(),
                           [id](const SDisplayColumn& c) { return c.m_nId == id; });
    return it == table.end() ? nullptr : &*it;
}

int CDisplayColumns::DefaultWidth(int id) {
    const SDisplayColumn* column = Find(id);
    return column ? column->m_nWidth : 0;
}

const char* CDisplayColumns::Title(int id) {
    const SDisplayColumn* column = Find(id);
    return column ? column->m_pszTitle : "";
}

bool CDisplayColumns::RightAligned(int id) {
    const SDisplayColumn* column = Find(id);
    return column && column->m_bRight;
}

std::string CDisplayColumns::DateText(FileTime time) {
    std::int64_t seconds = 0;
    if (time == 0 || !FileTimeToUnix(time, &seconds)) {
        return Res(140);
    }
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (!localtime_r(&t, &local)) {
        return Res(140);
    }
    char buffer[64];
    std::size_t n = std::strftime(buffer, sizeof buffer, Res(139), &local);
    return n ? std::string(buffer, n) : std::string(Res(140));
}

std::string CDisplayColumns::ValueText(SFileInfo& record, int id) {
    const SVolumeInfo* volume = AsVolume(record);
    switch (id) {
    case 0:
        return record.GetDisplayName();
    case 1:
        return FormatGrouped(record.m_nSize);
    case 2:
        return DisplayTypes().Entry(DisplayTypes().IndexFor(record)).m_strTypeText;
    case 3:
        return DateText(record.m_ftCreation);
    case 4:
        return DateText(record.m_ftLastWrite);
    case 5:
        return DateText(record.m_ftLastAccess);
    case 6:
        return record.AttributeText();
    case 7:
        return record.CommentOneLine(kOneLineWidth);
    case 8:
        return record.Class() == RecordClass::ArcFile
                   ? static_cast<const SArcFileInfo&>(record).PackedSizeText()
                   : std::string();
    case 9:
        return RatioText(record);
    case 10:
        return volume ? volume->GetVolText2() : std::string();
    case 11:
        return volume ? volume->FormatFree() : std::string();
    case 12:
        return volume ? volume->FormatTotal() : std::string();
    case 13:
        return volume ? volume->FormatSerial() : std::string();
    case 14:
        return FolderPath(record);
    case 18:
        return MediumLabel(record);
    case 19:
        return record.HasFlags(kSizeFromChildrenMask)
                   ? FormatSizeText(record.m_nSize, Config().m_nSizeUnitMode)
                   : std::string();
    case 20:
        return record.TextOneLine(1, kOneLineWidth);
    case 32: {
        std::uint32_t crc = CrcOf(record);
        if (crc == 0) {
            return {};
        }
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%08X", crc);
        return buffer;
    }
    case 33:
        return std::to_string(record.CountFiles(true));
    case 34:
        return std::to_string(record.CountFolders(true));
    case 35:
        return volume ? volume->GetOrgLabel() : record.GetDisplayName();
    default:
        if (id >= 21 && id <= 31) {
            return Property(record, id - 20);
        }
        return {};
    }
}

int CDisplayColumns::Compare(SFileInfo& a, SFileInfo& b, int id) {
    switch (id) {
    case 0:
        return CNameOrder::Compare(a.GetDisplayName(), b.GetDisplayName());
    case 1:
    case 19:
        return CompareSize(a, b);
    case 11:
        return Order(AsVolume(a) ? AsVolume(a)->m_nFreeBytes : 0,
                     AsVolume(b) ? AsVolume(b)->m_nFreeBytes : 0);
    case 12:
        return Order(AsVolume(a) ? AsVolume(a)->m_nTotalBytes : 0,
                     AsVolume(b) ? AsVolume(b)->m_nTotalBytes : 0);
    case 2:
        return CompareType(a, b);
    case 3:
        return CompareCreation(a, b);
    case 4:
        return CompareLastWrite(a, b);
    case 5:
        return CompareLastAccess(a, b);
    case 6:
        return CompareAttributes(a, b);
    case 7:
        return CompareComment(a, b);
    case 8:
        return ComparePackedSize(a, b);
    case 9:
        return CompareRatioOf(a, b);
    case 18:
        return CompareMediumLabel(a, b);
    case 20:
        return CompareCategory(a, b);
    case 32:
        return Order(CrcOf(a), CrcOf(b));
    case 33:
        return Order(a.CountFiles(true), b.CountFiles(true));
    case 34:
        return Order(a.CountFolders(true), b.CountFolders(true));
    default:
        if (id >= 21 && id <= 31) {
            return CompareProperty(a, b, id - 20);
        }
        return ValueText(a, id).compare(ValueText(b, id));
    }
}

} // namespace quillora
