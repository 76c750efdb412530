// CMappedFile: a read-only view of a whole list file: mapped when it is a regular file,
// read in pieces up to a cap when it is a pipe or a device, which need not end.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillora {

class CMappedFile {
public:
    // `cap`: the most read from a file that cannot be mapped.
    CMappedFile(const std::string& path, std::size_t cap);
    ~CMappedFile();
    CMappedFile(const CMappedFile&) = delete;
    CMappedFile& operator=(const CMappedFile&) = delete;

    int Error() const { return m_nError; }
    // A pipe or device gave more than the cap.
    bool TooLong() const { return m_bTooLong; }
    std::string_view Bytes() const {
        return m_pMap ? std::string_view(static_cast<const char*>(m_pMap), m_nSize)
                      : std::string_view(m_read);
    }

private:
    void ReadBounded();

    int m_fd = -1;
    int m_nError = 0;
    bool m_bTooLong = false;
    void* m_pMap = nullptr;
    std::size_t m_nSize = 0;
    std::size_t m_nCap = 0;
    std::string m_read;
};

} // namespace quillora
