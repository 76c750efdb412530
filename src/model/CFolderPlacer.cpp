// Placement by path: the levels of a path found among a folder's children, by a search
// while the folder is small and by a name index of open addressing once it is large,
// so that a listing of a hundred thousand names in one folder costs a probe or two a
// name.
#include "model/CFolderPlacer.h"

#include "core/Text.h"
#include "model/SFileInfo.h"

#include <algorithm>
#include <cstring>
#include <deque>

namespace quillora {

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// The first "\" or "/" of a path, or npos. (The standard find_first_of looks each byte
// up in the set with a call of its own.)
std::size_t FirstSeparator(std::string_view path) {
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (IsSeparator(path[i])) {
            return i;
        }
    }
    return std::string_view::npos;
}

// A hash of a name, eight bytes a step (names are short; the index compares the names
// themselves when hashes meet).
std::uint32_t NameHash(std::string_view name) {
    std::uint64_t h = 0x9E3779B97F4A7C15ULL ^ name.size();
    const char* p = name.data();
    std::size_t n = name.size();
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        h = (h ^ word) * 0xBF58476D1CE4E5B9ULL;
        h ^= h >> 29;
    }
    if (n > 0) {
        // The last bytes: as the last eight of the name when it has them, else one by one.
        std::uint64_t word = 0;
        if (name.size() >= 8) {
            std::memcpy(&word, name.data() + name.size() - 8, 8);
        } else {
            for (std::size_t i = 0; i < n; ++i) {
                word = word << 8 | static_cast<unsigned char>(p[i]);
            }
        }
        h = (h ^ word) * 0xBF58476D1CE4E5B9ULL;
    }
    h ^= h >> 32;
    h *= 0x94D049BB133111EBULL;
    return static_cast<std::uint32_t>(h >> 32);
}

} // namespace

// The children of one folder by name: open addressing over their positions in the
// folder. Names may repeat (an archive may list a folder twice). Children are put in
// the order of their positions, also when the table grows, so that along a probe the
// first child that matches is the first in the folder.
class CFolderPlacer::CChildIndex {
public:
    template <class FMatches>
    SFileInfo* Find(const SFileInfo& parent, std::uint32_t hash, FMatches matches) const {
        if (m_slots.empty()) {
            return nullptr;
        }
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const std::uint64_t slot = m_slots[i];
            if (slot == 0) {
                return nullptr;
            }
            if (static_cast<std::uint32_t>(slot >> 32) == hash) {
                SFileInfo* child = parent.ChildAt(static_cast<std::uint32_t>(slot) - 1);
                if (matches(*child)) {
                    return child;
                }
            }
        }
    }
    // Adds the child at the next position.
    [[gnu::always_inline]] void Add(std::uint32_t hash) {
        if ((m_nCount + 1) * 2 > m_slots.size()) {
            Grow();
        }
        ++m_nCount;
        Put(static_cast<std::uint64_t>(hash) << 32 | m_nCount);
    }
    // Children at positions below this are in the index.
    std::size_t Covered() const { return m_nCount; }

private:
    void Grow() {
        std::vector<std::uint64_t> old(std::max<std::size_t>(64, m_slots.size() * 2), 0);
        old.swap(m_slots);
        old.erase(std::remove(old.begin(), old.end(), 0), old.end());
        std::sort(old.begin(), old.end(), [](std::uint64_t a, std::uint64_t b) {
            return static_cast<std::uint32_t>(a) < static_cast<std::uint32_t>(b);
        });
        for (std::uint64_t slot : old) {
            Put(slot);
        }
    }
    void Put(std::uint64_t slot) {
        const std::size_t mask = m_slots.size() - 1;
        std::size_t i = static_cast<std::uint32_t>(slot >> 32) & mask;
        while (m_slots[i] != 0) {
            i = (i + 1) & mask;
        }
        m_slots[i] = slot;
    }

    // (hash << 32) | (position + 1); 0 is a free slot.
    std::vector<std::uint64_t> m_slots;
    std::size_t m_nCount = 0;
};

// What the placer keeps about a folder it made or that holds many children, by the
// folder's address: open addressing, since a list makes tens of thousands of folders.
class CFolderPlacer::CFolderTable {
public:
    struct SState {
        CChildIndex m_index; // filled once the folder has more than kIndexFrom children
        bool m_bMade = false;
    };

    SState* Find(const SFileInfo* folder) const {
        if (m_slots.empty()) {
            return nullptr;
        }
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = Hash(folder) & mask;; i = (i + 1) & mask) {
            if (m_slots[i].m_pFolder == folder) {
                return m_slots[i].m_pState;
            }
            if (!m_slots[i].m_pFolder) {
                return nullptr;
            }
        }
    }
    // The folder's state, made when it has none.
    SState& Get(const SFileInfo* folder) {
        if (SState* state = Find(folder)) {
            return *state;
        }
        if ((m_states.size() + 1) * 2 > m_slots.size()) {
            std::vector<SSlot> old(std::max<std::size_t>(64, m_slots.size() * 2));
            old.swap(m_slots);
            for (const SSlot& slot : old) {
                if (slot.m_pFolder) {
                    Put(slot);
                }
            }
        }
        SState& state = m_states.emplace_back();
        Put(SSlot{folder, &state});
        return state;
    }

