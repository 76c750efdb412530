// Grouping the collected entries into contents: one sort of each kind, then runs of
// equal keys, or, in a report that only counts, hash partitions counted a few at a
// time; media are renumbered first so that every listing is in case order.
#include "report/CCopiesReport.h"

#include "core/Text.h"
#include "report/CCrcContentTable.h"
#include "report/CCrcRunMerge.h"
#include "report/RunOnWorkers.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <stdexcept>
#include <tuple>

namespace quillora {

namespace {

// Two seconds in file-time units (100 ns): FAT keeps last-write times to 2 seconds.
constexpr FileTime kNameTimeWindow = 20'000'000;

auto NameKey(const SNameEntry& e) {
    return std::make_tuple(e.m_nNameHash, e.m_nSize, e.m_ftLastWrite, e.m_ref.m_nMedium,
                           e.m_ref.m_nOrdinal);
}

// The end of the run of name entries starting at `begin`: same name and size, and
// last written at most 2 seconds after the run's first file, so that any two files of a
// run are within 2 seconds of each other.
std::size_t NameRunEnd(std::span<const SNameEntry> names, std::size_t begin) {
    const SNameEntry& first = names[begin];
    std::size_t end = begin + 1;
    while (end < names.size() && names[end].m_nNameHash == first.m_nNameHash &&
           names[end].m_nSize == first.m_nSize &&
           names[end].m_ftLastWrite - first.m_ftLastWrite <= kNameTimeWindow) {
        ++end;
    }
    return end;
}

// The entries of partitions [first, last) in every partitioned run (`ends` per run,
// empty for a case skipped) into `spans`, a span per run, empty for a case skipped: a
// run's partitions lie in order.
template <class Entry>
void PartitionSpans(const std::vector<std::pmr::vector<Entry>>& runs,
                    const std::vector<std::vector<std::uint32_t>>& ends, std::size_t first,
                    std::size_t last, std::vector<std::span<const Entry>>& spans) {
    spans.clear();
    for (std::size_t r = 0; r < runs.size(); ++r) {
        if (ends[r].empty()) {
            spans.emplace_back();
            continue;
        }
        const std::uint32_t from = first == 0 ? 0 : ends[r][first - 1];
        spans.emplace_back(runs[r].data() + from, ends[r][last - 1] - from);
    }
}

// How many neighbouring partitions of `entries` in all make a stretch of about
// `perStretch` entries: a power of two, so that the stretches cut the partitions evenly.
std::size_t PartitionsPerStretch(std::uint64_t entries, std::size_t perStretch) {
    constexpr std::size_t kPartitions = CCrcContentTable::kPartitions;
    const std::uint64_t wanted = kPartitions * perStretch / std::max<std::uint64_t>(1, entries);
    return std::bit_floor(std::clamp<std::uint64_t>(wanted, 1, kPartitions));
}

auto NameBefore(const SNameEntry& a, const SNameEntry& b) {
    return NameKey(a) < NameKey(b);
}

// A stretch of name partitions, gathered into `gathered` and sorted as the whole list
// would be, counted run by run: a run is a sole copy when one medium holds all of it.
void CountNameStretch(const std::vector<std::span<const SNameEntry>>& stretch,
                      std::vector<SNameEntry>& gathered, std::vector<SMediumCounts>& into) {
    gathered.clear();
    for (const std::span<const SNameEntry>& run : stretch) {
        gathered.insert(gathered.end(), run.begin(), run.end());
    }
    std::sort(gathered.begin(), gathered.end(), NameBefore);
    std::size_t end = 0;
    for (std::size_t begin = 0; begin < gathered.size(); begin = end) {
        end = NameRunEnd(gathered, begin);
        const std::uint32_t first = gathered[begin].m_ref.m_nMedium;
        const bool sole =
            std::all_of(gathered.begin() + static_cast<std::ptrdiff_t>(begin),
                        gathered.begin() + static_cast<std::ptrdiff_t>(end),
                        [first](const SNameEntry& e) { return e.m_ref.m_nMedium == first; });
        for (std::size_t i = begin; i < end; ++i) {
            into[gathered[i].m_ref.m_nMedium].Add(gathered[i].m_nSize, sole);
        }
    }
}

std::uint32_t DistinctMedia(const std::vector<SCopiesRef>& refs) {
    std::uint32_t copies = 0;
    for (std::size_t i = 0; i < refs.size(); ++i) {
        if (i == 0 || refs[i].m_nMedium != refs[i - 1].m_nMedium) {
            ++copies;
        }
    }
    return copies;
}

} // namespace

std::string NormalizedCatalogPath(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        const char ch = c == '/' ? '\\' : c;
        if (ch == '\\' && (out.empty() || out.back() == '\\')) {
            continue;
        }
        out += ch;
    }
    while (!out.empty() && out.back() == '\\') {
        out.pop_back();
    }
    return text::AsciiLower(out);
}

