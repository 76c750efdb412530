// The folder an extraction writes into. Every path below it is opened one component
// at a time without following symbolic links, so neither a link planted in the folder
// nor one an earlier archive member made can lead a write outside it.
#pragma once

#include "core/UniqueFd.h"
#include "scan/ArchivePath.h"

#include <string>
#include <vector>

namespace quillora {

class CExtractTarget {
public:
    // Opens `folder`, made with its parents when missing. The folder itself may be
    // reached through links (the user or the program named it); nothing below it is.
    // False with Error() set.
    bool Open(const std::string& folder);

    // The folder as opened, without a trailing "/".
    const std::string& Path() const { return m_strPath; }
    int Fd() const { return m_fd.Get(); }

    // Opens the folders below the target, one after the other, making those that are
    // missing when `create` is set. An invalid descriptor with Error() set when a
    // component is a link, a file or cannot be made.
    CUniqueFd OpenFolder(const std::vector<std::string>& folders, bool create);

    // Makes a symbolic link to `linkTarget` at `parts`, replacing what has the name;
    // refused unless the target, read from the link's folder, stays inside.
    bool MakeSymlink(const SExtractedParts& parts, const std::string& linkTarget);
    // Makes `parts` a second name of the file already extracted at `existing`.
    bool MakeHardLink(const SExtractedParts& parts, const SExtractedParts& existing);

    // The full path of `parts` below the target, for messages.
    std::string Shown(const SExtractedParts& parts) const;
    std::string Shown(const std::vector<std::string>& folders) const;

    const std::string& Error() const { return m_strError; }

    // The permission bits new files get from this process (its umask applied to 0777).
    static unsigned DefaultMode();

private:
    bool Fail(const std::string& text);
    // Gives `name` in `folderFd` to what `makeAt(tempName)` makes, replacing the old one.
    template <typename Make> bool ReplaceWith(int folderFd, const std::string& name, Make makeAt);

    CUniqueFd m_fd;
    std::string m_strPath;
    std::string m_strError;
};

} // namespace quillora
