// An in-memory case stream for tests, with an optional write failure after a given
// number of bytes (to stand for a full disk).
#pragma once

#include "model/CaseStream.h"

#include <string>

namespace quillora::test {

class MemoryStream : public ICaseStream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::string bytes) : m_bytes(std::move(bytes)) {}

    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    void Flush() override {}
    void Close() override {}
    void Abort() override {}
    std::uint64_t GetLength() override { return m_bytes.size(); }
    const std::string& GetFilePath() const override { return m_path; }

    const std::string& Bytes() const { return m_bytes; }
    // Writes beyond this many bytes fail as if the disk were full.
    void FailWritesAfter(std::size_t limit) { m_limit = limit; }

private:
    std::string m_bytes;
    std::size_t m_pos = 0;
    std::size_t m_limit = static_cast<std::size_t>(-1);
    std::string m_path = "memory.cas";
};

} // namespace quillora::test