CCopiesReport::CCopiesReport(std::vector<std::string> casePaths, ECrcLayout layout)
    : m_layout(layout) {
    m_cases.resize(casePaths.size());
    m_collected.reserve(casePaths.size());
    for (std::size_t i = 0; i < casePaths.size(); ++i) {
        m_collected.push_back({std::pmr::vector<SCrcEntry>(&m_arena),
                               std::pmr::vector<SCrcTally>(&m_arena),
                               {},
                               std::pmr::vector<SNameEntry>(&m_arena),
                               {},
                               {}});
    }
    for (std::size_t i = 0; i < casePaths.size(); ++i) {
        m_cases[i].m_strPath = std::move(casePaths[i]);
    }
}

void CCopiesReport::Add(std::uint32_t index, CCopiesCollector& collected) {
    SCopiesCase& file = m_cases.at(index);
    file.m_state = SCopiesCase::EState::Read;
    file.m_nRecords = collected.Records();
    SCollected& kept = m_collected.at(index);
    kept.m_crc = std::move(collected.CrcEntries());
    kept.m_tallies = std::move(collected.CrcTallies());
    kept.m_partitionEnds = std::move(collected.PartitionEnds());
    kept.m_namePartitionEnds = std::move(collected.NamePartitionEnds());
    kept.m_names = std::move(collected.NameEntries());
    kept.m_media = std::move(collected.Media());
}

void CCopiesReport::Skip(std::uint32_t index, bool protectedFile, std::string error) {
    SCopiesCase& file = m_cases.at(index);
    file.m_state = protectedFile ? SCopiesCase::EState::Protected : SCopiesCase::EState::Unreadable;
    file.m_strError = std::move(error);
}

std::uint64_t CCopiesReport::Records() const {
    std::uint64_t records = 0;
    for (const SCopiesCase& file : m_cases) {
        records += file.m_nRecords;
    }
    return records;
}

std::size_t CCopiesReport::Skipped() const {
    return static_cast<std::size_t>(
        std::count_if(m_cases.begin(), m_cases.end(), [](const SCopiesCase& c) {
            return c.m_state == SCopiesCase::EState::Unreadable ||
                   c.m_state == SCopiesCase::EState::Protected;
        }));
}

std::size_t CCopiesReport::EntryBytes() const {
    return m_arena.BytesTaken() + m_media.capacity() * sizeof(SCopiesMedium);
}

