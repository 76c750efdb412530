// Media pasted into the open case: where they land, what they keep, an empty payload,
// and a damaged one (only whole records arrive, and the user is told).
#include "document/CCaseDocument.h"
#include "model/CMediaPayload.h"
#include "model/SGroupInfo.h"
#include "model/SVolumeInfo.h"
#include "scan/DriveTable.h"
#include "scan/MediaPresence.h"

#include <gtest/gtest.h>

using namespace quillora;

namespace {

class CPasteUi : public IDocumentUi {
public:
    std::vector<std::string> messages;
    std::vector<std::pair<SFileInfo*, SFileInfo*>> added;
    int refreshes = 0;

    void ShowMessage(const std::string& text, MessageIcon) override { messages.push_back(text); }
    bool AskYesNo(const std::string&) override { return false; }
    bool AskOkCancel(const std::string&) override { return false; }
    std::optional<std::string> AskPassword(PasswordMode, const std::string&,
                                           const std::string&) override {
        return std::nullopt;
    }
    std::optional<SAddMediaChoice> RunAddMediaDialog(int, const std::string&) override {
        return std::nullopt;
    }
    SMediaSelectAnswer RunMediaSelectDialog(const SMediaSelectRequest&) override { return {}; }
    std::unique_ptr<SVolumeInfo> RunLoadingDialog(const std::string&, const std::string*,
                                                  const std::string*, int) override {
        return nullptr;
    }
    std::optional<std::string> AskFileName(const SFileDialogRequest&) override {
        return std::nullopt;
    }
    void RefreshTree() override { ++refreshes; }
    void RecordAdded(SFileInfo& container, SFileInfo& record, bool) override {
        added.emplace_back(&container, &record);
    }
};

std::span<const std::uint8_t> Bytes(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

class PasteMedia : public ::testing::Test {
protected:
    PasteMedia() : m_doc(m_ui, m_drives, m_presence) {
        auto disc = std::make_unique<SVolumeInfo>();
        disc->SetLabel("Disc");
        disc->m_dwSerial = 0xCAFE0001;
        auto folder = std::make_unique<SFileInfo>();
        folder->m_strName = "Docs";
        folder->m_dwFlags = kAttrDirectory;
        auto file = std::make_unique<SFileInfo>();
        file->m_strName = "a.txt";
        file->m_nSize = 300;
        m_file = folder->AddChild(std::move(file));
        disc->AddChild(std::move(folder));
        m_disc = static_cast<SVolumeInfo*>(m_doc.Case().AddChild(std::move(disc)));
        auto group = std::make_unique<SGroupInfo>();
        group->SetLabel("Shelf");
        m_group = static_cast<SGroupInfo*>(m_doc.Case().AddChild(std::move(group)));
        auto card = std::make_unique<SVolumeInfo>();
        card->SetLabel("Card");
        auto deep = std::make_unique<SFileInfo>();
        deep->m_strName = "deep.txt";
        m_deep = card->AddChild(std::move(deep));
        m_group->AddChild(std::move(card));
        m_doc.Case().RecalcSize(true);
        m_doc.SetModifiedFlag(false);
    }

    CPasteUi m_ui;
    CDriveTable m_drives;
    CMediaPresence m_presence;
    CCaseDocument m_doc;
    SVolumeInfo* m_disc;
    SGroupInfo* m_group;
    SFileInfo* m_file;
    SFileInfo* m_deep;
};

TEST_F(PasteMedia, ACopyOfAMediumBecomesASecondIdenticalMedium) {
    std::string payload = WriteMediaPayload({m_disc});
    EXPECT_EQ(m_doc.PasteMedia(Bytes(payload), m_file), 1u) << "a file below the case root";
    ASSERT_EQ(m_doc.Case().ChildCount(), 3u);
    auto& copy = static_cast<SVolumeInfo&>(*m_doc.Case().ChildAt(2));
    EXPECT_EQ(copy.GetLabel(), "Disc");
    EXPECT_EQ(copy.m_dwSerial, 0xCAFE0001u);
    EXPECT_EQ(copy.m_nSize, 300u);
    EXPECT_EQ(copy.GetParent(), &m_doc.Case());
    EXPECT_EQ(copy.ChildAt(0)->ChildAt(0)->GetDisplayName(), "a.txt");
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_EQ(m_ui.refreshes, 1);
    ASSERT_EQ(m_ui.added.size(), 1u);
    EXPECT_EQ(m_ui.added[0].first, &m_doc.Case());
    EXPECT_TRUE(m_ui.messages.empty());
}

TEST_F(PasteMedia, RecordsLandInTheGroupThatHoldsTheSelection) {
    std::string payload = WriteMediaPayload({m_disc, m_group});
    EXPECT_EQ(m_doc.PasteMedia(Bytes(payload), m_deep), 2u);
    ASSERT_EQ(m_group->ChildCount(), 3u);
    EXPECT_EQ(m_group->ChildAt(1)->Class(), RecordClass::Volume);
    auto& inner = *m_group->ChildAt(2);
    EXPECT_EQ(inner.Class(), RecordClass::Group);
    EXPECT_EQ(inner.GetDisplayName(), "Shelf");
    ASSERT_EQ(inner.ChildCount(), 1u) << "the group comes with its media";
    EXPECT_EQ(m_group->m_nSize, 300u) << "the target's totals are recomputed";
}

TEST_F(PasteMedia, EmptyPayloadChangesNothingButMarksTheCase) {
    EXPECT_EQ(m_doc.PasteMedia(Bytes(WriteMediaPayload({})), nullptr), 0u);
    EXPECT_EQ(m_doc.Case().ChildCount(), 2u);
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_EQ(m_ui.refreshes, 1);
    EXPECT_TRUE(m_ui.messages.empty());
}

TEST_F(PasteMedia, DamagedPayloadPastesItsWholeRecordsAndSaysSo) {
    std::string one = WriteMediaPayload({m_disc});
    std::string two = WriteMediaPayload({m_disc, m_disc});
    // Cut inside the second record.
    std::string cut = two.substr(0, one.size() + 20);
    EXPECT_EQ(m_doc.PasteMedia(Bytes(cut), nullptr), 1u);
    EXPECT_EQ(m_doc.Case().ChildCount(), 3u);
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_NE(m_ui.messages[0].find("2 件のうち 1 件"), std::string::npos) << m_ui.messages[0];

    // Nothing readable: the case keeps its records.
    EXPECT_EQ(m_doc.PasteMedia(Bytes(std::string("\x01\x00\x00\x00\xFF", 5)), nullptr), 0u);
    EXPECT_EQ(m_doc.Case().ChildCount(), 3u);
    EXPECT_EQ(m_ui.messages.size(), 2u);
}

} // namespace
