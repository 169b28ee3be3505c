// The platform calls of the desktop that a test replaces: the shell's icon call (to see the record
// the shell receives, or to make the shell refuse), the top-level window search (to put a
// notification area of the test's own in place of the shell's), and the in-memory loader's memory
// and library calls (to watch them or make one fail). Each entry is named and typed as the call it
// stands for and starts as that call.
#pragma once

#include <windows.h>
#include <shellapi.h>

struct DesktopSystemCalls {
    decltype(&::Shell_NotifyIconA) Shell_NotifyIconA = ::Shell_NotifyIconA;
    decltype(&::FindWindowA) FindWindowA = ::FindWindowA;
    decltype(&::VirtualAlloc) VirtualAlloc = ::VirtualAlloc;
    decltype(&::VirtualFree) VirtualFree = ::VirtualFree;
    decltype(&::LoadLibraryA) LoadLibraryA = ::LoadLibraryA;
    decltype(&::GetProcAddress) GetProcAddress = ::GetProcAddress;
};

inline DesktopSystemCalls g_desktopSystemCalls;
