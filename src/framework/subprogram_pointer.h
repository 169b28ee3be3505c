// SubprogramPointer: the address of one of the program's routines handed to Windows, the engine,
// the tray class or the ActiveX host. Such a routine takes 32-bit arguments and removes them
// itself (the Win32 calling convention, __stdcall).
#pragma once

#include <cstdint>

using SubprogramPointer = std::uintptr_t;

template <typename Function>
SubprogramPointer ToSubprogramPointer(Function* function)
{
    return reinterpret_cast<SubprogramPointer>(function);
}
