#include "stored_text.h"

namespace vsflex {
namespace {

bool IsHigh(wchar_t unit) noexcept { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLow(wchar_t unit) noexcept { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The bytes the unit at text[i] (with its partner, for a pair) takes; `pair` tells whether a pair.
std::size_t EncodedSize(const wchar_t* text, std::size_t units, std::size_t i, bool* pair) noexcept
{
    const unsigned unit = text[i];
    *pair = IsHigh(text[i]) && i + 1 < units && IsLow(text[i + 1]);
    if (*pair)
        return 4;
    return unit < 0x80 ? 1 : unit < 0x800 ? 2 : 3;
}

// Reads one sequence at `p` (written by the constructor, so well formed): its code point.
char32_t Decode(const unsigned char*& p) noexcept
{
    const unsigned char lead = *p++;
    if (lead < 0x80)
        return lead;
    if (lead < 0xE0) {
        char32_t c = (lead & 0x1Fu) << 6;
        return c | (*p++ & 0x3Fu);
    }
    if (lead < 0xF0) {
        char32_t c = (lead & 0x0Fu) << 12;
        c |= (*p++ & 0x3Fu) << 6;
        return c | (*p++ & 0x3Fu);
    }
    char32_t c = (lead & 0x07u) << 18;
    c |= (*p++ & 0x3Fu) << 12;
    c |= (*p++ & 0x3Fu) << 6;
    return c | (*p++ & 0x3Fu);
}

// Writes the code point's units at `out`; their count.
std::size_t PutUnits(char32_t c, wchar_t* out) noexcept
{
    if (c < 0x10000) {
        out[0] = static_cast<wchar_t>(c);
        return 1;
    }
    c -= 0x10000;
    out[0] = static_cast<wchar_t>(0xD800 + (c >> 10));
    out[1] = static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    return 2;
}

} // namespace

StoredText::StoredText(const wchar_t* text, std::size_t units)
{
    std::size_t bytes = 0;
    bool pair = false;
    for (std::size_t i = 0; i < units; i += pair ? 2 : 1)
        bytes += EncodedSize(text, units, i, &pair);
    utf8_.resize(bytes);
    auto* out = reinterpret_cast<unsigned char*>(utf8_.data());
    for (std::size_t i = 0; i < units; i += pair ? 2 : 1) {
        std::size_t size = EncodedSize(text, units, i, &pair);
        char32_t c = pair ? 0x10000 + ((char32_t(text[i]) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00)
                          : char32_t(text[i]);
        switch (size) {
        case 1: *out++ = static_cast<unsigned char>(c); break;
        case 2:
            *out++ = static_cast<unsigned char>(0xC0 | (c >> 6));
            *out++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
            break;
        case 3:
            *out++ = static_cast<unsigned char>(0xE0 | (c >> 12));
            *out++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
            *out++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
            break;
        default:
            *out++ = static_cast<unsigned char>(0xF0 | (c >> 18));
            *out++ = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
            *out++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
            *out++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
            break;
        }
    }
    units_ = units;
}

void StoredText::CopyTo(wchar_t* out) const noexcept
{
    const auto* p = reinterpret_cast<const unsigned char*>(utf8_.data());
    const auto* end = p + utf8_.size();
    while (p < end)
        out += PutUnits(Decode(p), out);
}

std::wstring StoredText::Wide() const
{
    std::wstring text;
    AppendTo(text);
    return text;
}

void StoredText::AppendTo(std::wstring& text) const
{
    const std::size_t at = text.size();
    text.resize(at + units_);
    CopyTo(text.data() + at);
}

std::wstring StoredText::Start(std::size_t units) const
{
    std::wstring text;
    const auto* p = reinterpret_cast<const unsigned char*>(utf8_.data());
    const auto* end = p + utf8_.size();
    wchar_t pair[2];
    while (p < end) {
        std::size_t count = PutUnits(Decode(p), pair);
        if (text.size() + count > units)
            break;
        text.append(pair, count);
    }
    return text;
}

} // namespace vsflex
