// Bringing a window back: restoring it from the minimised state and making it the foreground
// window. Neither result is looked at: a null or stale handle changes nothing.
#pragma once

#include <windows.h>

// OpenIcon: a minimised window gets its former size and position back and is shown.
void RestoreWindow(HWND window) noexcept;
// SetForegroundWindow.
void ActivateWindow(HWND window) noexcept;
