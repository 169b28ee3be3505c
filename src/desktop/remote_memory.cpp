#include "desktop/remote_memory.h"

HANDLE OpenWindowProcess(std::uintptr_t windowOrProcessId) noexcept
{
    DWORD processId = static_cast<DWORD>(windowOrProcessId);
    const HWND window = reinterpret_cast<HWND>(windowOrProcessId);
    if (window && IsWindow(window))
        GetWindowThreadProcessId(window, &processId);
    if (processId == 0)
        return nullptr;
    return OpenProcess(0x1F0FFF, FALSE, processId);
}

void* WriteRemoteCopy(HANDLE process, const void* bytes, std::size_t size) noexcept
{
    if (!process || size == 0)
        return nullptr;
    void* remote = VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_EXECUTE_READWRITE);
    if (!remote)
        return nullptr;
    if (!WriteProcessMemory(process, remote, bytes, size, nullptr)) {
        FreeRemoteMemory(process, remote);
        return nullptr;
    }
    return remote;
}

bool FreeRemoteMemory(HANDLE process, void* address) noexcept
{
    return VirtualFreeEx(process, address, 0, MEM_RELEASE) != FALSE;
}

bool CloseProcessHandle(HANDLE process) noexcept
{
    return CloseHandle(process) != FALSE;
}
