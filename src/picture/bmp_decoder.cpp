// The BMP decoder. The file's own header is never handed to GDI: a clean BITMAPINFO is built
// from the fields we checked, so that no offset or size in the file (a V5 header's profile
// offset, a colour count) can make the system read past the bytes we were given.
#include "picture/bmp_decoder.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "picture/dib_canvas.h"

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;

std::uint32_t ReadU32(const std::uint8_t* at) noexcept
{
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

// A BITMAPINFO with room for the largest colour table (or the three bit-field masks).
struct DibInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
};

// What the headers say, checked against the file.
struct BmpLayout {
    BITMAPINFOHEADER header;  // as read; biHeight may be negative (top-down)
    std::size_t tableOffset;  // colour table or bit-field masks
    std::size_t colourCount;
    std::size_t pixelOffset;
    long rows;
};

bool SupportedFormat(const BITMAPINFOHEADER& header) noexcept
{
    switch (header.biCompression) {
    case BI_RGB:
        return header.biBitCount == 1 || header.biBitCount == 4 || header.biBitCount == 8 ||
               header.biBitCount == 16 || header.biBitCount == 24 || header.biBitCount == 32;
    case BI_BITFIELDS: return header.biBitCount == 16 || header.biBitCount == 32;
    // Compressed pictures are stored bottom-up only.
    case BI_RLE8: return header.biBitCount == 8 && header.biHeight > 0;
    case BI_RLE4: return header.biBitCount == 4 && header.biHeight > 0;
    default: return false;  // JPEG or PNG inside a BMP, or anything unknown
    }
}

std::uint64_t DibBytes(long width, long rows, int bitCount) noexcept
{
    return (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitCount) + 31) / 32 * 4 *
           static_cast<std::uint64_t>(rows);
}

// An uncompressed picture may have more pixels than the decoders allow, within the sides they
// allow: its section is no larger than its pixel data, which is checked against the file's bytes,
// so the file really holds it (a 1-bit picture of 72 million pixels takes 9 MB). Whoever keeps the
// picture decides whether it is too large to keep.
bool BackedByPixelData(const BITMAPINFOHEADER& header, long rows) noexcept
{
    return (header.biCompression == BI_RGB || header.biCompression == BI_BITFIELDS) && header.biWidth > 0 &&
           header.biWidth <= kMaxPictureSide && rows > 0 && rows <= kMaxPictureSide;
}

// Reads and checks the headers, the colour table's place and the pixel data's offset.
bool ReadLayout(std::span<const std::uint8_t> file, BmpLayout& layout) noexcept
{
    const std::size_t size = file.size();
    if (size < kFileHeaderSize + kInfoHeaderSize)
        return false;
    const std::size_t headerSize = ReadU32(file.data() + kFileHeaderSize);
    // Compared against what is left rather than added to 14, so that no header size can wrap.
    if (headerSize < kInfoHeaderSize || headerSize > size - kFileHeaderSize)
        return false;
    std::memcpy(&layout.header, file.data() + kFileHeaderSize, kInfoHeaderSize);
    const BITMAPINFOHEADER& header = layout.header;
    if (header.biPlanes != 1 || header.biHeight == LONG_MIN || !SupportedFormat(header))
        return false;
    layout.rows = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    if (!PictureSizeAllowed(header.biWidth, layout.rows) && !BackedByPixelData(header, layout.rows))
        return false;

    const std::size_t headersEnd = kFileHeaderSize + headerSize;
    layout.tableOffset = headersEnd;
    layout.colourCount = 0;  // a colour count of a true-colour picture is only a hint
    std::size_t tableBytes = 0;
    if (header.biCompression == BI_BITFIELDS) {
        // The masks follow a plain 40-byte header; later headers hold them at the same place.
        layout.tableOffset = kFileHeaderSize + kInfoHeaderSize;
        if (headerSize == kInfoHeaderSize)
            tableBytes = 12;
        else if (headerSize < kInfoHeaderSize + 12)
            return false;
    } else if (header.biBitCount <= 8) {
        const std::size_t most = std::size_t{1} << header.biBitCount;
        layout.colourCount = header.biClrUsed != 0 ? header.biClrUsed : most;
        if (layout.colourCount > most)
            return false;
        tableBytes = layout.colourCount * sizeof(RGBQUAD);
    }
    const std::size_t tableEnd = std::max(headersEnd, layout.tableOffset + tableBytes);
    layout.pixelOffset = ReadU32(file.data() + 10);
    // Pixels that overlap the headers or the colour table, or start at the end, mean a damaged file.
    return tableEnd <= size && layout.pixelOffset >= tableEnd && layout.pixelOffset < size;
}