private:
    struct SSlot {
        const SFileInfo* m_pFolder = nullptr;
        SState* m_pState = nullptr;
    };
    static std::size_t Hash(const SFileInfo* folder) {
        std::uint64_t h = reinterpret_cast<std::uintptr_t>(folder) * 0x9E3779B97F4A7C15ULL;
        return static_cast<std::size_t>(h ^ (h >> 32));
    }
    void Put(const SSlot& slot) {
        const std::size_t mask = m_slots.size() - 1;
        std::size_t i = Hash(slot.m_pFolder) & mask;
        while (m_slots[i].m_pFolder) {
            i = (i + 1) & mask;
        }
        m_slots[i] = slot;
    }

    std::vector<SSlot> m_slots;
    std::deque<SState> m_states; // a deque: states stay where they are
};

CFolderPlacer::CFolderPlacer(const SRules& rules, IFolderMaker& maker)
    : m_rules(rules), m_maker(maker), m_folders(std::make_unique<CFolderTable>()) {}

CFolderPlacer::~CFolderPlacer() = default;

bool CFolderPlacer::Matches(const SFileInfo& child, std::string_view name) const {
    if (m_rules.m_match == EMatch::Exact) {
        return child.m_strName == name;
    }
    return child.IsDirectory() && text::EqualsNoCase(child.GetName(), name);
}

CFolderPlacer::SKey CFolderPlacer::KeyFor(std::string_view name) {
    if (m_rules.m_match == EMatch::Exact) {
        return {name, NameHash(name)};
    }
    m_strFolded.assign(name);
    for (char& c : m_strFolded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + ('a' - 'A'));
        }
    }
    return {name, NameHash(m_strFolded)};
}

std::string_view CFolderPlacer::NameOf(const SFileInfo& child) const {
    return m_rules.m_match == EMatch::Exact ? std::string_view(child.m_strName)
                                            : std::string_view(child.GetName());
}

// Inlined: it runs for every look-up in a large folder.
[[gnu::always_inline]] inline CFolderPlacer::CChildIndex&
CFolderPlacer::IndexOf(const SFileInfo& parent) {
    if (&parent != m_pIndexed) {
        m_pIndex = &m_folders->Get(&parent).m_index;
        m_pIndexed = &parent;
    }
    // Records appended since the last look-up join the index now.
    CChildIndex& index = *m_pIndex;
    for (std::size_t i = index.Covered(); i < parent.ChildCount(); ++i) {
        index.Add(KeyFor(NameOf(*parent.ChildAt(i))).m_nHash);
    }
    return index;
}

SFileInfo* CFolderPlacer::Find(const SFileInfo& parent, const SKey& key) {
    if (parent.ChildCount() <= kIndexFrom) {
        for (const auto& child : parent.Children()) {
            if (Matches(*child, key.m_name)) {
                return child.get();
            }
        }
        return nullptr;
    }
    return IndexOf(parent).Find(parent, key.m_nHash,
                                [&](const SFileInfo& child) { return Matches(child, key.m_name); });
}

SFileInfo* CFolderPlacer::Add(SFileInfo& parent, std::unique_ptr<SFileInfo> child,
                              const SKey& key) {
    const std::size_t at = parent.ChildCount();
    SFileInfo* added = parent.AddChild(std::move(child));
    if (&parent == m_pIndexed && m_pIndex->Covered() == at) {
        m_pIndex->Add(key.m_nHash);
    }
    return added;
}

SFileInfo* CFolderPlacer::Add(SFileInfo& parent, std::unique_ptr<SFileInfo> child) {
    const std::size_t at = parent.ChildCount();
    SFileInfo* added = parent.AddChild(std::move(child));
    if (&parent == m_pIndexed && m_pIndex->Covered() == at) {
        m_pIndex->Add(KeyFor(NameOf(*added)).m_nHash);
    }
    return added;
}

bool CFolderPlacer::TakeMade(const SFileInfo& folder) {
    CFolderTable::SState* state = m_folders->Find(&folder);
    if (!state || !state->m_bMade) {
        return false;
    }
    state->m_bMade = false;
    return true;
}

SFileInfo* CFolderPlacer::Place(SFileInfo& start, std::string_view path) {
    SFileInfo* folder = &start;
    std::size_t levels = 0;
    std::string_view rest = path;
    while (!rest.empty()) {
        const std::size_t cut = FirstSeparator(rest);
        const std::string_view level = rest.substr(0, cut);
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
        if (level.empty() || (m_rules.m_bSkipDot && level == ".")) {
            continue;
        }
        if (++levels > m_rules.m_nMaxLevels) {
            return nullptr;
        }
        const SKey key = KeyFor(level);
        if (SFileInfo* next = Find(*folder, key)) {
            m_maker.Found(*next);
            folder = next;
            continue;
        }
        SFileInfo* made = Add(*folder, m_maker.MakeFolder(level), key);
        m_folders->Get(made).m_bMade = true;
        m_maker.Made(*made);
        folder = made;
    }
    m_pLastStart = &start;
    m_strLastPath.assign(path);
    m_pLastFolder = folder;
    return folder;
}

} // namespace quillora
