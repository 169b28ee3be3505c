// Only one instance of the program runs at a time. The first creates a named event and keeps it
// until its process ends; a later start finds the event, tells the user, brings the running
// instance's main window (g_runningInstanceWindow) to the front and ends.
#pragma once

#include <windows.h>

#include <string>

// Returns only when no other process holds the event named `*name`, after creating that event
// (auto-reset, not signalled; its handle is never closed). Creating it is the test, so of two
// starts at the same moment only one goes on. Otherwise, when `showMessage`, shows
// `*message` (default "对不起,该进程已打开!") with `boxStyle` and the caption "砚岚提示"; when
// `activate`, restores and activates g_runningInstanceWindow; then ends the program with exit
// code 0. Each argument is optional: a null or empty name becomes DefaultInstanceName (written
// back to `*name` when given), a null message the default one.
void EnsureSingleInstance(std::string* name = nullptr, bool showMessage = false, std::string* message = nullptr,
                          UINT boxStyle = 0, bool activate = false);

// The name used when the caller gives none: the lower-case MD5 of the GBK bytes of
// "你懒得输入，我就写死，略略".
std::string DefaultInstanceName();
