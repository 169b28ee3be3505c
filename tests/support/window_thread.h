// WindowThread: a top-level window made on a thread of its own that runs a message loop, as another
// program's window does, so that what is sent to it (a restore, a clipboard-chain notice) is
// answered while the test's own thread waits.
#pragma once

#include <windows.h>

#include <functional>
#include <thread>

#include "framework/unique_resource.h"

class WindowThread {
public:
    // `made` runs on the window's thread right after the window is made, `ending` there just before
    // it is destroyed.
    explicit WindowThread(DWORD style, std::function<void(HWND)> made = {}, std::function<void(HWND)> ending = {})
    {
        UniqueHandle ready(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        thread_ = std::thread([this, style, ready = ready.get(), made, ending] {
            window_ = CreateWindowExA(0, "STATIC", "window thread", style, 0, 0, 100, 100, nullptr, nullptr,
                                      nullptr, nullptr);
            if (made)
                made(window_);
            threadId_ = GetCurrentThreadId();
            SetEvent(ready);
            MSG message;
            while (GetMessageA(&message, nullptr, 0, 0) > 0)
                DispatchMessageA(&message);
            if (ending)
                ending(window_);
            DestroyWindow(window_);
        });
        WaitForSingleObject(ready.get(), 10000);
    }
    ~WindowThread()
    {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    WindowThread(const WindowThread&) = delete;
    WindowThread& operator=(const WindowThread&) = delete;

    HWND Get() const { return window_; }

private:
    std::thread thread_;
    HWND window_ = nullptr;
    DWORD threadId_ = 0;
};
