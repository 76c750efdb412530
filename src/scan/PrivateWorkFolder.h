// A folder of this process's own below a shared work folder, for files extracted
// from archives: nothing of the user's in the work folder is overwritten or deleted,
// and two programs working at the same time never meet. A folder is locked (flock)
// while it is ours, so that folders left behind by a killed program are known and
// removed by the next one.
#pragma once

#include "core/UniqueFd.h"

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
    // either cannot be made. The first call for a base in this process removes the
    // stale folders of our naming there (see RemoveStaleFolders).
    bool Create(const std::string& base, std::string* error = nullptr);

    // The folder's Linux path with a trailing "/"; empty before Create.
    const std::string& Path() const { return m_strPath; }

    // Removes the folder and everything in it now.
    void Remove();
    // Gives the folder up to the caller, who removes it soon; returns its path.
    std::string Release() {
        m_lock = CUniqueFd();
        return std::exchange(m_strPath, std::string());
    }

    // Removes this user's folders of our naming below `base` that no program holds
    // and that did not change in the last minute (a folder just given up to a caller
    // is not locked any more). Returns how many were removed.
    static int RemoveStaleFolders(const std::string& base);

private:
    std::string m_strPath;
    CUniqueFd m_lock;
};

} // namespace quillora
