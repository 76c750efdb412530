// quillora-cli copies: how many media hold each file of the given case files, from the
// catalogues alone, and with --verify a byte check of matches on mounted media.
#include "cli/CliSupport.h"
#include "cli/CommandRegistration.h"
#include "cli/CommonOptions.h"
#include "cli/IndexAccess.h"
#include "cli/ScanSettings.h"

#include "core/ConfigData.h"
#include "document/JobOptions.h"
#include "model/CaseFile.h"
#include "model/DisplayName.h"
#include "report/CCopiesPaths.h"
#include "report/CCopiesReport.h"
#include "report/CCopiesRun.h"
#include "report/CCopiesVerifier.h"
#include "search/CaseFileCollection.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <set>
#include <sys/stat.h>

namespace quillora::cli {

namespace {

struct SCopiesArgs {
    std::vector<std::string> sources;
    bool json = false;
    std::uint32_t minCopies = 1;
    std::uint32_t maxCopies = UINT32_MAX;
    std::optional<std::string> medium;
    bool archives = false;
    bool summary = false;
    bool verify = false;
    std::optional<std::string> password;
    std::optional<std::string> index;
};

void PrintLine(std::string line) {
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
}

// The case files named: files as they are, folders searched as `search` searches
// them; each file once (by its real path), in the order given. False after reporting
// a name that is neither.
bool GatherCaseFiles(const std::vector<std::string>& sources, std::vector<std::string>& files) {
    std::set<std::string> seen;
    auto add = [&](const std::string& path) {
        const std::string full = FullCasePath(path);
        char* real = ::realpath(full.c_str(), nullptr);
        const std::string key = real ? real : full;
        std::free(real);
        if (seen.insert(key).second) {
            files.push_back(full);
        }
    };
    for (const std::string& source : sources) {
        struct stat st {};
        if (::stat(source.c_str(), &st) != 0) {
            ReportError(source + ": no such case file or folder");
            return false;
        }
        if (!S_ISDIR(st.st_mode)) {
            add(source);
            continue;
        }
        const std::string base = TrimBaseFolder(source);
        for (const SCaseFileEntry& entry : CollectCaseFiles(base)) {
            add(CaseFilePath(base, entry.m_strPath));
        }
    }
    return true;
}

// Every case the index of every case knows, protected and unreadable ones included:
// the report reads each file itself, with the password given, and names those it
// cannot use. A case whose file is gone is left out with a warning. False after
// reporting why there is nothing to read.
bool IndexedCaseFiles(const std::optional<std::string>& folder, std::vector<std::string>& files) {
    std::unique_ptr<CCaseIndex> index = OpenIndexOrReport(folder);
    if (!index) {
        return false;
    }
    std::vector<std::string> gone;
    try {
        files = index->CaseFiles(&gone);
    } catch (const std::exception& e) {
        ReportError(std::string("the index cannot be used: ") + e.what());
        return false;
    }
    for (const std::string& path : gone) {
        ReportError("warning: " + path + ": the case file is gone (`index update` forgets it)");
    }
    if (files.empty()) {
        ReportError("the index of every case holds no case file: add them with `index add "
                    "PATH`, or name the case files or folders to read");
        return false;
    }
    return true;
}

// Lines are built in one buffer kept from line to line, and the case and medium paths
// are escaped once: a listing writes hundreds of thousands of records.
class CCopiesPrinter {
public:
    CCopiesPrinter(const CCopiesReport& report, const CCopiesPaths& paths, bool json,
                   const CCopiesVerifier* verifier)
        : m_report(report), m_paths(paths), m_bJson(json), m_pVerifier(verifier) {
        for (const SCopiesCase& file : report.Cases()) {
            m_caseJson.push_back(JsonString(file.m_strPath));
        }
        for (const SCopiesMedium& medium : report.Media()) {
            m_mediumJson.push_back(JsonString(medium.m_strPath));
        }
    }

