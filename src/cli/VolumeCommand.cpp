// `quillora-cli volume PATH`: the volume facts of a mounted path, a disk image or a
// block device.
#include "cli/Commands.h"
#include "platform/VolumeProbe.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace quillora::cli {

namespace {

std::string SerialText(std::uint32_t serial) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04X-%04X", serial >> 16, serial & 0xFFFF);
    return buffer;
}

std::string FileSystemText(const SVolumeFacts& facts) {
    if (facts.m_fileSystem.empty() || facts.m_fileSystem == facts.m_linuxType) {
        return facts.m_linuxType;
    }
    return facts.m_fileSystem + " (" + facts.m_linuxType + ")";
}

void Print(const SVolumeFacts& facts, bool image) {
    const char* kind =
        image && facts.m_kind == DriveKind::Unknown ? "disk image" : DriveKindName(facts.m_kind);
    std::printf("kind: %s\n", kind);
    std::printf("file system: %s\n", FileSystemText(facts).c_str());
    std::printf("label: %s\n", facts.m_label.c_str());
    std::printf("serial: %s\n", SerialText(facts.m_serial).c_str());
    if (facts.m_totalBytes != 0 || facts.m_spaceKnown) {
        std::printf("total bytes: %llu\n", static_cast<unsigned long long>(facts.m_totalBytes));
    } else {
        std::printf("total bytes: unknown\n");
    }
    if (facts.m_spaceKnown) {
        std::printf("free bytes: %llu\n", static_cast<unsigned long long>(facts.m_freeBytes));
    } else {
        std::printf("free bytes: unknown\n");
    }
    if (facts.m_bytesPerSector != 0) {
        std::printf("bytes per sector: %u\n", facts.m_bytesPerSector);
        std::printf("sectors per cluster: %u\n", facts.m_sectorsPerCluster);
    }
    if (!facts.m_root.empty()) {
        std::printf("root: %s\n", facts.m_root.c_str());
    }
    std::printf("source: %s\n", facts.m_source.c_str());
    if (!facts.m_networkPath.empty()) {
        std::printf("network path: %s\n", facts.m_networkPath.c_str());
    }
}

} // namespace

int RunVolume(const Args& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: quillora-cli volume PATH\n");
        return 1;
    }
    const std::string& path = args[0];
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), std::strerror(errno));
        return 2;
    }
    bool image = S_ISREG(st.st_mode) || S_ISBLK(st.st_mode);
    SVolumeFacts facts;
    int error =
        image ? CVolumeProbe::ProbeImage(path, facts) : CVolumeProbe::ProbePath(path, facts);
    if (error == EMEDIUMTYPE && S_ISREG(st.st_mode)) {
        // An ordinary file, not an image: the volume that holds it.
        image = false;
        error = CVolumeProbe::ProbePath(path, facts);
    }
    if (error == EMEDIUMTYPE) {
        std::fprintf(stderr, "%s: no known file system found\n", path.c_str());
        return 2;
    }
    if (error != 0) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), std::strerror(error));
        return 2;
    }
    Print(facts, image && !S_ISBLK(st.st_mode));
    return 0;
}

} // namespace quillora::cli
