#include "core/clipboard_readers.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "core/clipboard_handles.h"
#include "core/clipboard_reader_calls.h"
#include "ui/main_window.h"

namespace {

constexpr UINT kGbkCodePage = 936;
constexpr std::uint32_t kBmpHeaderSize = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
static_assert(sizeof(BITMAPFILEHEADER) == 14 && sizeof(BITMAPINFOHEADER) == 40);
// DragQueryFileA's usual buffer; longer names get a buffer of their own size.
constexpr UINT kFileNameBuffer = 260;

// Bytes of the 24-bit rows, each padded to a multiple of 4; 0 for an empty bitmap. An image no
// process of ours could hold raises, as its allocation would.
std::uint32_t BmpImageSize(LONG width, LONG height)
{
    if (width <= 0 || height <= 0)
        return 0;
    std::uint64_t rowLength = (static_cast<std::uint64_t>(width) * 24 + 31) / 32 * 4;
    std::uint64_t imageSize = rowLength * static_cast<std::uint64_t>(height);
    if (imageSize > 0x7FFFFFFFu - kBmpHeaderSize)
        throw std::bad_alloc();
    return static_cast<std::uint32_t>(imageSize);
}

BITMAPINFOHEADER MakeInfoHeader(const BITMAP& bitmap, std::uint32_t imageSize)
{
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = bitmap.bmWidth;
    header.biHeight = bitmap.bmHeight;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = imageSize;
    return header;
}

BITMAPFILEHEADER MakeFileHeader(std::uint32_t imageSize)
{
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;  // "BM"
    header.bfSize = kBmpHeaderSize + imageSize;
    header.bfOffBits = kBmpHeaderSize;
    return header;
}

int FirstZeroUnit(const wchar_t* units, int count)
{
    return static_cast<int>(std::find(units, units + count, L'\0') - units);
}

// The units up to the first zero unit as GBK, converted once straight into the result.
std::string GbkFromUnits(const wchar_t* units, int count)
{
    count = FirstZeroUnit(units, count);
    if (count == 0)
        return {};
    int needed = WideCharToMultiByte(kGbkCodePage, WC_COMPOSITECHECK, units, count, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return {};
    std::string text(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(kGbkCodePage, WC_COMPOSITECHECK, units, count, text.data(), needed, nullptr, nullptr);
    text.resize(strnlen(text.c_str(), text.size()));
    return text;
}

// The names of a DROPFILES block in list order, each as DragQueryFileA gives it (wide names in
// the ANSI code page). Walking the block once keeps long lists linear: DragQueryFileA searches
// from the first name for every index.
bool ReadDropNames(HDROP drop, std::vector<std::string>& names)
{
    LockedGlobal block(drop);
    if (!block.Data() || block.Size() < sizeof(DROPFILES))
        return false;
    const auto* bytes = static_cast<const char*>(block.Data());
    const auto* header = reinterpret_cast<const DROPFILES*>(bytes);
    if (header->pFiles < sizeof(DROPFILES) || header->pFiles >= block.Size())
        return false;
    const char* at = bytes + header->pFiles;
    const char* end = bytes + block.Size();
    if (!header->fWide) {
        while (at < end && *at) {
            std::size_t length = strnlen(at, static_cast<std::size_t>(end - at));
            names.emplace_back(at, length);
            at += length + 1;
        }
        return true;
    }
    const auto* unit = reinterpret_cast<const wchar_t*>(at);
    const auto* unitsEnd = reinterpret_cast<const wchar_t*>(end - (end - at) % 2);
    while (unit < unitsEnd && *unit) {
        int length = FirstZeroUnit(unit, static_cast<int>(unitsEnd - unit));
        int size = WideCharToMultiByte(CP_ACP, 0, unit, length, nullptr, 0, nullptr, nullptr);
        std::string name(static_cast<std::size_t>(std::max(size, 0)), '\0');
        WideCharToMultiByte(CP_ACP, 0, unit, length, name.data(), size, nullptr, nullptr);
        names.push_back(std::move(name));
        unit += length + 1;
    }
    return true;
}

std::string QueryFileName(HDROP drop, UINT index)
{
    // The reported length counts UTF-16 units for a wide list: a GBK name can need two bytes each.
    UINT length = DragQueryFileA(drop, index, nullptr, 0);
    std::string buffer(std::max(kFileNameBuffer, 2 * length + 1), '\0');
    DragQueryFileA(drop, index, buffer.data(), static_cast<UINT>(buffer.size()));
    return std::string(buffer.c_str());
}

} // namespace

ByteSet AllocHeapByteSet(std::int32_t n)
{
    return n < 1 ? ByteSet() : ByteSet(static_cast<std::size_t>(n));
}

std::uint8_t* ByteSetData(ByteSet& bytes) { return bytes.Data(); }

std::string Utf16ToText(const ByteSet& bytes)
{
    int units = static_cast<int>(bytes.Size() / 2);
    if (units == 0)
        return {};
    // The bytes are copied so that the units are read aligned whatever the array's storage.
    std::vector<wchar_t> wide(static_cast<std::size_t>(units));
    std::memcpy(wide.data(), bytes.Data(), static_cast<std::size_t>(units) * 2);
    return GbkFromUnits(wide.data(), units);
}

std::string ReadClipboardText()
{
    OpenedClipboard clipboard(nullptr);
    if (!clipboard.IsOpen() || !IsClipboardFormatAvailable(CF_UNICODETEXT))
        return {};
    LockedGlobal block(GetClipboardData(CF_UNICODETEXT));
    if (!block.Data())
        return {};
    // Converted straight from the locked block (global blocks are aligned): a copy of a text of
    // many megabytes would only double the capture's peak memory.
    int units = static_cast<int>(std::min<SIZE_T>(block.Size(), 0x7FFFFFFF) / 2);
    return GbkFromUnits(static_cast<const wchar_t*>(block.Data()), units);
}

ByteSet ReadClipboardBitmap()
{
    // Opened even when no bitmap is there: under Wine, opening the clipboard again is also what
    // drops this process's copy of another program's text, which would otherwise stay in memory
    // through the store (a whole extra copy of a huge text).
    OpenedClipboard clipboard(MainWindow().GetHandle());
    if (!clipboard.IsOpen())
        return {};
    auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    BITMAP description = {};
    if (!bitmap || GetObjectA(bitmap, sizeof description, &description) == 0)
        return {};
    const std::uint32_t imageSize = BmpImageSize(description.bmWidth, description.bmHeight);
    if (imageSize == 0)
        return {};
    // Raises when the image cannot be held: the capture tells the user instead of storing an
    // entry without its picture.
    ByteSet image = g_clipboardReaderCalls.AllocateImage(kBmpHeaderSize + imageSize);

    BITMAPINFO info = {};
    info.bmiHeader = MakeInfoHeader(description, imageSize);
    ScreenDc screen;
    MemoryDc memory(screen.Get());
    // A failed read leaves the pixels zero: the entry still has its picture.
    GetDIBits(memory.Get(), bitmap, 0, static_cast<UINT>(description.bmHeight), image.Data() + kBmpHeaderSize,
              &info, DIB_RGB_COLORS);
    // The bitmap belongs to the clipboard: it is not touched once the clipboard is closed.
    clipboard.Close();

    BITMAPFILEHEADER file = MakeFileHeader(imageSize);
    std::memcpy(image.Data(), &file, sizeof file);
    std::memcpy(image.Data() + sizeof file, &info.bmiHeader, sizeof info.bmiHeader);
    return image;
}

int ReadClipboardFileList(std::vector<std::string>& names)
{
    names.clear();
    if (!IsClipboardFormatAvailable(CF_HDROP))
        return 0;
    OpenedClipboard clipboard(nullptr);
    if (!clipboard.IsOpen())
        return 0;
    auto drop = static_cast<HDROP>(GetClipboardData(CF_HDROP));
    if (!drop)
        return 0;
    if (ReadDropNames(drop, names))
        return static_cast<int>(names.size());
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i)
        names.push_back(QueryFileName(drop, i));
    return static_cast<int>(count);
}

HWND GetClipboardOwnerWindow() { return GetClipboardOwner(); }
