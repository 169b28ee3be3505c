// Owners for the automation values the control handles (BSTR, VARIANT, GDI objects, an open clipboard)
// and the identity of the control's class and interfaces.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <string>

namespace vsflex {

// {C945E31A-102E-4A0D-8854-D599D7AED5FA}: the class the host creates by ProgID.
inline constexpr CLSID kClsidGrid = {0xC945E31A, 0x102E, 0x4A0D, {0x88, 0x54, 0xD5, 0x99, 0xD7, 0xAE, 0xD5, 0xFA}};
inline constexpr IID kIidGrid = {0xEB846DD4, 0xEE79, 0x45E6, {0x88, 0xAB, 0xE2, 0x6F, 0x32, 0x09, 0x7E, 0x49}};
inline constexpr IID kIidGridEvents = {0xEA78FC04, 0xDD21, 0x4A03, {0x8A, 0x49, 0xC4, 0xC6, 0x72, 0x81, 0xB6, 0x07}};
inline constexpr GUID kLibidGrid = {0xFC8F20B7, 0xD479, 0x4B67, {0xB1, 0x8F, 0xEF, 0x88, 0x75, 0x71, 0x37, 0x34}};
inline constexpr wchar_t kProgId[] = L"VSFlexGrid8.VSFlexGridADO.1";

// A VARIANT that is cleared when it goes away.
class Variant {
public:
    Variant() noexcept { VariantInit(&v_); }
    ~Variant() { VariantClear(&v_); }
    Variant(const Variant& other) noexcept { VariantInit(&v_); VariantCopy(&v_, const_cast<VARIANT*>(&other.v_)); }
    Variant& operator=(const Variant& other) noexcept
    {
        if (this != &other)
            VariantCopy(&v_, const_cast<VARIANT*>(&other.v_));
        return *this;
    }
    VARIANT* get() noexcept { return &v_; }
    const VARIANT* get() const noexcept { return &v_; }
    VARIANT* operator&() noexcept { return &v_; }

private:
    VARIANT v_;
};

// A BSTR owned until released or destroyed.
class Bstr {
public:
    explicit Bstr(const std::wstring& text) noexcept : b_(SysAllocStringLen(text.data(), UINT(text.size()))) {}
    ~Bstr() { SysFreeString(b_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR release() noexcept { BSTR b = b_; b_ = nullptr; return b; }

private:
    BSTR b_;
};

// A GDI object deleted with DeleteObject.
template <typename H>
class GdiObject {
public:
    explicit GdiObject(H h = nullptr) noexcept : h_(h) {}
    ~GdiObject() { reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    void reset(H h = nullptr) noexcept
    {
        if (h_)
            DeleteObject(h_);
        h_ = h;
    }
    H get() const noexcept { return h_; }
    H release() noexcept { H h = h_; h_ = nullptr; return h; }

private:
    H h_;
};

// A memory device context deleted with DeleteDC.
class MemoryDc {
public:
    explicit MemoryDc(HDC like) noexcept : dc_(CreateCompatibleDC(like)) {}
    ~MemoryDc() { if (dc_) DeleteDC(dc_); }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC get() const noexcept { return dc_; }

private:
    HDC dc_;
};

// A selection of a GDI object into a DC, undone on destruction.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(SelectObject(dc, object)) {}
    ~SelectedObject() { SelectObject(dc_, old_); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// The clipboard, open for one owner window until destroyed. Another program may hold it briefly,
// so opening retries for a short while.
class OpenClipboardScope {
public:
    explicit OpenClipboardScope(HWND owner) noexcept
    {
        for (int attempt = 0; attempt < 20 && !open_; ++attempt) {
            open_ = OpenClipboard(owner) != FALSE;
            if (!open_)
                Sleep(10);
        }
    }
    ~OpenClipboardScope() { if (open_) CloseClipboard(); }
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
    bool is_open() const noexcept { return open_; }

private:
    bool open_ = false;
};

}  // namespace vsflex
