// ClipboardHolder: another thread keeps the clipboard open, as a program still writing its copy
// does, until the holder ends. It opens with a window of its own: Wine lets two threads that both
// give no window have the clipboard open at once.
#pragma once

#include <windows.h>

#include <thread>

class ClipboardHolder {
public:
    ClipboardHolder()
        : opened_(CreateEventA(nullptr, TRUE, FALSE, nullptr)), release_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          thread_([this] {
              HWND window = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                            nullptr);
              const bool open = OpenClipboard(window) != FALSE;
              SetEvent(opened_);
              WaitForSingleObject(release_, 10000);
              if (open)
                  CloseClipboard();
              DestroyWindow(window);
          })
    {
        WaitForSingleObject(opened_, 10000);
    }
    ~ClipboardHolder() { Release(); }
    ClipboardHolder(const ClipboardHolder&) = delete;
    ClipboardHolder& operator=(const ClipboardHolder&) = delete;

    // Closes the clipboard and waits for the thread.
    void Release()
    {
        if (!thread_.joinable())
            return;
        SetEvent(release_);
        thread_.join();
        CloseHandle(opened_);
        CloseHandle(release_);
    }

private:
    HANDLE opened_;
    HANDLE release_;
    std::thread thread_;
};
