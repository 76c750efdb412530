// quillora-cli new, info and tree.
#include "cli/CCaseSummary.h"
#include "cli/CJsonTreeWriter.h"
#include "cli/CliSupport.h"
#include "cli/CommandRegistration.h"
#include "cli/CommonOptions.h"
#include "cli/IndexAccess.h"
#include "cli/RecordText.h"

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
#include <unistd.h>
#include <vector>

namespace quillora::cli {

namespace {

// Every record in pre-order with its catalogue path, without recursion (trees can be
// deep). The path is built as the walk goes down rather than from the parents for each
// record: a case of millions of records prints in one pass.
template <typename Visit> void WalkPreOrder(const SFileInfo& root, Visit visit) {
    struct SItem {
        const SFileInfo* record;
        std::size_t parentLength; // of the parent's path, a prefix of `path` then
        bool separator;           // whether a "\" goes between them (not below the case)
    };
    std::vector<SItem> stack{{&root, 0, false}};
    std::string path;
    while (!stack.empty()) {
        const SItem item = stack.back();
        stack.pop_back();
        const SFileInfo& record = *item.record;
        path.resize(item.parentLength);
        if (!record.HasFlags(kFlagCase)) {
            if (item.separator) {
                path += '\\';
            }
            path += CatalogSegment(record);
        }
        visit(record, std::string_view(path));
        const auto& children = record.Children();
        const bool separator = !record.HasFlags(kFlagCase);
        for (std::size_t i = children.size(); i-- > 0;) {
            stack.push_back({children[i].get(), path.size(), separator});
        }
    }
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
        IndexCaseAfterCommand(root, a.casePath);
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
    CCaseSummary summary;
    if (!StreamCaseOrReport(a.casePath, a.password, summary)) {
        return kExitFailure;
    }
    std::printf("schema: %d\n", summary.m_nSchema);
    std::printf("password: %s\n", summary.m_bPassword ? "yes" : "no");
    std::printf("media: %zu\ngroups: %zu\nfolders: %zu\nfiles: %zu\narchive entries: %zu\n",
                summary.m_nMedia, summary.m_nGroups, summary.m_nFolders, summary.m_nFiles,
                summary.m_nEntries);
    for (std::string& line : summary.m_mediumLines) {
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return kExitOk;
}

int RunTreeJson(const SReadArgs& a) {
    std::fflush(stdout);
    CJsonTreeWriter writer(FullCasePath(a.casePath), STDOUT_FILENO);
    if (!StreamCaseOrReport(a.casePath, a.password, writer)) {
        writer.Flush();
        return kExitFailure;
    }
    if (!writer.Flush()) {
        ReportError("cannot write the output");
        return kExitFailure;
    }
    IndexCaseFileAfterCommand(a.casePath);
    return kExitOk;
}

int RunTree(const SReadArgs& a) {
    if (a.json) {
        return RunTreeJson(a);
    }
    std::unique_ptr<CCDCase> root = LoadCaseOrReport(a.casePath, a.password);
    if (!root) {
        return kExitFailure;
    }
    // Written in large pieces: a line a write costs more than the formatting.
    std::string out;
    auto flush = [&out] {
        std::fwrite(out.data(), 1, out.size(), stdout);
        out.clear();
    };
    WalkPreOrder(*root, [&](const SFileInfo& r, std::string_view path) {
        AppendRecordLine(out, r, path);
        out += '\n';
        if (out.size() >= 1 << 16) {
            flush();
        }
    });
    flush();
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
