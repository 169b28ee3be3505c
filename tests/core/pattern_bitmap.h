// A device-dependent bitmap whose every pixel has a colour of its own, so that a test can check
// each byte of an image made from it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "framework/unique_resource.h"
#include "support/top_down_bitmap.h"

inline COLORREF PatternColour(int x, int y)
{
    return RGB((x * 7) & 0xFF, (y * 5) & 0xFF, (x + y + 1) & 0xFF);
}

// The caller owns the bitmap (or hands it to the clipboard).
inline HBITMAP MakePatternBitmap(int width, int height)
{
    UniqueWindowDc screen = GetWindowDc();
    HBITMAP bitmap = CreateCompatibleBitmap(screen.get().dc, width, height);
    std::vector<std::uint32_t> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            COLORREF c = PatternColour(x, y);
            pixels[static_cast<size_t>(y) * width + x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        }
    BITMAPINFO info = TopDown32(width, height);
    SetDIBits(screen.get().dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    return bitmap;
}
