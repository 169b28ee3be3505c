// The clipboard monitor on windows of the test's own: the subclassing and its three properties,
// the viewer chain's bookkeeping, real clipboard changes passed along the chain, a callback that
// fails, and leaving it.
#include "core/clipboard_monitor.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <new>
#include <vector>

#include "support/clipboard_writer.h"
#include "support/test_window.h"

namespace {

struct Received {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool byCallback;  // false: the window's own procedure
};

std::vector<Received> g_received;
LRESULT g_callbackResult = 0;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    g_received.push_back({window, message, wParam, lParam, false});
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK RecordingCallback(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    g_received.push_back({window, message, wParam, lParam, true});
    return g_callbackResult;
}
constexpr WindowProcedure kRecordingCallback = WindowProcedure::Wrap<&RecordingCallback>();

LRESULT CALLBACK ThrowingCallback(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    g_received.push_back({window, message, wParam, lParam, true});
    throw std::bad_alloc();
}

HWND MakeWindow() { return MakeTestWindow("MonitorTestWindow", RecordingProc); }

// Messages of `message` that `window` saw, by the callback or by its own procedure.
std::vector<Received> Seen(HWND window, UINT message, bool byCallback)
{
    std::vector<Received> seen;
    for (const Received& r : g_received)
        if (r.window == window && r.message == message && r.byCallback == byCallback)
            seen.push_back(r);
    return seen;
}

void PumpMessages()
{
    DWORD start = GetTickCount();
    MSG message;
    while (GetTickCount() - start < 200) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        Sleep(10);
    }
}

// Another program puts `text` on the clipboard; the notices it causes are then handled. False when
// the clipboard could not be opened.
bool ChangeTheClipboard(const wchar_t* text)
{
    {
        ClipboardWriter writer;
        if (!writer.IsOpen() || !writer.Text(text))
            return false;
    }
    PumpMessages();
    return true;
}

// Handles whatever notice is still on its way from an earlier change of the chain, then forgets
// all that was seen, so that what follows counts only the notices of the next change.
void SettleAndForget()
{
    PumpMessages();
    g_received.clear();
}

HWND StoredViewer(HWND window) { return static_cast<HWND>(GetPropA(window, "Clipboard_Viewer")); }

// `monitored` watched by the monitor, with `next` (a plain recording viewer) after it in the chain.
class ClipboardMonitorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_received.clear();
        g_callbackResult = 0;
        next = MakeWindow();
        monitored = MakeWindow();
        ASSERT_TRUE(next && monitored);
        before = SetClipboardViewer(next);
        InstallClipboardMonitor(monitored, kRecordingCallback);
        // Joining the chain tells the new viewer while the call runs. What comes after is the
        // clipboard's own: a change by another program, or Wine's X11 mirror telling again.
        toldOnJoining = Seen(monitored, WM_DRAWCLIPBOARD, true).size();
        PumpMessages();
    }
    void TearDown() override
    {
        RemoveClipboardMonitor(monitored);
        ChangeClipboardChain(next, before);
        DestroyWindow(monitored);
        DestroyWindow(next);
    }

    HWND before = nullptr;
    HWND next = nullptr;
    HWND monitored = nullptr;
    std::size_t toldOnJoining = 0;
};

TEST_F(ClipboardMonitorTest, InstallSubclassesRecordsItsStateAndJoinsTheChain)
{
    EXPECT_EQ(GetWindowLongA(monitored, GWL_WNDPROC),
              reinterpret_cast<LONG>(SubclassProcedure::Wrap<&ClipboardMonitorProc>().Address()));
    EXPECT_EQ(GetPropA(monitored, "Clipboard_Monitor"), reinterpret_cast<HANDLE>(&RecordingProc));
    EXPECT_EQ(GetPropA(monitored, "Clipboard_Callback"), reinterpret_cast<HANDLE>(kRecordingCallback.Address()));
    EXPECT_EQ(StoredViewer(monitored), next);
    // Joining the chain delivers a first notice at once: the clipboard as it is now.
    EXPECT_EQ(toldOnJoining, 1u);
    EXPECT_GE(Seen(monitored, WM_DRAWCLIPBOARD, true).size(), 1u);
}

