// UniqueResource: the one owner of a handle or value that must be given back exactly once, and one
// alias per resource the program's own code takes: BSTR, VARIANT and PROPVARIANT, GDI objects,
// memory and window device contexts, global blocks and their locks, kernel and file handles,
// CryptoAPI providers and hashes, the thread's COM apartment and the open clipboard. Header only
// and free of exceptions: the grid control (a DLL of its own) uses it as the program does.
//
// Holds: UniqueResource with the check of its put() (unique_resource_checks), the aliases
// (UniqueBstr ... UniqueClipboard), the resource records that need more than one word to be given
// back (WindowDc, LockedBlock), and the functions that take a resource and hand it to its owner
// (GetWindowDc, LockGlobal, CopyToGlobal, InitializeComApartment, OpenClipboardRetrying,
// ReplaceVariant).
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <propidl.h>
#include <wincrypt.h>

#include <cstdint>
#include <cstring>
#include <source_location>
#include <type_traits>

namespace unique_resource_checks {
// A check told of a put() of a held value, with the place of that call.
using Hook = void (*)(const std::source_location& where) noexcept;

// Told of every put() asked of an owner that still holds a value, with the place of that call: an
// out-parameter should come from an empty owner, or the value it held is given back unseen. Null
// in the program, whose put() then simply gives the value back as its contract says; every test
// program sets one that fails the running test (tests/support/owner_checks.cpp). A run-time check
// rather than a compile-time one: the libraries are built once for the program and the tests, and
// a header whose body changed with a test-only definition would give one program two put()s.
inline Hook g_putOfHeldValue = nullptr;

// The name under which a program exports a Hook (with C linkage) that tells its own
// g_putOfHeldValue. Each module has its own g_putOfHeldValue, and a DLL's (the grid control's)
// is set by no one: its put()s are told to the program that loaded it through this export. The
// program itself exports none; every test program does (tests/support/owner_checks.cpp).
inline constexpr char kProgramHookExport[] = "UniqueResourcePutOfHeldValue";

// Tells this module's hook of a put() of a held value at `where`; without one, the hook the
// process's program exports, if any. Only on that fault: the export is looked up each time.
inline void ReportPutOfHeldValue(const std::source_location& where) noexcept
{
    if (g_putOfHeldValue != nullptr) {
        g_putOfHeldValue(where);
        return;
    }
    const FARPROC exported = GetProcAddress(GetModuleHandleW(nullptr), kProgramHookExport);
    if (exported != nullptr)
        reinterpret_cast<Hook>(reinterpret_cast<void*>(exported))(where);
}
}  // namespace unique_resource_checks

// Owns one T and hands it to Close once: when the owner ends, is reset or is assigned another
// owner. Invalid says what "nothing held" is: a value of T (nullptr, 0, a record of nulls), an
// integer for a pointer-like T (-1 for INVALID_HANDLE_VALUE), or a function that initialises a T
// in place (VariantInit). An owner of the last kind has no empty test: Close runs on every value
// it lets go of, so Close must accept an initialised one (VariantClear does). Close takes the
// value, or its address when it cannot take the value. Move-only; a move leaves the source empty.
template <typename T, auto Close, auto Invalid = T{}>
class UniqueResource {
    static constexpr bool kInitialisedInPlace = std::is_invocable_v<decltype(Invalid), T*>;

public:
    // Handles are handed out by value, records by reference.
    using Value = std::conditional_t<std::is_scalar_v<T>, T, const T&>;

