// File-type codes by name ending, including the next-dot rule.
#include "core/FileTypeCode.h"

#include <gtest/gtest.h>

using namespace quillora;

TEST(FileTypeCode, EndingsAndNextDotRule) {
    EXPECT_EQ(FileTypeCode("backup.tar.gz"), kFtTgz);
    EXPECT_EQ(FileTypeCode("backup.TGZ"), kFtTgz);
    EXPECT_EQ(FileTypeCode("notes.gz"), kFtGz);
    EXPECT_EQ(FileTypeCode("README"), kFtOther);
    EXPECT_EQ(FileTypeCode("a.b.zip"), kFtZip);
    EXPECT_EQ(FileTypeCode("."), kFtDot);
    EXPECT_EQ(FileTypeCode(".."), kFtDotDot);
    EXPECT_EQ(FileTypeCode("shelf.caz"), kFtCaz);
    EXPECT_EQ(FileTypeCode("list.Htm"), kFtHtml);
    EXPECT_EQ(FileTypeCode("setup.exe"), kFtExe);
    EXPECT_EQ(FileTypeCode("x.tar.bz2"), kFtOther);
    // ".Z" needs the exact ending; ".zip.bak" has no known ending at any dot.
    EXPECT_EQ(FileTypeCode("old.z"), kFtZ);
    EXPECT_EQ(FileTypeCode("a.zip.bak"), kFtOther);
}
