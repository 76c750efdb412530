// The MediaMax writer: relative names, the empty title, commas turned into periods, no
// folders and no title row whatever the preset says.
#include "ExportTestSupport.h"
#include "ExportTestTree.h"

using namespace quillora;
using namespace quillora::test;

namespace {

TEST(MediaMaxExportTest, FilesOnlyWithRelativeNamesTitlesAndNoCommasInside) {
    CExportTestEnvironment env;
    SSampleCase sample;
    CFormCondition preset(EFormFormat::MediaMax);
    CPropertyDefinition definition{"Improt", {1, 2, 3, 4, 5}, false};
    auto props = std::make_unique<CPropertySet>(&definition);
    props->Values()[0] = "Title, one";
    props->Values()[1] = "Sub";
    sample.z->SetProps(std::move(props));
    sample.a->m_strName = "x,y.txt";
    sample.a->SetComment("a, b");
    const std::string expected = Cp932("./DIR/b.txt,タイトル無し,,line1 line2\r\n"
                                       "./x.y.txt,タイトル無し,,a. b\r\n"
                                       "./z.txt,Title. one,Sub,\r\n");
    EXPECT_EQ(ExportBytes(preset, *sample.root), expected);
    // Folders never, a title row never.
    preset.Target = kTargetAll;
    preset.PutTitle = 1;
    EXPECT_EQ(ExportBytes(preset, *sample.root), expected);
    preset.Target = kTargetFolders;
    EXPECT_EQ(ExportBytes(preset, *sample.root), expected);
    // The clipboard takes what it is given when forced, in child-list order.
    auto exporter = MakeExporter(preset);
    EXPECT_EQ(exporter->MakeClipboardText({sample.cd1}, true, false),
              "./x.y.txt,タイトル無し,,a. b\r\n./DIR/b.txt,タイトル無し,,line1 line2\r\n");
    EXPECT_EQ(exporter->MakeClipboardText({sample.dir}, false, true), "./DIR,タイトル無し,,\r\n");
}

} // namespace
