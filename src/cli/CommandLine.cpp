// Parsing quillora-cli's command line with CLI11.
#include "cli/CommandLine.h"

#include "cli/CliSupport.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <ostream>

namespace quillora::cli {

namespace {

constexpr const char* kProgram = "quillora-cli";

// Optimal string alignment distance: edits, with a swap of neighbours counting one.
std::size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) {
        d[i][0] = i;
    }
    for (std::size_t j = 0; j <= b.size(); ++j) {
        d[0][j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::string AfterPrefix(const std::string& text, const std::string& prefix) {
    return StartsWith(text, prefix) ? text.substr(prefix.size()) : std::string();
}

// "Could not convert: --limit = x" names a value the option's type does not take.
std::string ConversionText(const std::string& message, const CLI::App* command) {
    const std::string rest = AfterPrefix(message, "Could not convert: ");
    const std::size_t equals = rest.find(" = ");
    if (rest.empty() || equals == std::string::npos) {
        return message;
    }
    const std::string name = rest.substr(0, equals);
    const std::string value = rest.substr(equals + 3);
    std::string kind = "a valid value";
    if (command) {
        if (const CLI::Option* option = command->get_option_no_throw(name)) {
            const std::string type = option->get_type_name();
            kind = type == "INT" || type == "UINT" || type == "N" ? "a whole number"
                   : type == "FLOAT"                              ? "a number"
                                                                  : kind;
        }
    }
    return name + ": '" + value + "' is not " + kind;
}

std::string LowerFirst(std::string text) {
    if (text.size() > 1 && text[0] >= 'A' && text[0] <= 'Z' && text[1] >= 'a' && text[1] <= 'z') {
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    }
    return text;
}

std::vector<std::string> OptionNames(const CLI::App& command) {
    std::vector<std::string> names;
    for (const CLI::Option* option : command.get_options()) {
        for (const std::string& name : option->get_lnames()) {
            names.push_back("--" + name);
        }
    }
    return names;
}

} // namespace

std::string ClosestName(const std::string& typed, const std::vector<std::string>& names) {
    std::string best;
    std::size_t bestDistance = 0;
    for (const std::string& name : names) {
        const std::size_t distance = EditDistance(typed, name);
        if (best.empty() || distance < bestDistance) {
            best = name;
            bestDistance = distance;
        }
    }
    // One slip in a short name, two in a longer one; more is a different word.
    const std::size_t allowed = typed.size() <= 4 ? 1 : 2;
    if (!best.empty() && bestDistance <= allowed) {
        return best;
    }
    // The start of exactly one name.
    std::string only;
    for (const std::string& name : names) {
        if (typed.size() >= 2 && StartsWith(name, typed)) {
            if (!only.empty()) {
                return {};
            }
            only = name;
        }
    }
    return only;
}

CCommandLine::CCommandLine(const std::vector<SCommandDefinition>& commands,
                           const std::string& version, std::ostream& out, std::ostream& err)
    : m_app(std::make_unique<CLI::App>(
          "Keeps catalogues (cases) of removable media without a window: adds media, "
          "edits records, copies files back out.",
          kProgram)),
      m_out(out), m_err(err) {
    CLI::App& app = *m_app;
    app.set_version_flag("--version", std::string(kProgram) + " " + version);
    app.require_subcommand(1);
    // A repeated option takes its last value, as most Unix commands do.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.get_formatter()->label("SUBCOMMAND", "COMMAND");
    app.get_formatter()->label("Positionals", "Arguments");
    app.get_formatter()->column_width(30);
    app.footer(std::string("Run '") + kProgram +
               " COMMAND --help' for the arguments of a command.\n"
               "Exit codes: 0 success, 1 usage error, 2 failure.");
    for (const SCommandDefinition& definition : commands) {
        CLI::App* cmd = app.add_subcommand(definition.name, definition.description);
        cmd->group(CommandGroupTitle(definition.group));
        m_runs.emplace_back(definition.name, definition.define(*cmd));
        // Arguments are named by what they are (CASE, PATH); "TEXT" adds nothing.
        for (CLI::Option* option : cmd->get_options()) {
            if (option->get_positional() && option->get_type_name() == "TEXT") {
                option->type_name("");
            }
        }
    }
}

CCommandLine::~CCommandLine() = default;

void CCommandLine::ReportUsage(const std::string& where, const std::string& message) {
    const std::string program = where.empty() ? kProgram : std::string(kProgram) + " " + where;
    m_err << kProgram << ": " << (where.empty() ? "" : where + ": ") << message << "; see '"
          << program << " --help'\n";
    m_exitCode = kExitUsage;
}

std::string CCommandLine::SuggestCommand(const std::string& typed) const {
    std::vector<std::string> names;
    for (const auto& [name, run] : m_runs) {
        names.push_back(name);
    }
    return ClosestName(typed, names);
}

std::string CCommandLine::Describe(const CLI::Error& error, const CLI::App* command) const {
    // CLI11 words its errors for its own help screen; say the same in our voice. The
    // error's get_name() is not its kind (some carry the command's name), so test types.
    const std::string message = error.what();
    if (dynamic_cast<const CLI::ExtrasError*>(&error)) {
        const std::size_t colon = message.find(": ");
        const std::string extras = colon == std::string::npos ? message : message.substr(colon + 2);
        // The list comes in no useful order; an unknown option is the likely cause of
        // the rest (its value left over as an extra argument).
        std::vector<std::string> words = CLI::detail::split(extras, ' ');
        for (const std::string& word : words) {
            if (!StartsWith(word, "-")) {
                continue;
            }
            std::string text = "unknown option " + word;
            if (command) {
                const std::string typed = word.substr(0, word.find('='));
                if (std::string near = ClosestName(typed, OptionNames(*command)); !near.empty()) {
                    text += " (did you mean " + near + "?)";
                }
            }
            return text;
        }
        return (words.size() > 1 ? "unexpected arguments " : "unexpected argument ") + extras;
    }
    if (dynamic_cast<const CLI::ConversionError*>(&error)) {
        return ConversionText(message, command);
    }
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) &&
        message.find(" required ") != std::string::npos && message.size() > 8 &&
        message.compare(message.size() - 8, 8, " missing") == 0) {
        return message.substr(0, message.find(':')) + " needs a value";
    }
    if (dynamic_cast<const CLI::ExcludesError*>(&error)) {
        const std::size_t at = message.find(" excludes ");
        if (at != std::string::npos) {
            return message.substr(0, at) + " and " + message.substr(at + 10) +
                   " cannot be used together";
        }
    }
    if (dynamic_cast<const CLI::RequiredError*>(&error)) {
        if (message == "A subcommand is required") {
            return "a command is required";
        }
        const std::string what = message.substr(0, message.find(" is required"));
        if (what.find(' ') == std::string::npos) {
            return (StartsWith(what, "-") ? "missing option " : "missing argument ") + what;
        }
    }
    return LowerFirst(message);
}