// Cases finish in any order on several workers; joined in case order, the media are
// numbered so that the report does not depend on which file was read first. The CRC
// entries stay with their case, already sorted or partitioned; the fewer name entries
// are joined to be sorted, each case's let go once copied, or, partitioned, stay too.
void CCopiesReport::Join() {
    std::size_t media = 0, names = 0;
    for (const SCollected& kept : m_collected) {
        media += kept.m_media.size();
        names += kept.m_names.size();
    }
    const bool partitioned = m_layout == ECrcLayout::Partitioned;
    m_media.reserve(media);
    m_names.reserve(partitioned ? 0 : names);
    m_crcRuns.reserve(m_collected.size());
    m_tallyRuns.reserve(m_collected.size());
    m_partitionEnds.reserve(m_collected.size());
    m_mediumBases.resize(m_collected.size());
    for (std::uint32_t index = 0; index < m_collected.size(); ++index) {
        SCollected& kept = m_collected[index];
        const auto base = static_cast<std::uint32_t>(m_media.size());
        m_mediumBases[index] = base;
        for (SCopiesMedium& medium : kept.m_media) {
            medium.m_nCase = index;
            m_media.push_back(std::move(medium));
        }
        for (SNameEntry& entry : kept.m_names) {
            entry.m_ref.m_nMedium += base;
        }
        m_nNameFiles += kept.m_names.size();
        if (partitioned) {
            m_nameRuns.emplace_back(std::move(kept.m_names));
            m_namePartitionEnds.push_back(std::move(kept.m_namePartitionEnds));
        } else {
            m_names.insert(m_names.end(), kept.m_names.begin(), kept.m_names.end());
        }
        m_nCrcFiles += kept.m_crc.size() + kept.m_tallies.size();
        // Moved by construction, which takes the arena along with the entries.
        m_crcRuns.emplace_back(std::move(kept.m_crc));
        m_tallyRuns.emplace_back(std::move(kept.m_tallies));
        m_partitionEnds.push_back(std::move(kept.m_partitionEnds));
        kept = SCollected{};
    }
    m_collected.clear();
    m_collected.shrink_to_fit();
}

void CCopiesReport::Complete(unsigned threads) {
    if (m_bComplete) {
        return;
    }
    Join();
    m_bComplete = true;
    CountMedia(threads);
}

// Cut points are contents sampled evenly from every run; a content never straddles a
// cut, since every run is cut just after the last entry listed at or before it.
std::vector<std::vector<std::span<const SCrcEntry>>>
CCopiesReport::SplitRuns(std::size_t parts) const {
    constexpr std::size_t kSamplesPerPart = 256;
    std::vector<SCrcEntry> samples;
    if (parts > 1) {
        const std::size_t step = std::max<std::size_t>(1, m_nCrcFiles / (parts * kSamplesPerPart));
        for (const std::pmr::vector<SCrcEntry>& run : m_crcRuns) {
            for (std::size_t i = step / 2; i < run.size(); i += step) {
                samples.push_back(run[i]);
            }
        }
        std::sort(samples.begin(), samples.end(), CCrcRunMerge::ContentBefore);
    }
    std::vector<std::vector<std::span<const SCrcEntry>>> split(parts);
    std::vector<std::size_t> from(m_crcRuns.size(), 0);
    for (std::size_t part = 0; part < parts; ++part) {
        const bool last = part + 1 == parts || samples.empty();
        const SCrcEntry* cut = last ? nullptr : &samples[(part + 1) * samples.size() / parts];
        for (std::size_t r = 0; r < m_crcRuns.size(); ++r) {
            const std::pmr::vector<SCrcEntry>& run = m_crcRuns[r];
            const auto begin = run.begin() + static_cast<std::ptrdiff_t>(from[r]);
            const auto end =
                last ? run.end() : std::partition_point(begin, run.end(), [&](const SCrcEntry& e) {
                    return !CCrcRunMerge::ContentBefore(*cut, e);
                });
            split[part].emplace_back(run.data() + from[r], static_cast<std::size_t>(end - begin));
            from[r] = static_cast<std::size_t>(end - run.begin());
        }
        if (last) {
            split.resize(part + 1);
            break;
        }
    }
    return split;
}

