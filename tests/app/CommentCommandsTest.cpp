// The comment commands of the desktop program: the settings dialog on copies with its
// enabling rules, and the automatic extraction over a folder with progress and stop.
#include "QtTestApp.h"
#include "app/comments/CAutoCommentRunner.h"
#include "app/comments/CCommentSettingsDlg.h"
#include "core/ProfileStore.h"
#include "extract/ExtractTextManager.h"
#include "model/SVolumeInfo.h"
#include "scan/VolumeScanner.h"
#include "support/ScratchDir.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QSpinBox>
#include <gtest/gtest.h>

using namespace quillora;
using namespace quillora::test;

namespace {

class CommentSettings : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        m_extractors.Load(m_store, {});
    }

    QRadioButton* Target(CCommentSettingsDlg& dlg, const char* text) {
        for (auto* radio : dlg.findChildren<QRadioButton*>()) {
            if (radio->text() == QString::fromUtf8(text)) {
                return radio;
            }
        }
        return nullptr;
    }

    CProfileStore m_store;
    CExtractTextManager m_extractors;
};

TEST_F(CommentSettings, ChoicesFollowTheSupportBitsAndTheEnableBox) {
    CCommentSettingsDlg dlg(m_extractors);
    auto* filter = dlg.findChild<QComboBox*>("Filter");
    ASSERT_EQ(filter->count(), 5); // "Improt" is not configurable
    EXPECT_EQ(filter->itemText(0).toStdString(), "MS-Office");
    dlg.Select(1); // TEXT: body targets only
    EXPECT_EQ(dlg.Current().m_strName, "TEXT");
    EXPECT_FALSE(Target(dlg, "ﾀｲﾄﾙ(&T)")->isEnabled());
    EXPECT_FALSE(Target(dlg, "詳細情報(&I)")->isEnabled());
    EXPECT_TRUE(Target(dlg, "本文ｻｲｽﾞ指定(&S)")->isEnabled());
    EXPECT_TRUE(Target(dlg, "本文ｻｲｽﾞ指定(&S)")->isChecked());
    EXPECT_FALSE(dlg.findChild<QCheckBox*>("PropUse")->isEnabled());
    EXPECT_TRUE(dlg.findChild<QSpinBox*>("DocLine")->isEnabled());
    dlg.Select(4); // URL: the title only
    EXPECT_TRUE(Target(dlg, "ﾀｲﾄﾙ(&T)")->isEnabled());
    EXPECT_FALSE(Target(dlg, "全文(&A)")->isEnabled());
    EXPECT_FALSE(dlg.findChild<QSpinBox*>("DocSize")->isEnabled());
    // Clearing "有効(&B)" disables every choice.
    dlg.findChild<QCheckBox*>("Enable")->setChecked(false);
    for (auto* radio : dlg.findChildren<QRadioButton*>()) {
        EXPECT_FALSE(radio->isEnabled()) << radio->text().toStdString();
    }
    for (auto* box : dlg.findChildren<QCheckBox*>()) {
        EXPECT_EQ(box->isEnabled(), box->objectName() == "Enable") << box->text().toStdString();
    }
}

TEST_F(CommentSettings, OkTakesEveryCopyAndCancelNone) {
    {
        CCommentSettingsDlg dlg(m_extractors);
        dlg.Select(1);
        Target(dlg, "本文行数指定(&L)")->setChecked(true);
        dlg.findChild<QSpinBox*>("DocLine")->setValue(7);
        dlg.Select(2); // switching stores what TEXT showed into its copy
        EXPECT_EQ(m_extractors.FindExtractor("TEXT")->m_nDocTarget, kTargetBodyBySize);
        dlg.findChild<QCheckBox*>("Enable")->setChecked(false);
        dlg.reject();
    }
    EXPECT_EQ(m_extractors.FindExtractor("TEXT")->m_nDocLine, 10);
    EXPECT_EQ(m_extractors.FindExtractor("HTML")->m_bEnable, 1);
    CCommentSettingsDlg dlg(m_extractors);
    dlg.Select(1);
    Target(dlg, "本文行数指定(&L)")->setChecked(true);
    dlg.findChild<QSpinBox*>("DocLine")->setValue(7);
    dlg.Select(2);
    dlg.findChild<QCheckBox*>("Enable")->setChecked(false);
    dlg.accept();
    EXPECT_EQ(m_extractors.FindExtractor("TEXT")->m_nDocTarget, kTargetBodyByLines);
    EXPECT_EQ(m_extractors.FindExtractor("TEXT")->m_nDocLine, 7);
    EXPECT_EQ(m_extractors.FindExtractor("HTML")->m_bEnable, 0);
}

class AutoComment : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        m_extractors.Load(m_store, {});
        for (int i = 0; i < 30; ++i) {
            m_dir.Write("docs/note" + std::to_string(i) + ".txt",
                        "note " + std::to_string(i) + "\n");
        }
        m_dir.Write("docs/page.html", "<title>A page</title>");
        m_dir.Write("docs/data.bin", "no extractor for this");
        SScanOptions options;
        CVolumeScanner scanner(options);
        scanner.AddVolume(m_medium, (m_dir / "docs").string(), nullptr, nullptr);
    }

    SFileInfo* Child(const std::string& name) {
        for (std::size_t i = 0; i < m_medium.ChildCount(); ++i) {
            if (m_medium.ChildAt(i)->m_strName == name) {
                return m_medium.ChildAt(i);
            }
        }
        return nullptr;
    }

    ScratchDir m_dir;
    CProfileStore m_store;
    CExtractTextManager m_extractors;
    SVolumeInfo m_medium;
};

TEST_F(AutoComment, OverwritesCommentsBelowTheSelectionAndStopsOnRequest) {
    ASSERT_EQ(m_medium.ChildCount(), 32u);
    Child("data.bin")->SetComment("typed by hand");
    CAutoCommentRunner runner(m_extractors, nullptr);
    int polls = 0;
    EXPECT_FALSE(runner.Run({&m_medium}, [&polls] { return ++polls > 5; }));
    EXPECT_EQ(runner.Processed(), 5u);
    std::vector<std::string> seen;
    EXPECT_TRUE(
        runner.Run({&m_medium}, {}, [&seen](const SFileInfo& r) { seen.push_back(r.m_strName); }));
    EXPECT_EQ(seen.size(), 32u);
    EXPECT_EQ(Child("note7.txt")->Comment(), "note 7\r\n");
    EXPECT_EQ(Child("page.html")->Comment(), "A page");
    ASSERT_NE(Child("page.html")->Props(), nullptr);
    // Overwriting: a file no extractor reads loses the old comment.
    EXPECT_EQ(Child("data.bin")->Comment(), "");
}

TEST_F(AutoComment, TheProgressDialogRunsTheSameWork) {
    CAutoCommentRunner runner(m_extractors, nullptr);
    EXPECT_TRUE(
        runner.Run(static_cast<QWidget*>(nullptr), {Child("page.html"), Child("note1.txt")}));
    EXPECT_EQ(runner.Processed(), 2u);
    EXPECT_EQ(Child("note1.txt")->Comment(), "note 1\r\n");
}

} // namespace
