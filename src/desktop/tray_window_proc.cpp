// The owner window's procedure while the tray class has it subclassed: the icon's callback message,
// the shell's "TaskbarCreated" notice and WM_DESTROY reach the event handler.
#include "desktop/tray_icon.h"

#include "framework/exception_boundary.h"

namespace {

std::uintptr_t WindowValue(HWND window, const char* name) noexcept
{
    return reinterpret_cast<std::uintptr_t>(GetPropA(window, name));
}

// A handler that fails ends here: the shell's message is answered and the owner window goes on.
void RaiseTrayEvent(std::uintptr_t handler, std::int32_t code) noexcept
{
    NoThrow([&] { reinterpret_cast<TrayEventHandler>(handler)(code, 0, 0, 0, 0); });
}

} // namespace

LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    const auto previous = reinterpret_cast<WNDPROC>(WindowValue(window, kTrayWinProcProperty));
    const auto callbackMessage = static_cast<UINT>(WindowValue(window, kTrayCallbackMessageProperty));
    const auto taskbarCreatedMessage = static_cast<UINT>(WindowValue(window, kTrayTaskbarCreatedProperty));
    const std::uintptr_t handler = WindowValue(window, kTrayEventProperty);

    if (handler) {
        if (callbackMessage != 0 && message == callbackMessage) {
            RaiseTrayEvent(handler, static_cast<std::int32_t>(lParam));
            return 0;
        }
        if (taskbarCreatedMessage != 0 && message == taskbarCreatedMessage) {
            RaiseTrayEvent(handler, TrayEventTaskbarCreated);
            return 0;
        }
        if (message == WM_DESTROY)
            RaiseTrayEvent(handler, TrayEventWindowDestroyed);
    }
    // Without a saved procedure (the properties were taken away) the window still gets the
    // default handling rather than a call through a null procedure.
    if (!previous)
        return DefWindowProcA(window, message, wParam, lParam);
    return CallWindowProcA(previous, window, message, wParam, lParam);
}
