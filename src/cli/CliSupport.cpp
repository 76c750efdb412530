// quillora-cli helpers.
#include "cli/CliSupport.h"

#include "cli/IndexAccess.h"

#include "core/ConfigData.h"
#include "core/Text.h"
#include "document/JobOptions.h"
#include "model/CaseFile.h"
#include "scan/MediaPresence.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace quillora::cli {

CProfileStore ReadSettingsStore() {
    CProfileStore store;
    std::ifstream in(CProfileStore::DefaultPath(), std::ios::binary);
    if (!in) {
        return store;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!store.FromText(text)) {
        store.Clear();
    }
    return store;
}

CMediaPresence UserMediaPresence() {
    return CMediaPresence(&CDriveList::Read, DriveChoiceFrom(Config()));
}

void ReportError(const std::string& message) {
    // One line per failure, whatever the message was written for.
    std::string line = message;
    std::replace(line.begin(), line.end(), '\n', ' ');
    std::fprintf(stderr, "quillora-cli: %s\n", line.c_str());
}

bool LockCaseForEdit(CCaseLock& lock, const std::string& path, bool noWait, bool mayCreate) {
    try {
        auto waiting = [&path] {
            ReportError("waiting for " + path + ", which another program is using");
        };
        CCaseLock::EResult result =
            mayCreate ? lock.AcquireForWrite(path, !noWait, waiting)
                      : lock.Acquire(path, CCaseLock::EKind::Exclusive, !noWait, waiting);
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

bool CheckStorablePassword(const std::string& password) {
    switch (PasswordBytes(password)) {
    case EPasswordProblem::NotCp932:
        ReportError("the password holds a character a case file cannot store (Shift_JIS has "
                    "no code for it)");
        return false;
    case EPasswordProblem::TooLong:
        ReportError("the password is longer than the 16 bytes a case file stores (a Japanese "
                    "character takes 2)");
        return false;
    case EPasswordProblem::None:
        break;
    }
    return true;
}

namespace {

void ReportReadError(const std::string& path, const std::optional<std::string>& password,
                     bool badPassword, const std::string& error) {
    if (!badPassword) {
        ReportError(error);
        return;
    }
    ReportError(
        path + ": " +
        (password ? "wrong password" : "the case is protected by a password (use --password)"));
}

} // namespace

std::unique_ptr<CCDCase> LoadCaseOrReport(const std::string& path,
                                          const std::optional<std::string>& password) {
    bool badPassword = false;
    std::string error;
    std::unique_ptr<CCDCase> root = ReadCaseFile(path, password.value_or(""), &badPassword, &error);
    if (!root) {
        ReportReadError(path, password, badPassword, error);
        return root;
    }
    IndexCaseAfterCommand(*root, path);
    return root;
}

bool StreamCaseOrReport(const std::string& path, const std::optional<std::string>& password,
                        IRecordSink& sink) {
    bool badPassword = false;
    std::string error;
    if (StreamCaseFile(path, password.value_or(""), sink, &badPassword, &error)) {
        return true;
    }
    ReportReadError(path, password, badPassword, error);
    return false;
}

void AppendJsonString(std::string& out, std::string_view utf8) {
    out += '"';
    AppendJsonEscaped(out, utf8);
    out += '"';
}

void AppendJsonEscaped(std::string& out, std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        // Runs of bytes that stand as they are go in whole.
        std::size_t run = i;
        while (run < utf8.size() && !NeedsJsonEscape(static_cast<unsigned char>(utf8[run]))) {
            ++run;
        }
        if (run != i) {
            out.append(utf8.data() + i, run - i);
            i = run;
            if (i == utf8.size()) {
                break;
            }
        }
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
}

std::string JsonString(std::string_view utf8) {
    std::string out;
    AppendJsonString(out, utf8);
    return out;
}

} // namespace quillora::cli
