// The comment edit dialog: caption, the extraction button offered only with an
// extractor and only for files and folders, extraction into the edit without touching
// the record, and OK taking a new category into the configured list.
#include "app/edit/CCommentEditDlg.h"
#include "QtTestApp.h"
#include "model/EditingTree.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace quillora;
using namespace quillora::test;

namespace {

class CCommentEditDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        m_medium = AddMedium(m_case, "DISC");
        m_file = AddFile(*m_medium, "memo.txt");
        m_file->SetComment("old");
        m_file->SetCategory("仕事");
    }

    CScopedModelSettings m_settings{3};
    SFileInfo m_case;
    SVolumeInfo* m_medium = nullptr;
    SFileInfo* m_file = nullptr;
    std::vector<std::string> m_categories{"仕事", "", "旅行"};
};

} // namespace

TEST_F(CCommentEditDlgTest, ExtractionNeedsAnExtractorAndAFile) {
    CCommentEditModel fileModel(*m_file, m_categories);
    CCommentEditDlg without(fileModel);
    EXPECT_FALSE(without.ExtractButton()->isEnabled());
    EXPECT_FALSE(without.ExtractButton()->toolTip().isEmpty());
    EXPECT_EQ(without.windowTitle().toStdString(), "ｺﾒﾝﾄ編集 (memo.txt)");
    EXPECT_EQ(without.CategoryCombo()->count(), 2);

    auto extractor = [](SFileInfo& record) {
        record.SetComment("extracted");
        return true;
    };
    CCommentEditDlg with(fileModel, extractor);
    EXPECT_TRUE(with.ExtractButton()->isEnabled());
    with.ExtractButton()->click();
    EXPECT_EQ(with.CommentEdit()->toPlainText().toStdString(), "extracted");
    EXPECT_EQ(m_file->Comment(), "old") << "the record keeps its comment until the caller applies";

    CCommentEditModel mediumModel(*m_medium, m_categories);
    CCommentEditDlg medium(mediumModel, extractor);
    EXPECT_FALSE(medium.ExtractButton()->isEnabled()) << "no extraction for media";
}

TEST_F(CCommentEditDlgTest, OkTakesTextsAndANewCategoryWithCrLfLineBreaks) {
    CCommentEditModel model(*m_file, m_categories);
    CCommentEditDlg dialog(model);
    dialog.CommentEdit()->setPlainText(QStringLiteral("一行目\n二行目\n"));
    dialog.CategoryCombo()->setCurrentText(QStringLiteral("音楽"));
    dialog.accept();
    model.ApplyTo(*m_file);
    // Case files keep CR LF, as the system the format comes from reads them.
    EXPECT_EQ(m_file->Comment(), "一行目\r\n二行目\r\n");
    EXPECT_EQ(m_file->Category(), "音楽");
    EXPECT_NE(std::find(m_categories.begin(), m_categories.end(), "音楽"), m_categories.end());

    // Opened again, the editor shows LF and OK unchanged stores the same bytes.
    CCommentEditModel again(*m_file, m_categories);
    CCommentEditDlg reopened(again);
    EXPECT_EQ(reopened.CommentEdit()->toPlainText().toStdString(), "一行目\n二行目\n");
    reopened.accept();
    again.ApplyTo(*m_file);
    EXPECT_EQ(m_file->Comment(), "一行目\r\n二行目\r\n");
}
