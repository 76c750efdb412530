// How quillora-cli names records, shared by the commands that list them (tree, find):
// a catalogue path a line, or one JSON object with every field.
#pragma once

#include <string>
#include <string_view>

#include "core/FileTime.h"
#include "model/SRecordFacts.h"

#include <cstdint>

namespace quillora {
class SFileInfo;
}

namespace quillora::cli {

// What the JSON objects call a record's class: "case", "group", "medium", "file" (folders
// too) or "arcentry".
std::string_view RecordClassName(RecordClass cls);

// The case's file name for the case, else the record's catalogue path; a folder,
// medium or group ends in "\".
std::string RecordLine(const SFileInfo& record);
// The same, for a record whose catalogue path the caller knows already.
void AppendRecordLine(std::string& out, const SFileInfo& record, std::string_view path);

// The fields of one record the JSON object shows, taken from a record of a tree or from
// facts streaming past; the views live as long as what they were taken from.
struct SRecordJsonFields {
    std::string_view m_name;
    // The name escaped for JSON already, when the caller has it (else empty).
    std::string_view m_escapedName;
    RecordClass m_class = RecordClass::File;
    std::uint32_t m_dwFlags = 0;
    std::uint16_t m_wArcType = 0;
    std::uint64_t m_nSize = 0;
    FileTime m_ftLastWrite = 0, m_ftCreation = 0, m_ftLastAccess = 0;
    bool m_bHasCrc = false;
    std::uint32_t m_dwCrc = 0;
    std::string_view m_comment, m_category, m_link;
    std::uint8_t m_byMark = 0;
    std::uint32_t m_nDataLen = 0;
    const CPropertySet* m_pProps = nullptr;
    // Media and groups.
    std::string_view m_label, m_orgLabel, m_volText1, m_volText2;
    std::uint32_t m_dwSerial = 0;
    std::uint64_t m_nTotalBytes = 0, m_nFreeBytes = 0;
    std::uint32_t m_dwSectorsPerCluster = 0, m_dwBytesPerSector = 0;
    // Archive entries.
    std::uint32_t m_dwPackedSize = 0;
    std::string_view m_arcText;

    static SRecordJsonFields Of(const SFileInfo& record);
    static SRecordJsonFields Of(const SRecordFacts& facts);
    // The fields of `facts` into these, for a writer that keeps one set for a million
    // records: the volume fields and the archive entry's are taken only for records
    // that show them and are left as they were otherwise.
    void Take(const SRecordFacts& facts);
};

// What follows the path's value in the JSON object: the closing quote of the path,
// then every other field, and the closing brace.
void AppendRecordJsonTail(std::string& out, const SRecordJsonFields& fields);
// The same written at `at`, which has RecordJsonTailRoom(fields) bytes of room; returns
// the end. For a writer that keeps its own buffer.
std::size_t RecordJsonTailRoom(const SRecordJsonFields& fields);
char* WriteRecordJsonTail(char* at, const SRecordJsonFields& fields);

// Every field of the record as one JSON object (no line break).
std::string RecordJson(const SFileInfo& record);
// The same object, appended to `out`.
void AppendRecordJson(std::string& out, const SFileInfo& record);

} // namespace quillora::cli
