// The history writer on its own, with stand-in steps: entries are stored on another thread and
// shown on this one, both in the order queued, each shown only once stored; a notice queued while
// the writer is busy is not held up; finishing stores and shows everything queued.
#include "core/capture_writer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

// What the stand-in steps saw, in the order they saw it.
struct Log {
    std::vector<std::string> stored, shown;
    std::vector<DWORD> storeThreads, showThreads;
    std::vector<bool> shownStored;  // the entry's own "stored" mark, as its show found it
    std::vector<DWORD> endThreads;  // where the writer's ending ran
    std::vector<size_t> storedWhenEnded;
    DWORD storeMs = 0;
};
Log g_log;
std::atomic<int> g_storedCount{0};

void StoreSlowly(QueuedCapture& capture) noexcept
{
    Sleep(g_log.storeMs);
    g_log.stored.push_back(capture.entry.text);
    g_log.storeThreads.push_back(GetCurrentThreadId());
    capture.failed = false;
    capture.failure = "stored";
    ++g_storedCount;
}

void Show(QueuedCapture& capture) noexcept
{
    g_log.shown.push_back(capture.entry.text);
    g_log.showThreads.push_back(GetCurrentThreadId());
    g_log.shownStored.push_back(capture.failure == "stored");
}

void Ended() noexcept
{
    g_log.endThreads.push_back(GetCurrentThreadId());
    g_log.storedWhenEnded.push_back(g_log.stored.size());
}

QueuedCapture Entry(int i)
{
    QueuedCapture capture;
    capture.entry.text = "entry " + std::to_string(i);
    return capture;
}

std::vector<std::string> Entries(int count)
{
    std::vector<std::string> texts;
    for (int i = 0; i < count; ++i)
        texts.push_back("entry " + std::to_string(i));
    return texts;
}

void PumpUntilShown(size_t count, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (g_log.shown.size() < count && GetTickCount() - start < timeoutMs) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        Sleep(1);
    }
}

class CaptureWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_log = Log();
        g_storedCount = 0;
    }
};

TEST_F(CaptureWriterTest, EntriesAreStoredElsewhereAndShownHereInTheOrderQueued)
{
    g_log.storeMs = 20;
    CaptureWriter writer(StoreSlowly, Show);
    constexpr int kCount = 15;
    DWORD start = GetTickCount();
    for (int i = 0; i < kCount; ++i)
        writer.Queue(Entry(i));
    EXPECT_LT(GetTickCount() - start, kCount * g_log.storeMs / 2) << "queueing waited for the stores";
    PumpUntilShown(kCount, 20000);
    EXPECT_EQ(g_log.stored, Entries(kCount));
    EXPECT_EQ(g_log.shown, Entries(kCount));
    for (int i = 0; i < kCount; ++i) {
        EXPECT_NE(g_log.storeThreads[i], GetCurrentThreadId()) << i;
        EXPECT_EQ(g_log.showThreads[i], GetCurrentThreadId()) << i;
        EXPECT_TRUE(g_log.shownStored[i]) << i << " was shown before it was stored";
    }
}

TEST_F(CaptureWriterTest, FinishingStoresAndShowsEverythingQueued)
{
    g_log.storeMs = 30;
    CaptureWriter writer(StoreSlowly, Show, Ended);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        g_log = Log();
        g_log.storeMs = 30;
        for (int i = 0; i < 8; ++i)
            writer.Queue(Entry(i));
        // No message loop runs: finishing alone brings every entry through, as at exit.
        writer.Finish();
        EXPECT_EQ(g_log.stored, Entries(8));
        EXPECT_EQ(g_log.shown, Entries(8));
        // The writer's ending ran once, on its own thread, after the last store.
        ASSERT_EQ(g_log.endThreads.size(), 1u);
        EXPECT_EQ(g_log.endThreads[0], g_log.storeThreads.back());
        EXPECT_EQ(g_log.storedWhenEnded[0], 8u);
    }
    // Wake-ups left in the queue from before find nothing more to show.
    PumpUntilShown(9, 200);
    EXPECT_EQ(g_log.shown.size(), 8u);
}

TEST_F(CaptureWriterTest, ADestroyedWriterHasStoredWhatWasQueued)
{
    g_log.storeMs = 10;
    {
        CaptureWriter writer(StoreSlowly, Show);
        for (int i = 0; i < 5; ++i)
            writer.Queue(Entry(i));
    }
    EXPECT_EQ(g_storedCount.load(), 5);
    EXPECT_EQ(g_log.shown, Entries(5));
}

} // namespace
