// The still-picture decoder over the Windows Imaging Component, and its shared steps.
#include "picture/wic_decoder.h"

#include <cstring>
#include <vector>

#include "picture/dib_canvas.h"
#include "framework/exception_boundary.h"
#include "framework/unique_resource.h"

namespace {

constexpr std::size_t kIconHeaderSize = 6;
constexpr std::size_t kIconEntrySize = 16;

// A cursor file is an icon file whose directory holds hot spots where an icon's holds planes and
// bit counts. The icon codec reads only type 1, so a cursor is handed over as an icon: type 1,
// and the hot spots cleared (0 means "as the image says").
bool CursorAsIcon(std::span<const std::uint8_t> file, std::vector<std::uint8_t>& icon) noexcept
{
    if (file.size() < kIconHeaderSize)
        return false;
    const std::size_t count = file[4] | file[5] << 8;
    if (file.size() < kIconHeaderSize + count * kIconEntrySize)
        return false;
    if (!RanToEnd([&] { icon.assign(file.begin(), file.end()); }))
        return false;
    icon[2] = 1;
    for (std::size_t i = 0; i < count; ++i)
        std::memset(icon.data() + kIconHeaderSize + i * kIconEntrySize + 4, 0, 4);
    return true;
}

bool IsCursor(std::span<const std::uint8_t> file) noexcept
{
    return file.size() >= 4 && file[0] == 0 && file[1] == 0 && file[2] == 2 && file[3] == 0;
}

// The frame to show: the largest image of an icon file, the first frame of anything else.
ComRef<IWICBitmapFrameDecode> ChooseFrame(IWICBitmapDecoder* decoder) noexcept
{
    ComRef<IWICBitmapFrameDecode> chosen;
    GUID container{};
    UINT count = 0;
    if (FAILED(decoder->GetContainerFormat(&container)) || FAILED(decoder->GetFrameCount(&count)) || count == 0)
        return chosen;
    if (container != GUID_ContainerFormatIco)
        count = 1;
    UINT best = 0;
    std::uint64_t largest = 0;
    for (UINT i = 0; i < count; ++i) {
        ComRef<IWICBitmapFrameDecode> frame;
        UINT width = 0, height = 0;
        if (FAILED(decoder->GetFrame(i, frame.Put())) || FAILED(frame->GetSize(&width, &height)))
            continue;
        const std::uint64_t area = std::uint64_t{width} * height;
        if (area > largest) {
            largest = area;
            best = i;
        }
    }
    if (largest == 0 || FAILED(decoder->GetFrame(best, chosen.Put())))
        chosen.Reset();
    return chosen;
}

// Draws straight-alpha BGRA pixels on white in place, leaving the top byte 0.
void ComposeOnWhite(std::uint32_t* pixels, std::size_t count) noexcept
{
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t p = pixels[i];
        const std::uint32_t alpha = p >> 24;
        std::uint32_t out = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            const std::uint32_t c = (p >> shift) & 0xFF;
            out |= ((c * alpha + 255 * (255 - alpha) + 127) / 255) << shift;
        }
        pixels[i] = out;
    }
}

} // namespace

ComRef<IWICImagingFactory> CreateWicFactory() noexcept
{
    ComRef<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                factory.PutVoid())))
        factory.Reset();
    return factory;
}

ComRef<IWICBitmapDecoder> OpenWicDecoder(IWICImagingFactory* factory, std::span<const std::uint8_t> file) noexcept
{
    ComRef<IWICBitmapDecoder> decoder;
    if (factory == nullptr || file.empty())
        return decoder;
    UniqueGlobal memory = CopyToGlobal(file.data(), file.size());
    ComRef<IStream> stream;
    if (!memory || FAILED(CreateStreamOnHGlobal(memory.get(), TRUE, stream.Put())))
        return decoder;
    memory.release();  // the stream frees it
    if (FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                decoder.Put())))
        decoder.Reset();
    return decoder;
}

bool CopyBgraPixels(IWICImagingFactory* factory, IWICBitmapSource* source, UINT width, UINT height,
                    std::uint32_t* pixels) noexcept
{
    ComRef<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(converter.Put())) ||
        FAILED(converter->Initialize(source, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)))
        return false;
    const UINT stride = width * 4;
    const WICRect all{0, 0, static_cast<INT>(width), static_cast<INT>(height)};
    return SUCCEEDED(converter->CopyPixels(&all, stride, stride * height, reinterpret_cast<BYTE*>(pixels)));
}

HBITMAP DecodeWithWic(std::span<const std::uint8_t> file) noexcept
{
    std::vector<std::uint8_t> icon;
    if (IsCursor(file)) {
        if (!CursorAsIcon(file, icon))
            return nullptr;
        file = icon;
    }
    ComRef<IWICImagingFactory> factory = CreateWicFactory();
    ComRef<IWICBitmapDecoder> decoder = OpenWicDecoder(factory.Get(), file);
    ComRef<IWICBitmapFrameDecode> frame = decoder ? ChooseFrame(decoder.Get()) : ComRef<IWICBitmapFrameDecode>();
    UINT width = 0, height = 0;
    if (!frame || FAILED(frame->GetSize(&width, &height)))
        return nullptr;
    std::uint32_t* pixels = nullptr;
    UniqueBitmap bitmap(CreateCanvasDib(static_cast<int>(width), static_cast<int>(height), &pixels));
    if (!bitmap || !CopyBgraPixels(factory.Get(), frame.Get(), width, height, pixels))
        return nullptr;
    ComposeOnWhite(pixels, std::size_t{width} * height);
    return bitmap.release();
}