std::optional<CommandRun> CCommandLine::Parse(const std::vector<std::string>& args) {
    m_exitCode = kExitOk;
    m_strCommand.clear();
    // The first word that is not an option names the command: catch slips before the
    // parser calls them "unexpected".
    for (const std::string& arg : args) {
        if (StartsWith(arg, "-")) {
            continue;
        }
        const bool known = std::any_of(m_runs.begin(), m_runs.end(),
                                       [&arg](const auto& run) { return run.first == arg; });
        if (!known) {
            const std::string near = SuggestCommand(arg);
            ReportUsage({}, "unknown command '" + arg + "'" +
                                (near.empty() ? "" : " (did you mean '" + near + "'?)"));
            return std::nullopt;
        }
        break;
    }
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        m_app->parse(reversed);
    } catch (const CLI::CallForHelp& e) {
        m_exitCode = m_app->exit(e, m_out, m_err);
        return std::nullopt;
    } catch (const CLI::CallForAllHelp& e) {
        m_exitCode = m_app->exit(e, m_out, m_err);
        return std::nullopt;
    } catch (const CLI::CallForVersion& e) {
        m_exitCode = m_app->exit(e, m_out, m_err);
        return std::nullopt;
    } catch (const CLI::ParseError& e) {
        const std::vector<CLI::App*> chosen = m_app->get_subcommands();
        const CLI::App* command = chosen.empty() ? nullptr : chosen.front();
        ReportUsage(command ? command->get_name() : std::string(), Describe(e, command));
        return std::nullopt;
    }
    const std::string chosen = m_app->get_subcommands().front()->get_name();
    for (const auto& [name, run] : m_runs) {
        if (name == chosen) {
            m_strCommand = name;
            return run;
        }
    }
    return std::nullopt;
}

int CCommandLine::Run(const std::vector<std::string>& args) {
    std::optional<CommandRun> run = Parse(args);
    return run ? (*run)() : m_exitCode;
}

} // namespace quillora::cli
