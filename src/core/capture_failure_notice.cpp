#include "core/capture_failure_notice.h"

#include <windows.h>

#include <algorithm>
#include <deque>

#include "framework/exception_boundary.h"
#include "framework/message_box.h"
#include "framework/window_procedure.h"

namespace {

std::deque<std::string> g_waiting;  // texts noted and not shown yet, oldest first
std::string g_open;                 // the text of the box open now
bool g_boxOpen = false;
UINT_PTR g_timer = 0;

bool AlreadyToBeTold(const std::string& text) noexcept
{
    return (g_boxOpen && g_open == text) || std::find(g_waiting.begin(), g_waiting.end(), text) != g_waiting.end();
}

void ShowBox(const std::string& text) noexcept
{
    // Nothing more can be told when the box cannot even be built.
    NoThrow([&] { ShowMessageBox(text, 0); });
}

// A failure noted while a box is open joins the queue this loop is emptying, so the next box
// comes only once the one before is closed.
void ShowWaiting() noexcept
{
    while (!g_waiting.empty()) {
        g_open = std::move(g_waiting.front());
        g_waiting.pop_front();
        g_boxOpen = true;
        ShowBox(g_open);
        g_boxOpen = false;
    }
    g_open.clear();
}

void KillPendingTimer() noexcept
{
    if (g_timer)
        KillTimer(nullptr, g_timer);
    g_timer = 0;
}

// A thread timer of 0 ms: its WM_TIMER is dispatched by whichever message loop runs next, which
// is never inside the clipboard notification that scheduled it.
void CALLBACK ShowPendingFailures(HWND, UINT, UINT_PTR, DWORD) noexcept
{
    KillPendingTimer();
    ShowWaiting();
}

} // namespace

void NoteCaptureFailure(const std::string& text) noexcept
{
    if (AlreadyToBeTold(text))
        return;
    if (!RanToEnd([&] { g_waiting.push_back(text); }))
        return;  // out of memory: this one cannot even wait
    // An open box's loop shows it once that box is closed.
    if (!g_boxOpen && !g_timer)
        g_timer = StartTimer(nullptr, 0, 0, TimerProcedure::Wrap<&ShowPendingFailures>());
}

bool CaptureFailurePending() noexcept { return g_boxOpen || !g_waiting.empty(); }

void ShowWaitingCaptureFailures() noexcept
{
    KillPendingTimer();
    // Inside an open box's own loop (the exit chosen while it is open) the rest cannot wait for it
    // to be closed: they follow it, over it.
    const bool nested = g_boxOpen;
    std::string open;
    open.swap(g_open);
    ShowWaiting();
    g_open.swap(open);
    g_boxOpen = nested;
}
