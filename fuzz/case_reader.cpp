// Fuzz target: the case file reader on arbitrary bytes. Any input must end in a
// case or in one of the reader's exceptions, never a crash, a hang or a huge
// allocation; a case that was read must write and read back the same, and a sink that
// takes names as stored must see, once it decodes them, the names every other sink sees.
#include "model/CCDCase.h"
#include "model/CCaseReader.h"
#include "model/CaseStream.h"
#include "model/IRecordSink.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

namespace {

class BytesStream : public quillora::ICaseStream {
public:
    explicit BytesStream(std::string bytes) : m_bytes(std::move(bytes)) {}
    std::size_t Read(void* buffer, std::size_t count) override {
        std::size_t n = std::min(count, m_bytes.size() - m_pos);
        std::memcpy(buffer, m_bytes.data() + m_pos, n);
        m_pos += n;
        return n;
    }
    void Write(const void* buffer, std::size_t count) override {
        m_bytes.append(static_cast<const char*>(buffer), count);
    }
    void Flush() override {}
    void Close() override {}
    void Abort() override {}
    std::uint64_t GetLength() override { return m_bytes.size(); }
    const std::string& GetFilePath() const override { return m_path; }
    const std::string& Bytes() const { return m_bytes; }

private:
    std::string m_bytes;
    std::size_t m_pos = 0;
    std::string m_path = "fuzz.cas";
};

// The names of the records in the order they come, decoded by the sink itself when it
// takes them as stored.
class NameSink : public quillora::IRecordSink {
public:
    explicit NameSink(bool stored) : m_bStored(stored) {}
    void BeginMedium(quillora::SRecordFacts& r) override { Take(r); }
    void EnterFolder(quillora::SRecordFacts& r) override { Take(r); }
    void Entry(quillora::SRecordFacts& r) override { Take(r); }
    void LeaveFolder(quillora::SRecordFacts&) override {}
    void EndMedium(quillora::SRecordFacts&) override {}
    void Finish(const quillora::SSinkResult&) override { m_bFinished = true; }
    bool TakesStoredNames() const override { return m_bStored; }

    std::vector<std::string> m_names;
    bool m_bFinished = false;

private:
    void Take(quillora::SRecordFacts& r) {
        r.DecodeName();
        m_names.push_back(r.m_strName);
    }
    bool m_bStored;
};

// Whether the stream ran to its end; the names either way.
bool Stream(const std::string& bytes, NameSink& sink) {
    BytesStream in(bytes);
    try {
        quillora::CCaseReader::Read(in, sink);
    } catch (const std::exception&) {
        return false;
    }
    return sink.m_bFinished;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quillora::SetTryPassword("");
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    NameSink decoded(false);
    NameSink stored(true);
    const bool decodedEnded = Stream(bytes, decoded);
    quillora::SetTryPassword("");
    if (Stream(bytes, stored) != decodedEnded || stored.m_names != decoded.m_names) {
        std::abort();
    }
    quillora::SetTryPassword("");
    BytesStream in(bytes);
    std::unique_ptr<quillora::CCDCase> root;
    try {
        root = quillora::CCDCase::Read(in, "fuzz.cas");
    } catch (const std::exception&) {
        return 0;
    }
    BytesStream out{std::string()};
    root->Write(out);
    quillora::SetTryPassword(root->m_strPassword);
    BytesStream again(out.Bytes());
    std::unique_ptr<quillora::CCDCase> back = quillora::CCDCase::Read(again, "fuzz.cas");
    BytesStream out2{std::string()};
    back->Write(out2);
    if (out2.Bytes() != out.Bytes()) {
        std::abort();
    }
    return 0;
}
