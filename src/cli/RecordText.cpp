// How quillora-cli names records: the line `tree` prints and its JSON object.
#include "cli/RecordText.h"

#include "cli/CliSupport.h"
#include "core/FileTime.h"
#include "model/CatalogPath.h"
#include "model/SArcFileInfo.h"
#include "model/SVolumeInfo.h"

#include <charconv>

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

void AppendTime(std::string& j, FileTime ft) {
    if (ft == 0) {
        j += "null";
        return;
    }
    j += '"';
    AppendIso8601(j, ft);
    j += '"';
}

void AppendNumber(std::string& j, std::uint64_t value) {
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    j.append(buffer, end);
}

} // namespace

std::string RecordLine(const SFileInfo& r) {
    std::string line = r.HasFlags(kFlagCase) ? r.GetDisplayName() : CatalogPath(r);
    if (r.IsDirectory() && !r.HasFlags(kFlagCase)) {
        line += '\\';
    }
    return line;
}

void AppendRecordJson(std::string& j, const SFileInfo& r) {
    j += '{';
    bool first = true;
    auto key = [&j, &first](std::string_view name) {
        if (!first) {
            j += ',';
        }
        first = false;
        j += '"';
        j += name;
        j += "\":";
    };
    key("path");
    AppendJsonString(j, CatalogPath(r));
    key("name");
    AppendJsonString(j, r.m_strName);
    key("class");
    AppendJsonString(j, ClassName(r));
    key("flags");
    AppendNumber(j, r.m_dwFlags);
    key("arcType");
    AppendNumber(j, r.m_wArcType);
    key("size");
    AppendNumber(j, r.m_nSize);
    key("lastWrite");
    AppendTime(j, r.m_ftLastWrite);
    key("creation");
    AppendTime(j, r.m_ftCreation);
    key("lastAccess");
    AppendTime(j, r.m_ftLastAccess);
    key("crc");
    if (r.m_wExtFlags & kExtFlagCrc) {
        AppendNumber(j, r.m_dwExtValue);
    } else {
        j += "null";
    }
    key("comment");
    AppendJsonString(j, r.Comment());
    key("category");
    AppendJsonString(j, r.Category());
    key("link");
    AppendJsonString(j, r.Link());
    key("mark");
    AppendNumber(j, r.m_byMark);
    key("dataLen");
    AppendNumber(j, r.DataLen());
    key("props");
    if (const CPropertySet* props = r.Props()) {
        j += "{\"definition\":";
        AppendJsonString(j, props->DefinitionName());
        j += ",\"values\":[";
        for (std::size_t i = 0; i < props->Values().size(); ++i) {
            if (i != 0) {
                j += ',';
            }
            AppendJsonString(j, props->Values()[i]);
        }
        j += "]}";
    } else {
        j += "null";
    }
    if (r.HasFlags(kFlagMedium | kFlagGroup)) {
        const auto& v = static_cast<const SVolumeInfo&>(r);
        key("label");
        AppendJsonString(j, v.m_strLabel);
        key("orgLabel");
        AppendJsonString(j, v.m_strOrgLabel);
        key("serial");
        AppendJsonString(j, v.FormatSerial());
        key("volText1");
        AppendJsonString(j, v.m_strVolText1);
        key("volText2");
        AppendJsonString(j, v.m_strVolText2);
        key("totalBytes");
        AppendNumber(j, v.m_nTotalBytes);
        key("freeBytes");
        AppendNumber(j, v.m_nFreeBytes);
        key("sectorsPerCluster");
        AppendNumber(j, v.m_dwSectorsPerCluster);
        key("bytesPerSector");
        AppendNumber(j, v.m_dwBytesPerSector);
    }
    if (r.Class() == RecordClass::ArcFile) {
        const auto& a = static_cast<const SArcFileInfo&>(r);
        key("packedSize");
        AppendNumber(j, a.m_dwPackedSize);
        key("arcText");
        AppendJsonString(j, a.m_strArcText);
    }
    j += '}';
}

std::string RecordJson(const SFileInfo& r) {
    std::string j;
    AppendRecordJson(j, r);
    return j;
}

} // namespace quillora::cli
