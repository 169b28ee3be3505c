// Cell picture compression: pixels are packed to three bytes, each row is taken as its difference to
// the row above (screenshots and gradients repeat a lot vertically), and the result is deflated.
#include "picture_store.h"

#include "com_support.h"
#include "framework/exception_boundary.h"

#include <olectl.h>
#include <zlib.h>

#include <algorithm>
#include <new>

namespace vsflex {
namespace {

// Larger pictures are refused rather than risking the process's address space while reading them.
constexpr std::uint64_t kMaxPixels = 8192ull * 8192ull;

std::vector<std::uint8_t> Deflate(const std::vector<std::uint8_t>& raw)
{
    // Level 3 packs a text screenshot to about 100 KB as fast as level 1, which leaves 130 KB.
    constexpr int kLevel = 3;
    uLongf size = compressBound(uLong(raw.size()));
    std::vector<std::uint8_t> packed(size);
    if (compress2(packed.data(), &size, raw.data(), uLong(raw.size()), kLevel) != Z_OK)
        throw std::bad_alloc();
    packed.resize(size);
    packed.shrink_to_fit();
    return packed;
}

// Three bytes per pixel, each row less the row above (byte-wise, modulo 256).
std::vector<std::uint8_t> FilterRows(const std::uint32_t* pixels, int width, int height)
{
    const std::size_t stride = std::size_t(width) * 3;
    std::vector<std::uint8_t> raw(stride * std::size_t(height));
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* row = pixels + std::size_t(y) * width;
        std::uint8_t* out = raw.data() + stride * y;
        for (int x = 0; x < width; ++x) {
            out[3 * x] = std::uint8_t(row[x]);
            out[3 * x + 1] = std::uint8_t(row[x] >> 8);
            out[3 * x + 2] = std::uint8_t(row[x] >> 16);
        }
    }
    for (std::size_t i = raw.size(); i-- > stride;)
        raw[i] = std::uint8_t(raw[i] - raw[i - stride]);
    return raw;
}

// The display copy: each of its pixels is the average of the source pixels it covers.
std::vector<std::uint32_t> Shrink(const std::uint32_t* pixels, int width, int height, int toWidth, int toHeight)
{
    std::vector<std::uint32_t> out(std::size_t(toWidth) * toHeight);
    std::vector<std::uint32_t> sums(static_cast<std::size_t>(toWidth) * 3);
    std::vector<std::uint32_t> counts(static_cast<std::size_t>(toWidth));
    for (int ty = 0; ty < toHeight; ++ty) {
        const int y0 = int(std::int64_t(ty) * height / toHeight);
        const int y1 = std::max(y0 + 1, int(std::int64_t(ty + 1) * height / toHeight));
        std::fill(sums.begin(), sums.end(), 0);
        std::fill(counts.begin(), counts.end(), 0);
        for (int y = y0; y < y1; ++y) {
            const std::uint32_t* row = pixels + std::size_t(y) * width;
            for (int x = 0; x < width; ++x) {
                const int tx = int(std::int64_t(x) * toWidth / width);
                sums[3 * tx] += row[x] & 0xFF;
                sums[3 * tx + 1] += (row[x] >> 8) & 0xFF;
                sums[3 * tx + 2] += (row[x] >> 16) & 0xFF;
                ++counts[tx];
            }
        }
        for (int tx = 0; tx < toWidth; ++tx) {
            const std::uint32_t n = std::max<std::uint32_t>(counts[tx], 1);
            out[std::size_t(ty) * toWidth + tx] = (sums[3 * tx] / n) | ((sums[3 * tx + 1] / n) << 8) |
                                                  ((sums[3 * tx + 2] / n) << 16);
        }
    }
    return out;
}

// The largest size of the picture's proportions inside the box, never larger than the picture.
SIZE FitInto(int width, int height, int boxWidth, int boxHeight) noexcept
{
    boxWidth = std::min(boxWidth, width);
    boxHeight = std::min(boxHeight, height);
    int w = boxWidth;
    int h = int(std::int64_t(height) * w / width);
    if (h > boxHeight) {
        h = boxHeight;
        w = int(std::int64_t(width) * h / height);
    }
    return SIZE{std::max(w, 1), std::max(h, 1)};
}

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

// The pixels of a bitmap, top-down 0x00RRGGBB; empty when they cannot be read.
std::vector<std::uint32_t> ReadBitmapPixels(HBITMAP bitmap, const BITMAP& info)
{
    std::vector<std::uint32_t> pixels(std::size_t(info.bmWidth) * info.bmHeight);
    BITMAPINFO header = TopDownHeader(info.bmWidth, info.bmHeight, 32);
    int lines = GetDIBits(GetWindowDc().get().dc, bitmap, 0, UINT(info.bmHeight), pixels.data(), &header,
                          DIB_RGB_COLORS);
    if (lines != info.bmHeight)
        return {};
    return pixels;
}

}  // namespace

