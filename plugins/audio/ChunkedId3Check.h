// WAV and AIFF files carry an ID3v2 tag in a chunk, which TagLib reads with its own
// frame factory: the chunk is checked for compressed frames before TagLib opens it.
#pragma once

namespace quillora::plugin {

class CBoundedStream;
class CCompressedFrameGuard;

// Whether the ID3 chunk of a RIFF or AIFF file (none counts) holds only frames that
// `guard` allows TagLib to inflate. Reads through `stream`, from its start.
bool ChunkedId3IsBounded(CBoundedStream& stream, CCompressedFrameGuard& guard);

// The size of the ID3v2 tag at `offset` (its header's count, the header not included);
// 0 for none. Leaves `stream` after the header.
unsigned Id3v2TagSizeAt(CBoundedStream& stream, long offset);

} // namespace quillora::plugin
