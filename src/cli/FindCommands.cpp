// quillora-cli find and search: the batch find over one case, and the search across
// the case files below a folder, with the find dialog's conditions.
#include "cli/CliSupport.h"
#include "cli/CommandRegistration.h"
#include "cli/CommonOptions.h"
#include "cli/FindOptions.h"
#include "cli/RecordText.h"

#include "core/FindSettings.h"
#include "model/CaseFile.h"
#include "model/CatalogPath.h"
#include "search/CCaseSearch.h"
#include "search/CFindRun.h"
#include "search/CMatchCounter.h"
#include "search/SFindCondition.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <sys/stat.h>

namespace quillora::cli {

namespace {

struct SFindArgs {
    std::string casePath;
    SFindOptions find;
    std::optional<std::string> from;
    std::optional<std::string> password;
    bool count = false;
    bool json = false;
};

void PrintLine(std::string line) {
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
}

int RunFind(const SFindArgs& a) {
    SFindSettings settings;
    std::string error;
    if (MakeFindSettings(a.find, settings, error) != EFindSettings::Ok) {
        ReportError(error);
        return kExitFailure;
    }
    SFindCondition conditions(settings);
    conditions.Compile();
    if (a.count && !a.from) {
        // A count over the whole case needs no tree: the records are tested as they
        // stream past.
        CMatchCounter counter(conditions, FullCasePath(a.casePath));
        if (!StreamCaseOrReport(a.casePath, a.password, counter)) {
            return kExitFailure;
        }
        std::printf("%llu\n", static_cast<unsigned long long>(counter.Count()));
        return kExitOk;
    }
    std::unique_ptr<CCDCase> root = LoadCaseOrReport(a.casePath, a.password);
    if (!root) {
        return kExitFailure;
    }
    SFileInfo* start = root.get();
    if (a.from) {
        start = FindByCatalogPath(*root, *a.from);
        if (!start) {
            ReportError("no record " + *a.from + " in " + a.casePath);
            return kExitFailure;
        }
    }
    // The batch find: the first match in the start record's subtree, then every later
    // match to the end of the case, printed as they are found.
    CFindRun run(conditions, *start, CFindRun::EMode::Batch);
    std::vector<SFileInfo*> hits;
    std::size_t total = 0;
    for (bool done = false; !done;) {
        done = run.Step(65536, hits);
        total += hits.size();
        if (!a.count) {
            for (const SFileInfo* hit : hits) {
                PrintLine(a.json ? RecordJson(*hit) : RecordLine(*hit));
            }
        }
        hits.clear();
    }
    if (a.count) {
        std::printf("%zu\n", total);
    }
    return kExitOk;
}

// Prints each case file's line as its count arrives, in collection order; a file
// whose password is not the one given is not asked about: it counts -1.
class CPrintingSink : public ICaseSearchSink {
public:
    explicit CPrintingSink(bool json) : m_bJson(json) {}
    void SetSearch(CCaseSearch& search) { m_pSearch = &search; }

    void Listed(const std::vector<SCaseFileEntry>& entries) override { m_entries = entries; }
    void Searching(std::size_t) override {}
    void Counted(std::size_t index, int count) override {
        const std::string path = CaseFileDisplayPath(m_entries[index].m_strPath);
        PrintLine(m_bJson ? "{\"path\":" + JsonString(path) +
                                ",\"count\":" + std::to_string(count) + "}"
                          : path + "\t" + std::to_string(count));
        std::fflush(stdout);
    }
    void Finished() override {}
    void PasswordNeeded(const std::string&, const std::string&) override {
        m_pSearch->AnswerPassword(std::nullopt);
    }

private:
    bool m_bJson;
    CCaseSearch* m_pSearch = nullptr;
    std::vector<SCaseFileEntry> m_entries;
};

struct SSearchArgs {
    std::string folder;
    SFindOptions find;
    std::optional<std::string> password;
    unsigned jobs = 0;
    bool json = false;
};

int RunSearch(const SSearchArgs& a) {
    SFindSettings settings;
    std::string error;
    if (MakeFindSettings(a.find, settings, error) != EFindSettings::Ok) {
        ReportError(error);
        return kExitFailure;
    }
    struct stat st {};
    if (::stat(a.folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        ReportError(a.folder + ": no such folder");
        return kExitFailure;
    }
    CPrintingSink sink(a.json);
    CCaseSearch search(settings, a.folder, a.password.value_or(""), sink, a.jobs);
    sink.SetSearch(search);
    search.Run();
    return kExitOk;
}

const CCommandRegistration kFind(
    {"find", CommandGroup::Find,
     "List the records of a case that match the conditions, in tree order", [](CLI::App& cmd) {
         auto a = std::make_shared<SFindArgs>();
         AddCaseArgument(cmd, a->casePath);
         AddFindConditions(cmd, a->find);
         cmd.add_option("--from", a->from,
                        "Start at this record (its path as tree prints it): the first match "
                        "must lie below it, later ones may follow it")
             ->type_name("PATH");
         cmd.add_flag("--count", a->count, "Print only the number of matches");
         AddJsonFlag(cmd, a->json, "Print every field of each match as one JSON object per line");
         AddPasswordOption(cmd, a->password);
         cmd.footer("Without conditions every record matches. Exit code 2 for a pattern, "
                    "number or date that cannot be used, or a case that cannot be read.");
         return [a] { return RunFind(*a); };
     }});

const CCommandRegistration kSearch(
    {"search", CommandGroup::Find, "Count the matching records of every case file below a folder",
     [](CLI::App& cmd) {
         auto a = std::make_shared<SSearchArgs>();
         cmd.add_option("FOLDER", a->folder, "The folder whose case files (.cas, .caz) are read")
             ->type_name("DIR")
             ->required()
             ->check(NonEmptyPath());
         AddFindConditions(cmd, a->find);
         AddJsonFlag(cmd, a->json, "Print {\"path\":..., \"count\":...} per case file");
         cmd.add_option("--password", a->password, "Try protected case files with this password")
             ->type_name("P");
         cmd.add_option("--jobs", a->jobs, "Read N case files at once (default: one per core)")
             ->type_name("N")
             ->check(CLI::Range(1u, 1024u));
         cmd.footer("One line per case file, in the order the folders list them: its path below "
                    "FOLDER, a tab and its count; -1 for a file that could not be read or needs "
                    "another password.");
         return [a] { return RunSearch(*a); };
     }});

} // namespace

} // namespace quillora::cli
