// The clipboard monitor: makes one window a member of the clipboard-viewer chain by replacing its
// window procedure, and hands the chain's notifications to a callback. All of its state lives in
// three properties of that window, so it serves any window and needs no globals:
//   "Clipboard_Monitor"   the window procedure that was in place before the monitor
//   "Clipboard_Callback"  the callback
//   "Clipboard_Viewer"    the next window in the viewer chain (0 when this window is the last)
#pragma once

#include <windows.h>

#include "framework/window_procedure.h"

// Subclasses `window` (with the wrapped ClipboardMonitorProc), records `callback` and joins the
// viewer chain (the platform then sends the window a first WM_DRAWCLIPBOARD at once). The callback
// has the window-procedure signature and sees WM_DRAWCLIPBOARD, WM_CHANGECBCHAIN and WM_DESTROY; a
// result of exactly 1 consumes the message (a callback that throws answers as DefWindowProc does,
// which consumes none of them). Does nothing when the window is monitored already. Failures are
// not reported.
void InstallClipboardMonitor(HWND window, WindowProcedure callback) noexcept;

// The monitor's window procedure: the callback first, then the chain's bookkeeping (passing the
// notice on to the next viewer), then the previous procedure for every message. What the window
// has installed is its wrapper, SubclassProcedure::Wrap<&ClipboardMonitorProc>().
LRESULT CALLBACK ClipboardMonitorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

// Leaves the viewer chain, restores the previous window procedure and removes the three
// properties. Does nothing when the window is not monitored.
void RemoveClipboardMonitor(HWND window) noexcept;
