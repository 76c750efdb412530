// What quillora-cli's parser declares, read back from it as plain data: the commands
// in their groups, their arguments and options, and what each value completes to.
// The manual page and the shell completion are written from this outline, so that a
// command added to the parser appears in them without a second list to keep.
#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
} // namespace CLI

namespace quillora::cli {

// What a shell offers for a word in an argument's place.
enum class ValueKind {
    None,     // free text (a label, a password, a record path): nothing to offer
    Words,    // one of a fixed set (`--format csv|html`): those words
    CaseFile, // the CASE argument: case files (.cas, .caz) and folders
    Folder,   // a DIR value: folders
    File,     // a file-system path (checked by NonEmptyPath): any file name
};

struct SArgumentOutline {
    // "-h", "--help" as the help shows them; a positional argument's one name ("CASE").
    std::vector<std::string> names;
    std::string valueName; // "L" of "--label L"; empty for flags and positionals
    std::string description;
    bool positional = false;
    bool takesValue = false; // an option followed by a value (positionals always are)
    bool required = false;
    bool repeats = false; // a positional that takes every remaining argument
    ValueKind completion = ValueKind::None;
    std::vector<std::string> words;    // the accepted words when completion is Words
    std::vector<std::string> excludes; // options that cannot be given with this one
};

struct SCommandOutline {
    std::string name;
    std::string group;
    std::string description;
    std::string usage; // "quillora-cli scan [OPTIONS] CASE PATH"
    std::vector<SArgumentOutline> options;
    std::vector<SArgumentOutline> positionals; // in their order on the command line
};

struct SProgramOutline {
    std::string name;
    std::string description;
    std::vector<SArgumentOutline> options;
    std::vector<std::string> groups; // in the order the help lists them
    std::vector<SCommandOutline> commands;
};

// Reads the outline of a parser built with its subcommands (CCommandLine::App()).
// Hidden options and commands (no group) are left out, as the help leaves them out.
SProgramOutline OutlineOf(CLI::App& app);

} // namespace quillora::cli
