// The calls of the core that a test replaces: the event creation behind the single-instance check
// (to act as if another instance had started first) and the allocation behind a captured picture
// (to fail the way a picture too large for the process's memory does). Platform calls are named
// and typed as the platform's and start as them.
#pragma once

#include <windows.h>

#include <cstddef>

#include "framework/byte_set.h"

// `size` zero bytes; raises std::bad_alloc when they cannot be had.
inline ByteSet AllocateZeroedBytes(std::size_t size) { return ByteSet(size); }

struct CoreSystemCalls {
    decltype(&::CreateEventA) CreateEventA = ::CreateEventA;
    ByteSet (*AllocateImage)(std::size_t size) = AllocateZeroedBytes;  // the BMP image of a bitmap
};

inline CoreSystemCalls g_coreSystemCalls;
