// The read-only table of a case's records as a mounted folder tree serves them: one
// small node per record in file order, the names in one pool, children by index and a
// hash of (folder, name) for lookups. Built by CNodeTableBuilder; never changed after.
#pragma once

#include "core/FileTime.h"
#include "model/SRecordFacts.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quillora {

inline constexpr std::uint32_t kNoNode = 0xFFFFFFFFu;

struct SMountNode {
    std::uint64_t m_nSize = 0;
    FileTime m_ftLastWrite = 0;
    FileTime m_ftCreation = 0;
    FileTime m_ftLastAccess = 0;
    std::uint32_t m_nParent = kNoNode;
    std::uint32_t m_nFirstChild = 0; // into the child index
    std::uint32_t m_nChildCount = 0;
    std::uint32_t m_dwFlags = 0;
    std::uint32_t m_nName = 0; // the stored name, in the pool
    std::uint32_t m_nNameLength = 0;
    std::uint32_t m_nExtra = kNoNode; // CRC, comment, category, archive prefix
    std::uint16_t m_wArcType = 0;
    RecordClass m_class = RecordClass::File;
    bool m_bRenamed = false; // shown under another name than the stored one
};

// What presence checks need of a medium (or a group, which has none of its own).
struct SMediumFacts {
    std::uint32_t m_nNode = 0;
    std::uint32_t m_dwFlags = 0;
    std::string m_strName; // the folder below the mount point, or the network path
    SVolumeFields m_volume;
};

class CNodeTable {
public:
    // Node 0 is the case itself; a record's number is its place in the file.
    std::uint32_t Count() const { return static_cast<std::uint32_t>(m_nodes.size()); }
    const SMountNode& Node(std::uint32_t index) const { return m_nodes[index]; }
    bool IsFolder(std::uint32_t index) const;

    // The name the record is shown under: its stored name (the part after the last
    // "\"), a medium's or group's label, made a usable file name and distinct among
    // its siblings (" (2)", " (3)", ... in file order).
    std::string_view ShownName(std::uint32_t index) const;
    // The record's own name as the case stores it (a medium: its folder or path).
    std::string_view StoredName(std::uint32_t index) const;
    std::span<const std::uint32_t> Children(std::uint32_t index) const;
    // The child of `folder` shown as `name`; kNoNode when none.
    std::uint32_t Lookup(std::uint32_t folder, std::string_view name) const;

    bool HasCrc(std::uint32_t index) const;
    std::uint32_t Crc(std::uint32_t index) const;
    std::string_view Comment(std::uint32_t index) const;
    std::string_view Category(std::uint32_t index) const;
    // The leading parent references of an archive entry's stored path ("..\").
    std::string_view ArcPrefix(std::uint32_t index) const;

    // The medium holding the record (the record itself when it is one); null for the
    // case and groups.
    const SMediumFacts* MediumOf(std::uint32_t index) const;

    // The case file this table was read from, as an absolute path.
    const std::string& CasePath() const { return m_strCasePath; }
    // The bytes of every file of the case: the sizes of its groups and media.
    std::uint64_t TotalBytes() const;

    // Bytes held, for the figures of the benchmark.
    std::size_t MemoryBytes() const;

private:
    friend class CNodeTableBuilder;

    struct SExtra {
        std::uint32_t m_dwCrc = 0;
        bool m_bHasCrc = false;
        std::uint32_t m_nComment = 0, m_nCommentLength = 0;
        std::uint32_t m_nCategory = 0, m_nCategoryLength = 0;
        std::uint32_t m_nArcPrefix = 0, m_nArcPrefixLength = 0;
    };
    struct SShownName {
        std::uint32_t m_nOffset = 0;
        std::uint32_t m_nLength = 0;
    };

    std::string_view PoolText(std::uint32_t offset, std::uint32_t length) const {
        return std::string_view(m_pool).substr(offset, length);
    }
    static std::uint64_t HashOf(std::uint32_t folder, std::string_view name);
    static constexpr std::uint64_t kEmptySlot = ~std::uint64_t{0};
    // The slot holding the child of `folder` shown as `name` (whose hash is `hash`), or
    // the empty slot where it would go.
    std::size_t Probe(std::uint32_t folder, std::string_view name, std::uint64_t hash) const;

    std::vector<SMountNode> m_nodes;
    std::vector<std::uint32_t> m_children;
    // Open addressing over (parent, shown name): the hash's high half beside the node,
    // so that a probe reads another node only when its hash matches as well.
    std::vector<std::uint64_t> m_slots;
    std::vector<SExtra> m_extras;
    std::vector<SMediumFacts> m_media; // in node order
    std::unordered_map<std::uint32_t, SShownName> m_shown;
    std::string m_pool;
    std::string m_strCasePath;
};

} // namespace quillora
