#include "db/callback_block.h"

#include <windows.h>

#include <cstring>

namespace {

void* HeapAllocZeroed(std::uint32_t size) { return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size); }

CallbackBlockAllocator g_allocator = HeapAllocZeroed;
CallbackBlockFreeHook g_freeHook = nullptr;

} // namespace

void* AllocCallbackBlock(std::uint32_t size) noexcept { return g_allocator(size); }

void FreeCallbackBlock(void* block) noexcept
{
    if (!block)
        return;
    if (g_freeHook)
        g_freeHook(block);
    HeapFree(GetProcessHeap(), 0, block);
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

void SetCallbackBlockAllocator(CallbackBlockAllocator allocator) noexcept
{
    g_allocator = allocator ? allocator : HeapAllocZeroed;
}

void SetCallbackBlockFreeHook(CallbackBlockFreeHook hook) noexcept { g_freeHook = hook; }
