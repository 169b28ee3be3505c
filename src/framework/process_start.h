// Starting a program hidden and waiting for it to end.
#pragma once

#include <string>

// Starts `commandLine` (the program found by the usual search for a command line's first word)
// with its window hidden and waits, without a time limit, until it ends. True when it started;
// its exit code is not read.
bool RunHiddenAndWait(const std::string& commandLine) noexcept;

// As RunHiddenAndWait, but runs exactly the file `program` (a full path: no search of the
// program's or the current folder); the command line is the quoted `program`, a blank and
// `arguments`.
bool RunProgramHiddenAndWait(const std::string& program, const std::string& arguments) noexcept;
