// Catalogue path <-> Linux path conversions, with the names that need escaping.
#include "platform/OsPath.h"

#include <gtest/gtest.h>

using namespace quillora;

namespace {
const std::string kStandIn = "\xEF\x81\x9C"; // U+F05C
}

TEST(OsPath, NamesRoundTripLosslessly) {
    const std::string names[] = {
        "plain.txt",
        "日本語のファイル.txt",
        "a\\b",
        "\\",
        "\\\\lead",
        "\xff\xfe raw",       // invalid UTF-8
        "x" + kStandIn + "y", // a name that really holds the stand-in character
        "\xed\xb3\xaf",       // bytes that look like an escape
        "mix\\" + kStandIn + "\x80",
    };
    for (const std::string& os : names) {
        const std::string model = ModelNameFromOs(os);
        EXPECT_EQ(OsNameFromModel(model), os) << model;
        EXPECT_EQ(model.find('\\'), std::string::npos) << "a model name never holds a separator";
    }
}

TEST(OsPath, BackslashBecomesStandInAndRealStandInStaysDistinct) {
    EXPECT_EQ(ModelNameFromOs("a\\b"), "a" + kStandIn + "b");
    EXPECT_EQ(OsNameFromModel("a" + kStandIn + "b"), "a\\b");
    // A genuine U+F05C on disk must not come back as "\".
    const std::string genuine = ModelNameFromOs("a" + kStandIn + "b");
    EXPECT_NE(genuine, ModelNameFromOs("a\\b"));
    EXPECT_EQ(OsNameFromModel(genuine), "a" + kStandIn + "b");
    EXPECT_EQ(ModelNameFromOs("日本"), "日本");
}

TEST(OsPath, PathsSwapSeparatorsPerComponent) {
    EXPECT_EQ(OsPathFromModel("Data\\Photos"), "Data/Photos");
    EXPECT_EQ(OsPathFromModel("\\media\\u\\a" + kStandIn + "b"), "/media/u/a\\b");
    EXPECT_EQ(ModelPathFromOs("/media/u/a\\b"), "\\media\\u\\a" + kStandIn + "b");
    EXPECT_EQ(ModelPathFromOs(""), "");
    const std::string os = "/media/user/DISC/写真/\xff\\x";
    EXPECT_EQ(OsPathFromModel(ModelPathFromOs(os)), os);
}

TEST(OsPath, PathBelowRoot) {
    EXPECT_EQ(OsPathBelow("/media/u/DISC", "Data\\Photos"), "/media/u/DISC/Data/Photos");
    EXPECT_EQ(OsPathBelow("/media/u/DISC/", "\\Data"), "/media/u/DISC/Data");
    EXPECT_EQ(OsPathBelow("/media/u/DISC", ""), "/media/u/DISC");
    EXPECT_EQ(OsPathBelow("/", "a" + kStandIn), "/a\\");
}
