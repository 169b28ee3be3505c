// One capture of the clipboard's text, bitmap and file list per clipboard notification.
#pragma once

#include <windows.h>

LRESULT CALLBACK CaptureClipboardEntry(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
