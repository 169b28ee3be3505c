// A fresh history file as the capture's store for each test, with message boxes recorded instead
// of shown; the test's captures are waited for and the connection must close at the end.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include "core/clipboard_capture.h"
#include "core/globals.h"
#include "core/history_database.h"
#include "framework/framework_system_calls.h"
#include "support/capture_notices.h"
#include "support/scratch_folder.h"
#include "support/shown_boxes.h"
#include "support/system_calls_scope.h"

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
