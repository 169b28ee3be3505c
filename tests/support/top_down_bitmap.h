// The header of a top-down 32-bit picture (one 0x00RRGGBB word a pixel, the first row on top), as
// the tests and benchmarks hand pixels to GDI and read them back.
#pragma once

#include <windows.h>

inline BITMAPINFO TopDown32(int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}
