// Display names and size texts: how records show their names and sizes to the user.
#pragma once

#include "model/SRecordFacts.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace quillora {

// Normalises a display name by the file display mode: 0 explorer-like (a name in
// capitals, such as README.TXT, shows as Readme.txt), 1 upper, 2 lower, 3 as is.
std::string NormalizeDisplayName(std::string_view name, int mode);

// Whether NormalizeDisplayName would give the name back unchanged (cheap: no copy).
bool DisplayNameUnchanged(std::string_view name, int mode);

// The name a record shows, for records streaming past as SFileInfo::GetDisplayName
// gives it for records of a tree (a medium or group: its label, so complete only at its
// end; the case: the last part of `casePath`). Returns a view of the facts' own name
// or of `scratch`.
std::string_view DisplayNameOf(const SRecordFacts& facts, std::string& scratch,
                               std::string_view casePath = {});

// The display mode that leaves names as they are stored.
inline constexpr int kDisplayOriginal = 3;

class SFileInfo;

// The text a find matches a record's name against: the display name as it would be
// before the display mode changes its letters' case (the last part of the name, a
// medium's or group's label, the case file's name). A search that tells capitals
// from small letters then sees the bytes that are stored, README.TXT and not the
// Readme.txt that the explorer-like mode shows; one that does not sees no difference.
std::string_view FindNameOf(const SFileInfo& record);
// FindNameOf for a file, folder or archive entry: the name after its last "\\".
inline std::string_view FindNameOfEntry(const SRecordFacts& facts) {
    std::string_view name = facts.m_strName;
    if (const void* slash = ::memrchr(name.data(), '\\', name.size())) {
        name.remove_prefix(static_cast<std::size_t>(static_cast<const char*>(slash) - name.data()) +
                           1);
    }
    return name;
}
// FindNameOf for a medium, a group or the case.
std::string_view FindNameOfContainer(const SRecordFacts& facts, std::string& scratch,
                                     std::string_view casePath);
// The same as FindNameOf for records streaming past (see DisplayNameOf); a find asks it
// of every record, so an entry's is taken without a call.
inline std::string_view FindNameOf(const SRecordFacts& facts, std::string& scratch,
                                   std::string_view casePath = {}) {
    if (facts.m_class == RecordClass::File || facts.m_class == RecordClass::ArcFile) {
        return FindNameOfEntry(facts);
    }
    return FindNameOfContainer(facts, scratch, casePath);
}

// The size text in the given unit (0 automatic, 1 Byte, 2 KB, 3 MB, 4 GB); the
// unknown size gives "（不明）"; any other unit an empty text.
std::string FormatSizeText(std::uint64_t size, int unit);

// Decimal with "," between groups of three digits counted from the right.
std::string FormatGrouped(std::uint64_t value);

} // namespace quillora
