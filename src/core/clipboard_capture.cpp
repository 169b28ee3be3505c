#include "core/clipboard_capture.h"

LRESULT CALLBACK CaptureClipboardEntry(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return 0;
}
