// Fuzz target: the compound-document property reader on arbitrary files and sections.
// Any input must end in values or nothing, never a crash, a read past a buffer or a
// hang.
#include "extract/ExtractFile.h"
#include "extract/OfficePropertyReader.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillora;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::vector<COfficePropertyReader::SValue> values;
    COfficePropertyReader::ParseSection(bytes, 0, values);

    static const int fd = memfd_create("office", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0 ||
        pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) {
        return 0;
    }
    CExtractFile file;
    if (file.Open("/proc/self/fd/" + std::to_string(fd))) {
        COfficePropertyReader reader;
        reader.Read(file);
        reader.Dump();
    }
    return 0;
}
