// Finding the ID3 chunk of a RIFF or AIFF file and checking its frames.
#include "audio/ChunkedId3Check.h"

#include "audio/CBoundedStream.h"
#include "audio/CCompressedFrameGuard.h"

#include <taglib/id3v2extendedheader.h>
#include <taglib/id3v2frame.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2synchdata.h>

namespace quillora::plugin {

namespace {

constexpr int kMaxChunks = 4096;

// TagLib reads the tag the chunk starts with as far as the tag's own size says, so
// that is what is checked.
bool TagIsBounded(CBoundedStream& stream, long offset, CCompressedFrameGuard& guard) {
    stream.seek(offset);
    const TagLib::ByteVector start = stream.readBlock(10);
    if (start.size() < 10 || !start.startsWith("ID3")) {
        return true;
    }
    const TagLib::ID3v2::Header tag(start);
    guard.SetTagSize(tag.tagSize());
    const unsigned version = tag.majorVersion();
    if (version < 3 || version > 4) {
        return true; // v2.2 frames have no compression flag
    }
    TagLib::ByteVector body = stream.readBlock(tag.tagSize());
    if (version == 3 && tag.unsynchronisation()) {
        body = TagLib::ID3v2::SynchData::decode(body);
    }
    unsigned position = 0;
    if (tag.extendedHeader()) {
        TagLib::ID3v2::ExtendedHeader extended;
        extended.setData(body);
        position = extended.size();
    }
    const unsigned headerSize = CCompressedFrameGuard::FrameHeader::size(version);
    while (position + headerSize <= body.size() && body[position] != '\0') {
        const CCompressedFrameGuard::FrameHeader frame(body.mid(position, headerSize), version);
        if (!guard.Allows(frame)) {
            return false;
        }
        if (frame.frameSize() == 0 || frame.frameSize() > body.size() - position - headerSize) {
            break;
        }
        position += headerSize + frame.frameSize();
    }
    return true;
}

} // namespace

unsigned Id3v2TagSizeAt(CBoundedStream& stream, long offset) {
    stream.seek(offset);
    const TagLib::ByteVector start = stream.readBlock(10);
    if (start.size() < 10 || !start.startsWith("ID3")) {
        return 0;
    }
    return TagLib::ID3v2::Header(start).tagSize();
}

bool ChunkedId3IsBounded(CBoundedStream& stream, CCompressedFrameGuard& guard) {
    stream.seek(0);
    const TagLib::ByteVector form = stream.readBlock(12);
    if (form.size() < 12) {
        return true;
    }
    const bool riff = form.startsWith("RIFF") && form.containsAt("WAVE", 8);
    const bool aiff =
        form.startsWith("FORM") && (form.containsAt("AIFF", 8) || form.containsAt("AIFC", 8));
    if (!riff && !aiff) {
        return true;
    }
    const long length = stream.length();
    long offset = 12;
    for (int i = 0; i < kMaxChunks && offset + 8 <= length; ++i) {
        stream.seek(offset);
        const TagLib::ByteVector header = stream.readBlock(8);
        if (header.size() < 8) {
            break;
        }
        const unsigned size = header.toUInt(4, !riff); // little-endian in RIFF
        const TagLib::ByteVector id = header.mid(0, 4);
        if (id == "ID3 " || id == "id3 ") {
            return TagIsBounded(stream, offset + 8, guard);
        }
        offset += 8 + static_cast<long>(size) + (size & 1);
    }
    return true;
}

} // namespace quillora::plugin
