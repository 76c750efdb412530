// quillora-cli: the batch front end over the catalogue core.
#include "cli/Commands.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: quillora-cli COMMAND ...\n");
        return 1;
    }
    const std::string command = argv[1];
    const quillora::cli::Args args(argv + 2, argv + argc);
    if (command == "volume") {
        return quillora::cli::RunVolume(args);
    }
    std::fprintf(stderr, "quillora-cli: unknown command %s\n", command.c_str());
    return 1;
}
