// How quillora-cli names records: the line `tree` prints and its JSON object.
#include "cli/RecordText.h"

#include "cli/CliSupport.h"
#include "core/FileTime.h"
#include "model/CatalogPath.h"
#include "model/SArcFileInfo.h"
#include "model/SVolumeInfo.h"

namespace quillora::cli {

namespace {

const char* ClassName(const SFileInfo& record) {
    switch (record.Class()) {
    case RecordClass::Case:
        return "case";
    case RecordClass::Group:
        return "group";
    case RecordClass::Volume:
        return "medium";
    case RecordClass::ArcFile:
        return "arcentry";
    default:
        return "file";
    }
}

std::string JsonTime(FileTime ft) {
    return ft == 0 ? "null" : "\"" + FileTimeToIso8601(ft) + "\"";
}

} // namespace

std::string RecordLine(const SFileInfo& r) {
    std::string line = r.HasFlags(kFlagCase) ? r.GetDisplayName() : CatalogPath(r);
    if (r.IsDirectory() && !r.HasFlags(kFlagCase)) {
        line += '\\';
    }
    return line;
}

std::string RecordJson(const SFileInfo& r) {
    std::string j = "{";
    auto key = [&j](const char* name) {
        if (j.size() > 1) {
            j += ',';
        }
        j += '"';
        j += name;
        j += "\":";
    };
    key("path");
    j += JsonString(CatalogPath(r));
    key("name");
    j += JsonString(r.m_strName);
    key("class");
    j += JsonString(ClassName(r));
    key("flags");
    j += std::to_string(r.m_dwFlags);
    key("arcType");
    j += std::to_string(r.m_wArcType);
    key("size");
    j += std::to_string(r.m_nSize);
    key("lastWrite");
    j += JsonTime(r.m_ftLastWrite);
    key("creation");
    j += JsonTime(r.m_ftCreation);
    key("lastAccess");
    j += JsonTime(r.m_ftLastAccess);
    key("crc");
    j += (r.m_wExtFlags & kExtFlagCrc) ? std::to_string(r.m_dwExtValue) : "null";
    key("comment");
    j += JsonString(r.Comment());
    key("category");
    j += JsonString(r.Category());
    key("link");
    j += JsonString(r.Link());
    key("mark");
    j += std::to_string(r.m_byMark);
    key("dataLen");
    j += std::to_string(r.DataLen());
    key("props");
    if (const CPropertySet* props = r.Props()) {
        j += "{\"definition\":" + JsonString(props->DefinitionName()) + ",\"values\":[";
        for (std::size_t i = 0; i < props->Values().size(); ++i) {
            j += (i ? "," : "") + JsonString(props->Values()[i]);
        }
        j += "]}";
    } else {
        j += "null";
    }
    if (r.HasFlags(kFlagMedium | kFlagGroup)) {
        const auto& v = static_cast<const SVolumeInfo&>(r);
        key("label");
        j += JsonString(v.m_strLabel);
        key("orgLabel");
        j += JsonString(v.m_strOrgLabel);
        key("serial");
        j += JsonString(v.FormatSerial());
        key("volText1");
        j += JsonString(v.m_strVolText1);
        key("volText2");
        j += JsonString(v.m_strVolText2);
        key("totalBytes");
        j += std::to_string(v.m_nTotalBytes);
        key("freeBytes");
        j += std::to_string(v.m_nFreeBytes);
        key("sectorsPerCluster");
        j += std::to_string(v.m_dwSectorsPerCluster);
        key("bytesPerSector");
        j += std::to_string(v.m_dwBytesPerSector);
    }
    if (r.Class() == RecordClass::ArcFile) {
        const auto& a = static_cast<const SArcFileInfo&>(r);
        key("packedSize");
        j += std::to_string(a.m_dwPackedSize);
        key("arcText");
        j += JsonString(a.m_strArcText);
    }
    j += '}';
    return j;
}

} // namespace quillora::cli
