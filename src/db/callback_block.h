// Heap blocks that carry a caller's routine and value through an engine callback
// (ExecCallbackBlock: routine, user value; SqlCallbackBlock: five 32-bit fields).
#pragma once

#include <cstdint>

// A zero-filled block of `size` bytes from the process heap; null when the heap cannot supply it.
void* AllocCallbackBlock(std::uint32_t size) noexcept;
// Gives a block from AllocCallbackBlock back to the process heap (null: nothing).
void FreeCallbackBlock(void* block) noexcept;
// Writes / reads the 32-bit value at `offset` bytes into `block`.
void StoreDwordAt(void* block, std::uint32_t offset, std::uint32_t value) noexcept;
std::uint32_t ReadDwordAt(const void* block, std::uint32_t offset) noexcept;
