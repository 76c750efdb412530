// The clipboard's media payload: its layout, a round trip of media and groups with
// every stored field, and outside bytes that are cut short, lie about their class or
// repeat a record: only whole records come back, never a part of one.
#include "core/Text.h"
#include "model/CMediaPayload.h"
#include "model/CaseSchema.h"
#include "model/PropertyDefinitions.h"
#include "model/SArcFileInfo.h"
#include "model/SGroupInfo.h"
#include "model/SVolumeInfo.h"

#include <gtest/gtest.h>

using namespace quillora;

namespace {

CPropertyDefinition g_office{"MS-Office", {1, 2, 3}, false};

class CDefinitions : public IPropertyDefinitionSource {
public:
    const CPropertyDefinition* FindByName(std::string_view name) const override {
        return name == g_office.m_strName ? &g_office : nullptr;
    }
};

SFileInfo* AddFile(SFileInfo& parent, std::string name, std::uint64_t size,
                   std::uint32_t flags = kAttrArchive) {
    auto file = std::make_unique<SFileInfo>();
    file->m_strName = std::move(name);
    file->m_nSize = size;
    file->m_dwFlags = flags;
    file->m_ftLastWrite = 133000000000000000ULL + size;
    return parent.AddChild(std::move(file));
}

std::unique_ptr<SVolumeInfo> RichMedium(const std::string& label) {
    auto disc = std::make_unique<SVolumeInfo>();
    disc->m_dwFlags |= kFlagCdRom;
    disc->SetLabel(label);
    disc->SetOrgLabel(label + "_ORG");
    disc->m_dwSerial = 0x1A2B3C4D;
    disc->m_strVolText2 = "CDFS";
    disc->m_nTotalBytes = 700ULL << 20;
    disc->m_dwBytesPerSector = 2048;
    disc->SetComment("line one\r\nline two");
    SFileInfo* doc = AddFile(*disc, "ソフト表.doc", 1234);
    doc->m_byMark = 1;
    doc->SetCategory("書類");
    doc->SetLink("/home/me/ソフト表.doc");
    doc->m_wExtFlags = kExtFlagCrc;
    doc->m_dwExtValue = 0xDEADBEEF;
    auto props = std::make_unique<CPropertySet>(&g_office);
    props->Values() = {"Title", "", "著者"};
    doc->SetProps(std::move(props));
    doc->SetData({0, 1, 2, 255});
    SFileInfo* zip = AddFile(*disc, "pack.zip", 4096, kFlagListedArchive | kAttrDirectory);
    zip->m_wArcType = kArcZip;
    auto entry = std::make_unique<SArcFileInfo>();
    entry->m_strName = "inner.txt";
    entry->m_nSize = 10;
    entry->m_dwPackedSize = 7;
    entry->m_strArcText = "deflate";
    zip->AddChild(std::move(entry));
    disc->RecalcSize(true);
    return disc;
}

std::span<const std::uint8_t> Bytes(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

std::string Le32(std::uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) {
        s[static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
    }
    return s;
}

} // namespace

TEST(MediaPayload, RoundTripKeepsMediaGroupsAndEveryStoredField) {
    CDefinitions definitions;
    auto first = RichMedium("Photos");
    auto second = RichMedium("Music");
    SGroupInfo group;
    group.SetLabel("棚 1");
    group.AddChild(RichMedium("Inside"));
    group.RecalcSize(true);
    SFileInfo plain; // not a medium or a group: skipped
    std::string bytes = WriteMediaPayload({first.get(), &plain, second.get(), &group});

    // N, the first medium's flags, then its class record.
    std::string head = Le32(3) + Le32(first->m_dwFlags) +
                       std::string("\xFF\xFF\x0C\x00\x0B\x00", 6) + "SVolumeInfo";
    EXPECT_EQ(bytes.substr(0, head.size()), head);
    // The second medium refers to class 1; the group brings a new class record.
    EXPECT_NE(bytes.find(Le32(second->m_dwFlags) + std::string("\x01\x80", 2)), std::string::npos);
    EXPECT_NE(bytes.find(std::string("\xFF\xFF\x0C\x00\x0A\x00", 6) + "SGroupInfo"),
              std::string::npos);

    SMediaPayload read = ReadMediaPayload(Bytes(bytes), &definitions);
    ASSERT_TRUE(read.Complete()) << read.m_strError;
    ASSERT_EQ(read.m_records.size(), 3u);
    EXPECT_EQ(read.m_nStated, 3);
    auto& medium = static_cast<SVolumeInfo&>(*read.m_records[0]);
    EXPECT_EQ(medium.Class(), RecordClass::Volume);
    EXPECT_EQ(medium.GetLabel(), "Photos");
    EXPECT_EQ(medium.GetOrgLabel(), "Photos_ORG");
    EXPECT_EQ(medium.m_dwSerial, 0x1A2B3C4Du);
    EXPECT_EQ(medium.m_dwBytesPerSector, 2048u);
    EXPECT_EQ(medium.Comment(), "line one\r\nline two");
    EXPECT_EQ(medium.m_nSize, first->m_nSize);
    EXPECT_EQ(medium.GetParent(), nullptr);
    const SFileInfo& doc = *medium.ChildAt(0);
    EXPECT_EQ(doc.GetDisplayName(), "ソフト表.doc");
    EXPECT_EQ(doc.m_byMark, 1);
    EXPECT_EQ(doc.Category(), "書類");
    EXPECT_EQ(doc.Link(), "/home/me/ソフト表.doc");
    EXPECT_EQ(doc.m_dwExtValue, 0xDEADBEEFu);
    ASSERT_NE(doc.Props(), nullptr);
    EXPECT_EQ(doc.Props()->Values()[2], "著者");
    EXPECT_EQ(doc.Data(), (std::vector<std::uint8_t>{0, 1, 2, 255}));
    const SFileInfo& zip = *medium.ChildAt(1);
    ASSERT_EQ(zip.ChildCount(), 1u);
    auto& inner = static_cast<const SArcFileInfo&>(*zip.ChildAt(0));
    EXPECT_EQ(inner.Class(), RecordClass::ArcFile);
    EXPECT_EQ(inner.m_strArcText, "deflate");
    EXPECT_EQ(inner.m_dwPackedSize, 7u);
    EXPECT_EQ(read.m_records[2]->Class(), RecordClass::Group);
    EXPECT_EQ(read.m_records[2]->GetDisplayName(), "棚 1");
    ASSERT_EQ(read.m_records[2]->ChildCount(), 1u);
    EXPECT_EQ(static_cast<SVolumeInfo&>(*read.m_records[2]->ChildAt(0)).GetLabel(), "Inside");

    // Written again, the records give the same bytes.
    std::vector<const SFileInfo*> again;
    for (const auto& record : read.m_records) {
        again.push_back(record.get());
    }
    EXPECT_EQ(WriteMediaPayload(again), bytes);
}

TEST(MediaPayload, EmptyAndUnknownDefinitions) {
    std::string empty = WriteMediaPayload({});
    EXPECT_EQ(empty, Le32(0));
    SMediaPayload none = ReadMediaPayload(Bytes(empty), nullptr);
    EXPECT_TRUE(none.Complete());
    EXPECT_TRUE(none.m_records.empty());

    // Without the definition the property values are read past and dropped.
    auto disc = RichMedium("Disc");
    SMediaPayload read = ReadMediaPayload(Bytes(WriteMediaPayload({disc.get()})), nullptr);
    ASSERT_TRUE(read.Complete()) << read.m_strError;
    EXPECT_EQ(read.m_records[0]->ChildAt(0)->Props(), nullptr);
    EXPECT_EQ(read.m_records[0]->ChildAt(1)->GetName(), "pack.zip");
}

TEST(MediaPayload, CutShortAnywhereGivesOnlyWholeRecords) {
    CDefinitions definitions;
    auto a = RichMedium("A");
    auto b = RichMedium("B");
    const std::string one = WriteMediaPayload({a.get()});
    const std::string bytes = WriteMediaPayload({a.get(), b.get()});
    // The end of the first record in the two-record payload: its bytes after N.
    const std::size_t firstEnd = one.size();
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        SMediaPayload read = ReadMediaPayload(Bytes(bytes).subspan(0, length), &definitions);
        // Only whole records come back. A medium whose bytes end right where its two
        // cluster numbers would begin may count as read (case files written that way
        // exist); inside them, or anywhere earlier, it does not.
        const std::size_t got = read.m_records.size();
        if (length < firstEnd - 8) {
            ASSERT_EQ(got, 0u) << "cut at " << length;
        } else if (length < firstEnd) {
            ASSERT_LE(got, 1u) << "cut at " << length;
        } else {
            ASSERT_GE(got, 1u) << "cut at " << length;
        }
        EXPECT_FALSE(read.Complete() && length < bytes.size() - 8) << length;
        std::size_t expected = got;
        if (expected == 1) {
            EXPECT_EQ(static_cast<SVolumeInfo&>(*read.m_records[0]).GetLabel(), "A");
            EXPECT_EQ(read.m_records[0]->ChildCount(), 2u);
        }
    }
}

