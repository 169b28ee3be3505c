// The tray icon's record and its shell calls: add, remove, tip, balloon, icon, and the owner's
// subclassing.
#include "desktop/tray_icon.h"

#include <algorithm>
#include <cstring>

#include "desktop/notify_icon_block.h"
#include "desktop/desktop_system_calls.h"

namespace {

// Zero-fills `buffer`, then copies at most its size minus one bytes of `text` into it: the cut
// counts bytes, so it may split a double-byte character.
void PutText(ByteSet& buffer, const std::string& text) noexcept
{
    if (buffer.Empty())
        return;
    std::memset(buffer.Data(), 0, buffer.Size());
    std::memcpy(buffer.Data(), text.data(), std::min(text.size(), buffer.Size() - 1));
}

void ClearText(ByteSet& buffer) noexcept
{
    if (!buffer.Empty())
        std::memset(buffer.Data(), 0, buffer.Size());
}

template <std::size_t N>
void CopyText(const ByteSet& from, char (&to)[N]) noexcept
{
    if (!from.Empty())
        std::memcpy(to, from.Data(), std::min(from.Size(), N));
}

template <std::size_t N>
void CopyText(const char (&from)[N], ByteSet& to) noexcept
{
    if (!to.Empty())
        std::memcpy(to.Data(), from, std::min(to.Size(), N));
}

// Field by field between the record and the shell's block, in either direction.
template <typename From, typename To>
void CopyFields(const From& from, To& to) noexcept
{
    to.cbSize = from.cbSize;
    to.hWnd = from.hWnd;
    to.uID = from.uID;
    to.uFlags = from.uFlags;
    to.uCallbackMessage = from.uCallbackMessage;
    to.hIcon = from.hIcon;
    CopyText(from.szTip, to.szTip);
    to.dwState = from.dwState;
    to.dwStateMask = from.dwStateMask;
    CopyText(from.szInfo, to.szInfo);
    to.uTimeout = from.uTimeout;
    CopyText(from.szInfoTitle, to.szInfoTitle);
    to.dwInfoFlags = from.dwInfoFlags;
}

template <typename T>
T ReadLittleEndian(const ByteSet& bytes, std::size_t at) noexcept
{
    T value = 0;
    std::memcpy(&value, bytes.Data() + at, sizeof value);
    return value;
}

void SetWindowValue(HWND window, const char* name, std::uintptr_t value) noexcept
{
    SetPropA(window, name, reinterpret_cast<HANDLE>(value));
}

} // namespace

void TrayIcon::Initialize() noexcept
{
    trayToolbarWindow_ = FindTrayToolbarWindow();
    taskbarCreatedMessage_ = RegisterWindowMessageA("TaskbarCreated");
}

void TrayIcon::Destroy() noexcept
{
    trayToolbarWindow_ = nullptr;
    Remove();
}

void TrayIcon::FreeMembers() noexcept
{
    Destroy();
    iconData_.szTip = ByteSet();
    iconData_.szInfo = ByteSet();
    iconData_.szInfoTitle = ByteSet();
    iconData_.hIcon = nullptr;
    ownIcon_.reset();
}

TrayIcon TrayIcon::Clone() const
{
    TrayIcon copy;
    copy.taskbarCreatedMessage_ = taskbarCreatedMessage_;
    copy.iconData_ = iconData_;
    copy.savedWindowProcedure_ = savedWindowProcedure_;
    copy.ownerWindow_ = ownerWindow_;
    copy.trayToolbarWindow_ = trayToolbarWindow_;
    return copy;
}

bool TrayIcon::Add(HWND owner, const ByteSet* iconBytes, const std::string& tip) noexcept
{
    if (IsWindow(owner) != TRUE)
        return false;
    ownerWindow_ = owner;
    HICON made = iconBytes ? LoadIconFromBytes(*iconBytes) : nullptr;
    iconData_.hIcon = iconBytes ? made : reinterpret_cast<HICON>(SendMessageA(owner, WM_GETICON, ICON_SMALL, 0));
    iconData_.cbSize = TrayIconDataSize;
    iconData_.hWnd = owner;
    iconData_.uID = TrayIconId;
    iconData_.uFlags = TrayIconFlags;
    iconData_.uCallbackMessage = TrayCallbackMessage;
    iconData_.uTimeout = TrayAddedBalloonTimeout;
    PutText(iconData_.szTip, tip);
    bool added = NotifyShell(NIM_ADD);
    // The shell keeps its own copy: the icon replaced can go once the shell has the new one.
    ownIcon_.reset(made);
    return added;
}

