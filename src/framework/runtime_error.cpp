#include "framework/runtime_error.h"

#include <windows.h>

void ReportRuntimeError(const std::string& text) noexcept
{
    MessageBoxA(nullptr, text.c_str(), "运行时错误", MB_OK | MB_ICONERROR | MB_TASKMODAL);
    ExitProcess(1);
}
