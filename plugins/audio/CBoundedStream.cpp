// Bounded reads for TagLib.
#include "audio/CBoundedStream.h"

namespace quillora::plugin {

TagLib::ByteVector CBoundedStream::readBlock(unsigned long length) {
    if (length > kMaxBlock || length > kMaxTotal - m_nRead) {
        m_bRefused = true;
        return {};
    }
    TagLib::ByteVector block = TagLib::FileStream::readBlock(length);
    m_nRead += block.size();
    return block;
}

} // namespace quillora::plugin
