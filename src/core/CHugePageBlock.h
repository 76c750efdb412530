// CHugePageBlock: one anonymous mapping, aligned and advised so that the kernel can back
// it with huge pages. Memory filled once by the hundred megabytes otherwise takes a page
// fault every 4 KiB, and on a virtual machine those faults cost more than the filling.
#pragma once

#include <cstddef>

namespace quillora {

class CHugePageBlock {
public:
    static constexpr std::size_t kHugePage = std::size_t{2} << 20;

    CHugePageBlock() = default;
    // At least `bytes`, rounded up to whole huge pages; throws std::bad_alloc.
    explicit CHugePageBlock(std::size_t bytes);
    CHugePageBlock(CHugePageBlock&& other) noexcept;
    CHugePageBlock& operator=(CHugePageBlock&& other) noexcept;
    CHugePageBlock(const CHugePageBlock&) = delete;
    CHugePageBlock& operator=(const CHugePageBlock&) = delete;
    ~CHugePageBlock();

    char* Data() const { return m_pBase; }
    std::size_t Size() const { return m_nSize; }

private:
    void Release();

    char* m_pBase = nullptr;
    std::size_t m_nSize = 0;
};

} // namespace quillora
