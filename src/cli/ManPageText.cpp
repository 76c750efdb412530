// quillora-cli's manual page sections, written from the parser's outline.
#include "cli/ManPageText.h"

#include <sstream>

namespace quillora::cli {

namespace {

bool IsUpper(char c) {
    return c >= 'A' && c <= 'Z';
}

std::string Bold(const std::string& text) {
    return "\\fB" + TroffText(text) + "\\fR";
}

std::string Italic(const std::string& text) {
    return "\\fI" + TroffText(text) + "\\fR";
}

// A word of a usage line: the upper-case names (CASE, OPTIONS) in italics, the
// brackets and dots around them as they are.
std::string UsageWord(const std::string& word) {
    std::string out;
    std::size_t i = 0;
    while (i < word.size()) {
        std::size_t end = i;
        while (end < word.size() && (IsUpper(word[end]) || word[end] == '_')) {
            ++end;
        }
        if (end > i) {
            out += Italic(word.substr(i, end - i));
            i = end;
        } else {
            out += TroffText(std::string(1, word[i]));
            ++i;
        }
    }
    return out;
}

std::string UsageLine(const SCommandOutline& command, const std::string& program) {
    std::istringstream words(command.usage);
    std::string word;
    std::string out = Bold(program + " " + command.name);
    // The usage starts with the program and the command, already written in bold.
    words >> word >> word;
    while (words >> word) {
        out += " " + UsageWord(word);
    }
    return out;
}

std::string Names(const SArgumentOutline& argument) {
    if (argument.positional) {
        return Italic(argument.names.front()) + (argument.repeats ? "\\ ..." : "");
    }
    std::string out;
    for (const std::string& name : argument.names) {
        out += (out.empty() ? "" : ", ") + Bold(name);
    }
    if (argument.takesValue && !argument.valueName.empty()) {
        out += " " + Italic(argument.valueName);
    }
    return out;
}

std::string Description(const SArgumentOutline& argument) {
    std::string text = argument.description;
    if (argument.required && !argument.positional) {
        text += " (required)";
    }
    for (std::size_t i = 0; i < argument.excludes.size(); ++i) {
        text += (i == 0 ? " (not with " : " or ") + argument.excludes[i];
        text += i + 1 == argument.excludes.size() ? ")" : "";
    }
    return TroffText(text);
}

bool IsHelp(const SArgumentOutline& argument) {
    for (const std::string& name : argument.names) {
        if (name == "--help") {
            return true;
        }
    }
    return false;
}

void WriteArgument(std::ostream& out, const SArgumentOutline& argument) {
    out << ".TP\n" << Names(argument) << "\n" << Description(argument) << "\n";
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : TroffText(text)) {
        out += c == '"' ? std::string("\\(dq") : std::string(1, c);
    }
    return out + "\"";
}

} // namespace

std::string TroffText(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            // An escaped hyphen stays the ASCII minus that a shell needs when the
            // option is copied from the rendered page.
            out += "\\-";
        } else if (c == '\n') {
            out += ' ';
        } else {
            out += c;
        }
    }
    // '.' and '\'' start troff requests; '[' and '/' start help2man's section and
    // pattern lines.
    if (!out.empty() && (out[0] == '.' || out[0] == '\'' || out[0] == '[' || out[0] == '/')) {
        out.insert(0, "\\&");
    }
    return out;
}

std::string ManPageSections(const SProgramOutline& program) {
    std::ostringstream out;
    out << "[=OPTIONS]\n";
    for (const SArgumentOutline& option : program.options) {
        WriteArgument(out, option);
    }
    out << ".PP\n"
        << TroffText("Every command also takes -h and --help, which print its arguments.") << "\n";

    out << "\n[COMMANDS]\n";
    for (const std::string& group : program.groups) {
        out << ".SS " << Quoted(group) << "\n";
        for (const SCommandOutline& command : program.commands) {
            if (command.group != group) {
                continue;
            }
            out << ".PP\n" << UsageLine(command, program.name) << "\n";
            out << ".RS 4\n" << TroffText(command.description) << "\n";
            for (const SArgumentOutline& positional : command.positionals) {
                WriteArgument(out, positional);
            }
            for (const SArgumentOutline& option : command.options) {
                if (!IsHelp(option)) {
                    WriteArgument(out, option);
                }
            }
            out << ".RE\n";
        }
    }
    return out.str();
}

} // namespace quillora::cli
