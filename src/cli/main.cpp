// quillora-cli: the batch front end over the catalogue core.
#include "cli/ArchiveServices.h"
#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "cli/ExtractServices.h"

#include <clocale>
#include <csignal>
#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    using namespace quillora::cli;
    // Names sort by the user's locale, as they do in the desktop program.
    std::setlocale(LC_ALL, "");
    // A file-size limit (ulimit -f) must fail the write that passes it, so that the
    // save or copy reports it and keeps the old file, not kill the program mid-write.
    std::signal(SIGXFSZ, SIG_IGN);
    try {
        CCommandLine commandLine(RegisteredCommands(), QUILLORA_VERSION, std::cout, std::cerr);
        std::optional<CommandRun> run =
            commandLine.Parse(std::vector<std::string>(argv + 1, argv + argc));
        if (!run) {
            return commandLine.ExitCode();
        }
        // Loading the archivers looks for their programs, which costs more than a
        // question to the index takes: the commands that never open an archive or a
        // ".caz" through them do without.
        const bool archives = NeedsArchiveServices(commandLine.CommandName());
        if (archives) {
            StartArchiveServices();
        }
        InstallPropertyDefinitions();
        const int code = (*run)();
        if (archives) {
            StopArchiveServices();
        }
        return code;
    } catch (const std::exception& e) {
        ReportError(e.what());
        return kExitFailure;
    }
}