// The clean BITMAPINFO of the section we make: the checked fields, the file's colours or masks.
void BuildInfo(std::span<const std::uint8_t> file, const BmpLayout& layout, DibInfo& info) noexcept
{
    std::memset(&info, 0, sizeof info);
    const BITMAPINFOHEADER& header = layout.header;
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = header.biWidth;
    info.header.biHeight = header.biHeight;
    info.header.biPlanes = 1;
    const bool rle = header.biCompression == BI_RLE8 || header.biCompression == BI_RLE4;
    info.header.biBitCount = rle ? 8 : header.biBitCount;
    info.header.biCompression = header.biCompression == BI_BITFIELDS ? BI_BITFIELDS : BI_RGB;
    info.header.biClrUsed = static_cast<DWORD>(layout.colourCount);
    const std::size_t bytes =
        header.biCompression == BI_BITFIELDS ? 12 : layout.colourCount * sizeof(RGBQUAD);
    std::memcpy(info.colours, file.data() + layout.tableOffset, bytes);
}

// Expands RLE8 or RLE4 data into an 8-bit bottom-up DIB's pixels (`stride` bytes a row). Pixels
// past a row's end are dropped; pixels that no code reaches stay colour 0. False when the data
// ends inside a code or before the end-of-picture mark while rows remain.
bool ExpandRle(std::span<const std::uint8_t> data, bool nibbles, long width, long rows, std::uint8_t* bits,
               std::size_t stride) noexcept
{
    long x = 0;
    long y = 0;
    std::size_t i = 0;
    auto put = [&](long at, std::uint8_t value) {
        if (at < width && y < rows)
            bits[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(at)] = value;
    };
    while (i + 2 <= data.size()) {
        const std::uint8_t count = data[i];
        const std::uint8_t code = data[i + 1];
        i += 2;
        if (count != 0) {  // a run of one value, or of two alternating nibbles
            for (long k = 0; k < count; ++k)
                put(x + k, nibbles ? static_cast<std::uint8_t>(k % 2 ? code & 0x0F : code >> 4) : code);
            x += count;
        } else if (code == 0) {  // end of row
            x = 0;
            ++y;
        } else if (code == 1) {  // end of picture
            return true;
        } else if (code == 2) {  // move right and up
            if (i + 2 > data.size())
                return false;
            x += data[i];
            y += data[i + 1];
            i += 2;
        } else {  // `code` literal pixels, padded to a whole word
            const std::size_t bytes = nibbles ? (code + 1u) / 2u : code;
            if (i + bytes > data.size())
                return false;
            for (long k = 0; k < code; ++k) {
                const std::uint8_t byte = data[i + static_cast<std::size_t>(nibbles ? k / 2 : k)];
                put(x + k, nibbles ? static_cast<std::uint8_t>(k % 2 ? byte & 0x0F : byte >> 4) : byte);
            }
            x += code;
            i += (bytes + 1) & ~std::size_t{1};
        }
        if (y >= rows)
            return true;
    }
    return y >= rows;
}

} // namespace

HBITMAP DecodeBmp(std::span<const std::uint8_t> file) noexcept
{
    BmpLayout layout{};
    if (!ReadLayout(file, layout))
        return nullptr;
    const BITMAPINFOHEADER& header = layout.header;
    const bool rle = header.biCompression == BI_RLE8 || header.biCompression == BI_RLE4;
    std::span<const std::uint8_t> data = file.subspan(layout.pixelOffset);
    const int bitCount = rle ? 8 : header.biBitCount;
    const std::size_t stride = static_cast<std::size_t>(DibBytes(header.biWidth, 1, bitCount));
    if (rle && header.biSizeImage != 0 && header.biSizeImage < data.size())
        data = data.first(header.biSizeImage);
    if (!rle && DibBytes(header.biWidth, layout.rows, bitCount) > data.size())
        return nullptr;

    DibInfo info;
    BuildInfo(file, layout, info);
    void* bits = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                         &bits, nullptr, 0));
    if (!bitmap || bits == nullptr)
        return nullptr;
    auto* pixels = static_cast<std::uint8_t*>(bits);
    if (!rle) {
        std::memcpy(pixels, data.data(), stride * static_cast<std::size_t>(layout.rows));
    } else {
        std::memset(pixels, 0, stride * static_cast<std::size_t>(layout.rows));
        if (!ExpandRle(data, header.biCompression == BI_RLE4, header.biWidth, layout.rows, pixels, stride))
            return nullptr;
    }
    return bitmap.release();
}
