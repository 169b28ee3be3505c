// The framework's allocator, offered to libraries through its service function.
#include "framework/runtime_service.h"

#include <windows.h>

void* __stdcall RuntimeService(std::uint32_t request, void* block, std::uint32_t size) noexcept
{
    if (request == kRuntimeAllocate)
        return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size == 0 ? 1 : size);
    if (request == kRuntimeFree && block != nullptr)
        HeapFree(GetProcessHeap(), 0, block);
    return nullptr;
}
