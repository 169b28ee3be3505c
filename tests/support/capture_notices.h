// Handing the capture a clipboard notice as the monitor does and letting it run to its end: the
// message loop runs while a notice that found the clipboard busy is tried again, then the writer's
// store and the rows it leads to are waited for.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include "core/clipboard_capture.h"

// Runs the message loop while `pending()` holds, for five seconds at most.
template <typename Pending>
void PumpMessagesWhile(Pending pending)
{
    MSG message;
    const DWORD start = GetTickCount();
    while (pending() && GetTickCount() - start < 5000) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        Sleep(1);
    }
}

// Runs the message loop while a notice that found the clipboard held open is tried again (it is
// let go after about a second).
inline void PumpWhileCaptureRetries() { PumpMessagesWhile(CaptureRetryPending); }

// The notification of the clipboard's change for `window` (tried again while the clipboard is
// held open), then the writer's store and the row it leads to.
inline void CaptureNow(UINT message = WM_DRAWCLIPBOARD, HWND window = nullptr)
{
    EXPECT_EQ(CaptureClipboardEntry(window, message, 0, 0), 0);
    PumpWhileCaptureRetries();
    FinishQueuedCaptures();
}
