// The allocation behind a captured picture, as a table a test replaces to make it fail the way a
// picture too large for the process's memory does.
#pragma once

#include <cstddef>

#include "framework/byte_set.h"

// `size` zero bytes; raises std::bad_alloc when they cannot be had.
inline ByteSet AllocateZeroedBytes(std::size_t size) { return ByteSet(size); }

struct ClipboardReaderCalls {
    ByteSet (*AllocateImage)(std::size_t size) = AllocateZeroedBytes;  // the BMP image of a bitmap
};

inline ClipboardReaderCalls g_clipboardReaderCalls;

// Puts the real allocation back (tests that replaced it call it when done).
inline void ResetClipboardReaderCalls() noexcept { g_clipboardReaderCalls = ClipboardReaderCalls(); }
