// Identity of an ISO 9660 volume read from its volume descriptors: the serial
// number Windows NT derives from the active descriptor, the label and the size.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillora {

struct SIsoIdentity {
    std::uint32_t m_serial = 0;
    std::string m_label;            // UTF-8, trailing blanks removed
    bool m_joliet = false;          // the serial and label came from a Joliet descriptor
    std::uint64_t m_totalBytes = 0; // volume space size x logical block size (primary)
};

class CIsoVolumeDescriptors {
public:
    static constexpr std::size_t kSectorSize = 2048;
    static constexpr std::uint64_t kFirstDescriptorOffset = 16 * 2048;

    // Reads the descriptor set starting at sector 16 of an open file or device.
    // nullopt when there is no primary volume descriptor ("CD001", type 1) there;
    // then `error`, when given, is the errno of a read that failed, or 0 when the
    // bytes were read and hold no such descriptor.
    static std::optional<SIsoIdentity> Read(int fd, int* error = nullptr);

    // Same for an image or device path (opened read-only); `error` also tells why it
    // could not be opened.
    static std::optional<SIsoIdentity> ReadFile(const std::string& osPath, int* error = nullptr);

    // The Windows NT checksum over one 2048-byte descriptor: byte i is added
    // (mod 256) into sum[i % 4]; serial = sum0<<24 | sum1<<16 | sum2<<8 | sum3.
    static std::uint32_t Checksum(std::string_view descriptor);

    // True for a supplementary descriptor (type 2) whose escape sequences name
    // UCS-2 level 1, 2 or 3 ("%/@", "%/C", "%/E").
    static bool IsJoliet(std::string_view descriptor);
};

} // namespace quillora
