// The media payload: object-stream class records around the case file's record bodies.
#include "model/CMediaPayload.h"

#include "core/TraceLog.h"
#include "model/ArchiveException.h"
#include "model/CArchiveReader.h"
#include "model/CArchiveWriter.h"
#include "model/CCaseReader.h"
#include "model/CMemoryCaseStream.h"
#include "model/CTreeBuilder.h"
#include "model/CaseSchema.h"
#include "model/SGroupInfo.h"

#include <map>

namespace quillora {

namespace {

// Tags of the object stream.
constexpr std::uint16_t kNullTag = 0x0000;
constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kClassTag = 0x8000;
constexpr std::uint16_t kBigObjectTag = 0x7FFF;
constexpr std::uint32_t kBigClassTag = 0x80000000;
constexpr std::uint32_t kMaxSmallIndex = 0x7FFE;

constexpr const char kVolumeClass[] = "SVolumeInfo";
constexpr const char kGroupClass[] = "SGroupInfo";

bool IsPayloadRecord(const SFileInfo& record) {
    return record.Class() == RecordClass::Volume || record.Class() == RecordClass::Group;
}

const char* ClassName(const SFileInfo& record) {
    return record.Class() == RecordClass::Group ? kGroupClass : kVolumeClass;
}

// The store side of the object stream: class records once, then references.
class CObjectWriter {
public:
    explicit CObjectWriter(CArchiveWriter& ar) : m_ar(ar) {}

    void WriteClass(const std::string& name) {
        auto known = m_classes.find(name);
        if (known != m_classes.end()) {
            if (known->second <= kMaxSmallIndex) {
                m_ar.WriteU16(static_cast<std::uint16_t>(kClassTag | known->second));
            } else {
                m_ar.WriteU16(kBigObjectTag);
                m_ar.WriteU32(kBigClassTag | known->second);
            }
        } else {
            m_ar.WriteU16(kNewClassTag);
            m_ar.WriteU16(kCurrentSchema);
            m_ar.WriteU16(static_cast<std::uint16_t>(name.size()));
            m_ar.WriteBytes(name.data(), name.size());
            m_classes[name] = m_nMapCount++;
        }
        ++m_nMapCount; // the object itself takes the next index
    }

private:
    CArchiveWriter& m_ar;
    std::map<std::string, std::uint32_t> m_classes;
    std::uint32_t m_nMapCount = 1; // index 0 is the null object
};

// The load side: which class each index names. Object references are refused: the
// writer never repeats a record, and pasting one twice would put it in two places.
class CObjectReader {
public:
    explicit CObjectReader(CArchiveReader& ar) : m_ar(ar) {}

    std::string ReadClass() {
        std::uint16_t tag = m_ar.ReadU16();
        std::uint32_t classIndex = 0;
        if (tag == kNewClassTag) {
            std::uint16_t schema = m_ar.ReadU16();
            std::uint16_t length = m_ar.ReadU16();
            if (length == 0 || length >= 64) {
                throw CArchiveException(CArchiveException::badClass, "bad class name length",
                                        m_ar.Offset());
            }
            std::vector<std::uint8_t> bytes = m_ar.ReadBytes(length);
            std::string name(bytes.begin(), bytes.end());
            if (schema != kCurrentSchema) {
                throw CArchiveException(CArchiveException::badSchema,
                                        "class " + name + " has schema " + std::to_string(schema),
                                        m_ar.Offset());
            }
            m_classes[m_nMapCount++] = name;
            ++m_nMapCount;
            return name;
        }
        if (tag == kBigObjectTag) {
            std::uint32_t big = m_ar.ReadU32();
            if (!(big & kBigClassTag)) {
                throw CArchiveException(CArchiveException::badIndex, "a record appears twice",
                                        m_ar.Offset());
            }
            classIndex = big & ~kBigClassTag;
        } else if (tag & kClassTag) {
            classIndex = tag & ~kClassTag;
        } else {
            throw CArchiveException(CArchiveException::badIndex,
                                    tag == kNullTag ? "a null record" : "a record appears twice",
                                    m_ar.Offset());
        }
        auto known = m_classes.find(classIndex);
        if (known == m_classes.end()) {
            throw CArchiveException(CArchiveException::badIndex, "reference to an unknown class",
                                    m_ar.Offset());
        }
        ++m_nMapCount;
        return known->second;
    }

private:
    CArchiveReader& m_ar;
    std::map<std::uint32_t, std::string> m_classes;
    std::uint32_t m_nMapCount = 1;
};

} // namespace

std::string WriteMediaPayload(const std::vector<const SFileInfo*>& records) {
    CMemoryCaseStream stream;
    CArchiveWriter ar(stream);
    CObjectWriter objects(ar);
    std::int32_t count = 0;
    for (const SFileInfo* record : records) {
        count += record && IsPayloadRecord(*record) ? 1 : 0;
    }
    ar.WriteU32(static_cast<std::uint32_t>(count));
    for (const SFileInfo* record : records) {
        if (!record || !IsPayloadRecord(*record)) {
            continue;
        }
        ar.WriteU32(record->m_dwFlags);
        objects.WriteClass(ClassName(*record));
        record->StoreBody(ar);
    }
    ar.Flush();
    return stream.Bytes();
}

SMediaPayload ReadMediaPayload(std::span<const std::uint8_t> bytes,
                               const IPropertyDefinitionSource* definitions, int depth) {
    SMediaPayload result;
    CMemoryCaseStream stream(bytes);
    CArchiveReader ar(stream);
    CObjectReader objects(ar);
    CaseLoadContext ctx;
    ctx.schema = SchemaFor(kCurrentSchema);
    ctx.definitions = definitions;
    try {
        result.m_nStated = static_cast<std::int32_t>(ar.ReadU32());
        if (result.m_nStated < 0) {
            throw CArchiveException(CArchiveException::badIndex, "a negative record count", 0);
        }
        for (std::int32_t i = 0; i < result.m_nStated; ++i) {
            std::uint32_t flags = ar.ReadU32();
            bool group = (flags & kFlagGroup) != 0;
            std::string name = objects.ReadClass();
            if (name != (group ? kGroupClass : kVolumeClass)) {
                throw CArchiveException(CArchiveException::badClass,
                                        "a " + name + " where the flags name " +
                                            (group ? kGroupClass : kVolumeClass),
                                        ar.Offset());
            }
            ctx.depth = depth;
            CTreeBuilder builder;
            CCaseReader::ReadRecord(ar, ctx, group ? RecordClass::Group : RecordClass::Volume,
                                    builder);
            std::vector<std::unique_ptr<SFileInfo>> roots = builder.TakeRoots();
            std::unique_ptr<SFileInfo> record = std::move(roots.front());
            record->UpdateDisplayNameTree(true);
            record->RecalcSize(true);
            result.m_records.push_back(std::move(record));
        }
    } catch (const CArchiveException& e) {
        result.m_strError =
            e.m_strDetail.empty() ? CArchiveException::CauseName(e.m_cause) : e.m_strDetail;
        result.m_nErrorOffset = e.m_nOffset;
        LogFormat("media payload: %s at byte %llu", result.m_strError.c_str(),
                  static_cast<unsigned long long>(e.m_nOffset));
    } catch (const std::exception& e) {
        result.m_strError = e.what();
        result.m_nErrorOffset = ar.Offset();
    }
    return result;
}

} // namespace quillora
