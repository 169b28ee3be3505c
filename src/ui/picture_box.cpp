#include "ui/picture_box.h"

#include <ocidl.h>
#include <olectl.h>

#include <new>

#include "com/com_picture.h"
#include "framework/com_ref.h"
#include "framework/exception_boundary.h"
#include "framework/unique_resource.h"
#include "framework/window_procedure.h"
#include "picture/gif_animation.h"
#include "ui/ui_system_calls.h"

namespace {

constexpr const char* kPictureBoxClass = "ChengjianPictureBox";

bool RegisterPictureBoxClass(WindowProcedure procedure) noexcept
{
    WNDCLASSEXA windowClass = {};
    if (GetClassInfoExA(GetModuleHandleA(nullptr), kPictureBoxClass, &windowClass))
        return true;
    windowClass.cbSize = sizeof windowClass;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kPictureBoxClass;
    return RegisterWindowClass(windowClass, procedure) != 0;
}

} // namespace

PictureRect CentredPictureRect(int cw, int ch, int pw, int ph) noexcept
{
    if (pw <= 0 || ph <= 0)
        return {0, 0, 0, 0};
    if (pw <= cw && ph <= ch)
        return {(cw - pw) / 2, (ch - ph) / 2, pw, ph};
    double sx = static_cast<double>(cw) / pw;
    double sy = static_cast<double>(ch) / ph;
    double scale = sx < sy ? sx : sy;
    int width = static_cast<int>(pw * scale);
    int height = static_cast<int>(ph * scale);
    return {(cw - width) / 2, (ch - height) / 2, width, height};
}

PictureBox::PictureBox(Form& owner, PictureRect bounds) : bounds_(bounds) { owner.AddUnit(this); }

PictureBox::~PictureBox()
{
    DisarmTimer();
    if (window_) {
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

void PictureBox::CreateIn(HWND form) noexcept
{
    if (!RegisterPictureBoxClass(WindowProcedure::Wrap<&PictureBox::WindowProc>()))
        return;
    window_ = CreateWindowExA(0, kPictureBoxClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, bounds_.left,
                              bounds_.top, bounds_.width, bounds_.height, form, nullptr, GetModuleHandleA(nullptr),
                              nullptr);
    if (window_)
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ArmTimer();  // a picture assigned before the window existed starts playing now
}

void PictureBox::SetPicture(const ByteSet& bytes) noexcept
{
    DisarmTimer();
    frames_.reset();
    picture_.reset();
    // Without memory for the box's own copy the box is left empty rather than showing the old picture.
    if (RanToEnd([&] { bytes_ = bytes; }))
        DecodePicture();
    else
        bytes_ = ByteSet();
    if (window_)
        InvalidateRect(window_, nullptr, TRUE);
}

void PictureBox::DecodePicture() noexcept
{
    ComObjectValue* value = AllocateComObjectValue(nullptr);
    if (value && !RtComCreatePicture(value, bytes_)) {
        FreeComObjectValue(value);
        value = nullptr;
    }
    picture_.reset(value);
    if (animation_) {
        std::unique_ptr<GifAnimation> frames(new (std::nothrow) GifAnimation());
        if (frames && frames->Open({bytes_.Data(), bytes_.Size()}) && frames->FrameCount() > 1) {
            frames_ = std::move(frames);
            ArmTimer();
        }
    }
}

void PictureBox::SetAnimation(bool on) noexcept
{
    animation_ = on;
    if (!on)
        DisarmTimer();
}

bool PictureBox::Animating() const noexcept { return timerArmed_; }

// Asks for the shown frame's end; nothing before the window exists or without an animation.
void PictureBox::ArmTimer() noexcept
{
    if (!window_ || !frames_ || !animation_)
        return;
    timerArmed_ = g_uiSystemCalls.SetTimer(window_, kPictureBoxAnimationTimer, frames_->DelayMs(), nullptr) != 0;
}

void PictureBox::DisarmTimer() noexcept
{
    if (timerArmed_ && window_)
        g_uiSystemCalls.KillTimer(window_, kPictureBoxAnimationTimer);
    timerArmed_ = false;
}

void PictureBox::OnAnimationTimer() noexcept
{
    if (!timerArmed_ || !frames_ || !frames_->Advance()) {
        DisarmTimer();  // the last round is played: the last frame stays
        return;
    }
    ArmTimer();  // the same timer, now for the new frame's delay
    InvalidateRect(window_, nullptr, FALSE);
}

HBITMAP PictureBox::ShownBitmap() const noexcept
{
    return frames_ ? frames_->Canvas() : PictureBitmap();
}

HBITMAP PictureBox::PictureBitmap() const noexcept
{
    if (!picture_ || !picture_->object)
        return nullptr;
    ComRef<IPicture> picture = QueryFor<IPicture>(picture_->object, IID_IPicture);
    OLE_HANDLE handle = 0;
    if (!picture || FAILED(picture->get_Handle(&handle)))
        return nullptr;
    return reinterpret_cast<HBITMAP>(static_cast<std::uintptr_t>(handle));
}

SIZE PictureBox::PictureSize() const noexcept
{
    BITMAP info = {};
    HBITMAP bitmap = ShownBitmap();
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info))
        return {0, 0};
    return {info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight};
}

PictureRect PictureBox::DrawnRect() const noexcept
{
    RECT client = {};
    if (window_)
        GetClientRect(window_, &client);
    SIZE size = PictureSize();
    return CentredPictureRect(client.right, client.bottom, size.cx, size.cy);
}

void PictureBox::Move(int left, int top, int width, int height) noexcept
{
    bounds_ = {left, top, width, height};
    if (window_) {
        MoveWindow(window_, left, top, width, height, TRUE);
        InvalidateRect(window_, nullptr, TRUE);
    }
}

void PictureBox::Paint() noexcept
{
    PAINTSTRUCT paint;
    HDC target = BeginPaint(window_, &paint);
    HBITMAP bitmap = ShownBitmap();
    SIZE size = PictureSize();
    UniqueMemoryDc source(bitmap ? CreateCompatibleDC(target) : nullptr);
    if (source) {
        HGDIOBJ previous = SelectObject(source.get(), bitmap);
        PictureRect drawn = DrawnRect();
        SetStretchBltMode(target, HALFTONE);
        SetBrushOrgEx(target, 0, 0, nullptr);
        StretchBlt(target, drawn.left, drawn.top, drawn.width, drawn.height, source.get(), 0, 0, size.cx, size.cy,
                   SRCCOPY);
        SelectObject(source.get(), previous);
    }
    EndPaint(window_, &paint);
}

LRESULT CALLBACK PictureBox::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    auto* box = reinterpret_cast<PictureBox*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!box || box->window_ != window)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_PAINT:
        box->Paint();
        return 0;
    case WM_SIZE:
        InvalidateRect(window, nullptr, TRUE);
        break;
    case WM_RBUTTONUP:
        if (box->rightUp_)
            NoThrow([&] { box->rightUp_(2, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))); });
        return 0;
    case WM_TIMER:
        if (wParam != kPictureBoxAnimationTimer)
            break;
        box->OnAnimationTimer();
        return 0;
    case WM_DESTROY:
        // No frame is due once the window goes, and nothing would show the frames: they go too.
        box->DisarmTimer();
        box->frames_.reset();
        break;
    case WM_NCDESTROY:
        box->window_ = nullptr;
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
