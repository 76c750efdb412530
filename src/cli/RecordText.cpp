// How quillora-cli names records: the line `tree` prints and its JSON object.
#include "cli/RecordText.h"

#include "cli/CliSupport.h"
#include "core/FileTime.h"
#include "model/CatalogPath.h"
#include "model/SArcFileInfo.h"
#include "model/SVolumeInfo.h"
#include "search/TextScan.h"

#include <charconv>
#include <cstring>

namespace quillora::cli {

namespace {

// Media and groups end in their volume fields, archive entries in theirs; files and
// folders have neither.
bool HasVolumeFields(const SRecordJsonFields& r) {
    return (r.m_dwFlags & (kFlagMedium | kFlagGroup)) != 0;
}
bool IsPlain(const SRecordJsonFields& r) {
    return !HasVolumeFields(r) && r.m_class != RecordClass::ArcFile;
}

} // namespace

std::string_view RecordClassName(RecordClass cls) {
    switch (cls) {
    case RecordClass::Case:
        return "case";
    case RecordClass::Group:
        return "group";
    case RecordClass::Volume:
        return "medium";
    case RecordClass::ArcFile:
        return "arcentry";
    default:
        return "file";
    }
}

std::string RecordLine(const SFileInfo& r) {
    std::string line;
    AppendRecordLine(line, r, r.HasFlags(kFlagCase) ? std::string() : CatalogPath(r));
    return line;
}

void AppendRecordLine(std::string& out, const SFileInfo& r, std::string_view path) {
    if (r.HasFlags(kFlagCase)) {
        out += r.GetDisplayName();
        return;
    }
    out += path;
    if (r.IsDirectory()) {
        out += '\\';
    }
}

SRecordJsonFields SRecordJsonFields::Of(const SFileInfo& r) {
    SRecordJsonFields f;
    f.m_name = r.m_strName;
    f.m_class = r.Class();
    f.m_dwFlags = r.m_dwFlags;
    f.m_wArcType = r.m_wArcType;
    f.m_nSize = r.m_nSize;
    f.m_ftLastWrite = r.m_ftLastWrite;
    f.m_ftCreation = r.m_ftCreation;
    f.m_ftLastAccess = r.m_ftLastAccess;
    f.m_bHasCrc = (r.m_wExtFlags & kExtFlagCrc) != 0;
    f.m_dwCrc = r.m_dwExtValue;
    f.m_comment = r.Comment();
    f.m_category = r.Category();
    f.m_link = r.Link();
    f.m_byMark = r.m_byMark;
    f.m_nDataLen = r.DataLen();
    f.m_pProps = r.Props();
    if (r.HasFlags(kFlagMedium | kFlagGroup)) {
        const auto& v = static_cast<const SVolumeInfo&>(r);
        f.m_label = v.m_strLabel;
        f.m_orgLabel = v.m_strOrgLabel;
        f.m_volText1 = v.m_strVolText1;
        f.m_volText2 = v.m_strVolText2;
        f.m_dwSerial = v.m_dwSerial;
        f.m_nTotalBytes = v.m_nTotalBytes;
        f.m_nFreeBytes = v.m_nFreeBytes;
        f.m_dwSectorsPerCluster = v.m_dwSectorsPerCluster;
        f.m_dwBytesPerSector = v.m_dwBytesPerSector;
    }
    if (f.m_class == RecordClass::ArcFile) {
        const auto& a = static_cast<const SArcFileInfo&>(r);
        f.m_dwPackedSize = a.m_dwPackedSize;
        f.m_arcText = a.m_strArcText;
    }
    return f;
}

void SRecordJsonFields::Take(const SRecordFacts& r) {
    SRecordJsonFields& f = *this;
    f.m_name = r.m_strName;
    f.m_class = r.m_class;
    f.m_dwFlags = r.m_dwFlags;
    f.m_wArcType = r.m_wArcType;
    f.m_nSize = r.m_nSize;
    f.m_ftLastWrite = r.m_ftLastWrite;
    f.m_ftCreation = r.m_ftCreation;
    f.m_ftLastAccess = r.m_ftLastAccess;
    f.m_bHasCrc = r.HasCrc();
    f.m_dwCrc = r.m_dwExtValue;
    f.m_comment = r.m_strComment;
    f.m_category = r.m_strCategory;
    f.m_link = r.m_strLink;
    f.m_byMark = r.m_byMark;
    f.m_nDataLen = static_cast<std::uint32_t>(r.m_data.size());
    f.m_pProps = r.m_pProps.get();
    // Only the fields the object shows: a million files take none of these.
    if (HasVolumeFields(f)) {
        const SVolumeFields& v = r.m_volume;
        f.m_label = v.m_strLabel;
        f.m_orgLabel = v.m_strOrgLabel;
        f.m_volText1 = v.m_strVolText1;
        f.m_volText2 = v.m_strVolText2;
        f.m_dwSerial = v.m_dwSerial;
        f.m_nTotalBytes = v.m_nTotalBytes;
        f.m_nFreeBytes = v.m_nFreeBytes;
        f.m_dwSectorsPerCluster = v.m_dwSectorsPerCluster;
        f.m_dwBytesPerSector = v.m_dwBytesPerSector;
    }
    if (f.m_class == RecordClass::ArcFile) {
        f.m_dwPackedSize = r.m_dwPackedSize;
        f.m_arcText = r.m_strArcText;
    }
}

SRecordJsonFields SRecordJsonFields::Of(const SRecordFacts& r) {
    SRecordJsonFields f;
    f.Take(r);
    return f;
}

void AppendRecordJson(std::string& j, const SFileInfo& r) {
    j += "{\"path\":\"";
    AppendJsonEscaped(j, CatalogPath(r));
    AppendRecordJsonTail(j, SRecordJsonFields::Of(r));
}

namespace {

// The longest run CJsonCursor::Kind writes: keys, the longest class name, two numbers.
constexpr std::size_t kKindRoom = 64;

// Writes a line into room reserved for it beforehand: tree --json writes tens of fields
// for millions of records, and appending each piece to a string costs more than the
// formatting.
class CJsonCursor {
public:
    explicit CJsonCursor(char* at) : m_at(at) {}
    char* End() const { return m_at; }

