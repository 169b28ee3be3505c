// Picture objects from image file bytes and back. BMP and PCX files go through our own decoders,
// the other recognised kinds through the system's imaging component (GIFs composed on their
// logical screen, icons and cursors drawn on a white background of their size).
#include "com/com_picture.h"

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cstring>

#include "picture/bmp_decoder.h"
#include "picture/bmp_writer.h"
#include "framework/com_ref.h"
#include "picture/gif_animation.h"
#include "picture/pcx_decoder.h"
#include "picture/wic_decoder.h"
#include "framework/exception_boundary.h"
#include "framework/unique_resource.h"

namespace {

enum class ImageKind { None, Bmp, Jpeg, Png, Gif, Icon, Cursor, Pcx };

bool StartsWith(const ByteSet& bytes, const char* signature, std::size_t length) noexcept
{
    return bytes.Size() >= length && std::memcmp(bytes.Data(), signature, length) == 0;
}

// The image kind from the first bytes; at least 6 bytes are needed.
ImageKind RecogniseImage(const ByteSet& bytes) noexcept
{
    if (bytes.Size() < 6)
        return ImageKind::None;
    if (StartsWith(bytes, "BM", 2))
        return ImageKind::Bmp;
    if (StartsWith(bytes, "\xFF\xD8", 2))
        return ImageKind::Jpeg;
    if (StartsWith(bytes, "\x89PNG\r\n\x1A\n", 8))
        return ImageKind::Png;
    if (StartsWith(bytes, "GIF87a", 6) || StartsWith(bytes, "GIF89a", 6))
        return ImageKind::Gif;
    if (StartsWith(bytes, "\0\0\1\0", 4))
        return ImageKind::Icon;
    if (StartsWith(bytes, "\0\0\2\0", 4))
        return ImageKind::Cursor;
    if (bytes[0] == 0x0A && bytes[1] <= 5 && bytes[2] == 1)
        return ImageKind::Pcx;
    return ImageKind::None;
}

std::span<const std::uint8_t> ImageSpan(const ByteSet& bytes) noexcept
{
    return {bytes.Data(), bytes.Size()};
}

// The first frame of a GIF, composed on its logical screen.
HBITMAP DecodeGif(const ByteSet& bytes) noexcept
{
    GifAnimation animation;
    return animation.Open(ImageSpan(bytes)) ? animation.ReleaseCanvas() : nullptr;
}

HBITMAP DecodeImage(const ByteSet& bytes) noexcept
{
    switch (RecogniseImage(bytes)) {
    case ImageKind::None: return nullptr;
    case ImageKind::Bmp: return DecodeBmp(ImageSpan(bytes));
    case ImageKind::Pcx: return DecodePcx(ImageSpan(bytes));
    case ImageKind::Gif: return DecodeGif(bytes);
    default: return DecodeWithWic(ImageSpan(bytes));
    }
}

// A 24-bit bottom-up BMP file of the bitmap; empty bytes when its pixels cannot be read or held.
ByteSet SaveBitmapAsBmp(HBITMAP bitmap)
{
    BITMAP shape{};
    if (GetObjectA(bitmap, sizeof(shape), &shape) == 0)
        return ByteSet();
    const std::uint32_t imageSize = BmpImageSize(shape.bmWidth, shape.bmHeight);
    if (imageSize == 0)
        return ByteSet();
    ByteSet bytes(kBmpHeaderSize + imageSize);
    if (WriteBmp(bitmap, shape, imageSize, bytes.Data()) != shape.bmHeight)
        return ByteSet();
    return bytes;
}

// What SaveAsFile wrote into `stream`, `written` bytes from its start; empty bytes on a short read.
ByteSet ReadSavedBytes(IStream* stream, LONG written)
{
    LARGE_INTEGER start{};
    ULONG read = 0;
    ByteSet bytes(static_cast<std::size_t>(written));
    if (FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr)) ||
        FAILED(stream->Read(bytes.Data(), static_cast<ULONG>(written), &read)) || read != static_cast<ULONG>(written))
        return ByteSet();
    return bytes;
}

// The bytes of the picture's file, from the picture itself or, for a bitmap that saves nothing,
// our own BMP file of its pixels; empty bytes when neither can be had.
ByteSet SavePicture(const ComObjectValue* object)
{
    if (object == nullptr || object->object == nullptr)
        return ByteSet();
    ComRef<IPicture> picture = QueryFor<IPicture>(object->object, IID_IPicture);
    ComRef<IStream> stream;
    if (!picture || FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put())))
        return ByteSet();
    LONG written = 0;
    if (FAILED(picture->SaveAsFile(stream.Get(), TRUE, &written)))
        return ByteSet();
    if (written > 0)
        return ReadSavedBytes(stream.Get(), written);
    // Some picture objects save nothing for a bitmap they did not load from a file: write the
    // bitmap's pixels as a BMP file ourselves.
    SHORT type = PICTYPE_NONE;
    OLE_HANDLE handle = 0;
    if (FAILED(picture->get_Type(&type)) || type != PICTYPE_BITMAP || FAILED(picture->get_Handle(&handle)))
        return ByteSet();
    return SaveBitmapAsBmp(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)));
}

} // namespace

bool RtComCreatePicture(ComObjectValue* object, const ByteSet& bytes, bool ownsBitmap) noexcept
{
    if (object == nullptr)
        return false;
    PICTDESC description{};
    description.cbSizeofstruct = sizeof(PICTDESC);
    description.picType = PICTYPE_NONE;
    UniqueBitmap bitmap(bytes.Empty() ? nullptr : DecodeImage(bytes));
    if (bitmap) {
        description.picType = PICTYPE_BITMAP;
        description.bmp.hbitmap = bitmap.get();
    }
    ComRef<IPictureDisp> picture;
    if (FAILED(OleCreatePictureIndirect(&description, IID_IPictureDisp, ownsBitmap ? TRUE : FALSE, picture.PutVoid())) || !picture)
        return false;
    if (ownsBitmap)
        bitmap.release();  // the picture deletes it with its last reference
    ComRef<IUnknown> unknown = QueryFor<IUnknown>(picture.Get(), IID_IUnknown);
    if (!unknown)
        return false;
    if (object->object != nullptr)
        object->object->Release();
    object->object = unknown.Get();
    object->object->AddRef();
    bitmap.release();  // without ownsBitmap: the caller's, reached as the picture's Handle
    return true;
}

ByteSet RtComSavePicture(const ComObjectValue* object) noexcept
{
    // Out of memory for the file's bytes gives empty bytes, as any other failure to save does.
    return NoThrow(ByteSet(), [&] { return SavePicture(object); });
}
