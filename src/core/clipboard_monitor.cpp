#include "core/clipboard_monitor.h"

void InstallClipboardMonitor(HWND window, WNDPROC callback) {}

void RemoveClipboardMonitor(HWND window) {}
