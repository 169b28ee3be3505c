#include "core/capture_timing.h"

#include <psapi.h>

#include <cstdio>

namespace {

CaptureStamps g_current;
// The working set once the last capture was shown (or timing began): what the next capture starts
// from, read outside the capture so that reading it is not timed as part of one.
SIZE_T g_idleWorkingSet = 0;

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
        FILE* opened = length > 0 && length < MAX_PATH ? std::fopen(path, "a") : nullptr;
        if (opened)
            g_idleWorkingSet = MemoryNow().WorkingSetSize;
        return opened;
    }();
    return file;
}

} // namespace

void CaptureStamps::Mark(CapturePhase phase) noexcept
{
    if (!TimesFile())
        return;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    marks[static_cast<int>(phase)] = now.QuadPart;
    if (phase == CapturePhase::Start)
        startWorkingSet = g_idleWorkingSet;
    if (phase == CapturePhase::Trim)
        storedPeak = MemoryNow().PeakWorkingSetSize;
}

CaptureStamps& CurrentCaptureStamps() noexcept { return g_current; }

void MarkCapturePhase(CapturePhase phase) noexcept { g_current.Mark(phase); }

void FinishCaptureTiming() noexcept
{
    FILE* file = TimesFile();
    if (!file)
        return;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::fprintf(file, "capture %lld", frequency.QuadPart);
    for (LONGLONG mark : g_current.marks)
        std::fprintf(file, " %lld", mark);
    std::fprintf(file, " %lu %lu %lu\n", static_cast<unsigned long>(g_current.startWorkingSet),
                 static_cast<unsigned long>(g_current.storedPeak),
                 static_cast<unsigned long>(MemoryNow().PeakWorkingSetSize));
    std::fflush(file);
    g_current = CaptureStamps();
    g_idleWorkingSet = MemoryNow().WorkingSetSize;
}