bool TrayIcon::Remove() noexcept
{
    if (savedWindowProcedure_)
        SetWindowLongA(ownerWindow_, GWL_WNDPROC, reinterpret_cast<LONG>(savedWindowProcedure_));
    ownerWindow_ = nullptr;
    savedWindowProcedure_ = nullptr;
    ClearText(iconData_.szInfo);
    ClearText(iconData_.szInfoTitle);
    // The record still names the old owner and uID 1: that is the icon the shell deletes.
    return NotifyShell(NIM_DELETE);
}

bool TrayIcon::SetTip(const std::string& tip) noexcept
{
    PutText(iconData_.szTip, tip);
    return NotifyShell(NIM_MODIFY);
}

bool TrayIcon::ShowBalloon(const std::string& title, const std::string& text, DWORD infoFlags, UINT timeout) noexcept
{
    iconData_.dwInfoFlags = infoFlags;
    PutText(iconData_.szInfoTitle, title);
    PutText(iconData_.szInfo, text);
    iconData_.uTimeout = timeout != 0 ? timeout : TrayDefaultBalloonTimeout;
    return NotifyShell(NIM_MODIFY);
}

bool TrayIcon::SetIcon(const ByteSet& iconBytes) noexcept
{
    HICON icon = LoadIconFromBytes(iconBytes, 0);
    if (!icon)
        return false;
    iconData_.uFlags = TrayIconFlags;
    iconData_.hIcon = icon;
    bool changed = NotifyShell(NIM_MODIFY);
    ownIcon_.reset(icon);
    return changed;
}

HICON TrayIcon::LoadIconFromBytes(const ByteSet& iconBytes, int index, int* width, int* height) const noexcept
{
    if (width)
        *width = 0;
    if (height)
        *height = 0;
    constexpr std::size_t headerSize = 6;
    constexpr std::size_t entrySize = 16;
    if (index < 0 || iconBytes.Size() < headerSize || index >= ReadLittleEndian<WORD>(iconBytes, 4))
        return nullptr;
    const std::size_t entry = headerSize + entrySize * static_cast<std::size_t>(index);
    if (entry + entrySize > iconBytes.Size())
        return nullptr;
    if (width)
        *width = iconBytes[entry];
    if (height)
        *height = iconBytes[entry + 1];
    const DWORD imageSize = ReadLittleEndian<DWORD>(iconBytes, entry + 8);
    const DWORD imageOffset = ReadLittleEndian<DWORD>(iconBytes, entry + 12);
    if (imageSize == 0 || imageOffset > iconBytes.Size() || imageSize > iconBytes.Size() - imageOffset)
        return nullptr;
    auto* image = const_cast<BYTE*>(iconBytes.Data() + imageOffset);
    // CreateIconFromResource makes a shared icon, which DestroyIcon leaves alive: every icon
    // replaced would stay until the process ends.
    return CreateIconFromResourceEx(image, imageSize, TRUE, 0x30000, 0, 0, LR_DEFAULTSIZE);
}

void TrayIcon::HookWindow(SubprogramPointer handler) noexcept
{
    if (IsWindow(ownerWindow_) != TRUE)
        return;
    const auto current = reinterpret_cast<WNDPROC>(GetWindowLongA(ownerWindow_, GWL_WNDPROC));
    if (current == kTrayWindowProcedure.Address()) {
        // Already ours: saving TrayWindowProc as its own predecessor would make it call itself.
        savedWindowProcedure_ = reinterpret_cast<WNDPROC>(GetPropA(ownerWindow_, kTrayWinProcProperty));
    } else {
        savedWindowProcedure_ = ReplaceWindowProcedureA(ownerWindow_, kTrayWindowProcedure);
    }
    SetWindowValue(ownerWindow_, kTrayWinProcProperty, reinterpret_cast<std::uintptr_t>(savedWindowProcedure_));
    SetWindowValue(ownerWindow_, kTrayCallbackMessageProperty, TrayCallbackMessage);
    SetWindowValue(ownerWindow_, kTrayTaskbarCreatedProperty, taskbarCreatedMessage_);
    if (handler)
        SetWindowValue(ownerWindow_, kTrayEventProperty, handler);
}

// Fills a fresh 488-byte block from the record, hands it to the shell, and copies the block's
// fields back into the record.
bool TrayIcon::NotifyShell(DWORD message) noexcept
{
    NotifyIconBlock block = {};
    CopyFields(iconData_, block);
    BOOL done = g_desktopSystemCalls.Shell_NotifyIconA(message, reinterpret_cast<PNOTIFYICONDATAA>(&block));
    CopyFields(block, iconData_);
    return done != FALSE;
}
