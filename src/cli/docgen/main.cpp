// quillora-cli-docgen: a build tool that writes, from quillora-cli's own parser, the
// manual page's command sections (a help2man include file) and the bash and zsh
// completion scripts. Not installed.
#include "cli/CommandLine.h"
#include "cli/CompletionScript.h"
#include "cli/ManPageText.h"
#include "cli/ParserOutline.h"

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    using namespace quillora::cli;
    const std::string what = argc == 3 ? argv[1] : "";
    if (what != "man" && what != "bash" && what != "zsh") {
        std::cerr << "usage: quillora-cli-docgen man|bash|zsh OUTPUT\n";
        return 1;
    }
    std::ostringstream unused;
    CCommandLine commandLine(RegisteredCommands(), QUILLORA_VERSION, unused, unused);
    const SProgramOutline outline = OutlineOf(commandLine.App());
    const std::string text = what == "man"    ? ManPageSections(outline)
                             : what == "bash" ? BashCompletionScript(outline)
                                              : ZshCompletionScript(outline);
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::cerr << "quillora-cli-docgen: cannot write " << argv[2] << "\n";
        return 2;
    }
    return 0;
}
