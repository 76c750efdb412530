// An ID3v2 frame factory that lets TagLib inflate only compressed frames whose result
// is bounded: TagLib inflates a compressed frame whole, so a 200 KB frame can become
// 200 MB of text and take 2 GB, and eight of them 8 GB.
#pragma once

#include <taglib/id3v2framefactory.h>

#include <type_traits>

namespace quillora::plugin {

template <class Member> struct SArgumentOf;
template <class Result, class Class, class Argument>
struct SArgumentOf<Result (Class::*)(Argument) const> {
    using Type = std::remove_pointer_t<Argument>;
};

class CCompressedFrameGuard : public TagLib::ID3v2::FrameFactory {
public:
    // TagLib keeps the frame header's class protected; its factories are handed one.
    using FrameHeader = SArgumentOf<decltype(&CCompressedFrameGuard::updateFrame)>::Type;

    // TagLib inflates from a compressed frame's start to the end of the tag, whatever
    // size the frame gives itself; deflate expands at most about 1032 times, so only
    // in a tag this small is what it inflates bounded (some 4 MB a frame).
    static constexpr unsigned kMaxCompressedTag = 4096;
    // Compressed frames inflated for one file; later ones are dropped.
    static constexpr int kMaxCompressedFrames = 8;

    CCompressedFrameGuard() = default;
    ~CCompressedFrameGuard() override = default;

    // The size of the tag TagLib is about to read; unknown (0), no compressed frame
    // is inflated.
    void SetTagSize(unsigned size) { m_nTagSize = size; }

    // Whether TagLib may inflate the frame `header` describes; counts it when so.
    bool Allows(const FrameHeader& header) const;

    // Whether a compressed frame was dropped.
    bool Dropped() const { return m_bDropped; }

protected:
    // A compressed frame past the bounds loses its flags and becomes an unknown frame
    // holding its raw bytes, which TagLib keeps without inflating; the rest of the tag
    // is read as usual.
    bool updateFrame(FrameHeader* header) const override;

private:
    unsigned m_nTagSize = 0;
    mutable int m_nCompressed = 0;
    mutable bool m_bDropped = false;
};

} // namespace quillora::plugin
