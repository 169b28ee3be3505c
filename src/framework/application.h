// The application: the program's run directory, the exit routine, ending the program, and the
// message loop that runs until no form window is left.
#pragma once

#include <string>

using ExitRoutineFunction = void (*)();

// Registers the routine that runs once when the program ends, whichever way it ends: also the
// end of the user's session that a form receives, which from then on ends through EndProgram.
void RegisterExitRoutine(ExitRoutineFunction routine) noexcept;

// Closes every form, runs the exit routine and ends the process with `exitCode`.
[[noreturn]] void EndProgram(unsigned exitCode) noexcept;

// Dispatches window messages until the last form window is gone; returns 0.
int RunMessageLoop() noexcept;

// Dispatches the window messages that are waiting now, then returns (a quit request stays queued).
void ProcessPendingMessages() noexcept;

// Folder of the running executable, without a trailing "\".
std::string RunDirectory();
