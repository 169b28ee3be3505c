// GBK and UTF-8 conversion at the database boundary.
#include "db/text_conversion.h"

#include <gtest/gtest.h>

namespace {

TEST(TextConversion, RoundTripsAndEmptyResults)
{
    struct Case {
        std::string gbk;
        std::string utf8;
    };
    const Case cases[] = {
        {"", ""},
        {"plain ascii", "plain ascii"},
        {"澄笺 v1.0", "\xE6\xBE\x84\xE7\xAC\xBA v1.0"},
        {"【TIME】", "\xE3\x80\x90TIME\xE3\x80\x91"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GbkToUtf8(c.gbk), c.utf8);
        EXPECT_EQ(Utf8TextToGbk(c.utf8), c.gbk);
        EXPECT_EQ(Utf8ToGbk(c.utf8.c_str()), c.gbk);
    }
    EXPECT_EQ(Utf8ToGbk(nullptr), "");
}

TEST(TextConversion, CharactersGbkLacksBecomeSubstitutesNotFailures)
{
    std::string converted = Utf8TextToGbk("a\xF0\x9F\x98\x80" "b");  // an emoji
    EXPECT_EQ(converted.front(), 'a');
    EXPECT_EQ(converted.back(), 'b');
    EXPECT_GT(converted.size(), 2u);
}

TEST(TextConversion, SourceCodePageCanBeOverridden)
{
    EXPECT_EQ(GbkToUtf8("\xE9", 1252), "\xC3\xA9");
    EXPECT_EQ(Utf8TextToGbk("\xE9", 1252), "\xA8\xA6");  // é in GBK
}

} // namespace
