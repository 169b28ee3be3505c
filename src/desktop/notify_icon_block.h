// NotifyIconBlock: the 488-byte NOTIFYICONDATAA that every Shell_NotifyIconA call of the tray icon
// class passes (the layout that ends with dwInfoFlags), independent of the platform header's
// version switches, which would add the GUID and the balloon icon.
#pragma once

#include <windows.h>

#include <cstddef>

struct NotifyIconBlock {
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    char szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    char szInfo[256];
    UINT uTimeout;
    char szInfoTitle[64];
    DWORD dwInfoFlags;
};

static_assert(sizeof(void*) == 4, "the tray record is laid out for 32-bit handles");
static_assert(sizeof(NotifyIconBlock) == 488);
static_assert(offsetof(NotifyIconBlock, hIcon) == 20);
static_assert(offsetof(NotifyIconBlock, szTip) == 24);
static_assert(offsetof(NotifyIconBlock, dwState) == 152);
static_assert(offsetof(NotifyIconBlock, dwStateMask) == 156);
static_assert(offsetof(NotifyIconBlock, szInfo) == 160);
static_assert(offsetof(NotifyIconBlock, uTimeout) == 416);
static_assert(offsetof(NotifyIconBlock, szInfoTitle) == 420);
static_assert(offsetof(NotifyIconBlock, dwInfoFlags) == 484);
