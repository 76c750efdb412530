// The case tree model: which children show, node texts, images, order, editing.
#include "app/CaseTreeModel.h"
#include "GuiTestApp.h"
#include "core/ConfigData.h"
#include "model/SVolumeInfo.h"

#include <QAbstractItemModelTester>
#include <gtest/gtest.h>

namespace quillora {
namespace {

class CaseTreeModel : public ::testing::Test {
protected:
    void SetUp() override {
        test::GuiApp();
        m_saved = {Config().m_nFolderAddCategory, Config().m_nFolderAddComment,
                   Config().m_nFolderMediaSort, Config().m_nGroupArcView};
        m_case = test::MakeSampleCase();
        m_model.SetCase(m_case.get());
    }
    void TearDown() override {
        Config().m_nFolderAddCategory = m_saved[0];
        Config().m_nFolderAddComment = m_saved[1];
        Config().m_nFolderMediaSort = m_saved[2];
        Config().m_nGroupArcView = m_saved[3];
    }
    QStringList ChildTexts(const QModelIndex& parent) {
        QStringList texts;
        for (int row = 0; row < m_model.rowCount(parent); ++row) {
            texts << m_model.index(row, 0, parent).data().toString();
        }
        return texts;
    }

    std::array<int, 4> m_saved{};
    std::unique_ptr<CCDCase> m_case;
    CCaseTreeModel m_model;
};

TEST_F(CaseTreeModel, ShowsMediaGroupsAndFoldersButNoFiles) {
    QAbstractItemModelTester tester(&m_model,
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    QModelIndex root = m_model.index(0, 0);
    EXPECT_EQ(m_model.RecordOf(root), m_case.get());
    EXPECT_EQ(ChildTexts(root), (QStringList{"Disc", "Group"}));
    QModelIndex disc = m_model.index(0, 0, root);
    EXPECT_EQ(ChildTexts(disc), (QStringList{"Docs", "Sub"}));
    EXPECT_FALSE(m_model.hasChildren(m_model.index(0, 0, disc)));
    EXPECT_EQ(ChildTexts(m_model.index(1, 0, root)), (QStringList{"Card"}));
}

TEST_F(CaseTreeModel, MediaKeepTheirOrderUnlessMediaSortIsOn) {
    auto* zed = static_cast<SVolumeInfo*>(m_case->ChildAt(0));
    zed->SetLabel("Zed");
    zed->UpdateDisplayName();
    m_model.SetCase(m_case.get());
    QModelIndex root = m_model.index(0, 0);
    EXPECT_EQ(ChildTexts(root), (QStringList{"Zed", "Group"}));
    Config().m_nFolderMediaSort = 1;
    m_model.Resync();
    EXPECT_EQ(ChildTexts(root), (QStringList{"Group", "Zed"}));
}

TEST_F(CaseTreeModel, NodeTextsCarryCategoryAndCommentWhenAsked) {
    SFileInfo* docs = m_case->ChildAt(0)->ChildAt(0);
    docs->SetCategory("papers");
    docs->SetComment("line one\nline two");
    EXPECT_EQ(CCaseTreeModel::NodeText(*docs), "Docs");
    Config().m_nFolderAddCategory = 1;
    Config().m_nFolderAddComment = 1;
    EXPECT_EQ(CCaseTreeModel::NodeText(*docs), "Docs (papers) [line one line two]");
}

TEST_F(CaseTreeModel, ImagesFollowKindPresenceMarkAndExpansion) {
    auto* disc = static_cast<SVolumeInfo*>(m_case->ChildAt(0));
    EXPECT_EQ(CCaseTreeModel::NodeImages(*m_case, false), (std::pair{1, 1}));
    EXPECT_EQ(CCaseTreeModel::NodeImages(*m_case, true), (std::pair{2, 2}));
    EXPECT_EQ(CCaseTreeModel::NodeImages(*disc, false), (std::pair{4, 6}));
    disc->m_bPresent = 1;
    EXPECT_EQ(CCaseTreeModel::NodeImages(*disc, false), (std::pair{5, 7}));
    EXPECT_EQ(CCaseTreeModel::NodeImages(*m_case->ChildAt(1), false), (std::pair{20, 21}));
    SFileInfo* card = m_case->ChildAt(1)->ChildAt(0);
    EXPECT_EQ(CCaseTreeModel::NodeImages(*card, false), (std::pair{12, 14}));
    SFileInfo* docs = disc->ChildAt(0);
    EXPECT_EQ(CCaseTreeModel::NodeImages(*docs, false), (std::pair{8, 10}));
    docs->m_byMark = 1;
    EXPECT_EQ(CCaseTreeModel::NodeImages(*docs, false), (std::pair{9, 11}));
    docs->m_dwFlags |= kFlagListedArchive;
    EXPECT_EQ(CCaseTreeModel::NodeImages(*docs, false), (std::pair{18, 19}));
}

TEST_F(CaseTreeModel, ListedArchivesComeLastWithGroupArcView) {
    SFileInfo* disc = m_case->ChildAt(0);
    disc->ChildAt(0)->m_dwFlags |= kFlagListedArchive; // "Docs"
    Config().m_nGroupArcView = 1;
    m_model.Resync();
    QModelIndex discIndex = m_model.IndexOf(disc);
    EXPECT_EQ(ChildTexts(discIndex), (QStringList{"Sub", "Docs"}));
}

TEST_F(CaseTreeModel, LabelsOfMediaAndGroupsAreEditedInPlace) {
    QAbstractItemModelTester tester(&m_model,
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    QModelIndex root = m_model.index(0, 0);
    QModelIndex disc = m_model.index(0, 0, root);
    EXPECT_FALSE(m_model.flags(root) & Qt::ItemIsEditable);
    EXPECT_FALSE(m_model.flags(m_model.index(0, 0, disc)) & Qt::ItemIsEditable);
    ASSERT_TRUE(m_model.flags(disc) & Qt::ItemIsEditable);
    int edited = 0;
    QObject::connect(&m_model, &CCaseTreeModel::LabelEdited, [&](SFileInfo*) { ++edited; });
    EXPECT_TRUE(m_model.setData(disc, QString("New name"), Qt::EditRole));
    EXPECT_EQ(static_cast<SVolumeInfo*>(m_case->ChildAt(0))->GetLabel(), "New name");
    EXPECT_EQ(disc.data().toString(), "New name");
    EXPECT_EQ(edited, 1);
}

TEST_F(CaseTreeModel, AReplacedMediumKeepsItsPlaceAndDropsItsOldNodes) {
    QModelIndex root = m_model.index(0, 0);
    QModelIndex disc = m_model.index(0, 0, root);
    ASSERT_EQ(m_model.rowCount(disc), 2);
    auto fresh = std::make_unique<SVolumeInfo>();
    fresh->SetLabel("Disc 2");
    fresh->UpdateDisplayName();
    SFileInfo* old = m_case->ChildAt(0);
    SFileInfo* added = m_case->InsertBefore(old, std::move(fresh));
    m_model.ReplaceRecord(old, added);
    m_case->RemoveChild(old);
    m_model.Resync();
    EXPECT_EQ(ChildTexts(root), (QStringList{"Disc 2", "Group"}));
    EXPECT_EQ(m_model.rowCount(m_model.index(0, 0, root)), 0);
}

} // namespace
} // namespace quillora
