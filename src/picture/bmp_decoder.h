// Our own decoder of BMP files held in memory (Windows 3 and later headers; 1, 4, 8, 16, 24 and
// 32 bits per pixel; uncompressed, bit fields, RLE8 and RLE4), bounded by the file's byte count.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>

// A DIB section holding the pixels of the BMP file `file`, at the file's own bit depth (RLE
// pictures at 8 bits) with its colour table; null for a damaged, truncated or unsupported file
// or one that claims a picture larger than the decoders allow. Every header field, the colour
// table and the pixel data are checked against the file's length before they are read; nothing
// past `file` is touched. The caller owns the bitmap.
HBITMAP DecodeBmp(std::span<const std::uint8_t> file) noexcept;