// The entries of name run [begin, end) as a content, its records by medium.
void CCopiesReport::NameContent(std::size_t begin, std::size_t end, SCopiesContent& content) const {
    content.m_match = ECopiesMatch::Name;
    content.m_nSize = m_names[begin].m_nSize;
    content.m_dwCrc = 0;
    content.m_records.clear();
    for (std::size_t i = begin; i < end; ++i) {
        content.m_records.push_back(m_names[i].m_ref);
    }
    // Within a run the entries are in time order; the list is by medium.
    std::sort(content.m_records.begin(), content.m_records.end(),
              [](const SCopiesRef& a, const SCopiesRef& b) {
                  return std::tie(a.m_nMedium, a.m_nOrdinal) < std::tie(b.m_nMedium, b.m_nOrdinal);
              });
    content.m_nCopies = DistinctMedia(content.m_records);
}

template <class Visit> void CCopiesReport::ForEachNameRun(Visit&& visit) const {
    SCopiesContent content;
    std::size_t end = 0;
    for (std::size_t begin = 0; begin < m_names.size(); begin = end) {
        end = NameRunEnd(m_names, begin);
        NameContent(begin, end, content);
        visit(content);
    }
}

template <class Visit> void CCopiesReport::ForEachNameGroup(Visit&& visit) const {
    SCopiesContent content;
    // Runs are found from the front (a run starts at its earliest time), then visited
    // from the largest size down: collect the run starts first.
    std::vector<std::size_t> starts;
    for (std::size_t begin = 0; begin < m_names.size(); begin = NameRunEnd(m_names, begin)) {
        starts.push_back(begin);
    }
    std::stable_sort(starts.begin(), starts.end(), [this](std::size_t a, std::size_t b) {
        return m_names[a].m_nSize > m_names[b].m_nSize;
    });
    for (std::size_t begin : starts) {
        NameContent(begin, NameRunEnd(m_names, begin), content);
        visit(content);
    }
}

// Calls visit(content) for every content, CRC matches first, each kind from the
// largest size down. The content's record list is reused from one call to the next.
template <class Visit> void CCopiesReport::ForEachGroup(Visit&& visit) const {
    SCopiesContent content;
    CCrcRunMerge merge(std::vector<std::span<const SCrcEntry>>(m_crcRuns.begin(), m_crcRuns.end()),
                       m_mediumBases);
    while (merge.Next(content)) {
        content.m_nCopies = DistinctMedia(content.m_records);
        visit(content);
    }
    ForEachNameGroup(visit);
}

// Sorts the name entries, which their runs need, and counts their contents.
void CCopiesReport::CountNames(std::vector<SMediumCounts>& into) {
    std::sort(m_names.begin(), m_names.end(), NameBefore);
    ForEachNameRun([&into](const SCopiesContent& content) {
        for (const SCopiesRef& ref : content.m_records) {
            into[ref.m_nMedium].Add(content.m_nSize, content.m_nCopies == 1);
        }
    });
}

