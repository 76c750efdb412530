// .desktop and shared-mime-info registration.
#include "app/ShellRegistration.h"

#include "core/Resources.h"
#include "core/TraceLog.h"
#include "export/CHtmlExporter.h"
#include "scan/ChildProcess.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <sstream>
#include <vector>

namespace quillora {

namespace {

std::vector<std::string> Fields(const char* text) {
    std::vector<std::string> fields;
    std::stringstream in(text);
    std::string field;
    while (std::getline(in, field, '\n')) {
        fields.push_back(field);
    }
    return fields;
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        } else if (c == '.') {
            c = '-';
        }
    }
    return text;
}

std::string XmlEscape(const std::string& text) {
    std::string out;
    CHtmlExporter::AppendEscaped(out, text);
    return out;
}

// The Exec key's quoting: a program path with blanks or reserved characters goes in
// double quotes, with '"', '`', '$' and '\\' escaped.
std::string ExecArgument(const std::string& path) {
    if (path.find_first_of(" \t\n\"'\\><~|&;$*?#()`") == std::string::npos) {
        return path;
    }
    std::string out = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

std::string DataHome() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString();
}

bool WriteFile(const std::string& path, const std::string& text, std::string* error) {
    QDir().mkpath(QString::fromStdString(path.substr(0, path.rfind('/'))));
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.commit()) {
        if (error) {
            *error = path + ": " + file.errorString().toStdString();
        }
        return false;
    }
    return true;
}

// Runs a database tool when it is installed; its absence is not an error.
void RunTool(const char* tool, const std::string& folder) {
    QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty()) {
        LogFormat("%s is not installed", tool);
        return;
    }
    int status = RunChildProcess({program.toStdString(), folder});
    LogFormat("%s %s: %d", tool, folder.c_str(), status);
}

void UpdateDatabases() {
    RunTool("update-mime-database", DataHome() + "/mime");
    RunTool("update-desktop-database", DataHome() + "/applications");
}

} // namespace

SCaseFileType CShellRegistration::FileType(int documentString) {
    // Fields: title, document name, new-file name, filter name, extension, type id, type name.
    std::vector<std::string> f = Fields(Res(documentString));
    f.resize(7);
    return SCaseFileType{"application/x-" + Lower(f[5]), f[6], f[4]};
}

std::string CShellRegistration::DesktopEntry(const std::string& exec) {
    SCaseFileType cas = FileType(128);
    SCaseFileType caz = FileType(188);
    std::string text = "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=Quillora\n"
                       "Comment=" +
                       cas.m_strName +
                       "\n"
                       "Exec=" +
                       ExecArgument(exec) +
                       " %f\n"
                       "Icon=quillora\n"
                       "Terminal=false\n"
                       "Categories=Utility;Archiving;\n"
                       "MimeType=" +
                       cas.m_strMimeType + ";" + caz.m_strMimeType + ";\n";
    return text;
}

std::string CShellRegistration::MimePackage() {
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
    for (int id : {128, 188}) {
        SCaseFileType type = FileType(id);
        text += "  <mime-type type=\"" + type.m_strMimeType + "\">\n";
        text += "    <comment>" + XmlEscape(type.m_strName) + "</comment>\n";
        text += "    <glob pattern=\"*" + type.m_strExtension + "\"/>\n";
        text += "  </mime-type>\n";
    }
    text += "</mime-info>\n";
    return text;
}

std::string CShellRegistration::DesktopPath() {
    return DataHome() + "/applications/quillora.desktop";
}

std::string CShellRegistration::MimePath() {
    return DataHome() + "/mime/packages/quillora.xml";
}

std::string CShellRegistration::IconName(const std::string& mimeType) {
    std::string name = mimeType;
    std::replace(name.begin(), name.end(), '/', '-');
    return name;
}

std::vector<std::string> CShellRegistration::IconPaths() {
    const std::string theme = DataHome() + "/icons/hicolor/scalable/";
    std::vector<std::string> paths{theme + "apps/quillora.svg"};
    for (int id : {128, 188}) {
        paths.push_back(theme + "mimetypes/" + IconName(FileType(id).m_strMimeType) + ".svg");
    }
    return paths;
}

bool CShellRegistration::Register(const std::string& exec, std::string* error) {
    // The icons are the ones built into the program (the same files the build installs).
    for (const std::string& path : IconPaths()) {
        const std::string name = path.substr(path.rfind('/') + 1);
        QFile icon(QString::fromStdString(":/icons/" + name));
        if (!icon.open(QIODevice::ReadOnly)) {
            if (error) {
                *error = name + ": " + icon.errorString().toStdString();
            }
            return false;
        }
        if (!WriteFile(path, icon.readAll().toStdString(), error)) {
            return false;
        }
    }
    if (!WriteFile(MimePath(), MimePackage(), error) ||
        !WriteFile(DesktopPath(), DesktopEntry(exec), error)) {
        return false;
    }
    UpdateDatabases();
    return true;
}

bool CShellRegistration::Unregister(std::string* error) {
    bool ok = true;
    std::vector<std::string> paths{DesktopPath(), MimePath()};
    for (const std::string& path : IconPaths()) {
        paths.push_back(path);
    }
    for (const std::string& path : paths) {
        QFile file(QString::fromStdString(path));
        if (file.exists() && !file.remove()) {
            ok = false;
            if (error) {
                *error = path + ": " + file.errorString().toStdString();
            }
        }
    }
    UpdateDatabases();
    return ok;
}

} // namespace quillora
