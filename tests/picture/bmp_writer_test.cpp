// The one BMP writer behind the capture of a copied picture and the saving of a bitmap: the file's
// headers, its padded rows bottom-up, and the sizes it refuses.
#include "picture/bmp_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <vector>

#include "framework/unique_resource.h"

namespace {

// The colour of pixel (x, y) counted from the bottom row, different in each channel.
std::uint32_t PixelColour(int x, int y) { return static_cast<std::uint32_t>((x * 40) << 16 | (y * 50) << 8 | (x + y) * 7); }

// A 32-bit bottom-up section of `width` x `height` filled with PixelColour.
UniqueBitmap MakeSection(int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (bitmap)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                static_cast<std::uint32_t*>(bits)[y * width + x] = PixelColour(x, y);
    return bitmap;
}

template <typename T>
T ReadAt(const std::vector<std::uint8_t>& bytes, std::size_t offset)
{
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

TEST(WriteBmp, WritesHeadersAndPaddedRowsBottomUp)
{
    struct Case {
        int width, height;
        std::uint32_t stride;  // bytes of one row, padded to 4
    };
    // Widths 1 .. 4 need 1, 2, 3 and 0 bytes of padding.
    const Case cases[] = {{1, 1, 4}, {2, 3, 8}, {3, 2, 12}, {4, 5, 12}, {17, 4, 52}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        UniqueBitmap bitmap = MakeSection(c.width, c.height);
        ASSERT_TRUE(bitmap);
        BITMAP shape = {};
        ASSERT_NE(GetObjectA(bitmap.get(), sizeof shape, &shape), 0);
        const std::uint32_t imageSize = BmpImageSize(c.width, c.height);
        ASSERT_EQ(imageSize, c.stride * c.height);
        std::vector<std::uint8_t> file(kBmpHeaderSize + imageSize, 0xEE);
        ASSERT_EQ(WriteBmp(bitmap.get(), shape, imageSize, file.data()), c.height);

        EXPECT_EQ(ReadAt<WORD>(file, 0), 0x4D42);
        EXPECT_EQ(ReadAt<DWORD>(file, 2), file.size());
        EXPECT_EQ(ReadAt<DWORD>(file, 10), 54u);
        const auto header = ReadAt<BITMAPINFOHEADER>(file, 14);
        EXPECT_EQ(header.biSize, 40u);
        EXPECT_EQ(header.biWidth, c.width);
        EXPECT_EQ(header.biHeight, c.height);  // bottom-up
        EXPECT_EQ(header.biBitCount, 24);
        EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
        EXPECT_EQ(header.biSizeImage, imageSize);
        for (int y = 0; y < c.height; ++y) {
            const std::size_t row = kBmpHeaderSize + y * c.stride;
            for (int x = 0; x < c.width; ++x) {
                const std::uint32_t colour = PixelColour(x, y);
                const std::uint8_t* bgr = file.data() + row + x * 3;
                ASSERT_EQ(bgr[0], colour & 0xFF) << x << "," << y;
                ASSERT_EQ(bgr[1], colour >> 8 & 0xFF) << x << "," << y;
                ASSERT_EQ(bgr[2], colour >> 16 & 0xFF) << x << "," << y;
            }
        }
    }
}

TEST(BmpImageSize, IsZeroForAnEmptyBitmapAndRefusesAFileOver2Gb)
{
    EXPECT_EQ(BmpImageSize(0, 10), 0u);
    EXPECT_EQ(BmpImageSize(10, 0), 0u);
    EXPECT_EQ(BmpImageSize(-3, 10), 0u);
    EXPECT_EQ(BmpImageSize(10, -3), 0u);
    // The largest file: 2 GB - 1 bytes with its headers.
    EXPECT_EQ(BmpImageSize(1, (0x7FFFFFFF - 54) / 4), (0x7FFFFFFFu - 54) / 4 * 4);
    EXPECT_THROW(BmpImageSize(1, (0x7FFFFFFF - 54) / 4 + 1), std::bad_alloc);
    // 32-bit row arithmetic would wrap here and give a small size.
    EXPECT_THROW(BmpImageSize(0x7FFFFFFF, 0x7FFFFFFF), std::bad_alloc);
}

} // namespace
