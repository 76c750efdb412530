// The dialogs' titles from the text conditions, and date bounds read from their
// fields with the clamping to what 32-bit seconds hold.
#include "core/FindSettings.h"
#include "core/Resources.h"
#include "search/FindDate.h"
#include "search/FindTitle.h"

#include <gtest/gtest.h>

#include <ctime>

using namespace quillora;

TEST(FindTitle, NamesTheTextConditionsOnly) {
    SFindSettings s;
    const std::string find = Res(389);
    const std::string cases = Res(395);
    EXPECT_EQ(FindTitle(s, false), find + "すべてのﾌｧｲﾙ");
    EXPECT_EQ(FindTitle(s, true), cases + "すべてのﾌｧｲﾙ");
    s.m_nMark = 1;
    s.m_nSizeMinMode = 1; // marks, sizes and dates are not shown
    EXPECT_EQ(FindTitle(s, false), find + "すべてのﾌｧｲﾙ");
    s.m_strName = "*.jpg";
    EXPECT_EQ(FindTitle(s, false), find + "*.jpg というﾌｧｲﾙ名");
    s.m_strComment = "trip";
    EXPECT_EQ(FindTitle(s, false), find + "trip を含む、*.jpg というﾌｧｲﾙ名");
    s.m_strCategory = "photo";
    EXPECT_EQ(FindTitle(s, true), cases + "photo と trip を含む、*.jpg というﾌｧｲﾙ名");
    s.m_strName.clear();
    s.m_strComment.clear();
    EXPECT_EQ(FindTitle(s, false), find + "photo を含む");
    // A pattern is shown as typed, "%" and all.
    s.m_strCategory = "100%";
    EXPECT_EQ(FindTitle(s, false), find + "100% を含む");
}

namespace {

std::string Read(const char* text, std::time_t now) {
    std::optional<SDateBound> bound = ReadDateBound(text, now);
    return bound ? bound->m_strText : "refused";
}

std::time_t LocalNoon(int year, int month, int day) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = 12;
    tm.tm_min = 34;
    tm.tm_sec = 56;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

} // namespace

TEST(FindDate, ReadsTheDateAtTheTimeOfDayItWasRead) {
    const std::time_t now = LocalNoon(2024, 5, 17);
    std::optional<SDateBound> bound = ReadDateBound("2003/02/01", now);
    ASSERT_TRUE(bound);
    EXPECT_EQ(bound->m_strText, "2003/02/01");
    EXPECT_EQ(static_cast<std::time_t>(bound->m_dwSeconds), LocalNoon(2003, 2, 1));
    EXPECT_EQ(Read("2003-02-01", now), "2003/02/01");
    EXPECT_EQ(Read(" 2003/2/1 ", now), "2003/02/01");
    EXPECT_EQ(DateBoundText(static_cast<std::uint32_t>(LocalNoon(1999, 12, 31))), "1999/12/31");
    for (const char* bad : {"", "2003", "2003/02", "2003/02/01x", "2003/02-01", "today", "//"}) {
        EXPECT_EQ(Read(bad, now), "refused") << bad;
    }
}

TEST(FindDate, ClampsToTheRangeOf32BitSeconds) {
    const std::time_t now = LocalNoon(2024, 5, 17);
    EXPECT_EQ(Read("1965/06/05", now), "1970/06/05");
    EXPECT_EQ(Read("1970/01/01", now), "1970/01/02");
    EXPECT_EQ(Read("2050/06/05", now), "2038/01/18");
    EXPECT_EQ(Read("2038/01/25", now), "2038/01/18");
    EXPECT_EQ(Read("2038/01/10", now), "2038/01/10");
    EXPECT_EQ(Read("2003/13/40", now), "2003/12/31");
    EXPECT_EQ(Read("2003/00/00", now), "2003/01/01");
    // A day past the month's end rolls over, as the calendar does.
    EXPECT_EQ(Read("2003/02/30", now), "2003/03/02");
}
