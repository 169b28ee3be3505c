#include "framework/text_codec.h"

#include <algorithm>
#include <climits>

namespace {

bool IsHighSurrogate(wchar_t unit) noexcept { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(wchar_t unit) noexcept { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Texts longer than the platform's int counts are cut there: no clipboard or cell holds more.
int Count(std::size_t size) noexcept { return static_cast<int>(std::min<std::size_t>(size, INT_MAX)); }

// Encodes every unit of `text` into `out` (null only counts); the number of bytes.
std::size_t EncodeUtf8(std::wstring_view text, char* out) noexcept
{
    std::size_t bytes = 0;
    auto put = [&](unsigned value) {
        if (out)
            out[bytes] = static_cast<char>(value);
        ++bytes;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(text[++i]) - 0xDC00);
            put(0xF0 | (c >> 18));
            put(0x80 | ((c >> 12) & 0x3F));
        } else if (c >= 0x800) {
            put(0xE0 | (c >> 12));  // a lone surrogate too
        } else if (c >= 0x80) {
            put(0xC0 | (c >> 6));
            put(0x80 | (c & 0x3F));
            continue;
        } else {
            put(c);
            continue;
        }
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    }
    return bytes;
}

bool IsContinuation(unsigned char byte) noexcept { return (byte & 0xC0) == 0x80; }

// The length of the well-formed sequence at text[at] (surrogate values allowed), 0 when there is none.
std::size_t SequenceLength(std::string_view text, std::size_t at) noexcept
{
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    const std::size_t left = text.size() - at;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return left >= 2 && IsContinuation(byte(1)) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF)
        return left >= 3 && IsContinuation(byte(1)) && IsContinuation(byte(2)) && (lead != 0xE0 || byte(1) >= 0xA0)
                   ? 3
                   : 0;
    if (lead >= 0xF0 && lead <= 0xF4)
        return left >= 4 && IsContinuation(byte(1)) && IsContinuation(byte(2)) && IsContinuation(byte(3)) &&
                       (lead != 0xF0 || byte(1) >= 0x90) && (lead != 0xF4 || byte(1) <= 0x8F)
                   ? 4
                   : 0;
    return 0;
}

// Decodes `text` into `out` (null only counts); the number of units.
std::size_t DecodeUtf8(std::string_view text, wchar_t* out) noexcept
{
    std::size_t units = 0;
    auto put = [&](char32_t unit) {
        if (out)
            out[units] = static_cast<wchar_t>(unit);
        ++units;
    };
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = SequenceLength(text, at);
        auto byte = [&](std::size_t i) { return char32_t(static_cast<unsigned char>(text[at + i])); };
        switch (length) {
        case 0: put(0xFFFD); at += 1; continue;
        case 1: put(byte(0)); break;
        case 2: put(((byte(0) & 0x1F) << 6) | (byte(1) & 0x3F)); break;
        case 3: put(((byte(0) & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F)); break;
        default: {
            char32_t c = ((byte(0) & 0x07) << 18) | ((byte(1) & 0x3F) << 12) | ((byte(2) & 0x3F) << 6) | (byte(3) & 0x3F);
            c -= 0x10000;
            put(0xD800 + (c >> 10));
            put(0xDC00 + (c & 0x3FF));
        }
        }
        at += length;
    }
    return units;
}

// Texts above this size go through UTF-16 a slice at a time.
constexpr std::size_t kSliceBytes = 1 << 20;

// The end of the slice from `from`: at least kSliceBytes on, never inside a double-byte character.
std::size_t SliceEnd(std::string_view text, std::size_t from, UINT codePage) noexcept
{
    std::size_t at = from;
    const std::size_t target = std::min(text.size(), from + kSliceBytes);
    while (at < target)
        at += IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[at])) ? 2 : 1;
    return std::min(at, text.size());
}

} // namespace

std::wstring WideFromCodePage(std::string_view text, UINT codePage)
{
    if (text.empty())
        return {};
    const int length = MultiByteToWideChar(codePage, 0, text.data(), Count(text.size()), nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), Count(text.size()), wide.data(), length);
    return wide;
}

std::string CodePageFromWide(std::wstring_view text, UINT codePage, DWORD flags)
{
    if (text.empty())
        return {};
    const int size = WideCharToMultiByte(codePage, flags, text.data(), Count(text.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return {};
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(codePage, flags, text.data(), Count(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

std::wstring WideFromGbk(std::string_view text) { return WideFromCodePage(text, kGbkCodePage); }
std::string GbkFromWide(std::wstring_view text) { return CodePageFromWide(text, kGbkCodePage); }
std::wstring WideFromAnsi(std::string_view text) { return WideFromCodePage(text, CP_ACP); }
std::string AnsiFromWide(std::wstring_view text) { return CodePageFromWide(text, CP_ACP); }

std::string Utf8FromWide(std::wstring_view text)
{
    std::string bytes(EncodeUtf8(text, nullptr), '\0');
    EncodeUtf8(text, bytes.data());
    return bytes;
}

std::wstring WideFromUtf8(std::string_view text)
{
    std::wstring units(DecodeUtf8(text, nullptr), L'\0');
    DecodeUtf8(text, units.data());
    return units;
}

std::string Utf8FromGbk(std::string_view text, UINT sourceCodePage)
{
    // Slices are cut at character starts, which only a double-byte source page lets us find.
    if (text.size() <= kSliceBytes || !IsDBCSLeadByteEx(sourceCodePage, 0x81))
        return Utf8FromWide(WideFromCodePage(text, sourceCodePage));
    std::size_t size = 0;
    for (std::size_t at = 0, end; at < text.size(); at = end) {
        end = SliceEnd(text, at, sourceCodePage);
        size += EncodeUtf8(WideFromCodePage(text.substr(at, end - at), sourceCodePage), nullptr);
    }
    std::string bytes(size, '\0');
    std::size_t written = 0;
    for (std::size_t at = 0, end; at < text.size(); at = end) {
        end = SliceEnd(text, at, sourceCodePage);
        written += EncodeUtf8(WideFromCodePage(text.substr(at, end - at), sourceCodePage), bytes.data() + written);
    }
    return bytes;
}

std::string GbkFromUtf8(std::string_view text) { return GbkFromWide(WideFromUtf8(text)); }

UniqueBstr BstrFromAnsi(std::string_view text) noexcept
{
    const int length =
        text.empty() ? 0 : MultiByteToWideChar(CP_ACP, 0, text.data(), Count(text.size()), nullptr, 0);
    UniqueBstr wide(SysAllocStringLen(nullptr, static_cast<UINT>(std::max(length, 0))));
    if (wide && length > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), Count(text.size()), wide.get(), length);
    return wide;
}

UniqueBstr BstrFromAnsi(const char* text) noexcept
{
    return text != nullptr ? BstrFromAnsi(std::string_view(text)) : UniqueBstr();
}

UniqueBstr BstrFromWide(std::wstring_view text) noexcept
{
    return UniqueBstr(SysAllocStringLen(text.data(), static_cast<UINT>(Count(text.size()))));
}

UniqueBstr BstrFromUtf8(std::string_view text) noexcept
{
    const std::size_t units = DecodeUtf8(text, nullptr);
    if (units > INT_MAX)
        return UniqueBstr();
    UniqueBstr wide(SysAllocStringLen(nullptr, static_cast<UINT>(units)));
    if (wide)
        DecodeUtf8(text, wide.get());
    return wide;
}

std::string AnsiFromBstr(const BSTR text)
{
    if (text == nullptr)
        return {};
    return AnsiFromWide(std::wstring_view(text, SysStringLen(text)));
}
