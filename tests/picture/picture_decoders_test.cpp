// The picture decoders behind RtComCreatePicture, against files that outside encoders wrote: every
// format decodes to the encoder's own pixels, damaged files of every format give an empty picture,
// and our own BMP and PCX decoders read nothing past the bytes they are given.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "picture/bmp_decoder.h"
#include "com/com_picture.h"
#include "framework/com_ref.h"
#include "picture/pcx_decoder.h"
#include "framework/unique_resource.h"
#include "support/picture_fixtures.h"

namespace {

class ComApartment : public ::testing::Test {
protected:
    void SetUp() override
    {
        apartment_ = InitializeComApartment();
        ASSERT_TRUE(apartment_);
    }
    void TearDown() override { apartment_.reset(); }

private:
    UniqueComApartment apartment_;
};

// The bitmap of the picture RtComCreatePicture makes, as pixels; `made` says whether it made one.
Pixels DecodeThroughPicture(const ByteSet& bytes, bool* made = nullptr)
{
    UniqueComObjectValue object(AllocateComObjectValue(nullptr));
    const bool created = RtComCreatePicture(object.get(), bytes);
    if (made)
        *made = created;
    ComRef<IPicture> picture = QueryFor<IPicture>(object->object, IID_IPicture);
    SHORT type = PICTYPE_UNINITIALIZED;
    OLE_HANDLE handle = 0;
    if (!picture || FAILED(picture->get_Type(&type)) || type != PICTYPE_BITMAP || FAILED(picture->get_Handle(&handle)))
        return Pixels();
    return BitmapPixels(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)));
}

// ---- Every format, from outside encoders

struct Sample {
    const char* file;
    const char* reference;
    int tolerance;  // the largest difference allowed in any channel
};

const Sample kSamples[] = {
    {"pcx1.pcx", "mono.ppm", 0},
    {"pcx2.pcx", "colours4.ppm", 0},
    {"pcx4.pcx", "colours16.ppm", 0},
    {"pcx4planes.pcx", "colours16.ppm", 0},
    {"pcx8.pcx", "colours200.ppm", 0},
    {"pcx8-magick.pcx", "pcx8-magick.ppm", 0},
    {"pcx24.pcx", "source.ppm", 0},
    {"pcx24-magick.pcx", "source.ppm", 0},
    {"bmp1.bmp", "mono.ppm", 0},
    {"bmp4.bmp", "bmp4.ppm", 0},
    {"bmp8.bmp", "bmp8.ppm", 0},
    {"bmp8-rle.bmp", "bmp8-rle.ppm", 0},
    {"bmp16.bmp", "bmp16.ppm", 8},  // 5 and 6 bits widened to 8 in either of two common ways
    {"bmp24.bmp", "source.ppm", 0},
    {"bmp24-v5.bmp", "source.ppm", 0},
    {"bmp32.bmp", "source.ppm", 0},
    {"png24.png", "source.ppm", 0},
    {"png8.png", "colours64.ppm", 0},
    {"png16-grey.png", "png16-grey.ppm", 1},
    {"png-alpha.png", "png-alpha.ppm", 1},
    {"photo.jpg", "photo.ppm", 12},  // another JPEG decoder's rounding
    {"still.gif", "colours64.ppm", 0},
    {"animated.gif", "animated-first.ppm", 0},
    {"icon.ico", "icon.ppm", 1},
    {"cursor.cur", "cursor.ppm", 1},
};

// The largest difference of one channel between the two pictures, and where it is.
struct Difference {
    int largest = 0;
    int x = 0;
    int y = 0;
};

Difference Compare(const Pixels& got, const Pixels& want)
{
    Difference d;
    for (int y = 0; y < want.height; ++y) {
        for (int x = 0; x < want.width; ++x) {
            for (int shift = 0; shift < 24; shift += 8) {
                const int delta = std::abs(static_cast<int>((got.At(x, y) >> shift) & 0xFF) -
                                           static_cast<int>((want.At(x, y) >> shift) & 0xFF));
                if (delta > d.largest)
                    d = {delta, x, y};
            }
        }
    }
    return d;
}

using PictureDecoders = ComApartment;

