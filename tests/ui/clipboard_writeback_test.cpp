// Putting history entries back on the real clipboard under Wine: the CF_HDROP block byte for
// byte, the drop effect only on request, the bitmap of a picture with the focused window as its
// owner, the cases that must leave the clipboard as it was, and what the capture's readers make of
// what was put.
#include "ui/clipboard_writeback.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string_view>
#include <thread>

#include "core/clipboard_readers.h"
#include "core/pattern_bitmap.h"
#include "support/clipboard_writer.h"
#include "support/utf8_text.h"
#include "framework/text_codec.h"
#include "framework/unique_resource.h"

namespace {

ByteSet Bytes(std::initializer_list<std::uint8_t> bytes) { return ByteSet(std::data(bytes), bytes.size()); }

ByteSet Concat(std::initializer_list<ByteSet> parts)
{
    std::string all;
    for (const ByteSet& part : parts)
        all.append(reinterpret_cast<const char*>(part.Data()), part.Size());
    return ByteSet::FromText(all);
}

ByteSet Zeros(std::size_t n) { return ByteSet(n); }

// The DROPFILES header for wide names: pFiles 20, then pt.x, pt.y and fNC 0, fWide 1.
ByteSet WideDropFilesHeader() { return Concat({Bytes({20, 0, 0, 0}), Zeros(12), Bytes({1, 0, 0, 0})}); }

// The UTF-16 units of a name, without a terminator.
ByteSet Units(std::wstring_view name) { return ByteSet(name.data(), name.size() * sizeof(wchar_t)); }

// A copy of the block the clipboard holds under `format`; empty when there is none.
ByteSet ClipboardBlock(UINT format)
{
    UniqueClipboard clipboard = OpenClipboardRetrying(nullptr);
    if (!clipboard)
        return ByteSet();
    HANDLE data = GetClipboardData(format);
    UniqueGlobalLock block = LockGlobal(data);
    return block ? ByteSet(block.get().data, GlobalSize(data)) : ByteSet();
}

std::vector<UINT> ClipboardFormats()
{
    UniqueClipboard clipboard = OpenClipboardRetrying(nullptr);
    std::vector<UINT> formats;
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format))
        formats.push_back(format);
    return formats;
}

bool HasFormat(UINT format)
{
    std::vector<UINT> formats = ClipboardFormats();
    return std::find(formats.begin(), formats.end(), format) != formats.end();
}

// Leaves a text on the clipboard, so that a test can tell whether a writer touched it.
void PutMarkerText()
{
    ClipboardWriter writer;
    ASSERT_TRUE(writer.IsOpen());
    ASSERT_TRUE(writer.Text(L"留着"));
}

void ExpectMarkerTextKept(const char* what)
{
    EXPECT_EQ(ReadClipboardText(), Utf8(u8"留着")) << what;
    EXPECT_FALSE(HasFormat(CF_HDROP)) << what;
    EXPECT_FALSE(HasFormat(CF_BITMAP)) << what;
}

// Another thread holding the clipboard open for a window of its own, as another program would,
// until the holder ends. (Wine lets a second thread open a clipboard opened without a window.)
class ClipboardHolder {
public:
    ClipboardHolder()
        : thread_([this] {
              HWND window = CreateWindowExA(0, "STATIC", "holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                            nullptr);
              opened_ = window && OpenClipboard(window) != FALSE;
              ready_ = true;
              while (!done_)
                  Sleep(5);
              if (opened_)
                  CloseClipboard();
              if (window)
                  DestroyWindow(window);
          })
    {
        while (!ready_)
            Sleep(5);
    }
    ~ClipboardHolder()
    {
        done_ = true;
        thread_.join();
    }
    bool Holds() const { return opened_; }

private:
    std::atomic<bool> opened_{false};
    std::atomic<bool> ready_{false};
    std::atomic<bool> done_{false};
    std::thread thread_;
};

// A 24-bit bottom-up BMP file of the pattern, laid out as the capture writes one.
ByteSet PatternBmpFile(int width, int height)
{
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) / 4 * 4;
    const std::uint32_t image = stride * static_cast<std::uint32_t>(height);
    ByteSet bytes(54 + image);
    BITMAPFILEHEADER file{0x4D42, 54 + image, 0, 0, 54};
    BITMAPINFOHEADER info{40, width, height, 1, 24, BI_RGB, image, 0, 0, 0, 0};
    std::memcpy(bytes.Data(), &file, sizeof(file));
    std::memcpy(bytes.Data() + sizeof(file), &info, sizeof(info));
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bytes.Data() + 54 + static_cast<std::size_t>(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            COLORREF colour = PatternColour(x, y);
            row[3 * x] = GetBValue(colour);
            row[3 * x + 1] = GetGValue(colour);
            row[3 * x + 2] = GetRValue(colour);
        }
    }
    return bytes;
}

