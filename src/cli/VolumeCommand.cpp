// `quillora-cli volume PATH`: the volume facts of a mounted path, a disk image or a
// block device.
#include "cli/CliSupport.h"
#include "cli/CommandRegistration.h"
#include "cli/CommonOptions.h"

#include "platform/VolumeProbe.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
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
    if (facts.m_serialUnknown) {
        std::printf("serial: unknown (the volume descriptors of %s cannot be read: %s)\n",
                    facts.m_device.c_str(), std::strerror(facts.m_serialError));
    } else {
        std::printf("serial: %s\n", SerialText(facts.m_serial).c_str());
    }
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

int RunVolume(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        ReportError(path + ": " + std::strerror(errno));
        return kExitFailure;
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
        ReportError(path + ": no known file system found");
        return kExitFailure;
    }
    if (error != 0) {
        ReportError(path + ": " + std::strerror(error));
        return kExitFailure;
    }
    Print(facts, image && !S_ISBLK(st.st_mode));
    return kExitOk;
}

const CCommandRegistration kVolume({"volume", CommandGroup::Media,
                                    "Print the volume facts of a path, a disk image or a device",
                                    [](CLI::App& cmd) {
                                        auto path = std::make_shared<std::string>();
                                        cmd.add_option("PATH", *path,
                                                       "A mounted path, an image file or a "
                                                       "block device")
                                            ->required()
                                            ->check(NonEmptyPath());
                                        return [path] { return RunVolume(*path); };
                                    }});

} // namespace

} // namespace quillora::cli
