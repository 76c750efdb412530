// Coding of the index's record and media blocks. A folded name is stored only where it
// is not the name with its ASCII letters lowered, which most names are.
#include "index/CRecordBlocks.h"

#include "index/CByteCodec.h"
#include "search/TextScan.h"

#include <algorithm>
#include <numeric>

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

std::uint64_t Magnitude(std::int64_t value) {
    return value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value)
                     : static_cast<std::uint64_t>(value);
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
    CByteWriter names;
    CByteWriter rest;
    names.VarInt(first);
    names.VarInt(end - first);
    // Times often share a unit (FAT keeps two seconds, many tools whole seconds): the
    // differences are stored in the largest unit they all share.
    std::uint64_t unit = 0;
    FileTime previous = 0;
    for (std::size_t i = first; i < end; ++i) {
        unit =
            std::gcd(unit, Magnitude(static_cast<std::int64_t>(all[i].m_ftLastWrite - previous)));
        previous = all[i].m_ftLastWrite;
    }
    if (unit == 0 || unit > (std::uint64_t{1} << 62)) {
        unit = 1;
    }
    rest.VarInt(unit);
    previous = 0;
    for (std::size_t i = first; i < end; ++i) {
        const SIndexedRecord& r = all[i];
        const bool ownFold = !IsAsciiLowered(r.m_strName, r.m_strFolded);
        names.Byte(static_cast<std::uint8_t>((static_cast<std::uint8_t>(r.m_class) & kClassMask) |
                                             (r.m_bFolder ? kFolderBit : 0) |
                                             (ownFold ? kOwnFoldBit : 0)));
        names.VarInt(static_cast<std::uint64_t>(r.m_nMedium + 1));
        names.Text(r.m_strName);
        if (ownFold) {
            names.Text(r.m_strFolded);
        }
        rest.VarInt(r.m_nParent == SIndexedRecord::kNoParent ? 0 : i - r.m_nParent);
        rest.VarInt(r.m_nSize);
        rest.SignedVarInt(static_cast<std::int64_t>(r.m_ftLastWrite - previous) /
                          static_cast<std::int64_t>(unit));
        previous = r.m_ftLastWrite;
    }
    CByteWriter out;
    const std::string packedNames = Pack(names.Bytes());
    out.VarInt(packedNames.size());
    std::string& bytes = out.Bytes();
    bytes += packedNames;
    bytes += Pack(rest.Bytes());
    return std::move(bytes);
}

namespace {

// The block's two packed parts.
bool SplitBlock(std::string_view bytes, std::string_view& names, std::string_view& rest) {
    CByteReader in(bytes);
    const std::uint64_t length = in.VarInt();
    if (in.Failed() || length > bytes.size() - in.Position()) {
        return false;
    }
    names = bytes.substr(in.Position(), static_cast<std::size_t>(length));
    rest = bytes.substr(in.Position() + static_cast<std::size_t>(length));
    return true;
}

} // namespace

bool CRecordBlocks::DecodeNames(std::string_view bytes, std::size_t mediaCount, std::size_t total,
                                SBlockNames& names) {
    names.m_entries.clear();
    std::string_view packed;
    std::string_view rest;
    if (!SplitBlock(bytes, packed, rest) || !Unpack(packed, names.m_raw, kMaxBlockBytes)) {
        return false;
    }
    const std::string_view raw = names.m_raw;
    CByteReader in(raw);
    const std::uint64_t start = in.VarInt();
    const std::uint64_t n = in.VarInt();
    if (in.Failed() || start > total || n > total - start || n > kBlockRecords) {
        return false;
    }
    names.m_nFirst = static_cast<std::size_t>(start);
    names.m_entries.resize(static_cast<std::size_t>(n));
    // Names whose folding only lowers ASCII letters are matched in a lowered copy of the
    // whole unpacked part, made in one pass, at the same offsets.
    FoldAsciiCase(raw, names.m_lowered);
    const std::string_view lowered = names.m_lowered;
    for (SBlockNames::SEntry& e : names.m_entries) {
        const std::uint8_t bits = in.Byte();
        const std::uint64_t medium = in.VarInt();
        const std::uint8_t cls = bits & kClassMask;
        if (in.Failed() || cls > static_cast<std::uint8_t>(RecordClass::Group) ||
            medium > mediaCount) {
            return false;
        }
        e.m_class = static_cast<RecordClass>(cls);
        e.m_bFolder = (bits & kFolderBit) != 0;
        e.m_nMedium = static_cast<std::int32_t>(medium) - 1;
        e.m_name = in.Text();
        if (in.Failed()) {
            return false; // the name is no view into the block then
        }
        if (bits & kOwnFoldBit) {
            e.m_folded = in.Text();
        } else {
            e.m_folded = lowered.substr(static_cast<std::size_t>(e.m_name.data() - raw.data()),
                                        e.m_name.size());
        }
        if (in.Failed()) {
            return false;
        }
    }
    if (!in.AtEnd()) {
        return false;
    }
    return true;
}

bool CRecordBlocks::DecodeRest(std::string_view bytes, const SBlockNames& names,
                               std::vector<SIndexedRecord>& out) {
    std::string_view packedNames;
    std::string_view packed;
    std::string raw;
    if (!SplitBlock(bytes, packedNames, packed) || !Unpack(packed, raw, kMaxBlockBytes)) {
        return false;
    }
    CByteReader in(raw);
    const std::uint64_t unit = in.VarInt();
    if (in.Failed() || unit == 0 || unit > (std::uint64_t{1} << 62)) {
        return false;
    }
    out.resize(names.m_entries.size());
    FileTime previous = 0;
    for (std::size_t k = 0; k < out.size(); ++k) {
        const std::size_t i = names.m_nFirst + k;
        const SBlockNames::SEntry& e = names.m_entries[k];
        SIndexedRecord& r = out[k];
        const std::uint64_t parentDelta = in.VarInt();
        r.m_nSize = in.VarInt();
        previous += static_cast<FileTime>(in.SignedVarInt()) * static_cast<FileTime>(unit);
        if (in.Failed() || parentDelta > i) {
            return false;
        }
        r.m_ftLastWrite = previous;
        r.m_nParent = parentDelta == 0 ? SIndexedRecord::kNoParent
                                       : static_cast<std::uint32_t>(i - parentDelta);
        r.m_nMedium = e.m_nMedium;
        r.m_class = e.m_class;
        r.m_bFolder = e.m_bFolder;
        r.m_strName.assign(e.m_name);
        r.m_strFolded.assign(e.m_folded);
    }
    return in.AtEnd();
}

bool CRecordBlocks::DecodeBlock(std::string_view bytes, std::size_t mediaCount, std::size_t total,
                                std::vector<SIndexedRecord>& out, std::size_t& first) {
    SBlockNames names;
    if (!DecodeNames(bytes, mediaCount, total, names) || !DecodeRest(bytes, names, out)) {
        return false;
    }
    first = names.m_nFirst;
    return true;
}

} // namespace quillora