TEST(MediaPayload, HostileBytesAreRefusedWithTheReason) {
    auto disc = RichMedium("Disc");
    const std::string good = WriteMediaPayload({disc.get()});
    auto withFlags = [&](std::uint32_t flags) {
        std::string s = good;
        s.replace(4, 4, Le32(flags));
        return s;
    };

    // The flag word names a group, the class record a medium.
    SMediaPayload lying = ReadMediaPayload(Bytes(withFlags(kNewGroupFlags)), nullptr);
    EXPECT_TRUE(lying.m_records.empty());
    EXPECT_NE(lying.m_strError.find("SVolumeInfo"), std::string::npos) << lying.m_strError;

    // A negative count, a count larger than the records there.
    EXPECT_FALSE(ReadMediaPayload(Bytes(Le32(0x80000000u)), nullptr).Complete());
    std::string many = Le32(0x7FFFFFFF) + good.substr(4);
    SMediaPayload bigCount = ReadMediaPayload(Bytes(many), nullptr);
    EXPECT_EQ(bigCount.m_records.size(), 1u);
    EXPECT_FALSE(bigCount.Complete());

    // The same record twice (an object reference), a null record, an unknown class
    // index, a foreign class and another schema.
    std::string twice =
        Le32(2) + good.substr(4) + Le32(disc->m_dwFlags) + std::string("\x02\x00", 2);
    SMediaPayload repeated = ReadMediaPayload(Bytes(twice), nullptr);
    EXPECT_EQ(repeated.m_records.size(), 1u);
    EXPECT_NE(repeated.m_strError.find("twice"), std::string::npos);
    std::string null = Le32(1) + Le32(disc->m_dwFlags) + std::string("\x00\x00", 2);
    EXPECT_TRUE(ReadMediaPayload(Bytes(null), nullptr).m_records.empty());
    std::string unknown = Le32(1) + Le32(disc->m_dwFlags) + std::string("\x05\x80", 2);
    EXPECT_NE(ReadMediaPayload(Bytes(unknown), nullptr).m_strError.find("unknown class"),
              std::string::npos);
    std::string foreign = good;
    foreign.replace(good.find("SVolumeInfo"), 11, "CObListInfo");
    EXPECT_TRUE(ReadMediaPayload(Bytes(foreign), nullptr).m_records.empty());
    std::string schema11 = good;
    schema11[10] = 11;
    EXPECT_TRUE(ReadMediaPayload(Bytes(schema11), nullptr).m_records.empty());
}

TEST(MediaPayload, TreesDeeperThanACaseMayHoldAreRefused) {
    auto disc = std::make_unique<SVolumeInfo>();
    SFileInfo* at = disc.get();
    for (int level = 0; level < 50; ++level) {
        at = AddFile(*at, "d" + std::to_string(level), 0, kAttrDirectory);
    }
    std::string bytes = WriteMediaPayload({disc.get()});
    EXPECT_TRUE(ReadMediaPayload(Bytes(bytes), nullptr, 1).Complete());
    // Pasted so deep that the case could not be read back: refused whole.
    SMediaPayload tooDeep = ReadMediaPayload(Bytes(bytes), nullptr, kMaxTreeDepth - 10);
    EXPECT_TRUE(tooDeep.m_records.empty());
    EXPECT_FALSE(tooDeep.Complete());
}
