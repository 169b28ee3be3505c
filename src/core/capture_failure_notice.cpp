#include "core/capture_failure_notice.h"

#include <windows.h>

#include "framework/message_box.h"

namespace {

bool g_pending = false;
std::string g_text;

// A thread timer of 0 ms: its WM_TIMER is dispatched by whichever message loop runs next, which
// is never inside the clipboard notification that scheduled it.
void CALLBACK ShowPendingFailure(HWND, UINT, UINT_PTR timer, DWORD) noexcept
{
    KillTimer(nullptr, timer);
    try {
        ShowMessageBox(g_text, 0);
    } catch (...) {
        // Nothing more can be told: the box could not even be built.
    }
    g_text.clear();
    g_pending = false;
}

} // namespace

void NoteCaptureFailure(const std::string& text) noexcept
{
    if (g_pending)
        return;
    try {
        g_text = text;
    } catch (...) {
        g_text.clear();
    }
    g_pending = SetTimer(nullptr, 0, 0, ShowPendingFailure) != 0;
}

bool CaptureFailurePending() noexcept { return g_pending; }
