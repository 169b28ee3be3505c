// Picture objects from image file bytes and back. BMP files are decoded here into a DIB section;
// the other recognised kinds go through the system's picture loader and are copied into a bitmap
// of our own (icons and cursors drawn on a white background of their size).
#include "com/com_picture.h"

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cstring>

#include "com/com_ref.h"

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

// Bytes of one row of pixels of a DIB, padded to 4 bytes.
std::size_t DibStride(LONG width, WORD bitCount) noexcept
{
    return ((static_cast<std::size_t>(width) * bitCount + 31) / 32) * 4;
}

// A DIB section holding the pixels of a BMP file; null for a damaged or unsupported file. Every
// header field is checked against the file's length before it is used.
HBITMAP DecodeBmp(const ByteSet& bytes) noexcept
{
    const std::size_t size = bytes.Size();
    if (size < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER))
        return nullptr;
    BITMAPFILEHEADER file;
    std::memcpy(&file, bytes.Data(), sizeof(file));
    const auto* info = reinterpret_cast<const BITMAPINFO*>(bytes.Data() + sizeof(BITMAPFILEHEADER));
    const BITMAPINFOHEADER& header = info->bmiHeader;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biWidth <= 0 || header.biHeight == 0 ||
        header.biPlanes != 1 || file.bfOffBits >= size || file.bfOffBits < sizeof(BITMAPFILEHEADER) + header.biSize)
        return nullptr;
    const std::uint8_t* bits = bytes.Data() + file.bfOffBits;
    const std::size_t available = size - file.bfOffBits;
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = nullptr;
    if (header.biCompression == BI_RGB || header.biCompression == BI_BITFIELDS) {
        LONG height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
        std::size_t needed = DibStride(header.biWidth, header.biBitCount) * static_cast<std::size_t>(height);
        void* pixels = nullptr;
        if (header.biBitCount != 0 && needed <= available)
            bitmap = CreateDIBSection(screen, info, DIB_RGB_COLORS, &pixels, nullptr, 0);
        if (bitmap != nullptr && pixels != nullptr)
            std::memcpy(pixels, bits, needed);
    } else if (header.biCompression == BI_RLE8 || header.biCompression == BI_RLE4) {
        if (header.biSizeImage != 0 && header.biSizeImage <= available)
            bitmap = CreateDIBitmap(screen, &header, CBM_INIT, bits, info, DIB_RGB_COLORS);
    }
    ReleaseDC(nullptr, screen);
    return bitmap;
}

// A bitmap of the icon's size, white, with the icon drawn on it.
HBITMAP DrawIconOnWhite(HICON icon, LONG width, LONG height) noexcept
{
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    if (memory != nullptr && bitmap != nullptr) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        RECT all{0, 0, width, height};
        FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        DrawIconEx(memory, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
        SelectObject(memory, old);
    }
    if (memory != nullptr)
        DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

// JPEG, PNG, GIF, icon and cursor bytes through OleLoadPicture, copied into a bitmap we own.
HBITMAP DecodeWithPictureLoader(const ByteSet& bytes) noexcept
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.Size());
    if (memory == nullptr)
        return nullptr;
    void* data = GlobalLock(memory);
    if (data == nullptr) {
        GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(data, bytes.Data(), bytes.Size());
    GlobalUnlock(memory);
    ComRef<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, stream.Put()))) {
        GlobalFree(memory);
        return nullptr;
    }
    ComRef<IPicture> picture;
    if (FAILED(OleLoadPicture(stream.Get(), static_cast<LONG>(bytes.Size()), FALSE, IID_IPicture, picture.PutVoid())) ||
        !picture)
        return nullptr;
    SHORT type = PICTYPE_NONE;
    OLE_HANDLE handle = 0;
    if (FAILED(picture->get_Type(&type)) || FAILED(picture->get_Handle(&handle)) || handle == 0)
        return nullptr;
    if (type == PICTYPE_BITMAP)
        return static_cast<HBITMAP>(CopyImage(reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(handle)), IMAGE_BITMAP,
                                              0, 0, LR_CREATEDIBSECTION));
    if (type != PICTYPE_ICON)
        return nullptr;
    auto icon = reinterpret_cast<HICON>(static_cast<UINT_PTR>(handle));
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return nullptr;
    BITMAP mask{};
    GetObjectA(info.hbmMask, sizeof(mask), &mask);
    LONG width = mask.bmWidth;
    LONG height = info.hbmColor != nullptr ? mask.bmHeight : mask.bmHeight / 2;
    if (info.hbmColor != nullptr)
        DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return width > 0 && height > 0 ? DrawIconOnWhite(icon, width, height) : nullptr;
}

