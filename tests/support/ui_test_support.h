// Helpers of the window tests: a message pump and BMP files made in memory.
#pragma once

#include <windows.h>

#include <cstring>

#include "framework/byte_set.h"

inline void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// A 24-bit BMP file of `width` x `height` pixels of one grey.
inline ByteSet BmpFile(int width, int height)
{
    const int stride = (width * 3 + 3) & ~3;
    const DWORD pixels = static_cast<DWORD>(stride * height);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + pixels;
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    ByteSet bytes(file.bfSize);
    std::memcpy(bytes.Data(), &file, sizeof file);
    std::memcpy(bytes.Data() + sizeof file, &info, sizeof info);
    std::memset(bytes.Data() + file.bfOffBits, 0x80, pixels);
    return bytes;
}