// Pixels of `bitmap` that differ from the pattern, or -1 when the bitmap is not width x height.
int PixelsOffPattern(HBITMAP bitmap, int width, int height)
{
    BITMAP shape{};
    if (GetObjectA(bitmap, sizeof(shape), &shape) == 0 || shape.bmWidth != width || shape.bmHeight != height)
        return -1;
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    UniqueWindowDc screen = GetWindowDc();
    if (!screen || GetDIBits(screen.get().dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS) != height)
        return -1;
    int wrong = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            COLORREF c = PatternColour(x, y);
            std::uint32_t expected = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
            wrong += (pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF) != expected;
        }
    return wrong;
}

int PixelsOfClipboardBitmapOffPattern(int width, int height)
{
    UniqueClipboard clipboard = OpenClipboardRetrying(nullptr);
    if (!clipboard)
        return -1;
    return PixelsOffPattern(static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)), width, height);
}

// The names the platform's own reader finds, as UTF-8.
std::vector<std::string> DroppedNames()
{
    UniqueClipboard clipboard = OpenClipboardRetrying(nullptr);
    auto drop = static_cast<HDROP>(GetClipboardData(CF_HDROP));
    std::vector<std::string> names;
    UINT count = drop ? DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) : 0;
    for (UINT i = 0; i < count; ++i) {
        wchar_t name[MAX_PATH] = {};
        DragQueryFileW(drop, i, name, MAX_PATH);
        names.push_back(Utf8FromWide(name));
    }
    return names;
}

TEST(GetByteSetSize, CountsTheBytes)
{
    EXPECT_EQ(GetByteSetSize(ByteSet()), 0);
    EXPECT_EQ(GetByteSetSize(ByteSet(30)), 30);
}

TEST(PutFileListOnClipboard, PutsAWideDropFilesBlockAndNothingElse)
{
    struct Case {
        const char* what;
        std::vector<std::string> names;  // UTF-8, as recorded
        ByteSet block;
        std::vector<std::string> read;  // the names a CF_HDROP reader finds
    };
    const Case cases[] = {
        {"one name of 8 units", {"C:\\a.txt"}, Concat({WideDropFilesHeader(), Units(L"C:\\a.txt"), Zeros(4)}),
         {"C:\\a.txt"}},
        {"two names, GBK", {Utf8(u8"C:\\澄笺\\图片.bmp"), "D:\\b"},
         Concat({WideDropFilesHeader(), Units(L"C:\\澄笺\\图片.bmp"), Zeros(2), Units(L"D:\\b"), Zeros(4)}),
         {Utf8(u8"C:\\澄笺\\图片.bmp"), "D:\\b"}},
        {"names outside GBK", {Utf8(u8"C:\\😀 한국어.png"), Utf8(u8"D:\\ελληνικά עברית 𠀀")},
         Concat({WideDropFilesHeader(), Units(L"C:\\😀 한국어.png"), Zeros(2), Units(L"D:\\ελληνικά עברית 𠀀"),
                 Zeros(4)}),
         {Utf8(u8"C:\\😀 한국어.png"), Utf8(u8"D:\\ελληνικά עברית 𠀀")}},
        {"an empty name would end the list", {"C:\\a", "", "C:\\b"},
         Concat({WideDropFilesHeader(), Units(L"C:\\a"), Zeros(2), Units(L"C:\\b"), Zeros(4)}), {"C:\\a", "C:\\b"}},
    };
    for (const Case& c : cases) {
        PutMarkerText();
        EXPECT_TRUE(PutFileListOnClipboard(c.names)) << c.what;
        ByteSet block = ClipboardBlock(CF_HDROP);
        EXPECT_EQ(block, c.block) << c.what;
        EXPECT_EQ(ClipboardFormats(), std::vector<UINT>{CF_HDROP}) << c.what << ": the text is gone, no drop effect";
        EXPECT_EQ(GetClipboardOwnerWindow(), nullptr) << c.what;
        EXPECT_EQ(DroppedNames(), c.read) << c.what;

        std::vector<std::string> captured{"old"};
        EXPECT_EQ(ReadClipboardFileList(captured), static_cast<int>(c.read.size())) << c.what;
        EXPECT_EQ(captured, c.read) << c.what;
    }
}

TEST(PutFileListOnClipboard, BlockSizeIsHeaderPlusEachNameAndItsZeroPlusOne)
{
    const std::vector<std::wstring> names{L"C:\\x", L"C:\\文件夹\\长一点的名字.gif", L"Z:\\😀"};
    std::vector<std::string> recorded;
    std::size_t expected = 20 + 2;
    for (const std::wstring& name : names) {
        expected += (name.size() + 1) * 2;
        recorded.push_back(Utf8FromWide(name));
    }
    ASSERT_TRUE(PutFileListOnClipboard(recorded));
    ByteSet block = ClipboardBlock(CF_HDROP);
    ASSERT_EQ(block.Size(), expected);
    for (std::size_t zero = expected - 4; zero < expected; ++zero)
        EXPECT_EQ(block[zero], 0) << zero;
    EXPECT_NE(block[expected - 6] | block[expected - 5], 0);
}

