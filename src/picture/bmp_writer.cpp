#include "picture/bmp_writer.h"

#include <cstring>
#include <new>

#include "framework/unique_resource.h"

std::uint32_t BmpImageSize(LONG width, LONG height)
{
    if (width <= 0 || height <= 0)
        return 0;
    const std::uint64_t rowLength = (static_cast<std::uint64_t>(width) * 24 + 31) / 32 * 4;
    const std::uint64_t imageSize = rowLength * static_cast<std::uint64_t>(height);
    if (imageSize > 0x7FFFFFFFu - kBmpHeaderSize)
        throw std::bad_alloc();
    return static_cast<std::uint32_t>(imageSize);
}

int WriteBmp(HBITMAP bitmap, const BITMAP& shape, std::uint32_t imageSize, std::uint8_t* file) noexcept
{
    BITMAPINFO info = {};
    BITMAPINFOHEADER& header = info.bmiHeader;
    header.biSize = sizeof header;
    header.biWidth = shape.bmWidth;
    header.biHeight = shape.bmHeight;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = imageSize;
    // GetDIBits needs a device context only for the colours of palette bitmaps: a memory one
    // like the screen serves every bitmap.
    UniqueWindowDc screen = GetWindowDc();
    UniqueMemoryDc memory(CreateCompatibleDC(screen ? screen.get().dc : nullptr));
    const int rows = GetDIBits(memory.get(), bitmap, 0, static_cast<UINT>(shape.bmHeight), file + kBmpHeaderSize,
                               &info, DIB_RGB_COLORS);

    BITMAPFILEHEADER fileHeader = {};
    fileHeader.bfType = 0x4D42;  // "BM"
    fileHeader.bfSize = kBmpHeaderSize + imageSize;
    fileHeader.bfOffBits = kBmpHeaderSize;
    std::memcpy(file, &fileHeader, sizeof fileHeader);
    // The info header as GetDIBits leaves it: the one that describes the pixels it wrote.
    std::memcpy(file + sizeof fileHeader, &header, sizeof header);
    return rows;
}
