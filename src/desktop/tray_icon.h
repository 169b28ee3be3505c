// TrayIcon: the notification-area icon of one owner window, the owner's subclassing that brings the
// icon's mouse messages, the shell's "TaskbarCreated" notice and the owner's destruction to an
// event handler, and the operations on the shell's notification toolbar.
//
// Holds: TrayIconData, TrayIcon, TrayWindowProc with kTrayWindowProcedure and the tray's numbers.
// Files: tray_icon.cpp (icon and record), tray_window_proc.cpp (the owner's new window procedure),
// tray_toolbar.cpp (toolbar search and button operations).
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>

#include "framework/byte_set.h"
#include "framework/subprogram_pointer.h"
#include "framework/window_procedure.h"

constexpr UINT TrayIconId = 1;
constexpr UINT TrayCallbackMessage = 11685;  // 0x2DA5
constexpr UINT TrayIconFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;  // 0x17
constexpr DWORD TrayIconDataSize = 488;
constexpr UINT TrayAddedBalloonTimeout = 10000;
constexpr UINT TrayDefaultBalloonTimeout = 3000;
constexpr std::int32_t TrayEventTaskbarCreated = 1120;   // 0x460
constexpr std::int32_t TrayEventWindowDestroyed = 1130;  // 0x46A

// The event handler: void __stdcall (event code, then four arguments that are always 0).
using TrayEventHandler = void(__stdcall*)(std::int32_t code, std::int32_t, std::int32_t, std::int32_t,
                                          std::int32_t);

// The description of the icon that the class keeps between shell calls. The three text buffers
// hold zero-terminated GBK bytes and are 128, 256 and 64 bytes long.
struct TrayIconData {
    DWORD cbSize = 0;
    HWND hWnd = nullptr;
    UINT uID = 0;
    UINT uFlags = 0;
    UINT uCallbackMessage = 0;
    HICON hIcon = nullptr;
    ByteSet szTip = ByteSet(128);
    DWORD dwState = 0;
    DWORD dwStateMask = 0;
    ByteSet szInfo = ByteSet(256);
    UINT uTimeout = 0;
    ByteSet szInfoTitle = ByteSet(64);
    DWORD dwInfoFlags = 0;
};

// The owner window's properties while the tray class has it subclassed: the procedure it had, the
// icon's callback message, the shell's restart message and the event handler.
inline constexpr char kTrayWinProcProperty[] = "WinProc";
inline constexpr char kTrayCallbackMessageProperty[] = "CallbackMessage";
inline constexpr char kTrayTaskbarCreatedProperty[] = "TaskbarCreatedMessage";
inline constexpr char kTrayEventProperty[] = "Exec Event";

// The owner window's procedure while the tray class has it subclassed. It reads everything from
// the window's properties above. The owner has its wrapper installed, kTrayWindowProcedure.
LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
inline constexpr SubclassProcedure kTrayWindowProcedure = SubclassProcedure::Wrap<&TrayWindowProc>();

struct IconDeleter {
    void operator()(HICON icon) const noexcept { DestroyIcon(icon); }
};
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;

class TrayIcon {
public:
    TrayIcon() = default;

    // Finds the notification toolbar (stored for the button operations) and registers
    // "TaskbarCreated". Run once, right after the object is made.
    void Initialize() noexcept;
    // Forgets the toolbar, then Remove: the owner gets its procedure back and the icon goes.
    void Destroy() noexcept;

