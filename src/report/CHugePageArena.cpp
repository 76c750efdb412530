// A pointer bump in huge-page chunks, under a lock for the workers that share the arena.
#include "report/CHugePageArena.h"

#include <algorithm>
#include <cstdint>

namespace quillora {

namespace {

constexpr std::size_t kChunk = std::size_t{32} << 20;

std::size_t RoundUp(std::size_t value, std::size_t to) {
    return (value + to - 1) / to * to;
}

} // namespace

std::size_t CHugePageArena::BytesTaken() const {
    std::lock_guard guard(m_lock);
    return m_nTaken;
}

void CHugePageArena::NewChunk(std::size_t atLeast) {
    CHugePageBlock& chunk = m_chunks.emplace_back(std::max(atLeast, kChunk));
    m_pNext = chunk.Data();
    m_pEnd = m_pNext + chunk.Size();
}

void* CHugePageArena::do_allocate(std::size_t bytes, std::size_t alignment) {
    std::lock_guard guard(m_lock);
    auto at = reinterpret_cast<std::uintptr_t>(m_pNext);
    at = RoundUp(at, alignment);
    if (m_pNext == nullptr || at + bytes > reinterpret_cast<std::uintptr_t>(m_pEnd)) {
        NewChunk(bytes);
        at = reinterpret_cast<std::uintptr_t>(m_pNext);
    }
    m_pNext = reinterpret_cast<char*>(at + bytes);
    m_nTaken += bytes;
    return reinterpret_cast<void*>(at);
}

} // namespace quillora