    void Content(const SCopiesContent& content) {
        std::optional<SCopiesVerdict> verdict;
        if (m_pVerifier && content.m_records.size() > 1) {
            verdict = m_pVerifier->Verify(content, m_paths);
            m_nCompared += verdict->m_nCompared;
            m_nFalse += verdict->m_differing.size();
        }
        if (m_bJson) {
            m_line.clear();
            AppendJson(content, verdict);
            Emit();
            return;
        }
        m_line = std::to_string(content.m_nCopies) +
                 (content.m_nCopies == 1 ? " copy  " : " copies  ") +
                 FormatGrouped(content.m_nSize) + " bytes  ";
        if (content.m_match == ECopiesMatch::Crc) {
            char crc[16];
            std::snprintf(crc, sizeof crc, "CRC %08X", content.m_dwCrc);
            m_line += crc;
        } else {
            m_line += "no CRC: matched by name, size and time";
        }
        Emit();
        for (const SCopiesRef& ref : content.m_records) {
            EmitRecord("    ", ref);
        }
        if (verdict) {
            for (const SCopiesRef& ref : verdict->m_differing) {
                EmitRecord("    false match, other bytes: ", ref);
            }
            for (const SCopiesRef& ref : verdict->m_unreadable) {
                EmitRecord("    not readable on its medium: ", ref);
            }
        }
    }

    std::size_t Compared() const { return m_nCompared; }
    std::size_t FalseMatches() const { return m_nFalse; }

private:
    std::uint32_t CaseOf(const SCopiesRef& ref) const {
        return m_report.Media()[ref.m_nMedium].m_nCase;
    }
    // The record's catalogue path, or "?" when it could not be found again.
    void AppendPath(std::string& out, const SCopiesRef& ref) const {
        const std::string* relative = m_paths.RelativePathOf(ref);
        if (!relative) {
            out += '?';
            return;
        }
        out += m_report.Media()[ref.m_nMedium].m_strPath;
        out += '\\';
        out += *relative;
    }
    void Emit() {
        m_line += '\n';
        std::fwrite(m_line.data(), 1, m_line.size(), stdout);
    }
    void EmitRecord(const char* lead, const SCopiesRef& ref) {
        m_line = lead;
        m_line += m_report.Cases()[CaseOf(ref)].m_strPath;
        m_line += "  ";
        AppendPath(m_line, ref);
        Emit();
    }
    void AppendRecordJson(const SCopiesRef& ref) {
        m_line += "{\"case\":";
        m_line += m_caseJson[CaseOf(ref)];
        m_line += ",\"path\":";
        m_path.clear();
        AppendPath(m_path, ref);
        AppendJsonString(m_line, m_path);
        m_line += '}';
    }
    void AppendRecordsJson(const std::vector<SCopiesRef>& refs) {
        m_line += '[';
        for (std::size_t i = 0; i < refs.size(); ++i) {
            if (i > 0) {
                m_line += ',';
            }
            AppendRecordJson(refs[i]);
        }
        m_line += ']';
    }
    void AppendJson(const SCopiesContent& content, const std::optional<SCopiesVerdict>& verdict) {
        const bool crc = content.m_match == ECopiesMatch::Crc;
        m_line += "{\"size\":";
        m_line += std::to_string(content.m_nSize);
        m_line += ",\"crc\":";
        m_line += crc ? std::to_string(content.m_dwCrc) : std::string("null");
        m_line += ",\"copies\":";
        m_line += std::to_string(content.m_nCopies);
        m_line += crc ? ",\"confidence\":\"crc\"" : ",\"confidence\":\"name\"";
        m_line += ",\"media\":[";
        for (std::size_t i = 0; i < content.m_records.size(); ++i) {
            const std::uint32_t medium = content.m_records[i].m_nMedium;
            if (i > 0 && medium == content.m_records[i - 1].m_nMedium) {
                continue;
            }
            if (m_line.back() != '[') {
                m_line += ',';
            }
            m_line += "{\"case\":";
            m_line += m_caseJson[CaseOf(content.m_records[i])];
            m_line += ",\"medium\":";
            m_line += m_mediumJson[medium];
            m_line += '}';
        }
        m_line += "],\"records\":";
        AppendRecordsJson(content.m_records);
        if (verdict) {
            m_line += ",\"verified\":";
            m_line += std::to_string(verdict->m_nCompared);
            m_line += ",\"falseMatches\":";
            AppendRecordsJson(verdict->m_differing);
            m_line += ",\"unreadable\":";
            AppendRecordsJson(verdict->m_unreadable);
        }
        m_line += '}';
    }

