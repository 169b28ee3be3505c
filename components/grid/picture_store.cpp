// Cell picture compression: each row is XORed with the row above (screenshots repeat a lot vertically),
// then the words are run-length coded; literal pixels take three bytes.
#include "picture_store.h"

#include "com_support.h"

#include <olectl.h>

#include <algorithm>

namespace vsflex {
namespace {

void PutCount(std::vector<std::uint8_t>& out, std::uint32_t n)
{
    while (n >= 0x80) {
        out.push_back(std::uint8_t(n | 0x80));
        n >>= 7;
    }
    out.push_back(std::uint8_t(n));
}

std::uint32_t GetCount(const std::uint8_t*& p)
{
    std::uint32_t n = 0;
    for (int shift = 0;; shift += 7) {
        std::uint8_t b = *p++;
        n |= std::uint32_t(b & 0x7F) << shift;
        if (!(b & 0x80))
            return n;
    }
}

void PutPixel(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
    out.push_back(std::uint8_t(v >> 16));
}

std::uint32_t GetPixel(const std::uint8_t*& p)
{
    std::uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16);
    p += 3;
    return v;
}

// Tokens: count << 1 | 1 then one pixel for a run; count << 1 then count pixels for literals.
void Encode(const std::vector<std::uint32_t>& words, std::vector<std::uint8_t>& out)
{
    std::size_t i = 0;
    const std::size_t n = words.size();
    std::size_t literalStart = 0;
    auto flushLiterals = [&](std::size_t end) {
        if (end > literalStart) {
            PutCount(out, std::uint32_t(end - literalStart) << 1);
            for (std::size_t k = literalStart; k < end; ++k)
                PutPixel(out, words[k]);
        }
    };
    while (i < n) {
        std::size_t j = i + 1;
        while (j < n && words[j] == words[i])
            ++j;
        if (j - i >= 3) {
            flushLiterals(i);
            PutCount(out, (std::uint32_t(j - i) << 1) | 1);
            PutPixel(out, words[i]);
            literalStart = j;
        }
        i = j;
    }
    flushLiterals(n);
}

}  // namespace

std::shared_ptr<const StoredPicture> StoredPicture::FromPixels(const std::uint32_t* pixels, int width, int height)
{
    auto picture = std::make_shared<StoredPicture>();
    picture->width_ = width;
    picture->height_ = height;
    std::vector<std::uint32_t> row(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* current = pixels + std::size_t(y) * width;
        const std::uint32_t* above = y ? current - width : nullptr;
        for (int x = 0; x < width; ++x)
            row[x] = (current[x] ^ (above ? above[x] : 0)) & 0xFFFFFF;
        Encode(row, picture->data_);
    }
    picture->data_.shrink_to_fit();
    return picture;
}

std::shared_ptr<const StoredPicture> StoredPicture::FromPicture(IUnknown* object) noexcept
{
    if (!object)
        return nullptr;
    IPicture* picture = nullptr;
    if (FAILED(object->QueryInterface(IID_IPicture, reinterpret_cast<void**>(&picture))))
        return nullptr;
    SHORT type = PICTYPE_NONE;
    OLE_HANDLE handle = 0;
    picture->get_Type(&type);
    picture->get_Handle(&handle);
    std::shared_ptr<const StoredPicture> result;
    BITMAP info{};
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
    if (type == PICTYPE_BITMAP && bitmap && GetObjectW(bitmap, sizeof info, &info) && info.bmWidth > 0 &&
        info.bmHeight > 0) {
        try {
            std::vector<std::uint32_t> pixels(std::size_t(info.bmWidth) * info.bmHeight);
            BITMAPINFO header{};
            header.bmiHeader.biSize = sizeof header.bmiHeader;
            header.bmiHeader.biWidth = info.bmWidth;
            header.bmiHeader.biHeight = -info.bmHeight;
            header.bmiHeader.biPlanes = 1;
            header.bmiHeader.biBitCount = 32;
            header.bmiHeader.biCompression = BI_RGB;
            HDC screen = GetDC(nullptr);
            int lines = GetDIBits(screen, bitmap, 0, UINT(info.bmHeight), pixels.data(), &header, DIB_RGB_COLORS);
            ReleaseDC(nullptr, screen);
            if (lines == info.bmHeight)
                result = FromPixels(pixels.data(), info.bmWidth, info.bmHeight);
        } catch (...) {
            result = nullptr;
        }
    }
    picture->Release();
    return result;
}

