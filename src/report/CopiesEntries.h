// The compact facts the copies report keeps of every file it counts, and of the media
// and case files they are on. Kept small: a report holds one entry per file of every
// case it reads.
#pragma once

#include "core/FileTime.h"

#include <cstdint>
#include <string>

namespace quillora {

// A record: which medium of the report holds it and where it is in its case file (its
// position in the file's record order, counted from the case record at 0). Enough to
// find it again in the file, and no more.
struct SCopiesRef {
    std::uint32_t m_nMedium = 0;
    std::uint32_t m_nOrdinal = 0;
};

// A file with a stored CRC-32: identified by size and CRC. 20 bytes.
struct SCrcEntry {
    std::uint32_t m_nSizeLow = 0;
    std::uint32_t m_nSizeHigh = 0;
    std::uint32_t m_dwCrc = 0;
    SCopiesRef m_ref;

    std::uint64_t Size() const { return (std::uint64_t{m_nSizeHigh} << 32) | m_nSizeLow; }
    void SetSize(std::uint64_t size) {
        m_nSizeLow = static_cast<std::uint32_t>(size);
        m_nSizeHigh = static_cast<std::uint32_t>(size >> 32);
    }
};

// A file with a stored CRC-32 as a report that only counts keeps it: without its
// position, which only listings need. 16 bytes.
struct SCrcTally {
    std::uint64_t m_nSize = 0;
    std::uint32_t m_dwCrc = 0;
    std::uint32_t m_nMedium = 0;

    std::uint64_t Size() const { return m_nSize; }
};

// A file without a CRC: identified by its folded name (a 64-bit hash of it), its size
// and its last-write time. 32 bytes.
struct SNameEntry {
    std::uint64_t m_nNameHash = 0;
    std::uint64_t m_nSize = 0;
    FileTime m_ftLastWrite = 0;
    SCopiesRef m_ref;
};

// How a case's CRC entries are kept once collected: sorted in listing order, for a
// report that lists contents, or as tallies in partitions by a hash of the content, for
// a report that only counts the media's files (one pass over the entries instead of a
// sort, and less memory).
enum class ECrcLayout : std::uint8_t { Sorted, Partitioned };

// One medium of one case file, and what the report found on it.
struct SCopiesMedium {
    std::uint32_t m_nCase = 0;    // index into the report's case files
    std::uint32_t m_nOrdinal = 0; // the medium record's position in its case file
    // Its catalogue path: the group's label and its own, joined with "\".
    std::string m_strPath;
    // What the presence check matches a medium by.
    std::string m_strName;
    std::string m_strLabel;
    std::string m_strOrgLabel;
    std::uint32_t m_dwSerial = 0;
    std::uint32_t m_dwFlags = 0;

    // Files of more than 0 bytes the report counted on it, and those no other medium
    // holds.
    std::uint64_t m_nFiles = 0;
    std::uint64_t m_nBytes = 0;
    std::uint64_t m_nSoleFiles = 0;
    std::uint64_t m_nSoleBytes = 0;
};

// One case file of the report.
struct SCopiesCase {
    enum class EState : std::uint8_t { Waiting, Read, Unreadable, Protected };

    std::string m_strPath; // absolute
    EState m_state = EState::Waiting;
    std::string m_strError;    // why it was skipped
    std::string m_strPassword; // the password it was read with
    std::uint64_t m_nRecords = 0;
};

} // namespace quillora
