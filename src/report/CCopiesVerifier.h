// CCopiesVerifier: checks matches of a copies report against the files themselves,
// where their media are mounted now. Equal size and CRC-32 do not prove equal
// contents (with 100,000 files of one size, some equal CRCs of different files are
// likely); comparing the bytes finds such false matches.
#pragma once

#include "platform/DriveList.h"
#include "report/CopiesEntries.h"
#include "scan/DriveChoice.h"

#include <functional>
#include <string>
#include <vector>

namespace quillora {

class CCopiesPaths;
class CCopiesReport;
struct SCopiesContent;

// What comparing one content's files found.
struct SCopiesVerdict {
    std::uint32_t m_nCompared = 0;        // files read on mounted media
    std::vector<SCopiesRef> m_differing;  // files whose bytes differ from the others
    std::vector<SCopiesRef> m_unreadable; // on a mounted medium, but not readable
};

class CCopiesVerifier {
public:
    using DriveSource = std::function<std::vector<SDrive>()>;

    // Finds which media of the complete `report` are mounted now, among the drives
    // `drives` lists (the mount table by default), the way the program's presence
    // check does.
    explicit CCopiesVerifier(const CCopiesReport& report, DriveSource drives = &CDriveList::Read,
                             SDriveChoice choice = {});

    bool IsMounted(std::uint32_t medium) const { return !m_folders.at(medium).empty(); }
    std::size_t MountedCount() const;

    // The Linux path of a record on its mounted medium; "" when the medium is not
    // mounted or the record's path is unknown.
    std::string OsPathOf(const SCopiesRef& ref, const CCopiesPaths& paths) const;

    // Compares the files of `content` that can be reached. Those in the largest group
    // of files with equal bytes (the first such group on a tie) agree; every other file
    // read is a false match. Fewer than two files read prove nothing and differ from
    // nothing.
    SCopiesVerdict Verify(const SCopiesContent& content, const CCopiesPaths& paths) const;

    // Whether two files hold the same bytes; false, with `unreadable` set, when one of
    // them cannot be read.
    static bool SameBytes(const std::string& a, const std::string& b, bool& unreadable);

private:
    std::vector<std::string> m_folders; // per medium, its folder on disk, or ""
};

} // namespace quillora
