// Full-screen pictures the benchmark puts on the clipboard: "flat" ones like a screenshot of a text
// window and "photo" ones with gradients and noise; picture `index` is always the same pixels.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

enum class PictureKind { Flat, Photo };

// Top-down 0x00RRGGBB pixels of picture `index` of `kind`.
std::vector<std::uint32_t> BenchmarkPixels(PictureKind kind, int index, int width, int height);
// A device-dependent bitmap of those pixels; the caller owns it (or hands it to the clipboard).
HBITMAP MakeBitmap(const std::vector<std::uint32_t>& pixels, int width, int height);
// A CF_DIB block (32-bit, bottom-up) of those pixels, as image programs put pictures on the
// clipboard; the caller owns it (or hands it to the clipboard). Null when memory runs out.
HGLOBAL MakeDib(const std::vector<std::uint32_t>& pixels, int width, int height);
// The pixels of `bitmap` as BenchmarkPixels gives them; empty when they cannot be read.
std::vector<std::uint32_t> ReadBitmap(HBITMAP bitmap, int width, int height);
