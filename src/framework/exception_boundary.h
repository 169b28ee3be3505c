// NoThrow, RanToEnd and NoThrowHr: the one edge between the program's C++ and a caller that cannot take an
// exception (a window procedure, a COM method, a callback the engine or a control calls, an event
// handler reached through a subprogram pointer). Header only and free of exceptions itself: the
// grid control (a DLL of its own) uses it as the program does.
#pragma once

#include <windows.h>

#include <new>
#include <type_traits>

// Runs `body` and gives its result; any exception it lets out is caught here and `fallback` is
// given instead. For a body giving nothing, the fallback may be left out. Never throws: whatever
// `body` allocates fails into the fallback rather than ending the program.
template <typename Fallback, typename Body>
    requires std::is_invocable_v<Body&>
auto NoThrow(Fallback fallback, Body&& body) noexcept -> std::invoke_result_t<Body&>
{
    try {
        return body();
    } catch (...) {
        return fallback;
    }
}

template <typename Body>
    requires std::is_void_v<std::invoke_result_t<Body&>>
void NoThrow(Body&& body) noexcept
{
    try {
        body();
    } catch (...) {
    }
}

// Runs `body`, which gives nothing; true when it ran to its end, false when it let an exception
// out (which is caught here). For a step that may be left undone, such as a copy memory may not
// allow. Never throws.
template <typename Body>
    requires std::is_void_v<std::invoke_result_t<Body&>>
bool RanToEnd(Body&& body) noexcept
{
    try {
        body();
        return true;
    } catch (...) {
        return false;
    }
}

// For a COM method: runs `body` and gives its HRESULT; memory that ran out is E_OUTOFMEMORY, any
// other exception E_UNEXPECTED. Never throws.
template <typename Body>
    requires std::is_same_v<std::invoke_result_t<Body&>, HRESULT>
HRESULT NoThrowHr(Body&& body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}
