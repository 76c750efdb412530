// The streaming case reader: the class record and password check, then every record
// body in every schema, on an explicit stack, each record handed to the sink.
#include "model/CCaseReader.h"

#include "core/LittleEndian.h"
#include "core/Text.h"
#include "core/TraceLog.h"
#include "model/ArchiveException.h"
#include "model/CArchiveReader.h"
#include "model/CaseFileException.h"
#include "model/CaseStream.h"
#include "model/PropertyDefinitions.h"
#include "model/SVolumeInfo.h"

#include <algorithm>
#include <array>

namespace quillora {

namespace {

// Whether a record of `s` keeps the layout ReadPlainBody parses (the schemas of today).
bool HasPlainLayout(const CaseSchema& s) {
    return s.supported && s.leadingIgnoredU16 == 0 && s.size64 && !s.oldFlagWord && !s.arcTypeU32 &&
           s.arcTypeU16 && !s.ruleN && s.textCount && s.textCountU8 && s.props && s.propCountU8 &&
           !s.schema1Tail && !s.markU32 && s.data && s.extFields;
}

constexpr const char kClassName[] = "CCDCase";

// The part of a name after its last backslash.
std::string_view LastComponent(std::string_view name) {
    std::size_t slash = name.rfind('\\');
    return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

std::uint16_t ArcTypeFromOldFlags(std::uint32_t flags) {
    std::uint32_t bits = (flags >> 16) & 0xFF;
    for (std::uint16_t type = 1; type <= 8; ++type) {
        if (bits & (1u << (type - 1))) {
            return type;
        }
    }
    return 0;
}

bool IsMediumClass(RecordClass cls) {
    return cls == RecordClass::Case || cls == RecordClass::Group || cls == RecordClass::Volume;
}

CArchiveException AsBadClass(const CArchiveException& e) {
    return CArchiveException(CArchiveException::badClass,
                             e.m_strDetail.empty() ? CArchiveException::CauseName(e.m_cause)
                                                   : e.m_strDetail,
                             e.m_nOffset);
}

// Checks the password block of a schema-12 file; throws CCaseFileException when the
// file's password is not the one being tried.
std::string CheckPassword(CArchiveReader& ar, CCDCase::SPasswordCheck* check) {
    Log("CCDCase::Serialize() PasswordRead() start");
    std::array<std::uint8_t, 16> block{};
    // A file cut inside the block is damaged, not protected: saying "password" would
    // send the user after a password that does not exist.
    if (ar.ReadSome(block.data(), block.size()) != block.size()) {
        throw CArchiveException(CArchiveException::endOfFile, "the password block is cut short",
                                ar.Offset());
    }
    // The block holds CP932 bytes, like every other text of the file; the try-password
    // must match them byte for byte.
    const std::string stored = DecodePasswordBlock(block);
    std::string password = text::Cp932ToUtf8(stored);
    const std::string tryPassword = check ? check->tryPassword : TryPassword();
    std::string tryBytes;
    const bool passes =
        stored.empty() ||
        (!tryPassword.empty() && text::Utf8ToCp932(tryPassword, tryBytes) && tryBytes == stored);
    if (!passes) {
        Log("CCDCase::Serialize() PasswordRead() faild");
        if (check) {
            check->filePassword = password;
        } else {
            SetTryPassword(password);
        }
        Log("CCDCase::Serialize() TOBThrowCaseFileException()");
        throw CCaseFileException(CCaseFileException::kBadPassword, -1, std::string());
    }
    Log("CCDCase::Serialize() PasswordRead() success");
    return password;
}

} // namespace

CCaseReader::CCaseReader(CArchiveReader& ar, CaseLoadContext& ctx, IRecordSink& sink)
    : m_ar(ar), m_ctx(ctx), m_sink(sink), m_bLog(LogMode() != 0),
      m_bStoredNames(sink.TakesStoredNames() && !m_bLog),
      m_bPlainBodies(!m_bLog && HasPlainLayout(ctx.schema)), m_nBaseDepth(ctx.depth) {}

void CCaseReader::Read(ICaseStream& stream, IRecordSink& sink, CCDCase::SPasswordCheck* check) {
    CArchiveReader ar(stream);
    if (ar.ReadU16() != 0xFFFF) {
        throw CArchiveException(CArchiveException::badClass, "no class record at the start", 0);
    }
    const std::uint16_t schema = ar.ReadU16();
    const std::uint16_t nameLength = ar.ReadU16();
    if (nameLength >= 64) {
        throw CArchiveException(CArchiveException::badClass, "class name too long", ar.Offset());
    }
    const std::vector<std::uint8_t> name = ar.ReadBytes(nameLength);
    if (std::string_view(reinterpret_cast<const char*>(name.data()), name.size()) != kClassName) {
        throw CArchiveException(CArchiveException::badClass, "the file holds another class",
                                ar.Offset());
    }
    Log("CCDCase::Serialize() start");
    LogFormat("CCDCase::Serialize() Version = %0X", schema);
    CaseLoadContext ctx;
    ctx.schema = SchemaFor(schema);
    ctx.definitions = PropertyDefinitions();
    std::string password;
    if (schema == 12) {
        password = CheckPassword(ar, check);
    }
    CCaseReader reader(ar, ctx, sink);
    reader.LevelAt(0).m_facts.m_strPassword = password;
    try {
        reader.ReadTree(RecordClass::Case);
    } catch (const CArchiveException& e) {
        if (reader.m_bSinkFailed) {
            throw;
        }
        Log("CCDCase::Serialize() Archive exception throw");
        throw CArchiveException(CArchiveException::badSchema,
                                e.m_strDetail.empty() ? CArchiveException::CauseName(e.m_cause)
                                                      : e.m_strDetail,
                                e.m_nOffset);
    } catch (const std::exception& e) {
        if (reader.m_bSinkFailed) {
            throw;
        }
        Log("CCDCase::Serialize() other throw");
        throw CArchiveException(CArchiveException::badClass, e.what(), ar.Offset());
    }
    Log("CCDCase::Serialize() end");
    stream.CheckEnd();
    sink.Finish(SSinkResult{});
}

void CCaseReader::ReadRecord(CArchiveReader& ar, CaseLoadContext& ctx, RecordClass cls,
                             IRecordSink& sink) {
    CCaseReader reader(ar, ctx, sink);
    reader.ReadTree(cls);
}

CCaseReader::SLevel& CCaseReader::LevelAt(std::size_t index) {
    if (index < m_levels.size()) [[likely]] {
        return *m_levels[index];
    }
    return GrowTo(index);
}

CCaseReader::SLevel& CCaseReader::GrowTo(std::size_t index) {
    while (m_levels.size() <= index) {
        m_levels.push_back(std::make_unique<SLevel>());
    }
    return *m_levels[index];
}

void CCaseReader::ReadTree(RecordClass cls) {
    try {
        m_nCurrent = 0;
        Open(cls);
        while (m_nOpen > 0) {
            SLevel& level = *m_levels[m_nOpen - 1];
            if (level.m_nRemaining == 0) {
                m_nCurrent = m_nOpen - 1;
                Close();
                continue;
            }
            --level.m_nRemaining;
            m_nCurrent = m_nOpen;
            const RecordClass childClass = ChildClass(level);
            if (m_ctx.schema.number == 10 && childClass == RecordClass::Volume && m_bLog) {
                LogFormat(
                    "SFileInfo::SerializeVer1275() Volume[%u]",
                    static_cast<unsigned>(level.m_facts.m_nContentsHint - level.m_nRemaining - 1));
            }
            Open(childClass);
        }
    } catch (const CArchiveException& e) {
        if (m_nCurrent == 0 || m_bSinkFailed) {
            throw;
        }
        // Each enclosing record reports its child as damaged.
        for (std::size_t i = 0; i < m_nCurrent && m_bLog; ++i) {
            Log(m_ctx.schema.throwLine);
        }
        throw AsBadClass(e);
    } catch (const std::exception& e) {
        if (m_nCurrent == 0 || m_bSinkFailed) {
            throw;
        }
        for (std::size_t i = 0; i < m_nCurrent && m_bLog; ++i) {
            Log(m_ctx.schema.throwLine);
        }
        throw CArchiveException(CArchiveException::badClass, e.what(), m_ar.Offset());
    }
}

RecordClass CCaseReader::ChildClass(const SLevel& parent) {
    if (m_ctx.schema.childFlagWords) {
        const std::uint32_t flags = m_ar.ReadU32();
        if (flags & kFlagGroup) {
            return RecordClass::Group;
        }
        if (flags & kFlagMedium) {
            return RecordClass::Volume;
        }
        return (flags & kFlagArcEntry) ? RecordClass::ArcFile : RecordClass::File;
    }
    if (parent.m_facts.m_class == RecordClass::Case) {
        return RecordClass::Volume;
    }
    if (m_ctx.schema.number >= 2 && parent.m_facts.HasFlags(kFlagListedArchive)) {
        return RecordClass::ArcFile;
    }
    return RecordClass::File;
}

void CCaseReader::Open(RecordClass cls) {
    SLevel& level = LevelAt(m_nOpen);
    SRecordFacts& facts = level.m_facts;
    if (cls == RecordClass::Case) [[unlikely]] {
        // The case keeps the password that Read put there before the first record.
        std::string password = std::move(facts.m_strPassword);
        facts.Reset(cls);
        facts.m_strPassword = std::move(password);
        facts.m_nSchema = m_ctx.schema.number;
    } else {
        facts.Reset(cls);
    }
    if (cls == RecordClass::Group && m_bLog) {
        Log("CGroupInfo::Serialize() start");
    }
    std::uint32_t childCount = 0;
    ReadBody(facts, childCount);
    facts.m_nContentsHint = childCount;
    if (childCount > 0 && m_nBaseDepth + static_cast<int>(m_nOpen) >= kMaxTreeDepth) {
        throw CArchiveException(CArchiveException::badClass, "records nested too deeply",
                                m_ar.Offset());
    }
    if (cls == RecordClass::Group && m_ctx.schema.number == 11) {
        facts.m_dwFlags |= kAttrDirectory;
    }
    facts.m_dwFlags = ClassFlagsFor(cls, facts.m_dwFlags);
    const bool medium = IsMediumClass(cls);
    if (childCount == 0 && !medium) {
        if (m_bLog) {
            LogFormat("SFileInfo::Serialize() Load end [%s]", facts.m_strName.c_str());
        }
        ReadTail(facts);
        ToSink([&] { m_sink.Entry(facts); });
        return;
    }
    level.m_nRemaining = childCount;
    level.m_bMedium = medium;
    ++m_nOpen;
    ToSink([&] { medium ? m_sink.BeginMedium(facts) : m_sink.EnterFolder(facts); });
}

void CCaseReader::Close() {
    SLevel& level = *m_levels[m_nOpen - 1];
    SRecordFacts& facts = level.m_facts;
    if (m_bLog) {
        LogFormat("SFileInfo::Serialize() Load end [%s]", facts.m_strName.c_str());
    }
    ReadTail(facts);
    --m_nOpen;
    ToSink([&] { level.m_bMedium ? m_sink.EndMedium(facts) : m_sink.LeaveFolder(facts); });
}

bool CCaseReader::ReadPlainBody(SRecordFacts& f, std::uint32_t& childCount) {
    // Size, flags, archive type and three times, then the name's length.
    constexpr std::size_t kHead = 8 + 4 + 2 + 3 * 8;
    // After the name: the text count and that many empty texts (the comment, then
    // categories; this program writes two), no properties, an empty link, mark and link
    // flag, no contents, the extension flags and value, the child count.
    constexpr std::size_t kMaxTexts = 2;
    constexpr std::size_t kAfterTexts = 1 + 1 + 1 + 1 + 4 + 2 + 4 + 4;
    const std::string_view in = m_ar.Buffered();
    if (in.size() < kHead + 1) {
        return false;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    const std::size_t nameLength = p[kHead];
    const std::size_t tail = kHead + 1 + nameLength;
    if (nameLength == 0xFF || in.size() < tail + 1 + kMaxTexts + kAfterTexts) {
        return false;
    }
    const std::size_t texts = std::max<std::size_t>(p[tail], 1); // a comment even for 0
    if (texts > kMaxTexts || p[tail + 1] != 0 || p[tail + texts] != 0) {
        return false;
    }
    const unsigned char* t = p + tail + 1 + texts; // the property count
    const std::uint32_t flags = Le32(p + 8);
    if (t[0] != 0 || t[1] != 0 || Le32(t + 4) != 0 || (flags & kFlagMedium) != 0) {
        return false;
    }
    f.m_nSize = Le64(p);
    f.m_dwFlags = flags;
    f.m_wArcType = static_cast<std::uint16_t>(Le16(p + 12));
    f.m_ftLastAccess = Le64(p + 14);
    f.m_ftLastWrite = Le64(p + 22);
    f.m_ftCreation = Le64(p + 30);
    const std::string_view name(in.data() + kHead + 1, nameLength);
    const bool entry = f.m_class == RecordClass::File || f.m_class == RecordClass::ArcFile;
    if (m_bStoredNames && entry) {
        f.m_strStoredName.assign(name);
        f.m_bNameStored = true;
    } else {
        text::Cp932ToUtf8(name, f.m_strName);
    }
    // The texts, the property set and the contents stay as Open's Reset left them: empty.
    f.m_byMark = t[2];
    f.m_bLinkInherited = t[3];
    f.m_wExtFlags = static_cast<std::uint16_t>(Le16(t + 8));
    f.m_dwExtValue = Le32(t + 10);
    childCount = Le32(t + 14);
    m_ar.Skip(tail + 1 + texts + kAfterTexts);
    return true;
}

void CCaseReader::ReadBody(SRecordFacts& f, std::uint32_t& childCount) {
    if (m_bPlainBodies && ReadPlainBody(f, childCount)) {
        return;
    }
    CArchiveReader& ar = m_ar;
    const CaseSchema& s = m_ctx.schema;
    if (!s.supported) {
        Log("SFileInfo::Serialize() not supported throw");
        throw CArchiveException(CArchiveException::badClass, "unsupported schema", ar.Offset());
    }
    if (m_bLog) {
        Log("SFileInfo::Serialize() Load start");
    }
    for (int i = 0; i < s.leadingIgnoredU16; ++i) {
        ar.ReadU16();
    }
    f.m_nSize = s.size64 ? ar.ReadU64() : ar.ReadU32();
    f.m_dwFlags = ar.ReadU32();
    if (s.oldFlagWord) {
        f.m_wArcType = ArcTypeFromOldFlags(f.m_dwFlags);
        f.m_dwFlags &= ~0x00FF0000u;
    } else if (s.arcTypeU32) {
        f.m_wArcType = static_cast<std::uint16_t>(ar.ReadU32());
    } else if (s.arcTypeU16) {
        f.m_wArcType = ar.ReadU16();
    }
    f.m_ftLastAccess = ar.ReadU64();
    f.m_ftLastWrite = ar.ReadU64();
    f.m_ftCreation = ar.ReadU64();
    // Names that the schema rewrites below are always decoded.
    const bool entry = f.m_class == RecordClass::File || f.m_class == RecordClass::ArcFile;
    if (m_bStoredNames && entry && !s.ruleN && !(s.ruleM && f.HasFlags(kFlagMedium))) {
        f.m_bNameStored = ar.ReadStoredTextInto(f.m_strStoredName, f.m_strName);
    } else {
        ar.ReadTextInto(f.m_strName);
    }
    if (s.ruleN) {
        if (f.m_class == RecordClass::Volume) {
            f.m_strName.clear();
        } else if (f.m_class != RecordClass::Case) {
            f.m_strName = std::string(LastComponent(f.m_strName));
        }
    }
    if (s.textCount) {
        const std::uint32_t n = s.textCountU8 ? ar.ReadU8() : ar.ReadU32();
        ar.ReadTextInto(f.m_strComment);
        for (std::uint32_t i = 1; i < n; ++i) {
            ar.ReadTextInto(f.m_strCategory);
        }
    } else {
        ar.ReadTextInto(f.m_strComment);
    }
    if (s.props) {
        const std::uint32_t m = s.propCountU8 ? ar.ReadU8() : ar.ReadU32();
        if (m > 0) {
            const std::string definitionName = ar.ReadText();
            const CPropertyDefinition* definition =
                m_ctx.definitions ? m_ctx.definitions->FindByName(definitionName) : nullptr;
            std::vector<std::string> values;
            for (std::uint32_t i = 0; i < m; ++i) {
                values.push_back(ar.ReadText());
            }
            if (definition) {
                auto props = std::make_unique<CPropertySet>(definition);
                if (definition->m_bAdopted) {
                    props->Values() = std::move(values);
                } else {
                    for (std::size_t i = 0; i < values.size() && i < props->Values().size(); ++i) {
                        props->Values()[i] = std::move(values[i]);
                    }
                }
                f.m_pProps = std::move(props);
            }
        }
    }
    if (s.schema1Tail) {
        ar.ReadU32();
        childCount = ar.ReadU32();
        return;
    }
    ar.ReadTextInto(f.m_strLink);
    if (s.markU32) {
        f.m_byMark = static_cast<std::uint8_t>(ar.ReadU32());
        f.m_bLinkInherited = static_cast<std::uint8_t>(ar.ReadU32());
    } else {
        f.m_byMark = ar.ReadU8();
        f.m_bLinkInherited = ar.ReadU8();
    }
    if (s.ruleM && f.HasFlags(kFlagMedium)) {
        const std::size_t colon = f.m_strName.find(':');
        if (colon != std::string::npos && colon > 0) {
            f.m_strName.erase(0, colon + 1);
        }
    }
    if (s.data) {
        const std::uint32_t length = ar.ReadU32();
        if (length > kMaxStoredContents) {
            throw CArchiveException(CArchiveException::badSchema,
                                    "a record keeps " + std::to_string(length) +
                                        " bytes of stored contents, more than the 1 GiB allowed",
                                    ar.Offset());
        }
        if (length > 0) {
            f.m_data = ar.ReadBytes(length);
        }
    }
    if (s.extFields) {
        f.m_wExtFlags = ar.ReadU16();
        f.m_dwExtValue = ar.ReadU32();
    }
    childCount = ar.ReadU32();
}

void CCaseReader::ReadTail(SRecordFacts& f) {
    const int schema = m_ctx.schema.number;
    switch (f.m_class) {
    case RecordClass::ArcFile:
        if (schema == 3 || schema > 12) {
            Log("SArcFileInfo::Serialize() not supported throw");
            throw CArchiveException(CArchiveException::badClass, "unsupported schema",
                                    m_ar.Offset());
        }
        try {
            if (schema >= 2) {
                f.m_dwPackedSize = m_ar.ReadU32();
            }
            if (schema >= 10) {
                m_ar.ReadTextInto(f.m_strArcText);
            }
        } catch (const CArchiveException& e) {
            Log("SArcFileInfo::Serialize() Throw");
            throw CArchiveException(CArchiveException::badClass,
                                    CArchiveException::CauseName(e.m_cause), e.m_nOffset);
        }
        return;
    case RecordClass::Volume:
        if (schema == 3 || schema > 12) {
            Log("SVolumeInfo::Serialize() not supported throw");
            throw CArchiveException(CArchiveException::badClass, "unsupported schema",
                                    m_ar.Offset());
        }
        try {
            ReadVolumeFields(f.m_volume);
        } catch (const CArchiveException& e) {
            Log("SVolumeInfo::Serialize() Throw");
            throw CArchiveException(CArchiveException::badClass,
                                    CArchiveException::CauseName(e.m_cause), e.m_nOffset);
        }
        return;
    case RecordClass::Group:
        if (schema != 11 && schema != 12) {
            Log("SGroupInfo::Serialize() not supported throw");
            throw CArchiveException(CArchiveException::badClass, "unsupported schema",
                                    m_ar.Offset());
        }
        try {
            ReadVolumeFields(f.m_volume);
        } catch (const CArchiveException& e) {
            Log("SGroupInfo::Serialize() Throw");
            throw CArchiveException(CArchiveException::badClass,
                                    CArchiveException::CauseName(e.m_cause), e.m_nOffset);
        }
        if (m_bLog) {
            Log("CGroupInfo::Serialize() end");
        }
        return;
    default:
        return;
    }
}

void CCaseReader::ReadVolumeFields(SVolumeFields& v) {
    CArchiveReader& ar = m_ar;
    const int schema = m_ctx.schema.number;
    if (schema == 1) {
        ar.ReadTextInto(v.m_strLabel);
        v.m_strOrgLabel = v.m_strLabel;
        return;
    }
    if (schema <= 6) {
        ar.ReadTextInto(v.m_strLabel);
        ar.ReadTextInto(v.m_strVolText1);
        v.m_dwSerial = ar.ReadU32();
        ar.ReadTextInto(v.m_strVolText2);
        v.m_nTotalBytes = OldSizeFromDouble(ar.ReadF64());
        v.m_nFreeBytes = OldSizeFromDouble(ar.ReadF64());
        if (schema >= 4) {
            ar.ReadTextInto(v.m_strOrgLabel);
        }
        return;
    }
    try {
        ar.ReadTextInto(v.m_strLabel);
        ar.ReadTextInto(v.m_strVolText1);
        v.m_dwSerial = ar.ReadU32();
        ar.ReadTextInto(v.m_strVolText2);
        v.m_nTotalBytes = ar.ReadU64();
        v.m_nFreeBytes = ar.ReadU64();
        ar.ReadTextInto(v.m_strOrgLabel);
    } catch (const CArchiveException&) {
        Log("SVolumeInfo::SerializeVer1183() Throw");
        throw;
    }
    // Files that end right before the two cluster fields were written that way; a
    // file that ends inside them was cut short.
    unsigned char tail[8];
    const std::size_t got = ar.ReadSome(tail, sizeof tail);
    if (got == 0) {
        v.m_dwSectorsPerCluster = 0;
        v.m_dwBytesPerSector = 0;
        return;
    }
    if (got != sizeof tail) {
        Log("SVolumeInfo::SerializeVer1183() Throw");
        ar.ThrowEof();
    }
    auto u32At = [&tail](int at) {
        return static_cast<std::uint32_t>(tail[at] | tail[at + 1] << 8 | tail[at + 2] << 16 |
                                          static_cast<std::uint32_t>(tail[at + 3]) << 24);
    };
    v.m_dwSectorsPerCluster = u32At(0);
    v.m_dwBytesPerSector = u32At(4);
}

} // namespace quillora
