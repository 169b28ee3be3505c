// GBK and UTF-8 conversion at the database boundary.
#include "db/text_conversion.h"

#include "framework/text_codec.h"

#include <gtest/gtest.h>

#include <string_view>

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

namespace {

// u8"" as the std::string of its bytes.
std::string Bytes(std::u8string_view text) { return std::string(text.begin(), text.end()); }

// A text in its two forms.
struct Utf8Case {
    const char* what;
    std::wstring wide;
    std::string utf8;
};

TEST(TextCodec, Utf8KeepsEveryUnitBothWays)
{
    const Utf8Case cases[] = {
        {"empty", L"", ""},
        {"gbk", L"澄笺 it's", Bytes(u8"澄笺 it's")},
        {"outside gbk", L"emoji 😀 한국어 ελληνικά עברית ∑ 𠀀 end", Bytes(u8"emoji 😀 한국어 ελληνικά עברית ∑ 𠀀 end")},
        {"two-byte and three-byte edges", L"\x7F\x80\x7FF\x800\xFFFF", "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"},
        {"highest pair", L"\xDBFF\xDFFF", "\xF4\x8F\xBF\xBF"},
        {"lone high", L"a\xD800", "a\xED\xA0\x80"},
        {"lone low", L"\xDFFF" L"b", "\xED\xBF\xBF" "b"},
        {"low before high", L"\xDC00\xD800", "\xED\xB0\x80\xED\xA0\x80"},
        {"embedded zero", std::wstring(L"a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Utf8Case& c : cases) {
        EXPECT_EQ(Utf8FromWide(c.wide), c.utf8) << c.what;
        EXPECT_EQ(WideFromUtf8(c.utf8), c.wide) << c.what;
        UniqueBstr bstr = BstrFromUtf8(c.utf8);
        ASSERT_TRUE(bstr) << c.what;
        EXPECT_EQ(std::wstring(bstr.get(), SysStringLen(bstr.get())), c.wide) << c.what;
    }
}

TEST(TextCodec, BytesThatAreNoUtf8ReadAsReplacementCharacters)
{
    const Utf8Case cases[] = {
        {"continuation without lead", L"a\xFFFD" L"b", "a\x80" "b"},
        {"overlong slash", L"\xFFFD\xFFFD", "\xC0\xAF"},
        {"overlong three bytes", L"\xFFFD\xFFFD\xFFFD", "\xE0\x80\xAF"},
        {"beyond U+10FFFF", L"\xFFFD\xFFFD\xFFFD\xFFFD", "\xF4\x90\x80\x80"},
        {"cut at the end", L"ok\xFFFD\xFFFD", "ok\xE6\xBE"},
        {"GBK bytes", L"\xFFFD\xFFFD", "\xB3\xCE"},
    };
    for (const Utf8Case& c : cases)
        EXPECT_EQ(WideFromUtf8(c.utf8), c.wide) << c.what;
}

TEST(TextCodec, CodePageTextsAndBstrs)
{
    EXPECT_EQ(GbkFromWide(L"澄笺 v1.0"), "澄笺 v1.0");
    EXPECT_EQ(WideFromGbk("澄笺 v1.0"), L"澄笺 v1.0");
    EXPECT_EQ(GbkFromWide(L"\x0E01\xD83D\xDE00x"), std::string(3, '?') + "x") << "one substitute per unit GBK lacks";
    EXPECT_EQ(GbkFromUtf8(Bytes(u8"全角：，")), "全角：，");
    EXPECT_EQ(Utf8FromGbk("全角：，"), Bytes(u8"全角：，"));
    UniqueBstr empty = BstrFromAnsi("");
    ASSERT_TRUE(empty);
    EXPECT_EQ(SysStringLen(empty.get()), 0u);
    UniqueBstr wide = BstrFromAnsi("澄笺");
    ASSERT_TRUE(wide);
    EXPECT_EQ(std::wstring(wide.get(), SysStringLen(wide.get())), L"澄笺");
    EXPECT_EQ(AnsiFromBstr(wide.get()), "澄笺");
    EXPECT_EQ(AnsiFromBstr(nullptr), "");
    EXPECT_FALSE(BstrFromAnsi(static_cast<const char*>(nullptr))) << "no text is no BSTR, not an empty one";
}

TEST(TextCodec, AHugeGbkTextConvertsSliceBySliceToTheSameBytes)
{
    // Over a slice's size, with a double-byte character across every slice border a byte-wise cut
    // would split.
    std::string gbk = "x";
    while (gbk.size() < 3 * (1 << 20))
        gbk += "澄笺";
    std::string expected;
    for (std::size_t i = 1; i < gbk.size(); i += 4)
        expected += Bytes(u8"澄笺");
    EXPECT_TRUE(Utf8FromGbk(gbk) == "x" + expected);
}

} // namespace
