// ISO 9660 volume descriptor reading, bounded to a fixed number of sectors.
#include "platform/IsoVolumeDescriptors.h"

#include "core/Text.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace quillora {

namespace {

constexpr unsigned char kTypePrimary = 1;
constexpr unsigned char kTypeSupplementary = 2;
constexpr unsigned char kTypeTerminator = 255;
// A real disc holds a handful of descriptors; anything past this is not a set we trust.
constexpr int kMaxDescriptors = 64;

constexpr std::size_t kVolumeIdOffset = 40;
constexpr std::size_t kVolumeIdLength = 32;
constexpr std::size_t kSpaceSizeOffset = 80; // little-endian half of a both-endian u32
constexpr std::size_t kEscapeOffset = 88;
constexpr std::size_t kBlockSizeOffset = 128; // little-endian half of a both-endian u16

// False at the end of the file or on an error (then `error` is its errno).
bool ReadSector(int fd, std::uint64_t offset, std::string& sector, int& error) {
    sector.assign(CIsoVolumeDescriptors::kSectorSize, '\0');
    std::size_t done = 0;
    while (done < sector.size()) {
        const ssize_t n = pread(fd, sector.data() + done, sector.size() - done,
                                static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            error = errno;
            return false;
        }
        if (n == 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

unsigned Byte(std::string_view s, std::size_t i) {
    return static_cast<unsigned char>(s[i]);
}

std::string TrimTrailing(std::string s, std::string_view blanks) {
    const std::size_t end = s.find_last_not_of(blanks);
    s.erase(end == std::string::npos ? 0 : end + 1);
    return s;
}

std::string PrimaryLabel(std::string_view pvd) {
    // Japanese systems show the primary identifier in their ANSI code page.
    std::string raw(pvd.substr(kVolumeIdOffset, kVolumeIdLength));
    return TrimTrailing(text::Cp932ToUtf8(TrimTrailing(raw, std::string_view(" \0", 2))), " ");
}

std::string JolietLabel(std::string_view svd) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < kVolumeIdLength; i += 2) {
        const char16_t unit = static_cast<char16_t>(Byte(svd, kVolumeIdOffset + i) << 8 |
                                                    Byte(svd, kVolumeIdOffset + i + 1));
        units += unit;
    }
    while (!units.empty() && (units.back() == u' ' || units.back() == u'\0')) {
        units.pop_back();
    }
    return text::Utf16ToUtf8(units);
}

bool IsDescriptor(std::string_view sector) {
    return sector.substr(1, 5) == "CD001";
}

} // namespace

std::uint32_t CIsoVolumeDescriptors::Checksum(std::string_view descriptor) {
    unsigned char sum[4] = {0, 0, 0, 0};
    for (std::size_t i = 0; i < descriptor.size(); ++i) {
        sum[i % 4] = static_cast<unsigned char>(sum[i % 4] + Byte(descriptor, i));
    }
    return static_cast<std::uint32_t>(sum[0]) << 24 | static_cast<std::uint32_t>(sum[1]) << 16 |
           static_cast<std::uint32_t>(sum[2]) << 8 | sum[3];
}

bool CIsoVolumeDescriptors::IsJoliet(std::string_view descriptor) {
    if (descriptor.size() < kSectorSize || Byte(descriptor, 0) != kTypeSupplementary ||
        !IsDescriptor(descriptor)) {
        return false;
    }
    const std::string_view escape = descriptor.substr(kEscapeOffset, 3);
    return escape == "%/@" || escape == "%/C" || escape == "%/E";
}

std::optional<SIsoIdentity> CIsoVolumeDescriptors::Read(int fd, int* error) {
    std::string sector;
    std::string primary;
    std::string joliet;
    int readError = 0;
    for (int i = 0; i < kMaxDescriptors; ++i) {
        if (!ReadSector(fd, kFirstDescriptorOffset + std::uint64_t(i) * kSectorSize, sector,
                        readError) ||
            !IsDescriptor(sector)) {
            break;
        }
        const unsigned type = Byte(sector, 0);
        if (type == kTypeTerminator) {
            break;
        }
        if (type == kTypePrimary && primary.empty()) {
            primary = sector;
        } else if (joliet.empty() && IsJoliet(sector)) {
            joliet = sector;
        }
    }
    if (primary.empty()) {
        if (error) {
            *error = readError;
        }
        return std::nullopt;
    }
    SIsoIdentity id;
    const std::uint32_t blocks =
        Byte(primary, kSpaceSizeOffset) | Byte(primary, kSpaceSizeOffset + 1) << 8 |
        Byte(primary, kSpaceSizeOffset + 2) << 16 |
        static_cast<std::uint32_t>(Byte(primary, kSpaceSizeOffset + 3)) << 24;
    const unsigned blockSize = Byte(primary, kBlockSizeOffset) | Byte(primary, kBlockSizeOffset + 1)
                                                                     << 8;
    id.m_totalBytes = std::uint64_t(blocks) * blockSize;
    id.m_joliet = !joliet.empty();
    const std::string& active = id.m_joliet ? joliet : primary;
    id.m_serial = Checksum(active);
    id.m_label = id.m_joliet ? JolietLabel(active) : PrimaryLabel(active);
    return id;
}

std::optional<SIsoIdentity> CIsoVolumeDescriptors::ReadFile(const std::string& osPath, int* error) {
    if (error) {
        *error = 0;
    }
    const int fd = open(osPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error) {
            *error = errno;
        }
        return std::nullopt;
    }
    std::optional<SIsoIdentity> id = Read(fd, error);
    close(fd);
    return id;
}

} // namespace quillora
