// Clipboard write-back of history entries: the bitmap of a picture row and the file list of a
// "文件" row. A copy made here is itself a clipboard change that the capture sees: the bitmap is
// owned by the grid's focused window (the capture adds no row for it), the file list by no window.
#include "ui/clipboard_writeback.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "com/com_dispatch.h"
#include "com/com_picture.h"
#include "framework/exception_boundary.h"
#include "framework/text_codec.h"
#include "framework/unique_resource.h"

namespace {

constexpr DWORD kDropFilesHeaderSize = 20;
static_assert(sizeof(DROPFILES) == kDropFilesHeaderSize);
constexpr DWORD kDropEffectMove = 2;  // DROPEFFECT_MOVE

// The bitmap decoded from `picture`, read as the "Handle" of a picture object that does not own
// it; null when the bytes give no bitmap. The caller owns the bitmap.
HBITMAP DecodePictureBitmap(const ByteSet& picture) noexcept
{
    UniqueComApartment apartment = InitializeComApartment();
    UniqueComObjectValue object(AllocateComObjectValue(nullptr));
    if (!object || !RtComCreatePicture(object.get(), picture, false))
        return nullptr;
    auto handle = static_cast<std::uint32_t>(static_cast<std::int64_t>(RtComGetNumber(object.get(), "Handle")));
    return reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
}

// The units of UTF-8 `name` up to its first zero: the part a zero-terminated name list can carry.
std::wstring NameUnits(const std::string& name)
{
    std::wstring units = WideFromUtf8(name);
    units.resize(std::min(units.size(), units.find(L'\0')));
    return units;
}

// The CF_HDROP block: the DROPFILES header (name list at offset 20, fWide set; no drop point, fNC
// 0), then the UTF-16 units of each name that is not empty with one zero unit, then one further
// zero unit. Wide names, as file managers put them, carry every name whole, whatever characters it
// holds. An empty array when no name is left: an empty name would end the list early.
ByteSet BuildDropFiles(const std::vector<std::string>& names)
{
    std::wstring list;
    for (const std::string& name : names) {
        std::wstring units = NameUnits(name);
        if (units.empty())
            continue;
        list += units;
        list += L'\0';
    }
    if (list.empty())
        return ByteSet();
    list += L'\0';
    const std::size_t listSize = list.size() * sizeof(wchar_t);
    ByteSet block(kDropFilesHeaderSize + listSize);
    DROPFILES header{};
    header.pFiles = kDropFilesHeaderSize;
    header.fWide = TRUE;
    std::memcpy(block.Data(), &header, sizeof(header));
    std::memcpy(block.Data() + kDropFilesHeaderSize, list.data(), listSize);
    return block;
}

// Puts `block` under `format`; the block belongs to the system on success and is freed with its
// owner when the clipboard refused it (or when there is no block).
bool SetClipboardBlock(UINT format, UniqueGlobal block) noexcept
{
    if (!block || !SetClipboardData(format, block.get()))
        return false;
    block.release();
    return true;
}

void PutPreferredDropEffect() noexcept
{
    UINT format = RegisterClipboardFormatA("Preferred DropEffect");
    if (format)
        SetClipboardBlock(format, CopyToGlobal(&kDropEffectMove, sizeof(kDropEffectMove)));
}

} // namespace

std::int32_t GetByteSetSize(const ByteSet& bytes) noexcept
{
    return static_cast<std::int32_t>(bytes.Size());
}

HWND GetInputFocusWindow() noexcept
{
    HWND foreground = GetForegroundWindow();
    if (!foreground)
        return nullptr;
    DWORD me = GetCurrentThreadId();
    DWORD thread = GetWindowThreadProcessId(foreground, nullptr);
    if (thread == me)
        return GetFocus();
    BOOL attached = AttachThreadInput(thread, me, TRUE);
    HWND focus = GetFocus();
    if (attached)
        AttachThreadInput(thread, me, FALSE);
    return focus;
}

// A device-dependent copy of `bitmap`. Wine hands a DIB section on the clipboard to no other
// process, so the copy is what other programs can paste; empty when it cannot be made.
UniqueBitmap DeviceBitmapOf(const UniqueBitmap& bitmap) noexcept
{
    BITMAP shape{};
    if (!bitmap || GetObjectA(bitmap.get(), sizeof shape, &shape) == 0)
        return UniqueBitmap();
    return UniqueBitmap(static_cast<HBITMAP>(CopyImage(bitmap.get(), IMAGE_BITMAP, shape.bmWidth, shape.bmHeight, 0)));
}

bool PutPictureOnClipboard(const ByteSet& picture) noexcept
{
    UniqueBitmap bitmap = DeviceBitmapOf(UniqueBitmap(DecodePictureBitmap(picture)));
    if (!bitmap)
        return false;
    UniqueClipboard clipboard = OpenClipboardRetrying(GetInputFocusWindow());
    if (!clipboard)
        return false;
    EmptyClipboard();
    if (!SetClipboardData(CF_BITMAP, bitmap.get()))
        return false;
    bitmap.release();  // the clipboard's now
    return true;
}

bool PutFileListOnClipboard(const std::vector<std::string>& names, bool move) noexcept
{
    ByteSet dropFiles;
    if (!RanToEnd([&] { dropFiles = BuildDropFiles(names); }))
        return false;
    if (dropFiles.Empty())
        return false;
    UniqueClipboard clipboard = OpenClipboardRetrying(nullptr);
    if (!clipboard)
        return false;
    EmptyClipboard();
    if (!SetClipboardBlock(CF_HDROP, CopyToGlobal(dropFiles.Data(), static_cast<std::size_t>(GetByteSetSize(dropFiles)))))
        return false;
    if (move)
        PutPreferredDropEffect();
    return true;
}
