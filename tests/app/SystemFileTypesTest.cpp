// File types from the shared MIME database: by extension only, with its Japanese
// comments.
#include "app/SystemFileTypes.h"
#include "GuiTestApp.h"
#include "core/Resources.h"
#include "model/SVolumeInfo.h"

#include <gtest/gtest.h>

namespace quillora {
namespace {

SFileInfo* AddFile(SFileInfo& parent, const std::string& name) {
    auto file = std::make_unique<SFileInfo>();
    file->m_strName = name;
    file->m_dwFlags = kAttrArchive;
    return parent.AddChild(std::move(file));
}

TEST(SystemFileTypes, TypesComeFromTheExtensionInJapanese) {
    test::GuiApp();
    CSystemFileTypes resolver;
    SDisplayType type;
    ASSERT_TRUE(resolver.Resolve(".TXT", type));
    EXPECT_EQ(type.m_strTypeText, "平文テキストドキュメント");
    ASSERT_TRUE(resolver.Resolve(".PDF", type));
    EXPECT_EQ(type.m_strTypeText, "PDF ドキュメント");
    // Nothing known: the table's own "unknown" entry stands.
    EXPECT_FALSE(resolver.Resolve(".BIN", type));
    EXPECT_FALSE(resolver.Resolve("", type));

    // A name that the database's patterns know (README*) decides nothing for the
    // other files of its extension, whichever comes first.
    CDisplayTypeTable table;
    table.SetResolver(&resolver);
    SVolumeInfo medium;
    medium.m_bPresent = 1;
    SFileInfo* readme = AddFile(medium, "README.bin");
    SFileInfo* data = AddFile(medium, "data.bin");
    SFileInfo* notes = AddFile(medium, "README.txt");
    EXPECT_EQ(table.IndexFor(*readme), CDisplayTypeTable::kUnknown);
    EXPECT_EQ(table.IndexFor(*data), CDisplayTypeTable::kUnknown);
    EXPECT_EQ(table.Entry(table.IndexFor(*notes)).m_strTypeText, "平文テキストドキュメント");
    EXPECT_EQ(table.Entry(table.IndexFor(*readme)).m_strTypeText, Res(153));
}

} // namespace
} // namespace quillora
