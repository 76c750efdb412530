// Collecting the files of one case for the copies report: a file counts when it has
// contents (more than 0 bytes); medium labels are known only at each medium's end.
#include "report/CCopiesCollector.h"

#include "model/RecordFlags.h"
#include "report/CCrcContentTable.h"
#include "report/CCrcRunMerge.h"
#include "report/ScatterByPartition.h"

#include <algorithm>
#include <bit>
#include <functional>
#include <string_view>

namespace quillora {

CCopiesCollector::CCopiesCollector(bool archives, std::size_t expectedFiles,
                                   std::pmr::memory_resource* entryMemory, SStaging* staging,
                                   ECrcLayout layout)
    : m_bArchives(archives), m_layout(layout), m_staging(staging ? *staging : m_ownStaging),
      m_crc(entryMemory), m_tallies(entryMemory), m_names(entryMemory) {
    m_staging.m_crc.clear();
    m_staging.m_names.clear();
    m_staging.m_crc.reserve(expectedFiles);
}

std::uint64_t CCopiesCollector::NameKey(std::string_view name, std::string& scratch) {
    scratch.assign(name);
    for (char& c : scratch) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return std::hash<std::string_view>{}(scratch);
}

std::int32_t CCopiesCollector::EnclosingGroup() const {
    for (auto it = m_blocks.rbegin(); it != m_blocks.rend(); ++it) {
        if (it->m_class == RecordClass::Group) {
            return it->m_nIndex;
        }
    }
    return -1;
}

void CCopiesCollector::BeginMedium(SRecordFacts& medium) {
    const std::uint32_t ordinal = m_nNext++;
    SBlock block{medium.m_class, -1};
    if (medium.m_class == RecordClass::Volume) {
        block.m_nIndex = static_cast<std::int32_t>(m_media.size());
        SCopiesMedium entry;
        entry.m_nOrdinal = ordinal;
        m_media.push_back(std::move(entry));
        m_mediumGroups.push_back(EnclosingGroup());
        m_nMedium = block.m_nIndex;
    } else if (medium.m_class == RecordClass::Group) {
        block.m_nIndex = static_cast<std::int32_t>(m_groups.size());
        m_groups.push_back({{}, EnclosingGroup()});
    }
    m_blocks.push_back(block);
}

void CCopiesCollector::EnterFolder(SRecordFacts& folder) {
    Consider(folder, m_nNext++);
}

void CCopiesCollector::Entry(SRecordFacts& record) {
    Consider(record, m_nNext++);
}

void CCopiesCollector::Consider(SRecordFacts& record, std::uint32_t ordinal) {
    // A listed archive carries the folder bit for its entries' sake; it is a file.
    const bool folder = record.IsDirectory() && !record.HasFlags(kFlagListedArchive);
    if (m_nMedium < 0 || folder || record.m_nSize == 0 || record.m_nSize == kUnknownSize) {
        return;
    }
    if (record.m_class == RecordClass::ArcFile ? !m_bArchives
                                               : record.m_class != RecordClass::File) {
        return;
    }
    const SCopiesRef ref{static_cast<std::uint32_t>(m_nMedium), ordinal};
    if (record.HasCrc()) {
        SCrcEntry entry;
        entry.SetSize(record.m_nSize);
        entry.m_dwCrc = record.m_dwExtValue;
        entry.m_ref = ref;
        m_staging.m_crc.push_back(entry);
        return;
    }
    record.DecodeName();
    m_staging.m_names.push_back(
        {NameKey(record.m_strName, m_strFolded), record.m_nSize, record.m_ftLastWrite, ref});
}

void CCopiesCollector::EndMedium(SRecordFacts& medium) {
    if (m_blocks.empty()) {
        return;
    }
    const SBlock block = m_blocks.back();
    m_blocks.pop_back();
    if (block.m_class == RecordClass::Volume && block.m_nIndex >= 0) {
        SCopiesMedium& entry = m_media[static_cast<std::size_t>(block.m_nIndex)];
        entry.m_strLabel = medium.m_volume.m_strLabel;
        entry.m_strOrgLabel = medium.m_volume.m_strOrgLabel;
        entry.m_dwSerial = medium.m_volume.m_dwSerial;
        entry.m_strName = medium.m_strName;
        entry.m_dwFlags = medium.m_dwFlags;
        m_nMedium = -1;
    } else if (block.m_class == RecordClass::Group && block.m_nIndex >= 0) {
        m_groups[static_cast<std::size_t>(block.m_nIndex)].m_strLabel = medium.m_volume.m_strLabel;
    }
}

// Files that may match by name have equal folded names and sizes, so those two pick the
// partition; the name's key is a hash already, mixed with the size once more.
void CCopiesCollector::PartitionNames(std::span<const SNameEntry> in, std::span<SNameEntry> out,
                                      std::vector<std::uint32_t>& ends) {
    constexpr std::size_t kPartitions = CCrcContentTable::kPartitions;
    const auto partitionOf = [](const SNameEntry& e) {
        return static_cast<std::size_t>(
            ((e.m_nNameHash ^ (e.m_nSize * 0x9E3779B97F4A7C15ULL)) * 0xC2B2AE3D27D4EB4FULL) >>
            (64 - std::countr_zero(kPartitions)));
    };
    ScatterByPartition(in, out, kPartitions, ends, partitionOf,
                       [](const SNameEntry& entry) { return entry; });
}

std::string CCopiesCollector::GroupPath(std::int32_t group) const {
    std::string path;
    for (std::int32_t g = group; g >= 0; g = m_groups[static_cast<std::size_t>(g)].m_nParent) {
        const std::string& label = m_groups[static_cast<std::size_t>(g)].m_strLabel;
        path = path.empty() ? label : label + "\\" + path;
    }
    return path;
}

void CCopiesCollector::Finish(const SSinkResult& result) {
    // Group labels come after the media inside them, so paths are made at the end.
    for (std::size_t i = 0; i < m_media.size(); ++i) {
        const std::string group = GroupPath(m_mediumGroups[i]);
        m_media[i].m_strPath =
            group.empty() ? m_media[i].m_strLabel : group + "\\" + m_media[i].m_strLabel;
    }
    m_bFinished = result.Usable();
    if (m_bFinished) {
        // Sorted or partitioned here, on the worker that read the file, so that the
        // report only merges or counts; the kept list takes exactly the room it needs.
        if (m_layout == ECrcLayout::Partitioned) {
            m_tallies.resize(m_staging.m_crc.size());
            CCrcContentTable::Partition(m_staging.m_crc, m_tallies, m_partitionEnds);
            m_names.resize(m_staging.m_names.size());
            PartitionNames(m_staging.m_names, m_names, m_namePartitionEnds);
        } else {
            m_crc.resize(m_staging.m_crc.size());
            CCrcRunMerge::SortRun(m_staging.m_crc, m_crc);
            m_names.assign(m_staging.m_names.begin(), m_staging.m_names.end());
        }
    }
}

} // namespace quillora
