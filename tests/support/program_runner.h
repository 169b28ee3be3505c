// ProgramRunner: starts a copy of chengjian.exe in a folder of the test's own and finds its windows,
// so that a test can drive the program as a user would and read how it ended.
#pragma once

#include <windows.h>

#include <string>

class ProgramRunner {
public:
    // Copies chengjian.exe and sqlite3.dll from the test program's folder into `folder`.
    explicit ProgramRunner(const std::string& folder);
    ~ProgramRunner();
    ProgramRunner(const ProgramRunner&) = delete;
    ProgramRunner& operator=(const ProgramRunner&) = delete;

    bool Start();
    // A visible top-level window of the program whose class is `className` (any when null) and,
    // when given, whose caption is `caption`; null after `timeoutMs`.
    HWND WaitForWindow(const char* className, const char* caption, DWORD timeoutMs = 60000) const;
    // The program's exit code once it has ended; STILL_ACTIVE when it has not within `timeoutMs`.
    DWORD WaitForExit(DWORD timeoutMs = 60000) const;
    DWORD ProcessId() const { return process_.dwProcessId; }

private:
    std::string folder_;
    PROCESS_INFORMATION process_ = {};
};

// The text and caption of a message box window, and a click on its OK button.
std::string MessageBoxText(HWND box);
std::string WindowCaption(HWND window);
void PressOk(HWND box);
