#include "benchmark_pictures.h"

#include <cstring>

#include "support/top_down_bitmap.h"

namespace {

// A small generator so that each picture's noise differs and is the same on every run.
struct Noise {
    std::uint32_t state;
    std::uint32_t Next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

void FillFlat(std::vector<std::uint32_t>& pixels, int index, int width, int height)
{
    // White page, a grey title bar, and rows of dark "words" whose lengths depend on the index.
    std::fill(pixels.begin(), pixels.end(), 0xFFFFFF);
    for (int y = 0; y < 30 && y < height; ++y)
        std::fill_n(pixels.begin() + std::size_t(y) * width, width, 0xD0D4DA);
    Noise noise{std::uint32_t(index) * 2654435761u + 1};
    for (int line = 50; line + 12 < height; line += 22) {
        int x = 20;
        while (x < width - 40) {
            int word = 12 + int(noise.Next() % 70);
            for (int y = line; y < line + 12; ++y)
                for (int k = x; k < x + word && k < width; ++k)
                    if ((k + y) % 3 != 0)
                        pixels[std::size_t(y) * width + k] = 0x202020;
            x += word + 8;
        }
    }
}

void FillPhoto(std::vector<std::uint32_t>& pixels, int index, int width, int height)
{
    Noise noise{std::uint32_t(index) * 2246822519u + 7};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint32_t r = std::uint32_t((x * 255) / width + index) & 0xFF;
            std::uint32_t g = std::uint32_t((y * 255) / height) & 0xFF;
            std::uint32_t b = std::uint32_t((x + y) / 8 + index * 3) & 0xFF;
            if (x >= width / 2 && x < width / 2 + 320 && y >= height / 3 && y < height / 3 + 240) {
                std::uint32_t grain = noise.Next();
                r = grain & 0xFF, g = (grain >> 8) & 0xFF, b = (grain >> 16) & 0xFF;
            }
            pixels[std::size_t(y) * width + x] = (r << 16) | (g << 8) | b;
        }
}

} // namespace

std::vector<std::uint32_t> BenchmarkPixels(PictureKind kind, int index, int width, int height)
{
    std::vector<std::uint32_t> pixels(std::size_t(width) * height);
    if (kind == PictureKind::Flat)
        FillFlat(pixels, index, width, height);
    else
        FillPhoto(pixels, index, width, height);
    return pixels;
}

HBITMAP MakeBitmap(const std::vector<std::uint32_t>& pixels, int width, int height)
{
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    BITMAPINFO info = TopDown32(width, height);
    if (bitmap)
        SetDIBits(screen, bitmap, 0, UINT(height), pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

HGLOBAL MakeDib(const std::vector<std::uint32_t>& pixels, int width, int height)
{
    BITMAPINFOHEADER header = TopDown32(width, height).bmiHeader;
    header.biHeight = height;
    const std::size_t row = std::size_t(width) * 4;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof header + row * height);
    auto* bytes = block ? static_cast<std::uint8_t*>(GlobalLock(block)) : nullptr;
    if (!bytes)
        return block ? GlobalFree(block) : nullptr;
    std::memcpy(bytes, &header, sizeof header);
    for (int y = 0; y < height; ++y)
        std::memcpy(bytes + sizeof header + row * (height - 1 - y), pixels.data() + std::size_t(y) * width, row);
    GlobalUnlock(block);
    return block;
}

std::vector<std::uint32_t> ReadBitmap(HBITMAP bitmap, int width, int height)
{
    std::vector<std::uint32_t> pixels(std::size_t(width) * height);
    BITMAPINFO info = TopDown32(width, height);
    HDC screen = GetDC(nullptr);
    int lines = GetDIBits(screen, bitmap, 0, UINT(height), pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (lines != height)
        return {};
    for (std::uint32_t& p : pixels)
        p &= 0xFFFFFF;
    return pixels;
}
