// tobaudio: the tags of music files through TagLib: ID3v1 and ID3v2 (all their text
// encodings; Latin-1 frames and ID3v1 fields written by Japanese tools in CP932 are
// shown as Japanese), Vorbis comments (Ogg, FLAC) and the tags of the other formats
// TagLib reads, with the play time and bit rate where the headers give them (not for
// MPEG files, whose play time needs a search through the whole file). What TagLib may
// read and inflate of one file is bounded (CBoundedStream, CCompressedFrameGuard).
#include "audio/CBoundedStream.h"
#include "audio/CCompressedFrameGuard.h"
#include "audio/ChunkedId3Check.h"
#include "common/PluginCore.h"
#include "common/PluginText.h"

#include <taglib/commentsframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>
#include <taglib/textidentificationframe.h>

#include <cstdio>

namespace quillora::plugin {

namespace {

enum Slot { kTitle, kArtist, kAlbum, kGenre, kComment, kYear, kTrack, kLength, kBitrate };

const SInfo kInfo{
    "AUDIO",
    0x003,
    "MP3;MP2;OGG;OGA;OPUS;SPX;FLAC;M4A;MP4;WMA;WAV;AIF;AIFF;APE;MPC;WV",
    {{1, "ﾀｲﾄﾙ"},
     {6, "作者"},
     {4097, "ｱﾙﾊﾞﾑ"},
     {4098, "ｼﾞｬﾝﾙ"},
     {5, "ｺﾒﾝﾄ"},
     {4099, "年"},
     {4100, "ﾄﾗｯｸ"},
     {4101, "演奏時間"},
     {4102, "ﾋﾞｯﾄﾚｰﾄ"}},
};

std::string Text(const TagLib::String& s) {
    return TrimRight(s.to8Bit(true));
}

// A string TagLib read as Latin-1: its bytes, read as CP932 when they are Japanese.
std::string LegacyText(const TagLib::String& s) {
    return TrimRight(LegacyBytesToUtf8(s.to8Bit(false)));
}

class CAudioDocument : public IDocument {
public:
    CAudioDocument() { m_values.resize(kInfo.m_properties.size()); }

    void Set(Slot slot, std::string value) {
        if (m_values[slot].empty()) {
            m_values[slot] = std::move(value);
        }
    }

    void TakeProperties(const TagLib::AudioProperties* properties) {
        if (!properties) {
            return;
        }
        char buffer[32];
        const int seconds = properties->lengthInSeconds();
        if (seconds > 0) {
            std::snprintf(buffer, sizeof buffer, "%d:%02d", seconds / 60, seconds % 60);
            Set(kLength, buffer);
        }
        if (properties->bitrate() > 0) {
            std::snprintf(buffer, sizeof buffer, "%d kbps", properties->bitrate());
            Set(kBitrate, buffer);
        }
    }

