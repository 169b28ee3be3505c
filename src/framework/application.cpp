#include "framework/application.h"

#include <windows.h>

#include "framework/form.h"

namespace {

ExitRoutineFunction g_exitRoutine = nullptr;

void RunExitRoutineOnce() noexcept
{
    ExitRoutineFunction routine = g_exitRoutine;
    g_exitRoutine = nullptr;
    if (routine)
        routine();
}

} // namespace

void RegisterExitRoutine(ExitRoutineFunction routine) noexcept
{
    g_exitRoutine = routine;
    Form::SetProgramEnd(EndProgram);
}

void EndProgram(unsigned exitCode) noexcept
{
    Form::DestroyAll();
    RunExitRoutineOnce();
    ExitProcess(exitCode);
}

int RunMessageLoop() noexcept
{
    MSG message;
    while (Form::OpenCount() > 0 && GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    RunExitRoutineOnce();
    return 0;
}

void ProcessPendingMessages() noexcept
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

std::string RunDirectory()
{
    // Found in UTF-16: a GBK trail byte can equal "\\", so the ANSI path cannot be split by bytes.
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    while (length > 0 && path[length - 1] != L'\\' && path[length - 1] != L'/')
        --length;
    if (length > 0)
        --length;
    int bytes = WideCharToMultiByte(CP_ACP, 0, path, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string directory(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, path, static_cast<int>(length), directory.data(), bytes, nullptr, nullptr);
    return directory;
}
