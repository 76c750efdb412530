// CHugePageArena: memory for the copies report's entry lists, taken from the system in
// large chunks that are advised to be backed by huge pages. Millions of entries filled
// once and kept to the end otherwise take a page fault every 4 KiB, and on a virtual
// machine those faults were a quarter of the report's time.
#pragma once

#include "core/CHugePageBlock.h"

#include <cstddef>
#include <memory_resource>
#include <mutex>
#include <vector>

namespace quillora {

// Monotonic and thread-safe: deallocation gives nothing back; every chunk goes with the
// arena, which must outlive everything allocated from it.
class CHugePageArena : public std::pmr::memory_resource {
public:
    CHugePageArena() = default;
    CHugePageArena(const CHugePageArena&) = delete;
    CHugePageArena& operator=(const CHugePageArena&) = delete;
    ~CHugePageArena() override = default;

    // Bytes handed out so far (what the lists took, not the chunks' address space).
    std::size_t BytesTaken() const;

private:
    void* do_allocate(std::size_t bytes, std::size_t alignment) override;
    void do_deallocate(void*, std::size_t, std::size_t) override {}
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override {
        return this == &other;
    }
    void NewChunk(std::size_t atLeast);

    mutable std::mutex m_lock;
    std::vector<CHugePageBlock> m_chunks;
    char* m_pNext = nullptr;
    char* m_pEnd = nullptr;
    std::size_t m_nTaken = 0;
};

} // namespace quillora
