// The mapping is 2 MiB-aligned; where the kernel will not back it with huge pages (the
// advice is refused or huge pages are off), it is plain pages and works the same.
#include "core/CHugePageBlock.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <sys/mman.h>
#include <utility>

namespace quillora {

namespace {

std::size_t RoundUp(std::size_t value, std::size_t to) {
    return (value + to - 1) / to * to;
}

} // namespace

CHugePageBlock::CHugePageBlock(std::size_t bytes) {
    const std::size_t size = RoundUp(std::max<std::size_t>(bytes, 1), kHugePage);
    // Map a huge page more than needed and cut the ends off to align the block.
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
    m_pBase = reinterpret_cast<char*>(aligned);
    m_nSize = size;
    ::madvise(m_pBase, m_nSize, MADV_HUGEPAGE); // advice only
}

CHugePageBlock::CHugePageBlock(CHugePageBlock&& other) noexcept
    : m_pBase(std::exchange(other.m_pBase, nullptr)), m_nSize(std::exchange(other.m_nSize, 0)) {}

CHugePageBlock& CHugePageBlock::operator=(CHugePageBlock&& other) noexcept {
    if (this != &other) {
        Release();
        m_pBase = std::exchange(other.m_pBase, nullptr);
        m_nSize = std::exchange(other.m_nSize, 0);
    }
    return *this;
}

CHugePageBlock::~CHugePageBlock() {
    Release();
}

void CHugePageBlock::Release() {
    if (m_pBase != nullptr) {
        ::munmap(m_pBase, m_nSize);
    }
    m_pBase = nullptr;
    m_nSize = 0;
}

} // namespace quillora
