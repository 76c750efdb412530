// Storage for catalogue records: fixed-size slots carved from large blocks, so that
// a record costs its own size and no allocator header. A case holds millions of
// records of two or three sizes; freed slots are reused by the next record.
#pragma once

#include <cstddef>

namespace quillora {

class CRecordPool {
public:
    // Objects up to this size come from the pool; larger ones from the heap.
    static constexpr std::size_t kMaxPooledSize = 256;

    // Memory for one object of `size` bytes, aligned for any record. Throws
    // std::bad_alloc when the system has none. Safe from any thread.
    static void* Allocate(std::size_t size);

    // Gives back memory from Allocate with the same size. Safe from any thread.
    static void Free(void* memory, std::size_t size) noexcept;

    // Whether the pool is in use (off under the address sanitizer, which must see
    // every record as a heap object of its own to find uses after free).
    static bool Enabled();
};

} // namespace quillora
