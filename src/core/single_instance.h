// Only one instance of the program runs at a time, found by a named event.
#pragma once

#include <windows.h>

#include <string>

// Returns only when no other instance holds the event named `name`; otherwise tells the user,
// brings the running instance's window to the front and ends the program.
void EnsureSingleInstance(std::string* name, bool showMessage, std::string* message, UINT boxStyle, bool activate);
