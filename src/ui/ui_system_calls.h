// The platform calls of the windows that a test replaces: the shell's open calls (to see what the
// window hands to the shell without starting another program; files go by UTF-16 name, and the
// tests keep the GBK call replaced to see that nothing goes through it), and
// the picture box's animation timer (to see the delay each frame asks for). Named and typed as the
// platform's.
#pragma once

#include <windows.h>
#include <shellapi.h>

struct UiSystemCalls {
    decltype(&::ShellExecuteA) ShellExecuteA = ::ShellExecuteA;
    decltype(&::ShellExecuteW) ShellExecuteW = ::ShellExecuteW;
    decltype(&::SetTimer) SetTimer = ::SetTimer;
    decltype(&::KillTimer) KillTimer = ::KillTimer;
};

inline UiSystemCalls g_uiSystemCalls;
