// The command table, filled by the static registrations of the command files.
#include "cli/CommandRegistration.h"

#include <algorithm>

namespace quillora::cli {

namespace {

// Built on first use: registrations in other files run during static initialisation.
std::vector<SCommandDefinition>& Table() {
    static std::vector<SCommandDefinition> table;
    return table;
}

} // namespace

const char* CommandGroupTitle(CommandGroup group) {
    switch (group) {
    case CommandGroup::Catalogue:
        return "Catalogue";
    case CommandGroup::Media:
        return "Media";
    case CommandGroup::Edit:
        return "Edit";
    case CommandGroup::Find:
        return "Find";
    case CommandGroup::Lists:
        return "Lists out and in";
    }
    return "Other";
}

CCommandRegistration::CCommandRegistration(SCommandDefinition definition) {
    Table().push_back(std::move(definition));
}

std::vector<SCommandDefinition> RegisteredCommands() {
    std::vector<SCommandDefinition> commands = Table();
    // Static initialisation order across files is unspecified: sort, so that the help
    // text does not depend on the link order.
    std::sort(commands.begin(), commands.end(),
              [](const SCommandDefinition& a, const SCommandDefinition& b) {
                  return a.group != b.group ? a.group < b.group : a.name < b.name;
              });
    return commands;
}

} // namespace quillora::cli
