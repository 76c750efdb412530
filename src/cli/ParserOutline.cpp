// Reading quillora-cli's parser back into an outline.
#include "cli/ParserOutline.h"

#include <CLI/CLI.hpp>

#include <algorithm>

namespace quillora::cli {

namespace {

bool HasValidator(CLI::Option& option, const std::string& name) {
    try {
        option.get_validator(name);
        return true;
    } catch (const CLI::OptionNotFound&) {
        return false;
    }
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : text) {
        if (c == separator) {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    return parts;
}

// Decides what a value completes to from how the option was declared: the shared
// declarations of CommonOptions.h leave their marks (the CASE name, the "path" and
// "choice" checks), so a new command that uses them is completed right.
void SetCompletion(CLI::Option& option, SArgumentOutline& outline) {
    if (!outline.takesValue) {
        return;
    }
    const std::string type = option.get_type_name();
    if (HasValidator(option, "choice")) {
        outline.completion = ValueKind::Words;
        outline.words = Split(type, '|');
    } else if (option.get_name() == "CASE") {
        outline.completion = ValueKind::CaseFile;
    } else if (type == "DIR" || option.get_name() == "DIR") {
        outline.completion = ValueKind::Folder;
    } else if (HasValidator(option, "path")) {
        outline.completion = ValueKind::File;
    }
}

SArgumentOutline OutlineOf(CLI::Option& option) {
    SArgumentOutline outline;
    outline.positional = !option.nonpositional();
    outline.description = option.get_description();
    outline.required = option.get_required();
    if (outline.positional) {
        outline.names.push_back(option.get_name());
        outline.takesValue = true;
        outline.repeats = option.get_items_expected_max() > 1;
    } else {
        for (const std::string& name : option.get_snames()) {
            outline.names.push_back("-" + name);
        }
        for (const std::string& name : option.get_lnames()) {
            outline.names.push_back("--" + name);
        }
        outline.takesValue = option.get_items_expected_max() > 0;
        if (outline.takesValue) {
            outline.valueName = option.get_type_name();
        }
    }
    for (const CLI::Option* other : option.get_excludes()) {
        outline.excludes.push_back(other->get_name());
    }
    SetCompletion(option, outline);
    return outline;
}

std::vector<SArgumentOutline> OptionsOf(CLI::App& app, bool positionals) {
    std::vector<SArgumentOutline> outlines;
    for (CLI::Option* option : app.get_options([](CLI::Option*) { return true; })) {
        const bool positional = !option->nonpositional();
        if (option->get_group().empty() || positional != positionals) {
            continue;
        }
        outlines.push_back(OutlineOf(*option));
    }
    return outlines;
}

std::string UsageOf(CLI::App& command, const std::string& program) {
    const CLI::Formatter* formatter =
        dynamic_cast<const CLI::Formatter*>(command.get_formatter().get());
    const std::string line = program + " " + command.get_name();
    if (!formatter) {
        return line;
    }
    std::string usage = formatter->make_usage(&command, line);
    const std::string label = formatter->get_label("Usage") + ": ";
    if (usage.compare(0, label.size(), label) == 0) {
        usage.erase(0, label.size());
    }
    while (!usage.empty() && (usage.back() == '\n' || usage.back() == ' ')) {
        usage.pop_back();
    }
    return usage;
}

} // namespace

SProgramOutline OutlineOf(CLI::App& app) {
    SProgramOutline program;
    program.name = app.get_name();
    program.description = app.get_description();
    program.options = OptionsOf(app, false);
    for (CLI::App* command : app.get_subcommands(
             [](CLI::App* sub) { return !sub->get_group().empty() && !sub->get_disabled(); })) {
        SCommandOutline outline;
        outline.name = command->get_name();
        outline.group = command->get_group();
        outline.description = command->get_description();
        outline.usage = UsageOf(*command, program.name);
        outline.options = OptionsOf(*command, false);
        outline.positionals = OptionsOf(*command, true);
        if (std::find(program.groups.begin(), program.groups.end(), outline.group) ==
            program.groups.end()) {
            program.groups.push_back(outline.group);
        }
        program.commands.push_back(std::move(outline));
    }
    return program;
}

} // namespace quillora::cli
