// The file as TagLib reads it: no single read past a cap and no more than a budget in
// all, so a tag or block that claims hundreds of megabytes costs none of them.
#pragma once

#include <taglib/tfilestream.h>

#include <cstddef>

namespace quillora::plugin {

class CBoundedStream : public TagLib::FileStream {
public:
    // Larger than any cover picture a tag holds in practice.
    static constexpr unsigned long kMaxBlock = 32ul * 1024 * 1024;
    // What one file may cost TagLib in reads, searches included.
    static constexpr unsigned long kMaxTotal = 64ul * 1024 * 1024;

    explicit CBoundedStream(const char* path) : TagLib::FileStream(path, true) {}

    // An empty block, as at the end of the file, for a read past either bound.
    TagLib::ByteVector readBlock(unsigned long length) override;

    // Whether a read was refused (the file's tags may then be partly missing).
    bool Refused() const { return m_bRefused; }

private:
    unsigned long m_nRead = 0;
    bool m_bRefused = false;
};

} // namespace quillora::plugin