    // ---- The operations, in the order of the class's operation table
    // Destroy, then frees the three text buffers of the record and destroys the icon the object
    // made (an icon the owner window gave stays the window's).
    void FreeMembers() noexcept;
    // A deep copy: the same numbers and windows, copies of the three buffers. The icon handle is
    // shared and stays this object's to destroy.
    TrayIcon Clone() const;
    // The notification toolbar "Shell_TrayWnd" > "TrayNotifyWnd" > "SysPager" > "ToolbarWindow32";
    // 0 when a step is missing. Looked up afresh on every call.
    HWND FindTrayToolbar() const noexcept;
    // The overflow toolbar "NotifyIconOverflowWindow" > "ToolbarWindow32"; 0 when a step is missing.
    HWND FindOverflowToolbar() const noexcept;
    // Adds the icon for `owner` with the icon of `iconBytes` (an .ico file, image 0; the window's
    // small icon when null) and `tip` (cut to 127 bytes). False, with nothing changed, when `owner`
    // is not a window; otherwise Shell_NotifyIconA(NIM_ADD)'s answer. An icon made from bytes is
    // the object's, destroyed when replaced or when the object goes; the window's icon is not.
    bool Add(HWND owner, const ByteSet* iconBytes = nullptr, const std::string& tip = "") noexcept;
    // Gives the owner its saved procedure back (the window properties stay), forgets the owner,
    // empties the balloon texts and deletes the icon: Shell_NotifyIconA(NIM_DELETE)'s answer.
    bool Remove() noexcept;
    // New tip, cut to 127 bytes: Shell_NotifyIconA(NIM_MODIFY)'s answer.
    bool SetTip(const std::string& tip) noexcept;
    // A balloon: title cut to 63 bytes, text to 255, `timeout` ms (3000 when 0).
    bool ShowBalloon(const std::string& title, const std::string& text, DWORD infoFlags, UINT timeout = 0) noexcept;
    // The icon of image 0 of `iconBytes`; false without a shell call when no icon can be made.
    // The icon it replaces is destroyed when the object made it.
    bool SetIcon(const ByteSet& iconBytes) noexcept;
    // An icon made from image `index` of an .ico file held in memory; the directory entry's width
    // and height bytes go to `width` and `height` (0 stands for 256). Null, with 0 in both, when
    // the entry or its image lies outside the bytes. The caller owns the icon.
    HICON LoadIconFromBytes(const ByteSet& iconBytes, int index = 0, int* width = nullptr, int* height = nullptr) const noexcept;
    // Subclasses the owner with kTrayWindowProcedure and sets the window properties; "Exec Event"
    // only when a handler (a TrayEventHandler) is given. Nothing when the owner is not a window. A
    // second call on a subclassed owner keeps the procedure saved by the first.
    void HookWindow(SubprogramPointer handler = 0) noexcept;
    // Sweeps the (overflow) toolbar with mouse moves at every second pixel, row by row.
    void RefreshTrayArea(bool useOverflow = false) const noexcept;
    // The button operations work on the toolbar found by Initialize; with none they answer 0,
    // false or "".
    std::uint32_t GetButtonCommandId(int index) const noexcept;
    int GetButtonCount() const noexcept;
    bool DeleteButton(int index) const noexcept;
    bool HideButton(int index) const noexcept;
    bool ShowButton(int index) const noexcept;
    bool DisableButton(int index) const noexcept;
    bool EnableButton(int index) const noexcept;
    std::string GetButtonText(int index) const;

    // ---- The object's fields
    UINT TaskbarCreatedMessage() const { return taskbarCreatedMessage_; }
    const TrayIconData& IconData() const { return iconData_; }
    WNDPROC SavedWindowProcedure() const { return savedWindowProcedure_; }
    HWND OwnerWindow() const { return ownerWindow_; }
    HWND TrayToolbarWindow() const { return trayToolbarWindow_; }

private:
    bool NotifyShell(DWORD message) noexcept;
    bool SetButtonHidden(int index, bool hidden) const noexcept;
    bool SetButtonEnabled(int index, bool enabled) const noexcept;

    UINT taskbarCreatedMessage_ = 0;
    TrayIconData iconData_;
    WNDPROC savedWindowProcedure_ = nullptr;
    HWND ownerWindow_ = nullptr;
    HWND trayToolbarWindow_ = nullptr;
    UniqueIcon ownIcon_;  // the record's icon when the object made it
};

// The toolbar that Initialize keeps: like FindTrayToolbar, but a missing "SysPager" is skipped and
// a missing toolbar gives the last window found.
HWND FindTrayToolbarWindow() noexcept;