std::vector<std::uint32_t> StoredPicture::Pixels() const
{
    std::vector<std::uint32_t> pixels(std::size_t(width_) * height_);
    const std::uint8_t* p = data_.data();
    std::size_t at = 0;
    while (at < pixels.size()) {
        std::uint32_t token = GetCount(p);
        std::uint32_t count = token >> 1;
        if (token & 1) {
            std::uint32_t v = GetPixel(p);
            std::fill_n(pixels.begin() + at, count, v);
        } else {
            for (std::uint32_t k = 0; k < count; ++k)
                pixels[at + k] = GetPixel(p);
        }
        at += count;
    }
    for (std::size_t i = std::size_t(width_); i < pixels.size(); ++i)
        pixels[i] ^= pixels[i - width_];
    return pixels;
}

namespace {

// A top-down RGB bitmap header of the given size and bits per pixel.
BITMAPINFO TopDownHeader(int width, int height, WORD bitCount)
{
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof header.bmiHeader;
    header.bmiHeader.biWidth = width;
    header.bmiHeader.biHeight = -height;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = bitCount;
    header.bmiHeader.biCompression = BI_RGB;
    return header;
}

} // namespace

IDispatch* StoredPicture::CreatePictureObject() const noexcept
{
    try {
        std::vector<std::uint32_t> pixels = Pixels();
        BITMAPINFO header = TopDownHeader(width_, height_, 24);
        void* bits = nullptr;
        GdiObject<HBITMAP> bitmap(CreateDIBSection(nullptr, &header, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!bitmap.get())
            return nullptr;
        const std::size_t stride = (std::size_t(width_) * 3 + 3) & ~std::size_t(3);
        for (int y = 0; y < height_; ++y) {
            auto* line = static_cast<std::uint8_t*>(bits) + stride * y;
            for (int x = 0; x < width_; ++x) {
                std::uint32_t v = pixels[std::size_t(y) * width_ + x];
                line[3 * x] = std::uint8_t(v);
                line[3 * x + 1] = std::uint8_t(v >> 8);
                line[3 * x + 2] = std::uint8_t(v >> 16);
            }
        }
        PICTDESC desc{};
        desc.cbSizeofstruct = sizeof desc;
        desc.picType = PICTYPE_BITMAP;
        desc.bmp.hbitmap = bitmap.get();
        IDispatch* object = nullptr;
        if (FAILED(OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, reinterpret_cast<void**>(&object))))
            return nullptr;
        bitmap.release();  // the picture object owns it now
        return object;
    } catch (...) {
        return nullptr;
    }
}

void StoredPicture::Draw(HDC dc, const RECT& box) const noexcept
{
    const int boxWidth = box.right - box.left;
    const int boxHeight = box.bottom - box.top;
    if (boxWidth <= 0 || boxHeight <= 0 || width_ <= 0 || height_ <= 0)
        return;
    try {
        std::vector<std::uint32_t> pixels = Pixels();
        int w = boxWidth;
        int h = int(std::int64_t(height_) * w / width_);
        if (h > boxHeight) {
            h = boxHeight;
            w = int(std::int64_t(width_) * h / height_);
        }
        BITMAPINFO header = TopDownHeader(width_, height_, 32);
        int oldMode = SetStretchBltMode(dc, HALFTONE);
        StretchDIBits(dc, box.left + (boxWidth - w) / 2, box.top + (boxHeight - h) / 2, w, h, 0, 0, width_,
                      height_, pixels.data(), &header, DIB_RGB_COLORS, SRCCOPY);
        SetStretchBltMode(dc, oldMode);
    } catch (...) {
    }
}

}  // namespace vsflex
