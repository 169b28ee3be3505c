// How many x87 registers hold a value. Between calls the i386 ABI leaves the x87 stack empty; a
// floating result left behind by every call fills the stack after eight calls, and from then on
// each load gives the indefinite NaN.
#pragma once

#include <cstdint>

inline int X87Depth()
{
    // The environment's first three 32-bit fields hold the control, status and tag words; storing
    // it masks every exception, so it is loaded straight back.
    std::uint32_t environment[7] = {};
    asm volatile("fnstenv %0\n\tfldenv %0" : "+m"(environment));
    const std::uint32_t tags = environment[2] & 0xFFFF;
    int depth = 0;
    for (int reg = 0; reg < 8; ++reg)
        depth += ((tags >> (2 * reg)) & 3) != 3 ? 1 : 0;
    return depth;
}
