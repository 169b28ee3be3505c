// The PCX decoder: header checks, the run-length expansion of one scan line (all planes of a
// row) at a time, and the mapping of each row's planes to colours.
#include "picture/pcx_decoder.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "framework/exception_boundary.h"
#include "picture/dib_canvas.h"

namespace {

constexpr std::size_t kHeaderSize = 128;
// The 256-colour palette: a 0x0C mark, then 256 RGB triples, at the very end of the file.
constexpr std::size_t kTailPaletteSize = 1 + 256 * 3;
// The longest run one code pair can give.
constexpr std::size_t kLongestRun = 63;

std::uint16_t ReadU16(const std::uint8_t* at) noexcept
{
    return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

std::uint32_t Rgb(const std::uint8_t* triple) noexcept
{
    return static_cast<std::uint32_t>(triple[0]) << 16 | static_cast<std::uint32_t>(triple[1]) << 8 | triple[2];
}

struct PcxLayout {
    int version;
    int bitsPerPixel;
    int planes;
    std::size_t bytesPerLine;  // of one plane
    long width;
    long height;
};

bool SupportedDepth(int bits, int planes) noexcept
{
    switch (bits) {
    case 1: return planes >= 1 && planes <= 4;
    case 2:
    case 4: return planes == 1;
    case 8: return planes == 1 || planes == 3 || planes == 4;
    default: return false;
    }
}

bool ReadLayout(std::span<const std::uint8_t> file, PcxLayout& layout) noexcept
{
    if (file.size() <= kHeaderSize)
        return false;
    const std::uint8_t* h = file.data();
    if (h[0] != 0x0A || h[2] != 1)
        return false;
    layout.version = h[1];
    layout.bitsPerPixel = h[3];
    layout.planes = h[65];
    const std::uint16_t xMin = ReadU16(h + 4), yMin = ReadU16(h + 6), xMax = ReadU16(h + 8), yMax = ReadU16(h + 10);
    if (xMax < xMin || yMax < yMin || !SupportedDepth(layout.bitsPerPixel, layout.planes))
        return false;
    layout.width = xMax - xMin + 1L;
    layout.height = yMax - yMin + 1L;
    layout.bytesPerLine = ReadU16(h + 66);
    const std::size_t needed = (static_cast<std::size_t>(layout.width) * layout.bitsPerPixel + 7) / 8;
    return PictureSizeAllowed(layout.width, layout.height) && layout.bytesPerLine >= needed;
}

// The 2, 4 or 16 colours of a picture of up to 4 bits a pixel. Monochrome files often leave the
// header palette zeroed, and version 3 files have none: those are black and white.
void HeaderPalette(const std::uint8_t* header, const PcxLayout& layout, std::uint32_t (&palette)[16]) noexcept
{
    for (int i = 0; i < 16; ++i)
        palette[i] = Rgb(header + 16 + 3 * i);
    const bool monochrome = layout.bitsPerPixel * layout.planes == 1;
    if (monochrome && (layout.version == 3 || palette[0] == palette[1])) {
        palette[0] = 0x000000;
        palette[1] = 0xFFFFFF;
    }
}

// The 256 colours of an 8-bit picture from the end of the file; false when the file does not end
// in them (the mark is missing: a truncated file, or one that lost its colours).
bool TailPalette(std::span<const std::uint8_t> file, std::uint32_t (&palette)[256]) noexcept
{
    if (file.size() < kHeaderSize + kTailPaletteSize || file[file.size() - kTailPaletteSize] != 0x0C)
        return false;
    const std::uint8_t* colours = file.data() + file.size() - kTailPaletteSize + 1;
    for (std::size_t i = 0; i < 256; ++i)
        palette[i] = Rgb(colours + 3 * i);
    return true;
}

// Expands run-length data into scan lines. Runs may go on from one line into the next, as some
// writers make them.
class RunReader {
public:
    explicit RunReader(std::span<const std::uint8_t> data) noexcept : data_(data) {}

    // Fills `line`; false when the data ends first.
    bool Fill(std::vector<std::uint8_t>& line) noexcept
    {
        for (std::uint8_t& out : line) {
            if (left_ == 0 && !NextCode())
                return false;
            out = value_;
            --left_;
        }
        return true;
    }

private:
    bool NextCode() noexcept
    {
        while (left_ == 0) {
            if (at_ >= data_.size())
                return false;
            const std::uint8_t code = data_[at_++];
            if ((code & 0xC0) != 0xC0) {
                value_ = code;
                left_ = 1;
            } else {
                if (at_ >= data_.size())
                    return false;
                value_ = data_[at_++];
                left_ = code & 0x3F;  // a run of 0 is passed over
            }
        }
        return true;
    }

    std::span<const std::uint8_t> data_;
    std::size_t at_ = 0;
    std::size_t left_ = 0;
    std::uint8_t value_ = 0;
};

// The index of pixel x in a row of up to 4 bits a pixel: its bits from each plane, plane 0 lowest.
unsigned PackedIndex(const std::vector<std::uint8_t>& line, const PcxLayout& layout, long x) noexcept
{
    const int bits = layout.bitsPerPixel;
    const std::size_t bit = static_cast<std::size_t>(x) * bits;
    const unsigned shift = 8 - bits - static_cast<unsigned>(bit % 8);
    unsigned index = 0;
    for (int plane = 0; plane < layout.planes; ++plane) {
        const std::uint8_t byte = line[plane * layout.bytesPerLine + bit / 8];
        index |= ((byte >> shift) & ((1u << bits) - 1)) << (plane * bits);
    }
    return index;
}

void MapRow(const std::vector<std::uint8_t>& line, const PcxLayout& layout, const std::uint32_t* palette,
            std::uint32_t* row) noexcept
{
    const std::size_t plane = layout.bytesPerLine;
    for (long x = 0; x < layout.width; ++x) {
        if (layout.bitsPerPixel == 8 && layout.planes >= 3)  // red, green, blue planes (and alpha, unused)
            row[x] = static_cast<std::uint32_t>(line[x]) << 16 | static_cast<std::uint32_t>(line[plane + x]) << 8 |
                     line[2 * plane + x];
        else if (layout.bitsPerPixel == 8)
            row[x] = palette[line[x]];
        else
            row[x] = palette[PackedIndex(line, layout, x)];
    }
}

} // namespace

HBITMAP DecodePcx(std::span<const std::uint8_t> file) noexcept
{
    PcxLayout layout{};
    if (!ReadLayout(file, layout))
        return nullptr;
    std::uint32_t palette[256] = {};
    std::span<const std::uint8_t> data = file.subspan(kHeaderSize);
    if (layout.bitsPerPixel == 8 && layout.planes == 1) {
        if (!TailPalette(file, palette))
            return nullptr;
        data = data.first(data.size() - kTailPaletteSize);
    } else {
        std::uint32_t small[16];
        HeaderPalette(file.data(), layout, small);
        std::copy(std::begin(small), std::end(small), palette);
    }
    const std::size_t lineBytes = layout.bytesPerLine * static_cast<std::size_t>(layout.planes);
    // Refused before anything is allocated: data too short for the picture even in longest runs.
    if (data.size() / 2 * kLongestRun + data.size() % 2 < lineBytes * static_cast<std::size_t>(layout.height))
        return nullptr;

    std::uint32_t* pixels = nullptr;
    UniqueBitmap bitmap(CreateCanvasDib(layout.width, layout.height, &pixels));
    if (!bitmap)
        return nullptr;
    std::vector<std::uint8_t> line;
    if (!RanToEnd([&] { line.resize(lineBytes); }))
        return nullptr;
    RunReader reader(data);
    for (long y = 0; y < layout.height; ++y) {
        if (!reader.Fill(line))
            return nullptr;
        MapRow(line, layout, palette, pixels + static_cast<std::size_t>(y) * layout.width);
    }
    return bitmap.release();
}
