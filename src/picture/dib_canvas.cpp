// The size limit of decoded pictures and the 32-bit DIB section the decoders paint into.
#include "picture/dib_canvas.h"

bool PictureSizeAllowed(std::int64_t width, std::int64_t height) noexcept
{
    if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide)
        return false;
    return static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <= kMaxPicturePixels;
}

HBITMAP CreateCanvasDib(int width, int height, std::uint32_t** pixels) noexcept
{
    *pixels = nullptr;
    if (!PictureSizeAllowed(width, height))
        return nullptr;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down: row 0 first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || bits == nullptr)
        return nullptr;
    *pixels = static_cast<std::uint32_t*>(bits);
    return bitmap.release();
}
