// The clipboard's media payload: whole media and groups in the case file's own
// serialised form, so that they can be copied between cases and program processes.
//
// Layout (little-endian): an i32 count N, then N times the record's u32 flag word and
// the record written as an object of the object stream (a new-class record "FF FF",
// schema 12, name length and "SVolumeInfo" or "SGroupInfo" the first time a class
// appears, the tag 0x8000 | class index after that), followed by the record's body
// with its whole subtree as a case file holds it. doc/case-file-format.md describes
// the bodies.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace quillora {

class IPropertyDefinitionSource;
class SFileInfo;

// The name the payload is known by on the clipboard, on every platform.
inline constexpr const char* kMediaClipboardFormat = "CF_TOBCASE_MEDIA";
// Its MIME type here: a Qt program on Windows would offer the same format name.
inline constexpr const char* kMediaClipboardMime =
    "application/x-qt-windows-mime;value=\"CF_TOBCASE_MEDIA\"";

// The payload of media and groups (any other record is skipped), in order.
std::string WriteMediaPayload(const std::vector<const SFileInfo*>& records);

struct SMediaPayload {
    // The records read completely, in payload order; each has its display names and
    // totals computed and no parent.
    std::vector<std::unique_ptr<SFileInfo>> m_records;
    // The count the payload states (0 when not even that could be read).
    std::int32_t m_nStated = 0;
    // Empty when every stated record was read; else why reading stopped, and where.
    std::string m_strError;
    std::uint64_t m_nErrorOffset = 0;

    bool Complete() const { return m_strError.empty(); }
};

// Reads a payload from outside (another program may have put anything under the
// format) with the case reader's bounds: nothing is trusted before its bytes are there,
// and a record that is cut short, of another class than its flag word says, or nested
// deeper than a case may hold is dropped with everything after it. `depth` is the tree
// depth of the records once pasted (1 below the case, 2 in a group), so that a pasted
// tree never grows deeper than a case file can be read back with.
SMediaPayload ReadMediaPayload(std::span<const std::uint8_t> bytes,
                               const IPropertyDefinitionSource* definitions, int depth = 1);

} // namespace quillora
