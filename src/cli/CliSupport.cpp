// quillora-cli helpers.
#include "cli/CliSupport.h"

#include "core/Text.h"
#include "model/CaseFile.h"

#include <cstdio>
#include <cstring>

namespace quillora::cli {

CArgs::CArgs(const Args& args, std::initializer_list<const char*> valued)
    : m_valued(valued.begin(), valued.end()) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
            std::string name = a.substr(2);
            bool takesValue = false;
            for (const std::string& v : m_valued) {
                takesValue |= v == name;
            }
            if (!takesValue) {
                m_options.emplace_back(name, std::nullopt);
                continue;
            }
            if (i + 1 >= args.size()) {
                m_error = "option --" + name + " needs a value";
                continue;
            }
            m_options.emplace_back(name, args[++i]);
            continue;
        }
        m_positional.push_back(a);
    }
}

bool CArgs::Has(const std::string& name) const {
    for (const auto& [n, v] : m_options) {
        if (n == name) {
            return true;
        }
    }
    return false;
}

std::optional<std::string> CArgs::Value(const std::string& name) const {
    std::optional<std::string> found;
    for (const auto& [n, v] : m_options) {
        if (n == name) {
            found = v;
        }
    }
    return found;
}

bool CArgs::Check(std::initializer_list<const char*> flags) {
    if (!m_error.empty()) {
        return false;
    }
    for (const auto& [n, v] : m_options) {
        bool known = false;
        for (const char* f : flags) {
            known |= n == f;
        }
        for (const std::string& valued : m_valued) {
            known |= n == valued;
        }
        if (!known) {
            m_error = "unknown option --" + n;
            return false;
        }
    }
    return true;
}

void ReportError(const std::string& message) {
    std::fprintf(stderr, "quillora-cli: %s\n", message.c_str());
}

bool LockCaseForEdit(CCaseLock& lock, const std::string& path, bool noWait) {
    try {
        CCaseLock::EResult result =
            lock.Acquire(path, CCaseLock::EKind::Exclusive, !noWait, [&path] {
                ReportError("waiting for " + path + ", which another program is using");
            });
        if (result == CCaseLock::EResult::Busy) {
            ReportError(path + ": another program is using the case (try again without --no-wait)");
            return false;
        }
        return true;
    } catch (const std::exception& e) {
        ReportError(DescribeCaseError(e, path));
        return false;
    }
}

int CheckNewPassword(const std::string& password) {
    std::size_t characters = 0;
    for (char c : password) {
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }
    if (characters < 4) {
        ReportError("a password has 4 to 16 characters");
        return kExitUsage;
    }
    switch (PasswordBytes(password)) {
    case EPasswordProblem::NotCp932:
        ReportError("the password holds a character a case file cannot store (Shift_JIS has "
                    "no code for it)");
        return kExitFailure;
    case EPasswordProblem::TooLong:
        ReportError("the password is longer than the 16 bytes a case file stores (a Japanese "
                    "character takes 2)");
        return kExitFailure;
    case EPasswordProblem::None:
        break;
    }
    return kExitOk;
}

std::unique_ptr<CCDCase> LoadCaseOrReport(const std::string& path,
                                          const std::optional<std::string>& password) {
    bool badPassword = false;
    std::string error;
    std::unique_ptr<CCDCase> root = ReadCaseFile(path, password.value_or(""), &badPassword, &error);
    if (root) {
        return root;
    }
    if (badPassword) {
        ReportError(
            path + ": " +
            (password ? "wrong password" : "the case is protected by a password (use --password)"));
    } else {
        ReportError(error);
    }
    return nullptr;
}

std::string JsonString(std::string_view utf8) {
    std::string out = "\"";
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        unsigned char escaped = 0;
        if (c >= 0x80 && text::IsEscapedByte(utf8, i, &escaped)) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\udc%02x", escaped);
            out += buffer;
            i += 2;
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                out += buffer;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
    return out;
}

} // namespace quillora::cli
