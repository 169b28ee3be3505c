// Calls a routine with a list of 32-bit argument words laid out as the x86 stack holds them, for
// handlers and members whose argument lists are only known at run time.
#pragma once

#include <cstdint>

// Calls `function` with words[0] as its first argument and words[count - 1] as its last; gives
// the 64-bit result of edx:eax. The stack pointer is restored after the call, so the routine may
// remove its arguments (__stdcall) or leave them (__cdecl).
extern "C" std::uint64_t __cdecl CallWithWords(std::uintptr_t function, const std::uint32_t* words,
                                               std::uint32_t count) noexcept;
