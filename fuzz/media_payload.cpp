// Fuzz target: the clipboard's media payload on arbitrary bytes. Any input must end in
// whole records and a reason, never a crash, a hang or a huge allocation; the records
// that were read must write and read back the same.
#include "model/CMediaPayload.h"
#include "model/SFileInfo.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quillora::SMediaPayload read = quillora::ReadMediaPayload({data, size}, nullptr);
    std::vector<const quillora::SFileInfo*> records;
    for (const auto& record : read.m_records) {
        records.push_back(record.get());
    }
    const std::string bytes = quillora::WriteMediaPayload(records);
    const auto* raw = reinterpret_cast<const std::uint8_t*>(bytes.data());
    quillora::SMediaPayload back = quillora::ReadMediaPayload({raw, bytes.size()}, nullptr);
    std::vector<const quillora::SFileInfo*> again;
    for (const auto& record : back.m_records) {
        again.push_back(record.get());
    }
    if (!back.Complete() || quillora::WriteMediaPayload(again) != bytes) {
        std::abort();
    }
    return 0;
}
