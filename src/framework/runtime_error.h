// The framework's run-time error report: for faults the program cannot go on from (a missing
// library or function). Shows the text in a task-modal box and ends the process with exit code 1.
#pragma once

#include <string>

[[noreturn]] void ReportRuntimeError(const std::string& text) noexcept;