    UniqueResource() noexcept { MakeEmpty(value_); }
    // Takes `value` over; it is given back when this owner lets go of it.
    explicit UniqueResource(T value) noexcept : value_(value) {}
    ~UniqueResource() { GiveBack(); }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    // The value held, still owned here.
    Value get() const noexcept { return value_; }
    // True while a value is held.
    explicit operator bool() const noexcept
        requires(!kInitialisedInPlace)
    {
        return !(value_ == EmptyValue());
    }
    // Hands the value to the caller, who gives it back from now on; the owner is empty.
    T release() noexcept
    {
        T value = value_;
        MakeEmpty(value_);
        return value;
    }
    // Gives back what is held; the owner is empty.
    void reset() noexcept
    {
        GiveBack();
        MakeEmpty(value_);
    }
    // Gives back what is held and takes `value` over (which must not be the value held).
    void reset(T value) noexcept
    {
        GiveBack();
        value_ = value;
    }
    // For an out-parameter: the place a new value is written to, in an empty owner. An owner that
    // still holds a value is a caller's fault, told to unique_resource_checks::ReportPutOfHeldValue
    // (a hook of the module's or its program's, when one is set); the value is given back first
    // either way.
    T* put(const std::source_location& where = std::source_location::current()) noexcept
    {
        if (!IsEmpty())
            unique_resource_checks::ReportPutOfHeldValue(where);
        reset();
        return &value_;
    }
    // The place of the value held, for a call that reads or updates it in place (never empties it).
    T* addressof() noexcept { return &value_; }
    const T* addressof() const noexcept { return &value_; }

private:
    static T EmptyValue() noexcept
        requires(!kInitialisedInPlace)
    {
        if constexpr (std::is_pointer_v<T> && std::is_integral_v<decltype(Invalid)>)
            return reinterpret_cast<T>(static_cast<std::intptr_t>(Invalid));
        else
            return static_cast<T>(Invalid);
    }
    // An owner of a record initialised in place is empty while its record is byte for byte the one
    // the owner itself makes empty.
    bool IsEmpty() const noexcept
    {
        if constexpr (kInitialisedInPlace) {
            T empty;
            MakeEmpty(empty);
            return std::memcmp(&empty, &value_, sizeof(T)) == 0;
        } else {
            return value_ == EmptyValue();
        }
    }
    // Every way of becoming empty ends here. A record is zeroed before it is initialised: VariantInit
    // sets only the type (before Windows 8.1), and a VARIANT handed on empty (an argument slot, a
    // by-reference cell) must not carry the pointer of what the owner let go of.
    static void MakeEmpty(T& value) noexcept
    {
        if constexpr (kInitialisedInPlace) {
            static_assert(std::is_trivially_copyable_v<T>, "a record initialised in place is zeroed bytewise");
            std::memset(&value, 0, sizeof(T));
            Invalid(&value);
        } else {
            value = EmptyValue();
        }
    }
    void GiveBack() noexcept
    {
        if constexpr (!kInitialisedInPlace) {
            if (value_ == EmptyValue())
                return;
        }
        // The value is tried first: a handle's address would convert to a void* handle silently.
        if constexpr (std::is_invocable_v<decltype(Close), T&>)
            Close(value_);
        else
            Close(&value_);
    }

    T value_{};
};

// ---- Release calls that take more, or other, than the value; set-up calls that are macros

// A device context from GetDC, which only its window can take back; the screen's has no window.
struct WindowDc {
    HWND window = nullptr;
    HDC dc = nullptr;
    bool operator==(const WindowDc&) const = default;
};

// A global block locked once, with the address the lock gave.
struct LockedBlock {
    HGLOBAL block = nullptr;
    void* data = nullptr;
    bool operator==(const LockedBlock&) const = default;
};

namespace unique_resource_calls {
inline void ReleaseWindowDc(WindowDc taken) noexcept { ReleaseDC(taken.window, taken.dc); }
inline void UnlockGlobal(LockedBlock lock) noexcept { GlobalUnlock(lock.block); }
inline void ReleaseCryptProvider(HCRYPTPROV provider) noexcept { CryptReleaseContext(provider, 0); }
inline void UninitializeComApartment(bool) noexcept { CoUninitialize(); }
inline void CloseOpenClipboard(bool) noexcept { CloseClipboard(); }
inline void InitializePropVariant(PROPVARIANT* value) noexcept { PropVariantInit(value); }
}  // namespace unique_resource_calls

// ---- The aliases

// A BSTR from SysAllocString and its kin.
using UniqueBstr = UniqueResource<BSTR, &SysFreeString, nullptr>;
using UniqueVariant = UniqueResource<VARIANT, &VariantClear, &VariantInit>;
// A vector of owners is handed to IDispatch::Invoke as its VARIANT array.
static_assert(sizeof(UniqueVariant) == sizeof(VARIANT) && std::is_standard_layout_v<UniqueVariant>);
using UniquePropVariant =
    UniqueResource<PROPVARIANT, &PropVariantClear, &unique_resource_calls::InitializePropVariant>;
