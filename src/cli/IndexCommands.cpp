// quillora-cli locate and index: questions to the index of every case, and adding,
// removing, updating and describing what it holds.
#include "cli/CliSupport.h"
#include "cli/CommandRegistration.h"
#include "cli/CommonOptions.h"

#include "cli/IndexAccess.h"
#include "cli/RecordText.h"
#include "core/FileTime.h"
#include "index/CCaseIndex.h"
#include "model/DisplayName.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillora::cli {

namespace {

void PrintLine(std::string line) {
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
}

std::string TimeText(FileTime ft) {
    return ft == 0 ? std::string() : FileTimeToIso8601(ft);
}

std::string StateName(ECaseState state) {
    return state == ECaseState::Protected ? "protected" : "unreadable";
}

struct SLocateArgs {
    std::vector<std::string> words;
    std::optional<std::string> index;
    std::optional<std::string> server;
    std::size_t limit = 1000;
    bool json = false;
};

int RunLocate(const SLocateArgs& a) {
    std::unique_ptr<CCaseIndex> index = OpenIndexOrReport(a.index, a.server);
    if (!index) {
        return kExitFailure;
    }
    std::vector<SLocateHit> hits;
    try {
        hits = index->Locate(a.words, a.limit);
    } catch (const std::exception& e) {
        ReportError(e.what());
        return kExitFailure;
    }
    for (const SLocateHit& h : hits) {
        if (a.json) {
            PrintLine("{\"case\":" + JsonString(h.m_strCase) + ",\"medium\":" +
                      JsonString(h.m_strMedium) + ",\"path\":" + JsonString(h.m_strPath) +
                      ",\"name\":" + JsonString(h.m_strName) +
                      ",\"size\":" + std::to_string(h.m_nSize) + ",\"lastWrite\":" +
                      (h.m_ftLastWrite == 0 ? std::string("null")
                                            : "\"" + FileTimeToIso8601(h.m_ftLastWrite) + "\"") +
                      ",\"class\":\"" + std::string(RecordClassName(h.m_class)) +
                      "\",\"folder\":" + (h.m_bFolder ? "true" : "false") +
                      ",\"present\":" + (h.m_bPresent ? "true" : "false") + "}");
            continue;
        }
        PrintLine(h.m_strCase + '\t' + h.m_strMedium + '\t' + h.m_strPath +
                  (h.m_bFolder ? "\\" : "") + '\t' + FormatGrouped(h.m_nSize) + '\t' +
                  TimeText(h.m_ftLastWrite) + (h.m_bPresent ? "\tpresent" : ""));
    }
    return kExitOk;
}

enum class EIndexAction { Add, Remove, Update, Rebuild, Status };

struct SIndexArgs {
    EIndexAction action = EIndexAction::Status;
    std::vector<std::string> paths;
    std::optional<std::string> index;
    std::optional<std::string> server;
    bool json = false;
};

std::string CaseJson(const SIndexedCase& c) {
    return "{\"case\":" + JsonString(c.m_strPath) + ",\"state\":\"" + StateName(c.m_state) +
           "\",\"cause\":" + JsonString(c.m_strCause) + "}";
}

void PrintLeftOut(const std::vector<SIndexedCase>& leftOut, bool json) {
    for (const SIndexedCase& c : leftOut) {
        PrintLine(json ? CaseJson(c)
                       : "left out: " + c.m_strPath + ": " + StateName(c.m_state) +
                             (c.m_state == ECaseState::Unreadable ? " (" + c.m_strCause + ")"
                                                                  : std::string()));
    }
}

int PrintChange(const SIndexChange& change, bool json) {
    if (json) {
        PrintLine("{\"read\":" + std::to_string(change.m_nRead) +
                  ",\"unchanged\":" + std::to_string(change.m_nUnchanged) +
                  ",\"dropped\":" + std::to_string(change.m_nDropped) +
                  ",\"leftOut\":" + std::to_string(change.m_leftOut.size()) + "}");
    } else {
        PrintLine("read: " + std::to_string(change.m_nRead) +
                  "\nunchanged: " + std::to_string(change.m_nUnchanged) +
                  "\ndropped: " + std::to_string(change.m_nDropped));
    }
    PrintLeftOut(change.m_leftOut, json);
    for (const std::string& missing : change.m_missing) {
        ReportError(missing + ": no such case file or folder in the index or on disk");
    }
    return change.m_missing.empty() ? kExitOk : kExitFailure;
}

int PrintStatus(const SIndexStatus& s, bool json) {
    if (json) {
        std::string folders;
        for (const std::string& f : s.m_folders) {
            folders += (folders.empty() ? "" : ",") + JsonString(f);
        }
        std::string leftOut;
        for (const SIndexedCase& c : s.m_leftOut) {
            leftOut += (leftOut.empty() ? "" : ",") + CaseJson(c);
        }
        PrintLine("{\"index\":" + JsonString(s.m_strFolder) + ",\"folders\":[" + folders +
                  "],\"cases\":" + std::to_string(s.m_nCases) + ",\"records\":" +
                  std::to_string(s.m_nRecords) + ",\"bytes\":" + std::to_string(s.m_nBytesOnDisk) +
                  ",\"leftOut\":[" + leftOut + "]}");
        return kExitOk;
    }
    PrintLine("index: " + s.m_strFolder);
    for (const std::string& f : s.m_folders) {
        PrintLine("folder: " + f);
    }
    PrintLine("cases: " + std::to_string(s.m_nCases) + "\nrecords: " +
              std::to_string(s.m_nRecords) + "\nbytes: " + std::to_string(s.m_nBytesOnDisk));
    PrintLeftOut(s.m_leftOut, false);
    return kExitOk;
}

int RunIndex(const SIndexArgs& a) {
    if ((a.action == EIndexAction::Add || a.action == EIndexAction::Remove) && a.paths.empty()) {
        ReportError("index add and index remove need at least one PATH");
        return kExitUsage;
    }
    std::unique_ptr<CCaseIndex> index = OpenIndexOrReport(a.index, a.server);
    if (!index) {
        return kExitFailure;
    }
    try {
        switch (a.action) {
        case EIndexAction::Add:
            return PrintChange(index->Add(a.paths), a.json);
        case EIndexAction::Remove:
            return PrintChange(index->Remove(a.paths), a.json);
        case EIndexAction::Update:
            return PrintChange(index->Update(), a.json);
        case EIndexAction::Rebuild:
            return PrintChange(index->Rebuild(), a.json);
        case EIndexAction::Status:
            return PrintStatus(index->Status(), a.json);
        }
    } catch (const std::exception& e) {
        ReportError(e.what());
    }
    return kExitFailure;
}

const CCommandRegistration kLocate(
    {"locate", CommandGroup::Find, "Find records by name in every indexed case", [](CLI::App& cmd) {
         auto a = std::make_shared<SLocateArgs>();
         cmd.add_option("word", a->words,
                        "Every word must occur in the name (in the path when it holds \\ or /)")
             ->required()
             ->type_name("WORD");
         AddJsonFlag(cmd, a->json);
         cmd.add_option("--limit", a->limit, "At most N records, best first (0: all)")
             ->type_name("N")
             ->default_str("1000");
         AddServerOption(cmd, a->server, AddIndexOption(cmd, a->index));
         return [a] { return RunLocate(*a); };
     }});

const CCommandRegistration
    kIndex({"index", CommandGroup::Find,
            "Add, remove, update, rebuild or describe the index of every case", [](CLI::App& cmd) {
                auto a = std::make_shared<SIndexArgs>();
                AddChoiceOption(cmd, "action", a->action,
                                {{"add", EIndexAction::Add},
                                 {"remove", EIndexAction::Remove},
                                 {"update", EIndexAction::Update},
                                 {"rebuild", EIndexAction::Rebuild},
                                 {"status", EIndexAction::Status}},
                                "What to do")
                    ->required();
                cmd.add_option("path", a->paths, "Case files, or folders searched for case files")
                    ->type_name("PATH")
                    ->check(NonEmptyPath());
                AddJsonFlag(cmd, a->json);
                AddServerOption(cmd, a->server, AddIndexOption(cmd, a->index));
                return [a] { return RunIndex(*a); };
            }});

} // namespace

} // namespace quillora::cli
