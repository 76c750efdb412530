// Record pool: one free list per size class of 8 bytes, refilled from 64 KiB blocks
// that live as long as the process (a closed case's slots serve the next one).
#include "model/RecordPool.h"

#include <array>
#include <cstdint>
#include <mutex>
#include <new>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define QUILLORA_RECORD_POOL 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLORA_RECORD_POOL 0
#endif
#endif
#ifndef QUILLORA_RECORD_POOL
#define QUILLORA_RECORD_POOL 1
#endif

namespace quillora {

namespace {

// Records hold 64-bit integers and pointers and need no more than 8-byte alignment.
constexpr std::size_t kGranule = 8;
constexpr std::size_t kClasses = CRecordPool::kMaxPooledSize / kGranule;
constexpr std::size_t kBlockSize = 64 * 1024;

struct SFreeSlot {
    SFreeSlot* m_next;
};

struct SSizeClass {
    SFreeSlot* m_free = nullptr;
    char* m_bump = nullptr; // the untouched rest of the newest block
    char* m_end = nullptr;
};

struct SPool {
    std::mutex m_lock;
    std::array<SSizeClass, kClasses> m_classes;
    std::vector<void*> m_blocks; // kept reachable; never given back
};

SPool& Pool() {
    // Never destroyed: records of static objects may be freed after other statics.
    static SPool* pool = new SPool;
    return *pool;
}

std::size_t ClassOf(std::size_t size) {
    return (size + kGranule - 1) / kGranule - 1;
}

} // namespace

bool CRecordPool::Enabled() {
    return QUILLORA_RECORD_POOL != 0;
}

void* CRecordPool::Allocate(std::size_t size) {
    if (!Enabled() || size == 0 || size > kMaxPooledSize) {
        return ::operator new(size);
    }
    const std::size_t index = ClassOf(size);
    const std::size_t slot = (index + 1) * kGranule;
    SPool& pool = Pool();
    std::lock_guard lock(pool.m_lock);
    SSizeClass& cls = pool.m_classes[index];
    if (cls.m_free) {
        SFreeSlot* taken = cls.m_free;
        cls.m_free = taken->m_next;
        return taken;
    }
    if (cls.m_bump == nullptr || static_cast<std::size_t>(cls.m_end - cls.m_bump) < slot) {
        pool.m_blocks.reserve(pool.m_blocks.size() + 1);
        auto* block = static_cast<char*>(::operator new(kBlockSize));
        pool.m_blocks.push_back(block);
        cls.m_bump = block;
        cls.m_end = block + kBlockSize / slot * slot;
    }
    void* memory = cls.m_bump;
    cls.m_bump += slot;
    return memory;
}

void CRecordPool::Free(void* memory, std::size_t size) noexcept {
    if (!memory) {
        return;
    }
    if (!Enabled() || size == 0 || size > kMaxPooledSize) {
        ::operator delete(memory);
        return;
    }
    SPool& pool = Pool();
    std::lock_guard lock(pool.m_lock);
    SSizeClass& cls = pool.m_classes[ClassOf(size)];
    auto* slot = static_cast<SFreeSlot*>(memory);
    slot->m_next = cls.m_free;
    cls.m_free = slot;
}

} // namespace quillora