    const CCopiesReport& m_report;
    const CCopiesPaths& m_paths;
    bool m_bJson;
    const CCopiesVerifier* m_pVerifier;
    std::vector<std::string> m_caseJson;   // per case file, its path as a JSON string
    std::vector<std::string> m_mediumJson; // per medium, its catalogue path likewise
    std::string m_line;
    std::string m_path;
    std::size_t m_nCompared = 0;
    std::size_t m_nFalse = 0;
};

bool Chosen(const std::vector<std::uint32_t>& media, std::uint32_t medium) {
    return media.empty() || std::find(media.begin(), media.end(), medium) != media.end();
}

void PrintSummary(const CCopiesReport& report, const std::vector<std::uint32_t>& media, bool json) {
    const auto& all = report.Media();
    if (json) {
        for (std::uint32_t i = 0; i < all.size(); ++i) {
            if (!Chosen(media, i)) {
                continue;
            }
            const SCopiesMedium& m = all[i];
            PrintLine("{\"case\":" + JsonString(report.Cases()[m.m_nCase].m_strPath) +
                      ",\"medium\":" + JsonString(m.m_strPath) + ",\"files\":" +
                      std::to_string(m.m_nFiles) + ",\"bytes\":" + std::to_string(m.m_nBytes) +
                      ",\"soleFiles\":" + std::to_string(m.m_nSoleFiles) +
                      ",\"soleBytes\":" + std::to_string(m.m_nSoleBytes) + "}");
        }
        return;
    }
    std::vector<std::vector<std::string>> rows{
        {"Files", "Bytes", "Only here", "Bytes only here", "Medium", "Case file"}};
    for (std::uint32_t i = 0; i < all.size(); ++i) {
        if (Chosen(media, i)) {
            const SCopiesMedium& m = all[i];
            rows.push_back({FormatGrouped(m.m_nFiles), FormatGrouped(m.m_nBytes),
                            FormatGrouped(m.m_nSoleFiles), FormatGrouped(m.m_nSoleBytes),
                            m.m_strPath, report.Cases()[m.m_nCase].m_strPath});
        }
    }
    std::vector<std::size_t> widths(4, 0);
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < 4; ++c) {
            widths[c] = std::max(widths[c], row[c].size());
        }
    }
    PrintLine("Per medium:");
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < 4; ++c) {
            line += std::string(widths[c] - row[c].size(), ' ') + row[c] + "  ";
        }
        PrintLine(line + row[4] + "  " + row[5]);
    }
}

