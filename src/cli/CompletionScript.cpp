// Writing the bash and zsh completion scripts.
#include "cli/CompletionScript.h"

#include <algorithm>
#include <map>
#include <sstream>

namespace quillora::cli {

namespace {

std::string Join(const std::vector<std::string>& words, const std::string& separator) {
    std::string out;
    for (const std::string& word : words) {
        out += (out.empty() ? "" : separator) + word;
    }
    return out;
}

// Text inside single quotes of either shell.
std::string SingleQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

std::string FunctionName(const std::string& program) {
    std::string name = "_";
    for (char c : program) {
        name += (c == '-' || c == '.') ? '_' : c;
    }
    return name;
}

std::vector<std::string> AllNames(const std::vector<SArgumentOutline>& options) {
    std::vector<std::string> names;
    for (const SArgumentOutline& option : options) {
        names.insert(names.end(), option.names.begin(), option.names.end());
    }
    return names;
}

std::vector<std::string> ValuedNames(const std::vector<SArgumentOutline>& options) {
    std::vector<std::string> names;
    for (const SArgumentOutline& option : options) {
        if (option.takesValue) {
            names.insert(names.end(), option.names.begin(), option.names.end());
        }
    }
    return names;
}

// The bash line that completes a value of this kind; empty for free text.
std::string BashAction(const SArgumentOutline& argument) {
    switch (argument.completion) {
    case ValueKind::Words:
        return "COMPREPLY=($(compgen -W " + SingleQuoted(Join(argument.words, " ")) +
               " -- \"$cur\"))";
    case ValueKind::CaseFile:
        return "_filedir '@(cas|caz)'";
    case ValueKind::Folder:
        return "_filedir -d";
    case ValueKind::File:
        return "_filedir";
    case ValueKind::None:
        break;
    }
    return {};
}

// Case patterns grouped by the action they share, in first-seen order, so that the
// generated case statement stays short.
class CPatternTable {
public:
    void Add(const std::string& action, const std::string& pattern) {
        if (action.empty()) {
            return;
        }
        auto [it, added] = m_index.emplace(action, m_rows.size());
        if (added) {
            m_rows.push_back({action, {}});
        }
        m_rows[it->second].second.push_back(pattern);
    }
    void Write(std::ostream& out, const std::string& indent) const {
        for (const auto& [action, patterns] : m_rows) {
            out << indent << Join(patterns, "|") << ") " << action << " ;;\n";
        }
    }

private:
    std::map<std::string, std::size_t> m_index;
    std::vector<std::pair<std::string, std::vector<std::string>>> m_rows;
};

void WriteBashCommandCases(std::ostream& out, const SProgramOutline& program) {
    out << "    local options valued\n"
        << "    case $command in\n";
    for (const SCommandOutline& command : program.commands) {
        out << "        " << command.name << ")\n"
            << "            options=" << SingleQuoted(Join(AllNames(command.options), " ")) << "\n"
            << "            valued=" << SingleQuoted(Join(ValuedNames(command.options), " "))
            << " ;;\n";
    }
    out << "        *) return ;;\n"
        << "    esac\n\n";
}

void WriteBashValueCases(std::ostream& out, const SProgramOutline& program) {
    CPatternTable values;
    for (const SCommandOutline& command : program.commands) {
        for (const SArgumentOutline& option : command.options) {
            for (const std::string& name : option.names) {
                values.Add(BashAction(option), command.name + ":" + name);
            }
        }
    }
    out << "    if [[ $valueof ]]; then\n"
        << "        case $command:$valueof in\n";
    values.Write(out, "            ");
    out << "        esac\n"
        << "        return\n"
        << "    fi\n\n";
}

void WriteBashPositionalCases(std::ostream& out, const SProgramOutline& program) {
    // Each place first; then the places past the last, for an argument that repeats.
    CPatternTable places;
    CPatternTable rest;
    for (const SCommandOutline& command : program.commands) {
        for (std::size_t i = 0; i < command.positionals.size(); ++i) {
            const SArgumentOutline& positional = command.positionals[i];
            places.Add(BashAction(positional), command.name + ":" + std::to_string(i));
            if (positional.repeats && i + 1 == command.positionals.size()) {
                rest.Add(BashAction(positional), command.name + ":*");
            }
        }
    }
    out << "    case $command:$place in\n";
    places.Write(out, "        ");
    rest.Write(out, "        ");
    out << "    esac\n";
}

std::string ZshEscapeBrackets(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '[' || c == ']' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out;
}

std::string ZshEscapeColons(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == ':' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out;
}

std::string ZshAction(const SArgumentOutline& argument) {
    switch (argument.completion) {
    case ValueKind::Words:
        return "(" + Join(argument.words, " ") + ")";
    case ValueKind::CaseFile:
        return "_files -g \"*.(#i)ca[sz](-.)\"";
    case ValueKind::Folder:
        return "_files -/";
    case ValueKind::File:
        return "_files";
    case ValueKind::None:
        break;
    }
    return " ";
}

std::string ZshMessage(const SArgumentOutline& argument) {
    const std::string& name = argument.positional ? argument.names.front() : argument.valueName;
    return ZshEscapeColons(name.empty() ? "value" : name);
}

// One _arguments spec, quoted for the shell: exclusions, names, description, value.
std::string ZshOptionSpec(const SArgumentOutline& option) {
    std::vector<std::string> excluded = option.excludes;
    const bool endsRun =
        !option.takesValue &&
        std::any_of(option.names.begin(), option.names.end(), [](const std::string& name) {
            return name == "--help" || name == "--version";
        });
    if (endsRun) {
        excluded = {"-", "*"};
    } else if (option.names.size() > 1) {
        excluded.insert(excluded.end(), option.names.begin(), option.names.end());
    }
    const std::string exclusions = excluded.empty() ? "" : "(" + Join(excluded, " ") + ")";
    std::string rest = (option.takesValue ? "=" : "") + std::string("[") +
                       ZshEscapeBrackets(option.description) + "]";
    if (option.takesValue) {
        rest += ":" + ZshMessage(option) + ":" + ZshAction(option);
    }
    if (option.names.size() == 1) {
        return SingleQuoted(exclusions + option.names.front() + rest);
    }
    // -h and --help: brace expansion writes the description once for each name.
    return SingleQuoted(exclusions) + "{" + Join(option.names, ",") + "}" + SingleQuoted(rest);
}

std::string ZshPositionalSpec(const SArgumentOutline& positional, std::size_t place) {
    const std::string where = positional.repeats ? "*" : std::to_string(place + 1);
    const std::string colons = positional.required || positional.repeats ? ":" : "::";
    return SingleQuoted(where + colons + ZshMessage(positional) + ":" + ZshAction(positional));
}

void WriteZshArguments(std::ostream& out, const std::string& call,
                       const std::vector<std::string>& specs, const std::string& indent,
                       const std::string& tail = {}) {
    out << indent << call;
    for (const std::string& spec : specs) {
        out << " \\\n" << indent << "  " << spec;
    }
    out << tail << "\n";
}

} // namespace

std::string BashCompletionScript(const SProgramOutline& program) {
    std::ostringstream out;
    const std::string function = FunctionName(program.name);
    std::vector<std::string> commandNames;
    for (const SCommandOutline& command : program.commands) {
        commandNames.push_back(command.name);
    }
    out << "# bash completion for " << program.name << "               -*- shell-script -*-\n"
        << "# Written by the build from the program's own parser.\n\n"
        << function << "()\n"
        << "{\n"
        << "    local cur prev words cword split\n"
        << "    _init_completion -s || return\n\n"
        << "    # The command is the first word that is neither an option nor its value.\n"
        << "    local i command=\n"
        << "    for ((i = 1; i < cword; i++)); do\n"
        << "        case ${words[i]} in\n";
    if (std::vector<std::string> valued = ValuedNames(program.options); !valued.empty()) {
        out << "            " << Join(valued, "|") << ") ((i++)) ;;\n";
    }
    out << "            -*) ;;\n"
        << "            *) command=${words[i]}; break ;;\n"
        << "        esac\n"
        << "    done\n"
        << "    if [[ -z $command ]]; then\n"
        << "        if [[ $cur == -* ]]; then\n"
        << "            COMPREPLY=($(compgen -W "
        << SingleQuoted(Join(AllNames(program.options), " ")) << " -- \"$cur\"))\n"
        << "        else\n"
        << "            COMPREPLY=($(compgen -W " << SingleQuoted(Join(commandNames, " "))
        << " -- \"$cur\"))\n"
        << "        fi\n"
        << "        return\n"
        << "    fi\n\n";
    WriteBashCommandCases(out, program);
    out << "    # Which argument the word is, or whose value: options may come anywhere, and\n"
        << "    # after \"--\" every word is an argument.\n"
        << "    local place=0 valueof= dashdash=\n"
        << "    $split && valueof=$prev\n"
        << "    for ((i++; i < cword; i++)); do\n"
        << "        if [[ $dashdash ]]; then\n"
        << "            ((place++))\n"
        << "            continue\n"
        << "        fi\n"
        << "        case ${words[i]} in\n"
        << "            --) dashdash=1 ;;\n"
        << "            -*=*) ;;\n"
        << "            -*)\n"
        << "                if [[ \" $valued \" == *\" ${words[i]} \"* ]]; then\n"
        << "                    ((i + 1 == cword)) && valueof=${words[i]}\n"
        << "                    ((i++))\n"
        << "                fi ;;\n"
        << "            *) ((place++)) ;;\n"
        << "        esac\n"
        << "    done\n\n";
    WriteBashValueCases(out, program);
    out << "    if [[ ! $dashdash && $cur == -* ]]; then\n"
        << "        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
        << "        return\n"
        << "    fi\n\n";
    WriteBashPositionalCases(out, program);
    out << "} &&\n"
        << "    complete -F " << function << " " << program.name << "\n\n"
        << "# ex: filetype=sh\n";
    return out.str();
}

std::string ZshCompletionScript(const SProgramOutline& program) {
    std::ostringstream out;
    const std::string function = "_" + program.name;
    out << "#compdef " << program.name << "\n"
        << "# zsh completion for " << program.name
        << ", written by the build from the program's own parser.\n\n"
        << function << "() {\n"
        << "  local curcontext=$curcontext state state_descr line\n"
        << "  typeset -A opt_args\n";
    std::vector<std::string> specs;
    for (const SArgumentOutline& option : program.options) {
        specs.push_back(ZshOptionSpec(option));
    }
    specs.push_back("'1:command:->command'");
    specs.push_back("'*::argument:->argument'");
    WriteZshArguments(out, "_arguments -C -S", specs, "  ", " && return");
    out << "\n"
        << "  case $state in\n"
        << "    (command)\n"
        << "      local -a commands\n"
        << "      commands=(\n";
    for (const SCommandOutline& command : program.commands) {
        out << "        " << SingleQuoted(ZshEscapeColons(command.name) + ":" + command.description)
            << "\n";
    }
    out << "      )\n"
        << "      _describe -t commands command commands ;;\n"
        << "    (argument)\n"
        << "      curcontext=${curcontext%:*:*}:" << program.name << "-$words[1]:\n"
        << "      case $words[1] in\n";
    for (const SCommandOutline& command : program.commands) {
        std::vector<std::string> commandSpecs;
        for (const SArgumentOutline& option : command.options) {
            commandSpecs.push_back(ZshOptionSpec(option));
        }
        for (std::size_t i = 0; i < command.positionals.size(); ++i) {
            commandSpecs.push_back(ZshPositionalSpec(command.positionals[i], i));
        }
        out << "        (" << command.name << ")\n";
        WriteZshArguments(out, "_arguments -S", commandSpecs, "          ");
        out << "          ;;\n";
    }
    out << "      esac ;;\n"
        << "  esac\n"
        << "}\n\n"
        << function << " \"$@\"\n";
    return out.str();
}

} // namespace quillora::cli