    template <std::size_t N> void Literal(const char (&text)[N]) {
        std::memcpy(m_at, text, N - 1);
        m_at += N - 1;
    }
    void Number(std::uint64_t value) {
        if (value < 10) { // flags, marks and lengths are mostly one digit
            *m_at++ = static_cast<char>('0' + value);
            return;
        }
        m_at = std::to_chars(m_at, m_at + 24, value).ptr;
    }
    void Time(FileTime ft) {
        if (ft == 0) {
            Literal("null");
            return;
        }
        // A record's times are often one and the same, and neighbours' alike.
        thread_local FileTime s_last = 0;
        thread_local char s_text[kIso8601Max + 2];
        thread_local std::size_t s_length = 0;
        static_assert(kIso8601Max + 2 >= 32);
        if (ft != s_last) {
            s_text[0] = '"';
            char* end = WriteIso8601(s_text + 1, ft);
            *end++ = '"';
            s_length = static_cast<std::size_t>(end - s_text);
            s_last = ft;
        }
        // Thirty-two bytes whatever the length (a line has room to spare): one move, not
        // a call.
        std::memcpy(m_at, s_text, 32);
        m_at += s_length;
    }
    // From the class to the size's key: the same for most records of a case, and kept
    // as text from one record to the next.
    void Kind(RecordClass cls, std::uint32_t flags, std::uint16_t arcType) {
        struct SLastKind {
            RecordClass cls{};
            std::uint32_t flags = 0;
            std::uint16_t arcType = 0;
            bool valid = false;
            char text[kKindRoom] = {};
            std::size_t length = 0;
        };
        thread_local SLastKind last;
        if (!last.valid || cls != last.cls || flags != last.flags || arcType != last.arcType) {
            CJsonCursor k(last.text);
            k.Literal(",\"class\":\"");
            k.Raw(RecordClassName(cls));
            k.Literal("\",\"flags\":");
            k.Number(flags);
            k.Literal(",\"arcType\":");
            k.Number(arcType);
            k.Literal(",\"size\":");
            last.cls = cls;
            last.flags = flags;
            last.arcType = arcType;
            last.valid = true;
            last.length = static_cast<std::size_t>(k.End() - last.text);
        }
        std::memcpy(m_at, last.text, kKindRoom);
        m_at += last.length;
    }
    void String(std::string_view utf8) {
        *m_at++ = '"';
        Escaped(utf8);
        *m_at++ = '"';
    }
    void Raw(std::string_view text) {
        if (text.size() <= 32) {
            CopyUpTo32(m_at, text.data(), text.size());
        } else {
            std::memcpy(m_at, text.data(), text.size());
        }
        m_at += text.size();
    }
    void Escaped(std::string_view utf8) { m_at = WriteJsonEscaped(m_at, utf8); }