TEST_F(ClipboardMonitorTest, ChainNoticesKeepTheNextViewerAndPassOn)
{
    HWND follower = MakeWindow();
    HWND stranger = MakeWindow();
    g_received.clear();

    // The next viewer leaves: the one after it becomes the next; nothing is sent on.
    SendMessageA(monitored, WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(next), reinterpret_cast<LPARAM>(follower));
    EXPECT_EQ(StoredViewer(monitored), follower);
    EXPECT_TRUE(Seen(next, WM_CHANGECBCHAIN, false).empty());

    // Some other viewer leaves: the notice goes on unchanged and the next viewer stays.
    SendMessageA(monitored, WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(stranger), 77);
    EXPECT_EQ(StoredViewer(monitored), follower);
    auto passed = Seen(follower, WM_CHANGECBCHAIN, false);
    ASSERT_EQ(passed.size(), 1u);
    EXPECT_EQ(passed[0].wParam, reinterpret_cast<WPARAM>(stranger));
    EXPECT_EQ(passed[0].lParam, 77);

    SendMessageA(monitored, WM_DRAWCLIPBOARD, 5, 6);
    auto drawn = Seen(follower, WM_DRAWCLIPBOARD, false);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].wParam, 5u);
    EXPECT_EQ(drawn[0].lParam, 6);

    // The callback saw each of them with its arguments, and so did the window's own procedure.
    for (UINT message : {WM_CHANGECBCHAIN, WM_DRAWCLIPBOARD}) {
        EXPECT_EQ(Seen(monitored, message, true).size(), Seen(monitored, message, false).size()) << message;
        EXPECT_FALSE(Seen(monitored, message, true).empty()) << message;
    }
    EXPECT_EQ(Seen(monitored, WM_DRAWCLIPBOARD, true)[0].wParam, 5u);

    SendMessageA(monitored, WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(follower), reinterpret_cast<LPARAM>(next));
    EXPECT_EQ(StoredViewer(monitored), next);
    DestroyWindow(stranger);
    DestroyWindow(follower);
}

TEST_F(ClipboardMonitorTest, OnlyTheThreeNoticesReachTheCallback)
{
    g_received.clear();
    SendMessageA(monitored, WM_DESTROY, 0, 0);
    SendMessageA(monitored, WM_USER + 5, 1, 2);
    EXPECT_EQ(Seen(monitored, WM_DESTROY, true).size(), 1u);
    EXPECT_EQ(Seen(monitored, WM_DESTROY, false).size(), 1u);
    EXPECT_TRUE(Seen(next, WM_DESTROY, false).empty());
    EXPECT_TRUE(Seen(monitored, WM_USER + 5, true).empty());
    EXPECT_EQ(Seen(monitored, WM_USER + 5, false).size(), 1u);
}

TEST_F(ClipboardMonitorTest, ACallbackAnsweringOneConsumesTheNotice)
{
    g_received.clear();
    g_callbackResult = 1;
    EXPECT_EQ(SendMessageA(monitored, WM_DRAWCLIPBOARD, 0, 0), 1);
    EXPECT_EQ(SendMessageA(monitored, WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(next), 0), 1);
    EXPECT_EQ(StoredViewer(monitored), next);
    EXPECT_TRUE(Seen(next, WM_DRAWCLIPBOARD, false).empty());
    EXPECT_TRUE(Seen(monitored, WM_DRAWCLIPBOARD, false).empty());
    EXPECT_TRUE(Seen(monitored, WM_CHANGECBCHAIN, false).empty());
}

TEST_F(ClipboardMonitorTest, ARealChangeTravelsTheChainThroughEveryMonitor)
{
    // A later viewer that is monitored too passes the notice on to this one.
    HWND later = MakeWindow();
    InstallClipboardMonitor(later, kRecordingCallback);
    EXPECT_EQ(StoredViewer(later), monitored);
    SettleAndForget();
    ASSERT_TRUE(ChangeTheClipboard(L"chain"));
    // Wine's X11 clipboard now and then tells the head of the chain twice of one change: whatever
    // the head got, each viewer after it gets exactly as often.
    const std::size_t told = Seen(later, WM_DRAWCLIPBOARD, true).size();
    EXPECT_GE(told, 1u);
    EXPECT_EQ(Seen(monitored, WM_DRAWCLIPBOARD, true).size(), told);
    EXPECT_EQ(Seen(next, WM_DRAWCLIPBOARD, false).size(), told);
    EXPECT_EQ(StoredViewer(monitored), next);

    // The later one leaves: the next change reaches this one and the rest of the chain, not it.
    RemoveClipboardMonitor(later);
    EXPECT_EQ(StoredViewer(monitored), next);
    SettleAndForget();
    ASSERT_TRUE(ChangeTheClipboard(L"after the later one left"));
    EXPECT_TRUE(Seen(later, WM_DRAWCLIPBOARD, true).empty());
    EXPECT_TRUE(Seen(later, WM_DRAWCLIPBOARD, false).empty());
    const std::size_t toldNow = Seen(monitored, WM_DRAWCLIPBOARD, true).size();
    EXPECT_GE(toldNow, 1u);
    EXPECT_EQ(Seen(next, WM_DRAWCLIPBOARD, false).size(), toldNow);
    DestroyWindow(later);
}

