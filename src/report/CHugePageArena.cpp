// Chunks are mapped 2 MiB-aligned so that the kernel can back them with huge pages; where
// it will not (the advice is refused or huge pages are off), they are plain pages.
#include "report/CHugePageArena.h"

#include <cstdint>
#include <new>
#include <sys/mman.h>

namespace quillora {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kChunk = std::size_t{32} << 20;

std::size_t RoundUp(std::size_t value, std::size_t to) {
    return (value + to - 1) / to * to;
}

} // namespace

CHugePageArena::~CHugePageArena() {
    for (const SChunk& chunk : m_chunks) {
        ::munmap(chunk.m_pBase, chunk.m_nSize);
    }
}

std::size_t CHugePageArena::BytesTaken() const {
    std::lock_guard guard(m_lock);
    return m_nTaken;
}

void CHugePageArena::NewChunk(std::size_t atLeast) {
    const std::size_t size = RoundUp(std::max(atLeast, kChunk), kHugePage);
    // Map a huge page more than needed and cut the ends off to align the chunk.
    void* mapped = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        throw std::bad_alloc();
    }
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = RoundUp(start, kHugePage);
    if (aligned > start) {
        ::munmap(mapped, aligned - start);
    }
    const std::size_t tail = kHugePage - (aligned - start);
    if (tail > 0) {
        ::munmap(reinterpret_cast<void*>(aligned + size), tail);
    }
    void* base = reinterpret_cast<void*>(aligned);
    ::madvise(base, size, MADV_HUGEPAGE); // advice only: plain pages work as well
    m_chunks.push_back({base, size});
    m_pNext = static_cast<char*>(base);
    m_pEnd = m_pNext + size;
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
