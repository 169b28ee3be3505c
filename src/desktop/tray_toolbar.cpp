// The shell's notification toolbar: finding it, reading and changing its buttons (through memory
// in the shell's process), and sweeping it with mouse moves.
#include "desktop/tray_icon.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

#include "desktop/remote_memory.h"
#include "desktop/desktop_system_calls.h"

namespace {

constexpr std::size_t ButtonRecordSize = 24;  // keeps the command id at offset 4 for 32- and 64-bit shells
constexpr std::size_t CommandIdOffset = 4;
constexpr LPARAM HiddenState = TBSTATE_HIDDEN;  // 8

// FindWindowExA with a null pointer for an empty text.
HWND FindChildWindow(HWND parent, HWND after, const char* className, const char* windowText = "") noexcept
{
    auto textPointer = [](const char* text) { return text && *text ? text : nullptr; };
    return FindWindowExA(parent, after, textPointer(className), textPointer(windowText));
}

// A child of `parent` of class `className`. A missing parent gives 0: searching from window 0 would
// look through every top-level window and could hand back another program's toolbar.
HWND FindInside(HWND parent, const char* className) noexcept
{
    return parent ? FindChildWindow(parent, nullptr, className) : nullptr;
}

HWND FindTopLevel(const char* className) noexcept
{
    return g_desktopSystemCalls.FindWindowA(className, nullptr);
}

LRESULT SendToToolbar(HWND toolbar, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    return SendMessageA(toolbar, message, wParam, lParam);
}

// Lets the toolbar write `local.size()` bytes into a zeroed block in its own process and reads them
// back into `local`, the caller's (the button operations are noexcept and allocate nothing). The
// message is not sent when no block could be had (the toolbar would write to address 0): the answer
// then stays zero bytes.
void ReadThroughToolbar(HWND toolbar, UINT message, WPARAM wParam, std::span<std::uint8_t> local) noexcept
{
    std::fill(local.begin(), local.end(), 0);
    HANDLE process = OpenWindowProcess(reinterpret_cast<std::uintptr_t>(toolbar));
    void* remote = WriteRemoteCopy(process, local.data(), local.size());
    if (remote) {
        SendToToolbar(toolbar, message, wParam, reinterpret_cast<LPARAM>(remote));
        if (!ReadProcessMemory(process, remote, local.data(), local.size(), nullptr))
            std::fill(local.begin(), local.end(), 0);
        FreeRemoteMemory(process, remote);
    }
    if (process)
        CloseProcessHandle(process);
}

} // namespace

HWND FindTrayToolbarWindow() noexcept
{
    HWND tray = FindTopLevel("Shell_TrayWnd");
    HWND current = FindInside(tray, "TrayNotifyWnd");
    if (HWND pager = FindInside(current, "SysPager"))
        current = pager;
    HWND toolbar = FindInside(current, "ToolbarWindow32");
    return toolbar ? toolbar : current;
}

HWND TrayIcon::FindTrayToolbar() const noexcept
{
    HWND tray = FindTopLevel("Shell_TrayWnd");
    HWND notify = FindInside(tray, "TrayNotifyWnd");
    HWND pager = FindInside(notify, "SysPager");
    return FindInside(pager, "ToolbarWindow32");
}

HWND TrayIcon::FindOverflowToolbar() const noexcept
{
    return FindInside(FindTopLevel("NotifyIconOverflowWindow"), "ToolbarWindow32");
}

void TrayIcon::RefreshTrayArea(bool useOverflow) const noexcept
{
    HWND toolbar = useOverflow ? FindOverflowToolbar() : FindTrayToolbar();
    RECT client = {};
    if (!toolbar || !GetClientRect(toolbar, &client))
        return;
    for (int i = 1; i <= client.bottom / 2; ++i)
        for (int j = 1; j <= client.right / 2; ++j)
            SendToToolbar(toolbar, WM_MOUSEMOVE, 0, MAKELPARAM(2 * j, 2 * i));
}

std::uint32_t TrayIcon::GetButtonCommandId(int index) const noexcept
{
    std::uint8_t record[ButtonRecordSize];
    ReadThroughToolbar(trayToolbarWindow_, TB_GETBUTTON, static_cast<WPARAM>(index), record);
    std::uint32_t id = 0;
    std::memcpy(&id, record + CommandIdOffset, sizeof id);
    return id;
}

int TrayIcon::GetButtonCount() const noexcept
{
    return static_cast<int>(SendToToolbar(trayToolbarWindow_, TB_BUTTONCOUNT, 0, 0));
}

bool TrayIcon::DeleteButton(int index) const noexcept
{
    return SendToToolbar(trayToolbarWindow_, TB_DELETEBUTTON, static_cast<WPARAM>(index), 0) != 0;
}

bool TrayIcon::HideButton(int index) const noexcept { return SetButtonHidden(index, true); }
bool TrayIcon::ShowButton(int index) const noexcept { return SetButtonHidden(index, false); }
bool TrayIcon::DisableButton(int index) const noexcept { return SetButtonEnabled(index, false); }
bool TrayIcon::EnableButton(int index) const noexcept { return SetButtonEnabled(index, true); }

// TB_SETSTATE is sent whether or not the hidden bit changes.
bool TrayIcon::SetButtonHidden(int index, bool hidden) const noexcept
{
    const WPARAM id = GetButtonCommandId(index);
    LPARAM state = SendToToolbar(trayToolbarWindow_, TB_GETSTATE, id, 0);
    state = hidden ? (state | HiddenState) : (state & ~HiddenState);
    return SendToToolbar(trayToolbarWindow_, TB_SETSTATE, id, state) != 0;
}

bool TrayIcon::SetButtonEnabled(int index, bool enabled) const noexcept
{
    const WPARAM id = GetButtonCommandId(index);
    return SendToToolbar(trayToolbarWindow_, TB_ENABLEBUTTON, id, enabled ? TRUE : FALSE) != 0;
}

std::string TrayIcon::GetButtonText(int index) const
{
    const WPARAM id = GetButtonCommandId(index);
    const LRESULT length = SendToToolbar(trayToolbarWindow_, TB_GETBUTTONTEXTA, id, 0);
    // -1 is the toolbar's answer for an unknown button.
    if (length <= 0)
        return "";
    const std::size_t size = static_cast<std::size_t>(length);
    // One byte more than the length: the toolbar writes its terminating zero after the text.
    std::vector<std::uint8_t> text(size + 1);
    ReadThroughToolbar(trayToolbarWindow_, TB_GETBUTTONTEXTA, id, text);
    std::size_t end = 0;
    while (end < size && text[end] != 0)
        ++end;
    return std::string(reinterpret_cast<const char*>(text.data()), end);
}
