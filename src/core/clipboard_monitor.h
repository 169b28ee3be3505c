// The clipboard monitor: subclasses a window and joins the clipboard-viewer chain.
#pragma once

#include <windows.h>

void InstallClipboardMonitor(HWND window, WNDPROC callback);
void RemoveClipboardMonitor(HWND window);