int RunCopies(const SCopiesArgs& a) {
    if (!a.sources.empty() && a.index) {
        ReportError("--index names the index read without CASE or FOLDER; give one or the "
                    "other");
        return kExitUsage;
    }
    if (a.minCopies > a.maxCopies) {
        ReportError("--min-copies is more than --max-copies: nothing can be listed");
        return kExitFailure;
    }
    std::vector<std::string> files;
    if (a.sources.empty() ? !IndexedCaseFiles(a.index, files)
                          : !GatherCaseFiles(a.sources, files)) {
        return kExitFailure;
    }
    // The table alone needs no contents in order: counted, not sorted.
    CCopiesReport report(files, a.summary ? ECrcLayout::Partitioned : ECrcLayout::Sorted);
    CCopiesRun run(report, {a.password.value_or(""), a.archives, 0});
    run.Collect();
    bool failed = false;
    for (const SCopiesCase& file : report.Cases()) {
        if (file.m_state != SCopiesCase::EState::Read) {
            ReportError("skipped " + file.m_strError);
            failed = true;
        }
    }
    SCopiesFilter filter;
    filter.m_nMinCopies = a.minCopies;
    filter.m_nMaxCopies = a.maxCopies;
    if (a.medium) {
        filter.m_media = report.FindMedia(*a.medium);
        if (filter.m_media.empty()) {
            ReportError("no medium " + *a.medium + " in the case files read");
            return kExitFailure;
        }
    }
    std::size_t falseMatches = 0;
    if (!a.summary) {
        CCopiesPaths paths(report);
        report.ForEachContent(filter, [&](const SCopiesContent& content) {
            for (const SCopiesRef& ref : content.m_records) {
                paths.Want(ref, content.m_nSize);
            }
        });
        run.ResolvePaths(paths);
        for (const std::string& error : paths.Errors()) {
            ReportError(error);
            failed = true;
        }
        std::unique_ptr<CCopiesVerifier> verifier;
        if (a.verify) {
            LoadScanSettings();
            verifier = std::make_unique<CCopiesVerifier>(report, &CDriveList::Read,
                                                         DriveChoiceFrom(Config()));
        }
        CCopiesPrinter printer(report, paths, a.json, verifier.get());
        report.ForEachContent(filter, [&](const SCopiesContent& c) { printer.Content(c); });
        if (verifier) {
            falseMatches = printer.FalseMatches();
            std::fprintf(stderr,
                         "verify: %zu media mounted, %zu files compared, %zu false matches\n",
                         verifier->MountedCount(), printer.Compared(), falseMatches);
        }
    }
    if (a.summary || !a.json) {
        PrintSummary(report, filter.m_media, a.json);
    }
    std::fflush(stdout);
    if (failed) {
        return kExitFailure;
    }
    return falseMatches > 0 ? 1 : kExitOk;
}

const CCommandRegistration kCopies(
    {"copies", CommandGroup::Find,
     "Tell how many media hold each file of the case files, and which files one medium "
     "alone holds",
     [](CLI::App& cmd) {
         auto a = std::make_shared<SCopiesArgs>();
         cmd.add_option("CASE|FOLDER", a->sources,
                        "Case files (.cas, .caz) and folders whose case files are read as "
                        "`search` reads them")
             ->check(NonEmptyPath());
         AddJsonFlag(cmd, a->json,
                     "Print one object per file content: size, crc, copies, confidence, media "
                     "and records");
         cmd.add_option("--min-copies", a->minCopies, "List contents held on N media or more")
             ->type_name("N")
             ->check(CLI::Range(1u, UINT32_MAX));
         cmd.add_option("--max-copies", a->maxCopies,
                        "List contents held on N media or fewer (1: what only one medium holds)")
             ->type_name("N")
             ->check(CLI::Range(1u, UINT32_MAX));
         cmd.add_option("--medium", a->medium,
                        "List only contents with a file on this medium (its path as tree prints "
                        "it, in any of the case files)")
             ->type_name("PATH");
         cmd.add_flag("--archives", a->archives, "Count the entries of listed archives as files");
         cmd.add_flag("--summary", a->summary,
                      "Print only the table per medium: files, bytes, files held only there and "
                      "their bytes");
         cmd.add_flag("--verify", a->verify,
                      "Compare the bytes of the listed matches whose media are mounted now and "
                      "report false matches");
         cmd.add_option("--password", a->password, "Try protected case files with this password")
             ->type_name("P");
         AddIndexOption(cmd, a->index);
         cmd.footer(
             "A content is a file of more than 0 bytes. Files with a stored CRC-32 are the same "
             "content when size and CRC agree; files without one are matched by name (A-Z "
             "folded), size and a last-write time within 2 seconds, labelled \"name\", and the "
             "two never mix. Copies count media: two files on one medium are one copy. A "
             "CRC-32 has only 32 bits: among 100,000 files of one size some equal CRCs of "
             "different files are likely, so a CRC match is not proof; --verify compares the "
             "bytes where the media are mounted. Without --json a table per content, then one "
             "per medium. Case files that cannot be read or need another password are named "
             "on stderr and skipped: the rest is reported and the exit code is 2. With "
             "--verify the exit code is 1 when a false match is found. Without CASE or "
             "FOLDER every case file the index of every case knows is read (protected ones "
             "with --password); case files put below its folders since the last `index "
             "update` are not among them.");
         return [a] { return RunCopies(*a); };
     }});

} // namespace

} // namespace quillora::cli
