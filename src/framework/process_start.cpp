#include "framework/process_start.h"

#include <windows.h>

#include <vector>

#include "framework/exception_boundary.h"
#include "framework/unique_resource.h"

namespace {

// `program` null: the command line's first word is searched for the usual way.
bool StartHiddenAndWait(const char* program, const std::string& commandLine) noexcept
{
    // CreateProcessA may write into its command line: hand it a copy of its own.
    std::vector<char> line;
    if (!RanToEnd([&] {
            line.assign(commandLine.begin(), commandLine.end());
            line.push_back('\0');
        }))
        return false;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(program, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    UniqueHandle thread(process.hThread);
    UniqueHandle started(process.hProcess);
    WaitForSingleObject(started.get(), INFINITE);
    return true;
}

} // namespace

bool RunHiddenAndWait(const std::string& commandLine) noexcept
{
    return StartHiddenAndWait(nullptr, commandLine);
}

bool RunProgramHiddenAndWait(const std::string& program, const std::string& arguments) noexcept
{
    return NoThrow(false, [&] { return StartHiddenAndWait(program.c_str(), "\"" + program + "\" " + arguments); });
}
