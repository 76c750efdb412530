// Item values of the list formats.
#include "export/CItemValues.h"

#include "core/Resources.h"
#include "export/CFormCondition.h"
#include "export/FormItem.h"
#include "model/PropertySet.h"
#include "model/RecordFlags.h"
#include "model/SVolumeInfo.h"
#include "platform/OsPath.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace quillora {

namespace {

const std::string kEmpty;

void AppendUnsigned(std::string& out, std::uint64_t value) {
    char buffer[24];
    char* end = buffer + sizeof buffer;
    char* p = end;
    do {
        *--p = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    out.append(p, static_cast<std::size_t>(end - p));
}

void AppendTwo(std::string& out, int value) {
    out += static_cast<char>('0' + value / 10 % 10);
    out += static_cast<char>('0' + value % 10);
}

std::size_t LastSeparator(std::string_view path) {
    return path.find_last_of("\\/");
}

} // namespace

SItemValueOptions SItemValueOptions::From(const CFormCondition& preset, bool keepLineBreaks) {
    SItemValueOptions o;
    o.m_bOrgName = preset.OrgName != 0;
    o.m_strLabelOpen = preset.LabelOpen();
    o.m_strLabelClose = preset.LabelClose();
    o.m_nFolderSep = preset.FolderSep;
    o.m_bRelRootSpec = preset.RelRootSpec != 0;
    o.m_strRelRoot = preset.RelRoot;
    if (keepLineBreaks) {
        o.m_commentBreaks = ECommentBreaks::Keep;
    } else if (preset.ConvCommentRCode != 0) {
        o.m_commentBreaks = ECommentBreaks::Convert;
    } else {
        o.m_commentBreaks = ECommentBreaks::OneLine;
    }
    o.m_strCommentRCode = preset.CommentRCode;
    if (preset.Format() == EFormFormat::MediaMax) {
        o.m_strTitleEmpty = preset.TitleEmpty;
    }
    return o;
}

std::string_view OriginalLeafName(const SFileInfo& entry) {
    std::string_view name = entry.m_strName;
    std::size_t cut = LastSeparator(name);
    return cut == std::string_view::npos ? name : name.substr(cut + 1);
}

std::string CItemValues::FolderPart(const SFileInfo& entry) {
    std::string path = entry.GetPath();
    const SVolumeInfo* medium = entry.EnclosingMedium();
    if (medium && !medium->HasFlags(kFlagRemote)) {
        // A local medium's place is a Linux folder: its mount point and the folders
        // below it, written with "/" as the user knows them ("/home/me/discs/Docs/").
        // Absent, the mount point is not known: the folders count from "/", as a path
        // from the root of a drive that is not there.
        const std::string& root = medium->GetRoot();
        if (&entry == medium && root.empty() && medium->m_strName.empty()) {
            return {}; // a whole disc that is not here has no folder to name
        }
        const std::string below = path.substr(std::min(path.size(), medium->GetName().size()));
        path = OsPathBelow(OsPathBelow(root.empty() ? "/" : root, medium->m_strName), below);
    }
    std::size_t cut = LastSeparator(path);
    path.resize(cut == std::string::npos ? 0 : cut + 1);
    return path;
}

const std::string& CItemValues::Label(const SFileInfo& entry) {
    const SVolumeInfo* medium = entry.EnclosingMedium();
    return medium ? medium->m_strLabel : kEmpty;
}

void CItemValues::ConvertFolderSep(std::string& out, std::size_t from) const {
    // In UTF-8 no byte of a multibyte character is an ASCII separator, so the
    // conversion can never touch a character's trail byte, as it must not in CP932.
    char find = 0;
    char put = 0;
    if (m_options.m_nFolderSep == 1) {
        find = '\\';
        put = '/';
    } else if (m_options.m_nFolderSep == 2) {
        find = '/';
        put = '\\';
    } else {
        return;
    }
    for (std::size_t i = from; i < out.size(); ++i) {
        if (out[i] == find) {
            out[i] = put;
        }
    }
}

void CItemValues::AppendComposedName(std::string& out, const SFileInfo& entry, int type) {
    const std::size_t start = out.size();
    if (type == kItemNameLabelPath) {
        out += m_options.m_strLabelOpen;
        out += Label(entry);
        out += m_options.m_strLabelClose;
    }
    if (type == kItemNameLabelPath || type == kItemNameFolderPath) {
        out += FolderPart(entry);
    }
    if (out.size() > start && out.back() != '\\' && out.back() != '/') {
        out += '\\';
    }
    if (m_options.m_bOrgName) {
        out += OriginalLeafName(entry);
    } else {
        out += entry.GetDisplayName();
    }
    ConvertFolderSep(out, start);
}

void CItemValues::AppendRelativeName(std::string& out, const SFileInfo& entry) {
    const std::size_t start = out.size();
    const SVolumeInfo* medium = entry.EnclosingMedium();
    if (!medium || medium == &entry) {
        out += entry.m_strName;
        return;
    }
    if (m_options.m_bRelRootSpec) {
        const std::string& root = m_options.m_strRelRoot;
        out += root;
        if (!root.empty() && root.back() != '\\' && root.back() != '/') {
            out += '\\';
        }
    } else {
        out += ".\\";
    }
    // The names from below the medium down to the entry.
    m_chain.clear();
    for (const SFileInfo* r = entry.GetParent(); r && r != medium && !r->HasFlags(kFlagCase);
         r = r->GetParent()) {
        m_chain.push_back(r);
    }
    for (std::size_t i = m_chain.size(); i-- > 0;) {
        out += m_chain[i]->m_strName;
        out += '\\';
    }
    out += entry.m_strName;
    for (std::size_t i = start; i < out.size(); ++i) {
        if (out[i] == '\\') {
            out[i] = '/';
        }
    }
}

void CItemValues::AppendComment(std::string& out, const SFileInfo& entry) const {
    const std::string& comment = entry.Comment();
    switch (m_options.m_commentBreaks) {
    case ECommentBreaks::Keep:
        out += comment;
        return;
    case ECommentBreaks::Convert:
        // A lone CR or LF is a line break too: written as it is, it would end the row.
        for (std::size_t i = 0; i < comment.size();) {
            if (comment.compare(i, 2, "\r\n") == 0) {
                out += m_options.m_strCommentRCode;
                i += 2;
            } else if (comment[i] == '\r' || comment[i] == '\n') {
                out += m_options.m_strCommentRCode;
                ++i;
            } else {
                out += comment[i++];
            }
        }
        return;
    case ECommentBreaks::OneLine:
        for (char c : comment) {
            if (c == '\r') {
                continue;
            }
            out += c == '\n' ? ' ' : c;
        }
        return;
    }
}

void CItemValues::AppendTime(std::string& out, FileTime time) {
    // A file time beyond the signed range is no time at all.
    if (time == 0 || time >= 0x8000000000000000ULL) {
        out += Res(140);
        return;
    }
    const std::int64_t seconds = static_cast<std::int64_t>(time / 10000000ULL) - 11644473600LL;
    const std::int64_t quarter = seconds >= 0 ? seconds / 900 : (seconds - 899) / 900;
    const int offset = static_cast<int>(seconds - quarter * 900);
    if (quarter != m_nCachedQuarter) {
        std::time_t t = static_cast<std::time_t>(quarter * 900);
        std::tm local{};
        if (!localtime_r(&t, &local)) {
            out += Res(140);
            return;
        }
        m_nCachedQuarter = quarter;
        m_cached[0] = local.tm_year + 1900;
        m_cached[1] = local.tm_mon + 1;
        m_cached[2] = local.tm_mday;
        m_cached[3] = local.tm_hour;
        m_cached[4] = local.tm_min;
        m_cached[5] = local.tm_sec;
    }
    int second = m_cached[5] + offset;
    int minute = m_cached[4] + second / 60;
    second %= 60;
    int hour = m_cached[3];
    if (minute >= 60) {
        // Only zones with offsets of odd minutes (old local mean times) get here.
        std::time_t t = static_cast<std::time_t>(seconds);
        std::tm local{};
        if (!localtime_r(&t, &local)) {
            out += Res(140);
            return;
        }
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d %02d:%02d:%02d", local.tm_year + 1900,
                      local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
        out += buffer;
        return;
    }
    AppendUnsigned(out, static_cast<std::uint64_t>(m_cached[0]));
    out += '/';
    AppendTwo(out, m_cached[1]);
    out += '/';
    AppendTwo(out, m_cached[2]);
    out += ' ';
    AppendTwo(out, hour);
    out += ':';
    AppendTwo(out, minute);
    out += ':';
    AppendTwo(out, second);
}

void CItemValues::Append(std::string& out, const SFileInfo& entry, int type) {
    switch (type) {
    case kItemLabel:
        out += Label(entry);
        return;
    case kItemFolder: {
        const std::size_t start = out.size();
        out += FolderPart(entry);
        ConvertFolderSep(out, start);
        return;
    }
    case kItemNameLabelPath:
    case kItemNameFolderPath:
    case kItemName:
        AppendComposedName(out, entry, type);
        return;
    case kItemExtension: {
        const std::string& name = entry.GetDisplayName();
        std::size_t dot = name.rfind('.');
        if (dot != std::string::npos) {
            out.append(name, dot, std::string::npos);
        }
        return;
    }
    case kItemSize:
        AppendUnsigned(out, entry.m_nSize);
        return;
    case kItemUpdateTime:
        AppendTime(out, entry.m_ftLastWrite);
        return;
    case kItemCreationTime:
        AppendTime(out, entry.m_ftCreation);
        return;
    case kItemAccessTime:
        AppendTime(out, entry.m_ftLastAccess);
        return;
    case kItemComment:
        AppendComment(out, entry);
        return;
    case kItemParentName:
        if (const SFileInfo* parent = entry.GetParent()) {
            out += m_options.m_bOrgName ? parent->m_strName : parent->GetDisplayName();
        }
        return;
    case kItemCategory:
        out += entry.Category();
        return;
    case kItemRelativeName:
        AppendRelativeName(out, entry);
        return;
    case kItemCrc:
        if (entry.m_dwExtValue != 0) {
            char buffer[16];
            std::snprintf(buffer, sizeof buffer, "%08X", entry.m_dwExtValue);
            out += buffer;
        }
        return;
    default:
        break;
    }
    if (int key = ItemPropertyKey(type); key != 0) {
        const CPropertySet* props = entry.Props();
        const std::string* value = props ? props->ValueByKey(key) : nullptr;
        if (value && !value->empty()) {
            out += *value;
        } else if (type == kItemProperty1) {
            out += m_options.m_strTitleEmpty;
        }
    }
}

std::string CItemValues::Value(const SFileInfo& entry, int type) {
    std::string out;
    Append(out, entry, type);
    return out;
}

} // namespace quillora
