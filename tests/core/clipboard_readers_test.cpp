// The clipboard readers under Wine with real clipboard contents: Unicode text kept whole as UTF-8,
// a bitmap as a 24-bit BMP image byte by byte, file lists in both of their forms, and damaged
// file lists that must give nothing.
#include "core/clipboard_readers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string_view>
#include <thread>

#include "core/clipboard_capture.h"
#include "pattern_bitmap.h"
#include "support/clipboard_holder.h"
#include "support/clipboard_writer.h"
#include "support/utf8_text.h"

namespace {

ByteSet Units(const std::wstring& units) { return ByteSet(units.data(), units.size() * sizeof(wchar_t)); }

std::uint32_t Le32(const ByteSet& bytes, size_t at)
{
    std::uint32_t value;
    std::memcpy(&value, bytes.Data() + at, 4);
    return value;
}

std::uint16_t Le16(const ByteSet& bytes, size_t at)
{
    std::uint16_t value;
    std::memcpy(&value, bytes.Data() + at, 2);
    return value;
}

TEST(Utf16ToText, ConvertsUpToTheFirstZeroUnit)
{
    ByteSet odd = Units(std::wstring(L"ab", 2));
    odd = ByteSet(odd.Data(), 3);  // a half unit at the end is ignored
    struct Case {
        const char* what;
        ByteSet bytes;
        std::string text;
    };
    const Case cases[] = {
        {"plain", Units(std::wstring(L"it's\0", 5)), "it's"},
        {"gbk", Units(std::wstring(L"澄笺：剪贴板\0", 7)), "澄笺：剪贴板"},
        {"not in code page 936", Units(std::wstring(L"\u0E01x\0", 3)), "?x"},
        {"bytes after the terminator", Units(std::wstring(L"ok\0junk", 7)), "ok"},
        {"no terminator", Units(std::wstring(L"end", 3)), "end"},
        {"odd length", odd, "a"},
        {"empty", ByteSet(), ""},
        {"only a terminator", Units(std::wstring(L"\0", 1)), ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Utf16ToText(c.bytes), c.text) << c.what;
}

TEST(HeapByteSet, HoldsZeroBytesAndNoneBelowOne)
{
    ByteSet bytes = AllocHeapByteSet(5);
    EXPECT_EQ(bytes, ByteSet(5));
    EXPECT_EQ(ByteSetData(bytes), bytes.Data());
    for (int n : {0, -1}) {
        ByteSet none = AllocHeapByteSet(n);
        EXPECT_TRUE(none.Empty()) << n;
        EXPECT_EQ(ByteSetData(none), nullptr) << n;
    }
}

TEST(ReadClipboardText, GivesEveryUnitOfTheTextAsUtf8OrNothing)
{
    struct Case {
        const char* what;
        std::wstring copied;
        std::string text;
    };
    const Case cases[] = {
        {"gbk", L"it's 澄笺", Utf8(u8"it's 澄笺")},
        {"outside gbk", L"emoji 😀 한국어 ελληνικά עברית ∑ 𠀀 end", Utf8(u8"emoji 😀 한국어 ελληνικά עברית ∑ 𠀀 end")},
        // Units no character makes: kept as the three bytes of their own value.
        {"lone high surrogate", L"a\xD83D" L"b", "a\xED\xA0\xBD" "b"},
        {"lone low surrogate at the end", L"z\xDE00", "z\xED\xB8\x80"},
        {"up to the first zero", std::wstring(L"kept\0dropped", 12), "kept"},
        {"empty", L"", ""},
    };
    for (const Case& c : cases) {
        {
            ClipboardWriter writer;
            ASSERT_TRUE(writer.IsOpen());
            writer.Text(c.copied);
        }
        EXPECT_EQ(ReadClipboardText(), c.text) << c.what;
    }
    {
        ClipboardWriter writer;  // emptied, no text
        ASSERT_TRUE(writer.IsOpen());
    }
    EXPECT_EQ(ReadClipboardText(), "");
}

TEST(ReadClipboardBitmap, MakesA24BitBmpFileImage)
{
    struct Case {
        int width;
        int height;
        std::uint32_t rowLength;
    };
    const Case cases[] = {{101, 100, 304}, {1, 1, 4}, {4, 3, 12}, {5, 2, 16}};
    for (const Case& c : cases) {
        {
            ClipboardWriter writer;
            ASSERT_TRUE(writer.IsOpen());
            ASSERT_TRUE(writer.Bitmap(MakePatternBitmap(c.width, c.height)));
        }
        ByteSet image = ReadClipboardBitmap();
        std::uint32_t imageSize = c.rowLength * c.height;
        ASSERT_EQ(image.Size(), 54 + imageSize) << c.width;
        EXPECT_EQ(image[0], 'B');
        EXPECT_EQ(image[1], 'M');
        struct Field {
            size_t offset;
            int width;
            std::uint32_t value;
        };
        const Field fields[] = {
            {2, 4, 54 + imageSize}, {6, 2, 0},  {8, 2, 0},           {10, 4, 54}, {14, 4, 40},
            {18, 4, std::uint32_t(c.width)},    {22, 4, std::uint32_t(c.height)}, {26, 2, 1},
            {28, 2, 24},            {30, 4, 0}, {34, 4, imageSize},  {38, 4, 0},  {42, 4, 0},
            {46, 4, 0},             {50, 4, 0},
        };
        for (const Field& f : fields)
            EXPECT_EQ(f.width == 4 ? Le32(image, f.offset) : Le16(image, f.offset), f.value)
                << c.width << "x" << c.height << " at " << f.offset;

        // Rows run bottom-up: blue, green, red per pixel, then zeros up to the row's length.
        int wrong = 0;
        for (int y = 0; y < c.height; ++y) {
            size_t row = 54 + size_t(c.height - 1 - y) * c.rowLength;
            for (int x = 0; x < c.width; ++x) {
                COLORREF colour = PatternColour(x, y);
                const std::uint8_t* p = image.Data() + row + size_t(x) * 3;
                wrong += p[0] != GetBValue(colour) || p[1] != GetGValue(colour) || p[2] != GetRValue(colour);
            }
            for (size_t pad = size_t(c.width) * 3; pad < c.rowLength; ++pad)
                wrong += image[row + pad] != 0;
        }
        EXPECT_EQ(wrong, 0) << c.width << "x" << c.height;
    }
}

TEST(ReadClipboardBitmap, NoBitmapGivesNoImage)
{
    {
        ClipboardWriter writer;
        ASSERT_TRUE(writer.IsOpen());
        writer.Text(L"only text");
    }
    EXPECT_TRUE(ReadClipboardBitmap().Empty());
}

TEST(ReadClipboardFileList, GivesTheFullPathsInClipboardOrder)
{
    const std::string longName = "C:\\" + std::string(300, 'n') + ".txt";
    struct Case {
        const char* what;
        std::vector<std::wstring> wide;  // a file manager's list
        std::vector<std::string> ansi;   // or an older program's
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"two files", {L"C:\\b.txt", L"C:\\a.txt"}, {}, {"C:\\b.txt", "C:\\a.txt"}},
        {"apostrophe", {L"C:\\it's.txt"}, {}, {"C:\\it's.txt"}},
        {"gbk names", {L"D:\\图片\\澄笺.png", L"D:\\文件.txt"}, {}, {Utf8(u8"D:\\图片\\澄笺.png"), Utf8(u8"D:\\文件.txt")}},
        {"names outside gbk", {L"C:\\😀 한국어.txt", L"D:\\ελληνικά\\עברית 𠀀.png"}, {},
         {Utf8(u8"C:\\😀 한국어.txt"), Utf8(u8"D:\\ελληνικά\\עברית 𠀀.png")}},
        {"long name", {std::wstring(longName.begin(), longName.end())}, {}, {longName}},
        {"long gbk name", {L"C:\\" + std::wstring(200, L'澄')}, {}, {"C:\\" + [] {
             std::string s;
             for (int i = 0; i < 200; ++i)
                 s += Utf8(u8"澄");
             return s;
         }()}},
        {"code-page list", {}, {"C:\\x.txt", "D:\\文件.txt"}, {"C:\\x.txt", Utf8(u8"D:\\文件.txt")}},
    };
    for (const Case& c : cases) {
        {
            ClipboardWriter writer;
            ASSERT_TRUE(writer.IsOpen());
            ASSERT_TRUE(c.ansi.empty() ? writer.Files(c.wide) : writer.AnsiFiles(c.ansi)) << c.what;
        }
        std::vector<std::string> names = {"left over"};
        EXPECT_EQ(ReadClipboardFileList(names), static_cast<int>(c.names.size())) << c.what;
        EXPECT_EQ(names, c.names) << c.what;
    }

    {
        ClipboardWriter writer;
        ASSERT_TRUE(writer.IsOpen());
        writer.Text(L"no files");
    }
    std::vector<std::string> names = {"left over"};
    EXPECT_EQ(ReadClipboardFileList(names), 0);
    EXPECT_TRUE(names.empty());
}

// A CF_HDROP block as a damaged or an older program makes it: the header with `offset` (kAtTheEnd:
// the block's own size) and `wide`, then `list` byte for byte, nothing more.
constexpr DWORD kAtTheEnd = 0xFFFFFFFF;

std::string DropBlock(DWORD offset, BOOL wide, std::string_view list)
{
    std::string block(sizeof(DROPFILES), '\0');
    block += list;
    DROPFILES header = {};
    header.pFiles = offset == kAtTheEnd ? static_cast<DWORD>(block.size()) : offset;
    header.fWide = wide;
    std::memcpy(block.data(), &header, sizeof header);
    return block;
}

std::string Bytes(std::wstring_view units) { return std::string(reinterpret_cast<const char*>(units.data()), units.size() * 2); }

TEST(ReadClipboardFileList, ADamagedBlockGivesNoNamesAndTheRestOfTheChangeIsStillRead)
{
    using namespace std::string_view_literals;
    const std::string wideList = Bytes(L"C:\\a.txt\0C:\\😀.txt\0\0"sv);
    struct Case {
        const char* what;
        std::string block;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"offset just past the end", DropBlock(20 + 2 + wideList.size(), TRUE, wideList), {}},
        {"offset far past the end", DropBlock(0x7FFF0000, TRUE, wideList), {}},
        {"offset at the end", DropBlock(kAtTheEnd, TRUE, wideList), {}},
        {"offset 0", DropBlock(0, TRUE, wideList), {}},
        {"offset inside the header", DropBlock(8, FALSE, "C:\\a.txt\0\0"sv), {}},
        {"wide last name without its zero", DropBlock(20, TRUE, Bytes(L"C:\\a.txt\0C:\\b.txt"sv)), {}},
        {"wide last name cut inside a unit", DropBlock(20, TRUE, Bytes(L"C:\\a.txt\0C:\\b"sv) + "x"), {}},
        {"ansi last name without its zero", DropBlock(20, FALSE, "C:\\a.txt\0C:\\b.txt"sv), {}},
        // Lists that are whole: read, and only as far as they go.
        {"ansi list", DropBlock(20, FALSE, "C:\\x.txt\0D:\\文件.txt\0\0"sv), {"C:\\x.txt", Utf8(u8"D:\\文件.txt")}},
        {"ansi list ending with the block", DropBlock(20, FALSE, "C:\\x.txt\0"sv), {"C:\\x.txt"}},
        {"wide list", DropBlock(20, TRUE, wideList), {"C:\\a.txt", Utf8(u8"C:\\😀.txt")}},
        {"wide list at an odd offset", DropBlock(21, TRUE, "-" + wideList), {"C:\\a.txt", Utf8(u8"C:\\😀.txt")}},
        {"empty list", DropBlock(20, TRUE, Bytes(L"\0"sv)), {}},
    };
    for (const Case& c : cases) {
        {
            ClipboardWriter writer;
            ASSERT_TRUE(writer.IsOpen());
            writer.Text(L"text of the same change");
            ASSERT_TRUE(writer.Bitmap(MakePatternBitmap(3, 2)));
            ASSERT_TRUE(writer.Block(CF_HDROP, c.block.data(), c.block.size())) << c.what;
        }
        std::vector<std::string> names = {"left over"};
        EXPECT_EQ(ReadClipboardFileList(names), static_cast<int>(c.names.size())) << c.what;
        EXPECT_EQ(names, c.names) << c.what;
        HistoryEntry entry = ReadClipboardEntry();
        EXPECT_EQ(entry.text, "text of the same change") << c.what;
        EXPECT_FALSE(entry.picture.Empty()) << c.what;
    }
}

TEST(ClipboardReaders, AClipboardHeldByAnotherThreadReadsAsEmpty)
{
    {
        ClipboardWriter writer;
        ASSERT_TRUE(writer.IsOpen());
        writer.Text(L"held");
        writer.Bitmap(MakePatternBitmap(2, 2));
        writer.Files({L"C:\\held.txt"});
    }
    ClipboardHolder holder;
    std::vector<std::string> names;
    EXPECT_EQ(ReadClipboardText(), "");
    EXPECT_TRUE(ReadClipboardBitmap().Empty());
    EXPECT_EQ(ReadClipboardFileList(names), 0);
    holder.Release();
    EXPECT_EQ(ReadClipboardText(), "held");
}

} // namespace
