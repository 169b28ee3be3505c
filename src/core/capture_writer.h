// The history writer: captured entries are stored on a thread of its own, one after another in
// the order they were captured, so that a clipboard notification only reads the clipboard and
// returns before the next change can come; each stored entry then goes back to the window thread
// that queued it, in the same order, to be shown there.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <list>
#include <mutex>
#include <string>
#include <thread>

#include "core/capture_timing.h"
#include "core/clipboard_capture.h"

// One entry on its way from the clipboard to the grid.
struct QueuedCapture {
    HistoryEntry entry;
    HWND owner = nullptr;     // the clipboard's owner when the entry was read
    bool failed = false;      // set by the store when the entry could not be stored
    std::string failure;      // then the text the user is told
    CaptureStamps stamps;
};

class CaptureWriter {
public:
    // `store` runs on the writer's thread for each entry in turn; `show` runs on the thread that
    // makes the writer (the window thread), from its message loop, for each stored entry in turn.
    // `stored`, when given, runs on the writer's thread as it ends (and after each store made on
    // the window thread when no thread could be had), for what the stores kept between entries.
    using Step = void (*)(QueuedCapture&) noexcept;
    using Ending = void (*)() noexcept;
    CaptureWriter(Step store, Step show, Ending stored = nullptr);
    // Finishes first, so that nothing queued is lost.
    ~CaptureWriter();
    CaptureWriter(const CaptureWriter&) = delete;
    CaptureWriter& operator=(const CaptureWriter&) = delete;

    // Window thread: hands the entry on and returns at once; the writer's thread is started when
    // none runs. Where no thread can be had, the entry is stored and shown before this returns.
    void Queue(QueuedCapture capture);
    // Window thread: waits until every queued entry has been stored, shows every stored entry not
    // shown yet, in order, and ends the writer's thread. The next Queue starts a new one.
    void Finish() noexcept;
    // True while an entry queued is not shown yet, the one being shown aside.
    bool Pending() noexcept;

private:
    void Run() noexcept;       // the writer's thread
    void ShowNext() noexcept;  // window thread: shows the oldest stored entry
    bool StartThread() noexcept;
    static LRESULT CALLBACK WakeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    Step store_;
    Ending stored_;
    Step show_;
    HWND wake_ = nullptr;  // message-only window of the window thread: told when an entry is stored
    std::mutex mutex_;
    std::condition_variable queued_;      // an entry to store, or the thread asked to end
    std::list<QueuedCapture> toStore_;    // lists, so that entries move between them without allocating
    std::list<QueuedCapture> toShow_;
    bool storing_ = false;
    bool ending_ = false;
    std::thread thread_;
};