HBITMAP DecodeImage(const ByteSet& bytes) noexcept
{
    switch (RecogniseImage(bytes)) {
    case ImageKind::None: return nullptr;
    case ImageKind::Bmp: return DecodeBmp(bytes);
    case ImageKind::Pcx: return nullptr;  // recognised, but no decoder: an empty picture
    default: return DecodeWithPictureLoader(bytes);
    }
}

// A 24-bit bottom-up BMP file of the bitmap; empty bytes when its pixels cannot be read.
ByteSet SaveBitmapAsBmp(HBITMAP bitmap) noexcept
{
    BITMAP shape{};
    if (GetObjectA(bitmap, sizeof(shape), &shape) == 0 || shape.bmWidth <= 0 || shape.bmHeight <= 0)
        return ByteSet();
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), shape.bmWidth, shape.bmHeight, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const std::size_t offset = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    const std::size_t pixels = DibStride(shape.bmWidth, 24) * static_cast<std::size_t>(shape.bmHeight);
    ByteSet bytes(offset + pixels);
    HDC screen = GetDC(nullptr);
    int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(shape.bmHeight), bytes.Data() + offset, &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != shape.bmHeight)
        return ByteSet();
    info.bmiHeader.biSizeImage = static_cast<DWORD>(pixels);
    BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(bytes.Size()), 0, 0, static_cast<DWORD>(offset)};
    std::memcpy(bytes.Data(), &file, sizeof(file));
    std::memcpy(bytes.Data() + sizeof(file), &info.bmiHeader, sizeof(info.bmiHeader));
    return bytes;
}

// What SaveAsFile wrote into `stream`, `written` bytes from its start; empty bytes on a short read.
ByteSet ReadSavedBytes(IStream* stream, LONG written) noexcept
{
    LARGE_INTEGER start{};
    ULONG read = 0;
    ByteSet bytes(static_cast<std::size_t>(written));
    if (FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr)) ||
        FAILED(stream->Read(bytes.Data(), static_cast<ULONG>(written), &read)) || read != static_cast<ULONG>(written))
        return ByteSet();
    return bytes;
}

} // namespace

bool RtComCreatePicture(ComObjectValue* object, const ByteSet& bytes, bool ownsBitmap) noexcept
{
    if (object == nullptr)
        return false;
    PICTDESC description{};
    description.cbSizeofstruct = sizeof(PICTDESC);
    description.picType = PICTYPE_NONE;
    HBITMAP bitmap = bytes.Empty() ? nullptr : DecodeImage(bytes);
    if (bitmap != nullptr) {
        description.picType = PICTYPE_BITMAP;
        description.bmp.hbitmap = bitmap;
    }
    ComRef<IPictureDisp> picture;
    if (FAILED(OleCreatePictureIndirect(&description, IID_IPictureDisp, ownsBitmap ? TRUE : FALSE, picture.PutVoid())) || !picture) {
        if (bitmap != nullptr)
            DeleteObject(bitmap);
        return false;
    }
    ComRef<IUnknown> unknown = QueryFor<IUnknown>(picture.Get(), IID_IUnknown);
    if (!unknown) {
        if (bitmap != nullptr && !ownsBitmap)
            DeleteObject(bitmap);
        return false;
    }
    if (object->object != nullptr)
        object->object->Release();
    object->object = unknown.Get();
    object->object->AddRef();
    return true;
}

ByteSet RtComSavePicture(const ComObjectValue* object) noexcept
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
