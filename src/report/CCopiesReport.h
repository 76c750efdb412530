// CCopiesReport: how many media hold each content of a set of case files, answered
// from the catalogues alone. A content is a file of more than 0 bytes; files with a
// stored CRC-32 are the same content when size and CRC agree; files without one are
// matched by folded name, size and last-write time (within 2 seconds) instead, and the
// two kinds never mix. Its copies are the distinct media that hold it: two files on
// one medium count once.
#pragma once

#include "report/CCopiesCollector.h"
#include "report/CCrcContentTable.h"
#include "report/CHugePageArena.h"
#include "report/CopiesEntries.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <memory_resource>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillora {

enum class ECopiesMatch : std::uint8_t {
    Crc,  // same size and CRC-32
    Name, // same folded name and size, last written within 2 seconds
};

// One content as the report lists it.
struct SCopiesContent {
    ECopiesMatch m_match = ECopiesMatch::Crc;
    std::uint64_t m_nSize = 0;
    std::uint32_t m_dwCrc = 0; // with ECopiesMatch::Crc
    std::uint32_t m_nCopies = 0;
    std::vector<SCopiesRef> m_records; // by medium, then by position in the case
};

// Which contents to list.
struct SCopiesFilter {
    std::uint32_t m_nMinCopies = 1;
    std::uint32_t m_nMaxCopies = std::numeric_limits<std::uint32_t>::max();
    // Only contents with a record on one of these media (indices into Media()); all
    // when empty.
    std::vector<std::uint32_t> m_media;
};

class CCopiesReport {
public:
    // The case files to read, by absolute path, in the order they are reported. With
    // ECrcLayout::Partitioned the report only counts the media's files and sole copies:
    // it lists no contents, and is quicker for it.
    explicit CCopiesReport(std::vector<std::string> casePaths,
                           ECrcLayout layout = ECrcLayout::Sorted);

    // How the collectors of this report are to lay out their CRC entries.
    ECrcLayout Layout() const { return m_layout; }

    // Takes over what `collected` gathered from case `index` (which must be read once),
    // without copying it. Not thread-safe: the caller serialises.
    void Add(std::uint32_t index, CCopiesCollector& collected);
    // Case `index` could not be used: why, and whether it was for its password.
    void Skip(std::uint32_t index, bool protectedFile, std::string error);

    // Ends the collection: numbers the media in case order, groups the entries into
    // contents and counts each medium's files and sole copies, on up to `threads`
    // threads. Call once, after the last Add or Skip.
    void Complete(unsigned threads = 1);

    const std::vector<SCopiesCase>& Cases() const { return m_cases; }
    std::vector<SCopiesCase>& Cases() { return m_cases; }
    const std::vector<SCopiesMedium>& Media() const { return m_media; }
    std::uint64_t Records() const;
    std::uint64_t Files() const { return m_nCrcFiles + m_nNameFiles; }
    std::size_t Skipped() const;

    // The media whose catalogue path is `path`, in any case file: letters compare
    // without case, "/" stands for "\" and leading or trailing separators are ignored.
    std::vector<std::uint32_t> FindMedia(std::string_view path) const;

    // Calls `visit` for every content the filter lets through: CRC matches first, then
    // name matches, each kind by size, largest first. The content is lent for the call.
    // Throws std::logic_error on a report that only counts.
    void ForEachContent(const SCopiesFilter& filter,
                        const std::function<void(const SCopiesContent&)>& visit) const;

    // Where the collectors of this report take their CRC entries from: moving them in
    // then takes no copy.
    std::pmr::memory_resource* EntryMemory() { return &m_arena; }

    // Bytes the report keeps for its entries (capacity included), for the benchmark.
    std::size_t EntryBytes() const;

private:
    // What one case file gave, kept apart until Complete joins them.
    struct SCollected {
        std::pmr::vector<SCrcEntry> m_crc;
        std::pmr::vector<SCrcTally> m_tallies;
        std::vector<std::uint32_t> m_partitionEnds;
        std::pmr::vector<SNameEntry> m_names;
        std::vector<std::uint32_t> m_namePartitionEnds;
        std::vector<SCopiesMedium> m_media;
    };

    template <class Visit> void ForEachGroup(Visit&& visit) const;
    template <class Visit> void ForEachNameGroup(Visit&& visit) const;
    // Name matches in the order of their keys, which is all counting needs.
    template <class Visit> void ForEachNameRun(Visit&& visit) const;
    void NameContent(std::size_t begin, std::size_t end, SCopiesContent& content) const;
    // The CRC runs cut into `parts` stretches of whole contents, about equal in size.
    std::vector<std::vector<std::span<const SCrcEntry>>> SplitRuns(std::size_t parts) const;
    void CountNames(std::vector<SMediumCounts>& into);
    void CountMedia(unsigned threads);
    void Join();

    // Before every list whose entries it holds, so that it goes after them.
    CHugePageArena m_arena;
    ECrcLayout m_layout;
    std::vector<SCopiesCase> m_cases;
    std::vector<SCollected> m_collected; // per case until Complete
    std::vector<SCopiesMedium> m_media;
    // Per case its CRC entries in listing order (each case's file sorts its own on the
    // worker that read it); they are merged as they are visited.
    std::vector<std::pmr::vector<SCrcEntry>> m_crcRuns;
    // Or, in a report that only counts, per case its tallies in partitions.
    std::vector<std::pmr::vector<SCrcTally>> m_tallyRuns;
    std::vector<std::vector<std::uint32_t>> m_partitionEnds;
    std::vector<std::uint32_t> m_mediumBases; // per case, its first medium in m_media
    std::uint64_t m_nCrcFiles = 0;
    std::pmr::vector<SNameEntry> m_names{&m_arena}; // sorted, unless partitioned
    // Partitioned: per case its name entries in partitions.
    std::vector<std::pmr::vector<SNameEntry>> m_nameRuns;
    std::vector<std::vector<std::uint32_t>> m_namePartitionEnds;
    std::uint64_t m_nNameFiles = 0;
    bool m_bComplete = false;
};

// Catalogue paths compare like this: case-insensitive for A-Z, "/" as "\", no leading
// or trailing separators.
std::string NormalizedCatalogPath(std::string_view path);

} // namespace quillora
