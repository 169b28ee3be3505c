// The picture files that outside encoders write at build time (tests/picture/make_picture_fixtures.sh),
// their reference pixels, and the pixels of a decoded bitmap, for the decoder and picture box tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/byte_set.h"
#include "framework/file_io.h"
#include "framework/unique_resource.h"
#include "support/top_down_bitmap.h"

// Pixels as 0xRRGGBB words, top row first.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> rgb;

    std::uint32_t At(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }
};

// The bytes of a fixture file; empty when it is missing.
inline ByteSet ReadPictureFixture(const std::string& name)
{
    return ReadFileBytes(std::string(PICTURE_FIXTURES) + name);
}

// A binary PPM (P6, maxval 255) fixture; no pixels when it is missing or not such a file.
inline Pixels ReadPpmFixture(const std::string& name)
{
    const ByteSet bytes = ReadPictureFixture(name);
    std::size_t at = 0;
    auto field = [&]() {
        while (at < bytes.Size() && isspace(bytes[at]))
            ++at;
        int value = 0;
        while (at < bytes.Size() && isdigit(bytes[at]))
            value = value * 10 + (bytes[at++] - '0');
        return value;
    };
    Pixels pixels;
    if (bytes.Size() < 2 || bytes[0] != 'P' || bytes[1] != '6')
        return pixels;
    at = 2;
    const int width = field(), height = field(), maxValue = field();
    ++at;  // the one white-space byte before the pixels
    const std::size_t count = static_cast<std::size_t>(width) * height;
    if (maxValue != 255 || bytes.Size() < at + count * 3)
        return pixels;
    pixels.width = width;
    pixels.height = height;
    for (std::size_t i = 0; i < count; ++i, at += 3)
        pixels.rgb.push_back(std::uint32_t{bytes[at]} << 16 | std::uint32_t{bytes[at + 1]} << 8 | bytes[at + 2]);
    return pixels;
}

// The pixels of any bitmap, read back through GDI; none for a null or unreadable bitmap.
inline Pixels BitmapPixels(HBITMAP bitmap)
{
    Pixels pixels;
    BITMAP shape = {};
    if (!bitmap || !GetObjectA(bitmap, sizeof shape, &shape))
        return pixels;
    BITMAPINFO info = TopDown32(shape.bmWidth, shape.bmHeight);
    std::vector<std::uint32_t> words(static_cast<std::size_t>(shape.bmWidth) * shape.bmHeight);
    const int rows = GetDIBits(GetWindowDc().get().dc, bitmap, 0, shape.bmHeight, words.data(), &info, DIB_RGB_COLORS);
    if (rows != shape.bmHeight)
        return pixels;
    pixels.width = shape.bmWidth;
    pixels.height = shape.bmHeight;
    for (std::uint32_t word : words)
        pixels.rgb.push_back(word & 0xFFFFFF);
    return pixels;
}
