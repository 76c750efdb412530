// Building the node table as the case streams past: nodes in file order, then the
// children, the shown names and the lookup hash once the last record is in.
#include "mount/CNodeTableBuilder.h"

#include "model/CCDCase.h"
#include "model/CCaseReader.h"
#include "model/CaseFile.h"
#include "platform/OsPath.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/stat.h>

namespace quillora {

namespace {

// The longest name the kernel takes in one path component.
constexpr std::size_t kMaxNameBytes = 255;

// A stored name made a Linux file name: "/" (which no name may hold) becomes the
// division slash that looks like it, a NUL byte "_", names that are nothing or the
// folder links themselves get a "_", and long names are cut at a character boundary.
std::string UsableName(std::string name) {
    std::string out;
    out.reserve(name.size());
    for (char c : name) {
        if (c == '/') {
            out += "\xE2\x88\x95";
        } else if (c == '\0') {
            out += '_';
        } else {
            out += c;
        }
    }
    if (out.empty() || out == "." || out == "..") {
        out += '_';
    }
    if (out.size() > kMaxNameBytes) {
        std::size_t cut = kMaxNameBytes;
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        out.resize(cut);
    }
    return out;
}

// Most names are plain ASCII that Linux takes as it is: no copy, no conversion.
bool UsableAsIs(std::string_view name) {
    if (name.empty() || name.size() > kMaxNameBytes || name == "." || name == "..") {
        return false;
    }
    for (char c : name) {
        if (c == '/' || c == '\\' || c == '\0' || static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

// Asks for huge pages under a large array about to be filled: a million records fault
// in 16,000 small pages otherwise, which costs more than filling them.
void AdviseHugePages(const void* data, std::size_t bytes) {
    constexpr std::uintptr_t kHuge = 2u << 20;
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kHuge - 1) & ~(kHuge - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kHuge - 1);
    if (end > begin) {
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    }
}

std::string_view Tail(std::string_view name) {
    const std::size_t slash = name.rfind('\\');
    return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

} // namespace

CNodeTableBuilder::CNodeTableBuilder(std::string casePath)
    : m_table(std::make_unique<CNodeTable>()) {
    m_table->m_strCasePath = std::move(casePath);
}

void CNodeTableBuilder::Reserve(std::uint64_t caseBytes) {
    // A stored record takes at least 40 bytes; untouched room costs address space only.
    const std::uint64_t records = std::min<std::uint64_t>(caseBytes / 40 + 16, kNoNode - 1);
    m_table->m_nodes.reserve(records);
    AdviseHugePages(m_table->m_nodes.data(), records * sizeof(SMountNode));
    m_table->m_pool.reserve(std::min<std::uint64_t>(caseBytes / 2 + 256, 0xFFFFFFF0u));
    AdviseHugePages(m_table->m_pool.data(), m_table->m_pool.capacity());
}

std::uint32_t CNodeTableBuilder::PoolAppend(std::string_view text) {
    std::string& pool = m_table->m_pool;
    if (pool.size() + text.size() > 0xFFFFFFF0u) {
        throw std::length_error("the case holds more than 4 GiB of names and texts, more "
                                "than one mount can serve");
    }
    const auto offset = static_cast<std::uint32_t>(pool.size());
    pool.append(text);
    return offset;
}

std::uint32_t CNodeTableBuilder::Add(SRecordFacts& facts) {
    std::vector<SMountNode>& nodes = m_table->m_nodes;
    if (nodes.size() >= kNoNode - 1) {
        throw std::length_error("the case holds more records than one mount can serve");
    }
    SMountNode node;
    node.m_nSize = facts.m_nSize;
    node.m_ftLastWrite = facts.m_ftLastWrite;
    node.m_ftCreation = facts.m_ftCreation;
    node.m_ftLastAccess = facts.m_ftLastAccess;
    node.m_nParent = m_open.empty() ? kNoNode : m_open.back();
    node.m_dwFlags = facts.m_dwFlags;
    node.m_wArcType = facts.m_wArcType;
    node.m_class = facts.m_class;
    node.m_nName = PoolAppend(facts.m_strName);
    node.m_nNameLength = static_cast<std::uint32_t>(facts.m_strName.size());
    const auto index = static_cast<std::uint32_t>(nodes.size());
    nodes.push_back(node);
    Complete(index, facts);
    return index;
}

void CNodeTableBuilder::Complete(std::uint32_t index, SRecordFacts& facts) {
    const bool wanted = facts.HasCrc() || !facts.m_strComment.empty() ||
                        !facts.m_strCategory.empty() || !facts.m_strArcText.empty();
    SMountNode& node = m_table->m_nodes[index];
    if (!wanted && node.m_nExtra == kNoNode) {
        return;
    }
    if (node.m_nExtra == kNoNode) {
        node.m_nExtra = static_cast<std::uint32_t>(m_table->m_extras.size());
        m_table->m_extras.emplace_back();
    }
    CNodeTable::SExtra& extra = m_table->m_extras[node.m_nExtra];
    extra.m_bHasCrc = facts.HasCrc();
    extra.m_dwCrc = facts.m_dwExtValue;
    auto text = [this](const std::string& value, std::uint32_t& offset, std::uint32_t& length) {
        if (value.size() == length && m_table->PoolText(offset, length) == value) {
            return;
        }
        offset = PoolAppend(value);
        length = static_cast<std::uint32_t>(value.size());
    };
    text(facts.m_strComment, extra.m_nComment, extra.m_nCommentLength);
    text(facts.m_strCategory, extra.m_nCategory, extra.m_nCategoryLength);
    text(facts.m_strArcText, extra.m_nArcPrefix, extra.m_nArcPrefixLength);
}

void CNodeTableBuilder::BeginMedium(SRecordFacts& medium) {
    m_open.push_back(Add(medium));
}

void CNodeTableBuilder::EnterFolder(SRecordFacts& folder) {
    m_open.push_back(Add(folder));
}

void CNodeTableBuilder::Entry(SRecordFacts& record) {
    Add(record);
}

void CNodeTableBuilder::LeaveFolder(SRecordFacts& folder) {
    Complete(m_open.back(), folder);
    m_open.pop_back();
}

void CNodeTableBuilder::EndMedium(SRecordFacts& medium) {
    const std::uint32_t index = m_open.back();
    m_open.pop_back();
    Complete(index, medium);
    if (medium.m_class == RecordClass::Case) {
        m_table->m_nodes[index].m_nSize = medium.m_nSize;
        return;
    }
    // Media and groups are shown by their label, complete only now.
    std::string label = medium.m_volume.m_strLabel;
    if (label.empty()) {
        label = medium.m_volume.m_strOrgLabel;
    }
    const std::string shown = UsableName(OsNameFromModel(label));
    m_table->m_nodes[index].m_bRenamed = true;
    m_table->m_shown[index] = {PoolAppend(shown), static_cast<std::uint32_t>(shown.size())};
    if (medium.m_class == RecordClass::Volume) {
        SMediumFacts facts;
        facts.m_nNode = index;
        facts.m_dwFlags = medium.m_dwFlags;
        facts.m_strName = medium.m_strName;
        facts.m_volume = medium.m_volume;
        m_table->m_media.push_back(std::move(facts));
    }
}

void CNodeTableBuilder::Finish(const SSinkResult& result) {
    if (!result.Usable() || m_table->m_nodes.empty()) {
        m_table.reset();
        return;
    }
    LinkChildren();
    NameSiblings();
}

void CNodeTableBuilder::LinkChildren() {
    std::vector<SMountNode>& nodes = m_table->m_nodes;
    for (std::size_t i = 1; i < nodes.size(); ++i) {
        ++nodes[nodes[i].m_nParent].m_nChildCount;
    }
    std::uint32_t next = 0;
    for (SMountNode& node : nodes) {
        node.m_nFirstChild = next;
        next += node.m_nChildCount;
        node.m_nChildCount = 0;
    }
    m_table->m_children.reserve(next);
    AdviseHugePages(m_table->m_children.data(), next * sizeof(std::uint32_t));
    m_table->m_children.assign(next, 0);
    for (std::size_t i = 1; i < nodes.size(); ++i) {
        SMountNode& parent = nodes[nodes[i].m_nParent];
        m_table->m_children[parent.m_nFirstChild + parent.m_nChildCount++] =
            static_cast<std::uint32_t>(i);
    }
}

void CNodeTableBuilder::NameSiblings() {
    const std::size_t count = m_table->m_nodes.size();
    const std::size_t slots = std::bit_ceil(std::max<std::size_t>(count * 2, 16));
    m_table->m_slots.reserve(slots);
    AdviseHugePages(m_table->m_slots.data(), slots * sizeof(std::uint64_t));
    m_table->m_slots.assign(slots, CNodeTable::kEmptySlot);
    std::string scratch;
    for (std::uint32_t i = 1; i < count; ++i) {
        SMountNode& node = m_table->m_nodes[i];
        if (!node.m_bRenamed && !UsableAsIs(m_table->StoredName(i))) {
            const std::string_view stored = m_table->StoredName(i);
            const std::string_view tail = Tail(stored);
            scratch = UsableName(OsNameFromModel(tail));
            if (scratch != stored) {
                node.m_bRenamed = true;
                m_table->m_shown[i] = {PoolAppend(scratch),
                                       static_cast<std::uint32_t>(scratch.size())};
            }
        }
        Insert(i);
    }
}

void CNodeTableBuilder::Insert(std::uint32_t index) {
    CNodeTable& table = *m_table;
    const std::uint32_t parent = table.m_nodes[index].m_nParent;
    std::string_view name = table.ShownName(index);
    std::uint64_t hash = CNodeTable::HashOf(parent, name);
    std::size_t slot = table.Probe(parent, name, hash);
    if (table.m_slots[slot] != CNodeTable::kEmptySlot) {
        const std::string base(name);
        std::string renamed;
        for (unsigned n = 2;; ++n) {
            renamed = base + " (" + std::to_string(n) + ")";
            hash = CNodeTable::HashOf(parent, renamed);
            slot = table.Probe(parent, renamed, hash);
            if (table.m_slots[slot] == CNodeTable::kEmptySlot) {
                break;
            }
        }
        table.m_nodes[index].m_bRenamed = true;
        table.m_shown[index] = {PoolAppend(renamed), static_cast<std::uint32_t>(renamed.size())};
    }
    table.m_slots[slot] = (hash & 0xFFFFFFFF00000000ull) | index;
}

std::unique_ptr<CNodeTable> CNodeTableBuilder::Read(const std::string& path,
                                                    const std::string& password) {
    const std::string full = FullCasePath(path);
    std::unique_ptr<ICaseStream> stream = OpenCaseStream(full, kOpenForLoad, false);
    CCDCase::SPasswordCheck check{password, {}};
    CNodeTableBuilder builder(full);
    struct stat st {};
    if (::stat(full.c_str(), &st) == 0) {
        builder.Reserve(static_cast<std::uint64_t>(st.st_size));
    }
    try {
        CCaseReader::Read(*stream, builder, &check);
        stream->Close();
    } catch (...) {
        try {
            stream->Abort();
        } catch (...) {
        }
        throw;
    }
    std::unique_ptr<CNodeTable> table = builder.Take();
    if (!table) {
        throw std::runtime_error(full + ": the case file holds no case");
    }
    return table;
}

} // namespace quillora
