// A folder of this process's own below a shared work folder, for files extracted
// from archives: nothing of the user's in the work folder is overwritten or deleted,
// and two programs working at the same time never meet.
#pragma once

#include <string>
#include <utility>

namespace quillora {

class CPrivateWorkFolder {
public:
    CPrivateWorkFolder() = default;
    // Removes the folder with whatever is still in it.
    ~CPrivateWorkFolder();
    CPrivateWorkFolder(const CPrivateWorkFolder&) = delete;
    CPrivateWorkFolder& operator=(const CPrivateWorkFolder&) = delete;

    // Makes a new folder with a unique name below `base` (which is created when it is
    // missing, one level only), open to this user alone. False with *error set when
    // either cannot be made.
    bool Create(const std::string& base, std::string* error = nullptr);

    // The folder's Linux path with a trailing "/"; empty before Create.
    const std::string& Path() const { return m_strPath; }

    // Removes the folder and everything in it now.
    void Remove();
    // Gives the folder up to the caller, who removes it; returns its path.
    std::string Release() { return std::exchange(m_strPath, std::string()); }

private:
    std::string m_strPath;
};

} // namespace quillora
