// Coding of the index's record and media blocks. A folded name is stored only where it
// is not the name with its ASCII letters lowered, which most names are.
#include "index/CRecordBlocks.h"

#include "index/CByteCodec.h"

#include <algorithm>

namespace quillora {

namespace {

constexpr std::uint8_t kClassMask = 0x07;
constexpr std::uint8_t kFolderBit = 0x08;
constexpr std::uint8_t kOwnFoldBit = 0x10;

bool IsAsciiLowered(std::string_view name, std::string_view folded) {
    if (name.size() != folded.size()) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const char lowered = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (lowered != folded[i]) {
            return false;
        }
    }
    return true;
}

void LowerAscii(std::string_view name, std::string& out) {
    out.assign(name);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
}

} // namespace

std::string CRecordBlocks::EncodeMedia(const std::vector<SIndexedMedium>& media) {
    CByteWriter out;
    out.VarInt(media.size());
    for (const SIndexedMedium& m : media) {
        out.Text(m.m_strLabel);
        out.Text(m.m_strOrgLabel);
        out.Text(m.m_strName);
        out.VarInt(m.m_dwSerial);
        out.VarInt(m.m_dwFlags);
    }
    return std::move(out.Bytes());
}

bool CRecordBlocks::DecodeMedia(std::string_view bytes, std::vector<SIndexedMedium>& media) {
    CByteReader in(bytes);
    const std::uint64_t count = in.VarInt();
    // Each medium takes five bytes at least: a count beyond that is a lie.
    if (in.Failed() || count > bytes.size() / 5) {
        return false;
    }
    media.clear();
    media.resize(static_cast<std::size_t>(count));
    for (SIndexedMedium& m : media) {
        m.m_strLabel = in.Text();
        m.m_strOrgLabel = in.Text();
        m.m_strName = in.Text();
        m.m_dwSerial = static_cast<std::uint32_t>(in.VarInt());
        m.m_dwFlags = static_cast<std::uint32_t>(in.VarInt());
    }
    return !in.Failed() && in.AtEnd();
}

std::string CRecordBlocks::EncodeBlock(const SCaseRecords& records, std::size_t first) {
    const auto& all = records.m_records;
    const std::size_t end = std::min(all.size(), first + kBlockRecords);
    CByteWriter out;
    out.VarInt(first);
    out.VarInt(end - first);
    FileTime previous = 0;
    for (std::size_t i = first; i < end; ++i) {
        const SIndexedRecord& r = all[i];
        const bool ownFold = !IsAsciiLowered(r.m_strName, r.m_strFolded);
        out.Byte(static_cast<std::uint8_t>((static_cast<std::uint8_t>(r.m_class) & kClassMask) |
                                           (r.m_bFolder ? kFolderBit : 0) |
                                           (ownFold ? kOwnFoldBit : 0)));
        out.VarInt(r.m_nParent == SIndexedRecord::kNoParent ? 0 : i - r.m_nParent);
        out.VarInt(static_cast<std::uint64_t>(r.m_nMedium + 1));
        out.VarInt(r.m_nSize);
        out.SignedVarInt(static_cast<std::int64_t>(r.m_ftLastWrite - previous));
        previous = r.m_ftLastWrite;
        out.Text(r.m_strName);
        if (ownFold) {
            out.Text(r.m_strFolded);
        }
    }
    // Small blocks often gain nothing from zlib (its header and tables cost more than
    // the names repeat): such a block is stored as it is, after a 0 byte.
    std::string packed = Deflate(out.Bytes());
    if (packed.size() + 1 < out.Bytes().size()) {
        return '\x01' + packed;
    }
    return '\x00' + out.Bytes();
}

bool CRecordBlocks::DecodeBlock(std::string_view bytes, std::size_t mediaCount, std::size_t total,
                                std::vector<SIndexedRecord>& out, std::size_t& first) {
    if (bytes.empty()) {
        return false;
    }
    std::string inflated;
    std::string_view raw = bytes.substr(1);
    if (bytes[0] == '\x01') {
        if (!Inflate(raw, inflated, kMaxBlockBytes)) {
            return false;
        }
        raw = inflated;
    } else if (bytes[0] != '\x00') {
        return false;
    }
    CByteReader in(raw);
    const std::uint64_t start = in.VarInt();
    const std::uint64_t n = in.VarInt();
    if (in.Failed() || start > total || n > total - start || n > kBlockRecords) {
        return false;
    }
    out.resize(static_cast<std::size_t>(n));
    FileTime previous = 0;
    for (std::size_t i = static_cast<std::size_t>(start); i < start + n; ++i) {
        SIndexedRecord& r = out[i - start];
        const std::uint8_t bits = in.Byte();
        const std::uint64_t parentDelta = in.VarInt();
        const std::uint64_t medium = in.VarInt();
        r.m_nSize = in.VarInt();
        previous += static_cast<FileTime>(in.SignedVarInt());
        r.m_ftLastWrite = previous;
        const std::uint8_t cls = bits & kClassMask;
        if (in.Failed() || cls > static_cast<std::uint8_t>(RecordClass::Group) || parentDelta > i ||
            medium > mediaCount) {
            return false;
        }
        r.m_class = static_cast<RecordClass>(cls);
        r.m_bFolder = (bits & kFolderBit) != 0;
        r.m_nParent = parentDelta == 0 ? SIndexedRecord::kNoParent
                                       : static_cast<std::uint32_t>(i - parentDelta);
        r.m_nMedium = static_cast<std::int32_t>(medium) - 1;
        r.m_strName.assign(in.Text());
        if (bits & kOwnFoldBit) {
            r.m_strFolded.assign(in.Text());
        } else {
            LowerAscii(r.m_strName, r.m_strFolded);
        }
        if (in.Failed()) {
            return false;
        }
    }
    if (!in.AtEnd()) {
        return false;
    }
    first = static_cast<std::size_t>(start);
    return true;
}

} // namespace quillora
