// What the program hands to Windows and to its callers outside C++: only wrapped window and timer
// procedures reach the registration helpers, only noexcept routines replace a window's procedure or
// become subprogram pointers, whatever a wrapped routine throws ends in its wrapper with the default
// answer, and what a replaced procedure fails on goes to the procedure the window had.
#include "framework/window_procedure.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <new>
#include <type_traits>

#include "framework/subprogram_pointer.h"

namespace {

// ---- Refused at compile time

LRESULT CALLBACK MayThrowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}
LRESULT CALLBACK NoexceptProc(HWND, UINT, WPARAM, LPARAM) noexcept { return 0; }
void CALLBACK MayThrowTimer(HWND, UINT, UINT_PTR, DWORD) {}
int NotAProcedure(int value) noexcept { return value; }

template <typename Procedure, typename Description>
concept ClassTakes = requires(Procedure procedure, Description description) {
    RegisterWindowClass(description, procedure);
};
template <typename Procedure>
concept SubclassingATakes = requires(Procedure procedure, HWND window) { ReplaceWindowProcedureA(window, procedure); };
template <typename Procedure>
concept SubclassingWTakes = requires(Procedure procedure, HWND window) { ReplaceWindowProcedureW(window, procedure); };
template <typename Procedure>
concept TimerTakes = requires(Procedure procedure) { StartTimer(nullptr, 0, 0, procedure); };

// Whether each of the class helpers, or any of them, takes a `Procedure`; the same of the two
// subclassing helpers; whether any window-procedure helper does.
template <typename Procedure>
constexpr bool kEveryClassHelperTakes = ClassTakes<Procedure, WNDCLASSA> && ClassTakes<Procedure, WNDCLASSEXA> &&
                                        ClassTakes<Procedure, WNDCLASSEXW>;
template <typename Procedure>
constexpr bool kAnyClassHelperTakes = ClassTakes<Procedure, WNDCLASSA> || ClassTakes<Procedure, WNDCLASSEXA> ||
                                      ClassTakes<Procedure, WNDCLASSEXW>;
template <typename Procedure>
constexpr bool kBothSubclassingHelpersTake = SubclassingATakes<Procedure> && SubclassingWTakes<Procedure>;
template <typename Procedure>
constexpr bool kAnySubclassingHelperTakes = SubclassingATakes<Procedure> || SubclassingWTakes<Procedure>;
template <typename Procedure>
constexpr bool kAnyHelperTakes = kAnyClassHelperTakes<Procedure> || kAnySubclassingHelperTakes<Procedure>;

// Only the wrapped types get through, each to its own helpers; a bare procedure does not, noexcept
// or not. A window procedure, whose routine may throw, never replaces a window's own.
static_assert(kEveryClassHelperTakes<WindowProcedure> && !kAnySubclassingHelperTakes<WindowProcedure>);
static_assert(kBothSubclassingHelpersTake<SubclassProcedure> && !kAnyClassHelperTakes<SubclassProcedure>);
static_assert(!kAnyHelperTakes<WNDPROC>);
static_assert(!kAnyHelperTakes<decltype(&MayThrowProc)>);
static_assert(!kAnyHelperTakes<decltype(&NoexceptProc)>);
static_assert(!kAnyHelperTakes<TimerProcedure>);
static_assert(TimerTakes<TimerProcedure>);
static_assert(!TimerTakes<TIMERPROC> && !TimerTakes<decltype(&MayThrowTimer)> && !TimerTakes<WindowProcedure>);
static_assert(!std::is_constructible_v<WindowProcedure, WNDPROC>);
static_assert(!std::is_constructible_v<TimerProcedure, TIMERPROC>);
static_assert(!std::is_constructible_v<SubclassProcedure, WNDPROC>);
static_assert(!std::is_constructible_v<SubclassProcedure, WindowProcedure>);

// Wrap takes a routine of the shape, throwing or not, and nothing else.
template <auto Routine>
concept WrapsAsWindowProcedure = requires { WindowProcedure::Wrap<Routine>(); };
template <auto Routine>
concept WrapsAsTimerProcedure = requires { TimerProcedure::Wrap<Routine>(); };
static_assert(WrapsAsWindowProcedure<&MayThrowProc> && WrapsAsWindowProcedure<&NoexceptProc>);
static_assert(!WrapsAsWindowProcedure<&NotAProcedure> && !WrapsAsWindowProcedure<&MayThrowTimer>);
static_assert(WrapsAsTimerProcedure<&MayThrowTimer> && !WrapsAsTimerProcedure<&MayThrowProc>);
static_assert(WindowProcedure::Wrap<&MayThrowProc>() == WindowProcedure::Wrap<&MayThrowProc>());
static_assert(!(WindowProcedure::Wrap<&MayThrowProc>() == WindowProcedure::Wrap<&NoexceptProc>()));

