// The bitmaps the picture decoders hand out: the size limit every decoder applies before it
// allocates and the 32-bit top-down DIB section that the PCX, WIC and GIF code paint into (a
// bitmap under construction is held by a UniqueBitmap).
#pragma once

#include <windows.h>

#include <cstdint>

#include "framework/unique_resource.h"

// The largest side and the largest pixel count a picture may claim. A header that claims more is
// treated as damaged: a 32-bit process could not hold the pixels, and a small file that claims a
// huge picture must not make us allocate it. (An uncompressed BMP, whose pixels are all in the
// file, is held to the side limit only.)
constexpr long kMaxPictureSide = 32767;
constexpr std::uint64_t kMaxPicturePixels = std::uint64_t{1} << 26;

// True when a picture of width x height pixels is positive and within both limits.
bool PictureSizeAllowed(std::int64_t width, std::int64_t height) noexcept;

// A 32-bit top-down DIB section of width x height; `pixels` receives its first pixel (rows of
// `width` 0x00RRGGBB words, no padding). Null, with `pixels` null, when the size is
// not allowed or the section cannot be made. The caller owns the bitmap.
HBITMAP CreateCanvasDib(int width, int height, std::uint32_t** pixels) noexcept;
