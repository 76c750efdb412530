// A text of every field of every record of a tree, in tree order, and a short hash of
// it: what a producer built, pinned down so that a change to how it builds shows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillora {
class SFileInfo;
}

namespace quillora::test {

// What a dump leaves out because the machine, not the producer, decides it.
struct SDumpMask {
    bool m_bCreation = false;   // creation times (the birth time of files made by the test)
    bool m_bAccess = false;     // last-access times (reading may move them)
    bool m_bMediumOwn = false;  // a medium's own fields: its name, label, volume and root
    bool m_bSortOnDisk = false; // siblings outside archives in name order, not listing order
};

// One line per record, indented by depth: class, every stored field, the display name,
// a medium's root and location, and "!parent" where a child does not point back at its
// parent.
std::string TreeDump(const SFileInfo& top, const SDumpMask& mask = {});

// FNV-1a over the dump.
std::uint64_t DumpHash(std::string_view dump);

} // namespace quillora::test
