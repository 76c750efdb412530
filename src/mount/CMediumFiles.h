// Opening the real file behind a record of a mounted case: through the medium's mount
// point when the medium is present now, through the archive's adapter for an entry of
// a present archive.
#pragma once

#include "core/UniqueFd.h"
#include "scan/MediaPresence.h"

#include <cstdint>
#include <memory>
#include <string>

namespace quillora {

class CArchiveExpander;
class CNodeTable;
class SVolumeInfo;
struct SMediumFacts;

class CMediumFiles {
public:
    // `archives` (may be null: entries of archives cannot be read then) must outlive
    // this object; `drives` lists the mounted drives, the real mount table by default,
    // of which those `choice` uses are looked at.
    explicit CMediumFiles(CArchiveExpander* archives,
                          CMediaPresence::DriveSource drives = &CDriveList::Read,
                          SDriveChoice choice = {});

    // Opens the file of record `index` for reading into `fd`. Returns 0, ENOMEDIUM when
    // its medium is not present, EISDIR for a folder, or the errno of the failed open
    // or extraction (EIO when an archive entry could not be extracted).
    int Open(const CNodeTable& table, std::uint32_t index, CUniqueFd& fd) const;

    // The Linux path of record `index` on its medium now; empty when its medium is not
    // present (or it lies in no medium). For an archive entry: the outermost archive's.
    std::string OsPathOf(const CNodeTable& table, std::uint32_t index) const;

    // The folder of the medium now (its mount point joined with its folder); empty
    // when it is not present.
    std::string MediumFolder(const SMediumFacts& medium) const;

    // The outermost listed archive holding record `index`; kNoNode when none (or the
    // record is that archive itself).
    static std::uint32_t OutermostArchive(const CNodeTable& table, std::uint32_t index);
    // The record's path inside that archive as the archive lists it ("\" separators).
    static std::string PathInArchive(const CNodeTable& table, std::uint32_t index,
                                     std::uint32_t archive);

private:
    int OpenArchiveEntry(const CNodeTable& table, std::uint32_t index, std::uint32_t archive,
                         CUniqueFd& fd) const;

    CArchiveExpander* m_archives;
    CMediaPresence::DriveSource m_drives;
    SDriveChoice m_choice;
};

} // namespace quillora