// The counts do not depend on the order contents are visited in, so the CRC contents
// are counted in stretches of cache size, a table each, by every worker into counts of
// its own, the first worker sorting and counting the name matches before its
// stretches; the counts are added up at the end.
void CCopiesReport::CountMedia(unsigned threads) {
    // Partitions are visited in no order at all, so their tables are kept smaller than
    // those of stretches in listing order, which meet each content's entries together.
    const std::size_t perStretch = m_layout == ECrcLayout::Partitioned ? 1 << 10 : 1 << 14;
    const std::size_t workers = std::max(1u, threads);
    const std::size_t parts = std::max(workers, m_nCrcFiles / perStretch);
    // Either the sorted runs, or the partitioned tallies and names.
    const bool partitioned = m_layout == ECrcLayout::Partitioned;
    std::vector<std::vector<std::span<const SCrcEntry>>> runs;
    // Partitioned, a task is a stretch of neighbouring partitions, whose spans the
    // worker finds itself: the tallies' stretches first, then the names'.
    std::size_t tallyTasks = 0, tallyWidth = 1, nameTasks = 0, nameWidth = 1;
    if (partitioned) {
        constexpr std::size_t kPartitions = CCrcContentTable::kPartitions;
        tallyWidth = PartitionsPerStretch(m_nCrcFiles, perStretch);
        nameWidth = PartitionsPerStretch(m_nNameFiles, perStretch);
        tallyTasks = kPartitions / tallyWidth;
        nameTasks = kPartitions / nameWidth;
    } else {
        runs = SplitRuns(parts);
    }
    const std::size_t tasks = runs.size() + tallyTasks + nameTasks;
    std::vector<std::vector<SMediumCounts>> counts(workers,
                                                   std::vector<SMediumCounts>(m_media.size()));
    std::atomic<std::size_t> next{0};
    RunOnWorkers(workers, [&](std::size_t worker) {
        std::vector<SMediumCounts>& into = counts[worker];
        if (worker == 0 && !partitioned) {
            CountNames(into);
        }
        CCrcContentTable table;
        std::vector<SNameEntry> gathered;
        std::vector<std::span<const SCrcTally>> tallies;
        std::vector<std::span<const SNameEntry>> names;
        for (std::size_t part = next++; part < tasks; part = next++) {
            if (part < runs.size()) {
                table.Count(runs[part], m_mediumBases, into);
            } else if (const std::size_t t = part - runs.size(); t < tallyTasks) {
                PartitionSpans(m_tallyRuns, m_partitionEnds, t * tallyWidth, (t + 1) * tallyWidth,
                               tallies);
                table.Count(tallies, m_mediumBases, into);
            } else {
                const std::size_t n = t - tallyTasks;
                PartitionSpans(m_nameRuns, m_namePartitionEnds, n * nameWidth, (n + 1) * nameWidth,
                               names);
                CountNameStretch(names, gathered, into);
            }
        }
    });
    for (std::size_t i = 0; i < m_media.size(); ++i) {
        SCopiesMedium& medium = m_media[i];
        medium.m_nFiles = medium.m_nBytes = medium.m_nSoleFiles = medium.m_nSoleBytes = 0;
        for (const std::vector<SMediumCounts>& part : counts) {
            medium.m_nFiles += part[i].m_nFiles;
            medium.m_nBytes += part[i].m_nBytes;
            medium.m_nSoleFiles += part[i].m_nSoleFiles;
            medium.m_nSoleBytes += part[i].m_nSoleBytes;
        }
    }
}

std::vector<std::uint32_t> CCopiesReport::FindMedia(std::string_view path) const {
    const std::string wanted = NormalizedCatalogPath(path);
    std::vector<std::uint32_t> found;
    for (std::uint32_t i = 0; i < m_media.size(); ++i) {
        if (NormalizedCatalogPath(m_media[i].m_strPath) == wanted) {
            found.push_back(i);
        }
    }
    return found;
}

void CCopiesReport::ForEachContent(const SCopiesFilter& filter,
                                   const std::function<void(const SCopiesContent&)>& visit) const {
    if (m_layout != ECrcLayout::Sorted) {
        throw std::logic_error("a copies report that only counts lists no contents");
    }
    std::vector<bool> chosen;
    if (!filter.m_media.empty()) {
        chosen.assign(m_media.size(), false);
        for (std::uint32_t medium : filter.m_media) {
            if (medium < chosen.size()) {
                chosen[medium] = true;
            }
        }
    }
    ForEachGroup([&](const SCopiesContent& content) {
        if (content.m_nCopies < filter.m_nMinCopies || content.m_nCopies > filter.m_nMaxCopies) {
            return;
        }
        if (!chosen.empty() &&
            std::none_of(content.m_records.begin(), content.m_records.end(),
                         [&](const SCopiesRef& ref) { return chosen[ref.m_nMedium]; })) {
            return;
        }
        visit(content);
    });
}

} // namespace quillora