std::shared_ptr<const StoredPicture> StoredPicture::FromPixels(const std::uint32_t* pixels, int width, int height,
                                                               SIZE displayBox)
{
    std::shared_ptr<StoredPicture> picture(new StoredPicture);
    picture->width_ = width;
    picture->height_ = height;
    const SIZE shown = FitInto(width, height, std::max<LONG>(displayBox.cx, 1), std::max<LONG>(displayBox.cy, 1));
    picture->display_ = Shrink(pixels, width, height, shown.cx, shown.cy);
    picture->displayWidth_ = shown.cx;
    picture->displayHeight_ = shown.cy;
    picture->id_ = PictureVault::Instance().Add(Deflate(FilterRows(pixels, width, height)));
    return picture;
}

HRESULT StoredPicture::FromPicture(IUnknown* object, SIZE displayBox, std::shared_ptr<const StoredPicture>& stored) noexcept
{
    stored = nullptr;
    if (!object)
        return S_OK;
    IPicture* picture = nullptr;
    if (FAILED(object->QueryInterface(IID_IPicture, reinterpret_cast<void**>(&picture))))
        return DISP_E_TYPEMISMATCH;
    SHORT type = PICTYPE_NONE;
    OLE_HANDLE handle = 0;
    picture->get_Type(&type);
    picture->get_Handle(&handle);
    picture->Release();  // the handle stays valid while the caller holds the object
    if (type == PICTYPE_NONE || type == PICTYPE_UNINITIALIZED)
        return S_OK;
    BITMAP info{};
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
    if (type != PICTYPE_BITMAP || !bitmap || !GetObjectW(bitmap, sizeof info, &info) || info.bmWidth <= 0 ||
        info.bmHeight <= 0 || std::uint64_t(info.bmWidth) * std::uint64_t(info.bmHeight) > kMaxPixels)
        return CTL_E_INVALIDPICTURE;
    return NoThrowHr([&]() -> HRESULT {
        std::vector<std::uint32_t> pixels = ReadBitmapPixels(bitmap, info);
        if (pixels.empty())
            return CTL_E_INVALIDPICTURE;
        stored = FromPixels(pixels.data(), info.bmWidth, info.bmHeight, displayBox);
        return S_OK;
    });
}

StoredPicture::~StoredPicture()
{
    if (id_)
        PictureVault::Instance().Remove(id_);
}

std::vector<std::uint32_t> StoredPicture::Pixels() const
{
    PictureVault& vault = PictureVault::Instance();
    vault.CountFullDecode();
    std::vector<std::uint8_t> packed = vault.Read(id_);
    const std::size_t stride = std::size_t(width_) * 3;
    std::vector<std::uint8_t> raw(stride * std::size_t(height_));
    uLongf size = uLongf(raw.size());
    if (packed.empty() || uncompress(raw.data(), &size, packed.data(), uLong(packed.size())) != Z_OK ||
        size != raw.size())
        return {};
    std::vector<std::uint8_t>().swap(packed);
    for (std::size_t i = stride; i < raw.size(); ++i)
        raw[i] = std::uint8_t(raw[i] + raw[i - stride]);
    std::vector<std::uint32_t> pixels(std::size_t(width_) * height_);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = raw[3 * i] | (raw[3 * i + 1] << 8) | (raw[3 * i + 2] << 16);
    return pixels;
}

IDispatch* StoredPicture::CreatePictureObject() const noexcept
{
    return NoThrow(static_cast<IDispatch*>(nullptr), [&]() -> IDispatch* {
        std::vector<std::uint32_t> pixels = Pixels();
        if (pixels.empty())
            return nullptr;
        BITMAPINFO header = TopDownHeader(width_, height_, 24);
        void* bits = nullptr;
        UniqueBitmap bitmap(CreateDIBSection(nullptr, &header, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!bitmap)
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
    });
}

void StoredPicture::Draw(HDC dc, const RECT& box) const noexcept
{
    const int boxWidth = box.right - box.left;
    const int boxHeight = box.bottom - box.top;
    if (boxWidth <= 0 || boxHeight <= 0 || display_.empty())
        return;
    int w = boxWidth;
    int h = int(std::int64_t(height_) * w / width_);
    if (h > boxHeight) {
        h = boxHeight;
        w = int(std::int64_t(width_) * h / height_);
    }
    BITMAPINFO header = TopDownHeader(displayWidth_, displayHeight_, 32);
    int oldMode = SetStretchBltMode(dc, HALFTONE);
    StretchDIBits(dc, box.left + (boxWidth - w) / 2, box.top + (boxHeight - h) / 2, w, h, 0, 0, displayWidth_,
                  displayHeight_, display_.data(), &header, DIB_RGB_COLORS, SRCCOPY);
    SetStretchBltMode(dc, oldMode);
}

}  // namespace vsflex
