// quillora-cli: the batch front end over the catalogue core.
#include "cli/ArchiveServices.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"

#include <clocale>
#include <cstdio>
#include <cstring>

namespace {

struct Command {
    const char* name;
    int (*run)(const quillora::cli::Args&);
    const char* usage;
};

const Command kCommands[] = {
    {"new", quillora::cli::RunNew, "new CASE [--password P]"},
    {"info", quillora::cli::RunInfo, "info CASE [--password P]"},
    {"tree", quillora::cli::RunTree, "tree CASE [--password P] [--json]"},
    {"volume", quillora::cli::RunVolume, "volume PATH"},
    {"merge", quillora::cli::RunMerge, "merge CASE OTHER [--password P] [--other-password Q]"},
    {"password", quillora::cli::RunPassword, "password CASE (--set P | --clear) [--password OLD]"},
    {"mark", quillora::cli::RunMark, "mark CASE PATH [--off] [--recursive] [--password P]"},
    {"comment", quillora::cli::RunComment, "comment CASE PATH TEXT [--password P]"},
    {"category", quillora::cli::RunCategory, "category CASE PATH TEXT [--password P]"},
    {"link", quillora::cli::RunLink, "link CASE PATH TARGET [--password P]"},
    {"label", quillora::cli::RunLabel, "label CASE MEDIUM NEWLABEL [--password P]"},
    {"group", quillora::cli::RunGroup, "group CASE LABEL [--password P]"},
    {"extract", quillora::cli::RunExtract, "extract CASE PATH... --to DIR [--password P]"},
    {"scan", quillora::cli::RunScan,
     "scan CASE PATH [--label L] [--comment C] [--crc] [--arc-crc] [--no-archives] [--group LABEL] "
     "[--password P]"},
    {"drives", quillora::cli::RunDrives, "drives [--all]"},
    {"presence", quillora::cli::RunPresence, "presence CASE [--password P]"},
    {"save", quillora::cli::RunSave, "save CASE NEW [--password P] [--compress]"},
};

void PrintUsage() {
    std::fprintf(stderr, "usage: quillora-cli COMMAND ARGS...\ncommands:\n");
    for (const Command& c : kCommands) {
        std::fprintf(stderr, "  %s\n", c.usage);
    }
}

} // namespace

int main(int argc, char** argv) {
    // Names sort by the user's locale, as they do in the desktop program.
    std::setlocale(LC_ALL, "");
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        PrintUsage();
        return argc < 2 ? quillora::cli::kExitUsage : quillora::cli::kExitOk;
    }
    quillora::cli::Args args(argv + 2, argv + argc);
    for (const Command& c : kCommands) {
        if (std::strcmp(argv[1], c.name) == 0) {
            quillora::cli::StartArchiveServices();
            const int code = c.run(args);
            quillora::cli::StopArchiveServices();
            return code;
        }
    }
    quillora::cli::ReportError(std::string("unknown command: ") + argv[1]);
    PrintUsage();
    return quillora::cli::kExitUsage;
}
