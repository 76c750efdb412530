// Looking up the records of a folder as the case held it.
#include "scan/PreviousFolder.h"

#include "core/Text.h"
#include "model/SFileInfo.h"

#include <algorithm>

namespace quillora {

CPreviousFolder::CPreviousFolder(const SFileInfo* folder)
    : m_folder(folder), m_count(folder ? folder->ChildCount() : 0), m_taken(m_count, false) {}

bool CPreviousFolder::TakeAt(std::size_t index) {
    if (m_taken[index]) {
        return false;
    }
    m_taken[index] = true;
    return true;
}

void CPreviousFolder::BuildTable() {
    m_tableBuilt = true;
    m_byFoldedName.reserve(m_count);
    for (std::size_t i = 0; i < m_count; ++i) {
        m_byFoldedName.emplace(text::AsciiLower(m_folder->ChildAt(i)->GetName()),
                               static_cast<std::uint32_t>(i));
    }
}

const SFileInfo* CPreviousFolder::Take(std::string_view name) {
    while (m_cursor < m_count && m_taken[m_cursor]) {
        ++m_cursor;
    }
    if (m_cursor < m_count && m_folder->ChildAt(m_cursor)->GetName() == name) {
        TakeAt(m_cursor);
        return m_folder->ChildAt(m_cursor++);
    }
    if (m_count == 0) {
        return nullptr;
    }
    if (!m_tableBuilt) {
        BuildTable();
    }
    // Equal range order is not the insertion order: pick the lowest free index of an
    // exact match, else of any match.
    const auto [first, last] = m_byFoldedName.equal_range(text::AsciiLower(name));
    std::size_t exact = m_count;
    std::size_t folded = m_count;
    for (auto it = first; it != last; ++it) {
        const std::size_t index = it->second;
        if (m_taken[index]) {
            continue;
        }
        if (m_folder->ChildAt(index)->GetName() == name) {
            exact = std::min(exact, index);
        } else {
            folded = std::min(folded, index);
        }
    }
    const std::size_t chosen = exact < m_count ? exact : folded;
    if (chosen == m_count) {
        return nullptr;
    }
    TakeAt(chosen);
    return m_folder->ChildAt(chosen);
}

std::vector<const SFileInfo*> CPreviousFolder::Untaken() const {
    std::vector<const SFileInfo*> left;
    for (std::size_t i = 0; i < m_count; ++i) {
        if (!m_taken[i]) {
            left.push_back(m_folder->ChildAt(i));
        }
    }
    return left;
}

} // namespace quillora
