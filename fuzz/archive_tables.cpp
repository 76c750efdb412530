// Fuzz target: the readers of archive headers beside libarchive (ZIP central directory,
// cabinet tables, RAR and ARJ headers) and the first-bytes checks of the probe, on
// arbitrary bytes held in a memory file. None may crash, hang or allocate without
// bound; ARJ members must lie within the file.
#include "scan/ArchiveHead.h"
#include "scan/ArjHeaders.h"
#include "scan/CabDirectory.h"
#include "scan/RarHeaders.h"
#include "scan/ZipDirectory.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = ::memfd_create("archive", MFD_CLOEXEC);
    if (fd < 0) {
        std::abort();
    }
    if (size > 0 && ::write(fd, data, size) != static_cast<ssize_t>(size)) {
        std::abort();
    }
    std::unordered_map<std::string, quillora::SZipMemberFacts> zip;
    quillora::ReadZipDirectory(fd, zip);
    std::vector<quillora::SCabFileFacts> cab;
    quillora::ReadCabDirectory(fd, cab);
    std::vector<quillora::SRarFileFacts> rar;
    quillora::ReadRarHeaders(fd, rar);
    std::vector<quillora::SArjMember> arj;
    if (quillora::ReadArjHeaders(fd, arj)) {
        for (const quillora::SArjMember& member : arj) {
            if (member.m_nPacked > size) {
                std::abort();
            }
        }
    }
    quillora::CArchiveHead head;
    head.Assign(data, size, size);
    head.LooksLikeLha();
    head.LooksLikeZip();
    head.LooksLikeCab();
    head.LooksLikeArj();
    head.LooksLikeRar();
    head.LooksLikeTarFamily();
    head.HasDataPastImage("/proc/self/fd/" + std::to_string(fd));
    ::close(fd);
    return 0;
}
