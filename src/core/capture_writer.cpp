#include "core/capture_writer.h"

#include <utility>

#include "framework/exception_boundary.h"
#include "framework/window_procedure.h"

namespace {

constexpr char kWakeClass[] = "ChengjianCaptureWriter";
constexpr UINT kStoredMessage = WM_APP + 1;

HWND MakeWakeWindow(WindowProcedure procedure, void* writer) noexcept
{
    static const bool registered = [procedure] {
        WNDCLASSA windowClass = {};
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kWakeClass;
        return RegisterWindowClass(windowClass, procedure) != 0;
    }();
    if (!registered)
        return nullptr;
    HWND window = CreateWindowExA(0, kWakeClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr),
                                  nullptr);
    if (window)
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(writer));
    return window;
}

} // namespace

CaptureWriter::CaptureWriter(Step store, Step show, Ending stored) : store_(store), stored_(stored), show_(show)
{
    wake_ = MakeWakeWindow(WindowProcedure::Wrap<&WakeProc>(), this);
}

CaptureWriter::~CaptureWriter()
{
    Finish();
    if (wake_)
        DestroyWindow(wake_);
}

void CaptureWriter::Queue(QueuedCapture capture)
{
    std::list<QueuedCapture> one;
    one.push_back(std::move(capture));
    if (!StartThread()) {
        store_(one.front());
        if (stored_)
            stored_();
        show_(one.front());
        return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    toStore_.splice(toStore_.end(), one);
    queued_.notify_one();
}

bool CaptureWriter::StartThread() noexcept
{
    if (thread_.joinable())
        return true;
    if (!wake_)
        return false;
    return RanToEnd([&] {
        thread_ = std::thread([this] { Run(); });
    });
}

void CaptureWriter::Run() noexcept
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        queued_.wait(lock, [this] { return !toStore_.empty() || ending_; });
        // Asked to end: everything queued before is stored first.
        if (toStore_.empty()) {
            if (stored_) {
                lock.unlock();
                stored_();
            }
            return;
        }
        std::list<QueuedCapture> current;
        current.splice(current.end(), toStore_, toStore_.begin());
        storing_ = true;
        lock.unlock();
        store_(current.front());
        lock.lock();
        storing_ = false;
        // One wake-up at a time: ShowNext asks for the next itself while entries remain.
        if (toShow_.empty())
            PostMessageA(wake_, kStoredMessage, 0, 0);
        toShow_.splice(toShow_.end(), current);
    }
}

void CaptureWriter::ShowNext() noexcept
{
    std::list<QueuedCapture> next;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (toShow_.empty())
            return;
        next.splice(next.end(), toShow_, toShow_.begin());
        // Posted rather than looped, so that a clipboard notice waiting meanwhile comes first.
        if (!toShow_.empty())
            PostMessageA(wake_, kStoredMessage, 0, 0);
    }
    show_(next.front());
}

void CaptureWriter::Finish() noexcept
{
    if (thread_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ending_ = true;
        }
        queued_.notify_one();
        thread_.join();
        ending_ = false;
    }
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (toShow_.empty())
                return;
        }
        ShowNext();
    }
}

bool CaptureWriter::Pending() noexcept
{
    std::lock_guard<std::mutex> lock(mutex_);
    return storing_ || !toStore_.empty() || !toShow_.empty();
}

LRESULT CALLBACK CaptureWriter::WakeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    if (message != kStoredMessage)
        return DefWindowProcA(window, message, wParam, lParam);
    if (auto* writer = reinterpret_cast<CaptureWriter*>(GetWindowLongPtrA(window, GWLP_USERDATA)))
        writer->ShowNext();
    return 0;
}
