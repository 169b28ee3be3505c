#include "core/clipboard_readers.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "core/clipboard_handles.h"
#include "ui/main_window.h"

namespace {

constexpr UINT kGbkCodePage = 936;
constexpr std::uint32_t kBmpHeaderSize = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
static_assert(sizeof(BITMAPFILEHEADER) == 14 && sizeof(BITMAPINFOHEADER) == 40);
// DragQueryFileA's usual buffer; longer names get a buffer of their own size.
constexpr UINT kFileNameBuffer = 260;

// Bytes of one 24-bit row, padded to a multiple of 4; 0 when the image could not be held.
std::uint64_t BmpImageSize(LONG width, LONG height)
{
    if (width <= 0 || height <= 0)
        return 0;
    std::uint64_t rowLength = (static_cast<std::uint64_t>(width) * 24 + 31) / 32 * 4;
    std::uint64_t imageSize = rowLength * static_cast<std::uint64_t>(height);
    return imageSize <= 0x7FFFFFFFu - kBmpHeaderSize ? imageSize : 0;
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

ByteSet ZeroedImage(std::uint32_t size)
{
    try {
        return ByteSet(size);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

int FirstZeroUnit(const wchar_t* units, int count)
{
    return static_cast<int>(std::find(units, units + count, L'\0') - units);
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
    int needed = WideCharToMultiByte(kGbkCodePage, WC_COMPOSITECHECK, wide.data(), units, nullptr, 0, nullptr,
                                     nullptr);
    ByteSet text = AllocHeapByteSet(needed);
    if (text.Empty())
        return {};
    auto* out = reinterpret_cast<char*>(ByteSetData(text));
    WideCharToMultiByte(kGbkCodePage, WC_COMPOSITECHECK, wide.data(), FirstZeroUnit(wide.data(), units), out,
                        needed, nullptr, nullptr);
    return std::string(out, strnlen(out, text.Size()));
}

std::string ReadClipboardText()
{
    OpenedClipboard clipboard(nullptr);
    if (!clipboard.IsOpen() || !IsClipboardFormatAvailable(CF_UNICODETEXT))
        return {};
    LockedGlobal block(GetClipboardData(CF_UNICODETEXT));
    if (!block.Data())
        return {};
    ByteSet units = AllocHeapByteSet(static_cast<std::int32_t>(std::min<SIZE_T>(block.Size(), 0x7FFFFFFF)));
    if (!units.Empty())
        std::memcpy(ByteSetData(units), block.Data(), units.Size());
    return Utf16ToText(units);
}

ByteSet ReadClipboardBitmap()
{
    OpenedClipboard clipboard(MainWindow().GetHandle());
    if (!clipboard.IsOpen())
        return {};
    auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    BITMAP description = {};
    if (!bitmap || GetObjectA(bitmap, sizeof description, &description) == 0)
        return {};
    auto imageSize = static_cast<std::uint32_t>(BmpImageSize(description.bmWidth, description.bmHeight));
    if (imageSize == 0)
        return {};
    ByteSet image = ZeroedImage(kBmpHeaderSize + imageSize);
    if (image.Empty())
        return {};

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
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i)
        names.push_back(QueryFileName(drop, i));
    return static_cast<int>(count);
}

HWND GetClipboardOwnerWindow() { return GetClipboardOwner(); }