using UniqueGdiObject = UniqueResource<HGDIOBJ, &DeleteObject, nullptr>;
using UniqueBitmap = UniqueResource<HBITMAP, &DeleteObject, nullptr>;
using UniqueFont = UniqueResource<HFONT, &DeleteObject, nullptr>;
using UniqueBrush = UniqueResource<HBRUSH, &DeleteObject, nullptr>;
using UniquePen = UniqueResource<HPEN, &DeleteObject, nullptr>;
// A device context from CreateCompatibleDC.
using UniqueMemoryDc = UniqueResource<HDC, &DeleteDC, nullptr>;
using UniqueWindowDc = UniqueResource<WindowDc, &unique_resource_calls::ReleaseWindowDc, WindowDc{}>;
// A global block from GlobalAlloc, freed unless handed on (to the clipboard or a stream).
using UniqueGlobal = UniqueResource<HGLOBAL, &GlobalFree, nullptr>;
// Unlocks, never frees: the block belongs to whoever gave its handle.
using UniqueGlobalLock = UniqueResource<LockedBlock, &unique_resource_calls::UnlockGlobal, LockedBlock{}>;
// Process, thread and event handles, whose failure value is null.
using UniqueHandle = UniqueResource<HANDLE, &CloseHandle, nullptr>;
// File handles from CreateFile, whose failure value is INVALID_HANDLE_VALUE.
using UniqueFile = UniqueResource<HANDLE, &CloseHandle, -1>;
using UniqueCryptProvider = UniqueResource<HCRYPTPROV, &unique_resource_calls::ReleaseCryptProvider, HCRYPTPROV{0}>;
using UniqueCryptHash = UniqueResource<HCRYPTHASH, &CryptDestroyHash, HCRYPTHASH{0}>;
// True while this thread's COM apartment must be left again.
using UniqueComApartment = UniqueResource<bool, &unique_resource_calls::UninitializeComApartment, false>;
// True while this owner holds the clipboard open.
using UniqueClipboard = UniqueResource<bool, &unique_resource_calls::CloseOpenClipboard, false>;

// ---- Taking a resource

// GetDC(window); the screen's context for a null window. Empty when GetDC fails.
inline UniqueWindowDc GetWindowDc(HWND window = nullptr) noexcept
{
    HDC dc = GetDC(window);
    return dc != nullptr ? UniqueWindowDc(WindowDc{window, dc}) : UniqueWindowDc();
}

// Locks `block`; empty for a null block or a lock that fails (a discarded or freed block), which
// then must not be read or unlocked.
inline UniqueGlobalLock LockGlobal(HGLOBAL block) noexcept
{
    void* data = block != nullptr ? GlobalLock(block) : nullptr;
    return data != nullptr ? UniqueGlobalLock(LockedBlock{block, data}) : UniqueGlobalLock();
}

// A new moveable global block holding a copy of the `size` bytes at `bytes`, unlocked. Empty when
// it cannot be allocated or locked (nothing is left allocated then).
inline UniqueGlobal CopyToGlobal(const void* bytes, SIZE_T size) noexcept
{
    UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, size));
    UniqueGlobalLock lock = LockGlobal(block.get());
    if (!lock)
        return UniqueGlobal();
    CopyMemory(lock.get().data, bytes, size);
    return block;
}

// Enters a single-threaded apartment on this thread. Empty when COM refuses (an apartment of
// another kind already there, which is then left alone); a repeated entry is held and left too.
inline UniqueComApartment InitializeComApartment() noexcept
{
    return UniqueComApartment(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
}

// Tries to open the clipboard for `owner`, 20 times 10 ms apart. Another program holds it only
// while it reads or writes one change, which is over within a few milliseconds; the callers are
// window handlers on the GUI thread, which must not freeze for long when a program keeps it open
// (a fifth of a second at most, then the caller reports its copy as failed). Empty when it stays
// held.
inline UniqueClipboard OpenClipboardRetrying(HWND owner) noexcept
{
    constexpr int kTries = 20;
    constexpr DWORD kPauseMs = 10;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        if (attempt > 0)
            Sleep(kPauseMs);
        if (OpenClipboard(owner))
            return UniqueClipboard(true);
    }
    return UniqueClipboard();
}

// Gives `target` (a VARIANT its caller owns, e.g. an output argument) the contents of `value`;
// what `target` held before is cleared.
inline void ReplaceVariant(VARIANT& target, UniqueVariant value) noexcept
{
    UniqueVariant previous(target);
    target = value.release();
}
