// The one call by argument words: runs a routine known only by its address with a list of 32-bit
// argument words laid out as the x86 stack holds them. The loader's and skin engine's calls, the
// ActiveX host's handlers and members, and the database bridges' calls of the caller's routines
// are thin wrappers over it.
#pragma once

#include <cstdint>

// Calls `function` with words[0] as its first argument and words[count - 1] as its last, and
// gives the 64-bit result of edx:eax. The stack pointer is taken back from CallWithWords's own
// frame afterwards, so the routine may remove its arguments (__stdcall) or leave them (__cdecl);
// ebx, esi and edi are kept for a routine that does not keep them. The routine is entered with
// esp + 4 a multiple of 16, as GCC's i386 code assumes, whatever the caller's alignment and the
// count. `function` must not be 0.
extern "C" std::uint64_t __cdecl CallWithWords(std::uintptr_t function, const std::uint32_t* words,
                                               std::uint32_t count) noexcept;
// The same call for a routine that returns a float or a double: an x86 routine leaves such a
// result in st(0), on the x87 stack, not in edx:eax. Gives that value and takes it off the stack,
// which would otherwise fill up after eight calls. A routine that leaves nothing in st(0) gives NaN.
extern "C" double __cdecl CallWithWordsFloating(std::uintptr_t function, const std::uint32_t* words,
                                                std::uint32_t count) noexcept;
