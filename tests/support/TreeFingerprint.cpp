// Tree dumps: the facts of each record as the record stream carries them, plus what a
// loaded tree adds in memory.
#include "support/TreeFingerprint.h"

#include "model/ReplayTree.h"
#include "model/SFileInfo.h"
#include "model/SVolumeInfo.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <vector>

namespace quillora::test {

namespace {

const char* ClassName(RecordClass cls) {
    switch (cls) {
    case RecordClass::File:
        return "file";
    case RecordClass::ArcFile:
        return "arc";
    case RecordClass::Volume:
        return "volume";
    case RecordClass::Group:
        return "group";
    case RecordClass::Case:
        return "case";
    }
    return "?";
}

void Field(std::string& out, const char* name, std::uint64_t value) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, " %s=%" PRIx64, name, value);
    out += buffer;
}

void Text(std::string& out, const char* name, std::string_view value) {
    out += ' ';
    out += name;
    out += "=\"";
    out += value;
    out += '"';
}

bool OnDisk(const SFileInfo& record) {
    return !record.HasFlags(kFlagArcEntry) && !record.HasFlags(kFlagListedArchive);
}

void DumpRecord(const SFileInfo& r, int depth, const SDumpMask& mask, std::string& out) {
    SRecordFacts f;
    FactsOf(r, f);
    const bool medium = r.Class() == RecordClass::Volume || r.Class() == RecordClass::Group;
    const bool own = medium && mask.m_bMediumOwn;
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
    out += ClassName(f.m_class);
    if (!own) {
        Text(out, "name", f.m_strName);
        Text(out, "shown", r.GetDisplayName());
        Field(out, "flags", f.m_dwFlags);
    }
    Field(out, "size", f.m_nSize);
    Field(out, "arc", f.m_wArcType);
    Field(out, "ext", f.m_wExtFlags);
    Field(out, "value", f.m_dwExtValue);
    if (!own) {
        Field(out, "write", f.m_ftLastWrite);
        if (!mask.m_bCreation) {
            Field(out, "made", f.m_ftCreation);
        }
        if (!mask.m_bAccess) {
            Field(out, "read", f.m_ftLastAccess);
        }
    }
    Field(out, "mark", f.m_byMark);
    Field(out, "inherit", f.m_bLinkInherited);
    Text(out, "comment", f.m_strComment);
    Text(out, "category", f.m_strCategory);
    Text(out, "link", f.m_strLink);
    if (f.m_pProps) {
        Text(out, "props", f.m_pProps->DefinitionName());
        for (const std::string& value : f.m_pProps->Values()) {
            Text(out, "", value);
        }
    }
    Field(out, "data", f.m_data.size());
    if (f.m_class == RecordClass::ArcFile) {
        Field(out, "packed", f.m_dwPackedSize);
        Text(out, "arctext", f.m_strArcText);
    }
    if (medium && !own) {
        const SVolumeFields& v = f.m_volume;
        const auto& volume = static_cast<const SVolumeInfo&>(r);
        Field(out, "serial", v.m_dwSerial);
        Text(out, "label", v.m_strLabel);
        Text(out, "text1", v.m_strVolText1);
        Text(out, "text2", v.m_strVolText2);
        Text(out, "org", v.m_strOrgLabel);
        Field(out, "total", v.m_nTotalBytes);
        Field(out, "free", v.m_nFreeBytes);
        Field(out, "spc", v.m_dwSectorsPerCluster);
        Field(out, "bps", v.m_dwBytesPerSector);
        Text(out, "root", volume.m_strRoot);
        Text(out, "location", volume.m_strLocation);
    }
    out += '\n';
    std::vector<const SFileInfo*> children;
    for (const auto& child : r.Children()) {
        children.push_back(child.get());
    }
    if (mask.m_bSortOnDisk && OnDisk(r)) {
        std::stable_sort(
            children.begin(), children.end(),
            [](const SFileInfo* a, const SFileInfo* b) { return a->m_strName < b->m_strName; });
    }
    for (const SFileInfo* child : children) {
        if (child->GetParent() != &r) {
            out.append(static_cast<std::size_t>(depth + 1) * 2, ' ');
            out += "!parent\n";
        }
        DumpRecord(*child, depth + 1, mask, out);
    }
}

} // namespace

std::string TreeDump(const SFileInfo& top, const SDumpMask& mask) {
    std::string out;
    DumpRecord(top, 0, mask, out);
    return out;
}

std::uint64_t DumpHash(std::string_view dump) {
    std::uint64_t hash = 0xCBF29CE484222325ULL;
    for (const char c : dump) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ULL;
    }
    return hash;
}

} // namespace quillora::test
