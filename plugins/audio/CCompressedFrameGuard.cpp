// Bounding what TagLib inflates of an ID3v2 tag.
#include "audio/CCompressedFrameGuard.h"

#include <taglib/id3v2synchdata.h>

namespace quillora::plugin {

bool CCompressedFrameGuard::Allows(const FrameHeader& header) const {
    if (!header.compression() || header.encryption()) {
        return true; // TagLib keeps encrypted frames as they are
    }
    if (m_nTagSize > 0 && m_nTagSize <= kMaxCompressedTag && m_nCompressed < kMaxCompressedFrames) {
        ++m_nCompressed;
        return true;
    }
    m_bDropped = true;
    return false;
}

bool CCompressedFrameGuard::updateFrame(FrameHeader* header) const {
    if (!TagLib::ID3v2::FrameFactory::updateFrame(header)) {
        return false;
    }
    if (Allows(*header)) {
        return true;
    }
    // The same header without its flags: no compression, no data length to skip.
    const unsigned version = header->version();
    TagLib::ByteVector plain = header->frameID();
    plain.append(version == 4 ? TagLib::ID3v2::SynchData::fromUInt(header->frameSize())
                              : TagLib::ByteVector::fromUInt(header->frameSize()));
    plain.append(TagLib::ByteVector(2, '\0'));
    header->setData(plain, version);
    return false;
}

} // namespace quillora::plugin
