// The time key: its fixed widths, and the key of the local time now.
#include "core/time_key.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

SYSTEMTIME Time(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, WORD milliseconds)
{
    SYSTEMTIME time = {};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    time.wMilliseconds = milliseconds;
    return time;
}

TEST(TimeKey, FieldsHaveTheirWidthsAndTheYearIsAsItIs)
{
    struct Case {
        SYSTEMTIME time;
        const char* key;
    };
    const Case cases[] = {
        {Time(2020, 11, 20, 9, 5, 3, 7), "2020-11-20 09:05:03 007"},
        {Time(2026, 1, 1, 0, 0, 0, 0), "2026-01-01 00:00:00 000"},
        {Time(2026, 12, 31, 23, 59, 59, 999), "2026-12-31 23:59:59 999"},
        {Time(2026, 3, 4, 10, 20, 30, 45), "2026-03-04 10:20:30 045"},
        {Time(999, 2, 3, 4, 5, 6, 78), "999-02-03 04:05:06 078"},
        {Time(10000, 10, 10, 10, 10, 10, 100), "10000-10-10 10:10:10 100"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatTimeKey(c.time), c.key);
}

TEST(TimeKey, MakeTimeKeyIsTheLocalTimeNow)
{
    SYSTEMTIME before;
    GetLocalTime(&before);
    std::string key = MakeTimeKey();
    SYSTEMTIME after;
    GetLocalTime(&after);
    EXPECT_TRUE(std::regex_match(key, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d \d{3})"))) << key;
    EXPECT_LE(FormatTimeKey(before), key);
    EXPECT_LE(key, FormatTimeKey(after));
}

} // namespace
