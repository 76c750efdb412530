// The tree text writer: branch marks on small, deep and wide trees, folders before files,
// targets that keep the indentation, empty rows, and the clipboard walk.
#include "ExportTestSupport.h"
#include "ExportTestTree.h"

using namespace quillora;
using namespace quillora::test;

namespace {

class TreeExportTest : public ::testing::Test {
protected:
    TreeExportTest() {
        m_preset.Visible = MakeFormItems({5});
        m_preset.StrDQoute = 0;
        m_preset.OrgName = 0;
        m_preset.RCode = 2;
    }
    std::string Export(const SFileInfo& start) { return ExportBytes(m_preset, start); }

    CExportTestEnvironment m_env;
    CCDCase m_root;
    CFormCondition m_preset{EFormFormat::Tree};
};

TEST_F(TreeExportTest, MediumWithAFolderAndAFile) {
    SVolumeInfo* cd = AddMedium(m_root, "CD1");
    // The file comes first in the tree; folders are written before files all the same.
    AddFile(*cd, "f");
    AddFile(*AddFolder(*cd, "A"), "a1");
    m_root.UpdateDisplayNameTree(true);
    EXPECT_EQ(Export(*cd), "CD1\n"
                           "  + A\n"
                           "  |   + a1\n"
                           "  + f\n");
    // Files only: the folder's line goes, its file keeps its place.
    m_preset.Target = kTargetFiles;
    EXPECT_EQ(Export(*cd), "  |   + a1\n"
                           "  + f\n");
    // Rows that come out empty write nothing, not even their marks.
    m_preset.Visible = MakeFormItems({11});
    EXPECT_EQ(Export(*cd), "");
}

TEST_F(TreeExportTest, TheLastFolderOfAParentWithoutFilesDrawsNoBar) {
    SVolumeInfo* cd = AddMedium(m_root, "M");
    for (const char* name : {"F1", "F2", "F3"}) {
        SFileInfo* folder = AddFolder(*cd, name);
        AddFile(*AddFolder(*folder, std::string(name) + "s"), "x");
    }
    m_root.UpdateDisplayNameTree(true);
    EXPECT_EQ(Export(*cd), "M\n"
                           "  + F1\n"
                           "  |   + F1s\n"
                           "  |       + x\n"
                           "  + F2\n"
                           "  |   + F2s\n"
                           "  |       + x\n"
                           "  + F3\n"
                           "      + F3s\n"
                           "          + x\n");
}

TEST_F(TreeExportTest, DeepTreesKeepTheirBarsBeyondSixtyFourLevels) {
    SVolumeInfo* cd = AddMedium(m_root, "M");
    SFileInfo* folder = cd;
    for (int level = 1; level <= 70; ++level) {
        folder = AddFolder(*folder, "d" + std::to_string(level));
        // Each level also holds a file, written after the deeper folder: a bar runs down
        // every column.
        AddFile(*folder, "f" + std::to_string(level));
    }
    AddFile(*cd, "top");
    m_root.UpdateDisplayNameTree(true);
    const std::string doc = Export(*cd);
    std::string deepest;
    for (int i = 0; i < 70; ++i) {
        deepest += "  | ";
    }
    deepest += "  + f70\n";
    EXPECT_NE(doc.find("\n" + deepest), std::string::npos);
    EXPECT_EQ(doc.substr(doc.size() - 9), "\n  + top\n");
    // 1 medium, 70 folders, 71 files.
    EXPECT_EQ(std::count(doc.begin(), doc.end(), '\n'), 142);
}

TEST_F(TreeExportTest, ClipboardWalksEachEntryFromLevelZero) {
    SVolumeInfo* cd = AddMedium(m_root, "CD1");
    SFileInfo* a = AddFolder(*cd, "A");
    SFileInfo* a1 = AddFile(*a, "a1");
    m_root.UpdateDisplayNameTree(true);
    auto exporter = MakeExporter(m_preset);
    EXPECT_EQ(exporter->MakeClipboardText({a1, a}, false, false), "a1\nA\n");
    EXPECT_EQ(exporter->MakeClipboardText({a}, true, false), "A\n  + a1\n");
    m_preset.Target = kTargetFiles;
    EXPECT_EQ(MakeExporter(m_preset)->MakeClipboardText({a}, true, true), "A\n  + a1\n");
    EXPECT_EQ(MakeExporter(m_preset)->MakeClipboardText({a}, true, false), "  + a1\n");
}

} // namespace
