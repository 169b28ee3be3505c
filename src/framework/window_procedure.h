// The program's routines as Windows calls them. A routine handed to Windows (a window class's
// procedure, the clipboard monitor's callback, a timer's procedure) is made with Wrap<&Routine>(),
// which gives the address of a wrapper that runs the routine inside the exception edge: whatever the
// routine lets out ends there, and Windows gets the fallback answer of the routine's shape. The
// registration helpers below take only these wrapped types, never a bare WNDPROC or TIMERPROC, so
// none of the program's routines reaches Windows without its edge.
//
// A window's replaced procedure (subclassing) is made apart: there the fallback answer of a window
// procedure, DefWindowProc, would skip the procedure the window had, and with it that procedure's
// own handling (an EDIT control frees its text at WM_NCDESTROY). So subclassing takes only a
// SubclassProcedure, made of a noexcept routine, which keeps its failures inside its own body and
// hands on to the previous procedure what it does not consume.
//
// Holds: EdgeFallback, RoutineOfShape, EdgeCallback (the one wrapper template), WindowProcedure,
// TimerProcedure, SubclassProcedure, RegisterWindowClass, ReplaceWindowProcedureA/W and StartTimer.
// Header only, like the edge it builds on: the grid control (a DLL of its own) registers its windows
// with it too.
#pragma once

#include <windows.h>

#include <type_traits>

#include "framework/exception_boundary.h"

// What Windows gets from a wrapped routine of each shape when the routine throws.
template <typename Shape>
struct EdgeFallback;

// A window procedure that failed: the message gets the default handling, as if the procedure had
// not looked at it (a WM_PAINT is validated rather than sent again and again, a WM_NCHITTEST still
// finds the frame), in the window's own character set.
template <>
struct EdgeFallback<LRESULT(HWND, UINT, WPARAM, LPARAM)> {
    static LRESULT Answer(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
    {
        return IsWindowUnicode(window) ? DefWindowProcW(window, message, wParam, lParam)
                                       : DefWindowProcA(window, message, wParam, lParam);
    }
};

// A timer procedure gives nothing back: a failed one has no answer to replace.
template <>
struct EdgeFallback<void(HWND, UINT, UINT_PTR, DWORD)> {
    static void Answer(HWND, UINT, UINT_PTR, DWORD) noexcept {}
};

// A routine that takes the arguments of a shape and gives exactly its result (a window procedure
// is no timer procedure, though its arguments would convert).
template <auto Routine, typename Result, typename... Arguments>
concept RoutineOfShape = std::is_invocable_v<decltype(Routine), Arguments...> &&
                         std::is_same_v<std::invoke_result_t<decltype(Routine), Arguments...>, Result>;

template <typename Shape>
class EdgeCallback;

// The address of one wrapped routine of `Result(Arguments...)`'s shape, called by Windows with the
// Win32 calling convention. Only Wrap makes one.
template <typename Result, typename... Arguments>
class EdgeCallback<Result(Arguments...)> {
public:
    using Pointer = Result(CALLBACK*)(Arguments...);

    // The wrapper of `Routine`, which takes the shape's arguments and gives its result. The routine
    // may throw (it need not be noexcept): the wrapper is noexcept and answers with the shape's
    // fallback instead. One wrapper per routine, at the same address in every file of a module.
    template <auto Routine>
        requires RoutineOfShape<Routine, Result, Arguments...>
    static constexpr EdgeCallback Wrap() noexcept
    {
        return EdgeCallback(&Wrapped<Routine>);
    }

    // The wrapper's address, as Windows is given it.
    constexpr Pointer Address() const noexcept { return address_; }

    friend constexpr bool operator==(EdgeCallback, EdgeCallback) noexcept = default;

private:
    constexpr explicit EdgeCallback(Pointer address) noexcept : address_(address) {}

