// The one BMP writer: a bitmap's pixels as a 24-bit bottom-up BMP file, for the capture of a
// copied picture and for saving a picture object that has no file of its own.
#pragma once

#include <windows.h>

#include <cstdint>

// The two headers in front of the pixels.
constexpr std::uint32_t kBmpHeaderSize = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
static_assert(kBmpHeaderSize == 54);

// Bytes of the 24-bit rows of a width x height bitmap, each row padded to a multiple of 4; 0 for
// an empty bitmap. An image whose file would not fit in 2 GB raises std::bad_alloc, as its
// allocation would.
std::uint32_t BmpImageSize(LONG width, LONG height);

// Writes the BMP file of `bitmap`, described by `shape`, into `file`: kBmpHeaderSize +
// BmpImageSize(shape) bytes, the headers and then the pixels. Gives the number of rows whose
// pixels were read; rows not read keep the bytes `file` held. The bitmap must not be selected
// into a device context.
int WriteBmp(HBITMAP bitmap, const BITMAP& shape, std::uint32_t imageSize, std::uint8_t* file) noexcept;
