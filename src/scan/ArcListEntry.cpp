// The listing record: name storage and the two widths of sizes.
#include "scan/ArcListEntry.h"

#include "core/Text.h"

#include <limits>

namespace quillora {

namespace {

std::uint32_t Saturate32(std::uint64_t value) {
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
    return static_cast<std::uint32_t>(value > kMax ? kMax : value);
}

} // namespace

bool SArcListEntry::SetName(std::string_view utf8) {
    if (utf8.find('\0') != std::string_view::npos) {
        return false;
    }
    m_strName.assign(utf8);
    return true;
}

bool SArcListEntry::ExceedsClassicField(std::string_view utf8) {
    return utf8.size() >= kArcNameCapacity && text::Cp932Width(utf8) >= kArcNameCapacity;
}

void SArcListEntry::SetSizes(std::uint64_t packed, std::uint64_t original) {
    m_nPackedSize64 = packed;
    m_nOriginalSize64 = original;
    m_dwPackedSize = Saturate32(packed);
    m_dwOriginalSize = Saturate32(original);
}

} // namespace quillora