    void TakeTag(const TagLib::Tag* tag) {
        if (!tag) {
            return;
        }
        Set(kTitle, Text(tag->title()));
        Set(kArtist, Text(tag->artist()));
        Set(kAlbum, Text(tag->album()));
        Set(kGenre, Text(tag->genre()));
        Set(kComment, Text(tag->comment()));
        if (tag->year() > 0) {
            Set(kYear, std::to_string(tag->year()));
        }
        if (tag->track() > 0) {
            Set(kTrack, std::to_string(tag->track()));
        }
    }
};

std::string FrameText(const TagLib::ID3v2::Frame* frame) {
    if (const auto* text = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(frame)) {
        return text->textEncoding() == TagLib::String::Latin1 ? LegacyText(text->toString())
                                                              : Text(text->toString());
    }
    if (const auto* comment = dynamic_cast<const TagLib::ID3v2::CommentsFrame*>(frame)) {
        return comment->textEncoding() == TagLib::String::Latin1 ? LegacyText(comment->text())
                                                                 : Text(comment->text());
    }
    return Text(frame->toString());
}

void TakeId3v2(CAudioDocument& doc, TagLib::ID3v2::Tag* tag) {
    if (!tag) {
        return;
    }
    const auto& frames = tag->frameListMap();
    static constexpr struct {
        const char* id;
        Slot slot;
    } kFrames[] = {{"TIT2", kTitle},   {"TPE1", kArtist}, {"TALB", kAlbum}, {"TCON", kGenre},
                   {"COMM", kComment}, {"TDRC", kYear},   {"TYER", kYear},  {"TRCK", kTrack}};
    for (const auto& f : kFrames) {
        auto it = frames.find(TagLib::ByteVector(f.id));
        if (it != frames.end() && !it->second.isEmpty()) {
            doc.Set(f.slot, FrameText(it->second.front()));
        }
    }
    // Genres given as "(17)" or numbers are named by TagLib's own reading.
    if (!doc.m_values[kGenre].empty() && doc.m_values[kGenre].front() == '(') {
        doc.m_values[kGenre] = Text(tag->genre());
    }
}

void TakeId3v1(CAudioDocument& doc, TagLib::ID3v1::Tag* tag) {
    if (!tag) {
        return;
    }
    doc.Set(kTitle, LegacyText(tag->title()));
    doc.Set(kArtist, LegacyText(tag->artist()));
    doc.Set(kAlbum, LegacyText(tag->album()));
    doc.Set(kComment, LegacyText(tag->comment()));
    doc.Set(kGenre, Text(tag->genre()));
    if (tag->year() > 0) {
        doc.Set(kYear, std::to_string(tag->year()));
    }
    if (tag->track() > 0) {
        doc.Set(kTrack, std::to_string(tag->track()));
    }
}

std::string Suffix(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos) {
        return {};
    }
    std::string suffix = path.substr(dot + 1);
    for (char& c : suffix) {
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    }
    return suffix;
}

void TakeFile(CAudioDocument& doc, TagLib::File& file) {
    doc.TakeTag(file.tag());
    doc.TakeProperties(file.audioProperties());
}

} // namespace

const SInfo& Info() {
    return kInfo;
}

std::unique_ptr<IDocument> Open(const std::string& path) {
    CBoundedStream stream(path.c_str());
    if (!stream.isOpen()) {
        return nullptr;
    }
    CCompressedFrameGuard guard;
    guard.SetTagSize(Id3v2TagSizeAt(stream, 0));
    stream.seek(0);
    auto doc = std::make_unique<CAudioDocument>();
    const std::string suffix = Suffix(path);
    if (suffix == "MP3" || suffix == "MP2") {
        // No audio properties: without a Xing header TagLib finds the play time by
        // searching the file backwards for its last frame, which costs more than
        // reading the file once. The tags are all a comment needs.
        TagLib::MPEG::File file(&stream, &guard, false);
        if (!file.isOpen()) {
            return nullptr;
        }
        TakeId3v2(*doc, file.hasID3v2Tag() ? file.ID3v2Tag() : nullptr);
        TakeId3v1(*doc, file.hasID3v1Tag() ? file.ID3v1Tag() : nullptr);
        return doc;
    }
    if (suffix == "FLAC") {
        TagLib::FLAC::File file(&stream, &guard, true, TagLib::AudioProperties::Fast);
        if (!file.isValid()) {
            return nullptr;
        }
        TakeFile(*doc, file);
        return doc;
    }
    // TagLib reads the ID3 chunk of WAV and AIFF files with its own frame factory: a
    // file whose chunk would inflate past the bounds gives no comment.
    if (!ChunkedId3IsBounded(stream, guard)) {
        return nullptr;
    }
    stream.seek(0);
    TagLib::FileRef file(&stream, true, TagLib::AudioProperties::Fast);
    if (file.isNull()) {
        return nullptr;
    }
    TakeFile(*doc, *file.file());
    return doc;
}

} // namespace quillora::plugin
