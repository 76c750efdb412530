// Composing a new medium's label and comment, and keeping the running-number format
// from the settings file away from printf unless it is one plain int conversion.
#include "app/media/LabelComposer.h"

#include <clocale>
#include <gtest/gtest.h>

using namespace quillora;

namespace {

SLabelOptions Options(bool date, bool dateComment, bool serial, bool serialComment) {
    SLabelOptions options;
    options.m_date = date;
    options.m_dateComment = dateComment;
    options.m_serial = serial;
    options.m_serialComment = serialComment;
    options.m_serialNo = 7;
    options.m_serialFormat = "%02d";
    return options;
}

} // namespace

TEST(LabelComposer, DateAndRunningNumberFollowTheLabel) {
    const auto composed = ComposeLabel("Photos", Options(true, false, true, false), "12/31/02");
    EXPECT_EQ(composed.m_strLabel, "Photos 12/31/02 07");
    EXPECT_EQ(composed.m_strComment, "");
    EXPECT_EQ(composed.m_nextSerialNo, 8);
}

TEST(LabelComposer, CommentTakesDateAndNumberOnSeparateLines) {
    auto both = ComposeLabel("Photos", Options(false, true, false, true), "12/31/02");
    EXPECT_EQ(both.m_strLabel, "Photos");
    EXPECT_EQ(both.m_strComment, "12/31/02\n07");
    EXPECT_EQ(both.m_nextSerialNo, 8);

    auto numberOnly = ComposeLabel("Photos", Options(false, false, false, true), "12/31/02");
    EXPECT_EQ(numberOnly.m_strComment, "07");

    auto dateOnly = ComposeLabel("Photos", Options(false, true, false, false), "12/31/02");
    EXPECT_EQ(dateOnly.m_strComment, "12/31/02");
    EXPECT_EQ(dateOnly.m_nextSerialNo, 7) << "the number advances only when it was used";
}

TEST(LabelComposer, NothingCheckedLeavesTheLabelAlone) {
    const auto composed = ComposeLabel("ディスク 1", Options(false, false, false, false), "x");
    EXPECT_EQ(composed.m_strLabel, "ディスク 1");
    EXPECT_EQ(composed.m_strComment, "");
}

TEST(LabelComposer, ShortDateFollowsTheLocale) {
    const std::string previous = std::setlocale(LC_TIME, nullptr);
    std::setlocale(LC_TIME, "C");
    std::tm date{};
    date.tm_year = 102;
    date.tm_mon = 11;
    date.tm_mday = 31;
    EXPECT_EQ(FormatShortDate(date), "12/31/02");
    std::setlocale(LC_TIME, previous.c_str());
    EXPECT_FALSE(CurrentShortDate().empty());
}

TEST(LabelComposer, SafeFormatsAreOneIntConversion) {
    for (const char* format : {"%02d", "%d", "No.%03d", "%-4i", "%x", "%%%u%%", "#%+5.3d"}) {
        EXPECT_TRUE(IsSafeSerialFormat(format)) << format;
    }
    for (const char* format : {"%s", "%n", "%d%d", "", "plain", "%*d", "%ld", "%lld", "%100d",
                               "%.100d", "%", "abc%", "%5", "%f", "%p", "%c"}) {
        EXPECT_FALSE(IsSafeSerialFormat(format)) << format;
    }
    EXPECT_FALSE(IsSafeSerialFormat(std::string(65, 'a') + "%d"));
}

TEST(LabelComposer, UnsafeFormatFallsBackToTwoDigits) {
    EXPECT_EQ(FormatSerial("%s", 7), "07");
    EXPECT_EQ(FormatSerial("%d%s", 7), "07");
    EXPECT_EQ(FormatSerial("Vol.%03d", 7), "Vol.007");
    EXPECT_EQ(FormatSerial("%%%d", 7), "%7");

    auto options = Options(false, false, true, false);
    options.m_serialFormat = "%s%s%s";
    EXPECT_EQ(ComposeLabel("A", options, "").m_strLabel, "A 07");
}
