// What the list imports build, field for field: a CSV list that meets every way of
// placing a line (labels by case, folders made by paths and then given their own line,
// a file that becomes a folder, duplicates, drives and network paths, large folders),
// an exported case read back, and a MediaMax list; each tree pinned by a hash, the
// dump printed when it differs.
#include "ExportTestSupport.h"
#include "ExportTestTree.h"

#include "export/CCsvImporter.h"
#include "support/TreeFingerprint.h"

#include <gtest/gtest.h>

using namespace quillora;
using namespace quillora::test;

namespace {

class ImportFingerprintTest : public ::testing::Test {
protected:
    // The tree and the counts of an import that must work.
    static std::string Imported(const CFormCondition& preset, std::string_view bytes) {
        SImportResult r = CCsvImporter(preset).ImportBytes(bytes);
        EXPECT_TRUE(r.Ok()) << r.m_strError;
        if (!r.m_pRoot) {
            return {};
        }
        return TreeDump(*r.m_pRoot) + "lines " + std::to_string(r.m_nLines) + " entries " +
               std::to_string(r.m_nEntries) + " skipped " + std::to_string(r.m_nSkipped) + "\n";
    }

    CExportTestEnvironment m_env;
};

TEST_F(ImportFingerprintTest, ACsvListBuildsTheTreeItAlwaysBuilt) {
    CFormCondition preset(EFormFormat::Csv);
    preset.PutTitle = 0;
    preset.StrDQoute = 0;
    preset.Visible = MakeFormItems({1, 4, 7, 8, 9, 10, 11, 13, 14, 15, 26});
    std::string list = "M,DIR,10,2002/03/04 05:06:07,,,made as a file,,,,\n"
                       "M,DIR\\SUB\\x.txt,3,,,,,,,,1234abcd\n"
                       "m,DIR\\SUB,0,2003/01/01 00:00:00,2003/01/01 00:00:01,,own line,cat,,,\n"
                       "M,DIR\\SUB,0,,,,a second line,,,,\n"
                       "M,DIR\\x.txt,4,,,,,,P1,P2,\n"
                       "M,DIR\\X.txt,5,,,,,,,,0x10\n"
                       "M,,0,2001/01/01 00:00:00,,,the medium,,,,\n"
                       "M,DIR\\,0,,,,no name,,,,\n"
                       "M,C:\\drive\\.\\y.txt,6,,,,,,,,\n"
                       "M,\\\\server\\share\\z.txt,7,,,,,,,,\n"
                       ",outside.txt,8,,,,,,,,\n"
                       "N,a/b/c.txt,9,,,,,,,,\n"
                       "N,a\\b,0,,,,,,,,\n";
    for (int i = 0; i < 20; ++i) {
        list += "N,big\\f" + std::to_string(i % 13) + ".txt," + std::to_string(i) + ",,,,,,,,\n";
    }
    list += Cp932("N,日本語\\ファイル.txt,1,,,,コメント,分類,,,\n");
    const std::string dump = Imported(preset, list);
    EXPECT_EQ(DumpHash(dump), 2234390671918554039ULL) << dump;
}

TEST_F(ImportFingerprintTest, AnExportedCaseComesBackAsItAlwaysDid) {
    SSampleCase sample;
    sample.dir->SetComment("folder, \"quoted\"\r\nsecond line");
    sample.dir->SetCategory("フォルダ");
    sample.cd1->SetComment("the disc");
    CFormCondition preset(EFormFormat::Csv);
    preset.Visible = MakeFormItems({3, 7, 8, 9, 10, 11, 13, 26});
    preset.ConvCommentRCode = 1;
    const std::string dump = Imported(preset, ExportBytes(preset, *sample.root));
    EXPECT_EQ(DumpHash(dump), 3686849643304118480ULL) << dump;
}

TEST_F(ImportFingerprintTest, AMediaMaxListBuildsTheTreeItAlwaysBuilt) {
    CFormCondition preset(EFormFormat::MediaMax);
    const std::string dump = Imported(preset, Cp932("./DIR/b.txt,タイトル無し,,line1 line2\r\n"
                                                    "./x.y.txt,Title,Sub,a. b\r\n"
                                                    "./DIR/SUB/c.txt,,,\r\n"
                                                    "./DIR,,,the folder\r\n"));
    EXPECT_EQ(DumpHash(dump), 5767207438511498262ULL) << dump;
    SSampleCase sample;
    const std::string exported = Imported(preset, ExportBytes(preset, *sample.root));
    EXPECT_EQ(DumpHash(exported), 11592651239661130578ULL) << exported;
}

} // namespace
