#include "process_memory.h"

#include <psapi.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string ReadUnixFile(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        text.append(buffer, read);
    CloseHandle(file);
    return text;
}

// The number after "<field>:" in a /proc status text, in kB; 0 when missing.
std::uint64_t StatusField(const std::string& status, const char* field)
{
    std::size_t at = status.find(std::string(field) + ":");
    return at == std::string::npos ? 0 : std::strtoull(status.c_str() + at + std::strlen(field) + 1, nullptr, 10);
}

unsigned FindUnixProcess(const char* exeName)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    unsigned pid = 0;
    do {
        unsigned candidate = std::strtoul(found.cFileName, nullptr, 10);
        if (candidate == 0)
            continue;
        std::string command = ReadUnixFile("Z:\\proc\\" + std::string(found.cFileName) + "\\cmdline");
        for (char& c : command)
            c = c == '\0' ? ' ' : c;
        if (command.find(exeName) != std::string::npos && command.find("memory_feeder") == std::string::npos)
            pid = candidate;
    } while (pid == 0 && FindNextFileA(search, &found));
    FindClose(search);
    return pid;
}

} // namespace

ProcessMemory::ProcessMemory(DWORD windowsPid, const char* exeName)
    : unixPid_(FindUnixProcess(exeName)),
      process_(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, windowsPid))
{
}

ProcessMemory::~ProcessMemory()
{
    if (process_)
        CloseHandle(process_);
}

MemoryReading ProcessMemory::Read() const
{
    MemoryReading reading;
    if (unixPid_) {
        const std::string status = ReadUnixFile("Z:\\proc\\" + std::to_string(unixPid_) + "\\status");
        reading.residentKb = StatusField(status, "VmRSS");
        reading.privateKb = StatusField(status, "RssAnon") + StatusField(status, "VmSwap");
    }
    // Wine answers this for other processes with zeroes; on Windows it is the real figure.
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (process_ && GetProcessMemoryInfo(process_, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters) &&
        counters.PrivateUsage > 0)
        reading.privateKb = counters.PrivateUsage / 1024;
    return reading;
}
