// The memory of another process as the benchmark reports it: resident set size as Linux counts it
// (read from /proc through Wine's Z: drive, what `ps` shows) and private bytes: what Windows reports,
// or under Wine, which reports none for another process, the process's anonymous resident and
// swapped memory.
#pragma once

#include <windows.h>

#include <cstdint>

struct MemoryReading {
    std::uint64_t residentKb = 0;
    std::uint64_t privateKb = 0;
};

class ProcessMemory {
public:
    // Finds the Linux process running `exeName` (its command line names it) and opens the Windows
    // process `windowsPid` for its counters.
    ProcessMemory(DWORD windowsPid, const char* exeName);
    ~ProcessMemory();
    ProcessMemory(const ProcessMemory&) = delete;
    ProcessMemory& operator=(const ProcessMemory&) = delete;

    bool Found() const { return unixPid_ != 0; }
    MemoryReading Read() const;

private:
    unsigned unixPid_ = 0;
    HANDLE process_ = nullptr;
};
