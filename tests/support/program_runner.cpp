#include "support/program_runner.h"

namespace {

std::string TestProgramFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\'));
}

struct WindowSearch {
    DWORD processId;
    const char* className;
    const char* caption;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window))
        return TRUE;
    char className[256] = {};
    GetClassNameA(window, className, sizeof className);
    if (search->className && lstrcmpA(className, search->className) != 0)
        return TRUE;
    if (search->caption && WindowCaption(window) != search->caption)
        return TRUE;
    search->found = window;
    return FALSE;
}

} // namespace

ProgramRunner::ProgramRunner(const std::string& folder) : folder_(folder)
{
    std::string from = TestProgramFolder();
    for (const char* file : {"chengjian.exe", "sqlite3.dll"})
        CopyFileA((from + "\\" + file).c_str(), (folder_ + "\\" + file).c_str(), FALSE);
}

ProgramRunner::~ProgramRunner()
{
    if (process_.hProcess) {
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, 10000);
        }
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
}

bool ProgramRunner::Start()
{
    std::string exe = folder_ + "\\chengjian.exe";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    return CreateProcessA(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(), &startup,
                          &process_) != FALSE;
}

HWND ProgramRunner::WaitForWindow(const char* className, const char* caption, DWORD timeoutMs) const
{
    DWORD start = GetTickCount();
    do {
        WindowSearch search = {process_.dwProcessId, className, caption, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        if (WaitForSingleObject(process_.hProcess, 100) == WAIT_OBJECT_0)
            return nullptr;
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

DWORD ProgramRunner::WaitForExit(DWORD timeoutMs) const
{
    if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

std::string WindowCaption(HWND window)
{
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string MessageBoxText(HWND box)
{
    char text[1024] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

void PressOk(HWND box)
{
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}
