#include "core/clipboard_monitor.h"

namespace {

constexpr char kMonitorProperty[] = "Clipboard_Monitor";
constexpr char kCallbackProperty[] = "Clipboard_Callback";
constexpr char kViewerProperty[] = "Clipboard_Viewer";

template <typename Value>
void StoreProperty(HWND window, const char* name, Value value) noexcept
{
    SetPropA(window, name, reinterpret_cast<HANDLE>(value));
}

template <typename Value>
Value ReadProperty(HWND window, const char* name) noexcept
{
    return reinterpret_cast<Value>(GetPropA(window, name));
}

// Keeps the stored next viewer current and passes the notice on along the chain.
void FollowChain(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    HWND next = ReadProperty<HWND>(window, kViewerProperty);
    if (message == WM_CHANGECBCHAIN && reinterpret_cast<HWND>(wParam) == next) {
        StoreProperty(window, kViewerProperty, lParam);
        return;
    }
    if (next)
        SendMessageA(next, message, wParam, lParam);
}

} // namespace

void InstallClipboardMonitor(HWND window, WindowProcedure callback) noexcept
{
    // A second subclassing would record the monitor as its own previous procedure and recurse
    // without end on the first message.
    if (ReadProperty<WNDPROC>(window, kMonitorProperty))
        return;
    WNDPROC previous = ReplaceWindowProcedureA(window, SubclassProcedure::Wrap<&ClipboardMonitorProc>());
    StoreProperty(window, kMonitorProperty, previous);
    StoreProperty(window, kCallbackProperty, callback.Address());
    StoreProperty(window, kViewerProperty, SetClipboardViewer(window));
}

LRESULT CALLBACK ClipboardMonitorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    auto previous = ReadProperty<WNDPROC>(window, kMonitorProperty);
    auto callback = ReadProperty<WNDPROC>(window, kCallbackProperty);
    if (message == WM_DRAWCLIPBOARD || message == WM_CHANGECBCHAIN || message == WM_DESTROY) {
        if (callback && CallWindowProcA(callback, window, message, wParam, lParam) == 1)
            return 1;
        if (message != WM_DESTROY)
            FollowChain(window, message, wParam, lParam);
    }
    if (!previous)
        return DefWindowProcA(window, message, wParam, lParam);
    return CallWindowProcA(previous, window, message, wParam, lParam);
}

void RemoveClipboardMonitor(HWND window) noexcept
{
    auto previous = ReadProperty<WNDPROC>(window, kMonitorProperty);
    if (!previous)
        return;
    ChangeClipboardChain(window, ReadProperty<HWND>(window, kViewerProperty));
    SetWindowLongA(window, GWL_WNDPROC, reinterpret_cast<LONG>(previous));
    RemovePropA(window, kMonitorProperty);
    RemovePropA(window, kCallbackProperty);
    RemovePropA(window, kViewerProperty);
}
