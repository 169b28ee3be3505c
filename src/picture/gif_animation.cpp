// The GIF animation's composition: the logical screen and loop count from the file's metadata,
// each frame's place, delay and disposal from its own, and the frames drawn over one another.
#include "picture/gif_animation.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "picture/wic_decoder.h"
#include "framework/exception_boundary.h"
#include "framework/unique_resource.h"

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr UINT kDisposeToBackground = 2;
constexpr UINT kDisposeToPrevious = 3;
// Delays in hundredths of a second; a delay of at most this many is taken as the default.
constexpr UINT kShortestDelay = 1;
constexpr UINT kDefaultDelay = 10;

bool IsGif(std::span<const std::uint8_t> file) noexcept
{
    return file.size() >= 6 && (std::memcmp(file.data(), "GIF87a", 6) == 0 || std::memcmp(file.data(), "GIF89a", 6) == 0);
}

// An unsigned number under `name`; false when the reader has none.
bool ReadNumber(IWICMetadataQueryReader* reader, const wchar_t* name, UINT& value) noexcept
{
    UniquePropVariant read;
    if (reader == nullptr || FAILED(reader->GetMetadataByName(name, read.put())))
        return false;
    const PROPVARIANT& item = read.get();
    switch (item.vt) {
    case VT_UI1: value = item.bVal; return true;
    case VT_UI2: value = item.uiVal; return true;
    case VT_UI4: value = item.ulVal; return true;
    case VT_BOOL: value = item.boolVal ? 1 : 0; return true;
    default: return false;
    }
}

// The bytes under `name` (a byte vector); empty when the reader has none.
std::vector<std::uint8_t> ReadBytes(IWICMetadataQueryReader* reader, const wchar_t* name) noexcept
{
    std::vector<std::uint8_t> bytes;
    UniquePropVariant read;
    if (reader == nullptr || FAILED(reader->GetMetadataByName(name, read.put())))
        return bytes;
    const PROPVARIANT& item = read.get();
    if (item.vt == (VT_VECTOR | VT_UI1) &&
        !RanToEnd([&] { bytes.assign(item.caub.pElems, item.caub.pElems + item.caub.cElems); }))
        bytes.clear();
    return bytes;
}

// How many times the frames play, from the NETSCAPE2.0 (or ANIMEXTS1.0) application extension,
// whose data are the sub-blocks with their lengths: 3, 1, then a count low byte first. The count
// is of the repeats after the first round, as browsers and encoders read it; 0 repeats for ever.
// Without the extension the frames play once.
UINT ReadRounds(IWICMetadataQueryReader* reader) noexcept
{
    const std::vector<std::uint8_t> application = ReadBytes(reader, L"/appext/Application");
    const std::string_view name(reinterpret_cast<const char*>(application.data()), application.size());
    if (name != "NETSCAPE2.0" && name != "ANIMEXTS1.0")
        return 1;
    const std::vector<std::uint8_t> data = ReadBytes(reader, L"/appext/Data");
    if (data.size() < 4 || data[0] < 3 || data[1] != 1)
        return 1;
    const UINT repeats = data[2] | data[3] << 8;
    return repeats == 0 ? 0 : repeats + 1;
}

} // namespace

bool GifAnimation::Open(std::span<const std::uint8_t> file) noexcept
{
    if (!IsGif(file))
        return false;
    factory_ = CreateWicFactory();
    decoder_ = OpenWicDecoder(factory_.Get(), file);
    GUID container{};
    if (!decoder_ || FAILED(decoder_->GetContainerFormat(&container)) || container != GUID_ContainerFormatGif ||
        FAILED(decoder_->GetFrameCount(&frameCount_)) || frameCount_ == 0)
        return false;
    ReadScreen();
    canvas_.reset(CreateCanvasDib(static_cast<int>(width_), static_cast<int>(height_), &pixels_));
    if (!canvas_)
        return false;
    Fill(0, 0, width_, height_);
    if (!DrawFrame(0)) {
        canvas_.reset();
        return false;
    }
    return true;
}

