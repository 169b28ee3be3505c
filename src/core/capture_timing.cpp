#include "core/capture_timing.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>

namespace {

constexpr int kPhases = static_cast<int>(CapturePhase::Count);
LONGLONG g_marks[kPhases] = {};
SIZE_T g_startWorkingSet = 0;
SIZE_T g_storedPeak = 0;

PROCESS_MEMORY_COUNTERS MemoryNow() noexcept
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

// The file named by the environment, opened once; null when timing is off.
FILE* TimesFile() noexcept
{
    static FILE* file = [] {
        char path[MAX_PATH] = {};
        DWORD length = GetEnvironmentVariableA("CHENGJIAN_CAPTURE_TIMES", path, MAX_PATH);
        return length > 0 && length < MAX_PATH ? std::fopen(path, "a") : nullptr;
    }();
    return file;
}

} // namespace

void MarkCapturePhase(CapturePhase phase) noexcept
{
    if (!TimesFile())
        return;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    g_marks[static_cast<int>(phase)] = now.QuadPart;
    if (phase == CapturePhase::Start)
        g_startWorkingSet = MemoryNow().WorkingSetSize;
    if (phase == CapturePhase::Trim)
        g_storedPeak = MemoryNow().PeakWorkingSetSize;
}

void FinishCaptureTiming() noexcept
{
    FILE* file = TimesFile();
    if (!file)
        return;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::fprintf(file, "capture %lld", frequency.QuadPart);
    for (LONGLONG& mark : g_marks) {
        std::fprintf(file, " %lld", mark);
        mark = 0;
    }
    std::fprintf(file, " %lu %lu %lu\n", static_cast<unsigned long>(g_startWorkingSet),
                 static_cast<unsigned long>(g_storedPeak), static_cast<unsigned long>(MemoryNow().PeakWorkingSetSize));
    std::fflush(file);
}
