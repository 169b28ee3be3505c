// Starting a program by its command line.
#pragma once

#include <string>

// Starts `commandLine` (the program found by the usual search for a command line's first word)
// with its window hidden and waits, without a time limit, until it ends. True when it started;
// its exit code is not read.
bool RunHiddenAndWait(const std::string& commandLine) noexcept;
