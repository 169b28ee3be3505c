// A small top-level window of a class of the test's own, for a test that needs a window to receive
// messages: a clipboard viewer, a window with messages waiting, an owner.
#pragma once

#include <windows.h>

// The class is registered by the first call that names it; later calls with that name get a window
// of the same class, so one name goes with one procedure.
inline HWND MakeTestWindow(const char* className, WNDPROC procedure)
{
    WNDCLASSA description = {};
    description.lpfnWndProc = procedure;
    description.hInstance = GetModuleHandleA(nullptr);
    description.lpszClassName = className;
    RegisterClassA(&description);
    return CreateWindowExA(0, className, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleA(nullptr),
                           nullptr);
}
