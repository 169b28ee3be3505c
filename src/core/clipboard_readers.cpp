#include "core/clipboard_readers.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "core/core_system_calls.h"
#include "framework/text_codec.h"
#include "framework/unique_resource.h"
#include "picture/bmp_writer.h"

namespace {

int FirstZeroUnit(const wchar_t* units, int count)
{
    return static_cast<int>(std::find(units, units + count, L'\0') - units);
}

// One name after another from a DROPFILES name list of `Unit`s between `at` and `end`, up to the
// empty name that ends the list or the end of the block. False when a name runs into the end of
// the block without its zero: such a list is damaged, and none of it is taken.
template <typename Unit, typename Take>
bool WalkNameList(const Unit* at, const Unit* end, Take take)
{
    while (at < end && *at) {
        const Unit* zero = std::find(at, end, Unit(0));
        if (zero == end)
            return false;
        take(at, static_cast<std::size_t>(zero - at));
        at = zero + 1;
    }
    return true;
}

// The names of a DROPFILES block in list order, as UTF-8 (a list of code-page names in the ANSI
// code page). Nothing outside the block is read: a header that does not fit, a list that does not
// start after the header and inside the block, or a last name without its zero give false and no
// names. Walking the block once keeps long lists linear: DragQueryFile searches from the first
// name for every index.
bool ReadDropNames(HDROP drop, std::vector<std::string>& names)
{
    UniqueGlobalLock block = LockGlobal(drop);
    const SIZE_T size = block ? GlobalSize(drop) : 0;
    if (size < sizeof(DROPFILES))
        return false;
    const auto* bytes = static_cast<const char*>(block.get().data);
    const auto* header = reinterpret_cast<const DROPFILES*>(bytes);
    if (header->pFiles < sizeof(DROPFILES) || header->pFiles >= size)
        return false;
    const char* at = bytes + header->pFiles;
    const char* end = bytes + size;
    std::vector<std::string> read;
    bool whole;
    if (header->fWide) {
        // Copied, so that the units are read aligned wherever the header puts the list.
        std::wstring units((end - at) / 2, L'\0');
        std::memcpy(units.data(), at, units.size() * 2);
        whole = WalkNameList(units.data(), units.data() + units.size(), [&](const wchar_t* name, std::size_t length) {
            read.push_back(Utf8FromWide(std::wstring_view(name, length)));
        });
    } else {
        whole = WalkNameList(at, end, [&](const char* name, std::size_t length) {
            read.push_back(Utf8FromWide(WideFromAnsi(std::string_view(name, length))));
        });
    }
    if (!whole)
        return false;
    names = std::move(read);
    return true;
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
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    std::memcpy(wide.data(), bytes.Data(), static_cast<std::size_t>(units) * 2);
    wide.resize(static_cast<std::size_t>(FirstZeroUnit(wide.data(), units)));
    std::string text = CodePageFromWide(wide, kGbkCodePage, WC_COMPOSITECHECK);
    text.resize(strnlen(text.c_str(), text.size()));
    return text;
}

std::string ReadOpenClipboardText()
{
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT))
        return {};
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    UniqueGlobalLock block = LockGlobal(data);
    if (!block)
        return {};
    // Converted straight from the locked block (global blocks are aligned): a copy of a text of
    // many megabytes would only double the capture's peak memory.
    const auto* units = static_cast<const wchar_t*>(block.get().data);
    int count = static_cast<int>(std::min<SIZE_T>(GlobalSize(data), 0x7FFFFFFF) / 2);
    return Utf8FromWide(std::wstring_view(units, static_cast<std::size_t>(FirstZeroUnit(units, count))));
}

std::string ReadClipboardText()
{
    UniqueClipboard clipboard = OpenClipboardRetrying(nullptr);
    return clipboard ? ReadOpenClipboardText() : std::string();
}

ByteSet ReadOpenClipboardBitmap()
{
    auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    BITMAP description = {};
    if (!bitmap || GetObjectA(bitmap, sizeof description, &description) == 0)
        return {};
    const std::uint32_t imageSize = BmpImageSize(description.bmWidth, description.bmHeight);
    if (imageSize == 0)
        return {};
    // Raises when the image cannot be held: the capture tells the user instead of storing an
    // entry without its picture.
    ByteSet image = g_coreSystemCalls.AllocateImage(kBmpHeaderSize + imageSize);
    // A failed read leaves the pixels zero: the entry still has its picture. The bitmap belongs
    // to the clipboard: it is read before the clipboard is closed.
    WriteBmp(bitmap, description, imageSize, image.Data());
    return image;
}

ByteSet ReadClipboardBitmap(HWND owner)
{
    UniqueClipboard clipboard = OpenClipboardRetrying(owner);
    return clipboard ? ReadOpenClipboardBitmap() : ByteSet();
}

int ReadOpenClipboardFileList(std::vector<std::string>& names)
{
    names.clear();
    if (!IsClipboardFormatAvailable(CF_HDROP))
        return 0;
    auto drop = static_cast<HDROP>(GetClipboardData(CF_HDROP));
    // A damaged list gives no names: the platform's own reader would follow it out of the block.
    if (!drop || !ReadDropNames(drop, names))
        return 0;
    return static_cast<int>(names.size());
}

int ReadClipboardFileList(std::vector<std::string>& names)
{
    names.clear();
    if (!IsClipboardFormatAvailable(CF_HDROP))
        return 0;
    UniqueClipboard clipboard = OpenClipboardRetrying(nullptr);
    return clipboard ? ReadOpenClipboardFileList(names) : 0;
}

HWND GetClipboardOwnerWindow() { return GetClipboardOwner(); }
