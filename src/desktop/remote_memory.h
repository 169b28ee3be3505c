// Memory in another process, for toolbar messages whose answers the toolbar writes into its own
// process's memory: open the process, place a copy of some bytes there, free it, close the process.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// The process of `windowOrProcessId`: the window's process when the value is a window, otherwise
// the value taken as a process id. Null on failure (and for 0). The caller closes the handle.
HANDLE OpenWindowProcess(std::uintptr_t windowOrProcessId) noexcept;
// A new PAGE_EXECUTE_READWRITE block in `process` holding a copy of `size` bytes at `bytes`; null
// when it cannot be allocated or written (a block that could not be written is freed again). The
// caller frees it with FreeRemoteMemory.
void* WriteRemoteCopy(HANDLE process, const void* bytes, std::size_t size) noexcept;
bool FreeRemoteMemory(HANDLE process, void* address) noexcept;
bool CloseProcessHandle(HANDLE process) noexcept;
