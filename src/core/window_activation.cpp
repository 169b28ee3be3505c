#include "core/window_activation.h"

void RestoreWindow(HWND window) noexcept { OpenIcon(window); }

void ActivateWindow(HWND window) noexcept { SetForegroundWindow(window); }