TEST_F(ClipboardMonitorTest, AViewerLeavingFromTheMiddleIsSkippedByTheOneBeforeIt)
{
    // later -> monitored -> next; monitored leaves, so later's next viewer must become next.
    HWND later = MakeWindow();
    InstallClipboardMonitor(later, kRecordingCallback);
    ASSERT_EQ(StoredViewer(later), monitored);
    RemoveClipboardMonitor(monitored);
    EXPECT_EQ(StoredViewer(later), next);
    SettleAndForget();
    ASSERT_TRUE(ChangeTheClipboard(L"middle left"));
    const std::size_t told = Seen(later, WM_DRAWCLIPBOARD, true).size();
    EXPECT_GE(told, 1u);
    EXPECT_TRUE(Seen(monitored, WM_DRAWCLIPBOARD, true).empty());
    EXPECT_TRUE(Seen(monitored, WM_DRAWCLIPBOARD, false).empty());
    EXPECT_EQ(Seen(next, WM_DRAWCLIPBOARD, false).size(), told);
    RemoveClipboardMonitor(later);
    DestroyWindow(later);
}

// The monitor's procedure is called by Windows: a callback that fails ends at its own edge and
// consumes nothing, so the window's own procedure and the rest of the chain still hear of it.
TEST_F(ClipboardMonitorTest, ACallbackThatThrowsConsumesNothingAndTheChainGoesOn)
{
    HWND failing = MakeWindow();
    HWND stranger = MakeWindow();  // a viewer further on that leaves: its notice travels the chain
    InstallClipboardMonitor(failing, WindowProcedure::Wrap<&ThrowingCallback>());
    ASSERT_EQ(StoredViewer(failing), monitored);
    for (UINT message : {WM_DRAWCLIPBOARD, WM_CHANGECBCHAIN}) {
        SCOPED_TRACE(message);
        SettleAndForget();
        EXPECT_EQ(SendMessageA(failing, message, reinterpret_cast<WPARAM>(stranger), 0), 0);
        EXPECT_EQ(Seen(failing, message, true).size(), 1u) << "the callback ran";
        EXPECT_EQ(Seen(failing, message, false).size(), 1u) << "the window's own procedure still ran";
        EXPECT_EQ(Seen(monitored, message, true).size(), 1u) << "the next viewer was told";
        EXPECT_EQ(StoredViewer(failing), monitored);
    }
    RemoveClipboardMonitor(failing);
    DestroyWindow(failing);
    DestroyWindow(stranger);
}

TEST_F(ClipboardMonitorTest, RemovingLeavesTheChainAndRestoresTheWindow)
{
    RemoveClipboardMonitor(monitored);
    EXPECT_EQ(GetWindowLongA(monitored, GWL_WNDPROC), reinterpret_cast<LONG>(&RecordingProc));
    for (const char* name : {"Clipboard_Monitor", "Clipboard_Callback", "Clipboard_Viewer"})
        EXPECT_EQ(GetPropA(monitored, name), nullptr) << name;
    SettleAndForget();
    ASSERT_TRUE(ChangeTheClipboard(L"after"));
    EXPECT_TRUE(Seen(monitored, WM_DRAWCLIPBOARD, true).empty());
    EXPECT_TRUE(Seen(monitored, WM_DRAWCLIPBOARD, false).empty());
    EXPECT_GE(Seen(next, WM_DRAWCLIPBOARD, false).size(), 1u);
}

TEST_F(ClipboardMonitorTest, InstallingTwiceOrRemovingAnUnmonitoredWindowChangesNothing)
{
    InstallClipboardMonitor(monitored, kRecordingCallback);
    EXPECT_EQ(GetPropA(monitored, "Clipboard_Monitor"), reinterpret_cast<HANDLE>(&RecordingProc));
    g_received.clear();
    SendMessageA(monitored, WM_USER, 0, 0);  // a monitor that recorded itself would never return
    EXPECT_EQ(Seen(monitored, WM_USER, false).size(), 1u);

    HWND plain = MakeWindow();
    RemoveClipboardMonitor(plain);
    EXPECT_EQ(GetWindowLongA(plain, GWL_WNDPROC), reinterpret_cast<LONG>(&RecordingProc));
    DestroyWindow(plain);
}

} // namespace