// A window's procedure is replaced only with a noexcept routine: the wrapper's answer to a throw,
// DefWindowProc, would skip the procedure the window had. Its wrapper is the routine's one wrapper.
template <auto Routine>
concept SubclassesAWith = requires(HWND window) {
    ReplaceWindowProcedureA(window, SubclassProcedure::Wrap<Routine>());
};
template <auto Routine>
concept SubclassesWWith = requires(HWND window) {
    ReplaceWindowProcedureW(window, SubclassProcedure::Wrap<Routine>());
};
static_assert(SubclassesAWith<&NoexceptProc> && SubclassesWWith<&NoexceptProc>);
static_assert(!SubclassesAWith<&MayThrowProc> && !SubclassesWWith<&MayThrowProc>);
static_assert(!SubclassesAWith<&NotAProcedure> && !SubclassesAWith<&MayThrowTimer>);
static_assert(SubclassProcedure::Wrap<&NoexceptProc>().Address() == WindowProcedure::Wrap<&NoexceptProc>().Address());

// A subprogram pointer is only made of a routine no exception leaves, in either convention.
void __stdcall MayThrowHandler(std::uint32_t) {}
void __stdcall NoexceptHandler(std::uint32_t) noexcept {}
std::uint64_t __cdecl MayThrowCdeclHandler(std::uint32_t, std::int16_t*) { return 0; }
std::uint64_t __cdecl NoexceptCdeclHandler(std::uint32_t, std::int16_t*) noexcept { return 0; }

template <auto Routine>
concept BecomesSubprogramPointer = requires { ToSubprogramPointer(Routine); };
static_assert(BecomesSubprogramPointer<&NoexceptHandler> && BecomesSubprogramPointer<&NoexceptCdeclHandler>);
static_assert(!BecomesSubprogramPointer<&MayThrowHandler> && !BecomesSubprogramPointer<&MayThrowCdeclHandler>);
static_assert(!BecomesSubprogramPointer<&MayThrowProc> && BecomesSubprogramPointer<&NoexceptProc>);

// ---- The wrapper at run time

enum class Thrown { kNothing, kBadAlloc, kInt };
Thrown g_thrown = Thrown::kNothing;
constexpr LRESULT kBodysAnswer = 42;

// Answers WM_GETTEXT itself (without writing any text), or throws there; every other message gets
// the default handling, so the window is made and named as usual.
LRESULT CALLBACK AnswerOrThrow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_GETTEXT)
        return IsWindowUnicode(window) ? DefWindowProcW(window, message, wParam, lParam)
                                       : DefWindowProcA(window, message, wParam, lParam);
    switch (g_thrown) {
    case Thrown::kBadAlloc:
        throw std::bad_alloc();
    case Thrown::kInt:
        throw 7;
    case Thrown::kNothing:
        break;
    }
    return kBodysAnswer;
}
constexpr WindowProcedure kAnswerOrThrow = WindowProcedure::Wrap<&AnswerOrThrow>();

// The procedure a replaced window had, and whether it was handed a WM_GETTEXT.
WNDPROC g_previous = nullptr;
bool g_previousGotText = false;

LRESULT CALLBACK PlainProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    g_previousGotText = g_previousGotText || message == WM_GETTEXT;
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK PlainProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    g_previousGotText = g_previousGotText || message == WM_GETTEXT;
    return DefWindowProcW(window, message, wParam, lParam);
}

// A window's replaced procedure: AnswerOrThrow inside its own edge, handing a message it failed on
// to the procedure the window had, in the window's own character set.
LRESULT CALLBACK AnswerOrPassOn(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    LRESULT answer = 0;
    if (RanToEnd([&] { answer = AnswerOrThrow(window, message, wParam, lParam); }))
        return answer;
    return IsWindowUnicode(window) ? CallWindowProcW(g_previous, window, message, wParam, lParam)
                                   : CallWindowProcA(g_previous, window, message, wParam, lParam);
}
constexpr SubclassProcedure kAnswerOrPassOn = SubclassProcedure::Wrap<&AnswerOrPassOn>();

