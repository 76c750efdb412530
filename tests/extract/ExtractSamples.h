// Sample files the comment-extraction tests make: compound documents with property
// sets, PE files with version resources, MPEG frames, PDF files, all byte by byte.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quillora::test {

// The bytes of text in CP932 (test texts are always representable).
std::string Cp932(const std::string& utf8);
// UTF-8 text in another encoding, through glibc's iconv.
std::string Encode(const std::string& utf8, const char* encoding);
// UTF-16LE bytes of UTF-8 text.
std::string Utf16Le(const std::string& utf8, bool terminate = true);

// One property of a property-set section: id, type and the value's bytes (after the
// type word, unpadded).
struct SPropValue {
    std::uint32_t m_id;
    std::uint32_t m_type;
    std::string m_bytes;
};
SPropValue PropString(std::uint32_t id, const std::string& bytes); // VT_LPSTR
SPropValue PropInt(std::uint32_t id, std::int32_t value);          // VT_I4
SPropValue PropCodePage(int codePage);                             // id 1, VT_I2
SPropValue PropFileTime(std::uint32_t id, std::uint64_t fileTime);
std::string Section(const std::vector<SPropValue>& values);

// A file with the compound-file signature whose summary-information stream lies at
// byte 512 and, when docSummary is given, whose document-summary stream (one section,
// or two with userDefined) lies at byte 1024 + 512 * extraBlocks.
std::string CompoundDocument(const std::string& summarySection,
                             const std::string& docSummarySection = {},
                             const std::string& userDefinedSection = {});
// The 48-byte stream header of a one-section summary-information stream.
std::string SummaryStreamHeader();

// A PE file (32- or 64-bit) whose version resource holds these strings under
// StringFileInfo tables: each table is (key such as "041104B0", [(name, value)]).
struct SPeTable {
    std::string m_key;
    std::vector<std::pair<std::string, std::string>> m_strings;
};
std::string PeFile(bool pe64, const std::vector<SPeTable>& tables,
                   const std::vector<std::pair<std::uint16_t, std::uint16_t>>& translations,
                   std::uint32_t fileVersionMs = 0x00010002,
                   std::uint32_t fileVersionLs = 0x00030004, std::uint32_t fileOs = 0x40004,
                   std::uint32_t fileType = 1);
// A PE file without resources.
std::string PeFileWithoutResources();

// `frames` silent MPEG-1 layer III frames (128 kbit/s, 44.1 kHz).
std::string MpegFrames(int frames);
// An ID3v1 tag with raw bytes in its fields.
std::string Id3v1(const std::string& title, const std::string& artist, const std::string& album);
// An ID3v2.3 tag holding text frames with the given encoding byte and raw text bytes.
std::string Id3v23(const std::vector<std::pair<std::string, std::pair<int, std::string>>>& frames);

// A one-page PDF whose Info dictionary holds the given entries, written as they are
// (such as {"Title", "<FEFF...>"} or {"Author", "(Taro)"}).
std::string PdfFile(const std::vector<std::pair<std::string, std::string>>& info);
// A PDF string in UTF-16BE hex with its byte-order mark.
std::string PdfUtf16(const std::string& utf8);

// A WAV file of silence (16-bit mono 8 kHz).
std::string WavFile(int samples);

} // namespace quillora::test
