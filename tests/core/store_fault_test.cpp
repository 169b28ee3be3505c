// One capture stored into a full history (its insert, its trim of the oldest row and its commit),
// run again and again with a different engine call failing each time, until a run gets through
// without reaching the call chosen to fail. Whatever failed, the capture is either stored whole and
// nothing is told, or nothing of it is left and the user is told once; no transaction stays open,
// and the next capture is stored.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "capture_store_fixture.h"
#include "core/capture_failure_notice.h"
#include "core/history_store.h"
#include "framework/message_box.h"
#include "support/clipboard_writer.h"
#include "support/sqlite_engine_faults.h"

namespace {

// Each row of "data" in rowid order as "text|byte|file|time|rowid".
using HistoryRows = std::vector<std::string>;

void PutText(const std::string& text)
{
    ClipboardWriter writer;
    ASSERT_TRUE(writer.IsOpen());
    writer.Text(std::wstring(text.begin(), text.end()));
}

// Runs the message loop until the boxes of the failures noted have been shown.
void ShowNotedFailures() { PumpMessagesWhile(CaptureFailurePending); }

// True when `after` is `before` with the capture of `text` stored: its row added last and, unless
// the trim failed (which it does silently), the rows over the limit gone from the oldest.
bool StoredOver(const HistoryRows& before, const HistoryRows& after, const std::string& text)
{
    if (after.empty() || after.back().rfind(text + "|", 0) != 0)
        return false;
    const HistoryRows kept(after.begin(), after.end() - 1);
    const size_t over = before.size() + 1 > kHistoryRowLimit ? before.size() + 1 - kHistoryRowLimit : 0;
    return kept == before ||
           (kept.size() + over == before.size() && std::equal(kept.begin(), kept.end(), before.begin() + over));
}

class StoreFaultTest : public CaptureStoreFixture {
protected:
    void SetUp() override
    {
        CaptureStoreFixture::SetUp();
        if (HasFatalFailure())
            return;
        // A full history, so that every capture's trim deletes a row.
        ASSERT_TRUE(database.Exec("with recursive n(i) as (select 1 union all select i + 1 from n where i < 1000) "
                                  "insert into data(time, text, byte, file) "
                                  "select printf('2020-01-01 00:00:00 %04d', i), 'old ' || i, '', '' from n"));
    }
    HistoryRows Rows()
    {
        HistoryRows rows;
        SqlStatement read = database.Prepare(
            "select text || '|' || byte || '|' || file || '|' || time || '|' || rowid from data order by rowid");
        while (read.Step())
            rows.push_back(read.ColumnText(0, true));
        read.Finalize();
        return rows;
    }

    // Copies and captures `text` with every engine call reaching the engine: it must be stored,
    // the oldest row trimmed, and nothing told.
    void ExpectStored(const std::string& text)
    {
        PutText(text);
        const HistoryRows before = Rows();
        g_boxes.clear();
        CaptureNow();
        ShowNotedFailures();
        const HistoryRows after = Rows();
        EXPECT_TRUE(StoredOver(before, after, text)) << text << " is not stored";
        EXPECT_EQ(after.size(), static_cast<size_t>(kHistoryRowLimit));
        EXPECT_TRUE(g_boxes.empty()) << text << " told as failed: " << g_boxes[0].text;
    }
};

TEST_F(StoreFaultTest, ACaptureFailingAtAnyEngineCallIsStoredWholeOrUndoneAndToldOnce)
{
    const struct {
        const char* what;
        SqliteEngineFault fault;
        const char* told;
    } cases[] = {
        {"a failed read, the statement undone", {SQLITE_IOERR, FailureUndoes::Statement}, "disk I/O error"},
        {"a full disk, the transaction undone", {SQLITE_FULL, FailureUndoes::Transaction}, "database or disk is full"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        int failAt = 1;
        for (bool failed = true; failed; ++failAt) {
            SCOPED_TRACE("failing the engine call " + std::to_string(failAt));
            const std::string text = "copy " + std::to_string(failAt);
            PutText(text);
            const HistoryRows before = Rows();
            g_boxes.clear();
            {
                SqliteEngineFaultScope faults(failAt, c.fault);
                CaptureNow();
                failed = faults.Failed();
            }
            ShowNotedFailures();
            EXPECT_TRUE(database.GetAutocommit()) << "the capture's transaction was left open";
            const HistoryRows after = Rows();
            if (StoredOver(before, after, text)) {
                EXPECT_TRUE(g_boxes.empty()) << "stored, and told as failed: " << g_boxes[0].text;
            } else {
                EXPECT_TRUE(failed) << "not stored although nothing failed";
                EXPECT_EQ(after.size(), before.size());
                EXPECT_TRUE(after == before) << "a part of the failed capture was kept";
                EXPECT_EQ(g_boxes.size(), 1u) << "the lost capture was told " << g_boxes.size() << " times";
                if (!g_boxes.empty())
                    EXPECT_EQ(g_boxes[0].text, c.told);
            }
            ExpectStored("after " + text);
        }
        EXPECT_GT(failAt, 2) << "the capture made no engine call that could fail";
    }
}

} // namespace
