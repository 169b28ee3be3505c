// Owners of what a clipboard read takes for its duration: the open clipboard, a locked global
// block, the screen's device context and a memory device context. Each gives back exactly what
// it took, and nothing when taking failed.
#pragma once

#include <windows.h>

// The clipboard opened for this thread; closed again only when this owner opened it.
class OpenedClipboard {
public:
    explicit OpenedClipboard(HWND owner) noexcept : open_(OpenClipboard(owner) != FALSE) {}
    ~OpenedClipboard() { Close(); }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;

    bool IsOpen() const noexcept { return open_; }
    // Closes early (a clipboard handle must not be used afterwards).
    void Close() noexcept
    {
        if (open_)
            CloseClipboard();
        open_ = false;
    }

private:
    bool open_;
};

// A global memory block locked for reading; unlocked when the owner ends. The block itself is
// not freed: it belongs to whoever gave its handle.
class LockedGlobal {
public:
    explicit LockedGlobal(HGLOBAL block) noexcept : block_(block), data_(block ? GlobalLock(block) : nullptr) {}
    ~LockedGlobal()
    {
        if (data_)
            GlobalUnlock(block_);
    }
    LockedGlobal(const LockedGlobal&) = delete;
    LockedGlobal& operator=(const LockedGlobal&) = delete;

    // Null when the handle was null or the lock failed.
    const void* Data() const noexcept { return data_; }
    SIZE_T Size() const noexcept { return data_ ? GlobalSize(block_) : 0; }

private:
    HGLOBAL block_;
    void* data_;
};

// The screen's device context (GetDC with no window), released when the owner ends.
class ScreenDc {
public:
    ScreenDc() noexcept : dc_(GetDC(nullptr)) {}
    ~ScreenDc()
    {
        if (dc_)
            ReleaseDC(nullptr, dc_);
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;

    HDC Get() const noexcept { return dc_; }

private:
    HDC dc_;
};

// A memory device context compatible with `dc`, deleted when the owner ends.
class MemoryDc {
public:
    explicit MemoryDc(HDC dc) noexcept : dc_(CreateCompatibleDC(dc)) {}
    ~MemoryDc()
    {
        if (dc_)
            DeleteDC(dc_);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;

    HDC Get() const noexcept { return dc_; }

private:
    HDC dc_;
};
