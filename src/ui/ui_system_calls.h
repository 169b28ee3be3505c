// The platform calls of the windows that a test replaces: the shell's open call (to see what the
// window hands to the shell without starting another program). Named and typed as the platform's.
#pragma once

#include <windows.h>
#include <shellapi.h>

struct UiSystemCalls {
    decltype(&::ShellExecuteA) ShellExecuteA = ::ShellExecuteA;
};

inline UiSystemCalls g_uiSystemCalls;