TEST(PutFileListOnClipboard, PutsTheMoveDropEffectOnlyWhenAsked)
{
    const UINT dropEffect = RegisterClipboardFormatA("Preferred DropEffect");
    ASSERT_NE(dropEffect, 0u);

    ASSERT_TRUE(PutFileListOnClipboard({"C:\\a.txt"}, true));
    std::vector<UINT> formats = ClipboardFormats();
    std::sort(formats.begin(), formats.end());
    EXPECT_EQ(formats, (std::vector<UINT>{CF_HDROP, dropEffect}));
    EXPECT_EQ(ClipboardBlock(dropEffect), Bytes({2, 0, 0, 0}));
    EXPECT_EQ(DroppedNames(), std::vector<std::string>{"C:\\a.txt"});

    ASSERT_TRUE(PutFileListOnClipboard({"C:\\a.txt"}, false));
    EXPECT_FALSE(HasFormat(dropEffect));
}

TEST(PutFileListOnClipboard, LeavesTheClipboardAsItWasWhenNothingCanBePut)
{
    const std::vector<std::string> noName[] = {{}, {""}, {"", ""}};
    for (const std::vector<std::string>& names : noName) {
        PutMarkerText();
        EXPECT_FALSE(PutFileListOnClipboard(names, true)) << names.size() << " empty names";
        ExpectMarkerTextKept("no name");
    }

    PutMarkerText();
    {
        ClipboardHolder holder;
        ASSERT_TRUE(holder.Holds());
        EXPECT_FALSE(PutFileListOnClipboard({"C:\\a.txt"}));
    }
    ExpectMarkerTextKept("held by another thread");
}

TEST(PutPictureOnClipboard, PutsTheBitmapOfTheBmpBytes)
{
    struct Size {
        int width;
        int height;
    };
    for (Size size : {Size{1, 1}, Size{5, 2}, Size{33, 17}}) {
        PutMarkerText();
        ByteSet bmp = PatternBmpFile(size.width, size.height);
        PutPictureOnClipboard(bmp);
        EXPECT_EQ(ReadClipboardText(), "") << size.width << ": the clipboard was emptied";
        // The clipboard's bitmap is still alive after the picture object has gone.
        EXPECT_EQ(PixelsOfClipboardBitmapOffPattern(size.width, size.height), 0) << size.width << "x" << size.height;
        EXPECT_EQ(ReadClipboardBitmap(), bmp) << size.width << "x" << size.height << ": the capture reads the same file";
    }
}

TEST(PutPictureOnClipboard, LeavesTheClipboardAsItWasForBytesThatGiveNoBitmap)
{
    ByteSet truncated = PatternBmpFile(8, 8);
    truncated = ByteSet(truncated.Data(), 60);
    struct Case {
        const char* what;
        ByteSet bytes;
    };
    const Case cases[] = {
        {"empty", ByteSet()},
        {"not an image", ByteSet::FromText("这不是图片, just text")},
        {"a BMP cut short", truncated},
        {"a header only", ByteSet::FromText("BM")},
    };
    for (const Case& c : cases) {
        PutMarkerText();
        PutPictureOnClipboard(c.bytes);
        ExpectMarkerTextKept(c.what);
    }

    PutMarkerText();
    {
        ClipboardHolder holder;
        ASSERT_TRUE(holder.Holds());
        PutPictureOnClipboard(PatternBmpFile(4, 4));
    }
    ExpectMarkerTextKept("held by another thread");
}

// A visible top-level window with an edit child that has the keyboard focus, made the foreground
// window by the thread that creates it.
struct FocusedWindow {
    HWND frame = nullptr;
    HWND edit = nullptr;

    void Create()
    {
        frame = CreateWindowExA(0, "STATIC", "focus", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                nullptr, nullptr, nullptr);
        edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, frame, nullptr, nullptr, nullptr);
        SetForegroundWindow(frame);
        SetFocus(edit);
    }
    void Destroy()
    {
        if (frame)
            DestroyWindow(frame);
        frame = edit = nullptr;
    }
};

void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

TEST(GetInputFocusWindow, FindsTheFocusOfTheForegroundThread)
{
    // The foreground window in another thread: the focus comes through the attached input queues,
    // which are detached again afterwards.
    FocusedWindow other;
    std::atomic<bool> ready{false};
    std::atomic<bool> done{false};
    std::thread owner([&] {
        other.Create();
        ready = true;
        while (!done) {
            PumpMessages();
            Sleep(5);
        }
        other.Destroy();
    });
    while (!ready)
        Sleep(5);
    ASSERT_EQ(GetForegroundWindow(), other.frame);
    EXPECT_EQ(GetInputFocusWindow(), other.edit);
    EXPECT_EQ(GetFocus(), nullptr) << "input queues left attached";
    done = true;
    owner.join();

    // The foreground window in this thread: its focus, which also owns a picture put back.
    FocusedWindow mine;
    mine.Create();
    ASSERT_EQ(GetForegroundWindow(), mine.frame);
    EXPECT_EQ(GetInputFocusWindow(), mine.edit);
    PutPictureOnClipboard(PatternBmpFile(3, 3));
    EXPECT_EQ(GetClipboardOwnerWindow(), mine.edit);
    EXPECT_EQ(PixelsOfClipboardBitmapOffPattern(3, 3), 0);
    mine.Destroy();
}

} // namespace
