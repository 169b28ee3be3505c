// Clipboard write-back of history entries: the bitmap of a picture row and the file list of a
// "文件" row. A copy made here is itself a clipboard change that the capture sees: the bitmap is
// owned by the grid's focused window (the capture adds no row for it), the file list by no window.
#include "ui/clipboard_writeback.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "core/clipboard_handles.h"
#include "com/com_dispatch.h"
#include "com/com_picture.h"
#include "framework/text_codec.h"

namespace {

constexpr DWORD kDropFilesHeaderSize = 20;
static_assert(sizeof(DROPFILES) == kDropFilesHeaderSize);
constexpr DWORD kDropEffectMove = 2;  // DROPEFFECT_MOVE

// COM for the calling thread for the lifetime of the owner; uninitialised again only when this
// owner's CoInitialize succeeded, so a thread in another apartment keeps its own.
class ComApartment {
public:
    ComApartment() noexcept : initialised_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComApartment()
    {
        if (initialised_)
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool initialised_;
};

// A global block locked for writing; unlocked when the owner ends. The block is not freed.
class WritableGlobal {
public:
    explicit WritableGlobal(HGLOBAL block) noexcept : block_(block), data_(static_cast<std::uint8_t*>(GlobalLock(block))) {}
    ~WritableGlobal()
    {
        if (data_)
            GlobalUnlock(block_);
    }
    WritableGlobal(const WritableGlobal&) = delete;
    WritableGlobal& operator=(const WritableGlobal&) = delete;

    std::uint8_t* Data() const noexcept { return data_; }

private:
    HGLOBAL block_;
    std::uint8_t* data_;
};

// The bitmap decoded from `picture`, read as the "Handle" of a picture object that does not own
// it; null when the bytes give no bitmap. The caller owns the bitmap.
HBITMAP DecodePictureBitmap(const ByteSet& picture) noexcept
{
    ComApartment apartment;
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

// A movable zero-initialised global block holding a copy of `size` bytes at `data`; null when it
// cannot be allocated or locked. The caller owns the block.
HGLOBAL AllocateGlobalCopy(const void* data, std::size_t size) noexcept
{
    HGLOBAL block = GlobalAlloc(GHND, size);
    if (!block)
        return nullptr;
    {
        WritableGlobal locked(block);
        if (locked.Data()) {
            std::memcpy(locked.Data(), data, size);
            return block;
        }
    }
    GlobalFree(block);
    return nullptr;
}

// Puts `block` under `format`; the block belongs to the system on success and is freed here when
// the clipboard refused it.
bool SetClipboardBlock(UINT format, HGLOBAL block) noexcept
{
    if (SetClipboardData(format, block))
        return true;
    GlobalFree(block);
    return false;
}

void PutPreferredDropEffect() noexcept
{
    UINT format = RegisterClipboardFormatA("Preferred DropEffect");
    HGLOBAL block = format ? AllocateGlobalCopy(&kDropEffectMove, sizeof(kDropEffectMove)) : nullptr;
    if (block)
        SetClipboardBlock(format, block);
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

// A device-dependent copy of `bitmap` (which is deleted). Wine hands a DIB section on the clipboard
// to no other process, so the copy is what other programs can paste; null when it cannot be made.
HBITMAP DeviceBitmapOf(HBITMAP bitmap) noexcept
{
    BITMAP shape{};
    HBITMAP copy = nullptr;
    if (GetObjectA(bitmap, sizeof shape, &shape) != 0)
        copy = static_cast<HBITMAP>(CopyImage(bitmap, IMAGE_BITMAP, shape.bmWidth, shape.bmHeight, 0));
    DeleteObject(bitmap);
    return copy;
}

bool PutPictureOnClipboard(const ByteSet& picture) noexcept
{
    HBITMAP bitmap = DecodePictureBitmap(picture);
    if (bitmap)
        bitmap = DeviceBitmapOf(bitmap);
    if (!bitmap)
        return false;
    OpenedClipboard clipboard(GetInputFocusWindow());
    if (clipboard.IsOpen()) {
        EmptyClipboard();
        if (SetClipboardData(CF_BITMAP, bitmap))
            return true;
    }
    DeleteObject(bitmap);
    return false;
}

bool PutFileListOnClipboard(const std::vector<std::string>& names, bool move) noexcept
{
    ByteSet dropFiles;
    try {
        dropFiles = BuildDropFiles(names);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (dropFiles.Empty())
        return false;
    OpenedClipboard clipboard(nullptr);
    if (!clipboard.IsOpen())
        return false;
    EmptyClipboard();
    HGLOBAL block = AllocateGlobalCopy(dropFiles.Data(), static_cast<std::size_t>(GetByteSetSize(dropFiles)));
    if (!block || !SetClipboardBlock(CF_HDROP, block))
        return false;
    if (move)
        PutPreferredDropEffect();
    return true;
}
