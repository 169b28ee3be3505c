// A cell's stored text gives back every UTF-16 unit it was given, whatever the units are, and its
// start for painting never ends in half a surrogate pair.
#include "stored_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using vsflex::StoredText;

TEST(StoredTextTest, EveryUnitComesBackAsPut)
{
    const struct {
        const char* what;
        std::wstring text;
    } cases[] = {
        {"empty", L""},
        {"Latin", L"plain text, 1 2 3"},
        {"two-byte sequences", L"\u00e9\u00fc\u03a9\u07ff"},
        {"Chinese", L"\u6f84\u7b3a\u526a\u8d34\u677f"},
        {"a pair (emoji)", L"a\U0001F600b"},
        {"a lone high surrogate", std::wstring(L"x") + wchar_t(0xD83D) + L"y"},
        {"a lone low surrogate", std::wstring(L"x") + wchar_t(0xDE00)},
        {"low before high", std::wstring() + wchar_t(0xDE00) + wchar_t(0xD83D)},
        {"a high surrogate at the end", std::wstring(L"end") + wchar_t(0xDBFF)},
        {"embedded zeros", std::wstring(L"a\0b\0", 4)},
        {"the edges of each length", std::wstring() + wchar_t(0x7F) + wchar_t(0x80) + wchar_t(0x7FF) + wchar_t(0x800) +
                                         wchar_t(0xFFFF) + L"\U00010000\U0010FFFF"},
    };
    for (const auto& c : cases) {
        StoredText stored(c.text);
        EXPECT_EQ(stored.Units(), c.text.size()) << c.what;
        EXPECT_EQ(stored.empty(), c.text.empty()) << c.what;
        EXPECT_EQ(stored.Wide(), c.text) << c.what;
        std::wstring copied(c.text.size() + 1, L'#');
        stored.CopyTo(copied.data());
        EXPECT_EQ(copied, c.text + L"#") << c.what << ": wrote past its units";
        EXPECT_EQ(stored.Start(c.text.size()), c.text) << c.what;
    }
}

TEST(StoredTextTest, TheStartKeepsPairsWhole)
{
    const std::wstring text = L"ab\U0001F600cd";  // a, b, high, low, c, d
    StoredText stored(text);
    const struct {
        std::size_t units;
        std::wstring start;
    } cases[] = {
        {0, L""}, {2, L"ab"}, {3, L"ab"}, {4, L"ab\U0001F600"}, {5, L"ab\U0001F600c"}, {100, text},
    };
    for (const auto& c : cases)
        EXPECT_EQ(stored.Start(c.units), c.start) << c.units;
}

} // namespace
