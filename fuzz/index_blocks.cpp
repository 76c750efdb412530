// Fuzz target: the readers of the index's stored blocks, as a damaged index file hands
// them over: a record block, a media block and a trigram bucket. None may read outside
// its bytes, allocate without bound or name a parent after its record.
// Input: one byte choosing the reader, then the block's bytes.
#include "index/CRecordBlocks.h"
#include "index/CTrigramLists.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    using namespace quillora;
    switch (data[0] % 3) {
    case 0: {
        std::vector<SIndexedRecord> out;
        std::size_t first = 0;
        const std::size_t total = 1000;
        if (CRecordBlocks::DecodeBlock(bytes, 4, total, out, first)) {
            for (std::size_t i = 0; i < out.size(); ++i) {
                const SIndexedRecord& r = out[i];
                if (first + i >= total ||
                    (r.m_nParent != SIndexedRecord::kNoParent && r.m_nParent >= first + i) ||
                    r.m_nMedium >= 4) {
                    std::abort();
                }
            }
        }
        break;
    }
    case 1: {
        std::vector<SIndexedMedium> media;
        CRecordBlocks::DecodeMedia(bytes, media);
        break;
    }
    default: {
        std::vector<std::uint32_t> list;
        for (std::uint32_t gram : {0x616263u, 0x000000u, 0xffffffu}) {
            list.clear();
            if (CTrigramLists::Find(bytes, gram, list)) {
                for (std::size_t i = 1; i < list.size(); ++i) {
                    if (list[i] < list[i - 1]) {
                        std::abort();
                    }
                }
            }
        }
        break;
    }
    }
    return 0;
}
