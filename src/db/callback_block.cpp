#include "db/callback_block.h"

#include <windows.h>

#include <cstring>

#include "db/db_system_calls.h"

void* AllocCallbackBlock(std::uint32_t size) noexcept
{
    return g_dbSystemCalls.HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size);
}

void FreeCallbackBlock(void* block) noexcept
{
    if (!block)
        return;
    g_dbSystemCalls.HeapFree(GetProcessHeap(), 0, block);
}

void StoreDwordAt(void* block, std::uint32_t offset, std::uint32_t value) noexcept
{
    std::memcpy(static_cast<char*>(block) + offset, &value, sizeof value);
}

std::uint32_t ReadDwordAt(const void* block, std::uint32_t offset) noexcept
{
    std::uint32_t value;
    std::memcpy(&value, static_cast<const char*>(block) + offset, sizeof value);
    return value;
}