HBITMAP GifAnimation::ReleaseCanvas() noexcept
{
    frameCount_ = std::min(frameCount_, 1u);
    pixels_ = nullptr;
    return canvas_.release();
}

// The logical screen's size and the number of rounds; a file without a readable screen takes the size
// of its first frame.
void GifAnimation::ReadScreen() noexcept
{
    ComRef<IWICMetadataQueryReader> reader;
    if (FAILED(decoder_->GetMetadataQueryReader(reader.Put())))
        reader.Reset();
    rounds_ = ReadRounds(reader.Get());
    if (ReadNumber(reader.Get(), L"/logscrdesc/Width", width_) &&
        ReadNumber(reader.Get(), L"/logscrdesc/Height", height_) && width_ > 0 && height_ > 0)
        return;
    ComRef<IWICBitmapFrameDecode> first;
    if (FAILED(decoder_->GetFrame(0, first.Put())) || FAILED(first->GetSize(&width_, &height_)))
        width_ = height_ = 0;
}

bool GifAnimation::DrawFrame(UINT index) noexcept
{
    ComRef<IWICBitmapFrameDecode> frame;
    FrameInfo info;
    if (FAILED(decoder_->GetFrame(index, frame.Put())) || FAILED(frame->GetSize(&info.width, &info.height)) ||
        !PictureSizeAllowed(info.width, info.height))
        return false;
    ComRef<IWICMetadataQueryReader> reader;
    if (FAILED(frame->GetMetadataQueryReader(reader.Put())))
        reader.Reset();
    UINT delay = 0;
    ReadNumber(reader.Get(), L"/imgdesc/Left", info.left);
    ReadNumber(reader.Get(), L"/imgdesc/Top", info.top);
    ReadNumber(reader.Get(), L"/grctlext/Disposal", info.disposal);
    ReadNumber(reader.Get(), L"/grctlext/Delay", delay);
    info.delayMs = (delay <= kShortestDelay ? kDefaultDelay : delay) * 10;

    std::vector<std::uint32_t> image;
    if (!RanToEnd([&] {
            image.resize(std::size_t{info.width} * info.height);
            if (info.disposal == kDisposeToPrevious)
                saved_.assign(pixels_, pixels_ + std::size_t{width_} * height_);
        }))
        return false;
    if (!CopyBgraPixels(factory_.Get(), frame.Get(), info.width, info.height, image.data()))
        return false;
    // Only opaque pixels are drawn: a GIF's transparent colour lets what is under it show.
    for (UINT y = 0; y < info.height && info.top + y < height_; ++y) {
        const std::uint32_t* from = image.data() + std::size_t{y} * info.width;
        std::uint32_t* to = pixels_ + std::size_t{info.top + y} * width_;
        for (UINT x = 0; x < info.width && info.left + x < width_; ++x) {
            if (from[x] >> 24 >= 0x80)
                to[info.left + x] = from[x] & 0xFFFFFF;
        }
    }
    current_ = info;
    shown_ = index;
    return true;
}

void GifAnimation::Fill(UINT left, UINT top, UINT width, UINT height) noexcept
{
    for (UINT y = top; y < top + height && y < height_; ++y)
        std::fill(pixels_ + std::size_t{y} * width_ + std::min(left, width_),
                  pixels_ + std::size_t{y} * width_ + std::min(left + width, width_), kWhite);
}

void GifAnimation::Dispose() noexcept
{
    if (current_.disposal == kDisposeToBackground)
        Fill(current_.left, current_.top, current_.width, current_.height);
    else if (current_.disposal == kDisposeToPrevious && saved_.size() == std::size_t{width_} * height_)
        std::copy(saved_.begin(), saved_.end(), pixels_);
}

bool GifAnimation::Advance() noexcept
{
    if (frameCount_ < 2 || pixels_ == nullptr)
        return false;
    UINT next = shown_ + 1;
    if (next == frameCount_) {
        ++played_;
        if (rounds_ != 0 && played_ >= rounds_)
            return false;
        next = 0;
    }
    Dispose();
    if (next == 0)
        Fill(0, 0, width_, height_);
    return DrawFrame(next);
}
