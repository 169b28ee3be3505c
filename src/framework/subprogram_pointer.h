// SubprogramPointer: the address of one of the program's routines handed to Windows, the engine,
// the tray class or the ActiveX host. Such a routine takes 32-bit arguments and removes them
// itself (the Win32 calling convention, __stdcall).
#pragma once

#include <cstdint>

using SubprogramPointer = std::uintptr_t;

// True for a function type declared noexcept, in either calling convention the program's routines
// have. (The convention is part of the type: a pattern without it does not match a __stdcall one.)
template <typename Function>
inline constexpr bool kIsNoexceptFunction = false;
template <typename Result, typename... Arguments>
inline constexpr bool kIsNoexceptFunction<Result(Arguments...) noexcept> = true;
template <typename Result, typename... Arguments>
inline constexpr bool kIsNoexceptFunction<Result __stdcall(Arguments...) noexcept> = true;

// A routine that no exception leaves: the only kind that may be called from outside the
// program's C++, where an exception could not be caught.
template <typename Function>
concept NoexceptFunction = kIsNoexceptFunction<Function>;

// The routine's address. Only a noexcept routine is taken, so a handler whose body is not kept
// inside the exception edge (framework/exception_boundary.h) does not compile.
template <typename Function>
    requires NoexceptFunction<Function>
SubprogramPointer ToSubprogramPointer(Function* function) noexcept
{
    return reinterpret_cast<SubprogramPointer>(function);
}