    template <auto Routine>
    static Result CALLBACK Wrapped(Arguments... arguments) noexcept
    {
        if constexpr (std::is_void_v<Result>) {
            if (!RanToEnd([&] { Routine(arguments...); }))
                EdgeFallback<Result(Arguments...)>::Answer(arguments...);
        } else {
            Result result{};
            if (RanToEnd([&] { result = Routine(arguments...); }))
                return result;
            return EdgeFallback<Result(Arguments...)>::Answer(arguments...);
        }
    }

    Pointer address_;
};

using WindowProcedure = EdgeCallback<LRESULT(HWND, UINT, WPARAM, LPARAM)>;
using TimerProcedure = EdgeCallback<void(HWND, UINT, UINT_PTR, DWORD)>;

static_assert(std::is_same_v<WindowProcedure::Pointer, WNDPROC>);
static_assert(std::is_same_v<TimerProcedure::Pointer, TIMERPROC>);

// The address of a window procedure that may replace a window's own: the wrapper of a routine of
// the window procedure's shape that is noexcept, so the wrapper's fallback is never reached and no
// message of the window bypasses the procedure it had. Only Wrap makes one.
class SubclassProcedure {
public:
    // The wrapper of `Routine`. It is the one WindowProcedure::Wrap<Routine>() gives, so a routine
    // that is both its class's procedure and its window's replaced one has one address.
    template <auto Routine>
        requires RoutineOfShape<Routine, LRESULT, HWND, UINT, WPARAM, LPARAM> &&
                 std::is_nothrow_invocable_v<decltype(Routine), HWND, UINT, WPARAM, LPARAM>
    static constexpr SubclassProcedure Wrap() noexcept
    {
        return SubclassProcedure(WindowProcedure::Wrap<Routine>());
    }

    // The wrapper's address, as Windows is given it.
    constexpr WNDPROC Address() const noexcept { return procedure_.Address(); }

    friend constexpr bool operator==(SubclassProcedure, SubclassProcedure) noexcept = default;

private:
    constexpr explicit SubclassProcedure(WindowProcedure procedure) noexcept : procedure_(procedure) {}

    WindowProcedure procedure_;
};

// Registers the window class `description` with `procedure` as its window procedure (whatever the
// description's lpfnWndProc holds is replaced). RegisterClass's answer: the class atom, 0 when the
// class could not be registered (one of that name exists already, among others).
inline ATOM RegisterWindowClass(WNDCLASSA description, WindowProcedure procedure) noexcept
{
    description.lpfnWndProc = procedure.Address();
    return RegisterClassA(&description);
}

inline ATOM RegisterWindowClass(WNDCLASSEXA description, WindowProcedure procedure) noexcept
{
    description.lpfnWndProc = procedure.Address();
    return RegisterClassExA(&description);
}

inline ATOM RegisterWindowClass(WNDCLASSEXW description, WindowProcedure procedure) noexcept
{
    description.lpfnWndProc = procedure.Address();
    return RegisterClassExW(&description);
}

// Makes `procedure` the window procedure of `window` (subclassing it), which then receives its
// messages with ANSI (A) or UTF-16 (W) texts. Gives the procedure the window had, to which the new
// one passes on what it does not consume (CallWindowProcA / CallWindowProcW), also when its own
// handling of a message fails, and which the caller puts back when it lets the window go; null
// when the window could not be changed.
inline WNDPROC ReplaceWindowProcedureA(HWND window, SubclassProcedure procedure) noexcept
{
    return reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure.Address())));
}

inline WNDPROC ReplaceWindowProcedureW(HWND window, SubclassProcedure procedure) noexcept
{
    return reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure.Address())));
}

// SetTimer with `procedure`: a timer of `window` (or of the thread when it is null, `id` then being
// ignored) whose WM_TIMER the message loop hands to the procedure. SetTimer's answer: the timer's
// id, 0 when none could be set.
inline UINT_PTR StartTimer(HWND window, UINT_PTR id, UINT milliseconds, TimerProcedure procedure) noexcept
{
    return SetTimer(window, id, milliseconds, procedure.Address());
}
