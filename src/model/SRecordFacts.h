// SRecordFacts: the stored fields of one record of any class, as a producer hands them
// to a record sink. A value that producers fill again for every record, so that its
// texts keep their buffers from one record to the next.
#pragma once

#include "core/FileTime.h"
#include "model/PropertySet.h"
#include "model/RecordFlags.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillora {

// What kind of record: a file or folder on a medium, an archive entry, a medium, a
// group of media, the case.
enum class RecordClass : std::uint8_t { File, ArcFile, Volume, Group, Case };

// What a medium or a group stores besides a record's fields.
struct SVolumeFields {
    std::uint32_t m_dwSerial = 0;
    std::string m_strLabel;
    std::string m_strVolText1;
    std::string m_strVolText2;
    std::string m_strOrgLabel;
    std::uint64_t m_nTotalBytes = kUnknownSize;
    std::uint64_t m_nFreeBytes = kUnknownSize;
    std::uint32_t m_dwSectorsPerCluster = 0;
    std::uint32_t m_dwBytesPerSector = 0;

    void Clear();
};

struct SRecordFacts {
    RecordClass m_class{};
    std::uint64_t m_nSize = 0;
    std::uint32_t m_dwFlags = 0;
    std::uint16_t m_wArcType = 0;
    std::uint16_t m_wExtFlags = 0;
    FileTime m_ftLastAccess = 0;
    FileTime m_ftLastWrite = 0;
    FileTime m_ftCreation = 0;
    std::uint32_t m_dwExtValue = 0;
    std::uint8_t m_byMark = 0;
    std::uint8_t m_bLinkInherited = 0;
    std::string m_strName;
    // For a sink that takes stored names (IRecordSink::TakesStoredNames): a file's or
    // archive entry's name as the case file keeps it (CP932), with m_strName empty until
    // DecodeName(). Most records a count or a tally looks at never need their name.
    std::string m_strStoredName;
    bool m_bNameStored = false;
    std::string m_strComment;
    std::string m_strCategory;
    std::string m_strLink;
    // A sink may take the set and the contents (they are then empty for the next one).
    std::unique_ptr<CPropertySet> m_pProps;
    std::vector<std::uint8_t> m_data;
    // How many records the contents hold, where the producer knows it beforehand (the
    // case file does); 0 when it does not. Only a hint for reserving room.
    std::uint32_t m_nContentsHint = 0;

    // Archive entries.
    std::uint32_t m_dwPackedSize = 0;
    std::string m_strArcText;

    // Media and groups.
    SVolumeFields m_volume;

    // The case: the schema its file was read with (0 for one made in memory) and its
    // password (empty for none).
    int m_nSchema = 0;
    std::string m_strPassword;

    // Every field back to its default for a record of `cls`, the texts keeping their
    // buffers.
    void Reset(RecordClass cls);
    // Makes m_strName of a stored name; nothing when the name is decoded already.
    void DecodeName();

    bool HasFlags(std::uint32_t mask) const { return (m_dwFlags & mask) != 0; }
    bool IsDirectory() const { return HasFlags(kAttrDirectory); }
    bool HasCrc() const { return (m_wExtFlags & kExtFlagCrc) != 0; }
    // Sets the CRC-32 and the flag that says one is stored; 0 stands for none.
    void SetCrc(std::uint32_t crc);
    const std::string& Comment() const { return m_strComment; }
    const std::string& Category() const { return m_strCategory; }
    // What the catalogue path shows for the record: a medium's or group's label, else
    // its name.
    const std::string& PathSegment() const;
};

// The class bits of m_dwFlags as a record of class `cls` must carry them: old files
// chose a child's class by its parent, and damaged ones may disagree with their own
// flag word; a record whose bits lied would be written back unreadable.
std::uint32_t ClassFlagsFor(RecordClass cls, std::uint32_t flags);

} // namespace quillora
