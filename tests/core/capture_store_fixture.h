// A fresh history file as the capture's store for each test, with message boxes recorded instead
// of shown; the test's captures are waited for and the connection must close at the end.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include "core/clipboard_capture.h"
#include "core/globals.h"
#include "core/history_database.h"
#include "framework/framework_system_calls.h"
#include "support/scratch_folder.h"
#include "support/shown_boxes.h"
#include "support/system_calls_scope.h"

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

// The notification of the clipboard's change (tried again while the clipboard is held open), then
// the writer's store and the row it leads to.
inline void CaptureNow(UINT message = WM_DRAWCLIPBOARD)
{
    EXPECT_EQ(CaptureClipboardEntry(nullptr, message, 0, 0), 0);
    PumpWhileCaptureRetries();
    FinishQueuedCaptures();
}

class CaptureStoreFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_boxes.clear();
        g_frameworkSystemCalls.MessageBoxA = RecordBox;
        g_database = &database;
        ASSERT_TRUE(OpenHistoryDatabase(folder.File("data.db")));
    }
    void TearDown() override
    {
        FinishQueuedCaptures();
        // The store keeps no statement beyond its captures, failed ones included, or the
        // connection could not close.
        EXPECT_EQ(database.Close(), SQLITE_OK);
        g_database = nullptr;
    }

    ScopedSystemCalls<FrameworkSystemCalls> frameworkCalls_{g_frameworkSystemCalls};
    ScratchFolder folder;
    SqliteDatabase database;
};
