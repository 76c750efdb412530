// Fuzz target: a case file read through the gzip stream, as every ".cas" is opened.
// Any input (damaged headers, cut or wrong trailers, data after the end) must end in
// a case or in one of the reader's exceptions: never a crash, a hang or a huge
// allocation.
#include "model/CCDCase.h"
#include "model/CXFileZlib.h"
#include "model/CaseStream.h"
#include "model/FileException.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

class NullStream : public quillora::ICaseStream {
public:
    std::size_t Read(void*, std::size_t) override { return 0; }
    void Write(const void*, std::size_t) override {}
    void Flush() override {}
    void Close() override {}
    void Abort() override {}
    std::uint64_t GetLength() override { return 0; }
    const std::string& GetFilePath() const override { return m_path; }

private:
    std::string m_path = "null.cas";
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    int fd = ::memfd_create("fuzz-case", MFD_CLOEXEC);
    if (fd < 0) {
        return 0;
    }
    if (::write(fd, data, size) != static_cast<ssize_t>(size)) {
        ::close(fd);
        return 0;
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    quillora::SetTryPassword("");
    try {
        quillora::CXFileZlib in;
        in.Open(path, quillora::kOpenForLoad);
        std::unique_ptr<quillora::CCDCase> root = quillora::CCDCase::Read(in, "fuzz.cas");
        in.Close();
        NullStream out;
        try {
            root->Write(out);
        } catch (const quillora::CFileException&) {
            // A stored password that cannot be written back is refused, not altered.
        }
    } catch (const std::exception&) {
    }
    ::close(fd);
    return 0;
}
