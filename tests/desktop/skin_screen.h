// What the skin tests see and do on the screen: pictures of a window as the display shows it, the
// mouse and the keyboard as real input, and the colours the carried skin promises.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "desktop/skin_engine.h"
#include "support/top_down_bitmap.h"

// The colours of the skin, by their place in the ".SHE" colour table.
enum SkinColourIndex {
    kCaptionActive = 0,
    kCaptionInactive = 1,
    kFrame = 4,
    kWindowBackground = 5,
    kControlBackground = 6,
    kButtonFace = 8,
    kButtonShadow = 10,
    kSelection = 11,
};

inline COLORREF CarriedSkinColour(SkinColourIndex index)
{
    const unsigned char* at = SkinResource().Data() + 12 + 4 * index;
    return at[0] | at[1] << 8 | at[2] << 16;
}

// Lets the window's drawing reach the display: Wine copies a window's pixels to the X server a
// little after they were drawn.
inline void SettleScreen(int milliseconds = 300)
{
    DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (IsDialogMessageA(GetActiveWindow(), &message))
                continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(20);
    } while (static_cast<int>(end - GetTickCount()) > 0);
}

// The pixels of the screen under a window's rectangle, read from the screen DC; points are in
// window coordinates.
class ScreenShot {
public:
    explicit ScreenShot(HWND window)
    {
        RECT place = {};
        GetWindowRect(window, &place);
        left_ = place.left;
        top_ = place.top;
        width_ = place.right - place.left;
        height_ = place.bottom - place.top;
        pixels_.assign(static_cast<std::size_t>(width_) * height_, 0);
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        BITMAPINFO info = TopDown32(width_, height_);
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width_, height_, screen, left_, top_, SRCCOPY);
        GdiFlush();
        const auto* source = static_cast<const std::uint32_t*>(bits);
        for (std::size_t i = 0; source && i < pixels_.size(); ++i)
            pixels_[i] = RGB(source[i] >> 16 & 0xFF, source[i] >> 8 & 0xFF, source[i] & 0xFF);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }

    int Width() const { return width_; }
    int Height() const { return height_; }
    COLORREF At(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= width_ || y >= height_)
            return CLR_INVALID;
        return pixels_[static_cast<std::size_t>(y) * width_ + x];
    }
    COLORREF AtScreen(POINT point) const { return At(point.x - left_, point.y - top_); }

private:
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    std::vector<COLORREF> pixels_;
};

// Real mouse input at a screen point: moves there, optionally with the left button held.
inline void MouseTo(POINT point)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(point.x, 65536, GetSystemMetrics(SM_CXSCREEN)) + 1;
    input.mi.dy = MulDiv(point.y, 65536, GetSystemMetrics(SM_CYSCREEN)) + 1;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
    SettleScreen(150);
}

inline void MouseButton(bool down)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &input, sizeof input);
    SettleScreen(150);
}

inline void PressKey(WORD key)
{
    INPUT inputs[2] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
    }
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof inputs[0]);
    SettleScreen(150);
}
