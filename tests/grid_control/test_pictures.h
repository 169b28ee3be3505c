// Pictures for the cell picture tests: screenshot-like bitmaps, picture objects owning them, and
// their pixels read back.
#pragma once

#include <windows.h>
#include <olectl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/unique_resource.h"

namespace grid_test {

// A screenshot-like picture: flat bands, window-like boxes and some text, different per `seed`.
inline HBITMAP MakeScreenshot(int width, int height, int seed)
{
    UniqueWindowDc screen = GetWindowDc();
    UniqueMemoryDc dc(CreateCompatibleDC(screen.get().dc));
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen.get().dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc.get(), bitmap);
    for (int y = 0; y < height; y += 8) {
        UniqueBrush band(CreateSolidBrush(RGB(40 + y * 150 / height, 90, 160 + seed % 60)));
        RECT r{0, y, width, y + 8};
        FillRect(dc.get(), &r, band.get());
    }
    for (int i = 0; i < 12; ++i) {
        RECT box{(i * 157 + seed * 31) % (width - 300), (i * 89 + seed * 17) % (height - 200), 0, 0};
        box.right = box.left + 300;
        box.bottom = box.top + 200;
        UniqueBrush face(CreateSolidBrush(RGB(240, 240 - i * 5, 230)));
        FillRect(dc.get(), &box, face.get());
        std::wstring text = L"Window " + std::to_wstring(i) + L" of shot " + std::to_wstring(seed);
        TextOutW(dc.get(), box.left + 8, box.top + 8, text.c_str(), int(text.size()));
    }
    SelectObject(dc.get(), old);
    return bitmap;
}

inline IDispatch* PictureOf(HBITMAP bitmap)
{
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = bitmap;
    IDispatch* picture = nullptr;
    OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, reinterpret_cast<void**>(&picture));
    return picture;
}

inline std::vector<std::uint32_t> PixelsOf(HBITMAP bitmap, int* width, int* height)
{
    BITMAP shape{};
    GetObjectW(bitmap, sizeof shape, &shape);
    *width = shape.bmWidth;
    *height = shape.bmHeight;
    std::vector<std::uint32_t> pixels(std::size_t(shape.bmWidth) * shape.bmHeight);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), shape.bmWidth, -shape.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    GetDIBits(GetWindowDc().get().dc, bitmap, 0, UINT(shape.bmHeight), pixels.data(), &info, DIB_RGB_COLORS);
    for (auto& p : pixels)
        p &= 0xFFFFFF;
    return pixels;
}

inline HBITMAP HandleOf(IDispatch* picture)
{
    IPicture* p = nullptr;
    picture->QueryInterface(IID_IPicture, reinterpret_cast<void**>(&p));
    OLE_HANDLE handle = 0;
    p->get_Handle(&handle);
    p->Release();
    return HBITMAP(UINT_PTR(handle));
}

// What the window's client area shows, as it paints itself into a top-down 32-bit block
// (0x00RRGGBB per pixel, `*width` per row); empty when the window cannot print itself.
inline std::vector<std::uint32_t> ClientPixels(HWND window, int* width, int* height)
{
    RECT client{};
    GetClientRect(window, &client);
    *width = client.right;
    *height = client.bottom;
    UniqueWindowDc screen = GetWindowDc();
    UniqueMemoryDc dc(CreateCompatibleDC(screen.get().dc));
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    UniqueBitmap capture(CreateDIBSection(screen.get().dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    HGDIOBJ old = SelectObject(dc.get(), capture.get());
    const bool printed = PrintWindow(window, dc.get(), PW_CLIENTONLY) != FALSE;
    GdiFlush();
    SelectObject(dc.get(), old);
    std::vector<std::uint32_t> pixels;
    if (printed && bits) {
        const auto* first = static_cast<const std::uint32_t*>(bits);
        pixels.assign(first, first + std::size_t(client.right) * client.bottom);
        for (auto& p : pixels)
            p &= 0xFFFFFF;
    }
    return pixels;
}

}  // namespace grid_test