// A window named "edge": of a class registered with kAnswerOrThrow, or of a class of its own (whose
// procedure records WM_GETTEXT) whose procedure is then replaced with kAnswerOrPassOn; ANSI or
// UTF-16.
HWND MakeClassWindow(bool wide)
{
    if (wide) {
        WNDCLASSEXW description = {};
        description.cbSize = sizeof description;
        description.hInstance = GetModuleHandleW(nullptr);
        description.lpszClassName = L"EdgeTestWideClass";
        RegisterWindowClass(description, kAnswerOrThrow);
        return CreateWindowExW(0, L"EdgeTestWideClass", L"edge", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    }
    WNDCLASSA description = {};
    description.hInstance = GetModuleHandleA(nullptr);
    description.lpszClassName = "EdgeTestClass";
    RegisterWindowClass(description, kAnswerOrThrow);
    return CreateWindowExA(0, "EdgeTestClass", "edge", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

HWND MakeReplacedWindow(bool wide)
{
    HWND window = nullptr;
    if (wide) {
        WNDCLASSW description = {};
        description.lpfnWndProc = PlainProcW;
        description.hInstance = GetModuleHandleW(nullptr);
        description.lpszClassName = L"EdgeTestPlainWideClass";
        RegisterClassW(&description);
        window = CreateWindowExW(0, L"EdgeTestPlainWideClass", L"edge", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    } else {
        WNDCLASSA description = {};
        description.lpfnWndProc = PlainProcA;
        description.hInstance = GetModuleHandleA(nullptr);
        description.lpszClassName = "EdgeTestPlainClass";
        RegisterClassA(&description);
        window = CreateWindowExA(0, "EdgeTestPlainClass", "edge", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    }
    if (!window)
        return nullptr;
    const LONG_PTR before = wide ? GetWindowLongPtrW(window, GWLP_WNDPROC) : GetWindowLongPtrA(window, GWLP_WNDPROC);
    g_previous =
        wide ? ReplaceWindowProcedureW(window, kAnswerOrPassOn) : ReplaceWindowProcedureA(window, kAnswerOrPassOn);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(g_previous), before) << "the procedure it had comes back";
    const LONG_PTR now = wide ? GetWindowLongPtrW(window, GWLP_WNDPROC) : GetWindowLongPtrA(window, GWLP_WNDPROC);
    EXPECT_EQ(now, reinterpret_cast<LONG_PTR>(kAnswerOrPassOn.Address()));
    return window;
}

// The window's text as WM_GETTEXT gives it in the window's own character set, and the answer.
struct TextAnswer {
    LRESULT answer;
    bool wroteEdge;
};

TextAnswer AskForText(HWND window, bool wide)
{
    if (wide) {
        wchar_t text[16] = {};
        LRESULT answer = SendMessageW(window, WM_GETTEXT, 16, reinterpret_cast<LPARAM>(text));
        return {answer, std::wcscmp(text, L"edge") == 0};
    }
    char text[16] = {};
    LRESULT answer = SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return {answer, std::strcmp(text, "edge") == 0};
}

// Windows calls the wrapper: an exception of any kind ends there, and the message gets what
// DefWindowProc gives in the window's own character set (a UTF-16 window handed the ANSI default
// would get bytes for its characters). A replaced procedure ends it in its own edge and hands the
// message to the procedure the window had (which here gives the default answer).
TEST(WrappedWindowProcedure, AThrowingBodyEndsInItsWrapperWithTheDefaultAnswer)
{
    struct Case {
        const char* name;
        HWND (*make)(bool wide);
        bool wide;
        bool replaced;
    };
    const Case cases[] = {
        {"class, ANSI", MakeClassWindow, false, false},
        {"class, UTF-16", MakeClassWindow, true, false},
        {"replaced, ANSI", MakeReplacedWindow, false, true},
        {"replaced, UTF-16", MakeReplacedWindow, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_thrown = Thrown::kNothing;
        HWND window = c.make(c.wide);
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(IsWindowUnicode(window) != FALSE, c.wide);
        for (Thrown thrown : {Thrown::kNothing, Thrown::kBadAlloc, Thrown::kInt}) {
            SCOPED_TRACE(static_cast<int>(thrown));
            g_thrown = thrown;
            g_previousGotText = false;
            const TextAnswer got = AskForText(window, c.wide);
            const bool threw = thrown != Thrown::kNothing;
            EXPECT_EQ(got.answer, threw ? 4 : kBodysAnswer);
            EXPECT_EQ(got.wroteEdge, threw) << "only the default handling writes the text";
            EXPECT_EQ(g_previousGotText, c.replaced && threw) << "only a failed message goes to the previous procedure";
        }
        g_thrown = Thrown::kNothing;
        DestroyWindow(window);
    }
}

int g_timerRuns = 0;

void CALLBACK ThrowingTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    ++g_timerRuns;
    throw std::bad_alloc();
}

// Takes every message waiting; true when one of them was `wanted`.
bool DispatchWaiting(UINT wanted)
{
    bool seen = false;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        seen = seen || message.message == wanted;
        DispatchMessageA(&message);
    }
    return seen;
}

// The message loop hands the timer to the wrapper: the body's exception ends there and the loop
// goes on with the next message.
TEST(WrappedTimerProcedure, AThrowingBodyEndsInItsWrapperAndTheLoopGoesOn)
{
    g_timerRuns = 0;
    ASSERT_NE(StartTimer(nullptr, 0, 1, TimerProcedure::Wrap<&ThrowingTimer>()), 0u);
    for (const DWORD start = GetTickCount(); g_timerRuns == 0 && GetTickCount() - start < 2000; Sleep(5))
        DispatchWaiting(WM_NULL);
    EXPECT_EQ(g_timerRuns, 1);
    PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);
    EXPECT_TRUE(DispatchWaiting(WM_APP)) << "the loop goes on after the failed timer";
}

}  // namespace
