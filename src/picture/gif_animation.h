// GifAnimation: the frames of a GIF file composed one after another on a canvas of the file's
// logical screen, with each frame's place, delay and disposal and the file's loop extension, as the
// imaging component's GIF codec reports them. It keeps no timer: its owner asks how long the
// shown frame stays and calls Advance when that time is up.
#pragma once

#include <windows.h>
#include <wincodec.h>

#include <cstdint>
#include <span>
#include <vector>

#include "framework/com_ref.h"
#include "picture/dib_canvas.h"

class GifAnimation {
public:
    GifAnimation() noexcept = default;
    GifAnimation(const GifAnimation&) = delete;
    GifAnimation& operator=(const GifAnimation&) = delete;

    // Reads the GIF in `file` (copied; the caller's bytes may go) and shows its first frame on a
    // white canvas. False, with nothing shown, when `file` is no GIF the codec reads, has no frame,
    // or claims a screen larger than the decoders allow. Call once, on the thread that uses it.
    bool Open(std::span<const std::uint8_t> file) noexcept;

    // The canvas showing the current frame; owned by the animation, changed by Advance.
    HBITMAP Canvas() const noexcept { return canvas_.get(); }
    // Hands the canvas to the caller, who then owns it; the animation cannot go on after that.
    HBITMAP ReleaseCanvas() noexcept;

    UINT FrameCount() const noexcept { return frameCount_; }
    // The index of the frame shown now, from 0.
    UINT Frame() const noexcept { return shown_; }
    // How long the shown frame stays, in milliseconds: its delay, with the delays of 0 and 10 ms
    // that many files carry taken as 100 ms, as browsers do.
    UINT DelayMs() const noexcept { return current_.delayMs; }
    // How many times the frames play: 0 for ever, 1 when the file has no loop extension.
    UINT Rounds() const noexcept { return rounds_; }

    // Disposes of the shown frame as it asks (keep it, clear its area to white, or restore what was
    // under it) and draws the next one, starting a new round on a white canvas after the last
    // frame. False when the rounds the file asks for are played or the file has a single frame
    // (the canvas is left as it is), or when the next frame cannot be read.
    bool Advance() noexcept;

private:
    struct FrameInfo {
        UINT left = 0;
        UINT top = 0;
        UINT width = 0;
        UINT height = 0;
        UINT delayMs = 0;
        UINT disposal = 0;
    };

    void ReadScreen() noexcept;
    bool DrawFrame(UINT index) noexcept;
    void Dispose() noexcept;
    void Fill(UINT left, UINT top, UINT width, UINT height) noexcept;

    ComRef<IWICImagingFactory> factory_;
    ComRef<IWICBitmapDecoder> decoder_;
    UniqueBitmap canvas_;
    std::uint32_t* pixels_ = nullptr;
    UINT width_ = 0;
    UINT height_ = 0;
    UINT frameCount_ = 0;
    UINT shown_ = 0;
    UINT rounds_ = 1;
    UINT played_ = 0;  // rounds finished
    FrameInfo current_;
    std::vector<std::uint32_t> saved_;  // the canvas before a frame that asks to be undone
};
