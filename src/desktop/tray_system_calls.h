// The platform calls of the tray icon class that a test replaces: the shell's icon call (to see the
// record the shell receives, or to make the shell refuse) and the top-level window search (to put
// a notification area of the test's own in place of the shell's).
#pragma once

#include <windows.h>
#include <shellapi.h>

struct TraySystemCalls {
    BOOL(WINAPI* Shell_NotifyIconA)(DWORD message, PNOTIFYICONDATAA data) = ::Shell_NotifyIconA;
    HWND(WINAPI* FindWindowA)(LPCSTR className, LPCSTR windowName) = ::FindWindowA;
};

inline TraySystemCalls g_traySystemCalls;
