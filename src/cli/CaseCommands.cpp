// quillora-cli new, info and tree.
#include "cli/CliSupport.h"
#include "cli/CommandRegistration.h"
#include "cli/CommonOptions.h"

#include "model/CaseFile.h"
#include "model/CatalogPath.h"
#include "model/DisplayName.h"
#include "model/SArcFileInfo.h"
#include "model/SVolumeInfo.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace quillora::cli {

namespace {

// Every record in pre-order, without recursion (trees can be deep).
template <typename Visit> void WalkPreOrder(const SFileInfo& root, Visit visit) {
    std::vector<const SFileInfo*> stack{&root};
    while (!stack.empty()) {
        const SFileInfo* record = stack.back();
        stack.pop_back();
        visit(*record);
        const auto& children = record->Children();
        for (std::size_t i = children.size(); i-- > 0;) {
            stack.push_back(children[i].get());
        }
    }
}

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

std::string JsonRecord(const SFileInfo& r) {
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

struct SNewArgs {
    std::string casePath;
    std::optional<std::string> password;
    bool force = false;
    bool noWait = false;
};

int RunNew(const SNewArgs& a) {
    CCDCase root;
    root.m_strPassword = a.password.value_or("");
    if (!CheckStorablePassword(root.m_strPassword)) {
        return kExitFailure;
    }
    struct stat st {};
    if (!a.force && ::stat(a.casePath.c_str(), &st) == 0) {
        ReportError(a.casePath + ": the file exists; --force replaces it with an empty case");
        return kExitFailure;
    }
    CCaseLock lock;
    if (!LockCaseForEdit(lock, a.casePath, a.noWait)) {
        return kExitFailure;
    }
    try {
        SaveCaseFile(root, a.casePath, false);
    } catch (const std::exception& e) {
        ReportError(DescribeCaseError(e, a.casePath));
        return kExitFailure;
    }
    return kExitOk;
}

// The arguments of info and tree.
struct SReadArgs {
    std::string casePath;
    std::optional<std::string> password;
    bool json = false;
};

int RunInfo(const SReadArgs& a) {
    std::unique_ptr<CCDCase> root = LoadCaseOrReport(a.casePath, a.password);
    if (!root) {
        return kExitFailure;
    }
    std::size_t media = 0, groups = 0, folders = 0, files = 0, entries = 0;
    WalkPreOrder(*root, [&](const SFileInfo& r) {
        switch (r.Class()) {
        case RecordClass::Volume:
            ++media;
            break;
        case RecordClass::Group:
            ++groups;
            break;
        case RecordClass::ArcFile:
            ++entries;
            break;
        case RecordClass::File:
            (r.IsDirectory() && !r.HasFlags(kFlagListedArchive) ? folders : files)++;
            break;
        default:
            break;
        }
    });
    std::printf("schema: %d\n", root->m_nLoadedSchema);
    std::printf("password: %s\n", root->m_strPassword.empty() ? "no" : "yes");
    std::printf("media: %zu\ngroups: %zu\nfolders: %zu\nfiles: %zu\narchive entries: %zu\n", media,
                groups, folders, files, entries);
    for (SVolumeInfo* v : root->CollectMedia()) {
        std::printf("%s\t%s\t%s\t%s\t%s\t%s\n", v->m_strLabel.c_str(), v->m_strOrgLabel.c_str(),
                    v->FormatSerial().c_str(), v->KindName().c_str(), v->m_strVolText2.c_str(),
                    v->FormatSize().c_str());
    }
    return kExitOk;
}

int RunTree(const SReadArgs& a) {
    std::unique_ptr<CCDCase> root = LoadCaseOrReport(a.casePath, a.password);
    if (!root) {
        return kExitFailure;
    }
    WalkPreOrder(*root, [&](const SFileInfo& r) {
        if (a.json) {
            std::string line = JsonRecord(r);
            line += '\n';
            std::fwrite(line.data(), 1, line.size(), stdout);
            return;
        }
        std::string line = r.HasFlags(kFlagCase) ? r.GetDisplayName() : CatalogPath(r);
        if (r.IsDirectory() && !r.HasFlags(kFlagCase)) {
            line += '\\';
        }
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    });
    return kExitOk;
}

const CCommandRegistration
    kNew({"new", CommandGroup::Catalogue, "Write an empty case file", [](CLI::App& cmd) {
              auto a = std::make_shared<SNewArgs>();
              AddCaseArgument(cmd, a->casePath, "The case file to write");
              AddPasswordOption(cmd, a->password)
                  ->description("Protect the new case with a password")
                  ->check(NewPasswordCheck(0));
              cmd.add_flag("--force", a->force, "Replace a case file that is already there");
              AddNoWaitFlag(cmd, a->noWait);
              return [a] { return RunNew(*a); };
          }});

const CCommandRegistration kInfo({"info", CommandGroup::Catalogue,
                                  "Print the schema, the counts and one line per medium",
                                  [](CLI::App& cmd) {
                                      auto a = std::make_shared<SReadArgs>();
                                      AddCaseArgument(cmd, a->casePath);
                                      AddPasswordOption(cmd, a->password);
                                      return [a] { return RunInfo(*a); };
                                  }});

const CCommandRegistration kTree({"tree", CommandGroup::Catalogue,
                                  "Print every record, in tree order", [](CLI::App& cmd) {
                                      auto a = std::make_shared<SReadArgs>();
                                      AddCaseArgument(cmd, a->casePath);
                                      AddPasswordOption(cmd, a->password);
                                      AddJsonFlag(cmd, a->json,
                                                  "Print every field of each record as one "
                                                  "JSON object per line");
                                      return [a] { return RunTree(*a); };
                                  }});

} // namespace

} // namespace quillora::cli
