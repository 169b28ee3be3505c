// PictureBox: a unit that shows the picture of an image file held in memory (BMP, GIF, JPEG, PNG,
// PCX, icons), centred, and scaled down to fit when it is larger than the box; a picture is never
// enlarged. With animation on, an animated GIF plays. Reading the picture gives back exactly the
// bytes that were assigned.
#pragma once

#include <windows.h>

#include <cstdint>

#include <memory>

#include "com/com_object_value.h"
#include "framework/byte_set.h"
#include "framework/form.h"

struct PictureRect {
    int left;
    int top;
    int width;
    int height;
};

// Where a picture of pw x ph is drawn in a client area of cw x ch: at its own size in the middle
// when it fits, otherwise scaled by the smaller of cw / pw and ch / ph, the size truncated to
// whole pixels, and centred.
PictureRect CentredPictureRect(int cw, int ch, int pw, int ph) noexcept;

class GifAnimation;

// The id of the timer on the box's window that shows an animation's next frame.
constexpr UINT_PTR kPictureBoxAnimationTimer = 1;

// The handler of a released mouse button: button (1 left, 2 right), then x and y in pixels.
using PictureBoxMouseHandler = void (*)(int button, int x, int y);

class PictureBox : public FormUnit {
public:
    // Position and size in client pixels of the form.
    PictureBox(Form& owner, PictureRect bounds);
    ~PictureBox() override;
    PictureBox(const PictureBox&) = delete;
    PictureBox& operator=(const PictureBox&) = delete;

    void CreateIn(HWND form) noexcept override;
    HWND GetHandle() const { return window_; }

    // Bytes that decode to no picture show an empty box; they are kept all the same (bytes with no
    // memory for the box's copy leave it empty and keep nothing). Any animation playing stops and its
    // frames are freed; with animation on, a GIF of more than one frame starts playing. When the
    // box's window is destroyed, its animation stops and its frames are freed.
    void SetPicture(const ByteSet& bytes) noexcept;
    // Off by default. Applies to pictures assigned afterwards; turning it off stops a playing one,
    // which keeps showing the frame it had reached.
    void SetAnimation(bool on) noexcept;
    // True while an animation is playing: its next frame is due.
    bool Animating() const noexcept;
    // The bitmap drawn now: the current frame of a playing animation, otherwise the decoded
    // picture's; null when there is none. Owned by the box, valid until the next change of picture.
    HBITMAP ShownBitmap() const noexcept;
    const ByteSet& GetPicture() const { return bytes_; }
    // The decoded picture's size in pixels; 0 x 0 when there is none.
    SIZE PictureSize() const noexcept;
    // Where the picture is drawn in the box now.
    PictureRect DrawnRect() const noexcept;

    void Move(int left, int top, int width, int height) noexcept;
    void BindRightUp(PictureBoxMouseHandler handler) { rightUp_ = handler; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    void Paint() noexcept;
    HBITMAP PictureBitmap() const noexcept;
    void DecodePicture() noexcept;  // the picture object and, with animation on, the frames of bytes_
    void ArmTimer() noexcept;
    void DisarmTimer() noexcept;
    void OnAnimationTimer() noexcept;

    PictureRect bounds_;
    HWND window_ = nullptr;
    ByteSet bytes_;
    UniqueComObjectValue picture_;  // the decoded picture; its bitmap is drawn
    PictureBoxMouseHandler rightUp_ = nullptr;
    bool animation_ = false;
    std::unique_ptr<GifAnimation> frames_;  // the picture's animation, whose canvas is shown
    bool timerArmed_ = false;
};
