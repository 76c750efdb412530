// A case stream over bytes in memory: the clipboard's media payload is written into
// one and read from one with the same archive reader and writer as case files.
#pragma once

#include "model/CaseStream.h"

#include <span>
#include <string>

namespace quillora {

class CMemoryCaseStream : public ICaseStream {
public:
    // An empty stream to write into.
    CMemoryCaseStream() = default;
    // A stream reading a copy of `bytes`.
    explicit CMemoryCaseStream(std::span<const std::uint8_t> bytes)
        : m_bytes(bytes.begin(), bytes.end()) {}

    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    void Flush() override {}
    void Close() override {}
    void Abort() override {}
    std::uint64_t GetLength() override { return m_bytes.size(); }
    const std::string& GetFilePath() const override { return m_strName; }

    const std::string& Bytes() const { return m_bytes; }

private:
    std::string m_bytes;
    std::size_t m_nPos = 0;
    std::string m_strName = "clipboard";
};

} // namespace quillora
