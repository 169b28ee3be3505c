// The platform's file calls behind the file writes, as a table a test replaces to make one of them
// fail (a read-only folder, a full disk, a move that is refused) and see what is left on disk.
#pragma once

#include <windows.h>

struct FileSystemCalls {
    HANDLE(WINAPI* CreateFileA)(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                DWORD disposition, DWORD attributes, HANDLE templateFile) = ::CreateFileA;
    BOOL(WINAPI* WriteFile)(HANDLE file, LPCVOID bytes, DWORD count, LPDWORD written,
                            LPOVERLAPPED overlapped) = ::WriteFile;
    BOOL(WINAPI* MoveFileExA)(LPCSTR from, LPCSTR to, DWORD flags) = ::MoveFileExA;
};

inline FileSystemCalls g_fileSystemCalls;

// Puts the platform's own functions back (tests that replaced entries call it when done).
inline void ResetFileSystemCalls() noexcept { g_fileSystemCalls = FileSystemCalls(); }
