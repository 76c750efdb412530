// Registering the two case-file types with the desktop: a .desktop entry naming the
// program, a shared-mime-info package for ".cas" and ".caz", from the document
// strings 128 and 188, and the icons of both. The build installs the same files
// system-wide.
#pragma once

#include <string>
#include <vector>

namespace quillora {

struct SCaseFileType {
    std::string m_strMimeType;  // "application/x-tobcase-document"
    std::string m_strName;      // "TobCaseﾌｧｲﾙ"
    std::string m_strExtension; // ".cas"
};

class CShellRegistration {
public:
    // The file type a document string (resource 128 or 188) describes.
    static SCaseFileType FileType(int documentString);

    // The .desktop entry that starts `exec` with the file to open.
    static std::string DesktopEntry(const std::string& exec);
    // The shared-mime-info package for both types.
    static std::string MimePackage();

    // Writes both files and the icons below the user's data folder ($XDG_DATA_HOME
    // or ~/.local/share) for the program at `exec` and runs update-mime-database and
    // update-desktop-database when they are installed. False (with *error) when a
    // file cannot be written.
    static bool Register(const std::string& exec, std::string* error);
    // Removes those files and updates the databases. False when a file stays.
    static bool Unregister(std::string* error);

    // The two files' paths for the current user.
    static std::string DesktopPath();
    static std::string MimePath();
    // The icons' paths for the current user, in the hicolor theme: the program's
    // ("quillora"), then one per file type, named after its MIME type.
    static std::vector<std::string> IconPaths();
    // The icon name the desktop looks up for a MIME type ("application-x-tobcase-document").
    static std::string IconName(const std::string& mimeType);
};

} // namespace quillora