TEST_F(PictureDecoders, EachFormatDecodesToThePixelsItsEncoderWrote)
{
    for (const Sample& sample : kSamples) {
        SCOPED_TRACE(sample.file);
        const ByteSet bytes = ReadPictureFixture(sample.file);
        const Pixels want = ReadPpmFixture(sample.reference);
        ASSERT_FALSE(bytes.Empty()) << "fixture missing";
        ASSERT_GT(want.width, 0) << "reference missing";
        const Pixels got = DecodeThroughPicture(bytes);
        ASSERT_EQ(got.width, want.width);
        ASSERT_EQ(got.height, want.height);
        const Difference d = Compare(got, want);
        EXPECT_LE(d.largest, sample.tolerance) << "at " << d.x << "," << d.y << std::hex << ": got " << got.At(d.x, d.y)
                                               << ", want " << want.At(d.x, d.y);
    }
}

// ---- Damaged files

void PutU16(ByteSet& bytes, std::size_t at, std::uint16_t value)
{
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU32(ByteSet& bytes, std::size_t at, std::uint32_t value)
{
    PutU16(bytes, at, static_cast<std::uint16_t>(value));
    PutU16(bytes, at + 2, static_cast<std::uint16_t>(value >> 16));
}

void PutU32BigEndian(ByteSet& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

ByteSet Prefix(const ByteSet& bytes, std::size_t size) { return ByteSet(bytes.Data(), size); }

// The CRC of a PNG chunk (its type and data), so that a changed header still passes its check and
// only its values are wrong.
std::uint32_t PngCrc(const std::uint8_t* data, std::size_t size)
{
    std::uint32_t crc = 0xFFFFFFFF;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = crc & 1 ? 0xEDB88320 ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

// The PNG with its header's width and height replaced and the header's CRC made right again.
ByteSet PngOfSize(ByteSet png, std::uint32_t width, std::uint32_t height)
{
    PutU32BigEndian(png, 16, width);
    PutU32BigEndian(png, 20, height);
    PutU32BigEndian(png, 29, PngCrc(png.Data() + 12, 17));
    return png;
}

// Where the JPEG's frame header (SOF0 to SOF2) keeps its height; 0 when there is none.
std::size_t JpegFrameHeight(const ByteSet& jpeg)
{
    for (std::size_t i = 2; i + 9 < jpeg.Size();) {
        if (jpeg[i] != 0xFF)
            return 0;
        const std::uint8_t marker = jpeg[i + 1];
        if (marker >= 0xC0 && marker <= 0xC2)
            return i + 5;
        i += 2 + (jpeg[i + 2] << 8 | jpeg[i + 3]);
    }
    return 0;
}

// The icon file with every image that is a DIB (not a PNG) claiming width x height.
ByteSet IconImagesOfSize(ByteSet icon, std::uint32_t width, std::uint32_t height)
{
    const std::size_t count = icon[4] | icon[5] << 8;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = 6 + 16 * i + 12;
        const std::size_t image = icon[entry] | icon[entry + 1] << 8 | icon[entry + 2] << 16 | icon[entry + 3] << 24;
        if (image + 12 <= icon.Size() && icon[image] == 40) {
            PutU32(icon, image + 4, width);
            PutU32(icon, image + 8, height);
        }
    }
    return icon;
}

struct Damage {
    const char* what;
    const char* file;
    std::function<ByteSet(ByteSet)> change;
};

auto Half = [](ByteSet b) { return Prefix(b, b.Size() / 2); };

const Damage kDamage[] = {
    // Truncated.
    {"truncated", "pcx1.pcx", Half},
    {"truncated", "pcx4planes.pcx", Half},
    {"truncated", "pcx8.pcx", Half},
    {"truncated", "pcx24.pcx", Half},
    {"truncated", "bmp8.bmp", Half},
    {"truncated", "bmp8-rle.bmp", Half},
    {"truncated", "bmp24.bmp", Half},
    {"truncated", "png24.png", Half},
    {"truncated", "photo.jpg", [](ByteSet b) { return Prefix(b, 200); }},
    {"truncated", "still.gif", Half},
    {"truncated", "icon.ico", Half},
    {"truncated", "cursor.cur", Half},
    {"header only", "bmp24.bmp", [](ByteSet b) { return Prefix(b, 54); }},
    {"header only", "pcx24.pcx", [](ByteSet b) { return Prefix(b, 129); }},
    // Bad headers.
    {"no planes", "bmp24.bmp", [](ByteSet b) { PutU16(b, 26, 0); return b; }},
    {"7 bits a pixel", "bmp24.bmp", [](ByteSet b) { PutU16(b, 28, 7); return b; }},
    {"header size that wraps 14 + size", "bmp24.bmp", [](ByteSet b) { PutU32(b, 14, 0xFFFFFFF8); return b; }},
    {"pixels start at the end", "bmp24.bmp", [](ByteSet b) { PutU32(b, 10, static_cast<std::uint32_t>(b.Size())); return b; }},
    {"pixels start inside the header", "bmp24.bmp", [](ByteSet b) { PutU32(b, 10, 20); return b; }},
    {"unknown compression", "bmp24.bmp", [](ByteSet b) { PutU32(b, 30, 9); return b; }},
    {"3 bits a pixel", "pcx8.pcx", [](ByteSet b) { b[3] = 3; return b; }},
    {"8 bits in 2 planes", "pcx24.pcx", [](ByteSet b) { b[65] = 2; return b; }},
    {"right edge before the left", "pcx24.pcx", [](ByteSet b) { PutU16(b, 4, 100); return b; }},
    {"lines shorter than the picture", "pcx24.pcx", [](ByteSet b) { PutU16(b, 66, 10); return b; }},
    {"broken header check", "png24.png", [](ByteSet b) { b[17] ^= 1; return b; }},
    {"no frame header", "photo.jpg", [](ByteSet b) { b[JpegFrameHeight(b) - 4] = 0xFE; return b; }},
    {"code size out of range", "still.gif", [](ByteSet b) {
         // the LZW minimum code size follows the image descriptor (and its local colour table, if any)
         for (std::size_t i = 13 + 3 * 64; i + 10 < b.Size(); ++i)
             if (b[i] == 0x2C) { b[i + 10] = 0x3F; break; }
         return b;
     }},
    {"65535 images", "icon.ico", [](ByteSet b) { PutU16(b, 4, 0xFFFF); return b; }},
    {"65535 images", "cursor.cur", [](ByteSet b) { PutU16(b, 4, 0xFFFF); return b; }},
    // Short colour tables.
    {"300 colours of 8 bits", "bmp8.bmp", [](ByteSet b) { PutU32(b, 46, 300); return b; }},
    {"colour table cut by the pixels", "bmp8.bmp", [](ByteSet b) { PutU32(b, 10, 54 + 100); return b; }},
    {"colour table past the end", "bmp8.bmp", [](ByteSet b) { return Prefix(b, 54 + 100); }},
    {"no closing palette", "pcx8.pcx", [](ByteSet b) { b[b.Size() - 769] = 0; return b; }},
    {"closing palette cut", "pcx8.pcx", [](ByteSet b) { return Prefix(b, b.Size() - 300); }},
    {"global colour table cut", "still.gif", [](ByteSet b) { return Prefix(b, 13 + 50); }},
    // Huge dimensions in small files.
    {"30000 x 30000", "bmp24.bmp", [](ByteSet b) { PutU32(b, 18, 30000); PutU32(b, 22, 30000); return b; }},
    {"2^30 wide", "bmp8.bmp", [](ByteSet b) { PutU32(b, 18, 1u << 30); return b; }},
    {"30000 x 30000, run-length coded", "bmp8-rle.bmp", [](ByteSet b) { PutU32(b, 18, 30000); PutU32(b, 22, 30000); return b; }},
    {"65536 x 65536", "pcx24.pcx", [](ByteSet b) { PutU16(b, 4, 0); PutU16(b, 8, 0xFFFF); PutU16(b, 6, 0); PutU16(b, 10, 0xFFFF); PutU16(b, 66, 0xFFFF); return b; }},
    {"100000 x 100000", "png24.png", [](ByteSet b) { return PngOfSize(b, 100000, 100000); }},
    {"65535 x 65535", "photo.jpg", [](ByteSet b) { PutU16(b, JpegFrameHeight(b), 0xFFFF); PutU16(b, JpegFrameHeight(b) + 2, 0xFFFF); return b; }},
    {"65535 x 65535 screen", "still.gif", [](ByteSet b) { PutU16(b, 6, 0xFFFF); PutU16(b, 8, 0xFFFF); return b; }},
    {"30000 x 60000 images", "icon.ico", [](ByteSet b) { return IconImagesOfSize(b, 30000, 60000); }},
};

TEST_F(PictureDecoders, DamagedFilesOfEveryFormatGiveAnEmptyPicture)
{
    for (const Damage& damage : kDamage) {
        SCOPED_TRACE(std::string(damage.file) + ": " + damage.what);
        const ByteSet bytes = ReadPictureFixture(damage.file);
        ASSERT_FALSE(bytes.Empty()) << "fixture missing";
        bool made = false;
        const Pixels got = DecodeThroughPicture(damage.change(bytes), &made);
        EXPECT_TRUE(made) << "an empty picture is still a picture";
        EXPECT_EQ(got.width, 0);
    }
}

// ---- Our own decoders stay inside their bytes

// Bytes placed so that the last one ends a page and the next page cannot be read: a decoder that
// reads one byte too many faults at once.
class GuardedBytes {
public:
    explicit GuardedBytes(std::size_t capacity)
    {
        const std::size_t page = 4096;
        size_ = (capacity + page - 1) / page * page;
        base_ = static_cast<std::uint8_t*>(VirtualAlloc(nullptr, size_ + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(base_ + size_, page, PAGE_NOACCESS, &old);
    }
    ~GuardedBytes() { VirtualFree(base_, 0, MEM_RELEASE); }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    std::span<const std::uint8_t> Place(const ByteSet& bytes, std::size_t count)
    {
        std::uint8_t* at = base_ + size_ - count;
        std::memcpy(at, bytes.Data(), count);
        return {at, count};
    }

private:
    std::uint8_t* base_ = nullptr;
    std::size_t size_ = 0;
};

struct OwnDecoder {
    const char* file;
    HBITMAP (*decode)(std::span<const std::uint8_t>) noexcept;
};

TEST(OwnDecoders, EveryPrefixOfAFileIsReadWithinItsBytesAndGivesNoPicture)
{
    const OwnDecoder decoders[] = {
        {"bmp1.bmp", DecodeBmp},  {"bmp4.bmp", DecodeBmp},       {"bmp8.bmp", DecodeBmp},
        {"bmp8-rle.bmp", DecodeBmp}, {"bmp16.bmp", DecodeBmp},   {"bmp24-v5.bmp", DecodeBmp},
        {"pcx1.pcx", DecodePcx},  {"pcx4planes.pcx", DecodePcx}, {"pcx4.pcx", DecodePcx},
        {"pcx8.pcx", DecodePcx},  {"pcx24.pcx", DecodePcx},
    };
    for (const OwnDecoder& decoder : decoders) {
        SCOPED_TRACE(decoder.file);
        const ByteSet bytes = ReadPictureFixture(decoder.file);
        ASSERT_FALSE(bytes.Empty()) << "fixture missing";
        GuardedBytes guarded(bytes.Size());
        UniqueBitmap whole(decoder.decode(guarded.Place(bytes, bytes.Size())));
        EXPECT_NE(whole.get(), nullptr);
        // A compressed picture may end in a mark that adds no pixel: the last two bytes may go.
        for (std::size_t size = 0; size + 2 < bytes.Size(); ++size) {
            UniqueBitmap part(decoder.decode(guarded.Place(bytes, size)));
            EXPECT_EQ(part.get(), nullptr) << "a prefix of " << size << " bytes";
            if (part)
                break;
        }
    }
}

// 72 million pixels at 1 bit take 9 MB: more pixels than a decoded picture may claim, but all of
// them are in the file, so the picture is made at its own depth (whoever keeps it may refuse it);
// one byte fewer and there is none.
TEST(OwnDecoders, AnUncompressedBmpBeyondThePixelLimitIsMadeWhenTheFileHoldsItsPixels)
{
    const LONG width = 9000, height = 8000;
    const DWORD stride = (width + 31) / 32 * 4;
    const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD);
    ByteSet bytes(offset + stride * height);
    const BITMAPFILEHEADER file = {0x4D42, static_cast<DWORD>(bytes.Size()), 0, 0, offset};
    const BITMAPINFOHEADER info = {sizeof info, width, height, 1, 1, BI_RGB, 0, 0, 0, 2, 0};
    std::memcpy(bytes.Data(), &file, sizeof file);
    std::memcpy(bytes.Data() + sizeof file, &info, sizeof info);

    UniqueBitmap made(DecodeBmp({bytes.Data(), bytes.Size()}));
    BITMAP shape{};
    ASSERT_NE(made.get(), nullptr);
    ASSERT_NE(GetObjectA(made.get(), sizeof shape, &shape), 0);
    EXPECT_EQ(shape.bmWidth, width);
    EXPECT_EQ(shape.bmHeight, height);
    EXPECT_EQ(shape.bmBitsPixel, 1);
    made.reset();
    EXPECT_EQ(DecodeBmp({bytes.Data(), bytes.Size() - 1}), nullptr);
}

} // namespace
