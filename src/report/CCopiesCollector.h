// CCopiesCollector: the record sink that takes from one case file what the copies
// report needs (size, CRC or folded name and time, medium and position of each file),
// as the file streams past, without building its tree.
#pragma once

#include "model/IRecordSink.h"
#include "report/CopiesEntries.h"

#include <cstdint>
#include <memory_resource>
#include <span>
#include <string>
#include <vector>

namespace quillora {

class CCopiesCollector : public IRecordSink {
public:
    // Lists the entries are gathered in while the file streams past.
    struct SStaging {
        std::vector<SCrcEntry> m_crc;
        std::pmr::vector<SNameEntry> m_names;
    };

    // With `archives`, entries of listed archives count as files too. `expectedFiles`
    // is room made at once (a guess from the file's size saves growing the lists); the
    // entries, what a report keeps of every file, are kept in `entryMemory`. They are
    // gathered in `staging` (emptied first), lists a worker may reuse for every file it
    // reads, or in the collector's own. `layout` is how the CRC entries are kept at the
    // end: sorted for a report that lists contents, partitioned for one that counts.
    explicit CCopiesCollector(
        bool archives, std::size_t expectedFiles = 0,
        std::pmr::memory_resource* entryMemory = std::pmr::get_default_resource(),
        SStaging* staging = nullptr, ECrcLayout layout = ECrcLayout::Sorted);

    void BeginMedium(SRecordFacts& medium) override;
    void EnterFolder(SRecordFacts& folder) override;
    void Entry(SRecordFacts& record) override;
    void LeaveFolder(SRecordFacts&) override {}
    void EndMedium(SRecordFacts& medium) override;
    void Finish(const SSinkResult& result) override;
    // Only files without a CRC are matched by name.
    bool TakesStoredNames() const override { return true; }

    // What was collected; media are numbered from 0 in file order (m_nCase unset), and
    // the entries' m_nMedium count in that numbering. Once finished, the CRC entries
    // are in the order CCrcRunMerge::ListingBefore gives, or, partitioned, in the
    // partitions of CCrcContentTable::Partition as tallies (CrcEntries() then empty),
    // which end where PartitionEnds() says.
    std::pmr::vector<SCrcEntry>& CrcEntries() { return m_crc; }
    std::pmr::vector<SCrcTally>& CrcTallies() { return m_tallies; }
    std::vector<std::uint32_t>& PartitionEnds() { return m_partitionEnds; }
    // Partitioned, the name entries too lie in CCrcContentTable::kPartitions partitions,
    // by a hash of folded name and size, which end where NamePartitionEnds() says.
    std::vector<std::uint32_t>& NamePartitionEnds() { return m_namePartitionEnds; }
    std::pmr::vector<SNameEntry>& NameEntries() { return m_names; }
    std::vector<SCopiesMedium>& Media() { return m_media; }
    std::uint64_t Records() const { return m_nNext; }
    bool Finished() const { return m_bFinished; }

    // The key files without a CRC are matched by: the name folded as the catalogue
    // compares names (A-Z), hashed. `scratch` is room for the folded name.
    static std::uint64_t NameKey(std::string_view name, std::string& scratch);

private:
    // A block open between BeginMedium and EndMedium: the case, a group or a medium.
    struct SBlock {
        RecordClass m_class{};
        std::int32_t m_nIndex = -1; // into m_media or m_groups
    };
    struct SGroup {
        std::string m_strLabel;
        std::int32_t m_nParent = -1;
    };

    void Consider(SRecordFacts& record, std::uint32_t ordinal);
    static void PartitionNames(std::span<const SNameEntry> in, std::span<SNameEntry> out,
                               std::vector<std::uint32_t>& ends);
    std::int32_t EnclosingGroup() const;
    std::string GroupPath(std::int32_t group) const;

    bool m_bArchives;
    ECrcLayout m_layout;
    std::uint32_t m_nNext = 0;
    std::int32_t m_nMedium = -1; // the medium the records now streaming belong to
    std::vector<SBlock> m_blocks;
    std::vector<SGroup> m_groups;
    std::vector<std::int32_t> m_mediumGroups; // per medium, its group or -1
    // Filled as the file streams past; copied (the CRC entries sorted) into m_crc and
    // m_names, which take exactly the room they need, at the end.
    SStaging m_ownStaging;
    SStaging& m_staging;
    std::pmr::vector<SCrcEntry> m_crc;
    std::pmr::vector<SCrcTally> m_tallies;          // when partitioned
    std::vector<std::uint32_t> m_partitionEnds;     // when partitioned
    std::vector<std::uint32_t> m_namePartitionEnds; // when partitioned
    std::pmr::vector<SNameEntry> m_names;
    std::vector<SCopiesMedium> m_media;
    std::string m_strFolded;
    bool m_bFinished = false;
};

} // namespace quillora