    // Room a string may take escaped, with its quotes.
    static std::size_t Room(std::string_view utf8) { return JsonEscapedRoom(utf8) + 2; }

private:
    char* m_at;
};

// Keys, numbers and times of the longest record, with room to spare; a plain record
// needs less.
constexpr std::size_t kFixedRoom = 1024;
constexpr std::size_t kPlainRoom = 512;

std::size_t TailRoom(const SRecordJsonFields& r) {
    std::size_t room = IsPlain(r) ? kPlainRoom : kFixedRoom;
    room += CJsonCursor::Room(r.m_name) + CJsonCursor::Room(r.m_comment) +
            CJsonCursor::Room(r.m_category) + CJsonCursor::Room(r.m_link);
    if (!IsPlain(r)) {
        for (std::string_view text :
             {r.m_label, r.m_orgLabel, r.m_volText1, r.m_volText2, r.m_arcText}) {
            room += CJsonCursor::Room(text);
        }
    }
    if (r.m_pProps) {
        room += CJsonCursor::Room(r.m_pProps->DefinitionName());
        for (const std::string& value : r.m_pProps->Values()) {
            room += CJsonCursor::Room(value) + 1;
        }
    }
    return room;
}

// The cursor is this function's own, so that its position can stay in a register: the
// bytes it writes could alias a cursor held elsewhere.
char* WriteTail(char* at, const SRecordJsonFields& r) {
    CJsonCursor j(at);
    j.Literal("\",\"name\":");
    if (!r.m_escapedName.empty()) {
        j.Literal("\"");
        j.Raw(r.m_escapedName);
        j.Literal("\"");
    } else {
        j.String(r.m_name);
    }
    j.Kind(r.m_class, r.m_dwFlags, r.m_wArcType);
    j.Number(r.m_nSize);
    j.Literal(",\"lastWrite\":");
    j.Time(r.m_ftLastWrite);
    j.Literal(",\"creation\":");
    j.Time(r.m_ftCreation);
    j.Literal(",\"lastAccess\":");
    j.Time(r.m_ftLastAccess);
    // Most files of a catalogue have none of the fields that follow: one literal then.
    if (!r.m_bHasCrc && r.m_comment.empty() && r.m_category.empty() && r.m_link.empty() &&
        r.m_byMark == 0 && r.m_nDataLen == 0 && !r.m_pProps && IsPlain(r)) {
        j.Literal(",\"crc\":null,\"comment\":\"\",\"category\":\"\",\"link\":\"\",\"mark\":0,"
                  "\"dataLen\":0,\"props\":null}");
        return j.End();
    }
    j.Literal(",\"crc\":");
    if (r.m_bHasCrc) {
        j.Number(r.m_dwCrc);
    } else {
        j.Literal("null");
    }
    j.Literal(",\"comment\":");
    j.String(r.m_comment);
    j.Literal(",\"category\":");
    j.String(r.m_category);
    j.Literal(",\"link\":");
    j.String(r.m_link);
    j.Literal(",\"mark\":");
    j.Number(r.m_byMark);
    j.Literal(",\"dataLen\":");
    j.Number(r.m_nDataLen);
    j.Literal(",\"props\":");
    if (const CPropertySet* props = r.m_pProps) {
        j.Literal("{\"definition\":");
        j.String(props->DefinitionName());
        j.Literal(",\"values\":[");
        for (std::size_t i = 0; i < props->Values().size(); ++i) {
            if (i != 0) {
                j.Literal(",");
            }
            j.String(props->Values()[i]);
        }
        j.Literal("]}");
    } else {
        j.Literal("null");
    }
    if (HasVolumeFields(r)) {
        j.Literal(",\"label\":");
        j.String(r.m_label);
        j.Literal(",\"orgLabel\":");
        j.String(r.m_orgLabel);
        j.Literal(",\"serial\":");
        j.String(FormatSerialNumber(r.m_dwSerial));
        j.Literal(",\"volText1\":");
        j.String(r.m_volText1);
        j.Literal(",\"volText2\":");
        j.String(r.m_volText2);
        j.Literal(",\"totalBytes\":");
        j.Number(r.m_nTotalBytes);
        j.Literal(",\"freeBytes\":");
        j.Number(r.m_nFreeBytes);
        j.Literal(",\"sectorsPerCluster\":");
        j.Number(r.m_dwSectorsPerCluster);
        j.Literal(",\"bytesPerSector\":");
        j.Number(r.m_dwBytesPerSector);
    }
    if (r.m_class == RecordClass::ArcFile) {
        j.Literal(",\"packedSize\":");
        j.Number(r.m_dwPackedSize);
        j.Literal(",\"arcText\":");
        j.String(r.m_arcText);
    }
    j.Literal("}");
    return j.End();
}

} // namespace

void AppendRecordJsonTail(std::string& j, const SRecordJsonFields& r) {
    const std::size_t start = j.size();
    j.resize(start + TailRoom(r));
    char* end = WriteRecordJsonTail(j.data() + start, r);
    j.resize(static_cast<std::size_t>(end - j.data()));
}

std::size_t RecordJsonTailRoom(const SRecordJsonFields& r) {
    return TailRoom(r);
}

char* WriteRecordJsonTail(char* at, const SRecordJsonFields& r) {
    return WriteTail(at, r);
}

std::string RecordJson(const SFileInfo& r) {
    std::string j;
    AppendRecordJson(j, r);
    return j;
}

} // namespace quillora::cli
