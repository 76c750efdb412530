// TobConfig.txt: line rules, boolean and string look-ups, the search order of its places.
#include "core/TextConfig.h"

#include "support/ScratchDir.h"

#include <gtest/gtest.h>

using namespace quillora;
using quillora::test::ScratchDir;

namespace {
constexpr const char* kAutoDetect = "Main.Option.MediaAdd.AutoDetect";
}

TEST(TextConfig, LineRules) {
    CTextConfig config;
    EXPECT_TRUE(config.Parse("# Main.Option.MediaAdd.AutoDetect = false\n"
                             "\n"
                             "  Main.Option.MediaAdd.AutoDetect  =  false  \r\n"
                             "no equals sign here\n"
                             "=starts with equals\n"
                             "   = blank key\n"
                             "  #Indented = counts\n"
                             "Path = a = b \n"
                             "Empty =\n"
                             "Twice = 1\n"
                             "Twice = 2"));
    EXPECT_FALSE(config.GetBool(kAutoDetect, true));
    EXPECT_EQ(config.GetString("Path"), "a = b");
    EXPECT_EQ(config.GetString("#Indented"), "counts");
    EXPECT_EQ(config.GetString("Twice"), "2");
    EXPECT_EQ(config.GetString("Empty", "fallback"), "fallback");
    EXPECT_TRUE(config.Has("Empty"));
    EXPECT_FALSE(config.Has(""));
    EXPECT_FALSE(config.Has("no equals sign here"));
    // Keys are exact bytes.
    EXPECT_FALSE(config.Has("main.option.mediaadd.autodetect"));
    EXPECT_EQ(config.Count(), 5u);

    // Only comments and blank lines: nothing read, the load fails.
    EXPECT_FALSE(config.Parse("# only\n\n#comments\n"));
    EXPECT_EQ(config.Count(), 0u);
    // A byte-order mark does not become part of the first key.
    EXPECT_TRUE(config.Parse("\xEF\xBB\xBFMain.Option.MediaAdd.AutoDetect=0\n"));
    EXPECT_FALSE(config.GetBool(kAutoDetect, true));
}

TEST(TextConfig, BooleanValues) {
    const struct {
        const char* value;
        bool expected;
    } cases[] = {
        {"TRUE", true},   {"true", true}, {"True", true}, {"FALSE", false}, {"fAlSe", false},
        {"1", true},      {"2", true},    {"0", false},   {"00", false},    {"-3", true},
        {"7 days", true}, {"abc", false}, {"yes", false},
    };
    for (const auto& c : cases) {
        CTextConfig config;
        ASSERT_TRUE(config.Parse(std::string("Key = ") + c.value));
        EXPECT_EQ(config.GetBool("Key", !c.expected), c.expected) << c.value;
    }
    CTextConfig config;
    config.Parse("Other=1");
    EXPECT_TRUE(config.GetBool(kAutoDetect, true));
    EXPECT_FALSE(config.GetBool(kAutoDetect, false));
}

TEST(TextConfig, FilesAndSearchOrder) {
    ScratchDir dir;
    CTextConfig config;
    EXPECT_FALSE(config.Load((dir / "missing.txt").string()));
    EXPECT_EQ(config.Count(), 0u);
    auto path = dir.Write("TobConfig.txt", "Main.Option.MediaAdd.AutoDetect = 2\n");
    EXPECT_TRUE(config.Load(path.string()));
    EXPECT_TRUE(config.GetBool(kAutoDetect, false));

    auto paths = CTextConfig::SearchPaths();
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_NE(paths[0].find("TobConfig.txt"), std::string::npos);
    EXPECT_NE(paths[1].find("Pelvane/Quillora/TobConfig.txt"), std::string::npos);
}
